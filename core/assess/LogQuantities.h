#pragma once
// Which quantities a log records for the assessment, and their values record by record, read
// from the document's values (never from cell text). The only place of the assessment that
// knows where a quantity stands in a log's columns.
//
// Slots: three-phase logs have phases a, b, c (voltage and current of each); single-phase logs
// have channels ch1 and ch2, each a voltage or a current as the log's first record selects its
// input.

#include <array>
#include <string>

#include "AssessLimits.h"

class CMeterlog2Doc;

namespace assess {

enum class Family { kNone, kSinglePhase, kThreePhase };
// Log types 1 to 3 are single-phase, 4 to 6 three-phase; anything else is of no family.
Family FamilyOf(int logType);

constexpr int kSlots = 3;
using SlotValues = std::array<double, kSlots>;
using SlotHarmonics = std::array<std::array<double, kHarmonicCount>, kSlots>;

// One record's values; NaN for what the log does not record or the record does not hold.
struct RecordValues {
  double frequency;
  SlotValues voltage;             // RMS (the wide band), or the phasor's magnitude
  SlotValues voltageThd;          // the recorded THD column, %
  SlotValues voltageFundamental;  // the fundamental's magnitude
  SlotValues currentFundamental;
  SlotValues phasorMagnitude, phasorAngle;  // voltage phasors, angles in degrees
  double powerFactor, power, wattHours;
  // Harmonics 2..50 in the fundamental's unit (read only by ReadHarmonics).
  SlotHarmonics voltageHarmonic, currentHarmonic;
};

class LogQuantities {
 public:
  explicit LogQuantities(const CMeterlog2Doc& doc);

  struct Slot {
    bool voltage = false;  // a voltage is measured here
    bool lineToLine =
        false;             // ... between two phases (single-phase channel set to Vab and the like)
    bool current = false;  // a current is measured here
    // Where the values come from, for notes: the voltage's column, the recorded THD column, the
    // voltage's fundamental and harmonic columns, the current's fundamental and harmonics.
    std::string voltageSource, thdSource, harmonicSource, currentSource, currentHarmonicSource;
  };

  int LogType() const { return m_logType; }
  Family GetFamily() const { return FamilyOf(m_logType); }
  const Slot& GetSlot(int slot) const { return m_slots[static_cast<size_t>(slot)]; }
  bool HasFrequency() const { return m_frequency >= 0; }
  bool HasVoltageHarmonics() const { return m_voltageHarmonicsRecorded; }
  bool HasCurrentHarmonics() const { return m_currentHarmonicsRecorded; }
  bool HasPhasors() const { return m_phasors; }
  // A Three Phase Vector log read without its vector layout (its phasors unread).
  bool VectorLogReadPlain() const;
  bool HasPowerFactor() const { return m_powerFactor >= 0; }
  bool HasPower() const { return m_power >= 0; }
  bool HasEnergy() const { return m_wattHours >= 0; }
  // Column titles of the sources, for notes.
  const std::string& FrequencySource() const { return m_frequencySource; }
  const std::string& PowerFactorSource() const { return m_powerFactorSource; }
  const std::string& PowerSource() const { return m_powerSource; }
  const std::string& EnergySource() const { return m_energySource; }

  // Everything but the harmonics.
  void ReadBasic(unsigned row, RecordValues& values) const;
  // The fundamental and harmonics of one slot's voltage or current.
  void ReadVoltageHarmonics(unsigned row, int slot, RecordValues& values) const;
  void ReadCurrentHarmonics(unsigned row, int slot, RecordValues& values) const;

 private:
  struct SlotColumns {
    int voltage = -1, voltageThd = -1, voltageFundamental = -1, currentFundamental = -1;
    // The harmonic tables' selectors of the document queries: channel and phase.
    unsigned voltageChannel = 0, currentChannel = 1, phase = 3;
    int phasorMagnitude = -1, phasorAngle = -1;
    // The harmonics' columns (-1 where none): the log shows them when the first is there.
    std::array<int, kHarmonicCount> voltageHarmonic, currentHarmonic;
  };
  class ShownColumns;
  // The constructor's reading of slot `s`: a three-phase log's phase or a single-phase log's
  // channel, then what the slot's columns record (harmonics, THD, phasors).
  void ReadThreePhaseSlot(const ShownColumns& column, int s);
  void ReadChannelSlot(const ShownColumns& column, int s);
  void NoteRecorded(const ShownColumns& column, int s);
  double Value(unsigned row, int column) const;
  void Harmonics(unsigned row, unsigned c, unsigned p,
                 std::array<double, kHarmonicCount>& into) const;

  const CMeterlog2Doc& m_doc;
  int m_logType = 0;
  std::array<Slot, kSlots> m_slots;
  std::array<SlotColumns, kSlots> m_columns;
  int m_frequency = -1, m_powerFactor = -1, m_power = -1, m_wattHours = -1;
  // Their titles as the log's header shows them.
  std::string m_frequencySource, m_powerFactorSource, m_powerSource, m_energySource;
  bool m_voltageHarmonicsRecorded = false, m_currentHarmonicsRecorded = false;
  bool m_phasors = false;
};

// "a", "b", "c" or "ch1", "ch2".
const char* SlotName(Family family, int slot);

}  // namespace assess
