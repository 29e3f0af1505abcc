#pragma once
// A measured quantity's column by name, looked up in the quantity catalogue (QuantityCatalogue.h):
// plots, statistics, the cells and the assessment ask here, never by number. Channel c is 0 or
// 1, phase p 0..2 for A..C, harmonic number n 2..50.

#include "QuantityCatalogue.h"

namespace meterlog2::table {

namespace columns_detail {
constexpr int Any(Quantity q) {
  return ColumnOf({q});
}
constexpr int Single(Quantity q, int c = 0, Bandwidth w = Bandwidth::kWide) {
  return ColumnOf({q, Scope::kSinglePhase, kNoPhase, c, w});
}
constexpr int Three(Quantity q, int p = kNoPhase, int s = 0, Bandwidth w = Bandwidth::kWide) {
  return ColumnOf({q, Scope::kThreePhase, p, s, w});
}
constexpr int PerPhase(Quantity q, int p, Signal s, Bandwidth w = Bandwidth::kWide) {
  return Three(q, p, static_cast<int>(s), w);
}
constexpr int Harmonic(Quantity q, int c, int n) {
  return ColumnOf({q, Scope::kSinglePhase, kNoPhase, c}, n);
}
constexpr int PhaseHarmonic(Quantity q, int p, Signal s, int n) {
  return ColumnOf({q, Scope::kThreePhase, p, static_cast<int>(s)}, n);
}
}  // namespace columns_detail

// ---- Every log ----
inline constexpr int kLogTypeColumn = columns_detail::Any(Quantity::kLogType);
inline constexpr int kTimeColumn = columns_detail::Any(Quantity::kTime);
// "Frequency" in the single-phase sets, "3 Phase Frequency" in the three-phase ones.
inline constexpr int kFrequencyColumn = columns_detail::Single(Quantity::kFrequency);
inline constexpr int kWattHoursColumn = columns_detail::Any(Quantity::kWattHours);
inline constexpr int kVoltAmpHoursColumn = columns_detail::Any(Quantity::kVoltAmpHours);
inline constexpr int kVarHoursColumn = columns_detail::Any(Quantity::kVarHours);

// ---- Single-phase logs (types 1 to 3) ----
constexpr int ChannelSelectColumn(int c) {
  return columns_detail::Single(Quantity::kChannelSelect, c);
}
inline constexpr int kPhaseAngleColumn = columns_detail::Single(Quantity::kPhaseAngle);  // "Phase"
constexpr int PowerColumn(Bandwidth w) {
  return columns_detail::Single(Quantity::kPower, 0, w);
}
constexpr int PowerFactorColumn(Bandwidth w) {
  return columns_detail::Single(Quantity::kPowerFactor, 0, w);
}
constexpr int VoltAmpsColumn(Bandwidth w) {
  return columns_detail::Single(Quantity::kVoltAmps, 0, w);
}
constexpr int VarsColumn(Bandwidth w) {
  return columns_detail::Single(Quantity::kVars, 0, w);
}
// "Ch1 Mag Wide", "Ch2 Mag Narrow", ...
constexpr int ChannelMagnitudeColumn(int c, Bandwidth w) {
  return columns_detail::Single(Quantity::kMagnitude, c, w);
}
constexpr int ChannelThdColumn(int c) {
  return columns_detail::Single(Quantity::kThd, c);
}
// The harmonic blocks (Harmonic and Waveform logs).
constexpr int ChannelKFactorColumn(int c) {
  return columns_detail::Single(Quantity::kKFactor, c);
}
constexpr int ChannelFundamentalColumn(int c) {
  return columns_detail::Single(Quantity::kFundamental, c, Bandwidth::kNarrow);
}
constexpr int ChannelHarmonicColumn(int c, int n) {
  return columns_detail::Harmonic(Quantity::kHarmonic, c, n);
}
constexpr int ChannelFundamentalAngleColumn(int c) {
  return columns_detail::Single(Quantity::kFundamentalAngle, c);
}
constexpr int ChannelHarmonicAngleColumn(int c, int n) {
  return columns_detail::Harmonic(Quantity::kHarmonicAngle, c, n);
}

// ---- Three-phase logs (types 4 to 6) ----
inline constexpr int kPhaseDirectionColumn = columns_detail::Three(Quantity::kPhaseDirection);
inline constexpr int kAveragePhaseColumn = columns_detail::Three(Quantity::kPhaseAngle);
constexpr int AverageVoltsColumn(Bandwidth w) {
  return columns_detail::Three(Quantity::kVoltage, kNoPhase, 0, w);
}
constexpr int AverageCurrentColumn(Bandwidth w) {
  return columns_detail::Three(Quantity::kCurrent, kNoPhase, 0, w);
}
constexpr int AveragePowerFactorColumn(Bandwidth w) {
  return columns_detail::Three(Quantity::kPowerFactor, kNoPhase, 0, w);
}
constexpr int TotalPowerColumn(Bandwidth w) {
  return columns_detail::Three(Quantity::kPower, kNoPhase, 0, w);
}
constexpr int TotalVoltAmpsColumn(Bandwidth w) {
  return columns_detail::Three(Quantity::kVoltAmps, kNoPhase, 0, w);
}
constexpr int TotalVarsColumn(Bandwidth w) {
  return columns_detail::Three(Quantity::kVars, kNoPhase, 0, w);
}
// "Phase A Phase Angle": the angle between the phase's voltage and current.
constexpr int PhaseAngleColumn(int p) {
  return columns_detail::Three(Quantity::kPhaseAngle, p);
}
constexpr int PhasePowerColumn(int p, Bandwidth w) {
  return columns_detail::Three(Quantity::kPower, p, 0, w);
}
constexpr int PhasePowerFactorColumn(int p, Bandwidth w) {
  return columns_detail::Three(Quantity::kPowerFactor, p, 0, w);
}
constexpr int PhaseVoltAmpsColumn(int p, Bandwidth w) {
  return columns_detail::Three(Quantity::kVoltAmps, p, 0, w);
}
constexpr int PhaseVarsColumn(int p, Bandwidth w) {
  return columns_detail::Three(Quantity::kVars, p, 0, w);
}
// "Phase A Volts Wide", "Phase B Volts Narrow". Only phase B's Volts Narrow has a query.
constexpr int PhaseVoltsColumn(int p, Bandwidth w) {
  return columns_detail::PerPhase(Quantity::kMagnitude, p, Signal::kVoltage, w);
}
// "Phase A Current Narrow". No phase's Current Wide, nor phase B's Current Narrow, has a query.
constexpr int PhaseCurrentColumn(int p, Bandwidth w) {
  return columns_detail::PerPhase(Quantity::kMagnitude, p, Signal::kCurrent, w);
}
// "Phase A Volts THD", "Phase A Current THD".
constexpr int PhaseThdColumn(int p, Signal s) {
  return columns_detail::PerPhase(Quantity::kThd, p, s);
}
// The harmonic blocks (Three Phase Tabular logs).
constexpr int PhaseKFactorColumn(int p, Signal s) {
  return columns_detail::PerPhase(Quantity::kKFactor, p, s);
}
constexpr int PhaseFundamentalColumn(int p, Signal s) {
  return columns_detail::PerPhase(Quantity::kFundamental, p, s, Bandwidth::kNarrow);
}
constexpr int PhaseHarmonicColumn(int p, Signal s, int n) {
  return columns_detail::PhaseHarmonic(Quantity::kHarmonic, p, s, n);
}
constexpr int PhaseFundamentalAngleColumn(int p, Signal s) {
  return columns_detail::PerPhase(Quantity::kFundamentalAngle, p, s);
}
constexpr int PhaseHarmonicAngleColumn(int p, Signal s, int n) {
  return columns_detail::PhaseHarmonic(Quantity::kHarmonicAngle, p, s, n);
}

// ---- Three Phase Vector logs read with the vector layout ----
// "Phase A Volts", "Phase A Volts Phase", "Phase A Current", "Phase A Current Phase". The
// layout keeps the magnitudes in the Narrow places.
constexpr int VectorMagnitudeColumn(int p, Signal s) {
  return columns_detail::Three(s == Signal::kVoltage ? Quantity::kVoltage : Quantity::kCurrent, p,
                               0, Bandwidth::kNarrow);
}
constexpr int VectorAngleColumn(int p, Signal s) {
  return columns_detail::Three(
      s == Signal::kVoltage ? Quantity::kVoltagePhase : Quantity::kCurrentPhase, p);
}

}  // namespace meterlog2::table
