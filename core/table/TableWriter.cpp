#include "TableWriter.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <random>
#include <system_error>

#include "CellText.h"
#include "log/Meterlog2Doc.h"

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

std::string ErrorText(int error) {
  return std::generic_category().message(error);
}

// A name for the temporary file beside the target: hidden, and unlikely to collide with
// another export running at the same time (creation is exclusive anyway).
std::filesystem::path TemporaryPath(const std::filesystem::path& target, unsigned attempt) {
  thread_local std::mt19937 random{std::random_device{}()};
  char suffix[16];
  const auto end = std::to_chars(suffix, suffix + sizeof suffix, random() ^ attempt, 16).ptr;
  std::filesystem::path temp = target;
  temp.replace_filename("." + target.filename().string() + "." + std::string(suffix, end) + ".tmp");
  return temp;
}

}  // namespace

bool WriteTableChunks(const CMeterlog2Doc& doc, const std::vector<TableColumn>& columns,
                      const std::vector<unsigned>* rows, char separator, const TableSink& sink) {
  // Rows go out in ascending record order, each once, whatever order the caller collected
  // them in (a selection may be gathered in click order).
  std::vector<unsigned> sorted;
  if (rows != nullptr && !std::is_sorted(rows->begin(), rows->end(), std::less_equal<>())) {
    sorted = *rows;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    rows = &sorted;
  }

  std::string piece;
  piece.reserve(kPieceSize + 4096);
  AppendLine(piece, columns.size(), separator,
             [&](size_t i, std::string& out) { out.append(columns[i].strTitle); });

  std::string cell;
  cell.reserve(64);
  const unsigned count = doc.GetRecordCount();
  auto writeRow = [&](unsigned row) -> bool {
    AppendLine(piece, columns.size(), separator, [&](size_t i, std::string& out) {
      GetCellText(doc, row, columns[i].nColumnId, cell);
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
                char separator) {
  WriteTableChunks(doc, columns, &rows, separator, [&](std::string_view piece) {
    out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    return static_cast<bool>(out);
  });
}

void WriteTable(std::ostream& out, const CMeterlog2Doc& doc,
                const std::vector<TableColumn>& columns, char separator) {
  WriteTableChunks(doc, columns, nullptr, separator, [&](std::string_view piece) {
    out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    return static_cast<bool>(out);
  });
}

std::string TableText(const CMeterlog2Doc& doc, const std::vector<TableColumn>& columns,
                      const std::vector<unsigned>& rows, char separator) {
  std::string text;
  WriteTableChunks(doc, columns, &rows, separator, [&](std::string_view piece) {
    text.append(piece);
    return true;
  });
  return text;
}

bool ExportTableFile(const std::string& path, const CMeterlog2Doc& doc,
                     const std::vector<TableColumn>& columns, const std::vector<unsigned>* rows,
                     char separator, std::string& error) {
  error.clear();
  auto fail = [&](const std::string& reason) {
    error = "Could not write \"" + path + "\": " + reason + ".";
    return false;
  };
  if (path.empty()) return fail("no file name was given");

  const std::filesystem::path target(path);
  std::filesystem::path temp;
  std::FILE* file = nullptr;
  int openError = 0;
  for (unsigned attempt = 0; attempt < 16 && file == nullptr; ++attempt) {
    temp = TemporaryPath(target, attempt);
    errno = 0;
    // "x": never open a file that is already there, so a name another program just
    // created is not overwritten.
    file = std::fopen(temp.string().c_str(), "wbx");
    openError = errno;
    if (file == nullptr && openError != EEXIST) break;
  }
  if (file == nullptr) return fail(ErrorText(openError != 0 ? openError : EIO));

  int writeError = 0;
  const bool written = WriteTableChunks(doc, columns, rows, separator, [&](std::string_view piece) {
    errno = 0;
    if (std::fwrite(piece.data(), 1, piece.size(), file) == piece.size()) return true;
    writeError = errno != 0 ? errno : EIO;
    return false;
  });
  errno = 0;
  // Buffered bytes meet a full disk only here, so the close decides as much as the writes.
  if (std::fclose(file) != 0 && writeError == 0) writeError = errno != 0 ? errno : EIO;
  if (!written || writeError != 0) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    return fail(ErrorText(writeError != 0 ? writeError : EIO));
  }

  std::error_code ec;
  std::filesystem::rename(temp, target, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    return fail(ec.message());
  }
  return true;
}
