// Criterion ids are a contract of the JSON and CSV outputs: the texts below are written out by
// hand, and every id an assessment produces must be one the typed parts can build.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "SurveyLogs.h"
#include "assess/Assessment.h"
#include "assess/CriterionIds.h"

namespace {

using assess::CriterionId;
using assess::IdStatistic;
using assess::IdText;
using assess::Rule;

TEST(CriterionIds, TextFromTypedParts) {
  EXPECT_EQ(IdText({Rule::kEnVoltage}), "en50160.voltage");
  EXPECT_EQ(IdText({Rule::kEnVoltage, 0, "a"}), "en50160.voltage.a");
  EXPECT_EQ(IdText({Rule::kEnHarmonic, 9, "ch2"}), "en50160.harmonic.9.ch2");
  EXPECT_EQ(IdText({Rule::kIeeeCurrentHarmonic, 5, "a", IdStatistic::kDaily99}),
            "ieee519.current.harmonic.5.a.daily99");
  EXPECT_EQ(IdText({Rule::kIeeeTdd, 0, "b", IdStatistic::kWeekly99}),
            "ieee519.current.tdd.b.weekly99");
  EXPECT_EQ(IdText({Rule::kAnsiVoltage, 0, "c"}), "ansi_c84_1.voltage.c");
  EXPECT_EQ(IdText({Rule::kNemaLvur}), "nema.unbalance.lvur");
  EXPECT_EQ(IdText({Rule::kInfoPvur}), "info.unbalance.pvur");
  EXPECT_EQ(IdText({Rule::kEnRapidVoltageChanges}), "en50160.rapid_voltage_changes");
  EXPECT_EQ(assess::GroupText(Rule::kIeeeVoltageHarmonic, IdStatistic::kDaily99),
            "ieee519.voltage.harmonic.daily99");
  EXPECT_EQ(assess::GroupText(Rule::kEnThd), "en50160.thd");
}

// Each row of a full assessment names its group as the rule's group text, and the row's own id
// is rebuilt from the parts it carries.
TEST(CriterionIds, AssessmentRowsMatchTheirParts) {
  std::set<std::string> groups;
  for (int r = 0; r <= static_cast<int>(Rule::kInfoDemand); ++r)
    for (IdStatistic s : {IdStatistic::kWeekly95, IdStatistic::kWeekly99, IdStatistic::kDaily99})
      groups.insert(assess::GroupText(static_cast<Rule>(r), s));
  SurveyLogBuilder log(kThreePhaseTabularLog, 30);
  for (int p = 0; p < 3; ++p) log.PhaseHarmonics(p, 1, 20, {{5, 2}});
  const auto doc = log.Load();
  assess::AssessOptions options = At(230);
  options.standards = assess::StandardSet{true, true, true};
  options.isc = 400;
  options.il = 20;
  const assess::AssessmentResult result = AssessDocs({doc.get()}, options);
  ASSERT_FALSE(result.criteria.empty());
  for (const assess::Criterion& c : result.criteria) {
    EXPECT_TRUE(groups.count(assess::CriterionGroup(c))) << c.id;
    EXPECT_EQ(c.standard, c.id.substr(0, c.id.find('.'))) << c.id;
  }
}

}  // namespace
