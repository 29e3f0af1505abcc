// The summary's verdicts: a row per group and phase judged (a phase's harmonics in one row, with
// the worst of them), and the criteria that fail with the periods they fail in.

#include <algorithm>
#include <set>

#include "ReportSections.h"
#include "ReportText.h"
#include "assess/AssessmentWriters.h"

namespace meterlog2::report {

using namespace std::string_literals;
using assess::Criterion;
using assess::Verdict;
using namespace text;

namespace {

// The failures listed one by one; the group rows count the rest.
constexpr size_t kFailuresListed = 60;

std::string WorstPeriodNote(const Criterion& c) {
  const int worst = assess::WorstPeriodIndex(c);
  if (c.periods.size() < 2 || worst < 0) return {};
  return "worst: "s + PeriodLabel(c, static_cast<size_t>(worst));
}

void HarmonicsResult(const RowSet& set, ReportCell& result, ReportCell& limit) {
  const Criterion* worst = set.Worst();
  size_t judged = 0, failed = 0;
  std::set<double> limits;
  for (const Criterion* c : set.rows) {
    if (c->verdict != Verdict::kPass && c->verdict != Verdict::kFail) continue;
    ++judged;
    failed += c->verdict == Verdict::kFail;
    limits.insert(UpperLimit(*c));
  }
  result.text =
      Fill("worst: harmonic %1 at %2", {worst->harmonic, CriterionValue(*worst, *worst->value)});
  Strings detail = {Fill("its limit %1", {WithUnit(Number(UpperLimit(*worst)), worst->unit)}),
                    Fill("%1 of %2 fail", {failed, judged})};
  if (const std::string period = WorstPeriodNote(*worst); !period.empty()) detail.push_back(period);
  result.detail = Join(detail, "; "s);
  limit.text = Typeset(worst->limit);
  if (limits.size() > 1) limit.detail = "each harmonic against its own limit"s;
}

void SingleResult(const ReportWriter& w, const Criterion& c, ReportCell& result,
                  ReportCell& limit) {
  result.text = CriterionValue(c, *c.value);
  Strings detail;
  // A share of values in a band: what it counts, and the values' own range.
  const assess::Series* series = w.Result().FindSeries(c.seriesKey);
  if (series && series->unit != c.unit && c.min && c.max)
    detail.push_back(
        Typeset(c.statistic) +
        Fill("; from %1 to %2", {Number(*c.min), WithUnit(Number(*c.max), series->unit)}));
  if (const std::string period = WorstPeriodNote(c); !period.empty()) detail.push_back(period);
  result.detail = Join(detail, "; "s);
  limit.text = Typeset(c.limit);
}

std::vector<ReportCell> GroupRow(const ReportWriter& w, const RowSet& set) {
  ReportCell result, limit;
  if (!set.Worst())
    result =
        Cell(Typeset(std::string(assess::OwnNote(w.Result(), *set.rows.front()))), Tone::kMuted);
  else if (set.Harmonics())
    HarmonicsResult(set, result, limit);
  else
    SingleResult(w, *set.Worst(), result, limit);
  ReportCell verdict = VerdictCell(set.Overall());
  if (std::any_of(set.rows.begin(), set.rows.end(),
                  [](const Criterion* c) { return c->indicative; }))
    verdict.detail = "indicative"s;
  return {Cell(set.Title()), Cell(PhaseName(set.phase)), result, limit, verdict};
}

// The periods a criterion fails in, with their values: "week 1: 2 %", "day 3: 8 %; day 5:
// 7.6 %; and 4 more days".
std::string FailingPeriods(const Criterion& c) {
  constexpr size_t kShown = 4;
  Strings shown;
  size_t failing = 0;
  for (size_t i = 0; i < c.periods.size(); ++i) {
    const assess::PeriodResult& p = c.periods[i];
    if (p.verdict != Verdict::kFail || !p.value) continue;
    if (++failing <= kShown)
      shown.push_back(PeriodLabel(c, i) + ": " + CriterionValue(c, *p.value));
  }
  if (failing > kShown) shown.push_back(Fill("and %1 more", {failing - kShown}));
  return Join(shown, "; "s);
}

}  // namespace

void WriteVerdictTable(ReportWriter& w) {
  ReportTable table;
  table.headers = {"Criterion"s, "Phase"s, "Result"s, "Limit"s, "Verdict"s};
  table.widths = {1.55, 0.7, 2.35, 2.85, 1.02};
  std::string standard;
  for (const RowSet& set : w.Groups().Sets()) {
    if (!set.Judged()) continue;
    if (set.standard != standard) {
      standard = set.standard;
      table.AddRow({BoldCell(StandardName(standard))}, RowStyle::kGroup);
    }
    table.AddRow(GroupRow(w, set));
  }
  if (table.rows.empty()) {
    w.Paragraph("No criterion was judged: see what was not assessed, and why."s);
    return;
  }
  w.Table(std::move(table));
}

void WriteFailures(ReportWriter& w) {
  const assess::AssessmentResult& r = w.Result();
  ReportTable table;
  table.headers = {"Criterion"s, "Phase"s, "Worst value"s, "Limit"s, "Periods that fail"s};
  table.widths = {2.0, 0.7, 1.1, 3.2, 1.5};
  size_t failures = 0;
  for (size_t i : assess::FailuresFirst(r)) {
    const Criterion& c = r.criteria[i];
    if (c.verdict != Verdict::kFail) break;
    if (++failures > kFailuresListed) continue;
    ReportCell name = Cell(Capitalized(c.quantity));
    name.detail = c.id;
    ReportCell periods = Cell(FailingPeriods(c), Tone::kFail);
    periods.detail =
        "of "s + Plural(c.periods.size(),
                        c.idStatistic == assess::IdStatistic::kDaily99 ? "day" : "week",
                        c.idStatistic == assess::IdStatistic::kDaily99 ? "days" : "weeks");
    table.AddRow({name, Cell(PhaseName(c.phase)),
                  BoldCell(CriterionValue(c, *c.value), Tone::kFail), Cell(Typeset(c.limit)),
                  periods});
  }
  if (table.rows.empty()) return;
  w.Subheading("Criteria that fail"s);
  w.Table(std::move(table));
  if (failures > kFailuresListed)
    w.Paragraph(
        Fill("The first %1 of the %2 criteria that fail are listed; the rows "
             "of each group above count them all, and the assessment's CSV "
             "lists every one.",
             {kFailuresListed, failures}));
}

}  // namespace meterlog2::report
