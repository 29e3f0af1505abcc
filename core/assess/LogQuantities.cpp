#include "LogQuantities.h"

#include <bitset>
#include <cmath>
#include <limits>

#include "log/CMeterlog2Doc.h"
#include "log/LogTypes.h"
#include "table/CellText.h"
#include "table/ColumnCatalogue.h"
#include "table/QuantityColumns.h"

namespace assess {

namespace {

using namespace meterlog2::table;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

// The columns a log shows (its column set): only those are read.
class LogQuantities::ShownColumns {
 public:
  explicit ShownColumns(const CMeterlog2Doc& doc) {
    for (const ColumnSetPair& pair :
         ColumnSetPairs(ChooseColumnSet(doc.GetFirstLogType(), doc.GetDataFormat()))) {
      const int count = StartsHarmonicFamily(pair.id) ? kHarmonicFamilySize : 1;
      for (int i = 0; i < count; ++i) m_shown.set(static_cast<size_t>(pair.id + i));
      if (count == 1) m_textId[static_cast<size_t>(pair.id)] = pair.textId;
    }
  }
  // `column` when the log shows it, else -1.
  int operator()(int column) const {
    return column >= 0 && column < kColumns && m_shown.test(static_cast<size_t>(column)) ? column
                                                                                         : -1;
  }
  // The column's title as this log's header shows it ("3 Phase Frequency" where the catalogue
  // says "Frequency"); empty for -1.
  std::string Title(int column) const {
    if (column < 0) return {};
    const int16_t textId = column < kColumns ? m_textId[static_cast<size_t>(column)] : 0;
    if (textId == 0) return ColumnTitle(column);
    std::string title;
    FormatColumnTitle(title, textId, 0);
    return title;
  }
  // "Ch1 Mag Fund, Ch1 Mag Harm 2 to Ch1 Mag Harm 50".
  std::string HarmonicTitles(int fundamental,
                             const std::array<int, kHarmonicCount>& harmonics) const {
    return Title(fundamental) + ", " + Title(harmonics.front()) + " to " + Title(harmonics.back());
  }

 private:
  static constexpr int kColumns = 902;
  std::bitset<kColumns> m_shown;
  std::array<int16_t, kColumns> m_textId{};  // the header's text of a single column, or 0
};

Family FamilyOf(int logType) {
  if (logType >= kStandardLog && logType <= kWaveformLog) return Family::kSinglePhase;
  if (logType >= kThreePhaseTabularLog && logType <= kThreePhaseSequentialLog)
    return Family::kThreePhase;
  return Family::kNone;
}

const char* SlotName(Family family, int slot) {
  static constexpr const char* kPhases[kSlots] = {"a", "b", "c"};
  static constexpr const char* kChannels[kSlots] = {"ch1", "ch2", "ch3"};
  return (family == Family::kThreePhase ? kPhases : kChannels)[slot];
}

LogQuantities::LogQuantities(const CMeterlog2Doc& doc) : m_doc(doc) {
  if (doc.GetRecordCount() > 0) doc.GetLogType(m_logType, 0);
  for (SlotColumns& c : m_columns) {
    c.voltageHarmonic.fill(-1);
    c.currentHarmonic.fill(-1);
  }
  const Family family = GetFamily();
  if (family == Family::kNone) return;
  const ShownColumns column(doc);
  const bool three = family == Family::kThreePhase;
  m_frequency = column(kFrequencyColumn);
  m_powerFactor = column(three ? AveragePowerFactorColumn(Bandwidth::kWide)
                               : PowerFactorColumn(Bandwidth::kWide));
  m_power = column(three ? TotalPowerColumn(Bandwidth::kWide) : PowerColumn(Bandwidth::kWide));
  m_wattHours = column(kWattHoursColumn);
  m_frequencySource = column.Title(m_frequency);
  m_powerFactorSource = column.Title(m_powerFactor);
  m_powerSource = column.Title(m_power);
  m_energySource = column.Title(m_wattHours);
  for (int s = 0; s < kSlots; ++s) {
    if (three) {
      ReadThreePhaseSlot(column, s);
    } else if (s < kChannelCount) {
      ReadChannelSlot(column, s);
    }
    NoteRecorded(column, s);
  }
}

void LogQuantities::ReadThreePhaseSlot(const ShownColumns& column, int s) {
  Slot& slot = m_slots[static_cast<size_t>(s)];
  SlotColumns& c = m_columns[static_cast<size_t>(s)];
  c.voltageChannel = static_cast<unsigned>(Signal::kVoltage);
  c.currentChannel = static_cast<unsigned>(Signal::kCurrent);
  c.phase = static_cast<unsigned>(s);
  c.voltage = column(PhaseVoltsColumn(s, Bandwidth::kWide));
  c.voltageThd = column(PhaseThdColumn(s, Signal::kVoltage));
  c.voltageFundamental = column(PhaseFundamentalColumn(s, Signal::kVoltage));
  c.currentFundamental = column(PhaseFundamentalColumn(s, Signal::kCurrent));
  c.phasorMagnitude = column(VectorMagnitudeColumn(s, Signal::kVoltage));
  c.phasorAngle = column(VectorAngleColumn(s, Signal::kVoltage));
  for (int h = kFirstHarmonic; h <= kLastHarmonic; ++h) {
    c.voltageHarmonic[h - kFirstHarmonic] = column(PhaseHarmonicColumn(s, Signal::kVoltage, h));
    c.currentHarmonic[h - kFirstHarmonic] = column(PhaseHarmonicColumn(s, Signal::kCurrent, h));
  }
  // A vector log read with its vector layout records the voltages as phasors only.
  if (c.voltage < 0) c.voltage = c.phasorMagnitude;
  slot.voltage = c.voltage >= 0;
  slot.current = c.currentFundamental >= 0;
  slot.voltageSource = column.Title(c.voltage);
  slot.currentSource = column.Title(c.currentFundamental);
}

void LogQuantities::ReadChannelSlot(const ShownColumns& column, int s) {
  Slot& slot = m_slots[static_cast<size_t>(s)];
  SlotColumns& c = m_columns[static_cast<size_t>(s)];
  c.voltageChannel = c.currentChannel = static_cast<unsigned>(s);
  const int level = column(ChannelMagnitudeColumn(s, Bandwidth::kWide));
  const Unit unit = GetColumnUnit(m_doc, level);
  int code = 0;
  m_doc.GetChannelSelect(code, 0, static_cast<unsigned>(s));
  std::string input;
  m_doc.GetChannelSelectName(input, 0, static_cast<unsigned>(s));
  // The fundamental: its own column in logs with harmonics, else the Narrow magnitude,
  // which reads the same field.
  int fundamental = column(ChannelFundamentalColumn(s));
  if (fundamental < 0) fundamental = column(ChannelMagnitudeColumn(s, Bandwidth::kNarrow));
  std::array<int, kHarmonicCount> harmonics;
  for (int h = kFirstHarmonic; h <= kLastHarmonic; ++h)
    harmonics[h - kFirstHarmonic] = column(ChannelHarmonicColumn(s, h));
  if (unit == Unit::kVolt) {
    slot.voltage = true;
    // Input codes 0 to 5 (Vab, Vbc, Vca, Vac, Vcb, Vba) measure between two phases.
    slot.lineToLine = code <= 5;
    slot.voltageSource = input + " (" + column.Title(level) + ")";
    c.voltage = level;
    c.voltageThd = column(ChannelThdColumn(s));
    c.voltageFundamental = fundamental;
    c.voltageHarmonic = harmonics;
  } else if (unit == Unit::kAmpere) {
    slot.current = true;
    slot.currentSource = input + " (" + column.Title(fundamental) + ")";
    c.currentFundamental = fundamental;
    c.currentHarmonic = harmonics;
  }
}

void LogQuantities::NoteRecorded(const ShownColumns& column, int s) {
  Slot& slot = m_slots[static_cast<size_t>(s)];
  SlotColumns& c = m_columns[static_cast<size_t>(s)];
  if (slot.voltage && c.voltageFundamental >= 0 && c.voltageHarmonic[0] >= 0) {
    m_voltageHarmonicsRecorded = true;
    slot.harmonicSource = column.HarmonicTitles(c.voltageFundamental, c.voltageHarmonic);
  }
  if (slot.current && c.currentFundamental >= 0 && c.currentHarmonic[0] >= 0) {
    m_currentHarmonicsRecorded = true;
    slot.currentHarmonicSource = column.HarmonicTitles(c.currentFundamental, c.currentHarmonic);
  }
  if (slot.voltage && c.voltageThd >= 0) slot.thdSource = column.Title(c.voltageThd);
  if (c.phasorMagnitude >= 0 && c.phasorAngle >= 0) m_phasors = true;
}

bool LogQuantities::VectorLogReadPlain() const {
  return m_logType == kThreePhaseVectorLog && !m_phasors;
}

double LogQuantities::Value(unsigned row, int column) const {
  if (column < 0) return kNaN;
  const std::optional<double> value = GetCellValue(m_doc, row, column);
  return value && std::isfinite(*value) ? *value : kNaN;
}

void LogQuantities::ReadBasic(unsigned row, RecordValues& v) const {
  v.frequency = Value(row, m_frequency);
  v.powerFactor = Value(row, m_powerFactor);
  v.power = Value(row, m_power);
  v.wattHours = Value(row, m_wattHours);
  for (size_t s = 0; s < kSlots; ++s) {
    const SlotColumns& c = m_columns[s];
    v.voltage[s] = Value(row, c.voltage);
    v.voltageThd[s] = Value(row, c.voltageThd);
    v.voltageFundamental[s] = Value(row, c.voltageFundamental);
    v.currentFundamental[s] = Value(row, c.currentFundamental);
    v.phasorMagnitude[s] = Value(row, c.phasorMagnitude);
    v.phasorAngle[s] = Value(row, c.phasorAngle);
  }
}

// The values of the harmonic columns, read with one query for all 49 (the cells' own query,
// GetHarmonicMagnitude, reads the table's references again for each).
void LogQuantities::Harmonics(unsigned row, unsigned c, unsigned p,
                              std::array<double, kHarmonicCount>& into) const {
  if (!m_doc.GetHarmonicMagnitudes(into, row, c, p)) into.fill(kNaN);
  for (double& value : into)
    if (!std::isfinite(value)) value = kNaN;
}

void LogQuantities::ReadVoltageHarmonics(unsigned row, int slot, RecordValues& v) const {
  const auto s = static_cast<size_t>(slot);
  const SlotColumns& c = m_columns[s];
  v.voltageFundamental[s] = Value(row, c.voltageFundamental);
  Harmonics(row, c.voltageChannel, c.phase, v.voltageHarmonic[s]);
}

void LogQuantities::ReadCurrentHarmonics(unsigned row, int slot, RecordValues& v) const {
  const auto s = static_cast<size_t>(slot);
  const SlotColumns& c = m_columns[s];
  v.currentFundamental[s] = Value(row, c.currentFundamental);
  Harmonics(row, c.currentChannel, c.phase, v.currentHarmonic[s]);
}

}  // namespace assess
