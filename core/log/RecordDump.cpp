#include "RecordDump.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ostream>

#include "NumberText.h"
#include "RecordLayout.h"
#include "text/Text.h"

using namespace layout;

namespace {

// Writes the dump lines of one record. Floats print as stored (no data-format reversal);
// s8 fields print signed, u8 fields unsigned.
class RecordDumper {
 public:
  RecordDumper(std::string& out, const uint8_t* record) : m_out(out), m_record(record) {}

  void Text(const char* text) { m_out += text; }
  // "name [%d]\n"
  void Signed(const char* name, size_t offset) { Int(name, static_cast<int8_t>(m_record[offset])); }
  void Unsigned(const char* name, size_t offset) { Int(name, m_record[offset]); }
  // `glued`: "name[%d]" rather than "name [%d]", as a few head lines are written.
  void Int(const char* name, long long value, bool glued = false) {
    m_out += name;
    m_out += glued ? "[" : " [";
    AppendInt(m_out, value);
    m_out += "]\n";
  }
  // "name [%f]\n", optionally in degrees.
  void Float(const char* name, size_t offset, bool degrees = false) {
    float value;
    std::memcpy(&value, m_record + offset, 4);
    double shown = value;
    if (degrees) shown *= kRadiansToDegrees;
    m_out += name;
    m_out += " [";
    AppendFixed6(m_out, shown);
    m_out += "]\n";
  }
  // "name[i] [%f]\n"
  void IndexedFloat(const char* name, int index, size_t offset, bool degrees = false) {
    m_out += name;
    m_out += '[';
    AppendInt(m_out, index);
    m_out += ']';
    Float("", offset, degrees);
  }
  // "name[i]\n"
  void Index(const char* name, int index) {
    m_out += name;
    m_out += '[';
    AppendInt(m_out, index);
    m_out += "]\n";
  }
  // "name [size: %d]\n"
  void Size(const char* name, int size) {
    m_out += name;
    m_out += " [size: ";
    AppendInt(m_out, size);
    m_out += "]\n";
  }

  void Head(int logType);
  void UpdateSettings(size_t at);
  void EnergyRecord(size_t at);
  void PtctData(size_t at);
  void ScaleData(size_t at);
  void Harmonics();
  void WaveformData(size_t at);
  void ThreePhase();

 private:
  void Factors(size_t at, size_t count);

  std::string& m_out;
  const uint8_t* m_record;
};

constexpr const char* kSeparatorLine =
    "====================================================================\n";

void RecordDumper::Head(int logType) {
  Text(kSeparatorLine);
  m_out += "byRecordType [";
  AppendInt(m_out, logType);
  m_out += "] [size: 1]\n";
  Size("timeDate", timeDateSize);
  Unsigned("second", second);
  Unsigned("minute", minute);
  Unsigned("hour", hour);
  Int("day", m_record[day], true);
  Int("month", m_record[month], true);
  uint16_t u16;
  std::memcpy(&u16, m_record + dayofyear, 2);
  Int("dayofyear", u16);
  std::memcpy(&u16, m_record + year, 2);
  Int("year", u16, true);
  uint32_t u32;
  std::memcpy(&u32, m_record + secondsofyear, 4);
  Int("secondsofyear", static_cast<int32_t>(u32), true);  // printed with "%d"
  Size("config", configSize);
  Signed("cDisplayMode", cDisplayMode);
  Signed("cTimePlot", cTimePlot);
  Signed("cHarmonicMode", cHarmonicMode);
  Signed("cModel", cModel);
  Signed("cThreePhaseMode", cThreePhaseMode);
  Signed("cThreePhaseDisplayMode", cThreePhaseDisplayMode);
  Signed("cTransducerMode", cTransducerMode);
  Signed("cBandwidth", cBandwidth);
  Signed("cMinMax", cMinMax);
  Signed("cChannelSelect[0]", cChannelSelect);
  Signed("cChannelSelect[1]", cChannelSelect + 1);
  Signed("cRangeHold[0]", cRangeHold);
  Signed("cRangeHold[1]", cRangeHold + 1);
  Size("timerSettings", timerSettingsSize);
  Signed("cMode", timer_cMode);
  Signed("cStatus", timer_cStatus);
  Signed("cDisplayMode", timer_cDisplayMode);
  Signed("cHoldMode", timer_cHoldMode);
  Signed("cTriggerMode[0]", timer_cTriggerMode);
  Signed("cTriggerMode[1]", timer_cTriggerMode + 1);
  Float("fResult", timer_fResult);
  Size("transducerSettings", transducerSettingsSize);
  Signed("cMode", tr_cMode);
  Signed("cType", tr_cType);
  Signed("cInRange", tr_cInRange);
  Signed("cOutRange", tr_cOutRange);
  Signed("cInDisplay", tr_cInDisplay);
  Signed("cOutDisplay", tr_cOutDisplay);
  Signed("cDcType", tr_cDcType);
  Float("fAc_fs", tr_fAc_fs);
  Float("fAc_bs", tr_fAc_bs);
  Float("fDc_fs", tr_fDc_fs);
  Float("fDc_bs", tr_fDc_bs);
  Float("fRefCount", tr_fRefCount);
  Float("fZeroCount", tr_fZeroCount);
  Float("fDc", tr_fDc);
}

void RecordDumper::UpdateSettings(size_t at) {
  Size("updateSettings", us::kSize);
  Float("fFrequency", at + us::fFrequency);
  Float("fPhase", at + us::fPhase);
  Float("fPower[0]", at + us::fPower);
  Float("fPower[1]", at + us::fPower + 4);
  Float("fPowerFactor[0]", at + us::fPowerFactor);
  Float("fPowerFactor[1]", at + us::fPowerFactor + 4);
  Float("fVoltAmps[0]", at + us::fVoltAmps);
  Float("fVoltAmps[1]", at + us::fVoltAmps + 4);
  Float("fVars[0]", at + us::fVars);
  Float("fVars[1]", at + us::fVars + 4);
  for (int i = 0; i < 2; ++i) {
    const size_t channel = at + us::trChannel + us::kChannelSize * i;
    Index("trChannel", i);
    Float("fDc", channel + us::fDc);
    Float("fRms", channel + us::fRms);
    Float("fMagnitude", channel + us::fMagnitude);
    Float("fPhase", channel + us::fChannelPhase);
    Float("fResidual", channel + us::fResidual);
  }
}

void RecordDumper::EnergyRecord(size_t at) {
  Size("energyRecord", energy::kSize);
  Float("fWattHours", at + energy::fWattHours);
  Float("fVoltAmpHours", at + energy::fVoltAmpHours);
  Float("fVarHours", at + energy::fVarHours);
}

void RecordDumper::Factors(size_t at, size_t count) {
  Signed("scale_enable", at + scale_enable);
  for (size_t i = 0; i < count; ++i) {
    const size_t factor = at + ac_factor + kAcFactorSize * i;
    Index("ac_factor", static_cast<int>(i));
    Float("magnitude", factor);
    Float("phase", factor + 4);
  }
}

void RecordDumper::PtctData(size_t at) {
  Size("ptct_data", ptct::kSize);
  Factors(at, ptct::kFactors);
}

void RecordDumper::ScaleData(size_t at) {
  Size("scale_data", scale::kSize);
  Factors(at, scale::kFactors);
}

void RecordDumper::Harmonics() {
  Size("Harmonics", sp::kHarmonicsDumpSize);
  for (int i = 0; i < 2; ++i) {
    IndexedFloat("dspReturnChMag", i, sp::dspReturnChMag + 4 * i);
    IndexedFloat("dspReturnChPh", i, sp::dspReturnChPh + 4 * i);
  }
  Text("harmArray\n");
  for (int i = 0; i < static_cast<int>(kHarmonics); ++i) {
    Index("harmonicData", i);
    for (int j = 0; j < 2; ++j) {
      const size_t tv = sp::harmonicData + kHarmonicDataSize * i + kTvChannelSize * j;
      Index("tvChannel", j);
      Float("magnitude", tv + tv_magnitude);
      Float("phase", tv + tv_phase);
    }
  }
}

void RecordDumper::WaveformData(size_t at) {
  Size("WaveformData", sp::kWaveformDataSize);
  for (int i = 0; i < static_cast<int>(sp::kWaveformDataSize); ++i) {
    Index("waveformData", i);
    m_out.pop_back();  // "waveformData[%d] [%d]\n"
    Signed("", at + i);
  }
}

void RecordDumper::ThreePhase() {
  Size("ThreePhase", kThreePhaseRecordSize);
  m_out += "threePhaseRecord - size [";
  AppendInt(m_out, kThreePhaseRecordBlockSize);
  m_out += "]\n";
  Unsigned("byPhaseDirection", tp::byPhaseDirection);
  for (int p = 0; p < 3; ++p) UpdateSettings(tp::updateSettings + us::kSize * p);
  for (int k = 0; k < 3; ++k) {
    const size_t seq = tp::threePhaseHarmonicSequence + tp::kSequenceSize * k;
    Index("threePhaseHarmonicSequence", k);
    for (int j = 0; j < 2; ++j) {
      Index("cChannel", j);
      m_out.pop_back();
      Unsigned("", seq + tp::cChannel + j);
    }
    for (int j = 0; j < 2; ++j) {
      const size_t m = seq + tp::harmonicMeasurement + tp::kMeasurementSize * j;
      Index("harmonicMeasurement", j);
      Float("fRms", m + tp::hm_fRms);
      Float("fFrequency", m + tp::hm_fFrequency);
      Float("fMagnitude", m + tp::hm_fMagnitude);
      Float("fPhase", m + tp::hm_fPhase, true);
      Float("fResidual", m + tp::hm_fResidual);
    }
    for (int i = 0; i < static_cast<int>(kHarmonics); ++i) {
      Index("harmonicArray.harmonicData", i);
      for (int j = 0; j < 2; ++j) {
        const size_t tv = seq + tp::harmonicArray + kHarmonicDataSize * i + kTvChannelSize * j;
        Index("tvChannel", j);
        Float("magnitude", tv + tv_magnitude);
        Float("phase", tv + tv_phase, true);
      }
    }
  }
  for (int i = 0; i < 2; ++i) IndexedFloat("fVoltage", i, tp::fVoltage + 4 * i);
  for (int i = 0; i < 2; ++i) IndexedFloat("fCurrent", i, tp::fCurrent + 4 * i);
  Float("fPhase", tp::fPhase, true);
  for (int i = 0; i < 2; ++i) IndexedFloat("fPowerFactor", i, tp::fPowerFactor + 4 * i);
  for (int i = 0; i < 2; ++i) IndexedFloat("fPower", i, tp::fPower + 4 * i);
  for (int i = 0; i < 2; ++i) IndexedFloat("fVoltAmps", i, tp::fVoltAmps + 4 * i);
  for (int i = 0; i < 2; ++i) IndexedFloat("fVars", i, tp::fVars + 4 * i);
  EnergyRecord(tp::energyRecord);
  PtctData(tp::ptct_data);
  ScaleData(tp::scale_data);
}

bool Fits(size_t at, size_t width, size_t size) {
  return at + width <= size;
}

}  // namespace

void AppendRecordDump(std::string& out, const uint8_t* record, size_t size) {
  // A block is printed only when it lies wholly inside the record.
  if (!record || !Fits(0, kHeadSize, size)) return;
  RecordDumper w(out, record);
  const int logType = record[byRecordType] & 0x3F;
  w.Head(logType);
  if (logType >= 1 && logType <= 3) {
    if (Fits(sp::updateSettings, us::kSize, size)) w.UpdateSettings(sp::updateSettings);
    if (Fits(sp::energyRecord, energy::kSize, size)) w.EnergyRecord(sp::energyRecord);
    if (Fits(sp::ptct_data, ptct::kSize, size)) w.PtctData(sp::ptct_data);
    if (Fits(sp::scale_data, scale::kSize, size)) w.ScaleData(sp::scale_data);
  }
  if ((logType == 2 || logType == 3) &&
      Fits(sp::Harmonics, sp::kHarmonicsEnd - sp::Harmonics, size)) {
    w.Harmonics();
  }
  if (logType == 3) {
    if (Fits(sp::WaveformData0, sp::kWaveformDataSize, size)) w.WaveformData(sp::WaveformData0);
    if (Fits(sp::WaveformData1, sp::kWaveformDataSize, size)) w.WaveformData(sp::WaveformData1);
  }
  if (logType >= 4 && Fits(0, kThreePhaseRecordSize, size)) w.ThreePhase();
}

DumpExtent WriteRecordDumpsWithin(std::ostream& out, const uint8_t* records, size_t count,
                                  size_t size, uint64_t room, unsigned lineEndBytes) {
  constexpr size_t kPieceBytes = 1 << 20;
  DumpExtent extent;
  std::string text;
  text.reserve(kPieceBytes + (64 << 10));
  auto flush = [&] {
    if (!text.empty() && !out.write(text.data(), static_cast<std::streamsize>(text.size())))
      extent.ok = false;
    text.clear();
    return extent.ok;
  };
  for (size_t i = 0; i < count; ++i) {
    const size_t mark = text.size();
    AppendRecordDump(text, records + i * size, size);
    uint64_t bytes = text.size() - mark;
    if (lineEndBytes > 1)
      bytes +=
          (lineEndBytes - 1) * uint64_t(std::count(text.begin() + long(mark), text.end(), '\n'));
    if (bytes > room - extent.bytes) {  // this record does not fit whole: it and the rest stay out
      text.resize(mark);
      break;
    }
    extent.bytes += bytes;
    ++extent.records;
    if (text.size() >= kPieceBytes && !flush()) return extent;
  }
  if (flush() && !out.flush()) extent.ok = false;
  return extent;
}

bool WriteRecordDumps(std::ostream& out, const uint8_t* records, size_t count, size_t size) {
  return WriteRecordDumpsWithin(out, records, count, size, UINT64_MAX, 1).ok;
}

std::string DumpCutShortText(size_t leftOut, size_t total, uint64_t limit) {
  std::string text = kSeparatorLine;
  text += "The dump of this load is cut short: its last ";
  AppendInt(text, static_cast<long long>(leftOut));
  text += " of ";
  AppendInt(text, static_cast<long long>(total));
  text += " records are left out, as a dump file is kept below ";
  if (limit % (1 << 20) == 0) {
    AppendInt(text, static_cast<long long>(limit >> 20));
    text += " MiB";
  } else {
    AppendInt(text, static_cast<long long>(limit));
    text += " bytes";
  }
  text += ".\n";
  return text;
}
