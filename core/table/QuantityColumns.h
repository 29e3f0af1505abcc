#pragma once
// Where each measured quantity lives among the column identifiers 0..901. Plots, statistics,
// the cells and the assessment ask for a quantity's column by name here; nothing else does
// arithmetic on identifiers.
//
// The identifiers come in blocks:
//   0..22     the single-phase record (log type, time, channel selects, frequency, phase, the
//             Wide and Narrow power quantities, the two channels' levels and THD, the energies)
//   23..224   two harmonic blocks of 101, one per single-phase channel
//   225..238  the three-phase direction, average phase, averages and totals (Wide, Narrow)
//   239..283  fifteen quantities per phase A, B, C
//   284..889  six harmonic blocks of 101: A volts, A current, B volts, B current, C volts, ...
//   890..901  four vector quantities per phase A, B, C (Three Phase Vector log, format 256)
// A harmonic block holds K-Factor, Fund, Harm 2..50, phase angle Fund, phase angle Harm 2..50.

enum class Bandwidth { kWide = 0, kNarrow = 1 };
// What one of a phase's two measuring inputs records.
enum class Signal { kVoltage = 0, kCurrent = 1 };

inline constexpr int kPhaseCount = 3;  // A, B, C as 0, 1, 2
inline constexpr int kChannelCount = 2;
inline constexpr int kFirstHarmonic = 2;  // the harmonic numbers of the families: 2..50
inline constexpr int kLastHarmonic = 50;

namespace quantity_columns_detail {
inline constexpr int kChannelBlock = 23;
inline constexpr int kPhaseBlock = 239;
inline constexpr int kPhaseBlockSize = 15;
inline constexpr int kPhaseHarmonicBlock = 284;
inline constexpr int kHarmonicBlockSize = 101;
inline constexpr int kVectorBlock = 890;

constexpr int Wide(Bandwidth w, int wide, int narrow) {
  return w == Bandwidth::kWide ? wide : narrow;
}
constexpr int PerPhase(int p, int k) {
  return kPhaseBlock + kPhaseBlockSize * p + k;
}
constexpr int ChannelBlock(int c) {
  return kChannelBlock + kHarmonicBlockSize * c;
}
constexpr int PhaseBlock(int p, Signal s) {
  return kPhaseHarmonicBlock + kHarmonicBlockSize * (2 * p + static_cast<int>(s));
}
}  // namespace quantity_columns_detail

// ---- Every log ----
inline constexpr int kLogTypeColumn = 0;
inline constexpr int kTimeColumn = 1;
// "Frequency" in the single-phase sets, "3 Phase Frequency" in the three-phase ones.
inline constexpr int kFrequencyColumn = 4;
inline constexpr int kWattHoursColumn = 20;
inline constexpr int kVoltAmpHoursColumn = 21;
inline constexpr int kVarHoursColumn = 22;

// ---- Single-phase logs (types 1 to 3); channel c is 0 or 1 ----
constexpr int ChannelSelectColumn(int c) {
  return 2 + c;
}
inline constexpr int kPhaseAngleColumn = 5;  // "Phase"
constexpr int PowerColumn(Bandwidth w) {
  return quantity_columns_detail::Wide(w, 6, 13);
}
constexpr int PowerFactorColumn(Bandwidth w) {
  return quantity_columns_detail::Wide(w, 7, 14);
}
constexpr int VoltAmpsColumn(Bandwidth w) {
  return quantity_columns_detail::Wide(w, 8, 15);
}
constexpr int VarsColumn(Bandwidth w) {
  return quantity_columns_detail::Wide(w, 9, 16);
}
// "Ch1 Mag Wide", "Ch2 Mag Narrow", ...
constexpr int ChannelMagnitudeColumn(int c, Bandwidth w) {
  return quantity_columns_detail::Wide(w, 10, 11) + 7 * c;
}
constexpr int ChannelThdColumn(int c) {
  return 12 + 7 * c;
}
// The harmonic blocks (Harmonic and Waveform logs).
constexpr int ChannelKFactorColumn(int c) {
  return quantity_columns_detail::ChannelBlock(c);
}
constexpr int ChannelFundamentalColumn(int c) {
  return quantity_columns_detail::ChannelBlock(c) + 1;
}
// Harmonic number n, 2..50.
constexpr int ChannelHarmonicColumn(int c, int n) {
  return quantity_columns_detail::ChannelBlock(c) + n;
}
constexpr int ChannelFundamentalAngleColumn(int c) {
  return quantity_columns_detail::ChannelBlock(c) + 51;
}
constexpr int ChannelHarmonicAngleColumn(int c, int n) {
  return quantity_columns_detail::ChannelBlock(c) + 50 + n;
}

// ---- Three-phase logs (types 4 to 6); phase p is 0, 1, 2 for A, B, C ----
inline constexpr int kPhaseDirectionColumn = 225;
inline constexpr int kAveragePhaseColumn = 226;
constexpr int AverageVoltsColumn(Bandwidth w) {
  return quantity_columns_detail::Wide(w, 227, 233);
}
constexpr int AverageCurrentColumn(Bandwidth w) {
  return quantity_columns_detail::Wide(w, 228, 234);
}
constexpr int AveragePowerFactorColumn(Bandwidth w) {
  return quantity_columns_detail::Wide(w, 229, 235);
}
constexpr int TotalPowerColumn(Bandwidth w) {
  return quantity_columns_detail::Wide(w, 230, 236);
}
constexpr int TotalVoltAmpsColumn(Bandwidth w) {
  return quantity_columns_detail::Wide(w, 231, 237);
}
constexpr int TotalVarsColumn(Bandwidth w) {
  return quantity_columns_detail::Wide(w, 232, 238);
}
// "Phase A Phase Angle": the angle between the phase's voltage and current.
constexpr int PhaseAngleColumn(int p) {
  return quantity_columns_detail::PerPhase(p, 0);
}
constexpr int PhasePowerColumn(int p, Bandwidth w) {
  return quantity_columns_detail::PerPhase(p, quantity_columns_detail::Wide(w, 1, 8));
}
constexpr int PhasePowerFactorColumn(int p, Bandwidth w) {
  return quantity_columns_detail::PerPhase(p, quantity_columns_detail::Wide(w, 2, 9));
}
constexpr int PhaseVoltAmpsColumn(int p, Bandwidth w) {
  return quantity_columns_detail::PerPhase(p, quantity_columns_detail::Wide(w, 3, 10));
}
constexpr int PhaseVarsColumn(int p, Bandwidth w) {
  return quantity_columns_detail::PerPhase(p, quantity_columns_detail::Wide(w, 4, 11));
}
// "Phase A Volts Wide", "Phase B Volts Narrow". Only phase B's Volts Narrow has a query.
constexpr int PhaseVoltsColumn(int p, Bandwidth w) {
  return quantity_columns_detail::PerPhase(p, quantity_columns_detail::Wide(w, 5, 12));
}
// "Phase A Current Narrow". No phase's Current Wide, nor phase B's Current Narrow, has a query.
constexpr int PhaseCurrentColumn(int p, Bandwidth w) {
  return quantity_columns_detail::PerPhase(p, quantity_columns_detail::Wide(w, 6, 13));
}
// "Phase A Volts THD", "Phase A Current THD".
constexpr int PhaseThdColumn(int p, Signal s) {
  return quantity_columns_detail::PerPhase(p, s == Signal::kVoltage ? 7 : 14);
}
// The harmonic blocks (Three Phase Tabular logs).
constexpr int PhaseKFactorColumn(int p, Signal s) {
  return quantity_columns_detail::PhaseBlock(p, s);
}
constexpr int PhaseFundamentalColumn(int p, Signal s) {
  return quantity_columns_detail::PhaseBlock(p, s) + 1;
}
// Harmonic number n, 2..50.
constexpr int PhaseHarmonicColumn(int p, Signal s, int n) {
  return quantity_columns_detail::PhaseBlock(p, s) + n;
}
constexpr int PhaseFundamentalAngleColumn(int p, Signal s) {
  return quantity_columns_detail::PhaseBlock(p, s) + 51;
}
constexpr int PhaseHarmonicAngleColumn(int p, Signal s, int n) {
  return quantity_columns_detail::PhaseBlock(p, s) + 50 + n;
}

// ---- Three Phase Vector logs read with the vector layout ----
// "Phase A Volts", "Phase A Volts Phase", "Phase A Current", "Phase A Current Phase".
constexpr int VectorMagnitudeColumn(int p, Signal s) {
  return quantity_columns_detail::kVectorBlock + 4 * p + 2 * static_cast<int>(s);
}
constexpr int VectorAngleColumn(int p, Signal s) {
  return VectorMagnitudeColumn(p, s) + 1;
}
