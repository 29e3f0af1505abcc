#include "ReportStyle.h"

namespace meterlog2::report {

QColor ToneColor(Tone tone) {
  switch (tone) {
    case Tone::kPass:
      return QColor(25, 135, 84);
    case Tone::kFail:
      return QColor(200, 35, 51);
    case Tone::kMuted:
      return QColor(120, 124, 130);
    case Tone::kInfo:
      return QColor(13, 110, 253);
    case Tone::kWarn:
      return QColor(160, 82, 0);
    case Tone::kNormal:
      break;
  }
  return kInkColor;
}

}  // namespace meterlog2::report
