#include "ReportGroups.h"

#include <algorithm>

#include "ReportText.h"

namespace meterlog2::report {

using assess::Criterion;
using assess::IdStatistic;
using assess::Rule;
using assess::Verdict;

namespace {

struct GroupInfo {
  Rule rule;
  IdStatistic idStatistic;
  const char* title;      // with the statistic, where a standard judges one quantity on several
  const char* statistic;  // after the harmonics' numbers: ", weekly 95th percentile"
};
constexpr const char* kWeekly95 = ", weekly 95th percentile";
constexpr const char* kWeekly99 = ", weekly 99th percentile";
constexpr const char* kDaily99 = ", daily 99th percentile";
constexpr IdStatistic kAny = IdStatistic::kWeekly95;
const GroupInfo kGroups[] = {
    {Rule::kEnFrequency, kAny, "Power frequency", ""},
    {Rule::kEnVoltage, kAny, "Supply voltage", ""},
    {Rule::kEnThd, kAny, "Voltage THD", ""},
    {Rule::kEnHarmonic, kAny, "Harmonic voltages", ""},
    {Rule::kEnUnbalance, kAny, "Voltage unbalance", ""},
    {Rule::kIeeeVoltageThd, IdStatistic::kWeekly95, "Voltage THD", kWeekly95},
    {Rule::kIeeeVoltageThd, IdStatistic::kDaily99, "Voltage THD", kDaily99},
    {Rule::kIeeeVoltageHarmonic, IdStatistic::kWeekly95, "Harmonic voltages", kWeekly95},
    {Rule::kIeeeVoltageHarmonic, IdStatistic::kDaily99, "Harmonic voltages", kDaily99},
    {Rule::kIeeeTdd, IdStatistic::kWeekly95, "Total demand distortion (TDD)", kWeekly95},
    {Rule::kIeeeTdd, IdStatistic::kWeekly99, "Total demand distortion (TDD)", kWeekly99},
    {Rule::kIeeeTdd, IdStatistic::kDaily99, "Total demand distortion (TDD)", kDaily99},
    {Rule::kIeeeCurrentHarmonic, IdStatistic::kWeekly95, "Harmonic currents", kWeekly95},
    {Rule::kIeeeCurrentHarmonic, IdStatistic::kWeekly99, "Harmonic currents", kWeekly99},
    {Rule::kIeeeCurrentHarmonic, IdStatistic::kDaily99, "Harmonic currents", kDaily99},
    {Rule::kIeeeCurrent, kAny, "Current distortion", ""},
    {Rule::kAnsiVoltage, kAny, "Service voltage", ""},
};

const GroupInfo* FindGroup(const std::string& group) {
  for (const GroupInfo& info : kGroups)
    if (group == assess::GroupText(info.rule, info.idStatistic)) return &info;
  return nullptr;
}

bool IsJudged(const Criterion* c) {
  return c->verdict == Verdict::kPass || c->verdict == Verdict::kFail;
}

}  // namespace

const char* GroupTitle(const std::string& group) {
  const GroupInfo* info = FindGroup(group);
  return info ? info->title : nullptr;
}

bool RowSet::Harmonics() const {
  return std::any_of(rows.begin(), rows.end(), [](const Criterion* c) { return c->harmonic > 0; });
}

Verdict RowSet::Overall() const {
  bool passed = false, failed = false;
  for (const Criterion* c : rows) {
    passed = passed || c->verdict == Verdict::kPass;
    failed = failed || c->verdict == Verdict::kFail;
  }
  return failed ? Verdict::kFail : passed ? Verdict::kPass : Verdict::kNotAssessed;
}

bool RowSet::Judged() const {
  return std::any_of(rows.begin(), rows.end(), IsJudged);
}

const Criterion* RowSet::Worst() const {
  const Criterion* worst = nullptr;
  for (const Criterion* c : rows)
    if (IsJudged(c) && c->excess && (!worst || *c->excess > *worst->excess)) worst = c;
  return worst;
}

size_t RowSet::Periods() const {
  size_t periods = 0;
  for (const Criterion* c : rows) periods = std::max(periods, c->periods.size());
  return periods;
}

std::vector<const Criterion*> RowSet::WorstByPeriod() const {
  std::vector<const Criterion*> worst(Periods(), nullptr);
  for (const Criterion* c : rows) {
    if (!IsJudged(c)) continue;
    for (size_t p = 0; p < c->periods.size(); ++p) {
      const assess::PeriodResult& r = c->periods[p];
      if (!r.value || !r.excess) continue;
      if (!worst[p] || *r.excess > *worst[p]->periods[p].excess) worst[p] = c;
    }
  }
  return worst;
}

std::string RowSet::Title() const {
  const GroupInfo* info = FindGroup(group);
  std::string title = text::Capitalized(info ? info->title : rows.front()->quantity);
  if (Harmonics()) {
    int first = 0, last = 0;
    for (const Criterion* c : rows)
      if (c->harmonic) {
        if (!first) first = c->harmonic;
        last = c->harmonic;
      }
    title += " " + std::to_string(first) + " to " + std::to_string(last);
  }
  return info ? title + info->statistic : title;
}

CriteriaGroups::CriteriaGroups(const assess::AssessmentResult& result) {
  for (const Criterion& c : result.criteria) {
    if (!c.phase.empty() && std::find(m_phases.begin(), m_phases.end(), c.phase) == m_phases.end())
      m_phases.push_back(c.phase);
    const std::string group = assess::CriterionGroup(c);
    auto it = std::find_if(m_sets.begin(), m_sets.end(),
                           [&](const RowSet& s) { return s.group == group && s.phase == c.phase; });
    if (it == m_sets.end()) it = m_sets.insert(m_sets.end(), {c.standard, group, c.phase, {}});
    it->rows.push_back(&c);
  }
  // The phases of a group together, the groups in the result's order.
  const std::vector<std::string> groups = Groups();
  std::stable_sort(m_sets.begin(), m_sets.end(), [&](const RowSet& a, const RowSet& b) {
    return std::find(groups.begin(), groups.end(), a.group) <
           std::find(groups.begin(), groups.end(), b.group);
  });
}

std::vector<const RowSet*> CriteriaGroups::Sets(const std::string& group) const {
  std::vector<const RowSet*> sets;
  for (const RowSet& s : m_sets)
    if (s.group == group) sets.push_back(&s);
  return sets;
}

std::vector<std::string> CriteriaGroups::Groups() const {
  std::vector<std::string> groups;
  for (const RowSet& set : m_sets)
    if (std::find(groups.begin(), groups.end(), set.group) == groups.end())
      groups.push_back(set.group);
  return groups;
}

table::Rgb CriteriaGroups::PhaseColor(const std::string& phase) const {
  const auto it = std::find(m_phases.begin(), m_phases.end(), phase);
  return table::SeriesRgb(it == m_phases.end() ? 0 : static_cast<size_t>(it - m_phases.begin()));
}

}  // namespace meterlog2::report
