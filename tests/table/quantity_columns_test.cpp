// Each named column lookup lands on the column whose header says that quantity. The expected
// titles are written out by hand, so a lookup that is off by one block, one phase or one
// harmonic fails here rather than in a plot or a verdict.

#include <gtest/gtest.h>

#include <string>

#include "table/ColumnCatalogue.h"
#include "table/QuantityColumns.h"

namespace {

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

// Reading an identifier back lands on the lookup that names it, for every identifier.
TEST(QuantityColumns, HarmonicBlockPlacesRoundTrip) {
  const auto place = [](int id) { return FindHarmonicBlock(id).value_or(HarmonicBlockPlace{}); };
  EXPECT_EQ(place(75).part, HarmonicPart::kHarmonicAngle);  // "Ch1 Ph Harm 2"
  EXPECT_EQ(place(75).harmonic, 2);
  EXPECT_EQ(place(224).input, 1);  // "Ch2 Ph Harm 50"
  EXPECT_EQ(place(224).harmonic, 50);
  EXPECT_EQ(place(224).phase, kNoPhase);
  EXPECT_EQ(place(889).phase, 2);  // "Phase C Current Phase Angle Harm 50"
  EXPECT_EQ(place(889).input, 1);
  for (int id : {-1, 22, 225, 283, 890, kColumnIdCount}) EXPECT_FALSE(FindHarmonicBlock(id)) << id;

  int inBlocks = 0;
  for (int id = 0; id < kColumnIdCount; ++id) {
    const std::optional<HarmonicBlockPlace> found = FindHarmonicBlock(id);
    if (!found) continue;
    ++inBlocks;
    const HarmonicBlockPlace& p = *found;
    const auto s = static_cast<Signal>(p.input);
    const bool single = p.phase == kNoPhase;
    int back = -1;
    switch (p.part) {
      case HarmonicPart::kKFactor:
        back = single ? ChannelKFactorColumn(p.input) : PhaseKFactorColumn(p.phase, s);
        break;
      case HarmonicPart::kFundamental:
        back = single ? ChannelFundamentalColumn(p.input) : PhaseFundamentalColumn(p.phase, s);
        break;
      case HarmonicPart::kHarmonic:
        back = single ? ChannelHarmonicColumn(p.input, p.harmonic)
                      : PhaseHarmonicColumn(p.phase, s, p.harmonic);
        break;
      case HarmonicPart::kFundamentalAngle:
        back = single ? ChannelFundamentalAngleColumn(p.input)
                      : PhaseFundamentalAngleColumn(p.phase, s);
        break;
      case HarmonicPart::kHarmonicAngle:
        back = single ? ChannelHarmonicAngleColumn(p.input, p.harmonic)
                      : PhaseHarmonicAngleColumn(p.phase, s, p.harmonic);
        break;
    }
    EXPECT_EQ(back, id);
  }
  EXPECT_EQ(inBlocks, 8 * 101);
}

}  // namespace
