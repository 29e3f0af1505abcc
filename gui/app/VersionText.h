#pragma once

#include <QString>

// "v%d.%d%d%d": the last three numbers run together, so 2.0.0.2 reads "v2.002".
QString FormatVersionText(int major, int minor, int patch, int tweak);
// The program's own version, compiled in from the build's project version.
QString ProgramVersionText();
