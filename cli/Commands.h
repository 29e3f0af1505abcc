#pragma once
// meterlog2-cli commands. Each is described by a CommandDescription (CommandLine.h): its options,
// and a run function that takes what the command line gave and returns the exit status. Errors go
// to stderr; nothing here may crash on bad input.

#include <string>
#include <vector>

#include "CommandLine.h"
#include "text/Text.h"

using meterlog2::cli::Args;
using meterlog2::cli::CommandDescription;
using meterlog2::cli::ReportUsage;
using meterlog2::cli::TakeFlag;
using meterlog2::cli::TakeOption;

// Each command's options and run function (its file in brackets).
extern const CommandDescription kInfoCommand;       // LogCommands.cpp
extern const CommandDescription kDumpCommand;       // LogCommands.cpp
extern const CommandDescription kSampleCommand;     // LogCommands.cpp
extern const CommandDescription kExportCommand;     // ExportCommand.cpp
extern const CommandDescription kStatsCommand;      // StatsCommand.cpp
extern const CommandDescription kAssessCommand;     // AssessCommand.cpp
extern const CommandDescription kPlotCommand;       // PlotCommand.cpp
extern const CommandDescription kReportCommand;     // ReportCommand.cpp
extern const CommandDescription kPortsCommand;      // InstrumentCommands.cpp
extern const CommandDescription kDirectoryCommand;  // InstrumentCommands.cpp
extern const CommandDescription kDownloadCommand;   // InstrumentCommands.cpp
extern const CommandDescription kConfigCommand;     // InstrumentCommands.cpp
