// The report's charts as plans: each series a criterion was judged on, with the limits it was
// judged against drawn and named, lines broken at the survey's gaps; the harmonics' 95th
// percentiles as bars with each harmonic's limit as a marker.

#include <algorithm>
#include <set>

#include "ReportSections.h"
#include "ReportText.h"
#include "assess/AssessLimits.h"
#include "assess/AssessmentWriters.h"

namespace meterlog2::report {

using namespace std::string_literals;
using assess::Criterion;
using assess::Verdict;
using namespace text;

namespace {

// Where a limit comes from: the text in the last parentheses of the criterion's limit ("EN
// 50160:2010, low voltage, supply voltage variations"); the standard's name when there are none.
std::string LimitSource(const Criterion& c) {
  const std::string limit = Typeset(c.limit);
  const size_t open = limit.rfind(" (");
  if (open == std::string::npos || !EndsWith(limit, ")")) return StandardShortName(c.standard);
  return limit.substr(open + 2, limit.size() - open - 3);
}

ChartPlan TimePlan(const ReportWriter& w, const std::string& title, const std::string& valueLabel) {
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

void AddLine(const ReportWriter& w, ChartPlan& plan, const std::string& name,
             const assess::Series* series, Rgb color) {
  plan.lines.push_back({name, series, color});
  plan.gapSeconds = std::max(plan.gapSeconds, GapSeconds(w, *series));
}

std::string BandText(const assess::LimitBand& band, const std::string& unit) {
  return Fill("%1: %2 to %3 %4", {band.label, Number(band.low), Number(band.high), unit});
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
      const std::string unit = UnitSymbol(series->unit);
      ChartPlan plan = TimePlan(w, std::string(chart.title) + " (" + LimitSource(first) + ")",
                                Fill("%1 (%2)", {std::string(chart.label), unit}));
      for (const Criterion* c : rows)
        AddLine(w, plan, c->phase.empty() ? std::string(chart.label) : PhaseLabel(c->phase),
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
  ChartPlan plan = TimePlan(w, "Supply voltage, 10-minute values (not judged)"s, "Voltage (V)"s);
  for (const assess::Series& series : w.Result().series)
    if (series.key.rfind("voltage.", 0) == 0)
      AddLine(w, plan, PhaseLabel(series.phase), &series, w.Groups().PhaseColor(series.phase));
  if (!plan.lines.empty()) w.Chart(std::move(plan));
}

// "weekly 95th percentile", "weekly 99th percentile": what a limit line of a 10-minute series
// bounds.
std::string StatisticName(const Criterion& c) {
  return c.idStatistic == assess::IdStatistic::kWeekly99 ? "weekly 99th percentile"s
                                                         : "weekly 95th percentile"s;
}

// The 10-minute values of the groups' rows with each distinct upper limit as a line.
void LimitChart(ReportWriter& w, const std::vector<std::string>& groups, const std::string& title,
                const std::string& valueLabel) {
  ChartPlan plan = TimePlan(w, title, valueLabel);
  plan.fromZero = true;
  std::vector<std::pair<double, std::string>> limits;
  std::string source;
  for (const std::string& group : groups) {
    for (const RowSet* set : w.Groups().Sets(group)) {
      const Criterion& c = *set->rows.front();
      const assess::Series* series = w.Result().FindSeries(c.seriesKey);
      if (!series || c.bands.empty()) continue;
      if (std::none_of(plan.lines.begin(), plan.lines.end(),
                       [&](const ChartLine& l) { return l.series == series; }))
        AddLine(w, plan, c.phase.empty() ? Capitalized(c.quantity) : PhaseLabel(c.phase), series,
                w.Groups().PhaseColor(c.phase));
      if (source.empty()) source = LimitSource(c);
      const std::string name =
          Fill("limit of the %1: %2", {StatisticName(c), WithUnit(Number(UpperLimit(c)), c.unit)});
      if (std::none_of(limits.begin(), limits.end(),
                       [&](const auto& l) { return l.second == name; }))
        limits.emplace_back(UpperLimit(c), name);
    }
  }
  if (plan.lines.empty()) return;
  plan.title += " ("s + source + ")";
  for (const auto& [limit, name] : limits)
    plan.limits.push_back({name, -INFINITY, limit, false, kLimitColor});
  w.Chart(std::move(plan));
}

struct MarkerGroup {
  assess::Rule rule;
  ChartMarker::Shape shape;
  Rgb color;
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
      marker.name = "limit, "s + LimitSource(*c);
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
                     Rgb{230, 120, 0}}};
  for (const assess::HarmonicProfile& profile : w.Result().harmonics) {
    if (profile.current != current) continue;
    ChartPlan plan;
    plan.kind = ChartPlan::Kind::kHarmonics;
    plan.title = Fill("Harmonic %1, %2: 95th percentiles of the worst week",
                      {current ? "currents"s : "voltages"s, PhaseLabel(profile.phase)});
    plan.valueLabel =
        current ? "Harmonic current (% of IL)"s : "Harmonic voltage (% of the fundamental)"s;
    plan.barName = "95th percentile"s;
    plan.failedBarName = "95th percentile above its limit"s;
    plan.barColor = table::SeriesRgb(0);  // red is for the bars above their limits
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
  table.headers = {"Phase"s, "Harmonic"s, "Worst week's 95th percentile"s, "Limit"s, "Verdict"s};
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
      table.AddRow({Cell(PhaseName(c->phase)), Cell(std::to_string(c->harmonic)),
                    Cell(CriterionValue(*c, *c->value), ToneOf(c->verdict)),
                    Cell(WithUnit(Number(UpperLimit(*c)), c->unit)), VerdictCell(c->verdict)});
  }
  if (table.rows.empty()) return;
  w.Paragraph("The current harmonics nearest to their limits, in % of IL:"s);
  w.Table(std::move(table));
}

void CurrentCharts(ReportWriter& w) {
  const auto& basis = w.Result().currentBasis;
  if (!basis) return;
  w.Subheading("Current distortion (IEEE 519)"s);
  w.Paragraph(Fill("Judged in % of IL = %1 A with Isc = %2 A (Isc/IL = %3): %4, row %5.",
                   {Number(basis->il), Number(basis->isc), Number(basis->ratio), basis->table,
                    Typeset(basis->row)}));
  LimitChart(w,
             {assess::GroupText(assess::Rule::kIeeeTdd),
              assess::GroupText(assess::Rule::kIeeeTdd, assess::IdStatistic::kWeekly99)},
             "Total demand distortion, 10-minute values"s, "TDD (% of IL)"s);
  HarmonicCharts(w, true);
  WorstCurrentHarmonics(w);
}

}  // namespace

void WriteCharts(ReportWriter& w) {
  w.Heading("Charts"s, "charts"s, true);
  w.Paragraph(
      "Times are the instrument's clock. Each chart shows the values a "
      "criterion was judged on, with every limit it names; a line breaks "
      "where the records have a gap. A line with more values than fit side by "
      "side across its chart is drawn as a band from its least to its greatest "
      "value in each narrow slice of time."s);
  const size_t before = w.Doc().blocks.size();
  BandCharts(w);
  LimitChart(w, {assess::GroupText(assess::Rule::kEnThd)}, "Voltage THD, 10-minute values"s,
             "THD (% of the fundamental)"s);
  LimitChart(w, {assess::GroupText(assess::Rule::kIeeeVoltageThd)},
             "Voltage THD, 10-minute values"s, "THD (% of the fundamental)"s);
  LimitChart(w, {assess::GroupText(assess::Rule::kEnUnbalance)},
             "Voltage unbalance u2, 10-minute values"s, "u2 (% of the positive sequence)"s);
  HarmonicCharts(w, false);
  CurrentCharts(w);
  if (w.Doc().blocks.size() == before)
    w.Paragraph(
        "No log records a quantity a criterion judges: there is nothing to "
        "chart."s);
}

}  // namespace meterlog2::report
