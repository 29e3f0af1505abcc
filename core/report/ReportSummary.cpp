// The report's first pages: the overall verdict, what it was judged on (the inputs, the coverage
// of each week, the gaps and interruptions), what was not judged and why, the result's notes, the
// logs, a verdict per group and the criteria that fail.

#include <algorithm>

#include "ReportSections.h"
#include "ReportText.h"
#include "assess/AssessLimits.h"
#include "assess/AssessmentWriters.h"
#include "file/PathText.h"
#include "log/LogTypes.h"

using assess::Criterion;
using assess::Verdict;
using namespace report_text;

namespace {

// A sentence of the result ("the records suggest 240 V") as a reader's sentence.
QString Sentence(const std::string& text) {
  QString s = Capitalized(Typeset(text));
  if (!s.endsWith(QLatin1Char('.'))) s += QLatin1Char('.');
  return s;
}

// A table of two columns: what, and its value.
class FactTable {
 public:
  FactTable() { m_table.widths = {1, 3.2}; }
  void Add(const QString& name, ReportCell value) {
    m_table.AddRow({BoldCell(name), std::move(value)});
  }
  void Add(const QString& name, const QString& value, Tone tone = Tone::kNormal) {
    Add(name, Cell(value, tone));
  }
  ReportTable Take() { return std::move(m_table); }

 private:
  ReportTable m_table;
};

// "A and B", "A; B; and C": the names hold commas of their own.
QString JoinedNames(const QStringList& names) {
  if (names.size() < 3) return names.join(QStringLiteral(" and "));
  return names.mid(0, names.size() - 1).join(QStringLiteral("; ")) + QStringLiteral("; and ") +
         names.back();
}

void Title(ReportWriter& w) {
  ReportBlock& title = w.Add(ReportBlock::Kind::kTitle, w.Doc().title);
  title.subtitle = w.Doc().site;
  title.anchor = QStringLiteral("summary");
  QStringList standards;
  const assess::StandardSet& set = w.Survey().standards;
  for (const auto& [on, id] : {std::pair{set.en50160, assess::Standard::kEn50160},
                               std::pair{set.ieee519, assess::Standard::kIeee519},
                               std::pair{set.ansiC84, assess::Standard::kAnsiC84_1}})
    if (on) standards.append(StandardName(assess::StandardKey(id)));
  w.Paragraph(
      QStringLiteral("This report judges the supply against %1, from %2 of a 57x power analyzer.")
          .arg(JoinedNames(standards), Plural(w.Survey().files.size(), "log", "logs")));
}

void OverallVerdict(ReportWriter& w) {
  const assess::AssessmentResult& r = w.Result();
  ReportBlock& block = w.Add(ReportBlock::Kind::kVerdict);
  block.verdict = VerdictWord(r.verdict);
  block.tone = ToneOf(r.verdict);
  const QString sentence = Q(assess::VerdictSentence(r));
  block.text = r.verdict == Verdict::kPass || r.verdict == Verdict::kFail
                   ? QStringLiteral("The supply ") + sentence + "."
                   : Capitalized(sentence) + ".";
  if (r.indicative) block.subtitle = Sentence(r.indicativeNote);
}

QString StandardsText(const assess::SurveyFacts& s) {
  QStringList names;
  for (const auto& [on, name] : {std::pair{s.standards.en50160, assess::kEnEdition},
                                 std::pair{s.standards.ieee519, assess::kIeeeEdition},
                                 std::pair{s.standards.ansiC84, assess::kAnsiEdition}})
    if (on) names.append(QString::fromLatin1(name));
  QString text = names.join(QStringLiteral(", "));
  if (s.standardsChosen) return text + QStringLiteral(", as chosen");
  return text + (s.nominalFrequency ? QStringLiteral(", chosen by the nominal frequency (%1 Hz)")
                                          .arg(Number(*s.nominalFrequency))
                                    : QStringLiteral(", since the nominal frequency is not known"));
}

void CurrentInputs(ReportWriter& w, FactTable& facts) {
  const assess::AssessmentResult& r = w.Result();
  if (!r.currentBasis) {
    if (std::any_of(r.criteria.begin(), r.criteria.end(),
                    [](const Criterion& c) { return c.missingInput == "isc"; }))
      facts.Add(QStringLiteral("Short-circuit current Isc"),
                QStringLiteral("not declared: IEEE 519's current limits depend on it and were "
                               "not assessed"),
                Tone::kWarn);
    return;
  }
  const assess::CurrentBasis& b = *r.currentBasis;
  facts.Add(QStringLiteral("Short-circuit current Isc"),
            Number(b.isc) + QStringLiteral(" A, declared"));
  QString il = Number(b.il) + QStringLiteral(" A, ");
  if (b.ilDerived && b.ilWindow)
    il += QStringLiteral(
              "the largest 15-minute mean of the fundamental current over all phases "
              "(%1, from %2)")
              .arg(PhaseLabel(b.ilPhase), Minutes(*b.ilWindow));
  else
    il += QStringLiteral("declared");
  facts.Add(QStringLiteral("Load current IL"), il);
  facts.Add(
      QStringLiteral("IEEE 519 current limits"),
      QStringLiteral("Isc/IL = %1: %2, row %3").arg(Number(b.ratio), Q(b.table), Typeset(b.row)));
}

void Inputs(ReportWriter& w) {
  const assess::SurveyFacts& s = w.Survey();
  w.Subheading(QStringLiteral("What the verdicts rest on"));
  FactTable facts;
  const bool delta = s.connection == assess::Connection::kDelta;
  if (s.nominalVoltage) {
    facts.Add(
        QStringLiteral("Nominal voltage Un"),
        Number(*s.nominalVoltage) + QStringLiteral(" V, declared (") +
            (delta ? QStringLiteral("between phases)") : QStringLiteral("phase to neutral)")));
  } else {
    QString text = QStringLiteral("not declared");
    if (s.nominalVoltageSuggested)
      text += QStringLiteral(" (the records suggest %1 V)").arg(Number(*s.nominalVoltageSuggested));
    facts.Add(QStringLiteral("Nominal voltage Un"),
              text + QStringLiteral(": the criteria whose limits depend on Un were not assessed"),
              Tone::kWarn);
  }
  facts.Add(QStringLiteral("Connection"),
            QString::fromLatin1(assess::ConnectionText(s.connection)));
  if (s.systemVoltage && s.voltageClass)
    facts.Add(QStringLiteral("System voltage"),
              QStringLiteral("%1 V between phases: %2 (%3, %4)")
                  .arg(Number(*s.systemVoltage), QString::fromLatin1(ClassName(*s.voltageClass)),
                       QString::fromLatin1(ClassCode(*s.voltageClass)),
                       QString::fromLatin1(ClassRange(*s.voltageClass))));
  else
    facts.Add(QStringLiteral("System voltage"), QStringLiteral("not known without Un"),
              Tone::kWarn);
  facts.Add(QStringLiteral("Nominal frequency Fn"),
            s.nominalFrequency
                ? Number(*s.nominalFrequency) +
                      (s.nominalFrequencyInferred
                           ? QStringLiteral(" Hz, inferred from the median frequency")
                           : QStringLiteral(" Hz, declared"))
                : QStringLiteral("not known: nothing to infer it from"));
  facts.Add(QStringLiteral("Standards judged"), StandardsText(s));
  CurrentInputs(w, facts);
  w.Table(facts.Take());
}

void Coverage(ReportWriter& w) {
  const assess::SurveyFacts& s = w.Survey();
  w.Subheading(QStringLiteral("Coverage and gaps"));
  w.Paragraph(QStringLiteral("Coverage: ") + Q(assess::CoverageText(s)) +
              QStringLiteral(". A week needs %1 % of its %2 windows, or its verdicts are "
                             "indicative.")
                  .arg(Number(100 * assess::kCoverageRequired))
                  .arg(assess::kWindowsPerWeek));
  ReportTable table;
  table.headers = {QStringLiteral("Week"),     QStringLiteral("From"),
                   QStringLiteral("To"),       QStringLiteral("Windows with records"),
                   QStringLiteral("Expected"), QStringLiteral("Coverage")};
  table.widths = {0.8, 1.5, 1.5, 1.3, 1, 1.5};
  for (size_t i = 0; i < s.periods.size(); ++i) {
    const assess::Period& p = s.periods[i];
    const bool low = p.LowCoverage();
    ReportCell coverage =
        Cell(Q(assess::JudgedText(100 * p.Coverage())) + " %", low ? Tone::kWarn : Tone::kNormal);
    if (low)
      coverage.detail =
          QStringLiteral("below %1 %: indicative").arg(Number(100 * assess::kCoverageRequired));
    table.AddRow({Cell(QString::number(i + 1)), Cell(Minutes(p.start)), Cell(Minutes(p.end)),
                  Cell(Count(p.windows)), Cell(Count(p.expectedWindows)), coverage});
  }
  w.Table(std::move(table));
}

void Gaps(ReportWriter& w) {
  const assess::SurveyFacts& s = w.Survey();
  const QString what =
      QStringLiteral("Gaps (consecutive records further apart than %1 record intervals)")
          .arg(assess::kGapIntervals);
  if (s.gaps.empty()) {
    w.Paragraph(what + QStringLiteral(": none."));
    return;
  }
  w.Paragraph(what + QStringLiteral(": %1; the charts' lines break there.").arg(s.gaps.size()));
  ReportTable table;
  table.headers = {QStringLiteral("Last record before"), QStringLiteral("First record after"),
                   QStringLiteral("Length")};
  table.widths = {1.5, 1.5, 2};
  for (const assess::TimeSpan& gap : s.gaps)
    table.AddRow({Cell(Time(gap.start)), Cell(Time(gap.end)), Cell(Duration(gap.Seconds()))});
  w.Table(std::move(table));
}

void Interruptions(ReportWriter& w) {
  const assess::SurveyFacts& s = w.Survey();
  const QString what =
      QStringLiteral(
          "Long interruptions (records below %1 % of Un on every judged voltage, "
          "%2 or more)")
          .arg(Number(assess::kInterruptionPercent), Duration(assess::kLongInterruptionSeconds));
  const double interval = s.intervalS.value_or(0);
  if (!s.nominalVoltage) {
    w.Paragraph(what + QStringLiteral(": not looked for, since Un was not declared."));
  } else if (interval > assess::kInterruptionInterval) {
    w.Paragraph(what + QStringLiteral(": not looked for; the records are %1 s apart, and timing "
                                      "one needs records at most %2 s apart.")
                           .arg(Number(interval))
                           .arg(assess::kInterruptionInterval));
  } else if (s.interruptions.empty()) {
    w.Paragraph(what + QStringLiteral(": none found."));
  } else {
    w.Paragraph(what + QStringLiteral(": %1.").arg(s.interruptions.size()));
    ReportTable table;
    table.headers = {QStringLiteral("From"), QStringLiteral("To"), QStringLiteral("Length")};
    table.widths = {1.5, 1.5, 2};
    for (const assess::TimeSpan& t : s.interruptions)
      table.AddRow({Cell(Time(t.start)), Cell(Time(t.end)), Cell(Duration(t.Seconds()))});
    w.Table(std::move(table));
  }
  if (s.windowsLeftOut)
    w.Paragraph(QStringLiteral("%1 holding an interruption left out of the supply voltage's "
                               "statistics.")
                    .arg(Plural(s.windowsLeftOut, "10-minute window", "10-minute windows")));
}

// A row not assessed by the name of its group ("Supply voltage"), or by its own where that says
// more ("harmonic voltages 2 to 50" for a phase's harmonics).
QString NotAssessedName(const Criterion& c) {
  const char* title = GroupTitle(assess::CriterionGroup(c));
  if (!title || c.quantity.find(" to ") != std::string::npos) return Capitalized(Q(c.quantity));
  return QString::fromLatin1(title);
}

// Every criterion not assessed, and why: the phases of a row not assessed for one reason share
// a row.
void NotAssessed(ReportWriter& w) {
  const assess::AssessmentResult& r = w.Result();
  ReportTable table;
  table.headers = {QStringLiteral("Not assessed"), QStringLiteral("Phase"), QStringLiteral("Why")};
  table.widths = {2.3, 0.7, 4.8};
  for (const Criterion& c : r.criteria) {
    if (c.verdict != Verdict::kNotAssessed) continue;
    std::vector<ReportCell> row = {
        Cell(NotAssessedName(c) + " (" + StandardShortName(c.standard) + ")"),
        Cell(PhaseName(c.phase)),
        Cell(Typeset(std::string(assess::OwnNote(r, c))),
             c.missingInput.empty() ? Tone::kNormal : Tone::kWarn)};
    auto same = std::find_if(table.rows.begin(), table.rows.end(), [&](const auto& other) {
      return other[0].text == row[0].text && other[2].text == row[2].text;
    });
    if (same == table.rows.end())
      table.AddRow(std::move(row));
    else
      (*same)[1].text += QStringLiteral(", ") + row[1].text;
  }
  if (table.rows.empty()) return;
  w.Subheading(QStringLiteral("What was not assessed, and why"));
  w.Table(std::move(table));
}

void Notes(ReportWriter& w) {
  if (w.Result().notes.empty()) return;
  w.Subheading(QStringLiteral("Notes"));
  for (const std::string& note : w.Result().notes) w.Paragraph(Sentence(note));
}

void SurveyFacts(ReportWriter& w) {
  const assess::SurveyFacts& s = w.Survey();
  FactTable facts;
  facts.Add(QStringLiteral("Period"),
            w.Doc().period.isEmpty() ? QStringLiteral("no valid time stamp") : w.Doc().period);
  facts.Add(QStringLiteral("Duration"),
            Q(assess::DurationText(s.durationS)) +
                QStringLiteral(" (the first to the last record, plus one record interval)"));
  if (s.intervalS)
    facts.Add(QStringLiteral("Record interval"),
              Number(*s.intervalS) + QStringLiteral(" s (the median spacing of the records)"));
  facts.Add(QStringLiteral("Log type"), Q(s.logTypeName));
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
  facts.Add(QStringLiteral("Records"), records);
  w.Table(facts.Take());
}

void Files(ReportWriter& w) {
  ReportTable table;
  table.headers = {QStringLiteral("Log file"), QStringLiteral("Type"), QStringLiteral("Records"),
                   QStringLiteral("First record"), QStringLiteral("Last record")};
  table.widths = {3.2, 1.6, 1.3, 1.35, 1.35};
  for (const assess::SurveyFile& f : w.Survey().files) {
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
  w.Table(std::move(table));
}

}  // namespace

void WriteSummary(ReportWriter& w) {
  Title(w);
  OverallVerdict(w);
  Inputs(w);
  Coverage(w);
  Gaps(w);
  Interruptions(w);
  NotAssessed(w);
  Notes(w);
  w.Subheading(QStringLiteral("The survey"));
  SurveyFacts(w);
  Files(w);
  w.Subheading(QStringLiteral("Verdicts by group"));
  WriteVerdictTable(w);
  WriteFailures(w);
}
