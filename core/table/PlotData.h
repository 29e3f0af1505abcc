#pragma once
// The numbers the plots draw, taken from the cell values (never from their text): a trend of
// columns over the record time, the harmonic spectrum, the waveform samples and the phasors of
// one record. Nothing here knows how they are drawn.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ColumnCatalogue.h"
#include "QuantityColumns.h"

class CMeterlog2Doc;

// The time axis of a trend: one point per record with a valid time stamp, in file order, and
// a break (a point whose row is kTrendBreak) wherever the log's time jumps: backwards, or
// forwards by more than three times its usual interval.
constexpr int64_t kTrendBreak = -1;
struct TrendAxis {
  std::vector<double> times;  // seconds since 1970-01-01 00:00:00 of the instrument's clock
  std::vector<int64_t> rows;  // the record of each point, or kTrendBreak
  double usualInterval = 0;   // the median step between records, in seconds
};
TrendAxis BuildTrendAxis(const CMeterlog2Doc& doc);

// The values of column `columnId` at the axis' points: NaN at breaks and where a cell holds no
// finite number ("Oops!", nan, inf), so a line never joins across them.
std::vector<double> TrendValues(const CMeterlog2Doc& doc, const TrendAxis& axis, int columnId);

// The columns a trend starts with: the frequency and the first voltage the log has.
std::vector<int> DefaultTrendColumns(const CMeterlog2Doc& doc);

// One channel (single-phase) or one phase's voltage or current (three-phase) of a spectrum.
constexpr int kSpectrumHarmonics = kLastHarmonic - kFirstHarmonic + 1;
struct SpectrumChannel {
  std::string name;                                    // "Ch 1 Van", "Phase A Volts"
  Unit unit = Unit::kNone;                             // the unit of the absolute magnitudes
  double fundamental = 0;                              // NaN when the cell holds no number
  std::array<double, kSpectrumHarmonics> harmonics{};  // harmonics 2..50; NaN likewise
  double thd = 0;                                      // percent; NaN when the cell holds none
  int fundamentalColumn = 0;                           // column identifiers of the values
  int firstHarmonicColumn = 0;
  // The magnitude of harmonic n (1 = fundamental) in percent of the fundamental; NaN when
  // either is missing or the fundamental is 0.
  double Percent(int n) const;
  double Absolute(int n) const { return n == 1 ? fundamental : harmonics[n - 2]; }
};
// Harmonic, Waveform and Three Phase Tabular logs; empty for the others or a missing row.
std::vector<SpectrumChannel> BuildSpectrum(const CMeterlog2Doc& doc, unsigned row);
bool HasSpectrum(const CMeterlog2Doc& doc);

// The two captured sample blocks of a Waveform log's record (raw signed 8-bit counts: the log
// gives no scale), block 0 from channel 1 and block 1 from channel 2; no samples for other logs.
struct WaveformBlocks {
  std::vector<int> block[2];
  std::string name[2];  // the channel as the record names it ("Ch 1 Van"), else "Ch 1"
};
WaveformBlocks BuildWaveform(const CMeterlog2Doc& doc, unsigned row);
bool HasWaveform(const CMeterlog2Doc& doc);

// The voltage and current phasors of phases A, B and C of a three-phase record.
struct Phasor {
  std::string name;  // "Va", "Ia", ...
  Unit unit = Unit::kNone;
  double magnitude = 0;  // NaN when the cell holds no number
  double angle = 0;      // degrees, in (-180, 180]; NaN when unknown
};
struct PhasorSet {
  std::vector<Phasor> phasors;  // Va, Vb, Vc, Ia, Ib, Ic; empty for other logs
  // How the angles were found, for a log that records only the angle between each phase's
  // voltage and current: the voltages then stand at their nominal places.
  std::string note;
};
PhasorSet BuildPhasors(const CMeterlog2Doc& doc, unsigned row);
bool HasPhasors(const CMeterlog2Doc& doc);
