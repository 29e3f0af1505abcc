#pragma once
// What `export` and `stats` read from a log: the byte order, the columns and the rows that
// --data-format, --columns and --rows choose.

#include <string>
#include <vector>

#include "Commands.h"
#include "log/CMeterlog2Doc.h"
#include "log/RowSelection.h"
#include "table/TableWriter.h"

struct TableOptions {
  uint32_t dataFormat = 0;          // 0: as the file says
  std::vector<std::string> titles;  // empty: every column of the set, in set order
  RowSelection rows;                // empty: every row
  bool salvage = false;             // --salvage: a file cut short gives its complete records
};

// A failed load on stderr; a file cut short also says how many complete records --salvage
// would read.
void ReportLoadFailure(const std::string& path, const LoadResult& result);
// Why a load failed, in one sentence.
std::string LoadFailureText(const LoadResult& result);
// Says on stderr how many of the declared records a salvaged load read (nothing otherwise).
void ReportSalvage(const std::string& path, const LoadResult& result);
// Warns on stderr when the log's numbers read as nonsense in its current byte order but make
// sense in the other, naming the --data-format that reads them, as the desktop program's status
// bar does.
void WarnOfTheOtherDataFormat(const std::string& path, CMeterlog2Doc& doc);

// The options that choose what a command reads of a log.
extern const meterlog2::cli::OptionDescription kDataFormatOption, kColumnsOption, kRowsOption,
    kSalvageOption;

// Takes --data-format, --columns, --rows and --salvage out of `args`. False with `error` set (a
// sentence for a usage message) when a value is bad or an option lacks its value.
bool TakeTableOptions(Args& args, TableOptions& options, std::string& error);

// A loaded log and what the options chose of it.
struct TableSelection {
  CMeterlog2Doc doc;
  std::vector<TableColumn> columns;
  std::vector<unsigned> rows;  // the chosen rows, when --rows was given: ascending, each once
  bool allRows = true;
  const std::vector<unsigned>* Rows() const { return allRows ? nullptr : &rows; }
};

// Loads `path` and applies the options. A failure is reported on stderr with the file's name;
// `nothingTo` ends the sentence for a log without a table ("nothing to export").
bool SelectTable(const std::string& path, const TableOptions& options, const char* nothingTo,
                 TableSelection& selection);
