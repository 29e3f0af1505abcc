#pragma once
// The one writer of exported tables: CSV files ("," separators) and clipboard text (TAB), with
// the choices of TableFormat. Lines end with CR LF on every platform; no quoting (no text of
// the table needs it).

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "text/TimeText.h"

class CMeterlog2Doc;

// One column of an exported table: its identifier and its header text.
struct TableColumn {
  int id;
  std::string title;
};

// How a table is written. The defaults write what the table shows, times and numbers as its cells
// have them; a plain separator converts.
struct TableFormat {
  char separator = ',';
  TimeStyle timeStyle = TimeStyle::kTable;  // kIso: "2009-03-07T14:05:09"
  bool decimalComma = false;  // "50,016830" for spreadsheets of comma-decimal languages; a
                              // comma separator then becomes ";" (a number must stay one field)
  TableFormat(char separatorChar = ',') : separator(separatorChar) {}  // NOLINT: converts
  char Separator() const { return decimalComma && separator == ',' ? ';' : separator; }
};

// Writes the header line and one line per row of `rows` (ascending record indices; rows at or
// beyond the record count are skipped). `columns` are the displayed columns in display order.
void WriteTable(std::ostream& out, const CMeterlog2Doc& doc,
                const std::vector<TableColumn>& columns, const std::vector<unsigned>& rows,
                const TableFormat& format);
// All rows of the document.
void WriteTable(std::ostream& out, const CMeterlog2Doc& doc,
                const std::vector<TableColumn>& columns, const TableFormat& format);
// The same into a string (the clipboard's text).
std::string TableText(const CMeterlog2Doc& doc, const std::vector<TableColumn>& columns,
                      const std::vector<unsigned>& rows, const TableFormat& format);

// Writes the table to `path` through the output facility (file/OutputFile.h: a temporary file
// renamed into place when complete, or straight into a device or FIFO; "-" is standard output).
// `inputs` are the files being read, which are never written onto. On failure returns false,
// leaves any existing file untouched, and sets `error` to a sentence naming the file and the
// reason.
bool ExportTableFile(const std::filesystem::path& path, const CMeterlog2Doc& doc,
                     const std::vector<TableColumn>& columns, const std::vector<unsigned>* rows,
                     const TableFormat& format, std::string& error,
                     const std::vector<std::filesystem::path>& inputs = {});

// The same table in pieces of about 64 KiB, each handed to `sink` as soon as it is complete,
// so that a large export needs no more memory than one piece. `rows` null means every row.
// Stops at the first piece the sink refuses and returns false; true when all went out.
using TableSink = std::function<bool(std::string_view piece)>;
bool WriteTableChunks(const CMeterlog2Doc& doc, const std::vector<TableColumn>& columns,
                      const std::vector<unsigned>* rows, const TableFormat& format,
                      const TableSink& sink);
