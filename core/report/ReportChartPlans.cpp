// The report's charts as plans: each series a criterion was judged on, with the limits it was
// judged against drawn and named, lines broken at the survey's gaps; the harmonics' 95th
// percentiles as bars with each harmonic's limit as a marker.

#include <algorithm>
#include <set>

#include "ReportSections.h"
#include "ReportStyle.h"
#include "ReportText.h"
#include "assess/AssessLimits.h"
#include "assess/AssessmentWriters.h"
#include "plot/PlotColors.h"

using assess::Criterion;
using assess::Verdict;
using namespace report_text;

namespace {

// Where a limit comes from: the text in the last parentheses of the criterion's limit ("EN
// 50160:2010, low voltage, supply voltage variations"); the standard's name when there are none.
QString LimitSource(const Criterion& c) {
  const QString limit = Typeset(c.limit);
  const qsizetype open = limit.lastIndexOf(QStringLiteral(" ("));
  if (open < 0 || !limit.endsWith(QLatin1Char(')'))) return StandardShortName(c.standard);
  return limit.mid(open + 2, limit.size() - open - 3);
}

ChartPlan TimePlan(const ReportWriter& w, const QString& title, const QString& valueLabel) {
  ChartPlan plan;
  plan.kind = ChartPlan::Kind::kTime;
  plan.title = title;
  plan.valueLabel = valueLabel;
  for (const assess::TimeSpan& gap : w.Survey().gaps) plan.gaps.emplace_back(gap.start, gap.end);
  return plan;
}

// Consecutive values further apart than this have a gap between them: a window, or the gap of
// the survey's records (kGapIntervals record intervals), whichever is longer.
double GapSeconds(const ReportWriter& w, const assess::Series& series) {
  return std::max(static_cast<double>(series.windowSeconds),
                  assess::kGapIntervals * w.Survey().intervalS.value_or(0));
}

void AddLine(const ReportWriter& w, ChartPlan& plan, const QString& name,
             const assess::Series* series, const QColor& color) {
  plan.lines.push_back({name, series, color});
  plan.gapSeconds = std::max(plan.gapSeconds, GapSeconds(w, *series));
}

QString BandText(const assess::LimitBand& band, const QString& unit) {
  return QStringLiteral("%1: %2 to %3 %4")
      .arg(Q(band.label), Number(band.low), Number(band.high), unit);
}

struct BandChart {
  assess::Rule rule;
  const char* title;
  const char* label;
};

// The rows of a group judged against two bands, the phases with the same bands together.
std::vector<std::vector<const Criterion*>> SameBands(const ReportWriter& w,
                                                     const std::string& group) {
  std::vector<std::vector<const Criterion*>> charts;
  for (const RowSet* set : w.Groups().Sets(group)) {
    const Criterion* c = set->rows.front();
    if (!w.Result().FindSeries(c->seriesKey) || c->bands.size() < 2) continue;
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
  return charts;
}

// The frequency, the supply voltage and the service voltage with the band most values must stay
// in (shaded) and the band all must stay in (lines); the voltages without limits when Un was not
// declared.
void BandCharts(ReportWriter& w) {
  const BandChart kCharts[] = {
      {assess::Rule::kEnFrequency, "Power frequency, every record", "Frequency"},
      {assess::Rule::kEnVoltage, "Supply voltage, 10-minute values", "Voltage"},
      {assess::Rule::kAnsiVoltage, "Service voltage, 10-minute values", "Voltage"},
  };
  bool voltages = false;
  for (const BandChart& chart : kCharts) {
    for (const auto& rows : SameBands(w, assess::GroupText(chart.rule))) {
      const Criterion& first = *rows.front();
      const assess::Series* series = w.Result().FindSeries(first.seriesKey);
      const QString unit = Q(UnitSymbol(series->unit));
      ChartPlan plan =
          TimePlan(w, QString::fromLatin1(chart.title) + " (" + LimitSource(first) + ")",
                   QStringLiteral("%1 (%2)").arg(QString::fromLatin1(chart.label), unit));
      for (const Criterion* c : rows)
        AddLine(w, plan, c->phase.empty() ? QString::fromLatin1(chart.label) : PhaseLabel(c->phase),
                w.Result().FindSeries(c->seriesKey), w.Groups().PhaseColor(c->phase));
      plan.limits.push_back({BandText(first.bands[0], unit), first.bands[0].low,
                             first.bands[0].high, true, kBandColor});
      plan.limits.push_back({BandText(first.bands[1], unit), first.bands[1].low,
                             first.bands[1].high, false, kLimitColor});
      voltages = voltages || first.seriesKey != "frequency";
      w.Chart(std::move(plan));
    }
  }
  if (voltages) return;
  ChartPlan plan = TimePlan(w, QStringLiteral("Supply voltage, 10-minute values (not judged)"),
                            QStringLiteral("Voltage (V)"));
  for (const assess::Series& series : w.Result().series)
    if (series.key.rfind("voltage.", 0) == 0)
      AddLine(w, plan, PhaseLabel(series.phase), &series, w.Groups().PhaseColor(series.phase));
  if (!plan.lines.empty()) w.Chart(std::move(plan));
}

// "weekly 95th percentile", "weekly 99th percentile": what a limit line of a 10-minute series
// bounds.
QString StatisticName(const Criterion& c) {
  return c.idStatistic == assess::IdStatistic::kWeekly99 ? QStringLiteral("weekly 99th percentile")
                                                         : QStringLiteral("weekly 95th percentile");
}

// The 10-minute values of the groups' rows with each distinct upper limit as a line.
void LimitChart(ReportWriter& w, const std::vector<std::string>& groups, const QString& title,
                const QString& valueLabel) {
  ChartPlan plan = TimePlan(w, title, valueLabel);
  plan.fromZero = true;
  std::vector<std::pair<double, QString>> limits;
  QString source;
  for (const std::string& group : groups) {
    for (const RowSet* set : w.Groups().Sets(group)) {
      const Criterion& c = *set->rows.front();
      const assess::Series* series = w.Result().FindSeries(c.seriesKey);
      if (!series || c.bands.empty()) continue;
      if (std::none_of(plan.lines.begin(), plan.lines.end(),
                       [&](const ChartLine& l) { return l.series == series; }))
        AddLine(w, plan, c.phase.empty() ? Capitalized(Q(c.quantity)) : PhaseLabel(c.phase), series,
                w.Groups().PhaseColor(c.phase));
      if (source.isEmpty()) source = LimitSource(c);
      const QString name = QStringLiteral("limit of the %1: %2")
                               .arg(StatisticName(c), WithUnit(Number(UpperLimit(c)), c.unit));
      if (std::none_of(limits.begin(), limits.end(),
                       [&](const auto& l) { return l.second == name; }))
        limits.emplace_back(UpperLimit(c), name);
    }
  }
  if (plan.lines.empty()) return;
  plan.title += QStringLiteral(" (") + source + ")";
  for (const auto& [limit, name] : limits)
    plan.limits.push_back({name, -INFINITY, limit, false, kLimitColor});
  w.Chart(std::move(plan));
}

struct MarkerGroup {
  assess::Rule rule;
  ChartMarker::Shape shape;
  QColor color;
};

// A phase's markers of one group: each harmonic's limit; `failed` gathers the harmonics that fail.
ChartMarker Markers(const ReportWriter& w, const MarkerGroup& g, const std::string& phase,
                    std::set<int>& failed, int& last) {
  ChartMarker marker;
  marker.shape = g.shape;
  marker.color = g.color;
  for (const RowSet* set : w.Groups().Sets(assess::GroupText(g.rule))) {
    if (set->phase != phase) continue;
    for (const Criterion* c : set->rows) {
      if (!c->harmonic || c->bands.empty()) continue;
      marker.name = QStringLiteral("limit, ") + LimitSource(*c);
      marker.limits.emplace_back(c->harmonic, UpperLimit(*c));
      last = std::max(last, c->harmonic);
      if (c->verdict == Verdict::kFail) failed.insert(c->harmonic);
    }
  }
  return marker;
}

// Per phase, each harmonic's 95th percentile in its worst week as bars with the harmonic's
// limit(s) as markers: voltages in % of the fundamental, currents in % of IL.
void HarmonicCharts(ReportWriter& w, bool current) {
  const std::vector<MarkerGroup> groups =
      current ? std::vector<MarkerGroup>{{assess::Rule::kIeeeCurrentHarmonic,
                                          ChartMarker::Shape::kDash, kLimitColor}}
              : std::vector<MarkerGroup>{
                    {assess::Rule::kEnHarmonic, ChartMarker::Shape::kDash, kLimitColor},
                    {assess::Rule::kIeeeVoltageHarmonic, ChartMarker::Shape::kTriangle,
                     QColor(230, 120, 0)}};
  for (const assess::HarmonicProfile& profile : w.Result().harmonics) {
    if (profile.current != current) continue;
    ChartPlan plan;
    plan.kind = ChartPlan::Kind::kHarmonics;
    plan.title = QStringLiteral("Harmonic %1, %2: 95th percentiles of the worst week")
                     .arg(current ? QStringLiteral("currents") : QStringLiteral("voltages"),
                          PhaseLabel(profile.phase));
    plan.valueLabel = current ? QStringLiteral("Harmonic current (% of IL)")
                              : QStringLiteral("Harmonic voltage (% of the fundamental)");
    plan.barName = QStringLiteral("95th percentile");
    plan.failedBarName = QStringLiteral("95th percentile above its limit");
    plan.barColor = SeriesColor(0);  // red is for the bars above their limits
    std::set<int> failed;
    int last = 0;
    for (const MarkerGroup& g : groups)
      if (ChartMarker marker = Markers(w, g, profile.phase, failed, last); !marker.limits.empty())
        plan.markers.push_back(std::move(marker));
    if (plan.markers.empty()) continue;
    plan.firstHarmonic = kFirstHarmonic;
    plan.lastHarmonic = last;
    for (int h = plan.firstHarmonic; h <= last; ++h)
      plan.bars.push_back(
          {h, profile.p95[static_cast<size_t>(h - kFirstHarmonic)], failed.count(h) > 0});
    w.Chart(std::move(plan));
  }
}

// The current harmonics of each phase nearest to (or furthest beyond) their limits.
void WorstCurrentHarmonics(ReportWriter& w) {
  ReportTable table;
  table.headers = {QStringLiteral("Phase"), QStringLiteral("Harmonic"),
                   QStringLiteral("Worst week's 95th percentile"), QStringLiteral("Limit"),
                   QStringLiteral("Verdict")};
  table.widths = {0.8, 0.9, 1.6, 1.2, 1.1};
  constexpr size_t kShown = 5;
  for (const RowSet* set : w.Groups().Sets(assess::GroupText(assess::Rule::kIeeeCurrentHarmonic))) {
    std::vector<const Criterion*> rows;
    for (const Criterion* c : set->rows)
      if (c->value && c->excess) rows.push_back(c);
    std::stable_sort(rows.begin(), rows.end(), [](const Criterion* a, const Criterion* b) {
      return *a->excess > *b->excess;
    });
    if (rows.size() > kShown) rows.resize(kShown);
    for (const Criterion* c : rows)
      table.AddRow({Cell(PhaseName(c->phase)), Cell(QString::number(c->harmonic)),
                    Cell(CriterionValue(*c, *c->value), ToneOf(c->verdict)),
                    Cell(WithUnit(Number(UpperLimit(*c)), c->unit)), VerdictCell(c->verdict)});
  }
  if (table.rows.empty()) return;
  w.Paragraph(QStringLiteral("The current harmonics nearest to their limits, in % of IL:"));
  w.Table(std::move(table));
}

void CurrentCharts(ReportWriter& w) {
  const auto& basis = w.Result().currentBasis;
  if (!basis) return;
  w.Subheading(QStringLiteral("Current distortion (IEEE 519)"));
  w.Paragraph(QStringLiteral("Judged in % of IL = %1 A with Isc = %2 A (Isc/IL = %3): %4, row %5.")
                  .arg(Number(basis->il), Number(basis->isc), Number(basis->ratio), Q(basis->table),
                       Typeset(basis->row)));
  LimitChart(w,
             {assess::GroupText(assess::Rule::kIeeeTdd),
              assess::GroupText(assess::Rule::kIeeeTdd, assess::IdStatistic::kWeekly99)},
             QStringLiteral("Total demand distortion, 10-minute values"),
             QStringLiteral("TDD (% of IL)"));
  HarmonicCharts(w, true);
  WorstCurrentHarmonics(w);
}

}  // namespace

void WriteCharts(ReportWriter& w) {
  w.Heading(QStringLiteral("Charts"), QStringLiteral("charts"), true);
  w.Paragraph(
      QStringLiteral("Times are the instrument's clock. Each chart shows the values a "
                     "criterion was judged on, with every limit it names; a line breaks "
                     "where the records have a gap. A line with more values than fit side by "
                     "side across its chart is drawn as a band from its least to its greatest "
                     "value in each narrow slice of time."));
  const size_t before = w.Doc().blocks.size();
  BandCharts(w);
  LimitChart(w, {assess::GroupText(assess::Rule::kEnThd)},
             QStringLiteral("Voltage THD, 10-minute values"),
             QStringLiteral("THD (% of the fundamental)"));
  LimitChart(w, {assess::GroupText(assess::Rule::kIeeeVoltageThd)},
             QStringLiteral("Voltage THD, 10-minute values"),
             QStringLiteral("THD (% of the fundamental)"));
  LimitChart(w, {assess::GroupText(assess::Rule::kEnUnbalance)},
             QStringLiteral("Voltage unbalance u2, 10-minute values"),
             QStringLiteral("u2 (% of the positive sequence)"));
  HarmonicCharts(w, false);
  CurrentCharts(w);
  if (w.Doc().blocks.size() == before)
    w.Paragraph(
        QStringLiteral("No log records a quantity a criterion judges: there is nothing to "
                       "chart."));
}
