// Verdicts an engineer can sign, each case worked out by hand: declared Un, every week judged on
// its own, coverage and gaps, voltage classes, IEEE 519's daily and weekly 99th percentiles,
// values at their limits, the connection, interruptions and data read in the wrong byte order.
#include <gtest/gtest.h>

#include <cmath>

#include "SurveyLogs.h"
#include "assess/AssessmentWriters.h"
#include "log/LogTypes.h"

using namespace assess;
using B = SurveyLogBuilder;

namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A week of 10-minute Standard Log records from `start` with channel 1 at `volts`.
B Week(float volts, const std::string& start = "2009-03-02T00:00:00") {
  B log(kStandardLog, 1008, start, 600);
  log.FloatAll(B::ChannelRms(0), volts);
  return log;
}

}  // namespace

// A supply at 256 V declared 230 V fails; without Un nothing that depends on it is judged, and the
// records' 240 V is only a suggestion. 204 V on 230 V fails; 128 V on a 120 V service at 60 Hz
// fails ANSI C84.1's Range B (at most 127 V).
TEST(Verdicts, TheDeclaredUnDecides) {
  const auto high = Week(256).Load();
  const AssessmentResult declared = AssessDocs({high.get()}, At(230));
  EXPECT_EQ(Row(declared, "en50160.voltage.ch1").verdict, Verdict::kFail);
  EXPECT_EQ(Row(declared, "en50160.voltage.ch1").value, 0);
  EXPECT_EQ(declared.verdict, Verdict::kFail);
  const AssessmentResult open = AssessDocs({high.get()});
  EXPECT_EQ(open.verdict, Verdict::kIncomplete);
  EXPECT_EQ(open.survey.nominalVoltageSuggested, 240);
  EXPECT_TRUE(Contains(Row(open, "en50160.voltage.ch1").note, "the records suggest 240 V"));
  EXPECT_TRUE(Contains(VerdictSentence(open), "for want of the nominal voltage Un"));
  const auto low = Week(204).Load();
  EXPECT_EQ(Row(AssessDocs({low.get()}, At(230)), "en50160.voltage.ch1").verdict, Verdict::kFail);

  B service(kStandardLog, 1008, "2009-03-02T00:00:00", 600, 1, 60);
  service.FloatAll(B::ChannelRms(0), 128);
  const auto doc = service.Load();
  const AssessmentResult sixty = AssessDocs({doc.get()}, At(120));
  const Criterion& ansi = Row(sixty, "ansi_c84_1.voltage.ch1");
  EXPECT_EQ(ansi.verdict, Verdict::kFail);
  EXPECT_EQ(ansi.value, 0);  // none within Range A, 114 to 126 V
  EXPECT_TRUE(Contains(ansi.limit, "110 to 127 V")) << ansi.limit;
  EXPECT_EQ(sixty.verdict, Verdict::kFail);
}

// EN 50160 judges each week: 16 hours at 200 V in the first week of two leave 912 of its 1008
// 10-minute values within 207..253 V (90.48 %), a failure, though the two weeks pooled would pass
// (1920 of 2016, 95.24 %).
TEST(Verdicts, EveryWeekIsJudgedOnItsOwn) {
  B first = Week(230, "2009-03-02T00:00:00");
  for (unsigned row = 200; row < 296; ++row) first.Float(row, B::ChannelRms(0), 200);
  const auto a = first.Load(), b = Week(230, "2009-03-09T00:00:00").Load();
  const AssessmentResult r = AssessDocs({a.get(), b.get()}, At(230));
  ASSERT_EQ(r.survey.periods.size(), 2u);
  EXPECT_EQ(r.survey.periods[0].windows, 1008u);
  EXPECT_EQ(r.survey.periods[1].expectedWindows, 1008u);
  const Criterion& v = Row(r, "en50160.voltage.ch1");
  EXPECT_EQ(v.verdict, Verdict::kFail);
  ASSERT_EQ(v.periods.size(), 2u);
  EXPECT_DOUBLE_EQ(*v.periods[0].value, 100.0 * 912 / 1008);
  EXPECT_EQ(v.periods[0].verdict, Verdict::kFail);
  EXPECT_EQ(v.periods[1].value, 100);
  EXPECT_EQ(v.periods[1].verdict, Verdict::kPass);
  EXPECT_DOUBLE_EQ(*v.value, 100.0 * 912 / 1008);  // the worst week's
  EXPECT_EQ(v.count, 2016u);
  EXPECT_FALSE(r.indicative);
  EXPECT_TRUE(Contains(AssessmentTable(r), "week 1 90.48 % fail, week 2 100 % pass"));
}

// Day 1 and day 7 of a week hold 288 of the week's 1008 10-minute windows: the result is
// indicative, says why, and lists the five-day gap. Hourly records hold one window in six and
// lie further apart than the 10-minute values the standards judge.
TEST(Verdicts, CoverageAndGapsAreCounted) {
  B day1(kStandardLog, 144, "2009-03-02T00:00:00", 600),
      day7(kStandardLog, 144, "2009-03-08T00:00:00", 600);
  const auto a = day1.Load(), b = day7.Load();
  const AssessmentResult r = AssessDocs({a.get(), b.get()}, At(230));
  const SurveyFacts& s = r.survey;
  EXPECT_EQ(s.windows, 288u);
  EXPECT_EQ(s.windowsSpanned, 1008u);
  EXPECT_DOUBLE_EQ(s.coverage, 288.0 / 1008);
  ASSERT_EQ(s.periods.size(), 1u);
  EXPECT_EQ(s.periods[0].windows, 288u);
  ASSERT_EQ(s.gaps.size(), 1u);
  EXPECT_EQ(TimeText(s.gaps[0].start, TimeStyle::kIso), "2009-03-02T23:50:00");
  EXPECT_EQ(TimeText(s.gaps[0].end, TimeStyle::kIso), "2009-03-08T00:00:00");
  EXPECT_EQ(s.gaps[0].Seconds(), 5 * 86400 + 600);
  EXPECT_TRUE(r.indicative);
  EXPECT_TRUE(Contains(r.indicativeNote,
                       "week 1 (2009-03-02 00:00 to 2009-03-09 00:00) holds 288 "
                       "of its 1008 10-minute windows (28.57 %)"))
      << r.indicativeNote;
  EXPECT_TRUE(Contains(AssessmentJson(r), "\"duration_s\": 432600}"));

  // Three hours missing from day 3 of a week: the week holds 990 of 1008 windows (98.21 %), the
  // day 126 of 144 (87.5 %), short of what its daily statistics need: the day is named.
  B before(kStandardLog, 288 + 60, "2009-03-02T00:00:00", 600);
  B after(kStandardLog, 1008 - 288 - 60 - 18, "2009-03-04T13:00:00", 600);
  const auto c = before.Load(), d = after.Load();
  const AssessmentResult hours = AssessDocs({c.get(), d.get()}, At(230));
  EXPECT_EQ(hours.survey.periods[0].windows, 990u);
  EXPECT_TRUE(hours.indicative);
  EXPECT_TRUE(Contains(hours.indicativeNote,
                       "indicative: day 3 (2009-03-04 00:00 to 2009-03-05 "
                       "00:00) holds 126 of its 144 10-minute windows"))
      << hours.indicativeNote;
  EXPECT_FALSE(Contains(hours.indicativeNote, "week"));

  B hourly(kStandardLog, 168, "2009-03-02T00:00:00", 3600);
  const auto h = hourly.Load();
  const AssessmentResult coarse = AssessDocs({h.get()}, At(230));
  EXPECT_EQ(coarse.survey.windows, 168u);
  EXPECT_TRUE(coarse.indicative);
  EXPECT_TRUE(Contains(coarse.indicativeNote, "the records are 3600 s apart"));
  EXPECT_TRUE(coarse.survey.gaps.empty());  // regular records leave no gap
}

// 6350 V phase to neutral on a wye system is 11 kV between phases: EN 50160's medium-voltage
// limits (99 % within +/-10 %) and IEEE 519's row 1 kV < V <= 69 kV (3 %, THD 5 %), each named.
// Above 36 kV EN 50160 gives only indicative values, above 150 kV it does not apply.
TEST(Verdicts, LimitsOfTheVoltageClass) {
  B log(kThreePhaseTabularLog, 200, "2009-03-02T00:00:00", 600);
  for (int p = 0; p < 3; ++p) log.FloatAll(B::PhaseRms(p, 0), 6350);
  const auto doc = log.Load();
  const AssessmentResult mv = AssessDocs({doc.get()}, At(6350));
  EXPECT_EQ(mv.survey.voltageClass, VoltageClass::kMedium);
  EXPECT_NEAR(*mv.survey.systemVoltage, 6350 * std::sqrt(3.0), 1e-9);
  const Criterion& v = Row(mv, "en50160.voltage.a");
  EXPECT_TRUE(Contains(v.limit, "99 % of each week's")) << v.limit;
  EXPECT_TRUE(Contains(v.limit, "medium voltage")) << v.limit;
  EXPECT_EQ(Row(mv, "ieee519.voltage.harmonic.5.a").bands[0].high, 3);
  EXPECT_TRUE(Contains(Row(mv, "ieee519.voltage.harmonic.5.a").limit, "1 kV < V <= 69 kV"));
  EXPECT_EQ(Row(mv, "ieee519.voltage.thd.a").bands[0].high, 5);
  EXPECT_EQ(Row(mv, "ieee519.voltage.thd.a.daily99").bands[0].high, 7.5);
  EXPECT_FALSE(Contains(AssessmentTable(mv), "up to 1 kV"));

  const AssessmentResult hv = AssessDocs({doc.get()}, At(66000));
  EXPECT_EQ(hv.survey.voltageClass, VoltageClass::kHigh);
  EXPECT_EQ(Row(hv, "en50160.voltage.a").verdict, Verdict::kNotAssessed);
  EXPECT_TRUE(Contains(Row(hv, "en50160.thd.a").note, "indicative values"));
  EXPECT_EQ(Row(hv, "ieee519.voltage.thd.a").bands[0].high, 2.5);  // 114 kV: 69 to 161 kV
  EXPECT_EQ(Row(hv, "en50160.frequency").verdict, Verdict::kPass);
  const AssessmentResult ehv = AssessDocs({doc.get()}, At(230000));
  EXPECT_TRUE(Contains(Row(ehv, "en50160.frequency").note, "up to 150 kV"));
}

// A week of 1-minute records with 100 minutes of an 8 % 5th harmonic on its first day: the weekly
// 95th percentile of the 10-minute values (10 of 1008 at 8 %) is 0 and passes, but that day's
// 99th percentile of the records (element 1426 of 1440) is 8 %, above 1.5 x 5 % = 7.5 %, and
// fails; the records stand in for 3-second values, so that row is indicative.
TEST(Verdicts, IeeeDailyNinetyNinthPercentile) {
  B log(kThreePhaseTabularLog, 7 * 1440, "2009-03-02T00:00:00", 60);
  log.PhaseHarmonics(0, 0, 230, {});
  for (unsigned row = 600; row < 700; ++row) log.Float(row, B::PhaseHarmonic(0, 0, 5), 18.4f);
  const auto doc = log.Load();
  const AssessmentResult r = AssessDocs({doc.get()}, At(230));
  const Criterion& weekly = Row(r, "ieee519.voltage.harmonic.5.a");
  EXPECT_EQ(weekly.verdict, Verdict::kPass);
  EXPECT_EQ(weekly.value, 0);
  const Criterion& daily = Row(r, "ieee519.voltage.harmonic.5.a.daily99");
  EXPECT_EQ(daily.verdict, Verdict::kFail);
  EXPECT_NEAR(*daily.value, 8, 1e-5);
  EXPECT_EQ(daily.bands[0].high, 7.5);
  ASSERT_EQ(daily.periods.size(), 7u);
  EXPECT_EQ(daily.periods[0].count, 1440u);
  EXPECT_EQ(daily.periods[0].verdict, Verdict::kFail);
  EXPECT_EQ(daily.periods[1].value, 0);
  EXPECT_TRUE(daily.indicative);
  EXPECT_TRUE(Contains(daily.note, "stand in for IEEE 519's very-short-time (3-second) values"));
  EXPECT_EQ(Row(r, "ieee519.voltage.thd.a.daily99").verdict, Verdict::kPass);  // 8 % of 12 %
  EXPECT_EQ(r.verdict, Verdict::kFail);
}

// A 5th harmonic set to exactly 6 % of the fundamental (13.8 V of 230 V, 6.00000008 % through
// the floats) passes EN 50160's 6 %, and reads "6"; one a hundredth above fails and reads so.
TEST(Verdicts, AValueAtItsLimitPasses) {
  auto fifth = [](float volts) {
    B log(kThreePhaseTabularLog, 300, "2009-03-02T00:00:00", 60);
    log.PhaseHarmonics(0, 0, 230, {{5, volts}});
    const auto doc = log.Load();
    return AssessDocs({doc.get()}, At(230));
  };
  const AssessmentResult at = fifth(13.8f);
  const Criterion& c = Row(at, "en50160.harmonic.5.a");
  EXPECT_GT(*c.value, 6);                // the noise is there ...
  EXPECT_EQ(c.verdict, Verdict::kPass);  // ... and below the resolution
  EXPECT_EQ(ValueText(c, *c.value), "6");
  EXPECT_LE(*c.excess, 0);
  const AssessmentResult above = fifth(13.825f);  // 6.0109 %
  const Criterion& f = Row(above, "en50160.harmonic.5.a");
  EXPECT_EQ(f.verdict, Verdict::kFail);
  EXPECT_EQ(ValueText(f, *f.value), "6.01");
}

// A split-phase 120/240 V supply measured between its two phases is judged against 2 x Un; the
// same channel on a wye system against sqrt(3) x Un (207.8 V, where 240 V lies outside the band);
// on a delta system Un is the voltage between phases, and a channel to neutral is not judged.
TEST(Verdicts, TheConnectionRelatesChannelsToUn) {
  B log(kStandardLog, 200, "2009-03-02T00:00:00", 600);
  log.FloatAll(B::ChannelRms(0), 240);
  for (unsigned row = 0; row < 200; ++row) log.Byte(row, layout::cChannelSelect, 0);  // Vab
  const auto doc = log.Load();
  const AssessmentResult split = AssessDocs({doc.get()}, At(120, Connection::kSplitPhase));
  const Criterion& v = Row(split, "en50160.voltage.ch1");
  EXPECT_EQ(v.verdict, Verdict::kPass);
  EXPECT_EQ(v.bands[0].low, 216);
  EXPECT_TRUE(Contains(v.note, "2 x Un = 240 V"));
  EXPECT_EQ(split.survey.systemVoltage, 240);
  const AssessmentResult wye = AssessDocs({doc.get()}, At(120));
  EXPECT_EQ(Row(wye, "en50160.voltage.ch1").verdict, Verdict::kFail);
  EXPECT_EQ(Row(wye, "en50160.voltage.ch1").value, 0);
  const AssessmentResult delta = AssessDocs({doc.get()}, At(240, Connection::kDelta));
  EXPECT_EQ(Row(delta, "en50160.voltage.ch1").verdict, Verdict::kPass);

  const auto van = B(kStandardLog, 200, "2009-03-02T00:00:00", 600).Load();  // channel 1 Van
  const AssessmentResult noNeutral = AssessDocs({van.get()}, At(400, Connection::kDelta));
  EXPECT_EQ(noNeutral.FindCriterion("en50160.voltage.ch1"), nullptr);
  EXPECT_TRUE(Contains(noNeutral.notes.back(), "a delta system does not have"));
}

// Two hours of 0.5 V records, one a minute, are a long interruption: listed with its start and
// length, and its twelve 10-minute windows are left out of the supply voltage's statistics
// instead of failing them. With records ten minutes apart the windows are still left out, but
// the interruption cannot be timed.
TEST(Verdicts, AnInterruptionIsNoVoltageFailure) {
  B log(kStandardLog, 1440, "2009-03-02T00:00:00", 60);
  log.FloatAll(B::ChannelRms(0), 230);
  for (unsigned row = 600; row < 720; ++row) log.Float(row, B::ChannelRms(0), 0.5f);
  const auto doc = log.Load();
  const AssessmentResult r = AssessDocs({doc.get()}, At(230));
  ASSERT_EQ(r.survey.interruptions.size(), 1u);
  EXPECT_EQ(TimeText(r.survey.interruptions[0].start, TimeStyle::kIso), "2009-03-02T10:00:00");
  EXPECT_EQ(r.survey.interruptions[0].Seconds(), 7200);
  EXPECT_EQ(r.survey.windowsLeftOut, 12u);
  const Criterion& v = Row(r, "en50160.voltage.ch1");
  EXPECT_EQ(v.verdict, Verdict::kPass);
  EXPECT_EQ(v.count, 144u - 12);
  const Criterion& i = Row(r, "en50160.interruptions");
  EXPECT_EQ(i.verdict, Verdict::kInfo);
  EXPECT_EQ(i.value, 1);
  EXPECT_TRUE(Contains(i.note, "from 2009-03-02T10:00:00 for 2 h")) << i.note;

  B coarse(kStandardLog, 144, "2009-03-02T00:00:00", 600);
  coarse.FloatAll(B::ChannelRms(0), 230);
  for (unsigned row = 60; row < 72; ++row) coarse.Float(row, B::ChannelRms(0), 0.5f);
  const auto c = coarse.Load();
  const AssessmentResult tens = AssessDocs({c.get()}, At(230));
  EXPECT_EQ(tens.survey.windowsLeftOut, 12u);
  EXPECT_TRUE(tens.survey.interruptions.empty());
  EXPECT_EQ(Row(tens, "en50160.voltage.ch1").verdict, Verdict::kPass);
  EXPECT_EQ(Row(tens, "en50160.interruptions").verdict, Verdict::kNotAssessed);
  EXPECT_TRUE(Contains(Row(tens, "en50160.interruptions").note, "at most 60 s apart"));
}

// Read in the other byte order a Standard log's 50 Hz is a number near 2.6e-41: no verdict, and
// the message names the byte order and suggests the other one.
TEST(Verdicts, DataThatCannotBeASupplyGetsNoVerdict) {
  const auto doc = B(kStandardLog, 50).Load();
  const_cast<CMeterlog2Doc&>(*doc).SetDataFormat(kDataFormat0100);
  const SurveyLog log[] = {{"standard.57x", doc.get()}};
  AssessmentResult result;
  std::string error;
  AssessFailure failure = AssessFailure::kNone;
  EXPECT_FALSE(Assess(log, At(230), result, error, &failure));
  EXPECT_EQ(failure, AssessFailure::kImplausible);
  EXPECT_TRUE(Contains(error,
                       "standard.57x: the values cannot come from a supply as read in data "
                       "format 256 (Type 0100): its median frequency is"))
      << error;
  EXPECT_TRUE(Contains(error,
                       "outside 40 to 70 Hz; read the log in the other byte order, data "
                       "format 1 (Type 0001)"))
      << error;
  EXPECT_TRUE(result.criteria.empty());
}

// The overall verdict reads as what was judged: "passes the N criteria judged".
TEST(Verdicts, TheVerdictSaysWhatWasJudged) {
  const auto doc = Week(230).Load();
  const AssessmentResult r = AssessDocs({doc.get()}, At(230));
  ASSERT_EQ(r.verdict, Verdict::kPass) << AssessmentTable(r);
  EXPECT_EQ(VerdictSentence(r), "passes the " + std::to_string(r.Judged()) + " criteria judged");
  EXPECT_TRUE(Contains(AssessmentTable(r), "Verdict: PASS (passes the "));
}
