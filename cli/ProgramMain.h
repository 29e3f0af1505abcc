#pragma once
// What meterlog2-cli and the helper programs it runs (HelperProgram.h) share around their
// commands: the arguments as UTF-8 on every platform, the interrupt handlers, the last check of
// standard output, and the search of a command among those a program has.

#include <string>
#include <vector>

#include "CommandLine.h"

namespace meterlog2::cli {

// The program's main: calls `main` with the arguments. On Windows they are read in UTF-16 and
// carried as UTF-8 (the narrow argv is in the ANSI code page, which cannot hold every file name),
// messages go out as UTF-8 and nothing on standard output is translated (CSV keeps one CR LF).
int ProgramMain(int argc, char** argv, int (*main)(int, char**));

// Runs the command argv[1] among `commands` with the arguments after it: writers notice a
// signal, remove their temporary files and end with 128 + the signal; an exception is reported;
// standard output is checked at the end. A command not among them: the message, then `usage`
// (when given) on stderr, status 2.
int RunCommandLine(const std::vector<const CommandDescription*>& commands, int argc, char** argv,
                   void (*usage)());

// What went to standard output is checked once, at the end: a full disk or a closed pipe shows
// at the latest when the buffer is flushed. `status`, or 1 after saying why the output failed.
int CheckStandardOutput(int status);

}  // namespace meterlog2::cli
