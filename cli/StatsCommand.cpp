// stats: minimum, mean and maximum of every numeric column, as CSV.
#include <iostream>

#include "Commands.h"
#include "TableSelection.h"
#include "file/Interrupt.h"
#include "file/OutputFile.h"
#include "file/PathText.h"
#include "table/CellText.h"
#include "table/ColumnStatistics.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr const char* kUsage =
    "stats [-o OUT|-] [--data-format 1|256] [--columns TITLE,...] [--rows A-B,...] [--] FILE";

int UsageError(const std::string& message) {
  return ReportUsage(kUsage, message);
}

}  // namespace

static int RunStats(Args& args) {
  std::string out = "-", error;
  const bool toFile = TakeOption(args, "--output", out);
  TableOptions options;
  if (!TakeTableOptions(args, options, error)) return UsageError(error);
  const std::vector<std::string>& logs = args.operands;
  if (logs.size() != 1) return UsageError(logs.empty() ? "no log file given" : "one log file");
  if (toFile && out.empty()) return UsageError("-o needs a file name (or - for standard output)");
  const std::string& path = logs.front();

  TableSelection table;
  if (!SelectTable(path, options, "no statistics to make", table)) return 1;
  if (!options.titles.empty()) {
    for (const TableColumn& column : table.columns) {
      if (!IsNumericColumn(column.id)) {
        std::cerr << "meterlog2-cli: " << path << ": the column \"" << column.title
                  << "\" holds no numbers\n";
        return 1;
      }
    }
  }
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);  // CR LF as written
#endif
  const std::string text =
      StatisticsText(table.doc, ComputeStatistics(table.doc, table.columns, table.Rows()));
  OutputFile output;
  if (!output.Open(PathFromText(out), {PathFromText(path)}) || !output.Write(text) ||
      !output.Commit()) {
    std::cerr << "meterlog2-cli: " << path << ": " << output.Error() << "\n";
    return 1;
  }
  MarkOutputComplete();
  return 0;
}

const CommandDescription kStatsCommand{
    "stats",
    kUsage,
    {{"-o,--output", "OUT", "the CSV file (\"-\": standard output, the default)"},
     kDataFormatOption,
     kColumnsOption,
     kRowsOption,
     kSalvageOption},
    true,
    RunStats};
