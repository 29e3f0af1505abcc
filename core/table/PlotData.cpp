#include "PlotData.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "CellText.h"
#include "QuantityColumns.h"
#include "log/CMeterlog2Doc.h"

namespace {

using namespace meterlog2::table;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double Value(const CMeterlog2Doc& doc, unsigned row, int columnId) {
  const std::optional<double> value = GetCellValue(doc, row, columnId);
  return value && std::isfinite(*value) ? *value : kNaN;
}

int FirstLogType(const CMeterlog2Doc& doc) {
  int type = 0;
  return doc.GetRecordCount() > 0 && doc.GetLogType(type, 0) ? type : 0;
}

// "Ch 1 Van" as the record names the channel's input, else "Ch 1".
std::string ChannelName(const CMeterlog2Doc& doc, unsigned row, int c) {
  std::string name;
  if (!doc.GetChannelSelectName(name, row, static_cast<unsigned>(c)))
    name = "Ch " + std::to_string(c + 1);
  return name;
}

bool IsThreePhase(int logType) {
  return logType == kThreePhaseTabularLog || logType == kThreePhaseVectorLog ||
         logType == kThreePhaseSequentialLog;
}

}  // namespace

TrendAxis BuildTrendAxis(const CMeterlog2Doc& doc) {
  TrendAxis axis;
  const unsigned count = doc.GetRecordCount();
  std::vector<double> times;
  std::vector<int64_t> rows;
  times.reserve(count);
  rows.reserve(count);
  for (unsigned row = 0; row < count; ++row) {
    int64_t seconds;
    if (!doc.GetTimeSeconds(seconds, row)) continue;
    times.push_back(static_cast<double>(seconds));
    rows.push_back(row);
  }
  std::vector<double> steps;
  steps.reserve(times.size());
  for (size_t i = 1; i < times.size(); ++i)
    if (times[i] > times[i - 1]) steps.push_back(times[i] - times[i - 1]);
  if (!steps.empty()) {
    auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    axis.usualInterval = *middle;
  }
  const double jump = 3 * std::max(axis.usualInterval, 1.0);
  axis.times.reserve(times.size() + 16);
  axis.rows.reserve(times.size() + 16);
  for (size_t i = 0; i < times.size(); ++i) {
    if (i > 0) {
      const double step = times[i] - times[i - 1];
      if (step < 0 || step > jump) {
        axis.times.push_back(step < 0 ? times[i - 1] : times[i - 1] + step / 2);
        axis.rows.push_back(kTrendBreak);
      }
    }
    axis.times.push_back(times[i]);
    axis.rows.push_back(rows[i]);
  }
  return axis;
}

std::vector<double> TrendValues(const CMeterlog2Doc& doc, const TrendAxis& axis, int columnId) {
  std::vector<double> values(axis.rows.size(), kNaN);
  if (!IsNumericColumn(columnId)) return values;
  for (size_t i = 0; i < axis.rows.size(); ++i)
    if (axis.rows[i] != kTrendBreak)
      values[i] = Value(doc, static_cast<unsigned>(axis.rows[i]), columnId);
  return values;
}

std::vector<int> DefaultTrendColumns(const CMeterlog2Doc& doc) {
  const int type = FirstLogType(doc);
  if (doc.GetRecordCount() == 0) return {};
  if (doc.IsVectorVariant()) return {VectorMagnitudeColumn(0, Signal::kVoltage)};
  if (IsThreePhase(type) || type == 0)
    return {kFrequencyColumn, PhaseVoltsColumn(0, Bandwidth::kWide)};
  for (int c = 0; c < kChannelCount; ++c) {
    const int column = ChannelMagnitudeColumn(c, Bandwidth::kWide);
    if (GetColumnUnit(doc, column) == Unit::kVolt) return {kFrequencyColumn, column};
  }
  return {kFrequencyColumn, ChannelMagnitudeColumn(0, Bandwidth::kWide)};
}

double SpectrumChannel::Percent(int n) const {
  const double magnitude = Absolute(n);
  if (!std::isfinite(fundamental) || fundamental == 0 || !std::isfinite(magnitude)) return kNaN;
  return 100.0 * magnitude / fundamental;
}

bool HasSpectrum(const CMeterlog2Doc& doc) {
  const int type = FirstLogType(doc);
  return type == kHarmonicLog || type == kWaveformLog || type == kThreePhaseTabularLog;
}

std::vector<SpectrumChannel> BuildSpectrum(const CMeterlog2Doc& doc, unsigned row) {
  std::vector<SpectrumChannel> channels;
  if (!HasSpectrum(doc) || row >= doc.GetRecordCount()) return channels;
  // `harmonic(n)` is the column of harmonic n.
  auto add = [&](std::string name, int fundamentalColumn, auto harmonic, int thdColumn) {
    SpectrumChannel channel;
    channel.name = std::move(name);
    channel.unit = GetColumnUnit(doc, fundamentalColumn);
    channel.fundamentalColumn = fundamentalColumn;
    channel.firstHarmonicColumn = harmonic(kFirstHarmonic);
    channel.fundamental = Value(doc, row, fundamentalColumn);
    for (int n = kFirstHarmonic; n <= kLastHarmonic; ++n)
      channel.harmonics[static_cast<size_t>(n - kFirstHarmonic)] = Value(doc, row, harmonic(n));
    channel.thd = Value(doc, row, thdColumn);
    channels.push_back(std::move(channel));
  };
  if (FirstLogType(doc) == kThreePhaseTabularLog) {
    static constexpr const char* kNames[kPhaseCount][2] = {{"Phase A Volts", "Phase A Current"},
                                                           {"Phase B Volts", "Phase B Current"},
                                                           {"Phase C Volts", "Phase C Current"}};
    for (int p = 0; p < kPhaseCount; ++p) {
      for (Signal s : {Signal::kVoltage, Signal::kCurrent}) {
        add(
            kNames[p][static_cast<int>(s)], PhaseFundamentalColumn(p, s),
            [p, s](int n) { return PhaseHarmonicColumn(p, s, n); }, PhaseThdColumn(p, s));
      }
    }
    return channels;
  }
  for (int c = 0; c < kChannelCount; ++c) {
    add(
        ChannelName(doc, row, c), ChannelFundamentalColumn(c),
        [c](int n) { return ChannelHarmonicColumn(c, n); }, ChannelThdColumn(c));
  }
  return channels;
}

bool HasWaveform(const CMeterlog2Doc& doc) {
  return FirstLogType(doc) == kWaveformLog;
}

WaveformBlocks BuildWaveform(const CMeterlog2Doc& doc, unsigned row) {
  WaveformBlocks blocks;
  std::array<int8_t, 240> samples;
  for (unsigned b = 0; b < 2; ++b) {
    blocks.name[b] = ChannelName(doc, row, static_cast<int>(b));
    if (doc.GetWaveformData(samples, row, b))
      blocks.block[b].assign(samples.begin(), samples.end());
  }
  return blocks;
}

bool HasPhasors(const CMeterlog2Doc& doc) {
  return IsThreePhase(FirstLogType(doc));
}

PhasorSet BuildPhasors(const CMeterlog2Doc& doc, unsigned row) {
  PhasorSet set;
  if (!HasPhasors(doc) || row >= doc.GetRecordCount()) return set;
  static constexpr const char* kVoltNames[3] = {"Va", "Vb", "Vc"};
  static constexpr const char* kCurrentNames[3] = {"Ia", "Ib", "Ic"};
  set.phasors.resize(6);
  if (doc.IsVectorVariant()) {
    for (int p = 0; p < kPhaseCount; ++p) {
      auto phasor = [&](const char* name, Unit unit, Signal s) {
        return Phasor{name, unit, Value(doc, row, VectorMagnitudeColumn(p, s)),
                      NormalizeDegrees(Value(doc, row, VectorAngleColumn(p, s)))};
      };
      set.phasors[p] = phasor(kVoltNames[p], Unit::kVolt, Signal::kVoltage);
      set.phasors[p + 3] = phasor(kCurrentNames[p], Unit::kAmpere, Signal::kCurrent);
    }
    return set;
  }
  // Only each phase's angle between voltage and current is recorded: the voltages stand at
  // their nominal places for the recorded rotation and each current lags its voltage by it.
  std::string rotation;
  doc.GetPhaseDirectionName(rotation, row);
  const bool reverse = rotation == "CBA";
  const double nominal[3] = {0, reverse ? 120.0 : -120.0, reverse ? -120.0 : 120.0};
  // The table shows no wide current of every phase, so the magnitudes come straight from the
  // document's channel levels (channel 0 the phase's voltage, 1 its current, both wide).
  auto level = [&](unsigned c, unsigned p) {
    double value;
    return doc.GetChannelLevel(value, row, c, false, p) && std::isfinite(value) ? value : kNaN;
  };
  for (unsigned p = 0; p < 3; ++p) {
    const double lag = Value(doc, row, PhaseAngleColumn(int(p)));
    set.phasors[p] = {kVoltNames[p], Unit::kVolt, level(0, p), nominal[p]};
    set.phasors[p + 3] = {kCurrentNames[p], Unit::kAmpere, level(1, p),
                          NormalizeDegrees(nominal[p] - lag)};
  }
  set.note = "Voltages at their nominal angles (rotation " + std::string(reverse ? "CBA" : "ABC") +
             "); each current lags its voltage by the phase's Phase Angle.";
  return set;
}
