#include "VersionText.h"

QString FormatVersionText(int major, int minor, int patch, int tweak) {
  return QStringLiteral("v%1.%2%3%4").arg(major).arg(minor).arg(patch).arg(tweak);
}

QString ProgramVersionText() {
#if defined(METERLOG2_VERSION_MAJOR)
  // An empty CMake version part expands to nothing; "+ 0" turns that into 0.
  return FormatVersionText(METERLOG2_VERSION_MAJOR + 0, METERLOG2_VERSION_MINOR + 0,
                           METERLOG2_VERSION_PATCH + 0, METERLOG2_VERSION_TWEAK + 0);
#else
  return QString();
#endif
}
