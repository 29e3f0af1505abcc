#pragma once
// meterlog2-cli commands. Each is described by a CommandSpec (CommandLine.h): its options, and a
// run function that takes what the command line gave and returns the exit status. Errors go to
// stderr; nothing here may crash on bad input.

#include <string>
#include <vector>

#include "CommandLine.h"
#include "text/Text.h"

using meterlog2::cli::Args;
using meterlog2::cli::CommandSpec;
using meterlog2::cli::ReportUsage;
using meterlog2::cli::TakeFlag;
using meterlog2::cli::TakeOption;

// Each command's options and run function (its file in brackets).
extern const CommandSpec kInfoCommand;       // LogCommands.cpp
extern const CommandSpec kDumpCommand;       // LogCommands.cpp
extern const CommandSpec kSampleCommand;     // LogCommands.cpp
extern const CommandSpec kExportCommand;     // ExportCommand.cpp
extern const CommandSpec kStatsCommand;      // StatsCommand.cpp
extern const CommandSpec kAssessCommand;     // AssessCommand.cpp
extern const CommandSpec kPlotCommand;       // PlotCommand.cpp
extern const CommandSpec kReportCommand;     // ReportCommand.cpp
extern const CommandSpec kPortsCommand;      // InstrumentCommands.cpp
extern const CommandSpec kDirectoryCommand;  // InstrumentCommands.cpp
extern const CommandSpec kDownloadCommand;   // InstrumentCommands.cpp
extern const CommandSpec kConfigCommand;     // InstrumentCommands.cpp
