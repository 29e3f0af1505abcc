// Every judged group period by period: a table per group with a row per week (per day for
// IEEE 519's daily statistics) and a column per phase. A harmonic group's cell is the harmonic
// furthest beyond, or nearest to, its limit in that period. A long survey's tables keep the
// periods that matter: those in which a phase fails and each phase's worst.

#include <algorithm>
#include <set>

#include "ReportSections.h"
#include "ReportText.h"
#include "assess/AssessmentWriters.h"

namespace meterlog2::report {

using namespace std::string_literals;
using assess::Criterion;
using assess::PeriodResult;
using assess::Verdict;
using namespace text;

namespace {

// Up to this many periods a table shows every one.
constexpr size_t kAllPeriods = 35;

bool IsDaily(const RowSet& set) {
  return set.rows.front()->idStatistic == assess::IdStatistic::kDaily99;
}

ReportCell NoValues() {
  return Cell("no values"s, Tone::kMuted);
}

ReportCell SingleCell(const Criterion& c, size_t p) {
  if (p >= c.periods.size() || !c.periods[p].value) return NoValues();
  const PeriodResult& r = c.periods[p];
  ReportCell cell = Cell(CriterionValue(c, *r.value), ToneOf(r.verdict));
  cell.bold = r.verdict == Verdict::kFail;
  cell.detail = VerdictWord(r.verdict) + ", "s + Plural(r.count, "value", "values");
  return cell;
}

ReportCell HarmonicCell(const RowSet& set, const Criterion* worst, size_t p) {
  if (!worst) return NoValues();
  size_t failed = 0;
  for (const Criterion* c : set.rows)
    failed += p < c->periods.size() && c->periods[p].verdict == Verdict::kFail;
  const PeriodResult& r = worst->periods[p];
  const Verdict verdict = failed ? Verdict::kFail : Verdict::kPass;
  ReportCell cell =
      Cell(Fill("harmonic %1: %2", {worst->harmonic, CriterionValue(*worst, *r.value)}),
           ToneOf(verdict));
  cell.bold = failed > 0;
  cell.detail = Fill("limit %1; %2",
                     {WithUnit(Number(UpperLimit(*worst)), worst->unit), VerdictWord(verdict)});
  if (failed) cell.detail += Fill(" (%1)", {Plural(failed, "harmonic", "harmonics")});
  return cell;
}

// The periods a table shows: all of a short survey's; of a long one's, those in which a phase
// fails and each phase's worst.
std::vector<size_t> ShownPeriods(const std::vector<const RowSet*>& sets, size_t periods) {
  std::vector<size_t> shown;
  if (periods <= kAllPeriods) {
    for (size_t p = 0; p < periods; ++p) shown.push_back(p);
    return shown;
  }
  std::set<size_t> keep;
  for (const RowSet* set : sets) {
    for (const Criterion* c : set->rows) {
      if (c->verdict != Verdict::kPass && c->verdict != Verdict::kFail) continue;
      if (const int worst = assess::WorstPeriodIndex(*c); worst >= 0 && set->rows.size() == 1)
        keep.insert(static_cast<size_t>(worst));
      for (size_t p = 0; p < c->periods.size(); ++p)
        if (c->periods[p].verdict == Verdict::kFail) keep.insert(p);
    }
    if (set->Harmonics())
      if (const Criterion* worst = set->Worst(); worst && assess::WorstPeriodIndex(*worst) >= 0)
        keep.insert(static_cast<size_t>(assess::WorstPeriodIndex(*worst)));
  }
  return {keep.begin(), keep.end()};
}

// The limit each phase is judged against, once where the phases share it; for harmonics, the
// limit of the group's worst row.
std::string LimitsText(const std::vector<const RowSet*>& sets) {
  if (sets.front()->Harmonics()) {
    const Criterion* worst = nullptr;
    for (const RowSet* set : sets) {
      const Criterion* c = set->Worst();
      if (c && (!worst || *c->excess > *worst->excess)) worst = c;
    }
    if (!worst) return "Each harmonic against its own limit."s;
    return Fill("Each harmonic against its own limit; the worst, harmonic %1 of %2: %3.",
                {worst->harmonic, worst->phase.empty() ? "the supply"s : PhaseLabel(worst->phase),
                 Typeset(worst->limit)});
  }
  Strings limits;
  for (const RowSet* set : sets)
    if (const Criterion* c = set->Worst())
      if (std::find(limits.begin(), limits.end(), Typeset(c->limit)) == limits.end())
        limits.push_back(Typeset(c->limit));
  if (limits.empty()) return {};
  if (limits.size() == 1) return "Limit: "s + limits.front() + ".";
  Strings each;
  for (const RowSet* set : sets)
    if (const Criterion* c = set->Worst())
      each.push_back(PhaseLabel(c->phase) + ": " + Typeset(c->limit));
  return "Limits: "s + Join(each, "; "s) + ".";
}

void GroupTable(ReportWriter& w, const std::vector<const RowSet*>& sets) {
  const RowSet& first = *sets.front();
  const bool daily = IsDaily(first);
  const std::vector<assess::Period>& periods = daily ? w.Survey().days : w.Survey().periods;
  w.Subheading(first.Title() + " \u2014 "s + StandardShortName(first.standard));
  if (const std::string limits = LimitsText(sets); !limits.empty()) w.Paragraph(limits);
  if (first.group == assess::GroupText(assess::Rule::kAnsiVoltage))
    w.Paragraph(
        "ANSI C84.1 sets no share of time within Range A: a 10-minute value "
        "outside Range B fails, and the share within Range A is shown."s);
  ReportTable table;
  table.headers = {daily ? "Day"s : "Week"s, "Period"s};
  table.widths = {0.7, 1.9};
  for (const RowSet* set : sets) {
    table.headers.push_back(set->phase.empty() ? "Value"s : PhaseLabel(set->phase));
    table.widths.push_back(sets.size() == 1 ? 3 : 2.3);
  }
  std::vector<std::vector<const Criterion*>> worst;
  for (const RowSet* set : sets) worst.push_back(set->WorstByPeriod());
  const std::vector<size_t> shown = ShownPeriods(sets, periods.size());
  for (size_t p : shown) {
    ReportCell period = Cell(Minutes(periods[p].start));
    period.detail = "to "s + Minutes(periods[p].end);
    ReportCell number = Cell(std::to_string(p + 1));
    // A period with too few windows: its verdicts are indicative.
    if (periods[p].LowCoverage()) {
      number.tone = period.tone = Tone::kWarn;
      period.detail +=
          Fill("; %1 % of its windows", {assess::JudgedText(100 * periods[p].Coverage())});
    }
    std::vector<ReportCell> row = {number, period};
    for (size_t s = 0; s < sets.size(); ++s) {
      if (!sets[s]->Judged()) {
        row.push_back(Cell("not assessed"s, Tone::kMuted));
      } else if (sets[s]->Harmonics() || !sets[s]->Worst()) {
        row.push_back(HarmonicCell(*sets[s], p < worst[s].size() ? worst[s][p] : nullptr, p));
      } else {
        row.push_back(SingleCell(*sets[s]->Worst(), p));
      }
    }
    table.AddRow(std::move(row));
  }
  w.Table(std::move(table));
  if (shown.size() < periods.size())
    w.Paragraph(
        Fill("%1 of the %2 %3 shown: those in which a phase fails, and each "
             "phase's worst; the others pass.",
             {shown.size(), periods.size(), daily ? "days"s : "weeks"s}));
}

}  // namespace

void WritePeriods(ReportWriter& w) {
  const CriteriaGroups& groups = w.Groups();
  std::vector<std::vector<const RowSet*>> tables;
  for (const std::string& group : groups.Groups()) {
    std::vector<const RowSet*> sets = groups.Sets(group);
    if (std::none_of(sets.begin(), sets.end(), [](const RowSet* s) { return s->Judged(); }))
      continue;
    std::erase_if(sets, [](const RowSet* s) { return !s->Judged() && s->phase.empty(); });
    tables.push_back(std::move(sets));
  }
  if (tables.empty()) return;
  const assess::SurveyFacts& s = w.Survey();
  w.Heading("Verdicts period by period"s, "periods"s, true);
  w.Paragraph(
      Fill("The standards judge each week: the 7-day periods from the survey's first 10-minute "
           "window, %1. IEEE 519's daily 99th percentiles are judged for each 24-hour period from "
           "the same start. Each cell gives a period's value and verdict; a criterion's value and "
           "verdict are those of its worst period, and it fails when any period fails. For "
           "harmonics, a cell gives the harmonic furthest beyond, or nearest to, its limit in "
           "that period, and how many fail.",
           {s.periods.empty() ? "-"s : Minutes(s.periods.front().start)}));
  for (const std::vector<const RowSet*>& sets : tables) GroupTable(w, sets);
}

}  // namespace meterlog2::report
