// The numbers behind the cells and their units.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "LogBytes.h"
#include "samples/SampleLog.h"
#include "table/CellText.h"
#include "table/ColumnCatalogue.h"
#include "table/ColumnList.h"

namespace {

CMeterlog2Doc LoadSample(int logType, uint32_t format, uint16_t recordSize = 0) {
  return LoadSampleLog(logType, format, 3, recordSize);
}

// Unit symbol by header title, for the columns of the log's set.
std::map<std::string, std::string> Units(const CMeterlog2Doc& doc) {
  ColumnList list;
  list.BuildColumns(doc.GetFirstLogType(), doc.GetDataFormat(), &doc);
  std::map<std::string, std::string> units;
  for (const ColumnInfo& info : list.Entries()) {
    units[info.strTitle] = UnitSymbol(GetColumnUnit(doc, info.nColumnId));
  }
  return units;
}

TEST(CellValue, EveryNumericCellIsItsValueWrittenWithPercentF) {
  // Every identifier, on every log type in both byte orders, also on records cut short (where
  // cells read "Oops!"): a number exactly where the cell shows one, and the text is that number.
  std::string text;
  for (int type = 1; type <= 6; ++type) {
    for (uint32_t format : {1u, 256u}) {
      for (uint16_t size : {uint16_t{0}, uint16_t{200}}) {
        const CMeterlog2Doc doc = LoadSample(type, format, size);
        for (unsigned row = 0; row < doc.GetRecordCount(); ++row) {
          for (int id = 0; id < kColumnIdCount; ++id) {
            GetCellText(doc, row, id, text);
            const std::optional<double> value = GetCellValue(doc, row, id);
            if (!IsNumericColumn(id)) {
              EXPECT_FALSE(value) << id;
              continue;
            }
            if (text == "Oops!") {
              EXPECT_FALSE(value) << "type " << type << " id " << id;
            } else {
              ASSERT_TRUE(value) << "type " << type << " id " << id << ": " << text;
              EXPECT_EQ(Fixed6(*value), text) << "type " << type << " id " << id;
            }
          }
        }
      }
    }
  }
}

TEST(CellValue, TextColumnsAreNotNumbers) {
  for (int id : {0, 1, 2, 3, 225}) EXPECT_FALSE(IsNumericColumn(id)) << id;
  EXPECT_FALSE(IsNumericColumn(251));  // a per-phase quantity without a query: "-"
  EXPECT_FALSE(IsNumericColumn(-1));
  EXPECT_FALSE(IsNumericColumn(kColumnIdCount));
  for (int id : {4, 7, 12, 23, 74, 226, 284, 890, 901}) EXPECT_TRUE(IsNumericColumn(id)) << id;
  const CMeterlog2Doc doc = LoadSample(1, 1);
  EXPECT_EQ(GetCellValue(doc, 0, 1), std::nullopt);           // the time
  EXPECT_EQ(GetCellValue(doc, 9, 4), std::nullopt);           // beyond the records
  EXPECT_EQ(GetCellValue(doc, 0, 4).value_or(0) > 45, true);  // a frequency
}

TEST(CellValue, UnitsOfTheSinglePhaseSets) {
  // The samples measure channel 1 on Van and channel 2 on Ia.
  const auto standard = Units(LoadSample(1, 1));
  const std::map<std::string, std::string> expected = {
      {"Log Type", ""},
      {"Time", ""},
      {"Ch1 Select", ""},
      {"Ch2 Select", ""},
      {"Frequency", "Hz"},
      {"Phase", "\xC2\xB0"},
      {"Power Wide", "W"},
      {"Power Factor Wide", ""},
      {"Volt Amps Wide", "VA"},
      {"VARs Wide", "var"},
      {"Ch1 Mag Wide", "V"},
      {"Ch1 Mag Narrow", "V"},
      {"Ch1 THD", "%"},
      {"Power Narrow", "W"},
      {"Power Factor Narrow", ""},
      {"Volt Amps Narrow", "VA"},
      {"VARs Narrow", "var"},
      {"Ch2 Mag Wide", "A"},
      {"Ch2 Mag Narrow", "A"},
      {"Ch2 THD", "%"},
      {"Watt Hours", "Wh"},
      {"Volt Amp Hours", "VAh"},
      {"VAR Hours", "varh"},
  };
  EXPECT_EQ(standard, expected);

  const auto harmonic = Units(LoadSample(2, 256));
  EXPECT_EQ(harmonic.at("Ch1 K-Factor"), "");
  EXPECT_EQ(harmonic.at("Ch1 Mag Fund"), "V");
  EXPECT_EQ(harmonic.at("Ch1 Mag Harm 7"), "V");
  EXPECT_EQ(harmonic.at("Ch2 Mag Harm 50"), "A");
  EXPECT_EQ(harmonic.at("Ch1 Ph Fund"), "\xC2\xB0");
  EXPECT_EQ(harmonic.at("Ch2 Ph Harm 2"), "\xC2\xB0");
  EXPECT_EQ(Units(LoadSample(3, 1)), harmonic);
}

TEST(CellValue, UnitsOfTheThreePhaseSets) {
  const auto tabular = Units(LoadSample(4, 1));
  EXPECT_EQ(tabular.at("3 Phase Direction"), "");
  EXPECT_EQ(tabular.at("3 Phase Frequency"), "Hz");
  EXPECT_EQ(tabular.at("Average Volts Wide"), "V");
  EXPECT_EQ(tabular.at("Average Current Narrow"), "A");
  EXPECT_EQ(tabular.at("Average Power Factor Wide"), "");
  EXPECT_EQ(tabular.at("Total VARs Narrow"), "var");
  EXPECT_EQ(tabular.at("Phase A Phase Angle"), "\xC2\xB0");
  EXPECT_EQ(tabular.at("Phase B Volts Narrow"), "V");
  EXPECT_EQ(tabular.at("Phase C Current Narrow"), "A");
  EXPECT_EQ(tabular.at("Phase C Current THD"), "%");
  EXPECT_EQ(tabular.at("Phase A Volts K-Factor"), "");
  EXPECT_EQ(tabular.at("Phase B Current Harm 11"), "A");
  EXPECT_EQ(tabular.at("Phase C Volts Harm 3"), "V");
  EXPECT_EQ(tabular.at("Phase A Volts Phase Angle Harm 5"), "\xC2\xB0");

  const auto vector = Units(LoadSample(5, 256));
  ASSERT_EQ(vector.size(), 18u);
  size_t volts = 0, amperes = 0, degrees = 0;
  for (const auto& [title, unit] : vector) {
    volts += unit == "V";
    amperes += unit == "A";
    degrees += unit == "\xC2\xB0";
  }
  EXPECT_GE(volts, 3u);
  EXPECT_GE(amperes, 3u);
  EXPECT_GE(degrees, 6u);
}

TEST(CellValue, AChannelSetToNoMeasuredInputHasNoUnit) {
  // Channel select 15 is the calibration input: neither volts nor amperes.
  HandLog log(1, 303, 1);
  log.SetType(0, 1);
  log.SetByte(0, 23, 0x0F);  // cChannelSelect[0]: Cal
  log.SetByte(0, 24, 12);    // cChannelSelect[1]: Ia
  CMeterlog2Doc doc;
  log.LoadInto(doc);
  std::string text;
  GetCellText(doc, 0, 2, text);
  ASSERT_EQ(text, "Ch 1 Cal");
  EXPECT_EQ(GetColumnUnit(doc, 10), Unit::kNone);
  EXPECT_EQ(GetColumnUnit(doc, 17), Unit::kAmpere);
}

}  // namespace
