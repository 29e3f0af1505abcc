#pragma once
// What the program says about its diagnostic dump: where it goes, the size rule, the disk it
// takes, whether it is turned off and why the last one stopped. The About box shows it all; the
// status bar's tooltip has a line of it.

#include <QString>
#include <string>

namespace meterlog2::log {
class DumpWriter;
}

// The About box's paragraph (for the dump file `path`, empty when there is none).
QString DumpAboutText(const meterlog2::log::DumpWriter& writer, const std::string& path);
// One line: "Diagnostic dump: 3.2 MiB on the disk", "... off ...", "... stopped: REASON ...".
QString DumpStatusLine(const meterlog2::log::DumpWriter& writer, const std::string& path);
