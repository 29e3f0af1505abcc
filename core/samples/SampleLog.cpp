#include "SampleLog.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "file/OutputFile.h"
#include "log/ByteOrder.h"
#include "log/LogTypes.h"
#include "log/RecordLayout.h"
#include "text/Text.h"

using namespace layout;

namespace {

constexpr double kTwoPiExact = 6.283185307179586;

size_t LayoutSize(int byRecordType) {
  switch (byRecordType & 0x3F) {
    case 1:
      return kSinglePhaseHeadSize;
    case 2:
      return kHarmonicRecordSize;
    case 3:
      return kWaveformRecordSize;
    default:
      return kThreePhaseRecordSize;
  }
}

class RecordBuilder {
 public:
  RecordBuilder(std::vector<uint8_t>& record, uint32_t dataFormat)
      : m_record(record), m_reverse(dataFormat == kDataFormat0100) {}

  void Float(size_t offset, double value) {
    const float f = static_cast<float>(value);
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    uint8_t bytes[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                        static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
    if (m_reverse) std::swap(bytes[0], bytes[3]), std::swap(bytes[1], bytes[2]);
    std::memcpy(m_record.data() + offset, bytes, 4);
  }
  void Byte(size_t offset, int value) { m_record[offset] = static_cast<uint8_t>(value); }

 private:
  std::vector<uint8_t>& m_record;
  bool m_reverse;
};

// One phase (or the single-phase block) of measurements.
struct PhaseValues {
  double frequency, volts, amps, angle;  // angle: current lags voltage by `angle` radians
  double voltPhase;                      // absolute phase of the voltage fundamental
};

void WriteUpdateSettings(RecordBuilder& b, size_t at, const PhaseValues& v) {
  const double va = v.volts * v.amps;
  b.Float(at + us::fFrequency, v.frequency);
  b.Float(at + us::fPhase, v.angle);
  // Wide includes the harmonics; Narrow is the fundamental alone.
  const double narrow = 0.997;
  b.Float(at + us::fPower, va * std::cos(v.angle));
  b.Float(at + us::fPower + 4, va * std::cos(v.angle) * narrow);
  b.Float(at + us::fPowerFactor, std::cos(v.angle) * 0.995);
  b.Float(at + us::fPowerFactor + 4, std::cos(v.angle));
  b.Float(at + us::fVoltAmps, va);
  b.Float(at + us::fVoltAmps + 4, va * narrow);
  b.Float(at + us::fVars, va * std::sin(v.angle));
  b.Float(at + us::fVars + 4, va * std::sin(v.angle) * narrow);
  const double levels[2] = {v.volts, v.amps};
  const double phases[2] = {v.voltPhase, v.voltPhase - v.angle};
  const double thd[2] = {0.021, 0.048};
  for (int c = 0; c < 2; ++c) {
    const size_t ch = at + us::trChannel + us::kChannelSize * c;
    b.Float(ch + us::fDc, levels[c] * 0.0004);
    b.Float(ch + us::fRms, levels[c]);
    b.Float(ch + us::fMagnitude, levels[c] * 0.9989);
    b.Float(ch + us::fChannelPhase, phases[c]);
    b.Float(ch + us::fResidual, levels[c] * thd[c]);
  }
}

void WriteFactors(RecordBuilder& b, size_t at, size_t count) {
  b.Byte(at + scale_enable, 0);
  for (size_t i = 0; i < count; ++i) {
    b.Float(at + ac_factor + kAcFactorSize * i, 1.0);
    b.Float(at + ac_factor + kAcFactorSize * i + 4, 0.0);
  }
}

void WriteEnergy(RecordBuilder& b, size_t at, double watts, double va, double vars, double hours) {
  b.Float(at + energy::fWattHours, watts * hours);
  b.Float(at + energy::fVoltAmpHours, va * hours);
  b.Float(at + energy::fVarHours, vars * hours);
}

// A harmonic table: magnitudes relative to `reference`, phases absolute in radians.
// `distorted`, when nonzero, is a harmonic number whose magnitude is `distortedPercent`.
void WriteHarmonicTable(RecordBuilder& b, size_t table, double reference, double fundamentalPhase,
                        double distortion, unsigned seed, int distorted = 0,
                        double distortedPercent = 0) {
  for (unsigned i = 0; i < kHarmonics; ++i) {
    const unsigned n = i + 2;
    // Odd harmonics dominate (a few percent falling with order), even ones are small.
    const double percent = static_cast<int>(n) == distorted
                               ? distortedPercent
                               : (n % 2 ? distortion / n : distortion / (8.0 * n)) *
                                     (1.0 + 0.05 * std::sin(seed * 0.7 + n));
    double phase = std::fmod(fundamentalPhase * n + 0.3 * n + 0.1 * seed, kTwoPiExact);
    if (phase > kTwoPiExact / 2) {
      phase -= kTwoPiExact;
    } else if (phase <= -kTwoPiExact / 2) {
      phase += kTwoPiExact;
    }
    b.Float(table + kHarmonicDataSize * i + tv_magnitude, reference * percent / 100.0);
    b.Float(table + kHarmonicDataSize * i + tv_phase, phase);
  }
}

// The time stamp of record `index`, big-endian as in the file.
void WriteTimeStamp(RecordBuilder& b, std::vector<uint8_t>& record, const SampleLogOptions& o,
                    uint32_t index) {
  const long long start = DaysFromCivil(o.year, o.month, o.day) * 86400LL + o.hour * 3600LL +
                          o.minute * 60LL + o.second;
  const long long t = start + static_cast<long long>(index) * o.intervalSeconds;
  // Days and seconds rounded down, so that a time before 1970 gets its own day and clock.
  const long long days = t / 86400 - (t % 86400 < 0 ? 1 : 0);
  const auto [y, m, d] = CivilFromDays(days);
  const int secondOfDay = static_cast<int>(t - days * 86400);
  const long long dayOfYear = days - DaysFromCivil(y, 1, 1) + 1;
  b.Byte(second, secondOfDay % 60);
  b.Byte(minute, secondOfDay / 60 % 60);
  b.Byte(hour, secondOfDay / 3600);
  b.Byte(day, d);
  b.Byte(month, m);
  if (o.invalidDates && index % 3 == 2) {
    if (index % 2) {
      b.Byte(month, 13);
    } else {
      b.Byte(month, 2), b.Byte(day, 30);
    }
  }
  WriteBigEndian16(record.data() + dayofyear, static_cast<uint16_t>(dayOfYear));
  WriteBigEndian16(record.data() + year, static_cast<uint16_t>(y));
  WriteBigEndian32(record.data() + secondsofyear,
                   static_cast<uint32_t>((dayOfYear - 1) * 86400 + secondOfDay));
}

// Instrument settings: plausible, constant through a log.
void WriteInstrumentSettings(RecordBuilder& b, int logType, bool threePhase) {
  b.Byte(cDisplayMode, threePhase ? 4 : 1);
  b.Byte(cHarmonicMode, logType == 2 || logType == 3 ? 1 : 0);
  b.Byte(cModel, threePhase ? 3 : 1);
  b.Byte(cThreePhaseMode, threePhase ? 1 : 0);
  b.Byte(cBandwidth, 0);
  b.Byte(cChannelSelect, threePhase ? 6 : 6);        // Ch 1 Van
  b.Byte(cChannelSelect + 1, threePhase ? 12 : 12);  // Ch 2 Ia
  b.Byte(timer_cMode, 1);
  b.Float(timer_fResult, 0.0);
  b.Float(tr_fAc_fs, 1.0);
  b.Float(tr_fAc_bs, 1.0);
  b.Float(tr_fDc_fs, 1.0);
  b.Float(tr_fDc_bs, 1.0);
  b.Float(tr_fRefCount, 4096.0);
  b.Float(tr_fZeroCount, 2048.0);
  b.Float(tr_fDc, 0.0);
}

// What every record's measurements share: they drift slowly from record to record.
struct Drift {
  double wobble, nominalVolts, frequency, hours;
};

void WriteSinglePhase(RecordBuilder& b, const SampleLogOptions& o, uint32_t index, int logType,
                      const Drift& d) {
  const double wobble = d.wobble, nominalVolts = d.nominalVolts, frequency = d.frequency;
  const PhaseValues v{frequency, nominalVolts * (1 + 0.01 * wobble), 8.0 + 2.0 * wobble,
                      0.30 + 0.05 * wobble, 0.5};
  WriteUpdateSettings(b, sp::updateSettings, v);
  const double va = v.volts * v.amps;
  WriteEnergy(b, sp::energyRecord, va * std::cos(v.angle), va, va * std::sin(v.angle), d.hours);
  WriteFactors(b, sp::ptct_data, ptct::kFactors);
  WriteFactors(b, sp::scale_data, scale::kFactors);
  if (logType == 2 || logType == 3) {
    const double references[2] = {1000.0 + 10 * wobble, 400.0 + 5 * wobble};
    const double phases[2] = {v.voltPhase, v.voltPhase - v.angle};
    for (int c = 0; c < 2; ++c) {
      b.Float(sp::dspReturnChMag + 4 * c, references[c]);
      b.Float(sp::dspReturnChPh + 4 * c, phases[c]);
      WriteHarmonicTable(b, sp::harmonicData + kTvChannelSize * c, references[c], phases[c],
                         c ? 12.0 : 4.0, o.seed + index, c ? 0 : o.distortedHarmonic,
                         o.distortionPercent);
    }
  }
  if (logType == 3) {
    for (int w = 0; w < 2; ++w) {
      const double amplitude = w ? 90.0 : 120.0;
      for (int s = 0; s < 240; ++s) {
        const double x = kTwoPiExact * s / 80.0;  // three cycles per block
        const double sample =
            amplitude * std::sin(x - (w ? v.angle : 0.0)) + amplitude * 0.04 * std::sin(3 * x);
        b.Byte(sp::WaveformData0 + 240 * w + s, static_cast<int>(std::lround(sample)));
      }
    }
  }
}

// Vector logs read in the reversed byte order hold seven vectors where the per-phase settings
// would be.
void WriteVectors(RecordBuilder& b, std::vector<uint8_t>& record, const PhaseValues (&phases)[3],
                  double wobble) {
  std::fill(record.begin() + tp::updateSettings, record.begin() + tp::threePhaseHarmonicSequence,
            0);
  const size_t voltOffsets[3] = {vec::Va_magnitude, vec::Vb_magnitude, vec::Vc_magnitude};
  const size_t currentOffsets[3] = {vec::Ia_magnitude, vec::Ib_magnitude, vec::Ic_magnitude};
  for (int p = 0; p < 3; ++p) {
    b.Float(voltOffsets[p], phases[p].volts);
    b.Float(voltOffsets[p] + 4, phases[p].voltPhase);
    b.Float(currentOffsets[p], phases[p].amps);
    b.Float(currentOffsets[p] + 4, phases[p].voltPhase - phases[p].angle);
  }
  b.Float(vec::In_magnitude, 0.4 + 0.1 * wobble);
  b.Float(vec::In_phase, 1.0);
}

void WriteThreePhase(RecordBuilder& b, std::vector<uint8_t>& record, const SampleLogOptions& o,
                     uint32_t index, int logType, const Drift& d) {
  const double wobble = d.wobble, nominalVolts = d.nominalVolts, frequency = d.frequency;
  b.Byte(tp::byPhaseDirection, 0);
  PhaseValues phases[3];
  double watts = 0, va = 0, vars = 0, volts = 0, amps = 0, angle = 0;
  for (int p = 0; p < 3; ++p) {
    const double w = std::sin(0.37 * index + o.seed + p);
    phases[p] = {frequency, nominalVolts * (1 + 0.01 * w), 20.0 + 3.0 * w, 0.25 + 0.04 * w,
                 p == 0 ? 0.0 : -kTwoPiExact / 3 * p};
    WriteUpdateSettings(b, tp::updateSettings + us::kSize * p, phases[p]);
    const double s = phases[p].volts * phases[p].amps;
    watts += s * std::cos(phases[p].angle);
    vars += s * std::sin(phases[p].angle);
    va += s;
    volts += phases[p].volts / 3;
    amps += phases[p].amps / 3;
    angle += phases[p].angle / 3;
  }
  for (int p = 0; p < 3; ++p) {
    const size_t seq = tp::threePhaseHarmonicSequence + tp::kSequenceSize * p;
    b.Byte(seq + tp::cChannel, 2 * p);
    b.Byte(seq + tp::cChannel + 1, 2 * p + 1);
    const double levels[2] = {phases[p].volts, phases[p].amps};
    const double refPhases[2] = {phases[p].voltPhase, phases[p].voltPhase - phases[p].angle};
    for (int c = 0; c < 2; ++c) {
      const size_t hm = seq + tp::harmonicMeasurement + tp::kMeasurementSize * c;
      const double reference = c ? 640.0 + 7 * wobble : 1800.0 + 20 * wobble;
      b.Float(hm + tp::hm_fRms, levels[c]);
      b.Float(hm + tp::hm_fFrequency, frequency);
      b.Float(hm + tp::hm_fMagnitude, reference);
      b.Float(hm + tp::hm_fPhase, refPhases[c]);
      b.Float(hm + tp::hm_fResidual, levels[c] * (c ? 0.048 : 0.021));
      WriteHarmonicTable(b, seq + tp::harmonicArray + kTvChannelSize * c, reference, refPhases[c],
                         c ? 12.0 : 4.0, o.seed + index + p, c ? 0 : o.distortedHarmonic,
                         o.distortionPercent);
    }
  }
  if (logType == kThreePhaseVectorLog && o.dataFormat == kDataFormat0100)
    WriteVectors(b, record, phases, wobble);
  b.Float(tp::fVoltage, volts);
  b.Float(tp::fVoltage + 4, volts * 0.9989);
  b.Float(tp::fCurrent, amps);
  b.Float(tp::fCurrent + 4, amps * 0.9989);
  b.Float(tp::fPhase, angle);
  b.Float(tp::fPowerFactor, watts / va * 0.995);
  b.Float(tp::fPowerFactor + 4, watts / va);
  b.Float(tp::fPower, watts);
  b.Float(tp::fPower + 4, watts * 0.997);
  b.Float(tp::fVoltAmps, va);
  b.Float(tp::fVoltAmps + 4, va * 0.997);
  b.Float(tp::fVars, vars);
  b.Float(tp::fVars + 4, vars * 0.997);
  WriteEnergy(b, tp::energyRecord, watts, va, vars, d.hours);
  WriteFactors(b, tp::ptct_data, ptct::kFactors);
  WriteFactors(b, tp::scale_data, scale::kFactors);
}

}  // namespace

std::vector<uint8_t> MakeSampleRecord(const SampleLogOptions& o, uint32_t index) {
  const int type = (o.mixedLogType != 0 && index % 2 == 1) ? o.mixedLogType : o.logType;
  size_t size = o.recordSize ? o.recordSize : LayoutSize(o.logType);
  if (!o.recordSize && o.mixedLogType) size = std::max(size, LayoutSize(o.mixedLogType));
  std::vector<uint8_t> record(std::max(size, kThreePhaseRecordSize), 0);
  RecordBuilder b(record, o.dataFormat);
  const int logType = type & 0x3F;
  b.Byte(byRecordType, type);
  WriteTimeStamp(b, record, o, index);
  const bool threePhase = logType >= 4 || logType == 0;
  WriteInstrumentSettings(b, logType, threePhase);

  // Measurements drift slowly from record to record.
  Drift d;
  d.wobble = std::sin(0.37 * index + o.seed);
  d.nominalVolts = o.volts > 0 ? o.volts : o.mainsHz >= 55 ? 120.0 : 230.0;
  d.frequency = o.mainsHz + 0.02 * d.wobble;
  d.hours = static_cast<double>(index + 1) * o.intervalSeconds / 3600.0;
  if (threePhase) {
    WriteThreePhase(b, record, o, index, logType, d);
  } else {
    WriteSinglePhase(b, o, index, logType, d);
  }
  record.resize(size);
  return record;
}

std::vector<uint8_t> MakeSampleLog(const SampleLogOptions& o) {
  std::vector<uint8_t> file;
  const size_t size = o.recordSize ? o.recordSize : MakeSampleRecord(o, 0).size();
  file.reserve(12 + o.headerSize + size_t{o.records} * size + o.trailingBytes);
  // The marker: least significant byte first, so 1 is 01 00 00 00 and 256 is 00 01 00 00.
  for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(o.dataFormat >> (8 * i)));
  file.push_back(static_cast<uint8_t>(o.headerSize >> 8));
  file.push_back(static_cast<uint8_t>(o.headerSize));
  static constexpr char kBanner[] = "57x log file, generated sample";
  for (size_t i = 0; i < o.headerSize; ++i) {
    file.push_back(i < sizeof kBanner - 1 ? static_cast<uint8_t>(kBanner[i]) : 0);
  }
  uint8_t countAndSize[6];
  WriteBigEndian32(countAndSize, o.overrideCount ? o.headerCount : o.records);
  WriteBigEndian16(countAndSize + 4, static_cast<uint16_t>(size));
  file.insert(file.end(), countAndSize, countAndSize + 6);
  for (uint32_t i = 0; i < o.records; ++i) {
    const std::vector<uint8_t> record = MakeSampleRecord(o, i);
    file.insert(file.end(), record.begin(), record.end());
  }
  for (size_t i = 0; i < o.trailingBytes; ++i) file.push_back(static_cast<uint8_t>(0xA5 ^ i));
  return file;
}

bool WriteSampleLog(const std::filesystem::path& path, const SampleLogOptions& options,
                    std::string& error) {
  const std::vector<uint8_t> bytes = MakeSampleLog(options);
  OutputFile out;
  if (out.Open(path) && out.Write(bytes.data(), bytes.size()) && out.Commit()) return true;
  error = out.Error();
  return false;
}
