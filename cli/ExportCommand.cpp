// export: log files to CSV, byte for byte what the desktop application's Export to CSV
// writes after opening the same file (all columns in set order, all rows, unless told).
#include <climits>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "Commands.h"
#include "file/Interrupt.h"
#include "log/Meterlog2Doc.h"
#include "table/ColumnList.h"
#include "table/TableColumns.h"
#include "table/TableWriter.h"

namespace {

constexpr const char* kUsage =
    "export [-o OUT|- | -d DIR] [--data-format 1|256]\n"
    "       [--columns TITLE,...] [--rows A-B,...] [--] FILE...";

struct ExportOptions {
  uint32_t dataFormat = 0;          // 0: as the file says
  std::vector<std::string> titles;  // empty: every column of the set, in set order
  std::vector<std::pair<unsigned, unsigned>> rowRanges;  // empty: every row
};

std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    items.push_back(text.substr(start, comma == std::string::npos ? comma : comma - start));
    if (comma == std::string::npos) return items;
    start = comma + 1;
  }
}

bool ParseRowRanges(const std::string& text, std::vector<std::pair<unsigned, unsigned>>& ranges) {
  for (const std::string& item : SplitCommas(text)) {
    const size_t dash = item.find('-');
    unsigned long long first = 0, last = 0;
    if (dash == std::string::npos) {
      if (!ParseUnsigned(item, UINT_MAX, first)) return false;
      last = first;
    } else if (!ParseUnsigned(item.substr(0, dash), UINT_MAX, first) ||
               !ParseUnsigned(item.substr(dash + 1), UINT_MAX, last) || last < first) {
      return false;
    }
    ranges.emplace_back(static_cast<unsigned>(first), static_cast<unsigned>(last));
  }
  return true;
}

void Report(const std::string& path, const std::string& message) {
  std::cerr << "meterlog2-cli: " << path << ": " << message << "\n";
}

// The columns to write: the whole set, or the named ones in the order named.
bool ChooseColumns(const CColumnList& list, const ExportOptions& options, const std::string& path,
                   const std::string& logTypeName, std::vector<TableColumn>& columns) {
  columns = VisibleColumns(list);
  if (options.titles.empty()) return true;
  std::vector<TableColumn> chosen;
  std::set<std::string> seen;
  for (const std::string& title : options.titles) {
    if (!seen.insert(title).second) {
      Report(path, "the column \"" + title + "\" is named twice in --columns");
      return false;
    }
    auto it = columns.begin();
    while (it != columns.end() && it->strTitle != title) ++it;
    if (it == columns.end()) {
      Report(path, "a " + logTypeName + " has no column titled \"" + title + "\"");
      return false;
    }
    chosen.push_back(*it);
  }
  columns = std::move(chosen);
  return true;
}

bool ChooseRows(const ExportOptions& options, unsigned count, const std::string& path,
                std::vector<unsigned>& rows) {
  for (const auto& [first, last] : options.rowRanges) {
    if (last >= count) {
      Report(path, "row " + std::to_string(last) + " is beyond the last record (the file holds " +
                       std::to_string(count) + " records, rows 0 to " + std::to_string(count - 1) +
                       ")");
      return false;
    }
    for (unsigned row = first;; ++row) {
      rows.push_back(row);
      if (row == last) break;
    }
  }
  return true;  // the writer puts them in ascending order, each once
}

// Loads one log and writes its table to `out` ("-": standard output). `inputs` are all the logs
// of the command, none of which may be written onto.
bool ExportOne(const std::string& path, const std::string& out, const ExportOptions& options,
               const std::vector<std::filesystem::path>& inputs) {
  CMeterlog2Doc doc;
  const LoadResult result = doc.Load(path);
  if (result.status != LoadResult::Status::kLoaded) {
    Report(path, result.message.empty() ? "the file could not be loaded" : result.message);
    return false;
  }
  if (doc.GetRecordCount() == 0) {
    Report(path, "the file holds no records; nothing to export");
    return false;
  }
  const int logType = doc.GetFirstLogType();
  if (logType == kNoLogType) {
    // The desktop application shows such a file as "Flash File: Empty" with no table.
    const uint8_t* record = doc.GetRecord(0);
    Report(path, "the first record is of no known log type (record type byte " +
                     std::to_string(record ? record[0] : 0) + "); nothing to export");
    return false;
  }
  if (options.dataFormat != 0) doc.SetDataFormat(options.dataFormat);

  // The column set follows the data format only for a vector log; the current format then
  // equals the detected one unless --data-format chose another.
  CColumnList list;
  list.BuildColumns(logType, doc.GetDataFormat(), &doc);
  std::string logTypeName;
  doc.GetLogTypeName(logTypeName, 0);
  std::vector<TableColumn> columns;
  if (!ChooseColumns(list, options, path, logTypeName, columns)) return false;
  std::vector<unsigned> rows;
  if (!ChooseRows(options, doc.GetRecordCount(), path, rows)) return false;
  const std::vector<unsigned>* rowSet = options.rowRanges.empty() ? nullptr : &rows;

  std::string error;
  if (!ExportTableFile(out, doc, columns, rowSet, ',', error, inputs)) {
    std::cerr << "meterlog2-cli: " << path << ": " << error << "\n";
    return false;
  }
  return true;
}

int UsageError(const std::string& message) {
  if (!message.empty()) std::cerr << "meterlog2-cli: " << message << "\n";
  std::cerr << "usage: meterlog2-cli " << kUsage << "\n";
  return 2;
}

}  // namespace

int RunExport(const Args& argsIn) {
  Args args = argsIn;
  std::string out = "-", dir, value;
  const bool toFile = TakeOption(args, "--output", out, "-o");
  const bool toDir = TakeOption(args, "--directory", dir, "-d");
  ExportOptions options;
  if (TakeOption(args, "--data-format", value)) {
    if (value == "1" || value == "256") {
      options.dataFormat = value == "1" ? 1u : 256u;
    } else {
      return UsageError("--data-format takes 1 (Type 0001) or 256 (Type 0100), not \"" + value +
                        "\"");
    }
  }
  if (TakeOption(args, "--columns", value)) {
    options.titles = SplitCommas(value);
    for (const std::string& title : options.titles) {
      if (title.empty()) return UsageError("--columns takes titles separated by single commas");
    }
  }
  if (TakeOption(args, "--rows", value) && !ParseRowRanges(value, options.rowRanges)) {
    return UsageError("--rows takes rows and ranges like 0-9,12,20-25 (0-based), not \"" + value +
                      "\"");
  }
  for (size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
    const std::string& arg = args[i];
    if (arg == "-o" || arg == "--output" || arg == "-d" || arg == "--directory" ||
        arg == "--data-format" || arg == "--columns" || arg == "--rows") {
      return UsageError(arg + " needs a value");
    }
  }
  Args logs;
  if (!TakeOperands(args, logs)) return UsageError("");
  if (logs.empty()) return UsageError("no log file given");
  if (toFile && toDir) return UsageError("-o and -d cannot be used together");
  if (toFile && out.empty()) return UsageError("-o needs a file name (or - for standard output)");
  if (logs.size() > 1 && !toDir) return UsageError("several log files need -d DIR");
  if (toDir) {
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
      std::cerr << "meterlog2-cli: \"" << dir << "\" is not a folder\n";
      return 1;
    }
  }
  const std::vector<std::filesystem::path> inputs(logs.begin(), logs.end());

#ifdef _WIN32
  // CR LF is part of the format: no newline translation on the way out.
  _setmode(_fileno(stdout), _O_BINARY);
#endif

  bool allDone = true;
  std::set<std::filesystem::path> written;
  for (const std::string& path : logs) {
    std::string target = out;
    if (toDir) {
      std::filesystem::path name = std::filesystem::path(path).filename();
      name.replace_extension(".csv");
      const std::filesystem::path full = std::filesystem::path(dir) / name;
      if (!written.insert(full.lexically_normal()).second) {
        Report(path, "skipped: its output \"" + full.string() +
                         "\" would replace that of an earlier file of the same name");
        allDone = false;
        continue;
      }
      target = full.string();
    }
    if (!ExportOne(path, target, options, inputs)) allDone = false;
    if (InterruptSignal() != 0) return 1;
  }
  return allDone ? 0 : 1;
}
