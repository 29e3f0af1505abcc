#pragma once
// meterlog2-cli commands. Each takes the arguments after its name and returns the exit status.
// Errors go to stderr; nothing here may crash on bad input.

#include <string>
#include <vector>

#include "text/Text.h"

using Args = std::vector<std::string>;

int RunInfo(const Args& args);       // LogCommands.cpp
int RunDump(const Args& args);       // LogCommands.cpp
int RunSample(const Args& args);     // LogCommands.cpp
int RunExport(const Args& args);     // ExportCommand.cpp
int RunStats(const Args& args);      // StatsCommand.cpp
int RunAssess(const Args& args);     // AssessCommand.cpp
int RunPlot(const Args& args);       // PlotCommand.cpp
int RunReport(const Args& args);     // ReportCommand.cpp
int RunPorts(const Args& args);      // InstrumentCommands.cpp
int RunDirectory(const Args& args);  // InstrumentCommands.cpp
int RunDownload(const Args& args);   // InstrumentCommands.cpp
int RunConfig(const Args& args);     // InstrumentCommands.cpp

// Shared option helpers (main.cpp).
// Finds "--name VALUE" / "-n VALUE" / "--name=VALUE"; removes it from args when found.
bool TakeOption(Args& args, const std::string& name, std::string& value,
                const std::string& shortName = "");
bool TakeFlag(Args& args, const std::string& name);
// Why args[i], an option still among the arguments once its command has taken what it knows,
// is wrong: "--name is given twice" when it was taken already, else "--name needs a value".
std::string LeftoverOptionError(const Args& args, size_t i);
// Moves what is left once the options are taken into `operands`, dropping the "--" that ends
// the options. Something before "--" that still looks like an option is refused with a message.
bool TakeOperands(Args& args, Args& operands);
// Prints `message` (when not empty) and "usage: meterlog2-cli USAGE" on stderr; returns 2, the
// exit status of a command used wrongly.
int ReportUsage(const char* usage, const std::string& message);
