#pragma once
// Byte offsets of every record field. Records are packed: no padding, 4-byte values at odd
// offsets are common. Integers of timeDate are big-endian in the file and converted on load;
// f32 values stay as stored and are converted on access, according to the data format.

#include <cstddef>

namespace layout {

// Sizes of the layouts per log type.
constexpr size_t kSinglePhaseHeadSize = 303;         // log type 1
constexpr size_t kHarmonicRecordSize = 1103;         // log type 2
constexpr size_t kWaveformRecordSize = 1583;         // log type 3
constexpr size_t kThreePhaseRecordSize = 2994;       // log types 4, 5, 6
constexpr size_t kThreePhaseRecordBlockSize = 2771;  // threePhaseRecord, offsets 73 to 2843

// Common head (offsets 0 to 72).
constexpr size_t kHeadSize = 73;
constexpr size_t byRecordType = 0;
constexpr size_t timeDate = 1;  // 13 bytes
constexpr size_t timeDateSize = 13;
constexpr size_t second = 1;
constexpr size_t minute = 2;
constexpr size_t hour = 3;
constexpr size_t day = 4;
constexpr size_t month = 5;
constexpr size_t dayofyear = 6;       // u16 BE
constexpr size_t year = 8;            // u16 BE
constexpr size_t secondsofyear = 10;  // u32 BE
constexpr size_t config = 14;         // 59 bytes
constexpr size_t configSize = 59;
constexpr size_t cDisplayMode = 14;
constexpr size_t cTimePlot = 15;
constexpr size_t cHarmonicMode = 16;
constexpr size_t cModel = 17;
constexpr size_t cThreePhaseMode = 18;
constexpr size_t cThreePhaseDisplayMode = 19;
constexpr size_t cTransducerMode = 20;
constexpr size_t cBandwidth = 21;
constexpr size_t cMinMax = 22;
constexpr size_t cChannelSelect = 23;  // [2]
constexpr size_t cRangeHold = 25;      // [2]
constexpr size_t timerSettings = 28;   // 10 bytes
constexpr size_t timerSettingsSize = 10;
constexpr size_t timer_cMode = 28;
constexpr size_t timer_cStatus = 29;
constexpr size_t timer_cDisplayMode = 30;
constexpr size_t timer_cHoldMode = 31;
constexpr size_t timer_cTriggerMode = 32;  // [2]
constexpr size_t timer_fResult = 34;
constexpr size_t transducerSettings = 38;  // 35 bytes
constexpr size_t transducerSettingsSize = 35;
constexpr size_t tr_cMode = 38;
constexpr size_t tr_cType = 39;
constexpr size_t tr_cInRange = 40;
constexpr size_t tr_cOutRange = 41;
constexpr size_t tr_cInDisplay = 42;
constexpr size_t tr_cOutDisplay = 43;
constexpr size_t tr_cDcType = 44;
constexpr size_t tr_fAc_fs = 45;
constexpr size_t tr_fAc_bs = 49;
constexpr size_t tr_fDc_fs = 53;
constexpr size_t tr_fDc_bs = 57;
constexpr size_t tr_fRefCount = 61;
constexpr size_t tr_fZeroCount = 65;
constexpr size_t tr_fDc = 69;

// updateSettings block, relative offsets (80 bytes).
namespace us {
constexpr size_t kSize = 80;
constexpr size_t fFrequency = 0;
constexpr size_t fPhase = 4;
constexpr size_t fPower = 8;         // [2]
constexpr size_t fPowerFactor = 16;  // [2]
constexpr size_t fVoltAmps = 24;     // [2]
constexpr size_t fVars = 32;         // [2]
constexpr size_t trChannel = 40;     // [2], 20 bytes each
constexpr size_t kChannelSize = 20;
// trChannel members, relative to the channel.
constexpr size_t fDc = 0;
constexpr size_t fRms = 4;
constexpr size_t fMagnitude = 8;
constexpr size_t fChannelPhase = 12;
constexpr size_t fResidual = 16;
}  // namespace us

// energyRecord (12 bytes), ptct_data (17 bytes), scale_data (121 bytes), relative offsets.
namespace energy {
constexpr size_t kSize = 12;
constexpr size_t fWattHours = 0;
constexpr size_t fVoltAmpHours = 4;
constexpr size_t fVarHours = 8;
}  // namespace energy
namespace ptct {
constexpr size_t kSize = 17;
constexpr size_t kFactors = 2;
}  // namespace ptct
namespace scale {
constexpr size_t kSize = 121;
constexpr size_t kFactors = 15;
}  // namespace scale
// Shared by ptct_data and scale_data: s8 scale_enable, then ac_factor[n] of (magnitude, phase).
constexpr size_t scale_enable = 0;
constexpr size_t ac_factor = 1;
constexpr size_t kAcFactorSize = 8;

// Single-phase records (log types 1, 2, 3).
namespace sp {
constexpr size_t updateSettings = 73;
constexpr size_t fFrequency = 73;
constexpr size_t fPhase = 77;
constexpr size_t fPower = 81;
constexpr size_t fPowerFactor = 89;
constexpr size_t fVoltAmps = 97;
constexpr size_t fVars = 105;
constexpr size_t trChannel = 113;   // [2], 20 bytes each
constexpr size_t fRms = 117;        // + 20c
constexpr size_t fMagnitude = 121;  // + 20c
constexpr size_t fResidual = 129;   // + 20c
constexpr size_t energyRecord = 153;
constexpr size_t fWattHours = 153;
constexpr size_t fVoltAmpHours = 157;
constexpr size_t fVarHours = 161;
constexpr size_t ptct_data = 165;
constexpr size_t scale_data = 182;

// Harmonics block of log types 2 and 3 (offsets 303 to 1102).
constexpr size_t Harmonics = 303;
constexpr size_t kHarmonicsDumpSize = 1103;  // the size the dump prints for this block
constexpr size_t dspReturnChMag = 303;       // [2]
constexpr size_t dspReturnChPh = 311;        // [2]
constexpr size_t harmonicData = 319;         // [49] x tvChannel[2] x (magnitude, phase)
constexpr size_t kHarmonicsEnd = 1103;

// WaveformData blocks of log type 3.
constexpr size_t WaveformData0 = 1103;
constexpr size_t WaveformData1 = 1343;
constexpr size_t kWaveformDataSize = 240;
}  // namespace sp

// Harmonic tables (single-phase harmArray and three-phase harmonicArray).
constexpr size_t kHarmonics = 49;  // element i is harmonic number i + 2
constexpr size_t kHarmonicDataSize = 16;
constexpr size_t kTvChannelSize = 8;
constexpr size_t tv_magnitude = 0;
constexpr size_t tv_phase = 4;

// threePhaseRecord (log types 4, 5, 6) and the three-phase tail.
namespace tp {
constexpr size_t byPhaseDirection = 73;
constexpr size_t updateSettings = 74;               // [3], phase p at 74 + 80p
constexpr size_t threePhaseHarmonicSequence = 314;  // [3], phase p at 314 + 826p
constexpr size_t kSequenceSize = 826;
// threePhaseHarmonicSequence members, relative.
constexpr size_t cChannel = 0;             // u8 [2]
constexpr size_t harmonicMeasurement = 2;  // [2], 20 bytes each
constexpr size_t kMeasurementSize = 20;
constexpr size_t hm_fRms = 0;
constexpr size_t hm_fFrequency = 4;
constexpr size_t hm_fMagnitude = 8;
constexpr size_t hm_fPhase = 12;
constexpr size_t hm_fResidual = 16;
constexpr size_t harmonicArray = 42;  // [49] x tvChannel[2]
constexpr size_t fVoltage = 2792;     // [2]
constexpr size_t fCurrent = 2800;     // [2]
constexpr size_t fPhase = 2808;
constexpr size_t fPowerFactor = 2812;  // [2]
constexpr size_t fPower = 2820;        // [2]
constexpr size_t fVoltAmps = 2828;     // [2]
constexpr size_t fVars = 2836;         // [2]
constexpr size_t energyRecord = 2844;
constexpr size_t fWattHours = 2844;
constexpr size_t fVoltAmpHours = 2848;
constexpr size_t fVarHours = 2852;
constexpr size_t ptct_data = 2856;
constexpr size_t scale_data = 2873;
}  // namespace tp

// threePhaseRecord2: a vector log read in data format 256 holds seven vectors at 74..129.
namespace vec {
constexpr size_t Vb_magnitude = 74;
constexpr size_t Vb_phase = 78;
constexpr size_t Vc_magnitude = 82;
constexpr size_t Vc_phase = 86;
constexpr size_t Ia_magnitude = 90;
constexpr size_t Ia_phase = 94;
constexpr size_t Ib_magnitude = 98;
constexpr size_t Ib_phase = 102;
constexpr size_t Ic_magnitude = 106;
constexpr size_t Ic_phase = 110;
constexpr size_t Va_magnitude = 114;
constexpr size_t Va_phase = 118;
constexpr size_t In_magnitude = 122;
constexpr size_t In_phase = 126;
constexpr size_t skip = 130;  // 184 bytes, not interpreted
}  // namespace vec

}  // namespace layout
