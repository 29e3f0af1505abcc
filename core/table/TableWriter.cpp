#include "TableWriter.h"

#include <algorithm>
#include <ostream>

#include "CellText.h"
#include "file/OutputFile.h"
#include "log/CMeterlog2Doc.h"

namespace {

constexpr size_t kPieceSize = 64 * 1024;

// Appends the fields of one line and its CR LF; `field(i, text)` supplies field i.
template <class Field>
void AppendLine(std::string& out, size_t count, char separator, Field&& field) {
  for (size_t i = 0; i < count; ++i) {
    if (i != 0) out.push_back(separator);
    field(i, out);
  }
  out.append("\r\n", 2);
}

}  // namespace

bool WriteTableChunks(const CMeterlog2Doc& doc, const std::vector<TableColumn>& columns,
                      const std::vector<unsigned>* rows, const TableFormat& format,
                      const TableSink& sink) {
  // Rows go out in ascending record order, each once, whatever order the caller collected
  // them in (a selection may be gathered in click order).
  std::vector<unsigned> sorted;
  if (rows != nullptr && !std::is_sorted(rows->begin(), rows->end(), std::less_equal<>())) {
    sorted = *rows;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    rows = &sorted;
  }

  const char separator = format.Separator();
  std::string piece;
  piece.reserve(kPieceSize + 4096);
  AppendLine(piece, columns.size(), separator,
             [&](size_t i, std::string& out) { out.append(columns[i].title); });

  std::string cell;
  cell.reserve(64);
  const unsigned count = doc.GetRecordCount();
  auto writeRow = [&](unsigned row) -> bool {
    AppendLine(piece, columns.size(), separator, [&](size_t i, std::string& out) {
      const int id = columns[i].id;
      GetCellText(doc, row, id, cell, format.timeStyle);
      if (format.decimalComma && IsNumericColumn(id))
        std::replace(cell.begin(), cell.end(), '.', ',');
      out.append(cell);
    });
    if (piece.size() < kPieceSize) return true;
    const bool ok = sink(piece);
    piece.clear();
    return ok;
  };

  if (rows == nullptr) {
    for (unsigned row = 0; row < count; ++row) {
      if (!writeRow(row)) return false;
    }
  } else {
    for (unsigned row : *rows) {
      if (row >= count) break;  // ascending: every later row lies beyond the records too
      if (!writeRow(row)) return false;
    }
  }
  return piece.empty() || sink(piece);
}

void WriteTable(std::ostream& out, const CMeterlog2Doc& doc,
                const std::vector<TableColumn>& columns, const std::vector<unsigned>& rows,
                const TableFormat& format) {
  WriteTableChunks(doc, columns, &rows, format, [&](std::string_view piece) {
    out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    return static_cast<bool>(out);
  });
}

void WriteTable(std::ostream& out, const CMeterlog2Doc& doc,
                const std::vector<TableColumn>& columns, const TableFormat& format) {
  WriteTableChunks(doc, columns, nullptr, format, [&](std::string_view piece) {
    out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    return static_cast<bool>(out);
  });
}

std::string TableText(const CMeterlog2Doc& doc, const std::vector<TableColumn>& columns,
                      const std::vector<unsigned>& rows, const TableFormat& format) {
  std::string text;
  WriteTableChunks(doc, columns, &rows, format, [&](std::string_view piece) {
    text.append(piece);
    return true;
  });
  return text;
}

bool ExportTableFile(const std::filesystem::path& path, const CMeterlog2Doc& doc,
                     const std::vector<TableColumn>& columns, const std::vector<unsigned>* rows,
                     const TableFormat& format, std::string& error,
                     const std::vector<std::filesystem::path>& inputs) {
  error.clear();
  OutputFile file;
  const bool written =
      file.Open(path, inputs) &&
      WriteTableChunks(doc, columns, rows, format,
                       [&](std::string_view piece) { return file.Write(piece); }) &&
      file.Commit();
  if (!written) error = file.Error();
  return written;
}
