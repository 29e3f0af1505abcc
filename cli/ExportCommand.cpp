// export: log files to CSV, byte for byte what the desktop application's Export to CSV
// writes after opening the same file (all columns in set order, all rows, unless told).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "Commands.h"
#include "LogJobs.h"
#include "TableSelection.h"
#include "file/Interrupt.h"
#include "file/PathText.h"
#include "table/TableWriter.h"

namespace {

constexpr const char* kUsage =
    "export [-o OUT|- | -d DIR [--jobs N]] [--data-format 1|256]\n"
    "       [--columns TITLE,...] [--rows A-B,...]\n"
    "       [--time-format mdy|iso] [--delimiter ,|;|tab] [--decimal-comma] [--] FILE...";

// Takes --time-format, --delimiter and --decimal-comma; the defaults write the table as the
// desktop program's Export to CSV does.
bool TakeFormatOptions(Args& args, TableFormat& format, std::string& error) {
  std::string time, delimiter;
  if (TakeOption(args, "--time-format", time)) {
    if (time != "mdy" && time != "iso") {
      error = "--time-format is mdy (03-07-2009 14:05:09) or iso (2009-03-07T14:05:09), not \"" +
              time + "\"";
      return false;
    }
    format.timeStyle = time == "iso" ? TimeStyle::kIso : TimeStyle::kTable;
  }
  const bool delimiterGiven = TakeOption(args, "--delimiter", delimiter);
  if (delimiterGiven) {
    if (delimiter == "," || delimiter == ";") {
      format.separator = delimiter[0];
    } else if (delimiter == "tab" || delimiter == "\t") {
      format.separator = '\t';
    } else {
      error = "--delimiter is \",\", \";\" or tab, not \"" + delimiter + "\"";
      return false;
    }
  }
  format.decimalComma = TakeFlag(args, "--decimal-comma");
  if (format.decimalComma && delimiterGiven && format.separator == ',') {
    error = "--decimal-comma needs another delimiter than \",\" (a comma would split every number)";
    return false;
  }
  return true;
}

void Report(const std::string& path, const std::string& message) {
  Messages() << "meterlog2-cli: " << path << ": " << message << "\n";
}

// Loads one log and writes its table to `out` ("-": standard output). `inputs` are all the logs
// of the command, none of which may be written onto.
bool ExportOne(const std::string& path, const std::string& out, const TableOptions& options,
               const TableFormat& format, const std::vector<std::filesystem::path>& inputs) {
  TableSelection table;
  if (!SelectTable(path, options, "nothing to export", table)) return false;
  std::string error;
  if (!ExportTableFile(PathFromText(out), table.doc, table.columns, table.Rows(), format, error,
                       inputs)) {
    Report(path, error);
    return false;
  }
  return true;
}

int UsageError(const std::string& message) {
  return ReportUsage(kUsage, message);
}

}  // namespace

static int RunExport(Args& args) {
  std::string out = "-", dir;
  const bool toFile = TakeOption(args, "--output", out);
  const bool toDir = TakeOption(args, "--directory", dir);
  TableOptions options;
  std::string error;
  if (!TakeTableOptions(args, options, error)) return UsageError(error);
  TableFormat format;
  if (!TakeFormatOptions(args, format, error)) return UsageError(error);
  unsigned jobs = 1;
  if (!TakeJobsOption(args, jobs, error)) return UsageError(error);
  const std::vector<std::string>& logs = args.operands;
  if (logs.empty()) return UsageError("no log file given");
  if (toFile && toDir) return UsageError("-o and -d cannot be used together");
  if (toFile && out.empty()) return UsageError("-o needs a file name (or - for standard output)");
  if (logs.size() > 1 && !toDir) return UsageError("several log files need -d DIR");
  if (toDir) {
    std::error_code ec;
    if (!std::filesystem::is_directory(PathFromText(dir), ec)) {
      std::cerr << "meterlog2-cli: \"" << dir << "\" is not a folder\n";
      return 1;
    }
  }
  std::vector<std::filesystem::path> inputs;
  for (const std::string& log : logs) inputs.push_back(PathFromText(log));

#ifdef _WIN32
  // CR LF is part of the format: no newline translation on the way out.
  _setmode(_fileno(stdout), _O_BINARY);
#endif

  // Where each log goes is settled first, in order; the logs are then exported several at once.
  std::vector<std::string> targets(logs.size(), out);  // empty: skipped
  std::vector<std::string> skipped(logs.size());       // why
  std::set<std::filesystem::path> written;
  for (size_t i = 0; toDir && i < logs.size(); ++i) {
    std::filesystem::path name = PathFromText(logs[i]).filename();
    name.replace_extension(".csv");
    const std::filesystem::path full = PathFromText(dir) / name;
    targets[i] = PathText(full);
    if (!written.insert(full.lexically_normal()).second) {
      skipped[i] = "skipped: its output \"" + targets[i] +
                   "\" would replace that of an earlier file of the same name";
      targets[i].clear();
    }
  }
  std::vector<char> done(logs.size(), 0);
  RunInOrder(logs.size(), jobs, [&](size_t i) {
    if (targets[i].empty()) {
      Report(logs[i], skipped[i]);
      return;
    }
    done[i] = ExportOne(logs[i], targets[i], options, format, inputs);
    // One file, in place: a signal from now on no longer undoes what the command did.
    if (done[i] && !toDir) MarkOutputComplete();
  });
  if (InterruptSignal() != 0 && !OutputComplete()) return 1;
  return std::find(done.begin(), done.end(), 0) == done.end() ? 0 : 1;
}

const CommandDescription kExportCommand{
    "export",
    kUsage,
    {{"-o,--output", "OUT", "the CSV file (\"-\": standard output, the default)"},
     {"-d,--directory", "DIR", "one CSV file per log in DIR, named after the log"},
     {"--jobs", "N", "logs exported at once with -d (default: one per processor)"},
     kDataFormatOption,
     kColumnsOption,
     kRowsOption,
     kSalvageOption,
     {"--time-format", "mdy|iso", "times as 03-07-2009 14:05:09 (mdy) or 2009-03-07T14:05:09"},
     {"--delimiter", ",|;|tab", "what separates the fields"},
     {"--decimal-comma", nullptr, "a decimal comma in numbers"}},
    true,
    RunExport};
