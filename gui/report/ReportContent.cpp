#include "ReportContent.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "ReportStyle.h"
#include "assess/AssessLimits.h"
#include "assess/AssessmentWriters.h"
#include "file/PathText.h"
#include "log/LogTypes.h"
#include "plot/PlotColors.h"
#include "text/DecimalText.h"
#include "text/TimeText.h"

using assess::AssessmentResult;
using assess::Criterion;
using assess::Verdict;

namespace {

// ---- Words and numbers ----

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// A number as the assessment's text table writes it: three decimals at most.
QString Number(double value) {
  return Q(ReadableDecimal(value, 3));
}

QString WithUnit(double value, const std::string& unit) {
  return unit.empty() ? Number(value) : Number(value) + " " + Q(unit);
}

QString Count(uint64_t n) {
  return QString::number(n);
}

QString Time(int64_t seconds) {
  return Q(TimeText(seconds, TimeStyle::kIsoSpace));
}

// The assessment writes its rules in plain ASCII; the report sets them as a reader expects.
QString Typeset(const std::string& text) {
  QString s = Q(text);
  s.replace(QStringLiteral("<="), QStringLiteral("\u2264"));
  s.replace(QStringLiteral(">="), QStringLiteral("\u2265"));
  s.replace(QStringLiteral("+/-"), QStringLiteral("\u00b1"));
  return s;
}

QString Capitalized(QString text) {
  if (!text.isEmpty()) text[0] = text[0].toUpper();
  return text;
}

QString VerdictWord(Verdict verdict) {
  return QString::fromLatin1(assess::VerdictText(verdict)).toUpper();
}

Tone ToneOf(Verdict verdict) {
  switch (verdict) {
    case Verdict::kPass:
      return Tone::kPass;
    case Verdict::kFail:
      return Tone::kFail;
    case Verdict::kInfo:
      return Tone::kInfo;
    case Verdict::kNotAssessed:
    case Verdict::kIncomplete:
      break;
  }
  return Tone::kMuted;
}

// "a" reads "A", "ch2" reads "Ch 2".
QString PhaseName(const std::string& phase) {
  if (phase.size() > 2 && phase.compare(0, 2, "ch") == 0) return "Ch " + Q(phase.substr(2));
  return Q(phase).toUpper();
}

QString PhaseLabel(const std::string& phase) {
  if (phase.empty()) return {};
  return (phase.compare(0, 2, "ch") == 0 ? QString() : QStringLiteral("Phase ")) + PhaseName(phase);
}

QString Plural(uint64_t n, const char* one, const char* many) {
  return Count(n) + " " + QString::fromLatin1(n == 1 ? one : many);
}

QString StandardName(const std::string& standard) {
  const char* title = assess::StandardTitle(standard);
  return title ? QString::fromLatin1(title) : Q(standard);
}

// The short name of a standard for a legend: the title up to its edition's end.
QString StandardShortName(const std::string& standard) {
  return StandardName(standard).section(QLatin1Char(','), 0, 0);
}

ReportCell Cell(const QString& text, Tone tone = Tone::kNormal) {
  ReportCell cell;
  cell.text = text;
  cell.tone = tone;
  return cell;
}

ReportCell VerdictCell(Verdict verdict) {
  ReportCell cell = Cell(VerdictWord(verdict), ToneOf(verdict));
  cell.bold = verdict == Verdict::kFail || verdict == Verdict::kPass;
  return cell;
}

// ---- The groups of criteria ----

// The groups the summary shows, in the words of a report, with what their rows are about.
struct GroupInfo {
  const char* group;
  const char* title;
};
const GroupInfo kSummaryGroups[] = {
    {"en50160.frequency", "Power frequency"},
    {"en50160.voltage", "Supply voltage"},
    {"en50160.thd", "Voltage THD"},
    {"en50160.harmonic", "Harmonic voltages"},
    {"en50160.unbalance", "Voltage unbalance"},
    {"ieee519.voltage.thd", "Voltage THD"},
    {"ieee519.voltage.harmonic", "Harmonic voltages"},
    {"ieee519.current.tdd", "Total demand distortion (TDD)"},
    {"ieee519.current.harmonic", "Harmonic currents"},
    {"ieee519.current", "Current distortion"},
};

const GroupInfo* SummaryGroup(const std::string& group) {
  for (const GroupInfo& info : kSummaryGroups)
    if (group == info.group) return &info;
  return nullptr;
}

// The rows of one group and phase, in the result's order.
struct RowSet {
  std::string standard, group, phase;
  std::vector<const Criterion*> rows;
  bool Harmonics() const {
    return std::any_of(rows.begin(), rows.end(),
                       [](const Criterion* c) { return c->harmonic > 0; });
  }
  Verdict Overall() const {
    bool passed = false, failed = false;
    for (const Criterion* c : rows) {
      passed = passed || c->verdict == Verdict::kPass;
      failed = failed || c->verdict == Verdict::kFail;
    }
    return failed ? Verdict::kFail : passed ? Verdict::kPass : Verdict::kNotAssessed;
  }
};

double UpperLimit(const Criterion& c) {
  return c.bands.empty() ? NAN : c.bands.front().high;
}

class ContentBuilder {
 public:
  ContentBuilder(const AssessmentResult& result, const ReportOptions& options)
      : m_result(result), m_options(options) {
    for (const Criterion& c : result.criteria) {
      if (!c.phase.empty() &&
          std::find(m_phases.begin(), m_phases.end(), c.phase) == m_phases.end())
        m_phases.push_back(c.phase);
      const std::string group = assess::CriterionGroup(c);
      auto it = std::find_if(m_sets.begin(), m_sets.end(), [&](const RowSet& s) {
        return s.group == group && s.phase == c.phase;
      });
      if (it == m_sets.end()) it = m_sets.insert(m_sets.end(), {c.standard, group, c.phase, {}});
      it->rows.push_back(&c);
    }
    // The phases of a group together, the groups in the result's order.
    std::vector<std::string> groups;
    for (const RowSet& set : m_sets)
      if (std::find(groups.begin(), groups.end(), set.group) == groups.end())
        groups.push_back(set.group);
    std::stable_sort(m_sets.begin(), m_sets.end(), [&](const RowSet& a, const RowSet& b) {
      return std::find(groups.begin(), groups.end(), a.group) <
             std::find(groups.begin(), groups.end(), b.group);
    });
  }

  ReportDocument Build();

 private:
  ReportBlock& Add(ReportBlock::Kind kind, const QString& text = {});
  void Heading(const QString& text, const QString& anchor, bool newPage);
  void Paragraph(const QString& text, bool small = false);

  void Summary();
  void SurveyFacts();
  void Files();
  void OverallVerdict();
  void VerdictTable();
  void NotAssessedLine();
  void Failures();
  void Charts();
  void FrequencyAndVoltageCharts();
  void LimitChart(const std::vector<std::string>& groups, const QString& title,
                  const QString& valueLabel, const QString& limitWord);
  void HarmonicCharts(bool current);
  void CurrentBasis();
  void WorstCurrentHarmonics();
  void Informative();
  void Method();
  void MethodAggregation();
  void MethodSources();
  void MethodNotAssessed();
  void MethodHarmonicLimits();
  void MethodStandards();

  QColor PhaseColor(const std::string& phase) const {
    const auto it = std::find(m_phases.begin(), m_phases.end(), phase);
    return SeriesColor(it == m_phases.end() ? 0 : static_cast<size_t>(it - m_phases.begin()));
  }
  std::vector<const RowSet*> Sets(const std::string& group) const {
    std::vector<const RowSet*> sets;
    for (const RowSet& s : m_sets)
      if (s.group == group) sets.push_back(&s);
    return sets;
  }
  std::vector<ReportCell> GroupRow(const RowSet& set, const QString& title) const;
  // Consecutive values further apart than this have a gap between them.
  double GapSeconds(const assess::Series& series) const {
    return 3 * std::max({static_cast<double>(series.windowSeconds),
                         m_result.survey.intervalS.value_or(0), 1.0});
  }

  const AssessmentResult& m_result;
  const ReportOptions& m_options;
  std::vector<std::string> m_phases;  // in the order met: their colours
  std::vector<RowSet> m_sets;
  ReportDocument m_doc;
};

ReportBlock& ContentBuilder::Add(ReportBlock::Kind kind, const QString& text) {
  ReportBlock& block = m_doc.blocks.emplace_back();
  block.kind = kind;
  block.text = text;
  return block;
}

void ContentBuilder::Heading(const QString& text, const QString& anchor, bool newPage) {
  ReportBlock& block = Add(ReportBlock::Kind::kHeading, text);
  block.anchor = anchor;
  block.newPage = newPage;
}

void ContentBuilder::Paragraph(const QString& text, bool small) {
  Add(ReportBlock::Kind::kParagraph, text).small = small;
}

ReportDocument ContentBuilder::Build() {
  const assess::SurveyFacts& s = m_result.survey;
  m_doc.title = m_options.title.trimmed().isEmpty() ? QString::fromLatin1(kDefaultReportTitle)
                                                    : m_options.title.simplified();
  m_doc.site = m_options.site.simplified();
  if (s.first && s.last) m_doc.period = Time(*s.first) + QStringLiteral(" to ") + Time(*s.last);
  m_doc.footer = ProgramNameAndVersion();
  Summary();
  Charts();
  Informative();
  Method();
  return std::move(m_doc);
}

// ---- 1. Summary ----

void ContentBuilder::Summary() {
  ReportBlock& title = Add(ReportBlock::Kind::kTitle, m_doc.title);
  title.subtitle = m_doc.site;
  title.anchor = QStringLiteral("summary");
  QStringList standards;
  for (const char* standard : {"en50160", "ieee519"})
    if (std::any_of(m_result.criteria.begin(), m_result.criteria.end(),
                    [&](const Criterion& c) { return c.standard == standard; }))
      standards.append(StandardName(standard));
  Paragraph(
      QStringLiteral("This report judges the supply against %1, from %2 of a 57x power analyzer.")
          .arg(standards.join(QStringLiteral(" and ")),
               Plural(m_result.survey.files.size(), "log", "logs")));
  Add(ReportBlock::Kind::kSubheading, QStringLiteral("The survey"));
  SurveyFacts();
  Files();
  OverallVerdict();
  Add(ReportBlock::Kind::kSubheading, QStringLiteral("Verdicts by group"));
  VerdictTable();
  NotAssessedLine();
  Failures();
}

void ContentBuilder::SurveyFacts() {
  const assess::SurveyFacts& s = m_result.survey;
  ReportTable table;
  table.widths = {1, 3.2};
  auto fact = [&](const QString& name, const QString& value) {
    ReportCell label = Cell(name);
    label.bold = true;
    table.AddRow({label, Cell(value)});
  };
  fact(QStringLiteral("Period"),
       m_doc.period.isEmpty() ? QStringLiteral("no valid time stamp") : m_doc.period);
  fact(QStringLiteral("Duration"),
       Q(assess::DurationText(s.durationS)) +
           QStringLiteral(" (the first to the last record, plus one record interval)"));
  if (s.intervalS)
    fact(QStringLiteral("Record interval"),
         Number(*s.intervalS) + QStringLiteral(" s (the median spacing of the records)"));
  fact(QStringLiteral("Log type"), Q(s.logTypeName));
  QString records = Count(s.recordsUsed) + QStringLiteral(" of ") + Count(s.records) +
                    QStringLiteral(" used, in ") +
                    Plural(s.windows, "10-minute window", "10-minute windows");
  QStringList leftOut;
  if (s.invalidTime)
    leftOut.append(Count(s.invalidTime) + QStringLiteral(" without a valid time stamp"));
  if (s.overlaps)
    leftOut.append(Count(s.overlaps) +
                   QStringLiteral(" with the time stamp of a record already taken (overlapping "
                                  "downloads)"));
  records += leftOut.isEmpty()
                 ? QStringLiteral("; none left out")
                 : QStringLiteral("; left out: ") + leftOut.join(QStringLiteral(", "));
  fact(QStringLiteral("Records"), records);
  auto nominal = [](const std::optional<double>& value, bool inferred, const char* unit,
                    const QString& from) {
    if (!value) return QStringLiteral("unknown: nothing to infer it from");
    return Number(*value) + " " + QString::fromLatin1(unit) +
           (inferred ? QStringLiteral(", inferred from ") + from : QStringLiteral(", given"));
  };
  fact(QStringLiteral("Nominal voltage Un"),
       nominal(s.nominalVoltage, false, "V", QString()) + QStringLiteral(" (phase to neutral)"));
  fact(QStringLiteral("Nominal frequency Fn"),
       nominal(s.nominalFrequency, s.nominalFrequencyInferred, "Hz",
               QStringLiteral("the median frequency")));
  if (m_result.currentBasis)
    fact(QStringLiteral("Short-circuit current Isc"),
         Number(m_result.currentBasis->isc) +
             QStringLiteral(" A, given (IL and the Table 2 row of each phase are with the current "
                            "charts)"));
  Add(ReportBlock::Kind::kTable).table = std::move(table);
}

void ContentBuilder::Files() {
  ReportTable table;
  table.headers = {QStringLiteral("Log file"), QStringLiteral("Type"), QStringLiteral("Records"),
                   QStringLiteral("First record"), QStringLiteral("Last record")};
  table.widths = {3.2, 1.6, 1.3, 1.35, 1.35};
  for (const assess::SurveyFile& f : m_result.survey.files) {
    ReportCell name = Cell(Q(PathText(f.path)));
    name.code = true;
    ReportCell digest = Cell(f.sha256.empty() ? QStringLiteral("SHA-256 not taken")
                                              : QStringLiteral("SHA-256 ") + Q(f.sha256),
                             Tone::kMuted);
    digest.code = true;
    const char* type = LogTypeName(f.logType);
    ReportCell records = Cell(Count(f.records));
    QStringList detail{Count(f.used) + QStringLiteral(" used")};
    if (f.invalidTime) detail.append(Count(f.invalidTime) + QStringLiteral(" without valid time"));
    if (f.overlaps) detail.append(Count(f.overlaps) + QStringLiteral(" overlapping"));
    records.detail = detail.join(QStringLiteral(", "));
    table.AddRow({name, Cell(type ? QString::fromLatin1(type) : QStringLiteral("unknown")), records,
                  Cell(f.first ? Time(*f.first) : QStringLiteral("-")),
                  Cell(f.last ? Time(*f.last) : QStringLiteral("-"))});
    table.AddRow({digest}, RowStyle::kNote);
  }
  Add(ReportBlock::Kind::kTable).table = std::move(table);
}

void ContentBuilder::OverallVerdict() {
  uint64_t failed = 0, passed = 0;
  for (const Criterion& c : m_result.criteria) {
    failed += c.verdict == Verdict::kFail;
    passed += c.verdict == Verdict::kPass;
  }
  ReportBlock& block = Add(ReportBlock::Kind::kVerdict);
  block.verdict = VerdictWord(m_result.verdict);
  block.tone = ToneOf(m_result.verdict);
  if (m_result.verdict == Verdict::kFail)
    block.text = QStringLiteral("The supply fails %1; %2 pass.")
                     .arg(Plural(failed, "criterion", "criteria"), Count(passed));
  else if (m_result.verdict == Verdict::kPass)
    block.text = QStringLiteral("The supply meets every criterion judged (%1).")
                     .arg(Plural(passed, "criterion", "criteria"));
  else
    block.text = QStringLiteral(
        "Nothing could be judged: the logs record none of the "
        "quantities the limits need.");
  if (m_result.indicative) block.subtitle = Capitalized(Q(m_result.indicativeNote)) + ".";
}

std::vector<ReportCell> ContentBuilder::GroupRow(const RowSet& set, const QString& title) const {
  const Verdict verdict = set.Overall();
  ReportCell result, limit;
  if (set.Harmonics()) {
    const Criterion* worst = nullptr;
    size_t assessed = 0, failed = 0;
    std::set<double> limits;
    for (const Criterion* c : set.rows) {
      if (!c->value) continue;
      ++assessed;
      failed += c->verdict == Verdict::kFail;
      limits.insert(UpperLimit(*c));
      if (!worst || *c->value / UpperLimit(*c) > *worst->value / UpperLimit(*worst)) worst = c;
    }
    if (worst) {
      result.text = QStringLiteral("worst: harmonic %1 at %2")
                        .arg(worst->harmonic)
                        .arg(WithUnit(*worst->value, worst->unit));
      result.detail = QStringLiteral("its limit %1; %2 of %3 fail")
                          .arg(WithUnit(UpperLimit(*worst), worst->unit))
                          .arg(failed)
                          .arg(assessed);
      limit.text = limits.size() == 1
                       ? QStringLiteral("95th percentile of each \u2264 %1")
                             .arg(WithUnit(*limits.begin(), worst->unit))
                       : QStringLiteral("95th percentile of each \u2264 its own limit, %1 to %2")
                             .arg(Number(*limits.begin()), WithUnit(*limits.rbegin(), worst->unit));
      if (m_result.currentBasis && set.group == "ieee519.current.harmonic")
        limit.detail = QStringLiteral("Table 2 row ") + Typeset(m_result.currentBasis->row);
    } else {
      result =
          Cell(Typeset(std::string(assess::OwnNote(m_result, *set.rows.front()))), Tone::kMuted);
    }
  } else {
    const Criterion& c = *set.rows.front();
    if (c.value) {
      result.text = WithUnit(*c.value, c.unit);
      // A share of values in a band: what it counts, and the values' own range.
      const assess::Series* series = m_result.FindSeries(c.seriesKey);
      if (series && series->unit != c.unit && c.min && c.max)
        result.detail =
            Typeset(c.statistic) +
            QStringLiteral("; from %1 to %2").arg(Number(*c.min), WithUnit(*c.max, series->unit));
      limit.text = Typeset(c.limit);
    } else {
      result = Cell(Typeset(std::string(assess::OwnNote(m_result, c))), Tone::kMuted);
    }
  }
  return {Cell(title), Cell(PhaseName(set.phase)), result, limit, VerdictCell(verdict)};
}

void ContentBuilder::VerdictTable() {
  ReportTable table;
  table.headers = {QStringLiteral("Criterion"), QStringLiteral("Phase"), QStringLiteral("Result"),
                   QStringLiteral("Limit"), QStringLiteral("Verdict")};
  table.widths = {1.55, 0.7, 2.35, 2.85, 1.02};
  std::string standard;
  for (const RowSet& set : m_sets) {
    const GroupInfo* info = SummaryGroup(set.group);
    const Verdict verdict = set.Overall();
    // A group the summary does not list still shows when it judged something.
    if (!info &&
        (verdict == Verdict::kNotAssessed || set.standard == "info" || set.standard == "nema"))
      continue;
    if (set.standard != standard) {
      standard = set.standard;
      ReportCell head = Cell(StandardName(standard));
      head.bold = true;
      table.AddRow({head}, RowStyle::kGroup);
    }
    QString title =
        info ? QString::fromLatin1(info->title) : Capitalized(Q(set.rows.front()->quantity));
    if (set.Harmonics()) {
      int first = 0, last = 0;
      for (const Criterion* c : set.rows)
        if (c->harmonic) {
          if (!first) first = c->harmonic;
          last = c->harmonic;
        }
      title += QStringLiteral(" %1 to %2").arg(first).arg(last);
    }
    // Phases not assessed for the same reason share a row.
    std::vector<ReportCell> row = GroupRow(set, title);
    if (verdict == Verdict::kNotAssessed && !table.rows.empty() &&
        table.styles.back() == RowStyle::kNormal && table.rows.back()[0].text == row[0].text &&
        table.rows.back()[2].text == row[2].text && table.rows.back()[4].text == row[4].text) {
      table.rows.back()[1].text += QStringLiteral(", ") + row[1].text;
      continue;
    }
    table.AddRow(std::move(row));
  }
  Add(ReportBlock::Kind::kTable).table = std::move(table);
}

void ContentBuilder::NotAssessedLine() {
  QStringList names;
  for (const RowSet& set : m_sets) {
    if (SummaryGroup(set.group) || set.Overall() != Verdict::kNotAssessed ||
        set.standard == "info" || set.standard == "nema")
      continue;
    names.append(Q(set.rows.front()->quantity));
  }
  if (!names.isEmpty())
    Paragraph(QStringLiteral("Not assessed, because no log records what they need: ") +
                  names.join(QStringLiteral(", ")) +
                  QStringLiteral(". The reasons are under Method."),
              true);
}

void ContentBuilder::Failures() {
  ReportTable table;
  table.headers = {QStringLiteral("Criterion"), QStringLiteral("Phase"), QStringLiteral("Value"),
                   QStringLiteral("Limit"), QStringLiteral("Standard")};
  table.widths = {2.0, 0.7, 1.1, 3.2, 1.5};
  for (size_t i : assess::FailuresFirst(m_result)) {
    const Criterion& c = m_result.criteria[i];
    if (c.verdict != Verdict::kFail) break;
    ReportCell value = Cell(WithUnit(*c.value, c.unit), Tone::kFail);
    value.bold = true;
    ReportCell id = Cell(Q(c.id));
    id.code = true;
    table.AddRow({Cell(Capitalized(Q(c.quantity))), Cell(PhaseName(c.phase)), value,
                  Cell(Typeset(c.limit)), Cell(StandardShortName(c.standard))});
  }
  if (table.rows.empty()) return;
  Add(ReportBlock::Kind::kSubheading, QStringLiteral("Criteria that fail"));
  Add(ReportBlock::Kind::kTable).table = std::move(table);
}

// ---- 2. Charts ----

void ContentBuilder::Charts() {
  Heading(QStringLiteral("Charts"), QStringLiteral("charts"), true);
  Paragraph(QStringLiteral("Times are the instrument's clock. Each chart shows the values a "
                           "criterion was judged on, with its limits."),
            true);
  const size_t before = m_doc.blocks.size();
  FrequencyAndVoltageCharts();
  LimitChart({"en50160.thd", "ieee519.voltage.thd"},
             QStringLiteral("Voltage THD, 10-minute values"),
             QStringLiteral("THD (% of the fundamental)"), QStringLiteral("limit"));
  LimitChart({"en50160.unbalance"}, QStringLiteral("Voltage unbalance u2, 10-minute values"),
             QStringLiteral("u2 (% of the positive sequence)"), QStringLiteral("limit"));
  HarmonicCharts(false);
  if (m_result.currentBasis) {
    Add(ReportBlock::Kind::kSubheading, QStringLiteral("Current distortion (IEEE 519)"));
    CurrentBasis();
    LimitChart({"ieee519.current.tdd"}, QStringLiteral("Total demand distortion, 10-minute values"),
               QStringLiteral("TDD (% of IL)"), QStringLiteral("limit"));
    HarmonicCharts(true);
    WorstCurrentHarmonics();
  }
  if (m_doc.blocks.size() == before)
    Paragraph(
        QStringLiteral("No criterion could be judged on values of the logs: there is "
                       "nothing to chart."));
}

void ContentBuilder::FrequencyAndVoltageCharts() {
  struct Share {
    const char* group;
    const char* title;
    const char* label;
    const char* values;  // what the share counts
    double share;
  };
  const Share kShares[] = {
      {"en50160.frequency", "Power frequency, every record", "Frequency", "records",
       assess::kEnFrequencyBand.share},
      {"en50160.voltage", "Supply voltage, 10-minute values", "Voltage", "values",
       assess::EnLimitsFor(assess::VoltageClass::kLow).voltageBand.share},
  };
  for (const Share& share : kShares) {
    // Phases judged against the same bands share a chart.
    std::vector<std::vector<const Criterion*>> charts;
    for (const RowSet* set : Sets(share.group)) {
      const Criterion* c = set->rows.front();
      if (!m_result.FindSeries(c->seriesKey) || c->bands.size() < 2) continue;
      auto same = std::find_if(charts.begin(), charts.end(), [&](const auto& list) {
        const auto& a = list.front()->bands;
        return a[0].low == c->bands[0].low && a[0].high == c->bands[0].high &&
               a[1].low == c->bands[1].low && a[1].high == c->bands[1].high;
      });
      if (same == charts.end())
        charts.push_back({c});
      else
        same->push_back(c);
    }
    for (const auto& rows : charts) {
      const assess::Series* first = m_result.FindSeries(rows.front()->seriesKey);
      ChartPlan plan;
      plan.kind = ChartPlan::Kind::kTime;
      plan.title = QString::fromLatin1(share.title);
      plan.valueLabel = QStringLiteral("%1 (%2)").arg(share.label, Q(first->unit));
      for (const Criterion* c : rows)
        plan.lines.push_back(
            {c->phase.empty() ? QString::fromLatin1(share.label) : PhaseLabel(c->phase),
             m_result.FindSeries(c->seriesKey), PhaseColor(c->phase)});
      const auto& bands = rows.front()->bands;
      const QString unit = Q(first->unit);
      plan.limits.push_back({QStringLiteral("band for %1 % of the %2: %3 to %4 %5")
                                 .arg(Number(share.share), QString::fromLatin1(share.values),
                                      Number(bands[0].low), Number(bands[0].high), unit),
                             bands[0].low, bands[0].high, true, kBandColor});
      plan.limits.push_back({QStringLiteral("limits for all %1: %2 to %3 %4")
                                 .arg(QString::fromLatin1(share.values), Number(bands[1].low),
                                      Number(bands[1].high), unit),
                             bands[1].low, bands[1].high, false, kLimitColor, false});
      plan.gapSeconds = GapSeconds(*first);
      Add(ReportBlock::Kind::kChart).chart = std::move(plan);
    }
  }
}

// A chart of 10-minute values of one or more groups (a standard each) with their upper limits.
void ContentBuilder::LimitChart(const std::vector<std::string>& groups, const QString& title,
                                const QString& valueLabel, const QString& limitWord) {
  ChartPlan plan;
  plan.kind = ChartPlan::Kind::kTime;
  plan.title = title;
  plan.valueLabel = valueLabel;
  plan.fromZero = true;
  // Each distinct limit once, with the standards (and Table 2 rows) that set it.
  std::vector<std::pair<double, QStringList>> limits;
  for (const std::string& group : groups) {
    for (const RowSet* set : Sets(group)) {
      const Criterion& c = *set->rows.front();
      const assess::Series* series = m_result.FindSeries(c.seriesKey);
      if (!series || c.bands.empty()) continue;
      if (std::none_of(plan.lines.begin(), plan.lines.end(),
                       [&](const ChartLine& l) { return l.series == series; })) {
        plan.lines.push_back({c.phase.empty() ? Capitalized(Q(c.quantity)) : PhaseLabel(c.phase),
                              series, PhaseColor(c.phase)});
        plan.gapSeconds = GapSeconds(*series);
      }
      QString by = StandardShortName(c.standard);
      if (m_result.currentBasis && c.standard == "ieee519" && group == "ieee519.current.tdd")
        by = QStringLiteral("Table 2 row ") + Typeset(m_result.currentBasis->row);
      const double limit = UpperLimit(c);
      auto it = std::find_if(limits.begin(), limits.end(),
                             [&](const auto& l) { return l.first == limit; });
      if (it == limits.end()) it = limits.insert(limits.end(), {limit, {}});
      if (!it->second.contains(by)) it->second.append(by);
    }
  }
  if (plan.lines.empty()) return;
  const QString unit = Q(plan.lines.front().series->unit);
  for (const auto& [limit, by] : limits)
    plan.limits.push_back(
        {QStringLiteral("%1 %2 (%3)")
             .arg(limitWord, Number(limit) + " " + unit, by.join(QStringLiteral("; "))),
         -INFINITY, limit, false, kLimitColor});
  Add(ReportBlock::Kind::kChart).chart = std::move(plan);
}

// Per phase, the 95th percentiles of the harmonics as bars with each harmonic's limit(s) as
// markers: voltages in % of the fundamental, currents in % of IL.
void ContentBuilder::HarmonicCharts(bool current) {
  struct MarkerGroup {
    const char* group;
    ChartMarker::Shape shape;
    QColor color;
  };
  const std::vector<MarkerGroup> groups =
      current
          ? std::vector<MarkerGroup>{{"ieee519.current.harmonic", ChartMarker::Shape::kDash,
                                      kLimitColor}}
          : std::vector<MarkerGroup>{
                {"en50160.harmonic", ChartMarker::Shape::kDash, kLimitColor},
                {"ieee519.voltage.harmonic", ChartMarker::Shape::kTriangle, QColor(230, 120, 0)}};
  for (const assess::HarmonicProfile& profile : m_result.harmonics) {
    if (profile.current != current) continue;
    ChartPlan plan;
    plan.kind = ChartPlan::Kind::kHarmonics;
    plan.title = QStringLiteral("Harmonic %1, %2: 95th percentiles of the 10-minute values")
                     .arg(current ? QStringLiteral("currents") : QStringLiteral("voltages"),
                          PhaseLabel(profile.phase));
    plan.valueLabel = current ? QStringLiteral("Harmonic current (% of IL)")
                              : QStringLiteral("Harmonic voltage (% of the fundamental)");
    plan.barName = QStringLiteral("95th percentile");
    plan.failedBarName = QStringLiteral("95th percentile above its limit");
    plan.barColor = SeriesColor(0);  // red is for the bars above their limits
    std::set<int> failed;
    int last = 0;
    for (const MarkerGroup& g : groups) {
      ChartMarker marker;
      marker.shape = g.shape;
      marker.color = g.color;
      for (const RowSet* set : Sets(g.group)) {
        if (set->phase != profile.phase) continue;
        for (const Criterion* c : set->rows) {
          if (!c->harmonic) continue;
          marker.name = (current ? QStringLiteral("limit, Table 2")
                                 : QStringLiteral("limit, ") + StandardShortName(c->standard));
          marker.limits.emplace_back(c->harmonic, UpperLimit(*c));
          last = std::max(last, c->harmonic);
          if (c->verdict == Verdict::kFail) failed.insert(c->harmonic);
        }
      }
      if (!marker.limits.empty()) plan.markers.push_back(std::move(marker));
    }
    if (plan.markers.empty()) continue;
    plan.firstHarmonic = kFirstHarmonic;
    plan.lastHarmonic = last;
    for (int h = plan.firstHarmonic; h <= last; ++h)
      plan.bars.push_back(
          {h, profile.p95[static_cast<size_t>(h - kFirstHarmonic)], failed.count(h) > 0});
    Add(ReportBlock::Kind::kChart).chart = std::move(plan);
  }
}

void ContentBuilder::CurrentBasis() {
  ReportTable table;
  table.headers = {QStringLiteral("Phase"), QStringLiteral("Isc"), QStringLiteral("IL"),
                   QStringLiteral("Isc/IL"), QStringLiteral("Table 2 row")};
  table.widths = {0.8, 1, 2.8, 0.9, 1.7};
  if (m_result.currentBasis) {
    const assess::CurrentBasis& b = *m_result.currentBasis;
    ReportCell il = Cell(Number(b.il) + QStringLiteral(" A"));
    il.detail = b.ilDerived ? QStringLiteral(
                                  "the largest 15-minute mean of the fundamental "
                                  "current, from ") +
                                  Time(*b.ilWindow)
                            : QStringLiteral("given");
    table.AddRow({Cell(PhaseName(b.ilPhase)), Cell(Number(b.isc) + QStringLiteral(" A")), il,
                  Cell(Number(b.ratio)), Cell(Typeset(b.row))});
  }
  Add(ReportBlock::Kind::kTable).table = std::move(table);
}

// The five current harmonics of each phase nearest to (or furthest above) their limits.
void ContentBuilder::WorstCurrentHarmonics() {
  ReportTable table;
  table.headers = {QStringLiteral("Phase"), QStringLiteral("Harmonic"),
                   QStringLiteral("95th percentile"), QStringLiteral("Limit"),
                   QStringLiteral("Verdict")};
  table.widths = {0.8, 0.9, 1.4, 1.2, 1.1};
  constexpr size_t kShown = 5;
  for (const RowSet* set : Sets("ieee519.current.harmonic")) {
    std::vector<const Criterion*> rows;
    for (const Criterion* c : set->rows)
      if (c->value && UpperLimit(*c) > 0) rows.push_back(c);
    std::stable_sort(rows.begin(), rows.end(), [](const Criterion* a, const Criterion* b) {
      return *a->value / UpperLimit(*a) > *b->value / UpperLimit(*b);
    });
    if (rows.size() > kShown) rows.resize(kShown);
    for (const Criterion* c : rows)
      table.AddRow({Cell(PhaseName(c->phase)), Cell(QString::number(c->harmonic)),
                    Cell(WithUnit(*c->value, c->unit), ToneOf(c->verdict)),
                    Cell(WithUnit(UpperLimit(*c), c->unit)), VerdictCell(c->verdict)});
  }
  if (table.rows.empty()) return;
  Paragraph(QStringLiteral("The current harmonics nearest to their limits, in % of IL:"));
  Add(ReportBlock::Kind::kTable).table = std::move(table);
}

// ---- 3. Informative values ----

void ContentBuilder::Informative() {
  Heading(QStringLiteral("Informative values"), QStringLiteral("informative"), true);
  Paragraph(QStringLiteral("Given for information; no limit applies."), true);
  ReportTable table;
  table.headers = {QStringLiteral("Quantity"), QStringLiteral("Value"),
                   QStringLiteral("How it was found")};
  table.widths = {1.8, 1.4, 4.6};
  for (const Criterion& c : m_result.criteria) {
    if (c.verdict != Verdict::kInfo && !(c.standard == "info" || c.standard == "nema")) continue;
    const QString name = Capitalized(Q(c.quantity));
    if (!c.value) {
      table.AddRow({Cell(name), Cell(QStringLiteral("-"), Tone::kMuted),
                    Cell(Typeset(std::string(assess::OwnNote(m_result, c))), Tone::kMuted)});
      continue;
    }
    ReportCell how = Cell(Typeset(std::string(assess::OwnNote(m_result, c))));
    how.detail = Typeset(c.statistic);
    ReportCell value = Cell(WithUnit(*c.value, c.unit));
    value.bold = true;
    table.AddRow({Cell(name), value, how});
  }
  Add(ReportBlock::Kind::kTable).table = std::move(table);
  if (const Criterion* demand = m_result.FindCriterion("info.demand")) {
    if (const assess::Series* series = m_result.FindSeries(demand->seriesKey)) {
      ChartPlan plan;
      plan.kind = ChartPlan::Kind::kTime;
      plan.title = QStringLiteral("Active power, 15-minute means");
      plan.valueLabel = QStringLiteral("Power (%1)").arg(Q(series->unit));
      plan.lines.push_back({QStringLiteral("total active power"), series, SeriesColor(0)});
      plan.gapSeconds = GapSeconds(*series);
      Add(ReportBlock::Kind::kChart).chart = std::move(plan);
    }
  }
}

// ---- 4. Method ----

void ContentBuilder::Method() {
  Heading(QStringLiteral("Method"), QStringLiteral("method"), true);
  MethodAggregation();
  MethodSources();
  MethodNotAssessed();
  MethodHarmonicLimits();
  MethodStandards();
}

void ContentBuilder::MethodAggregation() {
  const long long minutes = assess::kWindowSeconds / 60;
  const long long demandMinutes = assess::kDemandSeconds / 60;
  Add(ReportBlock::Kind::kSubheading, QStringLiteral("Aggregation and statistics"));
  Paragraph(QStringLiteral(
      "The logs are joined in time order. A record without a valid time stamp is left out, "
      "and so is a record whose time stamp equals one already taken (overlapping "
      "downloads); values that are no numbers are left out of every statistic."));
  Paragraph(QStringLiteral("Every quantity but the frequency is judged on %1-minute values: "
                           "windows aligned to the clock (00:00 to 00:%1, 00:%1 to 00:%2, ...), "
                           "each the square root of the mean of the squares of its valid values. "
                           "A log recorded every %1 minutes or slower gives one window per record. "
                           "The frequency is judged record by record. IL (when not given) and "
                           "the demand come from %3-minute means of windows aligned the same way.")
                .arg(minutes)
                .arg(2 * minutes)
                .arg(demandMinutes));
  Paragraph(QStringLiteral("The %1th percentile is taken by nearest rank: of n values sorted "
                           "in ascending order, element number ceil(%2 n), counted from 1. A "
                           "share within a band counts a value on the band's edge as inside.")
                .arg(assess::kPercentile)
                .arg(Number(assess::kPercentile / 100.0)));
  Paragraph(QStringLiteral("The survey fails when any criterion fails, and passes when none "
                           "fails and at least one passed. The standards judge a week; a survey "
                           "shorter than %1 days still gets verdicts, marked as indicative.")
                .arg(assess::kWeekSeconds / 86400));
}

// Where each quantity comes from: a row per quantity and its columns, across standards.
void ContentBuilder::MethodSources() {
  Add(ReportBlock::Kind::kSubheading, QStringLiteral("Where each quantity comes from"));
  ReportTable sources;
  sources.headers = {QStringLiteral("Criterion"), QStringLiteral("Phases"),
                     QStringLiteral("Computed from")};
  sources.widths = {1.9, 0.8, 5.1};
  struct Source {
    QString title, note;
    QStringList phases, standards;
  };
  std::vector<Source> seen;
  for (const RowSet& set : m_sets) {
    const Criterion& c = *set.rows.front();
    if (c.verdict == Verdict::kNotAssessed) continue;
    const GroupInfo* info = SummaryGroup(set.group);
    const QString title = info ? QString::fromLatin1(info->title) : Capitalized(Q(c.quantity));
    const QString note = Typeset(std::string(assess::OwnNote(m_result, c)));
    const QString phase = PhaseName(set.phase);
    // The same quantity from the same columns under two standards: one row.
    auto it = std::find_if(seen.begin(), seen.end(),
                           [&](const Source& s) { return s.title == title && s.note == note; });
    if (it == seen.end()) it = seen.insert(seen.end(), {title, note, {}, {}});
    if (!phase.isEmpty() && !it->phases.contains(phase)) it->phases.append(phase);
    if (!it->standards.contains(StandardShortName(c.standard)) && SummaryGroup(set.group))
      it->standards.append(StandardShortName(c.standard));
  }
  for (const Source& source : seen)
    sources.AddRow(
        {Cell(source.standards.isEmpty()
                  ? source.title
                  : source.title + " (" + source.standards.join(QStringLiteral(", ")) + ")"),
         Cell(source.phases.join(QStringLiteral(", "))), Cell(source.note)});
  Add(ReportBlock::Kind::kTable).table = std::move(sources);
}

// What was not assessed, and why: phases not assessed for one reason share a row.
void ContentBuilder::MethodNotAssessed() {
  ReportTable missing;
  missing.headers = {QStringLiteral("Criterion"), QStringLiteral("Phase"),
                     QStringLiteral("Why it was not assessed")};
  missing.widths = {2.3, 0.7, 4.8};
  for (const Criterion& c : m_result.criteria) {
    if (c.verdict != Verdict::kNotAssessed) continue;
    std::vector<ReportCell> row = {
        Cell(Capitalized(Q(c.quantity)) + " (" + StandardShortName(c.standard) + ")"),
        Cell(PhaseName(c.phase)), Cell(Typeset(std::string(assess::OwnNote(m_result, c))))};
    if (!missing.rows.empty() && missing.rows.back()[0].text == row[0].text &&
        missing.rows.back()[2].text == row[2].text) {
      missing.rows.back()[1].text += QStringLiteral(", ") + row[1].text;
      continue;
    }
    missing.AddRow(std::move(row));
  }
  if (!missing.rows.empty()) {
    Add(ReportBlock::Kind::kSubheading, QStringLiteral("What was not assessed, and why"));
    Add(ReportBlock::Kind::kTable).table = std::move(missing);
  }
}

// EN 50160's limits of the harmonic voltages, where they were judged.
void ContentBuilder::MethodHarmonicLimits() {
  if (!Sets("en50160.harmonic").empty()) {
    Add(ReportBlock::Kind::kSubheading,
        QStringLiteral("EN 50160 limits of the harmonic voltages (% of the fundamental)"));
    ReportTable limits;
    constexpr int kPairs = 4;
    for (int p = 0; p < kPairs; ++p)
      limits.headers << QStringLiteral("h") << QStringLiteral("limit");
    limits.widths.assign(2 * kPairs, 1.0);
    const int count = assess::kLastEnHarmonic - kFirstHarmonic + 1;
    const int perColumn = (count + kPairs - 1) / kPairs;
    for (int r = 0; r < perColumn; ++r) {
      std::vector<ReportCell> row;
      for (int p = 0; p < kPairs; ++p) {
        const int h = kFirstHarmonic + p * perColumn + r;
        const bool in = h <= assess::kLastEnHarmonic;
        row.push_back(Cell(in ? QString::number(h) : QString()));
        row.push_back(Cell(in ? Number(assess::EnHarmonicLimit(h)) + " %" : QString()));
      }
      limits.AddRow(std::move(row));
    }
    Add(ReportBlock::Kind::kTable).table = std::move(limits);
  }
}

// The standards whose limits were applied, and the program that applied them.
void ContentBuilder::MethodStandards() {
  Add(ReportBlock::Kind::kSubheading, QStringLiteral("Standards and program"));
  QStringList standards;
  for (const char* standard : {"en50160", "ieee519", "nema"})
    if (std::any_of(m_result.criteria.begin(), m_result.criteria.end(),
                    [&](const Criterion& c) { return c.standard == standard; }))
      standards.append(StandardName(standard));
  Paragraph(QStringLiteral("Limits applied: ") + standards.join(QStringLiteral("; ")) + ".");
  Paragraph(QStringLiteral("Made by %1 from the logs listed in the summary; the SHA-256 of each "
                           "file identifies the file that was assessed.")
                .arg(ProgramNameAndVersion()));
}

}  // namespace

QString ProgramNameAndVersion() {
  return QStringLiteral("Meterlog2 %1.%2.%3.%4")
      .arg(METERLOG2_VERSION_MAJOR + 0)
      .arg(METERLOG2_VERSION_MINOR + 0)
      .arg(METERLOG2_VERSION_PATCH + 0)
      .arg(METERLOG2_VERSION_TWEAK + 0);
}

ReportDocument BuildReportDocument(const AssessmentResult& result, const ReportOptions& options) {
  return ContentBuilder(result, options).Build();
}

QColor ToneColor(Tone tone) {
  switch (tone) {
    case Tone::kPass:
      return QColor(25, 135, 84);
    case Tone::kFail:
      return QColor(200, 35, 51);
    case Tone::kMuted:
      return QColor(120, 124, 130);
    case Tone::kInfo:
      return QColor(13, 110, 253);
    case Tone::kNormal:
      break;
  }
  return kInkColor;
}
