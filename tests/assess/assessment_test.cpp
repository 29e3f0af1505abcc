// Surveys built with chosen values, judged against hand-worked verdicts and statistics.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>

#include "SurveyLogs.h"
#include "file/Sha256.h"
#include "log/LogTypes.h"

using namespace assess;
using B = SurveyLogBuilder;

namespace {

std::vector<std::string> Failed(const AssessmentResult& r) {
  std::vector<std::string> ids;
  for (const Criterion& c : r.criteria)
    if (c.verdict == Verdict::kFail) ids.push_back(c.id);
  return ids;
}

std::string AssessError(const std::vector<const CMeterlog2Doc*>& docs,
                        const std::vector<std::string>& names) {
  std::vector<SurveyLog> logs;
  for (size_t i = 0; i < docs.size(); ++i) logs.push_back({names[i], docs[i]});
  AssessmentResult result;
  std::string error;
  EXPECT_FALSE(Assess(logs, {}, result, error));
  return error;
}

// A Standard log whose frequencies are 50 Hz but for the records given.
Verdict FrequencyVerdict(const std::vector<std::pair<unsigned, float>>& frequencies,
                         double* share = nullptr) {
  B log(kStandardLog, 200);
  log.FloatAll(layout::sp::fFrequency, 50);
  for (const auto& [row, f] : frequencies) log.Float(row, layout::sp::fFrequency, f);
  const auto doc = log.Load();
  const Criterion c = Row(AssessDocs({doc.get()}), "en50160.frequency");
  if (share) *share = c.value.value_or(-1);
  return c.verdict;
}

// A Standard log of twenty 10-minute records at 230 V on channel 1 but for the records given,
// judged with Un = 230 V.
Criterion VoltageRow(const std::vector<std::pair<unsigned, float>>& volts) {
  B log(kStandardLog, 20, "2009-03-07T14:00:00", 600);
  log.FloatAll(B::ChannelRms(0), 230);
  for (const auto& [row, v] : volts) log.Float(row, B::ChannelRms(0), v);
  const auto doc = log.Load();
  AssessOptions options;
  options.nominalVoltage = 230;
  return Row(AssessDocs({doc.get()}, options), "en50160.voltage.ch1");
}

}  // namespace

TEST(Assessment, FrequencyBandEdgesAreInside) {
  double share = 0;
  // 49.5 and 50.5 lie exactly on Fn +/-1 %.
  EXPECT_EQ(FrequencyVerdict({{10, 49.5f}, {11, 50.5f}}, &share), Verdict::kPass);
  EXPECT_EQ(share, 100);
  // One record of 200 outside: 99.5 %, exactly the share required.
  EXPECT_EQ(FrequencyVerdict({{10, 49.49f}}, &share), Verdict::kPass);
  EXPECT_EQ(share, 99.5);
  EXPECT_EQ(FrequencyVerdict({{10, 49.49f}, {11, 50.51f}}, &share), Verdict::kFail);
  EXPECT_EQ(share, 99);
  // 47 Hz (-6 %) and 52 Hz (+4 %) are still within the wide band; a hair beyond is not.
  EXPECT_EQ(FrequencyVerdict({{10, 47.0f}}), Verdict::kPass);
  EXPECT_EQ(FrequencyVerdict({{10, 52.0f}}), Verdict::kPass);
  EXPECT_EQ(FrequencyVerdict({{10, 46.99f}}), Verdict::kFail);
  EXPECT_EQ(FrequencyVerdict({{10, 52.01f}}), Verdict::kFail);
}

TEST(Assessment, VoltageBandEdgesAndTheShareOfTenMinuteValues) {
  const Criterion edges = VoltageRow({{0, 207}, {1, 253}});  // exactly Un -10 % and +10 %
  EXPECT_EQ(edges.verdict, Verdict::kPass);
  EXPECT_EQ(edges.value, 100);
  EXPECT_EQ(edges.count, 20u);
  EXPECT_EQ(edges.min, 207);
  EXPECT_EQ(edges.max, 253);
  ASSERT_EQ(edges.bands.size(), 2u);
  EXPECT_EQ(edges.bands[0].low, 207);
  EXPECT_EQ(edges.bands[0].high, 253);
  EXPECT_EQ(edges.bands[1].low, 195.5);
  EXPECT_EQ(edges.bands[1].high, 253);
  EXPECT_EQ(VoltageRow({{0, 206}}).value, 95);
  EXPECT_EQ(VoltageRow({{0, 206}}).verdict, Verdict::kPass);  // 95 % is enough
  EXPECT_EQ(VoltageRow({{0, 206}, {1, 206}}).verdict, Verdict::kFail);
  EXPECT_EQ(VoltageRow({{0, 195.5f}}).verdict, Verdict::kPass);  // -15 % exactly
  EXPECT_EQ(VoltageRow({{0, 195.4f}}).verdict, Verdict::kFail);
  EXPECT_EQ(VoltageRow({{0, 253.5f}}).verdict, Verdict::kFail);  // above +10 %: none may be
}

// A 60 Hz supply is judged against IEEE 519 and ANSI C84.1 unless EN 50160 is asked for, and then
// its rows say that EN 50160 describes 50 Hz networks.
TEST(Assessment, SixtyHertzSuppliesAreJudgedByTheirOwnStandards) {
  B log(kHarmonicLog, 300, "2009-03-07T14:00:00", 60, 1, 60);
  const auto doc = log.Load();
  const AssessmentResult r = AssessDocs({doc.get()}, At(120));
  EXPECT_EQ(r.survey.nominalVoltage, 120);
  EXPECT_EQ(r.survey.nominalFrequency, 60);
  EXPECT_TRUE(r.survey.nominalFrequencyInferred);
  EXPECT_EQ(r.FindCriterion("en50160.frequency"), nullptr);
  EXPECT_TRUE(r.survey.standards.ieee519 && r.survey.standards.ansiC84);
  const Criterion& ansi = Row(r, "ansi_c84_1.voltage.ch1");
  EXPECT_EQ(ansi.verdict, Verdict::kPass);
  EXPECT_DOUBLE_EQ(ansi.bands[0].low, 114);
  EXPECT_DOUBLE_EQ(ansi.bands[1].high, 127);
  // Channel 2 measures a current, whose limits need Isc: nothing fails, but it is incomplete.
  EXPECT_EQ(r.verdict, Verdict::kIncomplete);
  EXPECT_EQ(r.MissingInputs(), std::vector<std::string>{"the short-circuit current Isc"});

  AssessOptions en = At(120);
  en.standards = StandardSet{true, false, false};
  const AssessmentResult asked = AssessDocs({doc.get()}, en);
  const Criterion& v = Row(asked, "en50160.voltage.ch1");
  EXPECT_EQ(v.verdict, Verdict::kPass);
  EXPECT_EQ(v.bands[0].low, 108);
  EXPECT_EQ(v.bands[0].high, 132);
  EXPECT_EQ(v.bands[1].low, 102);
  EXPECT_NE(v.limit.find("108 to 132 V"), std::string::npos) << v.limit;
  EXPECT_NE(v.note.find("50 Hz public networks"), std::string::npos) << v.note;
  const Criterion& f = Row(asked, "en50160.frequency");
  EXPECT_NE(f.limit.find("59.4 to 60.6 Hz"), std::string::npos) << f.limit;
  EXPECT_NE(f.limit.find("56.4 to 62.4 Hz"), std::string::npos) << f.limit;
  EXPECT_EQ(asked.FindCriterion("ieee519.voltage.thd.ch1"), nullptr);
}

// Un is declared, never taken from the data it judges: without it every criterion whose limit
// depends on it is not assessed with what the records suggest, and the verdict is incomplete.
TEST(Assessment, UnIsDeclaredAndOnlySuggested) {
  B at127(kStandardLog, 100);
  for (unsigned row = 0; row < 100; ++row)
    at127.Float(row, B::ChannelRms(0), row < 40 ? 90.0f : 128.0f);  // median 128: 127
  const auto doc = at127.Load();
  const AssessmentResult open = AssessDocs({doc.get()});
  EXPECT_FALSE(open.survey.nominalVoltage.has_value());
  EXPECT_EQ(open.survey.nominalVoltageSuggested, 127);
  const Criterion& v = Row(open, "en50160.voltage.ch1");
  EXPECT_EQ(v.verdict, Verdict::kNotAssessed);
  EXPECT_EQ(v.missingInput, "nominal_voltage");
  EXPECT_NE(v.note.find("the records suggest 127 V"), std::string::npos) << v.note;
  EXPECT_EQ(Row(open, "en50160.thd.ch1").missingInput, "nominal_voltage");  // the class's limit
  EXPECT_EQ(Row(open, "en50160.frequency").verdict, Verdict::kPass);        // no Un needed
  EXPECT_EQ(open.verdict, Verdict::kIncomplete);
  EXPECT_EQ(open.MissingInputs(), std::vector<std::string>{"the nominal voltage Un"});
  AssessOptions options = At(120);
  options.nominalFrequency = 60;  // a 50 Hz log judged at 60 Hz fails
  options.standards = StandardSet{true, false, false};
  const AssessmentResult given = AssessDocs({doc.get()}, options);
  EXPECT_EQ(given.survey.nominalVoltage, 120);
  EXPECT_FALSE(given.survey.nominalFrequencyInferred);
  EXPECT_EQ(Row(given, "en50160.frequency").verdict, Verdict::kFail);
  EXPECT_EQ(Row(given, "en50160.frequency").value, 0);
}

TEST(Assessment, ASurveyBuiltToFailExactlyOneHarmonic) {
  // Phase B's voltage: fundamental 230 V and harmonic 9 at 4.6 V (2 %), nothing else. EN 50160
  // allows 1.5 % for the 9th, IEEE 519 5 %.
  B log(kThreePhaseTabularLog, 300);
  log.PhaseHarmonics(1, 0, 230, {{9, 4.6f}});
  const auto doc = log.Load();
  const AssessmentResult r = AssessDocs({doc.get()}, At(230));
  EXPECT_EQ(Failed(r), std::vector<std::string>{"en50160.harmonic.9.b"});
  const Criterion& h9 = Row(r, "en50160.harmonic.9.b");
  EXPECT_NEAR(*h9.value, 2, 1e-6);
  EXPECT_EQ(h9.bands[0].high, 1.5);
  EXPECT_EQ(h9.harmonic, 9);
  EXPECT_EQ(Row(r, "ieee519.voltage.harmonic.9.b").verdict, Verdict::kPass);
  EXPECT_NEAR(*Row(r, "en50160.thd.b").value, 2, 1e-6);  // the only harmonic
  EXPECT_EQ(r.verdict, Verdict::kFail);
  // The profile the report charts: the 95th percentile of each harmonic of phase B.
  const HarmonicProfile* b = nullptr;
  for (const HarmonicProfile& p : r.harmonics)
    if (p.phase == "b" && !p.current) b = &p;
  ASSERT_NE(b, nullptr);
  EXPECT_NEAR(b->p95[9 - 2], 2, 1e-6);
  EXPECT_EQ(b->p95[5 - 2], 0);
}

TEST(Assessment, CurrentLimitsFollowTheRowOfIscOverIl) {
  // Every phase: fundamental 20 A, harmonic 5 at 2 A (10 % of IL), harmonic 7 at 1 A (5 %),
  // TDD = 100 x sqrt(4 + 1) / 20 = 11.18 %.
  B log(kThreePhaseTabularLog, 30);
  for (int p = 0; p < 3; ++p) log.PhaseHarmonics(p, 1, 20, {{5, 2}, {7, 1}});
  const auto doc = log.Load();
  AssessOptions options = At(230);
  options.isc = 400;
  options.il = 20;  // Isc/IL = 20: the row 20 <= Isc/IL < 50, h < 11 allows 7 %, TDD 8 %
  AssessmentResult r = AssessDocs({doc.get()}, options);
  EXPECT_NEAR(*Row(r, "ieee519.current.tdd.a").value, 100 * std::sqrt(5.0) / 20, 1e-9);
  EXPECT_EQ(Row(r, "ieee519.current.tdd.a").bands[0].high, 8);
  EXPECT_EQ(Row(r, "ieee519.current.harmonic.5.a").verdict, Verdict::kFail);
  EXPECT_EQ(Row(r, "ieee519.current.harmonic.5.a").value, 10);
  EXPECT_EQ(Row(r, "ieee519.current.harmonic.7.a").verdict, Verdict::kPass);
  EXPECT_EQ(Row(r, "ieee519.current.harmonic.6.a").bands[0].high, 1.75);
  // Weekly 99th percentile against 1.5 x 7 %, daily 99th percentile against 2 x 7 %: 10 % passes.
  EXPECT_EQ(Row(r, "ieee519.current.harmonic.5.a.weekly99").bands[0].high, 10.5);
  EXPECT_EQ(Row(r, "ieee519.current.harmonic.5.a.weekly99").verdict, Verdict::kPass);
  EXPECT_EQ(Row(r, "ieee519.current.harmonic.5.a.daily99").bands[0].high, 14);
  EXPECT_EQ(Row(r, "ieee519.current.tdd.a.weekly99").bands[0].high, 12);
  ASSERT_TRUE(r.currentBasis.has_value());
  EXPECT_EQ(r.currentBasis->row, "20 <= Isc/IL < 50");
  EXPECT_NE(r.currentBasis->table.find("Table 2"), std::string::npos);
  EXPECT_FALSE(r.currentBasis->ilDerived);
  // Just below 20 the first row applies: h < 11 allows 4 %, TDD 5 %.
  options.isc = 399.99;
  r = AssessDocs({doc.get()}, options);
  EXPECT_EQ(Row(r, "ieee519.current.harmonic.7.c").verdict, Verdict::kFail);
  EXPECT_EQ(Row(r, "ieee519.current.tdd.c").bands[0].high, 5);
  // IL derived: the largest 15-minute mean of the fundamental current, 20 A.
  options.il.reset();
  options.isc = 20000;  // Isc/IL = 1000: the last row
  r = AssessDocs({doc.get()}, options);
  EXPECT_TRUE(r.currentBasis->ilDerived);
  EXPECT_EQ(r.currentBasis->il, 20);
  EXPECT_EQ(r.currentBasis->row, "Isc/IL >= 1000");
  EXPECT_EQ(Row(r, "ieee519.current.harmonic.7.b").verdict, Verdict::kPass);
  // Without Isc the current rows say what they need, and the verdict is incomplete.
  r = AssessDocs({doc.get()}, At(230));
  EXPECT_EQ(Row(r, "ieee519.current.a").missingInput, "isc");
  EXPECT_EQ(Row(r, "ieee519.current.a").verdict, Verdict::kNotAssessed);
  EXPECT_NE(Row(r, "ieee519.current.a").note.find("short-circuit current Isc"), std::string::npos);
  EXPECT_EQ(r.FindCriterion("ieee519.current.tdd.a"), nullptr);
}

TEST(Assessment, TwoLogsJoinedWithAnOverlap) {
  // 14:00..14:09 and 14:05..14:14, one a minute: five records of the second are already taken.
  B first(kStandardLog, 10, "2009-03-07T14:00:00");
  B second(kStandardLog, 10, "2009-03-07T14:05:00");
  second.InvalidTime(9);
  const auto a = first.Load(), b = second.Load();
  const AssessmentResult r = AssessDocs({b.get(), a.get()});  // given in any order
  const SurveyFacts& s = r.survey;
  EXPECT_EQ(s.records, 20u);
  EXPECT_EQ(s.recordsUsed, 14u);
  EXPECT_EQ(s.overlaps, 5u);
  EXPECT_EQ(s.invalidTime, 1u);
  EXPECT_EQ(s.files[0].overlaps, 0u);  // the first log given keeps the records it shares
  EXPECT_EQ(s.files[1].overlaps, 5u);
  EXPECT_EQ(s.files[0].invalidTime, 1u);
  EXPECT_EQ(s.files[1].used, 5u);
  EXPECT_EQ(TimeText(*s.first, TimeStyle::kIso), "2009-03-07T14:00:00");
  EXPECT_EQ(TimeText(*s.last, TimeStyle::kIso), "2009-03-07T14:13:00");
  EXPECT_EQ(s.intervalS, 60);
  EXPECT_EQ(s.durationS, 13 * 60 + 60);
  EXPECT_EQ(s.windows, 2u);  // 14:00 and 14:10
  EXPECT_EQ(Row(r, "en50160.frequency").count, 14u);
  EXPECT_EQ(s.logTypeName, "Standard Log");
}

TEST(Assessment, RefusesMixedFamiliesALogWithoutValidTimesAndUnknownTypes) {
  const auto standard = B(kStandardLog, 5).Load();
  const auto tabular = B(kThreePhaseTabularLog, 5).Load();
  const std::string mixed =
      AssessError({standard.get(), tabular.get()}, {"site/a.57x", "site/b.57x"});
  EXPECT_NE(mixed.find("site/a.57x (Standard Log)"), std::string::npos) << mixed;
  EXPECT_NE(mixed.find("site/b.57x (Three Phase Tabular Log)"), std::string::npos) << mixed;
  B noTime(kHarmonicLog, 4);
  for (unsigned row = 0; row < 4; ++row) noTime.InvalidTime(row);
  const auto invalid = noTime.Load();
  const std::string none = AssessError({invalid.get()}, {"x.57x"});
  EXPECT_NE(none.find("no record of the survey has a valid time stamp (4 records"),
            std::string::npos)
      << none;
  // Numbers beyond any survey, which would take the limits out of the range of doubles.
  for (auto set : {+[](AssessOptions& o) { o.nominalVoltage = 1e308; },
                   +[](AssessOptions& o) { o.nominalVoltage = 0; },
                   +[](AssessOptions& o) { o.nominalFrequency = 55; },
                   +[](AssessOptions& o) { o.isc = 2e9; }, +[](AssessOptions& o) { o.il = -1; },
                   +[](AssessOptions& o) { o.standards = StandardSet{}; }}) {
    AssessOptions options;
    set(options);
    const SurveyLog log[] = {{"x.57x", standard.get()}};
    AssessmentResult result;
    std::string error;
    EXPECT_FALSE(Assess(log, options, result, error));
    EXPECT_FALSE(error.empty());
  }
  B unknown(kStandardLog, 3);
  unknown.Byte(0, 0, 9);
  const auto nine = unknown.Load();
  EXPECT_NE(AssessError({nine.get()}, {"n.57x"}).find("n.57x: its first record has no known"),
            std::string::npos);
}

TEST(Assessment, ValuesThatAreNoNumbersAreLeftOut) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  B log(kStandardLog, 20, "2009-03-07T14:00:00", 60);
  log.FloatAll(B::ChannelRms(0), 230);
  log.FloatAll(layout::sp::fFrequency, 50);
  log.Float(0, layout::sp::fFrequency, nan).Float(1, layout::sp::fFrequency, inf);
  log.Float(2, layout::sp::fFrequency, -inf);
  // The first window, 14:00..14:09: 3 and 4 V around NaN give sqrt((9 + 16) / 2).
  log.Float(0, B::ChannelRms(0), 3).Float(1, B::ChannelRms(0), nan).Float(2, B::ChannelRms(0), 4);
  for (unsigned row = 3; row < 10; ++row) log.Float(row, B::ChannelRms(0), nan);
  const auto doc = log.Load();
  const AssessmentResult r = AssessDocs({doc.get()});
  EXPECT_EQ(Row(r, "en50160.frequency").count, 17u);
  EXPECT_EQ(Row(r, "en50160.frequency").value, 100);
  const Series* v = r.FindSeries("voltage.ch1");
  ASSERT_NE(v, nullptr);
  ASSERT_EQ(v->values.size(), 2u);
  EXPECT_EQ(v->values[0], std::sqrt(12.5));
  EXPECT_EQ(v->values[1], 230);
}

TEST(Assessment, UnbalanceFromTheVectorLogsPhasors) {
  // Va = 230 V at 0 degrees, Vb = 230 V at -120, Vc = 0: V+ = 2/3 x 230, V- = 1/3 x 230,
  // so u2 = 50 %. With Vc = 230 V at 120 the set is balanced.
  const double third = 2 * 3.14159265358979 / 3;
  auto unbalance = [&](float vc) {
    B log(kThreePhaseVectorLog, 10, "2009-03-07T14:00:00", 60, 256);
    log.FloatAll(layout::vec::Va_magnitude, 230).FloatAll(layout::vec::Va_phase, 0);
    log.FloatAll(layout::vec::Vb_magnitude, 230).FloatAll(layout::vec::Vb_phase, -third);
    log.FloatAll(layout::vec::Vc_magnitude, vc).FloatAll(layout::vec::Vc_phase, third);
    const auto doc = log.Load();
    AssessOptions options = At(230);
    options.nominalFrequency = 50;  // the vector layout records no frequency
    return AssessDocs({doc.get()}, options);
  };
  const AssessmentResult unbalanced = unbalance(0);
  const Criterion& u2 = Row(unbalanced, "en50160.unbalance");
  EXPECT_EQ(u2.verdict, Verdict::kFail);
  EXPECT_NEAR(*u2.value, 50, 1e-4);
  // NEMA's rate from the voltages between phases formed from the phasors: |Va - Vb| = 230 sqrt 3,
  // |Vb - Vc| = |Vc - Va| = 230; the phase voltage rate from 230, 230 and 0 V (153.3 off 153.3).
  const double ab = 230 * std::sqrt(3.0), mean = (ab + 460) / 3;
  EXPECT_NEAR(*Row(unbalanced, "nema.unbalance.lvur").value, 100 * (ab - mean) / mean, 1e-4);
  EXPECT_NEAR(*Row(unbalanced, "info.unbalance.pvur").value, 100, 1e-9);
  const AssessmentResult balanced = unbalance(230);
  EXPECT_EQ(Row(balanced, "en50160.unbalance").verdict, Verdict::kPass);
  EXPECT_NEAR(*Row(balanced, "en50160.unbalance").value, 0, 1e-4);
  // The same log read without its vector layout has no phasors and says how to get them.
  B plain(kThreePhaseVectorLog, 10);
  const auto doc = plain.Load();
  const Criterion none = Row(AssessDocs({doc.get()}, At(230)), "en50160.unbalance");
  EXPECT_EQ(none.verdict, Verdict::kNotAssessed);
  EXPECT_NE(none.note.find("data format 256"), std::string::npos) << none.note;
}

// NEMA's line voltage unbalance rate is taken from voltages between phases; from phase-to-neutral
// voltages the same arithmetic is the phase voltage unbalance rate, named so.
TEST(Assessment, UnbalanceRatesNamedForTheirVoltages) {
  // 230, 230 and 200 V: the mean 220, the largest deviation 20: 100 x 20 / 220 = 9.0909 %.
  B log(kThreePhaseTabularLog, 10);
  log.FloatAll(B::PhaseRms(0, 0), 230).FloatAll(B::PhaseRms(1, 0), 230);
  log.FloatAll(B::PhaseRms(2, 0), 200);
  const auto doc = log.Load();
  const AssessmentResult wye = AssessDocs({doc.get()});
  const Criterion& pvur = Row(wye, "info.unbalance.pvur");
  EXPECT_EQ(pvur.verdict, Verdict::kInfo);
  EXPECT_NEAR(*pvur.value, 100.0 * 20 / 220, 1e-9);
  EXPECT_EQ(Row(wye, "nema.unbalance.lvur").verdict, Verdict::kNotAssessed);
  AssessOptions delta;
  delta.connection = Connection::kDelta;  // the phases measured between phases
  const AssessmentResult between = AssessDocs({doc.get()}, delta);
  EXPECT_NEAR(*Row(between, "nema.unbalance.lvur").value, 100.0 * 20 / 220, 1e-9);
  EXPECT_EQ(between.FindCriterion("info.unbalance.pvur"), nullptr);
}

// Each note names its columns as the log's own header does: a three-phase log's frequency is
// "3 Phase Frequency", a single-phase log's "Frequency".
TEST(Assessment, NotesNameTheColumnsAsTheHeaderShowsThem) {
  const auto three = B(kThreePhaseTabularLog, 10).Load();
  const std::string note = Row(AssessDocs({three.get()}), "en50160.frequency").note;
  EXPECT_NE(note.find("every record's value of 3 Phase Frequency;"), std::string::npos) << note;
  const auto single = B(kStandardLog, 10).Load();
  EXPECT_NE(Row(AssessDocs({single.get()}), "en50160.frequency")
                .note.find("every record's value of Frequency;"),
            std::string::npos);
}

TEST(Assessment, EnergyDemandAndPowerFactor) {
  // Two logs an hour apart, each counting afresh: 100..109 Wh and 5..14 Wh give 9 + 9 Wh.
  // Power 1000 W for 15 minutes, then 2000 W: the largest 15-minute mean is 2000 W.
  B first(kStandardLog, 30, "2009-03-07T14:00:00");
  B second(kStandardLog, 10, "2009-03-07T15:00:00");
  for (unsigned row = 0; row < 30; ++row) {
    first.Float(row, layout::sp::fWattHours, row < 10 ? 100.0f + row : 109.0f);
    first.Float(row, layout::sp::fPower, row < 15 ? 1000 : 2000);
  }
  for (unsigned row = 0; row < 10; ++row)
    second.Float(row, layout::sp::fWattHours, 5.0f + row).Float(row, layout::sp::fPower, 0);
  first.FloatAll(layout::sp::fPowerFactor, 0.5);
  second.FloatAll(layout::sp::fPowerFactor, 1);
  const auto a = first.Load(), b = second.Load();
  const AssessmentResult r = AssessDocs({a.get(), b.get()});
  EXPECT_EQ(Row(r, "info.energy").value, 18);
  EXPECT_EQ(Row(r, "info.demand").value, 2000);
  EXPECT_EQ(Row(r, "info.demand").verdict, Verdict::kInfo);
  EXPECT_NE(Row(r, "info.demand").note.find("2009-03-07T14:15:00"), std::string::npos);
  EXPECT_EQ(Row(r, "info.power_factor").value, (30 * 0.5 + 10 * 1.0) / 40);
}

TEST(Assessment, WhatALogDoesNotRecordIsNotAssessedWithItsReason) {
  const auto doc = B(kStandardLog, 50).Load();  // channel 1 Van, channel 2 Ia, no harmonics
  const AssessmentResult r = AssessDocs({doc.get()}, At(230));
  EXPECT_EQ(Row(r, "en50160.harmonic.ch1").verdict, Verdict::kNotAssessed);
  EXPECT_NE(Row(r, "en50160.harmonic.ch1").note.find("Standard Log records no individual"),
            std::string::npos);
  EXPECT_NE(Row(r, "en50160.thd.ch1").note.find("recorded Ch1 THD"), std::string::npos);
  EXPECT_EQ(Row(r, "en50160.thd.ch1").verdict, Verdict::kPass);
  EXPECT_EQ(r.FindCriterion("en50160.voltage.ch2"), nullptr);  // channel 2 measures a current
  for (const char* id : {"en50160.dips", "en50160.swells", "en50160.rapid_voltage_changes",
                         "en50160.flicker", "en50160.mains_signalling", "en50160.unbalance"}) {
    EXPECT_EQ(Row(r, id).verdict, Verdict::kNotAssessed) << id;
    EXPECT_FALSE(Row(r, id).note.empty()) << id;
  }
  EXPECT_NE(Row(r, "ieee519.current.ch2").note.find("records no current harmonics"),
            std::string::npos);
  // Only the standards asked for.
  AssessOptions ieee = At(230);
  ieee.standards = StandardSet{false, true, false};
  const AssessmentResult only = AssessDocs({doc.get()}, ieee);
  for (const Criterion& c : only.criteria) EXPECT_NE(c.standard, "en50160") << c.id;
  // The series a report charts are there whichever standards were chosen.
  for (const char* key : {"frequency", "voltage.ch1", "thd.ch1"})
    EXPECT_NE(only.FindSeries(key), nullptr) << key;
}

TEST(Assessment, ASingleHarmonicLogsCurrentChannel) {
  B log(kHarmonicLog, 60);
  const auto doc = log.Load();
  AssessOptions options = At(230);
  options.isc = 1000;
  const AssessmentResult r = AssessDocs({doc.get()}, options);
  const Criterion& tdd = Row(r, "ieee519.current.tdd.ch2");
  EXPECT_NE(tdd.verdict, Verdict::kNotAssessed);
  EXPECT_EQ(tdd.phase, "ch2");
  EXPECT_NE(tdd.note.find("Ch 2 Ia"), std::string::npos) << tdd.note;
  EXPECT_NE(r.FindCriterion("en50160.harmonic.5.ch1"), nullptr);
  EXPECT_EQ(r.FindCriterion("en50160.harmonic.5.ch2"), nullptr);
}

TEST(Assessment, TheSameResultFromFilesAsFromDocuments) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "meterlog2-assess-test.57x";
  B log(kThreePhaseTabularLog, 40, "2009-03-07T14:00:00", 60, 256);
  const std::vector<uint8_t> bytes = log.Bytes();
  {
    // (a stream takes the path as it is: wide characters on Windows)
    std::ofstream f(path, std::ios::binary);
    ASSERT_TRUE(f.is_open());
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  }
  AssessmentResult fromFile, misread;
  std::string error;
  ASSERT_TRUE(AssessFiles({path}, {}, 0, fromFile, error)) << error;
  const auto doc = log.Load();
  const AssessmentResult fromDoc = AssessDocs({doc.get()});
  ASSERT_EQ(fromFile.criteria.size(), fromDoc.criteria.size());
  for (size_t i = 0; i < fromDoc.criteria.size(); ++i)
    EXPECT_EQ(fromFile.criteria[i].value, fromDoc.criteria[i].value) << fromDoc.criteria[i].id;
  // Read in the wrong byte order the same file's numbers cannot be a supply: no verdict, and the
  // message names the byte order read and the other one.
  AssessFailure failure = AssessFailure::kNone;
  EXPECT_FALSE(AssessFiles({path}, {}, 1, misread, error, &failure));
  EXPECT_EQ(failure, AssessFailure::kImplausible);
  EXPECT_NE(error.find("data format 1 (Type 0001)"), std::string::npos) << error;
  EXPECT_NE(error.find("data format 256 (Type 0100)"), std::string::npos) << error;
  EXPECT_FALSE(AssessFiles({path.string() + ".missing"}, {}, 0, misread, error));
  EXPECT_NE(error.find(".missing"), std::string::npos);

  // The digest of the file's bytes, taken once; a file gone since is named.
  EXPECT_TRUE(fromFile.survey.files[0].sha256.empty());
  ASSERT_TRUE(AddFileDigests(fromFile.survey, error)) << error;
  EXPECT_EQ(fromFile.survey.files[0].sha256,
            Sha256Hex(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
  std::filesystem::remove(path);
  ASSERT_TRUE(AddFileDigests(fromFile.survey, error)) << "a digest is not taken twice";
  fromFile.survey.files[0].sha256.clear();
  EXPECT_FALSE(AddFileDigests(fromFile.survey, error));
  EXPECT_EQ(error.rfind(path.string() + ": ", 0), 0u) << error;
}

// The rows of one rule share a group whatever their harmonic number and phase; a duration reads
// in days, hours, minutes and seconds, leaving out the parts that are 0.
TEST(Assessment, CriterionGroupsAndDurations) {
  B log(kThreePhaseTabularLog, 3);
  const auto doc = log.Load();
  AssessOptions options = At(230);
  options.isc = 1000;
  const AssessmentResult r = AssessDocs({doc.get()}, options);
  const std::pair<const char*, const char*> groups[] = {
      {"en50160.frequency", "en50160.frequency"},
      {"en50160.voltage.b", "en50160.voltage"},
      {"en50160.harmonic.9.c", "en50160.harmonic"},
      {"ieee519.voltage.harmonic.50.a", "ieee519.voltage.harmonic"},
      {"ieee519.current.tdd.a", "ieee519.current.tdd"},
      {"ieee519.current.harmonic.3.b", "ieee519.current.harmonic"},
      {"ieee519.current.harmonic.3.b.weekly99", "ieee519.current.harmonic.weekly99"},
      {"ieee519.current.tdd.c.daily99", "ieee519.current.tdd.daily99"},
      {"ieee519.voltage.thd.a.daily99", "ieee519.voltage.thd.daily99"},
      {"nema.unbalance.lvur", "nema.unbalance.lvur"},
      {"en50160.flicker", "en50160.flicker"},
  };
  for (const auto& [id, group] : groups) EXPECT_EQ(CriterionGroup(Row(r, id)), group) << id;
  Criterion notRecorded;  // a log without harmonics: one row per phase
  notRecorded.id = "en50160.harmonic.ch2";
  notRecorded.phase = "ch2";
  EXPECT_EQ(CriterionGroup(notRecorded), "en50160.harmonic");

  EXPECT_EQ(DurationText(0), "0 s");
  EXPECT_EQ(DurationText(45), "45 s");
  EXPECT_EQ(DurationText(86400), "1 day");
  EXPECT_EQ(DurationText(7 * 86400), "7 days");
  EXPECT_EQ(DurationText(2 * 86400 + 3 * 3600 + 20 * 60), "2 days 3 h 20 min");
  EXPECT_EQ(DurationText(3600 + 1), "1 h 1 s");
}

// How far beyond its limit each rule's values lie, worked out by hand, and the failure furthest
// beyond its limit named the worst, whatever its kind.
TEST(Assessment, TheWorstFailureIsTheOneFurthestBeyondItsLimit) {
  // Harmonic 9 of phase B at 2 % (limit 1.5 %: a third beyond), harmonic 2 of phase A at 3 %
  // (limit 2 %: half beyond); IEEE 519 allows both (5 %).
  B log(kThreePhaseTabularLog, 300);
  log.PhaseHarmonics(0, 0, 230, {{2, 6.9f}}).PhaseHarmonics(1, 0, 230, {{9, 4.6f}});
  const auto doc = log.Load();
  const AssessmentResult r = AssessDocs({doc.get()}, At(230));
  EXPECT_NEAR(*Row(r, "en50160.harmonic.9.b").excess, 1.0 / 3, 1e-6);
  EXPECT_NEAR(*Row(r, "en50160.harmonic.2.a").excess, 0.5, 1e-6);
  EXPECT_NEAR(*Row(r, "ieee519.voltage.harmonic.9.b").excess, -0.6, 1e-6);  // 2 % of 5 %: a pass
  EXPECT_FALSE(Row(r, "en50160.flicker").excess.has_value());
  ASSERT_NE(r.WorstFailure(), nullptr);
  EXPECT_EQ(Failed(r), (std::vector<std::string>{"en50160.harmonic.2.a", "en50160.harmonic.9.b"}));
  EXPECT_EQ(r.WorstFailure()->id, "en50160.harmonic.2.a");

  // A share rule: 90 % of the 10-minute values within the band where 95 % must be, a shortfall
  // of 5/95; a value at 190 V breaks the outer band's 195.5 V by 5.5/195.5, less.
  const Criterion share = VoltageRow({{0, 206}, {1, 190}});
  EXPECT_EQ(share.verdict, Verdict::kFail);
  EXPECT_NEAR(*share.excess, 5.0 / 95, 1e-9);
  // 10 % beyond the outer band's top outweighs the shortfall of the share (5/95).
  EXPECT_NEAR(*VoltageRow({{0, 206}, {1, 278.3f}}).excess, 25.3 / 253, 1e-6);
  EXPECT_LE(*VoltageRow({}).excess, 0);  // a pass: within by a margin

  B clean(kThreePhaseTabularLog, 300);
  const auto cleanDoc = clean.Load();
  EXPECT_EQ(AssessDocs({cleanDoc.get()}, At(230)).WorstFailure(), nullptr);
}
