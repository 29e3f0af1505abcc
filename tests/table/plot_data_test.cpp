// What the plots draw: record times, trend breaks, spectra, waveforms and phasors, checked
// against hand-built records and against the cells the table shows under the same titles.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <string>

#include "LogBytes.h"
#include "samples/SampleLog.h"
#include "table/CellText.h"
#include "table/ColumnList.h"
#include "table/PlotData.h"

namespace {

CMeterlog2Doc LoadSample(int logType, uint32_t format = 1) {
  return LoadSampleLog(logType, format, 4);
}

// Column identifiers by the title the table shows them under.
std::map<std::string, int> Titles(const CMeterlog2Doc& doc) {
  ColumnList list;
  list.BuildColumns(doc.GetFirstLogType(), doc.GetDataFormat(), &doc);
  std::map<std::string, int> ids;
  for (const ColumnInfo& info : list.Entries()) ids[info.strTitle] = info.nColumnId;
  return ids;
}

double Cell(const CMeterlog2Doc& doc, unsigned row, const std::string& title) {
  const std::map<std::string, int> ids = Titles(doc);
  const auto it = ids.find(title);
  if (it == ids.end()) {
    ADD_FAILURE() << "no column \"" << title << "\"";
    return NAN;
  }
  return GetCellValue(doc, row, it->second).value_or(NAN);
}

// Sets the minute and second of a record's time stamp (hour 14, 03-07-2009).
void SetClock(HandLog& log, unsigned row, int minute, int second = 0) {
  log.SetByte(row, 2, static_cast<uint8_t>(minute));
  log.SetByte(row, 1, static_cast<uint8_t>(second));
}

}  // namespace

TEST(PlotData, RecordTimesCountSecondsOfTheInstrumentsClock) {
  HandLog log(3, 303, 1);
  for (unsigned row = 0; row < 3; ++row) log.SetType(row, 1);
  log.SetByte(1, 5, 13);  // month 13: "Invalid DateTime"
  // 29 February 2000, 23:59:59: a leap day of a year divisible by 400.
  log.SetByte(2, 1, 59), log.SetByte(2, 2, 59), log.SetByte(2, 3, 23);
  log.SetByte(2, 4, 29), log.SetByte(2, 5, 2), log.SetByte(2, 8, 2000 >> 8);
  log.SetByte(2, 9, 2000 & 0xFF);
  CMeterlog2Doc doc;
  log.LoadInto(doc);
  int64_t seconds = 0;
  ASSERT_TRUE(doc.GetTimeSeconds(seconds, 0));
  EXPECT_EQ(seconds, 1236434709);  // 03-07-2009 14:05:09
  EXPECT_FALSE(doc.GetTimeSeconds(seconds, 1));
  ASSERT_TRUE(doc.GetTimeSeconds(seconds, 2));
  EXPECT_EQ(seconds, 951868799);
  EXPECT_FALSE(doc.GetTimeSeconds(seconds, 3));  // no such record
}

TEST(PlotData, TrendBreaksWhereTheTimeJumpsAndSkipsInvalidTimes) {
  // Minutes 5, 6, 7, (invalid), 30, 31, then back to 2 and 3.
  const int minutes[] = {5, 6, 7, 8, 30, 31, 2, 3};
  HandLog log(8, 303, 1);
  for (unsigned row = 0; row < 8; ++row) {
    log.SetType(row, 1);
    SetClock(log, row, minutes[row]);
    log.SetFloat(row, 73, 50.0f + float(row));  // fFrequency
  }
  log.SetByte(3, 4, 31), log.SetByte(3, 5, 4);  // 31 April: invalid
  log.SetFloat(5, 73, INFINITY);
  CMeterlog2Doc doc;
  log.LoadInto(doc);

  const TrendAxis axis = BuildTrendAxis(doc);
  EXPECT_EQ(axis.usualInterval, 60);
  const std::vector<int64_t> rows = {0, 1, 2, kTrendBreak, 4, 5, kTrendBreak, 6, 7};
  EXPECT_EQ(axis.rows, rows);
  const double base = 1236434400;  // 14:00:00
  EXPECT_EQ(axis.times[0], base + 300);
  EXPECT_EQ(axis.times[3], base + (420 + 1800) / 2.0);  // midway through the gap
  EXPECT_EQ(axis.times[8], base + 180);

  const std::vector<double> values = TrendValues(doc, axis, 4);  // Frequency
  ASSERT_EQ(values.size(), rows.size());
  EXPECT_EQ(values[0], 50.0);
  EXPECT_EQ(values[4], 54.0);
  EXPECT_TRUE(std::isnan(values[3]));  // the break
  EXPECT_TRUE(std::isnan(values[5]));  // inf is no point
  EXPECT_EQ(values[8], 57.0);
  // A column without numbers gives no points at all.
  for (double v : TrendValues(doc, axis, 1)) EXPECT_TRUE(std::isnan(v));
}

TEST(PlotData, DefaultTrendIsTheFrequencyAndTheFirstVoltage) {
  auto titles = [](const CMeterlog2Doc& doc) {
    std::vector<std::string> names;
    const std::map<std::string, int> ids = Titles(doc);
    for (int id : DefaultTrendColumns(doc))
      for (const auto& [title, columnId] : ids)
        if (columnId == id) names.push_back(title);
    return names;
  };
  using Names = std::vector<std::string>;
  EXPECT_EQ(titles(LoadSample(4)), (Names{"3 Phase Frequency", "Phase A Volts Wide"}));
  EXPECT_EQ(titles(LoadSample(6)), (Names{"3 Phase Frequency", "Phase A Volts Wide"}));
  EXPECT_EQ(titles(LoadSample(5, 256)), (Names{"Phase A Volts"}));
  const CMeterlog2Doc standard = LoadSample(1);
  const Names names = titles(standard);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], "Frequency");
  EXPECT_EQ(UnitSymbol(GetColumnUnit(standard, Titles(standard)[names[1]])), std::string("V"));
  EXPECT_TRUE(DefaultTrendColumns(CMeterlog2Doc()).empty());
}

TEST(PlotData, SpectrumBarsAreTheRowsHarmonicCells) {
  struct Case {
    int type;
    std::vector<std::string> channels;  // title prefixes of the magnitudes, then of the THD
  };
  const Case cases[] = {
      {2, {"Ch1 ", "Ch2 "}},
      {3, {"Ch1 ", "Ch2 "}},
      {4,
       {"Phase A Volts ", "Phase A Current ", "Phase B Volts ", "Phase B Current ",
        "Phase C Volts ", "Phase C Current "}},
  };
  for (const Case& c : cases) {
    const CMeterlog2Doc doc = LoadSample(c.type);
    ASSERT_TRUE(HasSpectrum(doc));
    const unsigned row = 2;
    const std::vector<SpectrumChannel> spectrum = BuildSpectrum(doc, row);
    ASSERT_EQ(spectrum.size(), c.channels.size()) << c.type;
    for (size_t k = 0; k < spectrum.size(); ++k) {
      const std::string& p = c.channels[k];
      const bool single = c.type != 4;
      const std::string mag = single ? p + "Mag " : p;
      EXPECT_EQ(spectrum[k].fundamental, Cell(doc, row, mag + "Fund")) << mag;
      EXPECT_EQ(spectrum[k].Absolute(1), spectrum[k].fundamental);
      for (int n : {2, 3, 17, 50}) {
        const double harmonic = Cell(doc, row, mag + "Harm " + std::to_string(n));
        EXPECT_EQ(spectrum[k].Absolute(n), harmonic) << mag << n;
        EXPECT_DOUBLE_EQ(spectrum[k].Percent(n), 100 * harmonic / spectrum[k].fundamental);
      }
      EXPECT_DOUBLE_EQ(spectrum[k].Percent(1), 100);
      EXPECT_EQ(spectrum[k].thd, Cell(doc, row, p + "THD")) << p;
    }
  }
  EXPECT_EQ(BuildSpectrum(LoadSample(4), 0)[3].name, "Phase B Current");
  EXPECT_EQ(BuildSpectrum(LoadSample(2), 0)[0].name.rfind("Ch 1 ", 0), 0u);
  for (int type : {1, 5, 6}) EXPECT_TRUE(BuildSpectrum(LoadSample(type), 0).empty()) << type;
  EXPECT_TRUE(BuildSpectrum(LoadSample(2), 99).empty());
  SpectrumChannel empty;
  empty.fundamental = 0;
  EXPECT_TRUE(std::isnan(empty.Percent(2)));
}

TEST(PlotData, WaveformIsTheTwoSampleBlocksAsSignedCounts) {
  HandLog log(2, 1583, 1);
  log.SetType(0, 3);
  log.SetType(1, 3);
  for (int i = 0; i < 240; ++i) {
    log.SetByte(1, 1103 + size_t(i), uint8_t(i));        // 0..127, then -128..-17
    log.SetByte(1, 1343 + size_t(i), uint8_t(255 - i));  // -1 downwards, then 127..16
  }
  CMeterlog2Doc doc;
  log.LoadInto(doc);
  ASSERT_TRUE(HasWaveform(doc));
  const WaveformBlocks blocks = BuildWaveform(doc, 1);
  ASSERT_EQ(blocks.block[0].size(), 240u);
  ASSERT_EQ(blocks.block[1].size(), 240u);
  EXPECT_EQ(blocks.block[0][0], 0);
  EXPECT_EQ(blocks.block[0][127], 127);
  EXPECT_EQ(blocks.block[0][128], -128);
  EXPECT_EQ(blocks.block[0][239], -17);
  EXPECT_EQ(blocks.block[1][0], -1);
  EXPECT_EQ(blocks.block[1][128], 127);
  EXPECT_TRUE(BuildWaveform(doc, 2).block[0].empty());
  EXPECT_TRUE(BuildWaveform(LoadSample(2), 0).block[0].empty());
  EXPECT_FALSE(HasWaveform(LoadSample(4)));
}

TEST(PlotData, PhasorsOfTheVectorLayoutAreItsColumns) {
  const CMeterlog2Doc doc = LoadSample(5, 256);
  ASSERT_TRUE(HasPhasors(doc));
  const PhasorSet set = BuildPhasors(doc, 1);
  ASSERT_EQ(set.phasors.size(), 6u);
  EXPECT_TRUE(set.note.empty());
  const char* phases[] = {"A", "B", "C"};
  for (int p = 0; p < 3; ++p) {
    const std::string base = std::string("Phase ") + phases[p];
    EXPECT_EQ(set.phasors[p].magnitude, Cell(doc, 1, base + " Volts"));
    // The cells as the log holds them (-240); the phasors within (-180, 180] (120).
    EXPECT_EQ(set.phasors[p].angle, NormalizeDegrees(Cell(doc, 1, base + " Volts Phase")));
    EXPECT_EQ(set.phasors[p + 3].magnitude, Cell(doc, 1, base + " Current"));
    EXPECT_EQ(set.phasors[p + 3].angle, NormalizeDegrees(Cell(doc, 1, base + " Current Phase")));
    EXPECT_EQ(set.phasors[p].unit, Unit::kVolt);
    EXPECT_EQ(set.phasors[p + 3].unit, Unit::kAmpere);
  }
  EXPECT_EQ(set.phasors[4].name, "Ib");
  EXPECT_NEAR(Cell(doc, 1, "Phase C Volts Phase"), -240, 1e-3);
  EXPECT_NEAR(set.phasors[2].angle, 120, 1e-3);
}

TEST(PlotData, PhasorsFromPhaseAnglesStandAtTheNominalPlacesOfTheRotation) {
  // Three-phase sequential records: phase p's updateSettings block starts at 74 + 80p; fPhase
  // at +4 (radians), trChannel[0] fRms (volts wide) at +44, trChannel[1] fRms at +64.
  HandLog log(2, 2994, 1);
  for (unsigned row = 0; row < 2; ++row) {
    log.SetType(row, 6);
    for (size_t p = 0; p < 3; ++p) {
      log.SetFloat(row, 74 + 80 * p + 4, float(0.1 * double(p + 1)));
      log.SetFloat(row, 74 + 80 * p + 44, 230.0f + float(p));
      log.SetFloat(row, 74 + 80 * p + 64, 10.0f + float(p));
    }
  }
  log.SetByte(1, 73, 1);  // phase rotation CBA
  // In the second record the currents of phases B and C lead their voltages by 1.2 rad (68.75
  // degrees): C's -120 + 68.75 stays in range, and B's +120 + 68.75 = 188.75 reads -171.25.
  log.SetFloat(1, 74 + 80 * 1 + 4, -1.2f);
  log.SetFloat(1, 74 + 80 * 2 + 4, -1.2f);
  CMeterlog2Doc doc;
  log.LoadInto(doc);
  for (unsigned row : {0u, 1u}) {
    const PhasorSet set = BuildPhasors(doc, row);
    ASSERT_EQ(set.phasors.size(), 6u);
    EXPECT_FALSE(set.note.empty());
    const double sign = row == 0 ? 1 : -1;  // ABC: B lags A by 120 degrees; CBA: it leads
    const double nominal[3] = {0, -120 * sign, 120 * sign};
    for (int p = 0; p < 3; ++p) {
      const float radians = row == 1 && p > 0 ? -1.2f : float(0.1 * (p + 1));
      const double lag = radians * 180 / std::numbers::pi;
      double expected = nominal[p] - lag;
      if (expected > 180) expected -= 360;
      EXPECT_EQ(set.phasors[p].magnitude, 230.0 + p);
      EXPECT_EQ(set.phasors[p].angle, nominal[p]);
      EXPECT_EQ(set.phasors[p + 3].magnitude, 10.0 + p);
      EXPECT_NEAR(set.phasors[p + 3].angle, expected, 1e-4) << row << p;
    }
  }
  EXPECT_NEAR(BuildPhasors(doc, 1).phasors[4].angle, 120 + 1.2 * 180 / std::numbers::pi - 360,
              1e-4);
  EXPECT_FALSE(HasPhasors(LoadSample(2)));
  EXPECT_TRUE(BuildPhasors(doc, 5).phasors.empty());
}
