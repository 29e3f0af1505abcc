// The report's last sections: the informative values, and the method (what a record is taken to
// hold, the class and rows used, the periods, the resolution of a comparison, coverage, gaps,
// interruptions, where each quantity comes from, the limits applied). The numbers of the method
// are the assessment's own constants (AssessLimits.h).

#include <algorithm>

#include "ReportContent.h"
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

bool Informative(const Criterion& c) {
  return c.verdict == Verdict::kInfo ||
         c.standard == assess::StandardKey(assess::Standard::kInfo) ||
         c.standard == assess::StandardKey(assess::Standard::kNema);
}

void InformativeTable(ReportWriter& w) {
  const assess::AssessmentResult& r = w.Result();
  ReportTable table;
  table.headers = {"Quantity"s, "Value"s, "How it was found"s};
  table.widths = {1.8, 1.4, 4.6};
  for (const Criterion& c : r.criteria) {
    if (!Informative(c)) continue;
    const std::string name = Capitalized(c.quantity);
    if (!c.value) {
      table.AddRow({Cell(name), Cell("-"s, Tone::kMuted),
                    Cell(Typeset(std::string(assess::OwnNote(r, c))), Tone::kMuted)});
      continue;
    }
    ReportCell how = Cell(Typeset(std::string(assess::OwnNote(r, c))));
    how.detail = Typeset(c.statistic);
    table.AddRow({Cell(name), BoldCell(CriterionValue(c, *c.value)), how});
  }
  w.Table(std::move(table));
}

// A chart of informative series: no limit applies.
void InformativeChart(ReportWriter& w, const std::vector<std::string>& ids,
                      const std::string& title, const std::string& label) {
  ChartPlan plan;
  plan.kind = ChartPlan::Kind::kTime;
  plan.title = title;
  for (const assess::TimeSpan& gap : w.Survey().gaps) plan.gaps.emplace_back(gap.start, gap.end);
  for (const std::string& id : ids) {
    const Criterion* c = w.Result().FindCriterion(id);
    const assess::Series* series = c ? w.Result().FindSeries(c->seriesKey) : nullptr;
    if (!series || c->verdict != Verdict::kInfo) continue;
    plan.valueLabel = Fill("%1 (%2)", {label, UnitSymbol(series->unit)});
    plan.lines.push_back({Capitalized(c->quantity), series, table::SeriesRgb(plan.lines.size())});
    plan.gapSeconds = std::max({plan.gapSeconds, static_cast<double>(series->windowSeconds),
                                assess::kGapIntervals * w.Survey().intervalS.value_or(0)});
  }
  if (!plan.lines.empty()) w.Chart(std::move(plan));
}

void Paragraphs(ReportWriter& w, std::initializer_list<std::string> paragraphs) {
  for (const std::string& p : paragraphs) w.Paragraph(p);
}

void MethodRecords(ReportWriter& w) {
  w.Subheading("Records, windows and periods"s);
  const long long minutes = assess::kWindowSeconds / 60;
  const std::string start = w.Survey().periods.empty() ? "the survey's first 10-minute window"s
                                                       : Minutes(w.Survey().periods.front().start);
  Paragraphs(
      w,
      {
          "A record is taken to hold a reading at its time stamp (the instrument's clock), as "
          "the logs say nothing otherwise. The logs are joined in time order; a record without "
          "a valid time stamp is left out, and so is one whose time stamp equals one already "
          "taken (overlapping downloads). Values that are no numbers are left out of every "
          "statistic. The instrument's measurement uncertainty is not in the log: the values "
          "are "
          "judged as recorded, without a margin for it."s,
          Fill("The weekly statistics are taken of %1-minute values: windows aligned to the clock "
               "(00:00 to 00:%1, ...), each the square root of the mean of the squares of its "
               "valid values. The frequency and IEEE 519's daily statistics are taken of the "
               "records themselves. IL (when not given) and the demand come from %2-minute means "
               "aligned the same way.",
               {minutes, assess::kDemandSeconds / 60}),
          Fill("Each week is a 7-day period from the survey's first 10-minute window (%1); the "
               "weekly statistics are taken for each, and IEEE 519's daily statistics for each "
               "24-hour period from the same start. A criterion's value and verdict are those of "
               "its "
               "worst period. IEEE 519's very-short-time values are 3-second values; where the "
               "records "
               "are further apart than %2 s they stand in for them, and the daily rows are "
               "indicative.",
               {start, assess::kVeryShortSeconds}),
          Fill("The %1th and %2th percentiles are taken by nearest rank: of n values in "
               "ascending order, element number ceil(p n / 100), counted from 1.",
               {assess::kPercentile, assess::kHighPercentile}),
      });
}

void MethodJudging(ReportWriter& w) {
  w.Subheading("Coverage, gaps, interruptions and comparisons"s);
  const std::string required = Number(100 * assess::kCoverageRequired);
  Paragraphs(
      w,
      {
          Fill(
              "A period's coverage is the share of its 10-minute windows that hold a record (%1 in "
              "a week, %2 in a day). A week (or, for a daily statistic, a day) with less than %3 % "
              "makes the result indicative, as records further apart than %4 minutes do.",
              {assess::kWindowsPerWeek, assess::kWindowsPerDay, required,
               assess::kCoarsestInterval / 60}),
          Fill("Consecutive records further apart than %1 median record intervals are a "
               "gap: the gaps are listed on the first page, and the charts' lines break "
               "there.",
               {assess::kGapIntervals}),
          Fill("Records below %1 % of Un on every judged voltage are an interruption, "
               "and %2 or more "
               "of them in a row a long interruption; long interruptions are timed only "
               "with records "
               "at most %3 s apart. A 10-minute window that holds an interruption is "
               "left out of the "
               "supply voltage's statistics.",
               {Number(assess::kInterruptionPercent), Duration(assess::kLongInterruptionSeconds),
                assess::kInterruptionInterval}),
          Fill("A value is compared with its limit at a resolution of %1 (of a %, V or Hz): both "
               "rounded to the nearest %1, half away from zero. A value at its limit passes. The "
               "report shows judged values at that resolution, so a failing value visibly exceeds "
               "its limit.",
               {Number(assess::kResolution)}),
          "The survey fails when any criterion fails. It is incomplete when none fails but a "
          "criterion the logs could support was not judged for want of a declared input (Un or "
          "Isc), or none was judged; otherwise it passes."s,
      });
}

// The inputs, the voltage class and every source of a limit the criteria name (the standard,
// its edition, class, table and row).
void MethodLimits(ReportWriter& w) {
  const assess::AssessmentResult& r = w.Result();
  w.Subheading("Classes, tables and rows applied"s);
  w.Paragraph(assess::InputsText(r.survey) + ".");
  if (r.currentBasis)
    w.Paragraph(
        Fill("IEEE 519's current limits: %1, row %2 (Isc/IL = %3).",
             {r.currentBasis->table, Typeset(r.currentBasis->row), Number(r.currentBasis->ratio)}));
  ReportTable table;
  table.headers = {"Criterion"s, "Limit, with the class or row"s};
  table.widths = {2, 5.8};
  std::string group;
  for (const RowSet& set : w.Groups().Sets()) {
    const Criterion* c = set.Worst();
    if (!c || set.group == group) continue;
    group = set.group;
    std::string limit = Typeset(c->limit);
    if (set.Harmonics())
      limit =
          Fill("each harmonic against its own limit, for example harmonic %1: ", {c->harmonic}) +
          limit;
    table.AddRow({Cell(set.Title() + " (" + StandardShortName(set.standard) + ")"), Cell(limit)});
  }
  if (!table.rows.empty()) w.Table(std::move(table));
}

// Where each quantity comes from: a row per quantity and its columns, across standards.
void MethodSources(ReportWriter& w) {
  w.Subheading("Where each quantity comes from"s);
  ReportTable sources;
  sources.headers = {"Criterion"s, "Phases"s, "Computed from"s};
  sources.widths = {1.9, 0.8, 5.1};
  struct Source {
    std::string title, note;
    Strings phases;
  };
  std::vector<Source> seen;
  for (const RowSet& set : w.Groups().Sets()) {
    const Criterion* c = set.Worst();
    if (!c) continue;
    const std::string title = set.Title() + " (" + StandardShortName(set.standard) + ")";
    const std::string note = Typeset(std::string(assess::OwnNote(w.Result(), *c)));
    auto it = std::find_if(seen.begin(), seen.end(),
                           [&](const Source& s) { return s.title == title && s.note == note; });
    if (it == seen.end()) it = seen.insert(seen.end(), {title, note, {}});
    if (!set.phase.empty()) it->phases.push_back(PhaseName(set.phase));
  }
  for (const Source& source : seen)
    sources.AddRow({Cell(source.title), Cell(Join(source.phases, ", ")), Cell(source.note)});
  if (sources.rows.empty())
    w.Paragraph("No criterion was judged."s);
  else
    w.Table(std::move(sources));
}

// EN 50160's limits of the harmonic voltages, where they were judged.
void MethodHarmonicLimits(ReportWriter& w) {
  const auto sets = w.Groups().Sets(assess::GroupText(assess::Rule::kEnHarmonic));
  if (std::none_of(sets.begin(), sets.end(), [](const RowSet* s) { return s->Judged(); })) return;
  w.Subheading("EN 50160 limits of the harmonic voltages (% of the fundamental)"s);
  ReportTable limits;
  constexpr int kPairs = 4;
  for (int p = 0; p < kPairs; ++p) limits.headers.insert(limits.headers.end(), {"h", "limit"});
  limits.widths.assign(2 * kPairs, 1.0);
  const int count = assess::kLastEnHarmonic - kFirstHarmonic + 1;
  const int perColumn = (count + kPairs - 1) / kPairs;
  for (int r = 0; r < perColumn; ++r) {
    std::vector<ReportCell> row;
    for (int p = 0; p < kPairs; ++p) {
      const int h = kFirstHarmonic + p * perColumn + r;
      const bool in = h <= assess::kLastEnHarmonic;
      row.push_back(Cell(in ? std::to_string(h) : std::string()));
      row.push_back(Cell(in ? Number(assess::EnHarmonicLimit(h)) + " %" : std::string()));
    }
    limits.AddRow(std::move(row));
  }
  w.Table(std::move(limits));
}

// The standards whose limits were applied, and the program that applied them.
void MethodStandards(ReportWriter& w) {
  w.Subheading("Standards and program"s);
  Strings standards = ChosenStandardNames(w.Survey().standards);
  const std::string nema = assess::StandardKey(assess::Standard::kNema);
  const auto& criteria = w.Result().criteria;
  if (std::any_of(criteria.begin(), criteria.end(),
                  [&](const Criterion& c) { return c.standard == nema; }))
    standards.push_back(StandardName(nema));
  w.Paragraph("Limits applied: "s + Join(standards, "; "s) + ".");
  w.Paragraph(
      Fill("Made by %1 from the logs listed in the summary; the SHA-256 of each "
           "file identifies the file that was assessed.",
           {ProgramNameAndVersion()}));
}

}  // namespace

void WriteInformative(ReportWriter& w) {
  w.Heading("Informative values"s, "informative"s, true);
  w.Paragraph("Given for information; no limit applies."s);
  InformativeTable(w);
  InformativeChart(
      w, {assess::IdText({assess::Rule::kNemaLvur}), assess::IdText({assess::Rule::kInfoPvur})},
      "Voltage unbalance rates, 10-minute values"s, "Unbalance"s);
  InformativeChart(w, {assess::IdText({assess::Rule::kInfoDemand})},
                   "Active power, 15-minute means"s, "Power"s);
}

void WriteMethod(ReportWriter& w) {
  w.Heading("Method"s, "method"s, true);
  MethodRecords(w);
  MethodJudging(w);
  MethodLimits(w);
  MethodSources(w);
  MethodHarmonicLimits(w);
  MethodStandards(w);
}

}  // namespace meterlog2::report
