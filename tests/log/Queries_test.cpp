#include <gtest/gtest.h>

#include <cmath>

#include "CommaLocale.h"
#include "LogBytes.h"
#include "log/CMeterlog2Doc.h"

// Offsets and sizes are written out from the record layouts of the file format, not taken from
// the program's layout constants, so that a wrong constant there fails here.

namespace {

// Loads the records into a fresh document with the given marker.
void LoadRecords(CMeterlog2Doc& doc, uint32_t marker,
                 const std::vector<std::vector<uint8_t>>& records) {
  const uint16_t size = static_cast<uint16_t>(records.front().size());
  const auto file = MakeLogFile(marker, 0, static_cast<uint32_t>(records.size()), size, records);
  ASSERT_EQ(doc.LoadFromMemory(file.data(), file.size(), "q.57x").status,
            LoadResult::Status::kLoaded);
}

std::string Text(bool ok, const std::string& text) {
  return ok ? text : "<false>";
}

// A value as the table shows it.
std::string Num(bool ok, const double& value) {
  return ok ? Fixed6(value) : "<false>";
}

}  // namespace

TEST(Queries, ByteOrderFollowsTheCurrentDataFormat) {
  // 00 00 80 3F is 1.0 as stored; 3F 80 00 00 is 1.0 reversed.
  RecordBytes stored(303, 1);
  stored.Byte(73, 0x00).Byte(74, 0x00).Byte(75, 0x80).Byte(76, 0x3F);
  CMeterlog2Doc doc;
  LoadRecords(doc, 1, {stored.bytes});
  std::string text;
  double v = 0;
  EXPECT_EQ(Num(doc.GetFrequency(v, 0), v), "1.000000");
  EXPECT_EQ(doc.SetDataFormat(256), 1);
  EXPECT_EQ(Num(doc.GetFrequency(v, 0), v), "0.000000");  // 00 00 80 3F reversed: tiny

  RecordBytes reversed(303, 1);
  reversed.Byte(73, 0x3F).Byte(74, 0x80).Byte(75, 0x00).Byte(76, 0x00);
  LoadRecords(doc, 256, {reversed.bytes});
  EXPECT_EQ(Num(doc.GetFrequency(v, 0), v), "1.000000");
  // Any marker but 256 reads floats as stored.
  LoadRecords(doc, 2, {stored.bytes});
  EXPECT_EQ(Num(doc.GetFrequency(v, 0), v), "1.000000");
}

TEST(Queries, SetDataFormatAcceptsOnlyTheTwoMenuValues) {
  CMeterlog2Doc doc;
  LoadRecords(doc, 0, {RecordBytes(303, 1).bytes});
  EXPECT_EQ(doc.SetDataFormat(0), -1);
  EXPECT_EQ(doc.SetDataFormat(2), -1);
  EXPECT_EQ(doc.GetDataFormat(), 0u);
  EXPECT_EQ(doc.SetDataFormat(256), 0);
  EXPECT_EQ(doc.SetDataFormat(256), 256);
  EXPECT_EQ(doc.SetDataFormat(1), 256);
  EXPECT_EQ(doc.GetDetectedDataFormat(), 0u);
  // Revert asks for the detected 0, which is refused.
  EXPECT_EQ(doc.SetDataFormat(doc.GetDetectedDataFormat()), -1);
  EXPECT_EQ(doc.GetDataFormat(), 1u);
}

TEST(Queries, SinglePhaseValuesAndConversions) {
  for (bool reversed : {false, true}) {
    RecordBytes r(303, 1, reversed);
    r.Float(73, 59.75f)      // fFrequency
        .Float(77, 1.0f)     // fPhase
        .Float(85, -0.125f)  // fPower narrow
        .Float(89, 0.5f)     // fPowerFactor wide
        .Float(101, 12.0f)   // fVoltAmps narrow
        .Float(105, 3.0f)    // fVars wide
        .Float(137, 120.5f)  // channel 2 fRms
        .Float(121, 119.0f)  // channel 1 fMagnitude
        .Float(153, 1.5f)    // fWattHours
        .Float(157, 2.5f)    // fVoltAmpHours
        .Float(161, 3.5f);   // fVarHours
    CMeterlog2Doc doc;
    LoadRecords(doc, reversed ? 256 : 1, {r.bytes});
    std::string t;
    double v = 0;
    EXPECT_EQ(Num(doc.GetFrequency(v, 0), v), "59.750000");
    EXPECT_EQ(Num(doc.GetPhase(v, 0, 3), v), "57.295780");
    EXPECT_EQ(Num(doc.GetPower(v, 0, 1, 3), v), "-0.125000");
    EXPECT_EQ(Num(doc.GetPowerFactor(v, 0, 0, 3), v), "0.500000");
    EXPECT_EQ(Num(doc.GetVoltAmps(v, 0, 1, 3), v), "12.000000");
    EXPECT_EQ(Num(doc.GetVars(v, 0, 0, 3), v), "3.000000");
    EXPECT_EQ(Num(doc.GetChannelLevel(v, 0, 1, false, 3), v), "120.500000");
    EXPECT_EQ(Num(doc.GetChannelLevel(v, 0, 0, true, 3), v), "119.000000");
    EXPECT_EQ(Num(doc.GetWattHours(v, 0), v), "1.500000");
    EXPECT_EQ(Num(doc.GetVoltAmpHours(v, 0), v), "2.500000");
    EXPECT_EQ(Num(doc.GetVarHours(v, 0), v), "3.500000");
    // Volts and currents exist only in three-phase logs: single-phase reads 0.
    EXPECT_EQ(Num(doc.GetVoltage(v, 0, 0, 3), v), "0.000000");
    EXPECT_EQ(Num(doc.GetCurrentPhase(v, 0, 1), v), "0.000000");
  }
}

TEST(Queries, SelectorsOutOfRangeGiveFalse) {
  CMeterlog2Doc doc;
  LoadRecords(doc, 1, {RecordBytes(1583, 3).bytes});
  std::string t = "stale";
  double v = 0;
  EXPECT_FALSE(doc.GetPower(v, 0, 2, 3));
  EXPECT_FALSE(doc.GetChannelLevel(v, 0, 2, true, 3));
  EXPECT_FALSE(doc.GetThd(v, 0, 0, 4));
  EXPECT_FALSE(doc.GetHarmonicMagnitude(v, 0, 0, 49, 3));
  EXPECT_FALSE(doc.GetHarmonicPhase(v, 0, 2, 0, 3));
  EXPECT_FALSE(doc.GetPhase(v, 0, 7));
  EXPECT_FALSE(doc.GetFrequency(v, 1));
  EXPECT_FALSE(doc.GetTimeStamp(t, 1));
  EXPECT_FALSE(doc.GetChannelSelectName(t, 0, 2));
  EXPECT_EQ(t, "");
  EXPECT_FALSE(doc.GetKFactor(v, 0, 2, 3));
}

TEST(Queries, ThdIsComputedInSinglePrecision) {
  RecordBytes r(303, 1);
  r.Float(129, 1.0f).Float(117, 3.0f);  // channel 1 fResidual, fRms
  r.Float(149, 0.0f).Float(137, 0.0f);  // channel 2
  CMeterlog2Doc doc;
  LoadRecords(doc, 1, {r.bytes});
  std::string t;
  double v = 0;
  EXPECT_EQ(Num(doc.GetThd(v, 0, 0, 3), v), "33.333332");  // double would give 33.333333
  EXPECT_EQ(Num(doc.GetThd(v, 0, 1, 3), v), "0.000000");
  // A residual over an RMS of 0 is infinite, written as printf writes it.
  RecordBytes inf(303, 1);
  inf.Float(129, 2.0f);
  LoadRecords(doc, 1, {inf.bytes});
  EXPECT_EQ(Num(doc.GetThd(v, 0, 0, 3), v), "inf");
}

TEST(Queries, HarmonicMagnitudeScalesByTheSinglePrecisionRatio) {
  RecordBytes r(1103, 2);
  r.Float(121, 1.0f)        // A: channel 1 fMagnitude
      .Float(303, 3.0f)     // B: dspReturnChMag[0]
      .Float(399, 3.0e6f)   // harmonic 7, channel 1: 319 + 16 * 5
      .Float(141, 230.0f)   // channel 2 fMagnitude
      .Float(307, 0.0f)     // dspReturnChMag[1] = 0: scale 1
      .Float(1095, 4.25f);  // harmonic 50, channel 2: 319 + 16 * 48 + 8
  CMeterlog2Doc doc;
  LoadRecords(doc, 1, {r.bytes});
  std::string t;
  double v = 0;
  // 1/3 rounded to single precision is 0.3333333433..., so 3e6 times it is not 1e6.
  EXPECT_EQ(Num(doc.GetHarmonicMagnitude(v, 0, 0, 5, 3), v), "1000000.029802");
  EXPECT_EQ(Num(doc.GetHarmonicMagnitude(v, 0, 1, 48, 3), v), "4.250000");
}

TEST(Queries, HarmonicPhaseIsRelativeToTheFundamentalWithOneCorrection) {
  struct Case {
    float ph, p1;
    unsigned h;
    const char* expected;
  } cases[] = {
      {0.0f, 1.0f, 0, "-114.591559"},   // fmod(2.0, 2 pi) = 2.0, no correction
      {3.25f, 0.0f, 0, "-173.788717"},  // 3.25 > pi: one turn back
      {0.0f, 4.0f, 0, "-98.366236"},    // 8.0 wraps once before the subtraction
      {0.0f, -1.0f, 0, "114.591559"},   // fmod keeps the sign of its first operand
  };
  for (const Case& c : cases) {
    RecordBytes r(1103, 2);
    r.Float(323 + 16 * c.h, c.ph).Float(311, c.p1);  // phase of harmonic h, dspReturnChPh[0]
    CMeterlog2Doc doc;
    LoadRecords(doc, 1, {r.bytes});
    std::string t;
    double v = 0;
    EXPECT_EQ(Num(doc.GetHarmonicPhase(v, 0, 0, c.h, 3), v), c.expected);
  }
}

TEST(Queries, KFactor) {
  CMeterlog2Doc doc;
  RecordBytes none(1103, 2);
  none.Float(303, 1.0f);
  LoadRecords(doc, 1, {none.bytes});
  double v = 0;
  EXPECT_EQ(Num(doc.GetKFactor(v, 0, 0, 3), v), "1.000000");

  RecordBytes second(1103, 2);
  second.Float(303, 1.0f).Float(319, 0.5f);  // r = 0.25 at n = 2
  second.Float(307, 2.0f).Float(343, 1.0f);  // channel 2: n = 3
  second.Float(359, -5.0f);                  // channel 2, n = 4: negative counts as 0
  LoadRecords(doc, 1, {second.bytes});
  EXPECT_EQ(Num(doc.GetKFactor(v, 0, 0, 3), v), "1.600000");
  EXPECT_EQ(Num(doc.GetKFactor(v, 0, 1, 3), v), "2.600000");

  // A zero reference contributes nothing.
  RecordBytes zero(1103, 2);
  zero.Float(319, 7.0f);
  LoadRecords(doc, 1, {zero.bytes});
  EXPECT_EQ(Num(doc.GetKFactor(v, 0, 0, 3), v), "1.000000");
}

TEST(Queries, ThreePhaseOffsetsChosenByRecordZeroAndByPhase) {
  RecordBytes r(2994, 4);
  // updateSettings of phase p at 74 + 80p; the harmonic sequence of phase B at 1140.
  r.Float(74, 60.0f)         // phase A fFrequency
      .Float(238, 0.5f)      // phase C fPhase: 74 + 160 + 4
      .Float(2808, 0.1f)     // average fPhase
      .Float(166, 777.0f)    // phase B fPower narrow: 74 + 80 + 8 + 4
      .Float(2820, 2000.0f)  // total fPower wide
      .Float(2796, 229.0f)   // fVoltage narrow
      .Float(2800, 10.0f)    // fCurrent wide
      .Float(298, 11.0f)     // phase C, channel 2 fRms: 74 + 160 + 40 + 20 + 4
      .Float(210, 4.0f)      // phase B, channel 1 fResidual: 74 + 80 + 40 + 16
      .Float(198, 200.0f)    // phase B, channel 1 fRms: 74 + 80 + 40 + 4
      .Float(2844, 9.0f);    // fWattHours
  r.Float(222, 10.0f)        // A: phase B, channel 2 fMagnitude: 74 + 80 + 40 + 20 + 8
      .Float(1170, 4.0f)     // B: harmonicMeasurement[1] fMagnitude: 1140 + 2 + 20 + 8
      .Float(1238, 2.0f);    // H, n = 5, channel 2: 1140 + 42 + 16 * 3 + 8
  r.Byte(73, 3);             // byPhaseDirection
  // Row 1 claims to be single-phase: it is still read with record 0's layout.
  RecordBytes row1 = r;
  row1.Byte(0, 1).Byte(73, 7);
  CMeterlog2Doc doc;
  LoadRecords(doc, 1, {r.bytes, row1.bytes});
  std::string t;
  double v = 0;
  for (unsigned row : {0u, 1u}) {
    EXPECT_EQ(Num(doc.GetFrequency(v, row), v), "60.000000");
    EXPECT_EQ(Num(doc.GetPhase(v, row, 2), v), "28.647890");
    EXPECT_EQ(Num(doc.GetPhase(v, row, 3), v), "5.729578");
    EXPECT_EQ(Num(doc.GetPower(v, row, 1, 1), v), "777.000000");
    EXPECT_EQ(Num(doc.GetPower(v, row, 0, 3), v), "2000.000000");
    EXPECT_EQ(Num(doc.GetVoltage(v, row, 1, 0), v), "229.000000");  // averages for every p
    EXPECT_EQ(Num(doc.GetCurrent(v, row, 0, 2), v), "10.000000");
    EXPECT_EQ(Num(doc.GetVoltagePhase(v, row, 0), v), "0.000000");
    EXPECT_EQ(Num(doc.GetChannelLevel(v, row, 1, false, 2), v), "11.000000");
    EXPECT_EQ(Num(doc.GetThd(v, row, 0, 1), v), "2.000000");
    EXPECT_EQ(Num(doc.GetWattHours(v, row), v), "9.000000");
    EXPECT_EQ(Num(doc.GetHarmonicMagnitude(v, row, 1, 3, 1), v), "5.000000");
  }
  EXPECT_EQ(Text(doc.GetPhaseDirectionName(t, 0), t), "PF");
  EXPECT_EQ(Text(doc.GetPhaseDirectionName(t, 1), t), "unknown");
  EXPECT_EQ(Text(doc.GetLogTypeName(t, 1), t), "Standard Log");  // the row's own type
}

TEST(Queries, VectorLogReadsVectorsOnlyInFormat256) {
  RecordBytes r(2994, 5, true);
  r.Float(114, 230.0f)      // Va magnitude
      .Float(78, -2.0f)     // Vb phase
      .Float(106, 7.5f)     // Ic magnitude
      .Float(94, 0.25f)     // Ia phase
      .Float(2792, 231.0f)  // fVoltage wide
      .Float(2804, 8.0f);   // fCurrent narrow
  CMeterlog2Doc doc;
  LoadRecords(doc, 256, {r.bytes});
  ASSERT_TRUE(doc.IsVectorVariant());
  std::string t;
  double v = 0;
  EXPECT_EQ(Num(doc.GetVoltage(v, 0, 0, 0), v), "230.000000");
  EXPECT_EQ(Num(doc.GetVoltage(v, 0, 0, 3), v), "0.000000");
  EXPECT_EQ(Num(doc.GetVoltagePhase(v, 0, 1), v), "-114.591559");
  EXPECT_EQ(Num(doc.GetCurrent(v, 0, 1, 2), v), "7.500000");
  EXPECT_EQ(Num(doc.GetCurrentPhase(v, 0, 0), v), "14.323945");
  // The same record read as stored: the averages, and phases 0.
  doc.SetDataFormat(1);
  EXPECT_FALSE(doc.IsVectorVariant());
  EXPECT_EQ(Num(doc.GetVoltagePhase(v, 0, 1), v), "0.000000");
  doc.SetDataFormat(256);
  EXPECT_EQ(Num(doc.GetCurrent(v, 0, 1, 3), v), "0.000000");
}

TEST(Queries, NamesAndCodes) {
  RecordBytes r(303, 0x42);         // bits 6-7 are not part of the type
  r.Byte(23, 0x1C).Byte(24, 0xF6);  // cChannelSelect[0], [1]
  RecordBytes noType(303, 0x80);
  noType.Time(2009, 3, 7, 14, 5, 9);
  CMeterlog2Doc doc;
  LoadRecords(doc, 1, {r.bytes, noType.bytes});
  std::string t;
  int type = -1, code = -1;
  EXPECT_TRUE(doc.GetLogType(type, 0));
  EXPECT_EQ(type, 2);
  EXPECT_FALSE(doc.GetLogType(type, 1));
  EXPECT_EQ(type, 0);
  EXPECT_FALSE(doc.GetLogTypeName(t, 1));
  EXPECT_FALSE(doc.GetRecordTitle(t, 1));
  EXPECT_EQ(t, "");
  EXPECT_TRUE(doc.GetChannelSelect(code, 0, 0));
  EXPECT_EQ(code, 12);
  EXPECT_EQ(Text(doc.GetChannelSelectName(t, 0, 0), t), "Ch 1 Ia");
  EXPECT_EQ(Text(doc.GetChannelSelectName(t, 0, 1), t), "Ch 2 Van");
  EXPECT_EQ(Text(doc.GetPhaseDirectionName(t, 0), t), "ABC");
}

TEST(Queries, TimeStampsAreCheckedAgainstTheCalendar) {
  struct Case {
    int year, month, day, hour, minute, second;
    const char* expected;
  } cases[] = {
      {2009, 3, 7, 14, 5, 9, "03-07-2009 14:05:09"},
      {2008, 2, 29, 0, 0, 0, "02-29-2008 00:00:00"},
      {2000, 2, 29, 23, 59, 59, "02-29-2000 23:59:59"},
      {2009, 2, 29, 0, 0, 0, "Invalid DateTime"},
      {1900, 2, 29, 0, 0, 0, "Invalid DateTime"},
      {2009, 13, 1, 0, 0, 0, "Invalid DateTime"},
      {2009, 0, 1, 0, 0, 0, "Invalid DateTime"},
      {2009, 4, 31, 0, 0, 0, "Invalid DateTime"},
      {2009, 4, 0, 0, 0, 0, "Invalid DateTime"},
      {2009, 4, 1, 24, 0, 0, "Invalid DateTime"},
      {2009, 4, 1, 0, 60, 0, "Invalid DateTime"},
      {2009, 4, 1, 0, 0, 60, "Invalid DateTime"},
      {0, 4, 1, 0, 0, 0, "Invalid DateTime"},
  };
  for (const Case& c : cases) {
    RecordBytes r(303, 1);
    r.Time(c.year, c.month, c.day, c.hour, c.minute, c.second);
    CMeterlog2Doc doc;
    LoadRecords(doc, 1, {r.bytes});
    std::string t;
    EXPECT_EQ(Text(doc.GetTimeStamp(t, 0), t), c.expected) << c.year << "-" << c.month;
  }
}

TEST(Queries, ShortRecordsNeverReadPastTheirEnd) {
  // Records shorter than their layout: fields that do not fit are absent.
  CMeterlog2Doc doc;
  RecordBytes r(150, 2);
  r.Float(73, 50.0f);
  LoadRecords(doc, 1, {r.bytes});
  std::string t;
  double v = 0;
  EXPECT_EQ(Num(doc.GetFrequency(v, 0), v), "50.000000");
  EXPECT_FALSE(doc.GetHarmonicMagnitude(v, 0, 0, 0, 3));
  EXPECT_FALSE(doc.GetHarmonicPhase(v, 0, 0, 0, 3));
  EXPECT_FALSE(doc.GetKFactor(v, 0, 0, 3));
  EXPECT_FALSE(doc.GetWattHours(v, 0));

  for (uint16_t size : {1, 5, 9, 10, 13, 23, 73}) {
    std::vector<uint8_t> bytes(size, 0);
    bytes[0] = 4;
    LoadRecords(doc, 256, {bytes});
    int type;
    EXPECT_TRUE(doc.GetLogType(type, 0));
    EXPECT_EQ(doc.GetTimeStamp(t, 0), size >= 10) << size;
    EXPECT_EQ(doc.GetChannelSelectName(t, 0, 0), size >= 24) << size;
    EXPECT_EQ(doc.GetPhaseDirectionName(t, 0), size >= 74) << size;
    EXPECT_FALSE(doc.GetFrequency(v, 0));
    EXPECT_FALSE(doc.GetVoltage(v, 0, 0, 0));
    EXPECT_FALSE(doc.GetThd(v, 0, 0, 0));
  }
}

TEST(Queries, DecimalPointIgnoresTheProcessLocale) {
  CommaLocale comma;
  if (!comma.Armed()) GTEST_SKIP() << comma.Why();
  RecordBytes r(303, 1);
  r.Float(73, 50.25f);
  CMeterlog2Doc doc;
  LoadRecords(doc, 1, {r.bytes});
  double v = 0;
  EXPECT_EQ(Num(doc.GetFrequency(v, 0), v), "50.250000");
}

TEST(Queries, AllHarmonicMagnitudesAtOnceEqualEachOne) {
  // Every channel and phase of generated logs in both byte orders, and a Harmonic record cut
  // inside its table: the bulk query gives what the single one gives, NaN where that is false.
  for (const auto& [type, format] : {std::pair{2, 1u}, {3, 256u}, {4, 1u}, {4, 256u}}) {
    const CMeterlog2Doc doc = LoadSampleLog(type, format, 3);
    for (unsigned p : type == 4 ? std::vector<unsigned>{0, 1, 2} : std::vector<unsigned>{3})
      for (unsigned c = 0; c < 2; ++c) {
        std::array<double, 49> all{};
        ASSERT_TRUE(doc.GetHarmonicMagnitudes(all, 2, c, p));
        for (unsigned h = 0; h < 49; ++h) {
          double one = 0;
          ASSERT_TRUE(doc.GetHarmonicMagnitude(one, 2, c, h, p));
          EXPECT_EQ(all[h], one) << type << " " << format << " c" << c << " p" << p << " h" << h;
        }
      }
  }
  CMeterlog2Doc cut;
  RecordBytes r(319 + 16 * 10, 2);  // the table ends after harmonic 11 of channel 1
  r.Float(121, 230.0f).Float(303, 230.0f).Float(319 + 16 * 9, 4.6f);
  LoadRecords(cut, 1, {r.bytes});
  std::array<double, 49> all{};
  ASSERT_TRUE(cut.GetHarmonicMagnitudes(all, 0, 0, 3));
  EXPECT_EQ(all[9], double(4.6f));
  EXPECT_TRUE(std::isnan(all[10]));
  double one = 0;
  EXPECT_FALSE(cut.GetHarmonicMagnitude(one, 0, 0, 10, 3));
  EXPECT_FALSE(cut.GetHarmonicMagnitudes(all, 1, 0, 3));  // no such row
  EXPECT_FALSE(cut.GetHarmonicMagnitudes(all, 0, 2, 3));  // no such channel
}
