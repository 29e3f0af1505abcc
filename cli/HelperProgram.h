#pragma once
// The helper programs of meterlog2-cli. The commands that draw (plot, report) need Qt Widgets,
// Gui, PrintSupport and QCustomPlot, and the instrument commands QtCore and QtSerialPort; the log
// commands need none of them. So that those start without loading any (8 ms and 18 MB each
// time), the others live in helper programs that meterlog2-cli runs in its place, with the same
// arguments: meterlog2-cli-draw and meterlog2-cli-link, beside meterlog2-cli in the build and in
// LIBEXECDIR/meterlog2 when installed. On POSIX the helper replaces the process (execv), so
// standard output, standard error, the exit status and signals are the helper's own; on
// Windows meterlog2-cli waits for it and passes its exit status on.

namespace meterlog2::cli {

// The helper program that runs command `name`, or nullptr when meterlog2-cli runs it itself
// (or this build has no such command).
const char* HelperFor(const char* name);

// Runs helper program `helper` with this program's arguments in place of this program. Returns
// only when that fails, with the exit status, after saying why on stderr.
int RunHelperProgram(const char* helper, int argc, char** argv);

}  // namespace meterlog2::cli
