// The document's record queries: every cell of the table is one of these.
#include <cmath>
#include <cstring>
#include <limits>

#include "ByteOrder.h"
#include "CMeterlog2Doc.h"
#include "NumberText.h"
#include "RecordLayout.h"
#include "text/Text.h"
#include "text/TimeText.h"

using namespace layout;

namespace {

constexpr unsigned kSinglePhaseOrTotal = 3;

// Offsets of a harmonic table entry and its reference, by phase selector (3: single-phase).
struct HarmonicSource {
  size_t reference;       // A: the channel's own magnitude (trChannel fMagnitude)
  size_t tableReference;  // B/F: dspReturnChMag or harmonicMeasurement fMagnitude
  size_t tableRefPhase;   // P1: dspReturnChPh or harmonicMeasurement fPhase
  size_t table;           // harmonic 0, channel c: magnitude; +4 phase
};

HarmonicSource HarmonicOffsets(unsigned c, unsigned p) {
  if (p == kSinglePhaseOrTotal) {
    return {sp::fMagnitude + 20 * c, sp::dspReturnChMag + 4 * c, sp::dspReturnChPh + 4 * c,
            sp::harmonicData + kTvChannelSize * c};
  }
  const size_t seq = tp::threePhaseHarmonicSequence + tp::kSequenceSize * p;
  const size_t measurement = seq + tp::harmonicMeasurement + tp::kMeasurementSize * c;
  return {
      tp::updateSettings + us::kSize * p + us::trChannel + us::kChannelSize * c + us::fMagnitude,
      measurement + tp::hm_fMagnitude, measurement + tp::hm_fPhase,
      seq + tp::harmonicArray + kTvChannelSize * c};
}

size_t HarmonicAt(const HarmonicSource& s, unsigned h) {
  return s.table + kHarmonicDataSize * h;
}

}  // namespace

bool CMeterlog2Doc::ThreePhaseLayout() const {
  return GetFirstLogType() >= 4;
}

bool CMeterlog2Doc::IsVectorVariant() const {
  return m_dwCurrentDataFormat == kDataFormat0100 && GetFirstLogType() == kThreePhaseVectorLog;
}

bool CMeterlog2Doc::ReadFloat(float& value, unsigned row, size_t offset) const {
  const uint8_t* record = GetRecord(row);
  if (!record || offset + 4 > m_wRecordSize) return false;
  std::memcpy(&value, record + offset, 4);
  if (m_dwCurrentDataFormat == kDataFormat0100) SwapBytes32(value);
  return true;
}

bool CMeterlog2Doc::FloatValue(double& value, unsigned row, size_t offset, bool degrees) const {
  float stored;
  if (!ReadFloat(stored, row, offset)) return false;
  value = stored;
  if (degrees) value *= kRadiansToDegrees;
  return true;
}

bool CMeterlog2Doc::GetLogType(int& type, unsigned row) const {
  const uint8_t* record = GetRecord(row);
  type = (record && m_wRecordSize > 0) ? LogTypeFromRecordTypeByte(record[byRecordType]) : 0;
  return type != 0;
}

bool CMeterlog2Doc::GetLogTypeName(std::string& text, unsigned row) const {
  text.clear();
  int type;
  GetLogType(type, row);
  if (const char* name = LogTypeName(type)) text = name;
  return !text.empty();
}

namespace {

// The fields of the record's clock; false without them or when they name no valid time.
bool ReadClockTime(ClockTime& t, const uint8_t* record, size_t recordSize) {
  if (!record || recordSize < year + 2) return false;
  uint16_t rawYear;
  std::memcpy(&rawYear, record + year, 2);  // host order since the load
  t.year = rawYear;
  t.month = record[month];
  t.day = record[day];
  t.hour = record[hour];
  t.minute = record[minute];
  t.second = record[second];
  return IsValidClockTime(t);
}

}  // namespace

bool CMeterlog2Doc::GetTimeStamp(std::string& text, unsigned row, TimeStyle style) const {
  text.clear();
  const uint8_t* record = GetRecord(row);
  if (!record || m_wRecordSize < year + 2) return false;
  ClockTime t;
  if (!ReadClockTime(t, record, m_wRecordSize)) {
    text = "Invalid DateTime";
    return true;
  }
  AppendTimeText(text, t, style);
  return true;
}

bool CMeterlog2Doc::GetTimeSeconds(int64_t& seconds, unsigned row) const {
  ClockTime t;
  if (!ReadClockTime(t, GetRecord(row), m_wRecordSize)) return false;
  seconds = SecondsFromClockTime(t);
  return true;
}

bool CMeterlog2Doc::GetWaveformData(std::array<int8_t, 240>& samples, unsigned row,
                                    unsigned block) const {
  const size_t offset = block == 0 ? sp::WaveformData0 : sp::WaveformData1;
  const uint8_t* record = GetRecord(row);
  if (!record || block > 1 || m_nFirstLogType != kWaveformLog ||
      m_wRecordSize < offset + sp::kWaveformDataSize)
    return false;
  std::memcpy(samples.data(), record + offset, samples.size());
  return true;
}

bool CMeterlog2Doc::GetRecordTitle(std::string& text, unsigned row) const {
  text.clear();
  std::string name, stamp;
  if (GetLogTypeName(name, row) && GetTimeStamp(stamp, row)) text = name + " " + stamp;
  return !text.empty();
}

bool CMeterlog2Doc::GetChannelSelect(int& code, unsigned row, unsigned c) const {
  const uint8_t* record = GetRecord(row);
  if (!record || c >= 2 || m_wRecordSize <= cChannelSelect + c) return false;
  code = record[cChannelSelect + c] & 0x0F;
  return true;
}

bool CMeterlog2Doc::GetChannelSelectName(std::string& text, unsigned row, unsigned c) const {
  static constexpr const char* kInputs[16] = {"Vab", "Vbc", "Vca", "Vac", "Vcb", "Vba",
                                              "Van", "Vbn", "Vcn", "Vas", "Vbs", "Vcs",
                                              "Ia",  "Ib",  "Ic",  "Cal"};
  text.clear();
  int code;
  if (!GetChannelSelect(code, row, c)) return false;
  text = "Ch ";
  AppendInt(text, c + 1);
  text.push_back(' ');
  text += kInputs[code];
  return true;
}

bool CMeterlog2Doc::GetPhaseDirectionName(std::string& text, unsigned row) const {
  static constexpr const char* kDirections[5] = {"ABC", "CBA", "---", "PF", "unknown"};
  text.clear();
  const uint8_t* record = GetRecord(row);
  if (!record || m_wRecordSize <= tp::byPhaseDirection) return false;
  text = kDirections[std::min<unsigned>(record[tp::byPhaseDirection], 4)];
  return true;
}

bool CMeterlog2Doc::GetFrequency(double& value, unsigned row) const {
  return FloatValue(
      value, row, ThreePhaseLayout() ? tp::updateSettings + us::fFrequency : sp::fFrequency, false);
}

bool CMeterlog2Doc::GetPhase(double& value, unsigned row, unsigned p) const {
  if (p > kSinglePhaseOrTotal) return false;
  size_t offset = sp::fPhase;
  if (ThreePhaseLayout()) {
    offset =
        p == kSinglePhaseOrTotal ? tp::fPhase : tp::updateSettings + us::kSize * p + us::fPhase;
  }
  return FloatValue(value, row, offset, true);
}

namespace {

// The four power families share one shape: single-phase at `single` + 4w; three-phase per
// phase at updateSettings[p] + `relative` + 4w, or the total at `total` + 4w.
size_t PowerOffset(bool threePhase, size_t single, size_t relative, size_t total, unsigned w,
                   unsigned p) {
  if (!threePhase) return single + 4 * w;
  if (p == kSinglePhaseOrTotal) return total + 4 * w;
  return tp::updateSettings + us::kSize * p + relative + 4 * w;
}

}  // namespace

#define METERLOG2_POWER_QUERY(Name, single, relative, total)                                      \
  bool CMeterlog2Doc::Name(double& value, unsigned row, unsigned w, unsigned p) const {           \
    if (w >= 2 || p > kSinglePhaseOrTotal) return false;                                          \
    return FloatValue(value, row, PowerOffset(ThreePhaseLayout(), single, relative, total, w, p), \
                      false);                                                                     \
  }

METERLOG2_POWER_QUERY(GetPower, sp::fPower, us::fPower, tp::fPower)
METERLOG2_POWER_QUERY(GetPowerFactor, sp::fPowerFactor, us::fPowerFactor, tp::fPowerFactor)
METERLOG2_POWER_QUERY(GetVoltAmps, sp::fVoltAmps, us::fVoltAmps, tp::fVoltAmps)
METERLOG2_POWER_QUERY(GetVars, sp::fVars, us::fVars, tp::fVars)
#undef METERLOG2_POWER_QUERY

// Volts and currents: 0 in single-phase logs; per-phase vectors in the vector variant (p = 3
// gives 0); otherwise the three-phase averages whatever p is.
bool CMeterlog2Doc::VectorValue(double& value, unsigned row, unsigned w, unsigned p,
                                const size_t (&vector)[3], size_t average, bool degrees) const {
  if (w >= 2 || p > kSinglePhaseOrTotal || !GetRecord(row)) return false;
  const bool fromVector = IsVectorVariant() && p != kSinglePhaseOrTotal;
  if (!ThreePhaseLayout() || (!fromVector && (IsVectorVariant() || degrees))) {
    value = 0.0;
    return true;
  }
  return FloatValue(value, row, fromVector ? vector[p] : average + 4 * w, degrees);
}

bool CMeterlog2Doc::GetVoltage(double& value, unsigned row, unsigned w, unsigned p) const {
  static constexpr size_t kVector[3] = {vec::Va_magnitude, vec::Vb_magnitude, vec::Vc_magnitude};
  return VectorValue(value, row, w, p, kVector, tp::fVoltage, false);
}

bool CMeterlog2Doc::GetCurrent(double& value, unsigned row, unsigned w, unsigned p) const {
  static constexpr size_t kVector[3] = {vec::Ia_magnitude, vec::Ib_magnitude, vec::Ic_magnitude};
  return VectorValue(value, row, w, p, kVector, tp::fCurrent, false);
}

// The vector phases exist only in the vector variant; everywhere else they read 0.
bool CMeterlog2Doc::GetVoltagePhase(double& value, unsigned row, unsigned p) const {
  static constexpr size_t kVector[3] = {vec::Va_phase, vec::Vb_phase, vec::Vc_phase};
  return VectorValue(value, row, 0, p, kVector, 0, true);
}

bool CMeterlog2Doc::GetCurrentPhase(double& value, unsigned row, unsigned p) const {
  static constexpr size_t kVector[3] = {vec::Ia_phase, vec::Ib_phase, vec::Ic_phase};
  return VectorValue(value, row, 0, p, kVector, 0, true);
}

bool CMeterlog2Doc::GetChannelLevel(double& value, unsigned row, unsigned c, bool narrow,
                                    unsigned p) const {
  if (c >= 2 || p > kSinglePhaseOrTotal) return false;
  const size_t member = narrow ? us::fMagnitude : us::fRms;
  const size_t offset = ThreePhaseLayout() ? tp::updateSettings + us::kSize * p + us::trChannel +
                                                 us::kChannelSize * c + member
                                           : sp::trChannel + us::kChannelSize * c + member;
  return FloatValue(value, row, offset, false);
}

bool CMeterlog2Doc::GetThd(double& value, unsigned row, unsigned c, unsigned p) const {
  if (c >= 2 || p > kSinglePhaseOrTotal) return false;
  const size_t channel = p == kSinglePhaseOrTotal ? sp::trChannel + us::kChannelSize * c
                                                  : tp::updateSettings + us::kSize * p +
                                                        us::trChannel + us::kChannelSize * c;
  float residual, rms;
  if (!ReadFloat(residual, row, channel + us::fResidual) ||
      !ReadFloat(rms, row, channel + us::fRms)) {
    return false;
  }
  // Single precision, as the instrument's software computes it.
  const float thd = residual == 0.0f ? 0.0f : 100.0f * residual / rms;
  value = thd;
  return true;
}

bool CMeterlog2Doc::GetWattHours(double& value, unsigned row) const {
  return FloatValue(value, row, ThreePhaseLayout() ? tp::fWattHours : sp::fWattHours, false);
}

bool CMeterlog2Doc::GetVoltAmpHours(double& value, unsigned row) const {
  return FloatValue(value, row, ThreePhaseLayout() ? tp::fVoltAmpHours : sp::fVoltAmpHours, false);
}

bool CMeterlog2Doc::GetVarHours(double& value, unsigned row) const {
  return FloatValue(value, row, ThreePhaseLayout() ? tp::fVarHours : sp::fVarHours, false);
}

bool CMeterlog2Doc::HarmonicScale(float& scale, unsigned row, unsigned c, unsigned p) const {
  const HarmonicSource s = HarmonicOffsets(c, p);
  float a, b;
  if (!ReadFloat(a, row, s.reference) || !ReadFloat(b, row, s.tableReference)) return false;
  // The table holds magnitudes relative to its own reference; scale them to the channel's.
  scale = b != 0.0f ? a / b : 1.0f;
  return true;
}

bool CMeterlog2Doc::GetHarmonicMagnitude(double& value, unsigned row, unsigned c, unsigned h,
                                         unsigned p) const {
  if (c >= 2 || h >= kHarmonics || p > kSinglePhaseOrTotal) return false;
  float scale, harmonic;
  if (!HarmonicScale(scale, row, c, p) ||
      !ReadFloat(harmonic, row, HarmonicAt(HarmonicOffsets(c, p), h) + tv_magnitude)) {
    return false;
  }
  value = static_cast<double>(harmonic) * static_cast<double>(scale);
  return true;
}

bool CMeterlog2Doc::GetHarmonicMagnitudes(std::array<double, 49>& values, unsigned row, unsigned c,
                                          unsigned p) const {
  static_assert(kHarmonics == 49);
  float scale;
  if (c >= 2 || p > kSinglePhaseOrTotal || !HarmonicScale(scale, row, c, p)) return false;
  const HarmonicSource s = HarmonicOffsets(c, p);
  for (unsigned h = 0; h < kHarmonics; ++h) {
    float harmonic;
    values[h] = ReadFloat(harmonic, row, HarmonicAt(s, h) + tv_magnitude)
                    ? static_cast<double>(harmonic) * static_cast<double>(scale)
                    : std::numeric_limits<double>::quiet_NaN();
  }
  return true;
}

bool CMeterlog2Doc::GetHarmonicPhase(double& value, unsigned row, unsigned c, unsigned h,
                                     unsigned p) const {
  if (c >= 2 || h >= kHarmonics || p > kSinglePhaseOrTotal) return false;
  const HarmonicSource s = HarmonicOffsets(c, p);
  float phase, fundamental;
  if (!ReadFloat(phase, row, HarmonicAt(s, h) + tv_phase) ||
      !ReadFloat(fundamental, row, s.tableRefPhase)) {
    return false;
  }
  // Relative to the fundamental's phase advanced to this harmonic's frequency.
  double d =
      static_cast<double>(phase) - std::fmod(static_cast<double>(fundamental) * (h + 2), kTwoPi);
  if (d > kPi) {
    d -= kTwoPi;
  } else if (d < -kPi) {
    d += kTwoPi;
  }
  value = d * kRadiansToDegrees;
  return true;
}

bool CMeterlog2Doc::GetKFactor(double& value, unsigned row, unsigned c, unsigned p) const {
  if (c >= 2 || p > kSinglePhaseOrTotal) return false;
  const HarmonicSource s = HarmonicOffsets(c, p);
  float reference, last;
  // The table's entries lie in ascending order: when the last fits, all of them do.
  if (!ReadFloat(reference, row, s.tableReference) ||
      !ReadFloat(last, row, HarmonicAt(s, kHarmonics - 1) + tv_magnitude)) {
    return false;
  }
  // Single precision throughout; the fundamental contributes 1 to both sums.
  float num = 1.0f, den = 1.0f;
  for (unsigned i = 0; i < kHarmonics; ++i) {
    float harmonic;
    ReadFloat(harmonic, row, HarmonicAt(s, i) + tv_magnitude);
    if (harmonic < 0.0f) harmonic = 0.0f;
    if (reference != 0.0f) {
      const float q = harmonic / reference;
      const float r = q * q;
      num = num + static_cast<float>((i + 2) * (i + 2)) * r;
      den = den + r;
    }
  }
  const float k = den != 0.0f ? num / den : 1.0f;
  value = k;
  return true;
}
