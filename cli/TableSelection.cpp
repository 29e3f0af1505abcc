#include "TableSelection.h"

#include <iostream>
#include <set>

#include "LogJobs.h"
#include "file/PathText.h"
#include "log/LogSearch.h"
#include "table/ColumnList.h"
#include "table/TableColumns.h"

namespace {

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

void Report(const std::string& path, const std::string& message) {
  Messages() << "meterlog2-cli: " << path << ": " << message << "\n";
}

}  // namespace

std::string LoadFailureText(const LoadResult& result) {
  return result.message.empty() ? "the file could not be loaded" : result.message;
}

void ReportLoadFailure(const std::string& path, const LoadResult& result) {
  std::string message = LoadFailureText(result);
  if (result.status == LoadResult::Status::kFileSize && result.completeRecords > 0) {
    message += "; it holds only " + std::to_string(result.completeRecords) + " of the " +
               std::to_string(result.declaredRecords) +
               " records it declares: --salvage reads those";
  }
  Report(path, message);
}

void WarnOfTheOtherDataFormat(const std::string& path, CMeterlog2Doc& doc) {
  if (!OtherDataFormatLooksRight(doc)) return;
  const uint32_t current = doc.GetDataFormat();
  const uint32_t other = current == kDataFormat0001 ? kDataFormat0100 : kDataFormat0001;
  Report(path, std::string("warning: the values look wrong in this byte order (") +
                   DataFormatName(current) + "): try --data-format " + std::to_string(other));
}

void ReportSalvage(const std::string& path, const LoadResult& result) {
  if (!result.salvaged) return;
  Report(path, "salvaged: the file holds only " + std::to_string(result.completeRecords) +
                   " of the " + std::to_string(result.declaredRecords) +
                   " records it declares; the complete ones were read");
}

namespace {

// The whole set, or the named columns in the order named.
bool ChooseColumns(const ColumnList& list, const TableOptions& options, const std::string& path,
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
    while (it != columns.end() && it->title != title) ++it;
    if (it == columns.end()) {
      Report(path, "a " + logTypeName + " has no column titled \"" + title + "\"");
      return false;
    }
    chosen.push_back(*it);
  }
  columns = std::move(chosen);
  return true;
}

}  // namespace

bool TakeTableOptions(Args& args, TableOptions& options, std::string& error) {
  std::string value;
  options.salvage = TakeFlag(args, "--salvage");
  if (TakeOption(args, "--data-format", value)) {
    if (value != "1" && value != "256") {
      error = "--data-format takes " + std::to_string(kDataFormat0001) + " (" +
              DataFormatName(kDataFormat0001) + ") or " + std::to_string(kDataFormat0100) + " (" +
              DataFormatName(kDataFormat0100) + "), not \"" + value + "\"";
      return false;
    }
    options.dataFormat = value == "1" ? 1u : 256u;
  }
  if (TakeOption(args, "--columns", value)) {
    options.titles = SplitCommas(value);
    for (const std::string& title : options.titles) {
      if (title.empty()) {
        error = "--columns takes titles separated by single commas";
        return false;
      }
    }
  }
  if (TakeOption(args, "--rows", value) && !options.rows.Parse(value, error)) {
    error = "--rows " + error;
    return false;
  }
  return true;
}

const meterlog2::cli::OptionDescription kDataFormatOption{
    "--data-format", "1|256", "read the floats as Type 0001 (1) or Type 0100 (256)"};
const meterlog2::cli::OptionDescription kColumnsOption{
    "--columns", "TITLE,...", "these columns, by their titles, in this order"};
const meterlog2::cli::OptionDescription kRowsOption{
    "--rows", "A-B,...", "these rows (records, from 0), in ascending order"};
const meterlog2::cli::OptionDescription kSalvageOption{
    "--salvage", nullptr, "read the complete records of a file cut short"};

bool SelectTable(const std::string& path, const TableOptions& options, const char* nothingTo,
                 TableSelection& selection) {
  CMeterlog2Doc& doc = selection.doc;
  const LoadResult result = doc.Load(PathFromText(path), options.salvage);
  if (result.status != LoadResult::Status::kLoaded) {
    ReportLoadFailure(path, result);
    return false;
  }
  ReportSalvage(path, result);
  if (doc.GetRecordCount() == 0) {
    Report(path, std::string("the file holds no records; ") + nothingTo);
    return false;
  }
  const int logType = doc.GetFirstLogType();
  if (logType == kNoLogType) {
    // The desktop application shows such a file as "Flash File: Empty" with no table.
    const uint8_t* record = doc.GetRecord(0);
    Report(path, "the first record is of no known log type (record type byte " +
                     std::to_string(record ? record[0] : 0) + "); " + nothingTo);
    return false;
  }
  if (options.dataFormat != 0) doc.SetDataFormat(options.dataFormat);
  WarnOfTheOtherDataFormat(path, doc);

  // The column set follows the data format only for a vector log; the current format then
  // equals the detected one unless --data-format chose another.
  ColumnList list;
  list.BuildColumns(logType, doc.GetDataFormat(), &doc);
  std::string logTypeName;
  doc.GetLogTypeName(logTypeName, 0);
  if (!ChooseColumns(list, options, path, logTypeName, selection.columns)) return false;
  selection.allRows = options.rows.Empty();
  std::string error;
  if (!options.rows.Rows(doc.GetRecordCount(), selection.rows, error)) {
    Report(path, error);
    return false;
  }
  return true;
}
