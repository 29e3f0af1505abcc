#include "LogTypes.h"

const char* LogTypeName(int logType) {
  switch (logType) {
    case kStandardLog:
      return "Standard Log";
    case kHarmonicLog:
      return "Harmonic Log";
    case kWaveformLog:
      return "Waveform Log";
    case kThreePhaseTabularLog:
      return "Three Phase Tabular Log";
    case kThreePhaseVectorLog:
      return "Three Phase Vector Log";
    case kThreePhaseSequentialLog:
      return "Three Phase Sequential Log";
    default:
      return nullptr;
  }
}

const char* DataFormatName(uint32_t dataFormat) {
  switch (dataFormat) {
    case kDataFormat0001:
      return "Type 0001";
    case kDataFormat0100:
      return "Type 0100";
    default:
      return nullptr;
  }
}
