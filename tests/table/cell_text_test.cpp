// Cell texts of every identifier family, read from records whose fields hold values that
// name their own offsets, so a column wired to the wrong field or selector shows up.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include "LogBytes.h"
#include "table/CellText.h"
#include "table/ColumnCatalogue.h"
#include "table/ColumnList.h"

namespace {

std::string Degrees(float radians) {
  return Fixed6(static_cast<double>(radians) * kRadiansToDegrees);
}
std::string Value(double v) {
  return Fixed6(v);
}
std::string Thd(float residual, float rms) {
  const float thd = 100.0f * residual / rms;
  return Fixed6(thd);
}

// Checks the cells of row `row` by header title; every column of the set must be listed once.
void ExpectCells(const CMeterlog2Doc& doc, const ColumnList& list, unsigned row,
                 const std::map<std::string, std::string>& expected, bool requireAll) {
  std::string text;
  size_t checked = 0;
  for (const ColumnInfo& info : list.Entries()) {
    const auto it = expected.find(info.strTitle);
    if (it == expected.end()) {
      EXPECT_FALSE(requireAll) << "no expectation for " << info.strTitle;
      continue;
    }
    GetCellText(doc, row, info.nColumnId, text);
    EXPECT_EQ(text, it->second) << info.strTitle << " (identifier " << info.nColumnId << ")";
    ++checked;
  }
  EXPECT_EQ(checked, expected.size()) << "some expected titles are not in the column set";
}

// A three-phase log whose per-phase and summary fields hold their own offsets.
HandLog ThreePhaseLog(uint8_t type, uint32_t format, unsigned records = 2) {
  HandLog log(records, 2994, format);
  for (unsigned row = 0; row < records; ++row) {
    log.SetType(row, type);
    log.SetByte(row, 73, 1);  // byPhaseDirection: CBA
    for (size_t p = 0; p < 3; ++p) {
      const size_t base = 74 + 80 * p;
      for (size_t r = 0; r < 80; r += 4) log.SetFloat(row, base + r, static_cast<float>(base + r));
    }
    for (size_t offset = 2792; offset <= 2852; offset += 4) {
      log.SetFloat(row, offset, static_cast<float>(offset));
    }
  }
  return log;
}

TEST(CellText, SinglePhaseColumns) {
  HandLog log(2, 1103, 1);
  for (unsigned row = 0; row < 2; ++row) {
    log.SetType(row, 2);
    log.SetByte(row, 23, 0x1C);  // channel 1: code 12
    log.SetByte(row, 24, 0x08);  // channel 2: code 8
    for (size_t offset = 73; offset <= 161; offset += 4) {
      log.SetFloat(row, offset, static_cast<float>(offset));
    }
  }
  // Row 0: reference magnitudes 4 and 8, reference phases 0; harmonic i of channel c has
  // magnitude (i + 2) / 8 and phase 0.001 (i + 1) + 0.1 c radians.
  log.SetFloat(0, 303, 4.0f);
  log.SetFloat(0, 307, 8.0f);
  for (size_t i = 0; i < 49; ++i) {
    for (size_t c = 0; c < 2; ++c) {
      log.SetFloat(0, 319 + 16 * i + 8 * c, static_cast<float>(i + 2) / 8.0f);
      log.SetFloat(0, 323 + 16 * i + 8 * c, 0.001f * static_cast<float>(i + 1) + 0.1f * c);
    }
  }
  // Row 1: each channel's harmonic c + 2 equals its reference, every other harmonic 0, so
  // its K-factor is (1 + (c + 2)^2) / 2.
  log.SetFloat(1, 303, 4.0f);
  log.SetFloat(1, 307, 8.0f);
  log.SetFloat(1, 319 + 16 * 0 + 0, 4.0f);
  log.SetFloat(1, 319 + 16 * 1 + 8, 8.0f);
  log.SetFloat(1, 311, 1.5f);  // reference phases never reach the "Ph Fund" columns
  log.SetFloat(1, 315, -2.5f);
  CMeterlog2Doc doc;
  log.LoadInto(doc);
  ColumnList list;
  ASSERT_EQ(list.BuildColumns(doc.GetFirstLogType(), 0, &doc), 225);

  std::map<std::string, std::string> row0 = {
      {"Log Type", "Harmonic Log"},     {"Time", "03-07-2009 14:05:09"},
      {"Ch1 Select", "Ch 1 Ia"},        {"Ch2 Select", "Ch 2 Vcn"},
      {"Frequency", Value(73)},         {"Phase", Degrees(77)},
      {"Power Wide", Value(81)},        {"Power Narrow", Value(85)},
      {"Power Factor Wide", Value(89)}, {"Power Factor Narrow", Value(93)},
      {"Volt Amps Wide", Value(97)},    {"Volt Amps Narrow", Value(101)},
      {"VARs Wide", Value(105)},        {"VARs Narrow", Value(109)},
      {"Ch1 Mag Wide", Value(117)},     {"Ch1 Mag Narrow", Value(121)},
      {"Ch1 THD", Thd(129, 117)},       {"Ch2 Mag Wide", Value(137)},
      {"Ch2 Mag Narrow", Value(141)},   {"Ch2 THD", Thd(149, 137)},
      {"Watt Hours", Value(153)},       {"Volt Amp Hours", Value(157)},
      {"VAR Hours", Value(161)},        {"Ch1 Mag Fund", Value(121)},
      {"Ch2 Mag Fund", Value(141)},     {"Ch1 Ph Fund", "0.000000"},
      {"Ch2 Ph Fund", "0.000000"},
  };
  for (int h = 2; h <= 50; ++h) {
    const std::string n = std::to_string(h);
    // Scaled by the channel's magnitude over its reference: 121 / 4 and 141 / 8.
    row0["Ch1 Mag Harm " + n] = Value(h / 8.0 * (121.0 / 4.0));
    row0["Ch2 Mag Harm " + n] = Value(h / 8.0 * static_cast<double>(141.0f / 8.0f));
    row0["Ch1 Ph Harm " + n] = Degrees(0.001f * static_cast<float>(h - 1));
    row0["Ch2 Ph Harm " + n] = Degrees(0.001f * static_cast<float>(h - 1) + 0.1f);
  }
  double kFactor = 0;
  doc.GetKFactor(kFactor, 0, 0, 3);
  row0["Ch1 K-Factor"] = Value(kFactor);
  doc.GetKFactor(kFactor, 0, 1, 3);
  row0["Ch2 K-Factor"] = Value(kFactor);
  ASSERT_NE(row0["Ch1 K-Factor"], row0["Ch2 K-Factor"]);
  ExpectCells(doc, list, 0, row0, true);

  ExpectCells(doc, list, 1,
              {{"Time", "03-07-2009 14:06:09"},
               {"Ch1 K-Factor", "2.500000"},
               {"Ch2 K-Factor", "5.000000"},
               {"Ch1 Ph Fund", "0.000000"},
               {"Ch2 Ph Fund", "0.000000"}},
              false);
}

TEST(CellText, ThreePhaseColumns) {
  HandLog log = ThreePhaseLog(4, 1);
  // Harmonic block (p, q) = (phase, volts/current), k = 2p + q. Row 0: reference magnitude
  // 4, reference phase 0, harmonic i magnitude (i + 2) / 8 and phase 0.001 (i + 1) + 0.1 k.
  // Row 1: harmonic k + 2 equals the reference, so the K-factor is (1 + (k + 2)^2) / 2.
  for (size_t p = 0; p < 3; ++p) {
    for (size_t q = 0; q < 2; ++q) {
      const size_t k = 2 * p + q;
      const size_t seq = 314 + 826 * p;
      const size_t measurement = seq + 2 + 20 * q;
      for (unsigned row = 0; row < 2; ++row) {
        log.SetFloat(row, measurement + 8, 4.0f);
        log.SetFloat(row, measurement + 12, row == 0 ? 0.0f : 1.0f);
      }
      for (size_t i = 0; i < 49; ++i) {
        log.SetFloat(0, seq + 42 + 16 * i + 8 * q, static_cast<float>(i + 2) / 8.0f);
        log.SetFloat(0, seq + 46 + 16 * i + 8 * q,
                     0.001f * static_cast<float>(i + 1) + 0.1f * static_cast<float>(k));
      }
      log.SetFloat(1, seq + 42 + 16 * k + 8 * q, 4.0f);
    }
  }
  CMeterlog2Doc doc;
  log.LoadInto(doc);
  ColumnList list;
  ASSERT_EQ(list.BuildColumns(doc.GetFirstLogType(), 0, &doc), 665);

  std::map<std::string, std::string> row0 = {
      {"Log Type", "Three Phase Tabular Log"},
      {"Time", "03-07-2009 14:05:09"},
      {"Watt Hours", Value(2844)},
      {"Volt Amp Hours", Value(2848)},
      {"VAR Hours", Value(2852)},
      {"3 Phase Direction", "CBA"},
      {"Average Phase", Degrees(2808)},
      {"Average Volts Wide", Value(2792)},
      {"Average Volts Narrow", Value(2796)},
      {"Average Current Wide", Value(2800)},
      {"Average Current Narrow", Value(2804)},
      {"Average Power Factor Wide", Value(2812)},
      {"Average Power Factor Narrow", Value(2816)},
      {"Total Power Wide", Value(2820)},
      {"Total Power Narrow", Value(2824)},
      {"Total Volt Amps Wide", Value(2828)},
      {"Total Volt Amps Narrow", Value(2832)},
      {"Total VARs Wide", Value(2836)},
      {"Total VARs Narrow", Value(2840)},
      {"3 Phase Frequency", Value(74)},
  };
  for (int p = 0; p < 3; ++p) {
    const std::string phase = std::string("Phase ") + static_cast<char>('A' + p) + " ";
    const int b = 74 + 80 * p;  // updateSettings of the phase
    row0[phase + "Phase Angle"] = Degrees(static_cast<float>(b + 4));
    row0[phase + "Power Wide"] = Value(b + 8);
    row0[phase + "Power Narrow"] = Value(b + 12);
    row0[phase + "Power Factor Wide"] = Value(b + 16);
    row0[phase + "Power Factor Narrow"] = Value(b + 20);
    row0[phase + "Volt Amps Wide"] = Value(b + 24);
    row0[phase + "Volt Amps Narrow"] = Value(b + 28);
    row0[phase + "VARs Wide"] = Value(b + 32);
    row0[phase + "VARs Narrow"] = Value(b + 36);
    row0[phase + "Volts Wide"] = Value(b + 44);  // volts fRms
    row0[phase + "Volts THD"] = Thd(static_cast<float>(b + 56), static_cast<float>(b + 44));
    row0[phase + "Current THD"] = Thd(static_cast<float>(b + 76), static_cast<float>(b + 64));
    if (p == 1) {
      row0[phase + "Volts Narrow"] = Value(b + 48);  // volts fMagnitude
    } else {
      row0[phase + "Current Narrow"] = Value(b + 68);  // current fMagnitude
    }
    for (int q = 0; q < 2; ++q) {
      const int k = 2 * p + q;
      const std::string block = phase + (q == 0 ? "Volts " : "Current ");
      const int level = b + 48 + 20 * q;  // the channel's fMagnitude
      row0[block + "Fund"] = Value(level);
      row0[block + "Phase Angle Fund"] = "0.000000";
      for (int h = 2; h <= 50; ++h) {
        const std::string n = std::to_string(h);
        row0[block + "Harm " + n] = Value(h / 8.0 * (level / 4.0));
        row0[block + "Phase Angle Harm " + n] =
            Degrees(0.001f * static_cast<float>(h - 1) + 0.1f * static_cast<float>(k));
      }
      double kFactor = 0;
      doc.GetKFactor(kFactor, 0, static_cast<unsigned>(q), static_cast<unsigned>(p));
      row0[block + "K-Factor"] = Value(kFactor);
    }
  }
  ExpectCells(doc, list, 0, row0, true);

  std::map<std::string, std::string> row1;
  for (int k = 0; k < 6; ++k) {
    const std::string block = std::string("Phase ") + static_cast<char>('A' + k / 2) +
                              (k % 2 == 0 ? " Volts " : " Current ");
    row1[block + "K-Factor"] = Value((1.0 + (k + 2) * (k + 2)) / 2.0);
    row1[block + "Phase Angle Fund"] = "0.000000";  // whatever the reference phase holds
  }
  ExpectCells(doc, list, 1, row1, false);
}

TEST(CellText, VectorColumnsFollowTheDataFormat) {
  HandLog log = ThreePhaseLog(5, 256, 1);
  CMeterlog2Doc doc;
  log.LoadInto(doc);
  ColumnList list;
  ASSERT_EQ(list.BuildColumns(doc.GetFirstLogType(), 0, &doc), 18);
  // Read as vectors the same bytes are magnitudes and phases, phase A last in the block.
  std::map<std::string, std::string> vector = {
      {"Log Type", "Three Phase Vector Log"},
      {"Time", "03-07-2009 14:05:09"},
      {"Watt Hours", Value(2844)},
      {"Volt Amp Hours", Value(2848)},
      {"VAR Hours", Value(2852)},
      {"3 Phase Direction", "CBA"},
      {"Phase A Volts", Value(114)},
      {"Phase A Volts Phase", Degrees(118)},
      {"Phase A Current", Value(90)},
      {"Phase A Current Phase", Degrees(94)},
      {"Phase B Volts", Value(74)},
      {"Phase B Volts Phase", Degrees(78)},
      {"Phase B Current", Value(98)},
      {"Phase B Current Phase", Degrees(102)},
      {"Phase C Volts", Value(82)},
      {"Phase C Volts Phase", Degrees(86)},
      {"Phase C Current", Value(106)},
      {"Phase C Current Phase", Degrees(110)},
  };
  ExpectCells(doc, list, 0, vector, true);

  // "Type 0001": the three-phase set, every float read without the reversal; the vector
  // identifiers read 0 outside the vector layout.
  ASSERT_EQ(doc.SetDataFormat(1), 256);
  ASSERT_EQ(list.BuildColumns(doc.GetFirstLogType(), 1, &doc), 59);
  float stored = 2844.0f;
  uint8_t bytes[4];
  std::memcpy(bytes, &stored, 4);
  std::swap(bytes[0], bytes[3]);
  std::swap(bytes[1], bytes[2]);
  std::memcpy(&stored, bytes, 4);
  ExpectCells(doc, list, 0,
              {{"Log Type", "Three Phase Vector Log"},
               {"Time", "03-07-2009 14:05:09"},
               {"3 Phase Direction", "CBA"},
               {"Watt Hours", Value(stored)}},
              false);
  std::string text;
  for (int id = 890; id <= 901; ++id) {
    GetCellText(doc, 0, id, text);
    EXPECT_EQ(text, "0.000000") << id;
  }
}

TEST(CellText, Fallbacks) {
  HandLog log = ThreePhaseLog(4, 1, 3);
  log.SetType(1, 9);     // no log type: "Oops!" under "Log Type", values elsewhere
  log.SetType(2, 0x42);  // log type 2 in the low bits, still read with the three-phase layout
  CMeterlog2Doc doc;
  log.LoadInto(doc);
  std::string text;

  GetCellText(doc, 1, 0, text);
  EXPECT_EQ(text, "Oops!");
  GetCellText(doc, 1, 240, text);
  EXPECT_EQ(text, Value(82));
  GetCellText(doc, 2, 0, text);
  EXPECT_EQ(text, "Harmonic Log");
  GetCellText(doc, 2, 240, text);
  EXPECT_EQ(text, Value(82));

  // Identifiers without a query, and numbers outside the catalogue.
  for (int id : {245, 251, 260, 267, 275, 281, -1, 902, 100000}) {
    text = "stale";
    GetCellText(doc, 0, id, text);
    EXPECT_EQ(text, "-") << id;
  }
  // A row without a record: every query fails.
  GetCellText(doc, 3, 240, text);
  EXPECT_EQ(text, "Oops!");
  GetCellText(doc, 3, 284, text);  // K-factor appends; the cell must still be just "Oops!"
  EXPECT_EQ(text, "Oops!");
}

TEST(CellText, FieldsBeyondAShortRecordReadOops) {
  HandLog log(1, 120, 1);  // a Standard record cut after byte 119
  log.SetType(0, 1);
  for (size_t offset = 73; offset + 4 <= 120; offset += 4) {
    log.SetFloat(0, offset, static_cast<float>(offset));
  }
  CMeterlog2Doc doc;
  log.LoadInto(doc);
  ColumnList list;
  list.BuildColumns(1, 1);
  ExpectCells(doc, list, 0,
              {{"Log Type", "Standard Log"},
               {"Frequency", Value(73)},
               {"VARs Narrow", Value(109)},
               {"Ch1 Mag Wide", "Oops!"},  // bytes 117..120
               {"Ch1 THD", "Oops!"},
               {"Ch2 Mag Narrow", "Oops!"},
               {"Watt Hours", "Oops!"},
               {"VAR Hours", "Oops!"}},
              false);
}

}  // namespace
