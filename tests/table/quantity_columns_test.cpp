// Each named column lookup lands on the column whose header says that quantity. The expected
// titles are written out by hand, so a lookup that is off by one block, one phase or one
// harmonic fails here rather than in a plot or a verdict.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "table/ColumnCatalogue.h"
#include "table/QuantityColumns.h"

namespace {

using namespace meterlog2::table;

const char* const kPhaseNames[3] = {"Phase A", "Phase B", "Phase C"};

TEST(QuantityColumns, SinglePhaseRecord) {
  EXPECT_EQ(ColumnTitle(kLogTypeColumn), "Log Type");
  EXPECT_EQ(ColumnTitle(kTimeColumn), "Time");
  EXPECT_EQ(ColumnTitle(ChannelSelectColumn(1)), "Ch2 Select");
  EXPECT_EQ(ColumnTitle(kFrequencyColumn), "Frequency");
  EXPECT_EQ(ColumnTitle(kPhaseAngleColumn), "Phase");
  EXPECT_EQ(ColumnTitle(PowerColumn(Bandwidth::kWide)), "Power Wide");
  EXPECT_EQ(ColumnTitle(PowerColumn(Bandwidth::kNarrow)), "Power Narrow");
  EXPECT_EQ(ColumnTitle(PowerFactorColumn(Bandwidth::kWide)), "Power Factor Wide");
  EXPECT_EQ(ColumnTitle(VoltAmpsColumn(Bandwidth::kNarrow)), "Volt Amps Narrow");
  EXPECT_EQ(ColumnTitle(VarsColumn(Bandwidth::kWide)), "VARs Wide");
  EXPECT_EQ(ColumnTitle(ChannelMagnitudeColumn(0, Bandwidth::kWide)), "Ch1 Mag Wide");
  EXPECT_EQ(ColumnTitle(ChannelMagnitudeColumn(0, Bandwidth::kNarrow)), "Ch1 Mag Narrow");
  EXPECT_EQ(ColumnTitle(ChannelMagnitudeColumn(1, Bandwidth::kWide)), "Ch2 Mag Wide");
  EXPECT_EQ(ColumnTitle(ChannelMagnitudeColumn(1, Bandwidth::kNarrow)), "Ch2 Mag Narrow");
  EXPECT_EQ(ColumnTitle(ChannelThdColumn(0)), "Ch1 THD");
  EXPECT_EQ(ColumnTitle(ChannelThdColumn(1)), "Ch2 THD");
  EXPECT_EQ(ColumnTitle(kWattHoursColumn), "Watt Hours");
  EXPECT_EQ(ColumnTitle(kVoltAmpHoursColumn), "Volt Amp Hours");
  EXPECT_EQ(ColumnTitle(kVarHoursColumn), "VAR Hours");
}

TEST(QuantityColumns, ChannelHarmonicBlocks) {
  for (int c = 0; c < kChannelCount; ++c) {
    const std::string ch = "Ch" + std::to_string(c + 1);
    EXPECT_EQ(ColumnTitle(ChannelKFactorColumn(c)), ch + " K-Factor");
    EXPECT_EQ(ColumnTitle(ChannelFundamentalColumn(c)), ch + " Mag Fund");
    EXPECT_EQ(ColumnTitle(ChannelFundamentalAngleColumn(c)), ch + " Ph Fund");
    for (int n = kFirstHarmonic; n <= kLastHarmonic; ++n) {
      EXPECT_EQ(ColumnTitle(ChannelHarmonicColumn(c, n)), ch + " Mag Harm " + std::to_string(n));
      EXPECT_EQ(ColumnTitle(ChannelHarmonicAngleColumn(c, n)),
                ch + " Ph Harm " + std::to_string(n));
    }
  }
}

TEST(QuantityColumns, ThreePhaseAveragesAndTotals) {
  EXPECT_EQ(ColumnTitle(kPhaseDirectionColumn), "3 Phase Direction");
  EXPECT_EQ(ColumnTitle(kAveragePhaseColumn), "Average Phase");
  EXPECT_EQ(ColumnTitle(AverageVoltsColumn(Bandwidth::kWide)), "Average Volts Wide");
  EXPECT_EQ(ColumnTitle(AverageCurrentColumn(Bandwidth::kNarrow)), "Average Current Narrow");
  EXPECT_EQ(ColumnTitle(AveragePowerFactorColumn(Bandwidth::kWide)), "Average Power Factor Wide");
  EXPECT_EQ(ColumnTitle(TotalPowerColumn(Bandwidth::kWide)), "Total Power Wide");
  EXPECT_EQ(ColumnTitle(TotalVoltAmpsColumn(Bandwidth::kNarrow)), "Total Volt Amps Narrow");
  EXPECT_EQ(ColumnTitle(TotalVarsColumn(Bandwidth::kNarrow)), "Total VARs Narrow");
}

TEST(QuantityColumns, PerPhaseQuantities) {
  for (int p = 0; p < kPhaseCount; ++p) {
    const std::string ph = kPhaseNames[p];
    EXPECT_EQ(ColumnTitle(PhaseAngleColumn(p)), ph + " Phase Angle");
    EXPECT_EQ(ColumnTitle(PhasePowerColumn(p, Bandwidth::kWide)), ph + " Power Wide");
    EXPECT_EQ(ColumnTitle(PhasePowerFactorColumn(p, Bandwidth::kNarrow)),
              ph + " Power Factor Narrow");
    EXPECT_EQ(ColumnTitle(PhaseVoltAmpsColumn(p, Bandwidth::kWide)), ph + " Volt Amps Wide");
    EXPECT_EQ(ColumnTitle(PhaseVarsColumn(p, Bandwidth::kNarrow)), ph + " VARs Narrow");
    EXPECT_EQ(ColumnTitle(PhaseVoltsColumn(p, Bandwidth::kWide)), ph + " Volts Wide");
    EXPECT_EQ(ColumnTitle(PhaseVoltsColumn(p, Bandwidth::kNarrow)), ph + " Volts Narrow");
    EXPECT_EQ(ColumnTitle(PhaseCurrentColumn(p, Bandwidth::kWide)), ph + " Current Wide");
    EXPECT_EQ(ColumnTitle(PhaseCurrentColumn(p, Bandwidth::kNarrow)), ph + " Current Narrow");
    EXPECT_EQ(ColumnTitle(PhaseThdColumn(p, Signal::kVoltage)), ph + " Volts THD");
    EXPECT_EQ(ColumnTitle(PhaseThdColumn(p, Signal::kCurrent)), ph + " Current THD");
  }
}

TEST(QuantityColumns, PhaseHarmonicBlocksAndVectors) {
  for (int p = 0; p < kPhaseCount; ++p) {
    for (Signal s : {Signal::kVoltage, Signal::kCurrent}) {
      const std::string ph =
          std::string(kPhaseNames[p]) + (s == Signal::kVoltage ? " Volts" : " Current");
      EXPECT_EQ(ColumnTitle(PhaseKFactorColumn(p, s)), ph + " K-Factor");
      EXPECT_EQ(ColumnTitle(PhaseFundamentalColumn(p, s)), ph + " Fund");
      EXPECT_EQ(ColumnTitle(PhaseFundamentalAngleColumn(p, s)), ph + " Phase Angle Fund");
      for (int n = kFirstHarmonic; n <= kLastHarmonic; ++n) {
        EXPECT_EQ(ColumnTitle(PhaseHarmonicColumn(p, s, n)), ph + " Harm " + std::to_string(n));
        EXPECT_EQ(ColumnTitle(PhaseHarmonicAngleColumn(p, s, n)),
                  ph + " Phase Angle Harm " + std::to_string(n));
      }
      EXPECT_EQ(ColumnTitle(VectorMagnitudeColumn(p, s)), ph);
      EXPECT_EQ(ColumnTitle(VectorAngleColumn(p, s)), ph + " Phase");
    }
  }
}

// Every identifier's row, read back as a lookup key, names that identifier again; the families
// cover exactly the 8 harmonic blocks' 16 runs of 49.
TEST(QuantityColumns, EveryIdentifierRoundTripsThroughItsRow) {
  int familyColumns = 0;
  for (int id = 0; id < kColumnIdCount; ++id) {
    const ColumnDescription column = DescribeColumn(id);
    ASSERT_NE(column.entry, nullptr) << id;
    const CatalogueEntry& e = *column.entry;
    if (IsHarmonicFamily(e.quantity)) ++familyColumns;
    const QuantityKey key{e.quantity, e.scope, e.phase, e.input, e.bandwidth};
    EXPECT_EQ(ColumnOf(key, column.harmonic), id) << e.text;
  }
  EXPECT_EQ(familyColumns, 16 * 49);
  EXPECT_EQ(DescribeColumn(-1).entry, nullptr);
  EXPECT_EQ(DescribeColumn(kColumnIdCount).entry, nullptr);
  EXPECT_EQ(DescribeColumn(75).harmonic, 2);  // "Ch1 Ph Harm 2"
  EXPECT_EQ(DescribeColumn(224).harmonic, 50);
  EXPECT_EQ(DescribeColumn(889).entry->phase, 2);  // "Phase C Current Phase Angle Harm 50"
  EXPECT_EQ(DescribeColumn(889).entry->input, 1);
  // Outside 2..50 a family has no column.
  EXPECT_EQ(ChannelHarmonicColumn(0, 1), -1);
  EXPECT_EQ(PhaseHarmonicColumn(0, Signal::kVoltage, 51), -1);
}

// Identifier 4 has two headers; the six columns without a query are described but flagged.
TEST(QuantityColumns, TwoHeadersOneColumnAndColumnsWithoutQuery) {
  EXPECT_EQ(FindCatalogueEntry(261)->id, 4);
  EXPECT_EQ(FindCatalogueEntry(304)->id, 4);
  EXPECT_STREQ(FindCatalogueEntry(304)->text, "3 Phase Frequency");
  EXPECT_EQ(ColumnTextId(4), 261);
  EXPECT_EQ(FindCatalogueEntry(256), nullptr);
  EXPECT_EQ(FindCatalogueEntry(392), nullptr);
  std::vector<int> withoutQuery;
  for (const CatalogueEntry& e : kCatalogue)
    if (e.flags & kNoQuery) withoutQuery.push_back(e.id);
  EXPECT_EQ(withoutQuery, (std::vector<int>{245, 251, 260, 267, 275, 281}));
}

}  // namespace
