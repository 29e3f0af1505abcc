#pragma once
// The criteria of a result as a report groups them: the rows of one rule and one phase together
// (a phase's 24 harmonic voltages are one set), the sets of a rule next to each other, the rules
// in the result's order. Internal to the report library.

#include <string>
#include <vector>

#include "assess/Assessment.h"
#include "table/SeriesPalette.h"

namespace meterlog2::report {

// The rows of one group (CriterionGroup) and phase, in the result's order.
struct RowSet {
  std::string standard, group, phase;
  std::vector<const assess::Criterion*> rows;

  bool Harmonics() const;
  // Fail when a row fails, pass when one passes and none fails, else not assessed.
  assess::Verdict Overall() const;
  bool Judged() const;
  // The judged row furthest beyond, or nearest to, its limit (the first of equals); null when
  // none was judged.
  const assess::Criterion* Worst() const;
  // Each period's worst judged row (null where none has a value in that period).
  std::vector<const assess::Criterion*> WorstByPeriod() const;
  size_t Periods() const;
  // "Harmonic voltages 2 to 25", "Supply voltage", "Total demand distortion (TDD)".
  std::string Title() const;
};

// The title of a group in the words of a report; nullptr for a group the report does not name
// (informative rows, what the logs do not record).
const char* GroupTitle(const std::string& group);

class CriteriaGroups {
 public:
  explicit CriteriaGroups(const assess::AssessmentResult& result);

  const std::vector<RowSet>& Sets() const { return m_sets; }
  std::vector<const RowSet*> Sets(const std::string& group) const;
  // The groups in the result's order.
  std::vector<std::string> Groups() const;
  // A phase's colour in every chart: the phases in the order the result meets them.
  table::Rgb PhaseColor(const std::string& phase) const;

 private:
  std::vector<std::string> m_phases;
  std::vector<RowSet> m_sets;
};

}  // namespace meterlog2::report
