// Fuzz target: a log file as it comes, through the loader, its dump, and the table.
//
// The loaded document is shown the way the program shows it: the column set of record 0's log
// type in both data formats (for a vector log these are two different sets), the text of every
// cell of the first rows, and the CSV writer over a few rows, including rows past the end; then
// the title and the unformatted values of the first and the last record.
//
// Oracles, besides the sanitizers:
// - Every cell has text, and none holds a separator or a line break, so each CSV line has
//   exactly one field per column.
// - The load agrees with a model of the file format written here from its description: the
//   outcome (loaded, header size, file size, end of file, record size), the record count, and
//   every byte of every record, which is the file's byte except the three converted integers of
//   the time stamp. With salvage, a file cut short gives exactly its whole records.
// - Loading the same bytes from a file gives what loading them from memory gives, to the byte.
// - A record's cells are the same whether or not another record follows it: no cell reads
//   past its record (the records lie back to back in one block, where the sanitizers would not
//   see it).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include "log/CMeterlog2Doc.h"
#include "log/RecordDump.h"
#include "table/CellText.h"
#include "table/ColumnList.h"
#include "table/PlotData.h"
#include "table/TableColumns.h"
#include "table/TableWriter.h"

namespace {

// The dump is produced in full and thrown away.
class DiscardBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// Enough rows to see every layout and both ends of a record; few enough cells for speed.
constexpr unsigned kMaxRows = 64;
constexpr size_t kMaxCells = 8192;

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "fuzz_loader: %s\n", why.c_str());
  std::fflush(stderr);
  std::abort();
}

void CheckCell(const std::string& text, unsigned row, int columnId) {
  if (text.empty() || text.find_first_of(",\t\r\n") != std::string::npos) {
    Fail("row " + std::to_string(row) + ", column " + std::to_string(columnId) + ": cell text \"" +
         text + "\" is empty or breaks a CSV line");
  }
}

void CheckCsv(const std::string& csv, size_t lines, size_t columns) {
  const size_t breaks = static_cast<size_t>(std::count(csv.begin(), csv.end(), '\n'));
  const size_t commas = static_cast<size_t>(std::count(csv.begin(), csv.end(), ','));
  if (breaks != lines || commas != lines * (columns - 1) || !csv.ends_with("\r\n")) {
    Fail("the CSV text has " + std::to_string(breaks) + " lines and " + std::to_string(commas) +
         " separators for " + std::to_string(lines) + " lines of " + std::to_string(columns) +
         " columns");
  }
}

void ShowTable(CMeterlog2Doc& doc, uint32_t dataFormat) {
  doc.SetDataFormat(dataFormat);
  ColumnList list;
  list.BuildColumns(doc.GetFirstLogType(), doc.GetDataFormat(), &doc);
  if (list.size() == 0) return;

  const unsigned count = doc.GetRecordCount();
  const unsigned rows = static_cast<unsigned>(
      std::min<size_t>({count, kMaxRows, std::max<size_t>(1, kMaxCells / list.size())}));
  std::string text;
  for (unsigned row = 0; row < rows; ++row) {
    for (const ColumnInfo& column : list.Entries()) {
      GetCellText(doc, row, column.nColumnId, text);
      CheckCell(text, row, column.nColumnId);
    }
  }

  // A selection in click order: the last row, the first, a middle one twice, and two rows that
  // do not exist; the writer sorts it, drops the repeat and skips the missing rows. A short log
  // is written whole.
  const std::vector<TableColumn> columns = VisibleColumns(list);
  const std::vector<unsigned> picked{count - 1, 0, count / 2, count + 7, count / 2, count};
  std::set<unsigned> present;
  for (unsigned row : picked) {
    if (row < count) present.insert(row);
  }
  const bool whole = count <= 8;
  std::string csv;
  const bool written = WriteTableChunks(doc, columns, whole ? nullptr : &picked, ',',
                                        [&csv](std::string_view piece) {
                                          csv.append(piece);
                                          return true;
                                        });
  if (!written) Fail("the table writer refused a sink that takes everything");
  CheckCsv(csv, (whole ? count : present.size()) + 1, columns.size());

  const std::vector<unsigned> last{count - 1};
  const std::string clipboard = TableText(doc, columns, last, '\t');
  if (clipboard.empty() || !clipboard.ends_with("\r\n")) Fail("the clipboard text is cut short");
}

// The title and the unformatted values (for plots and statistics) of one record.
void QueryValues(const CMeterlog2Doc& doc, unsigned row) {
  std::string title;
  doc.GetRecordTitle(title, row);
  double value = 0;
  for (unsigned c = 0; c < 2; ++c) {
    for (unsigned p = 0; p < 4; ++p) {
      doc.GetThd(value, row, c, p);
      doc.GetKFactor(value, row, c, p);
      for (unsigned h = 0; h < 49; ++h) {
        doc.GetHarmonicMagnitude(value, row, c, h, p);
        doc.GetHarmonicPhase(value, row, c, h, p);
      }
    }
  }
}

// What the plots draw of the whole log and of one record.
void PlotValues(const CMeterlog2Doc& doc, unsigned row) {
  const TrendAxis axis = BuildTrendAxis(doc);
  if (axis.times.size() != axis.rows.size()) Fail("the trend's times and rows differ in count");
  for (int id : DefaultTrendColumns(doc)) {
    if (TrendValues(doc, axis, id).size() != axis.rows.size()) Fail("a trend lost its points");
  }
  for (const SpectrumChannel& channel : BuildSpectrum(doc, row)) {
    for (int n = 1; n <= kSpectrumHarmonics + 1; ++n) (void)channel.Percent(n);
  }
  const WaveformBlocks wave = BuildWaveform(doc, row);
  if (!wave.block[0].empty() && wave.block[0].size() != 240) Fail("a waveform block is not 240");
  if (!BuildPhasors(doc, row).phasors.empty() && !HasPhasors(doc)) Fail("phasors of no log");
}

// ---- The file format as its description gives it ----

uint32_t Big32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
uint16_t Big16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

struct Expected {
  LoadResult::Status status = LoadResult::Status::kLoaded;
  std::optional<uint32_t> format;  // the marker, once four bytes were there to read
  uint32_t records = 0;
  uint32_t size = 0;
  size_t first = 0;  // where record 0 starts in the file
};

Expected Model(const uint8_t* data, size_t n, bool salvage) {
  using Status = LoadResult::Status;
  Expected e;
  if (n == 0) return e;
  e.status = Status::kEndOfFile;
  if (n < 4) return e;
  e.format = uint32_t{data[0]} | uint32_t{data[1]} << 8 | uint32_t{data[2]} << 16 |
             uint32_t{data[3]} << 24;
  if (n < 6) return e;
  const size_t headerSize = Big16(data + 4);
  if (headerSize > 3100) {
    e.status = Status::kHeaderSize;
    return e;
  }
  size_t at = 6 + headerSize;
  if (at == n) {
    e.status = Status::kLoaded;
    return e;
  }
  if (at + 6 > n) return e;
  uint64_t count = Big32(data + at);
  e.size = Big16(data + at + 4);
  at += 6;
  if (at + count * e.size > n) {
    const uint64_t whole = e.size == 0 ? 0 : (n - at) / e.size;
    if (!salvage || whole == 0) {
      e.status = Status::kFileSize;
      return e;
    }
    count = whole;
  }
  if (count > 0 && e.size == 0) {
    e.status = Status::kRecordSize;
    return e;
  }
  e.status = Status::kLoaded;
  e.records = static_cast<uint32_t>(count);
  e.first = at;
  return e;
}

// A record as the document must hold it: the file's bytes with dayofyear (bytes 6-7), year
// (8-9) and secondsofyear (10-13) turned from big-endian around, each where the record holds it.
std::vector<uint8_t> ExpectedRecord(const uint8_t* file, size_t size) {
  std::vector<uint8_t> record(file, file + size);
  for (const auto& [at, width] : {std::pair{6, 2}, std::pair{8, 2}, std::pair{10, 4}}) {
    if (size >= size_t(at + width)) std::reverse(record.begin() + at, record.begin() + at + width);
  }
  return record;
}

void CheckAgainstModel(const CMeterlog2Doc& doc, const LoadResult& result, const uint8_t* data,
                       size_t size, bool salvage) {
  const Expected e = Model(data, size, salvage);
  const char* how = salvage ? " (salvage)" : "";
  if (result.status != e.status) {
    Fail(std::string("the load's outcome is ") + std::to_string(int(result.status)) +
         ", the format says " + std::to_string(int(e.status)) + how);
  }
  if (doc.GetRecordCount() != e.records) {
    Fail("the load holds " + std::to_string(doc.GetRecordCount()) + " records, the format says " +
         std::to_string(e.records) + how);
  }
  if (e.format && doc.GetDetectedDataFormat() != *e.format) Fail("the data format differs");
  if (e.records == 0) return;
  if (doc.GetRecordSize() != e.size) Fail("the record size differs");
  for (unsigned row = 0; row < e.records; ++row) {
    const std::vector<uint8_t> expected =
        ExpectedRecord(data + e.first + size_t{row} * e.size, e.size);
    if (std::memcmp(doc.GetRecord(row), expected.data(), e.size) != 0) {
      Fail("record " + std::to_string(row) + " differs from the file's bytes" + how);
    }
  }
}

// The same bytes as a file: a memory file, rewritten for every input; its name under
// /proc/self/fd stands for it in the messages of both loads.
int MemoryFile() {
  static const int fd = memfd_create("fuzz.57x", 0);
  return fd;
}
std::string MemoryFilePath() {
  return "/proc/self/fd/" + std::to_string(MemoryFile());
}

void CheckFileLoad(const CMeterlog2Doc& fromMemory, const LoadResult& memoryResult,
                   const uint8_t* data, size_t size) {
  const int fd = MemoryFile();
  if (fd < 0) return;
  if (ftruncate(fd, 0) != 0 || (size > 0 && pwrite(fd, data, size, 0) != ssize_t(size))) {
    Fail("the memory file could not be written");
  }
  const std::string path = MemoryFilePath();
  CMeterlog2Doc fromFile;
  const LoadResult fileResult = fromFile.Load(path);
  if (fileResult.status != memoryResult.status || fileResult.message != memoryResult.message ||
      fileResult.declaredRecords != memoryResult.declaredRecords ||
      fileResult.completeRecords != memoryResult.completeRecords ||
      fileResult.salvaged != memoryResult.salvaged) {
    Fail("loading from a file said \"" + fileResult.message + "\", from memory \"" +
         memoryResult.message + "\"");
  }
  if (fromFile.GetRecordCount() != fromMemory.GetRecordCount() ||
      fromFile.GetRecordSize() != fromMemory.GetRecordSize() ||
      fromFile.GetDetectedDataFormat() != fromMemory.GetDetectedDataFormat() ||
      fromFile.GetFirstLogType() != fromMemory.GetFirstLogType()) {
    Fail("loading from a file and from memory gave different documents");
  }
  const size_t bytes = size_t{fromFile.GetRecordCount()} * fromFile.GetRecordSize();
  if (bytes > 0 &&
      std::memcmp(fromFile.SharedRecords().get(), fromMemory.SharedRecords().get(), bytes) != 0) {
    Fail("loading from a file and from memory gave different records");
  }
}

// A one-record log of `record` (as stored in a file), with `following` after it when not empty.
std::vector<uint8_t> OneRecordLog(uint32_t format, const uint8_t* record, size_t size,
                                  const std::vector<uint8_t>& following) {
  const uint32_t count = following.empty() ? 1 : 2;
  std::vector<uint8_t> log{uint8_t(format),
                           uint8_t(format >> 8),
                           uint8_t(format >> 16),
                           uint8_t(format >> 24),
                           0,
                           0,
                           uint8_t(count >> 24),
                           uint8_t(count >> 16),
                           uint8_t(count >> 8),
                           uint8_t(count),
                           uint8_t(size >> 8),
                           uint8_t(size)};
  log.insert(log.end(), record, record + size);
  log.insert(log.end(), following.begin(), following.end());
  return log;
}

void CheckCellsStayWithinTheirRecord(const uint8_t* data, size_t size) {
  const Expected e = Model(data, size, false);
  if (e.records == 0 || !e.format) return;
  const uint8_t* record = data + e.first;
  std::vector<uint8_t> other(record, record + e.size);
  for (uint8_t& b : other) b = static_cast<uint8_t>(~b);  // every byte different
  const std::vector<uint8_t> aloneBytes = OneRecordLog(*e.format, record, e.size, {});
  const std::vector<uint8_t> followedBytes = OneRecordLog(*e.format, record, e.size, other);
  CMeterlog2Doc alone, followed;
  alone.LoadFromMemory(aloneBytes.data(), aloneBytes.size(), "alone");
  followed.LoadFromMemory(followedBytes.data(), followedBytes.size(), "followed");
  if (alone.GetRecordCount() != 1 || followed.GetRecordCount() != 2) Fail("a record log failed");
  std::string a, b;
  for (uint32_t format : {1u, 256u}) {
    alone.SetDataFormat(format);
    followed.SetDataFormat(format);
    ColumnList list;
    list.BuildColumns(alone.GetFirstLogType(), alone.GetDataFormat(), &alone);
    for (const ColumnInfo& column : list.Entries()) {
      GetCellText(alone, 0, column.nColumnId, a);
      GetCellText(followed, 0, column.nColumnId, b);
      if (a != b) {
        Fail("column " + std::to_string(column.nColumnId) + " of a record reads \"" + a +
             "\" alone and \"" + b + "\" when another record follows it");
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static DiscardBuffer discard;
  static std::ostream dump(&discard);

  CMeterlog2Doc doc;
  const LoadResult result = doc.LoadFromMemory(data, size, MemoryFilePath());
  CheckAgainstModel(doc, result, data, size, false);
  CheckFileLoad(doc, result, data, size);
  {
    CMeterlog2Doc salvaged;
    CheckAgainstModel(salvaged, salvaged.LoadFromMemory(data, size, "fuzz.57x", true), data, size,
                      true);
  }
  CheckCellsStayWithinTheirRecord(data, size);
  if (doc.GetRecordCount() == 0) return 0;
  WriteRecordDumps(dump, doc.SharedRecords().get(), doc.GetRecordCount(), doc.GetRecordSize());
  for (uint32_t format : {1u, 256u}) {
    ShowTable(doc, format);
    QueryValues(doc, 0);
    QueryValues(doc, doc.GetRecordCount() - 1);
    PlotValues(doc, doc.GetRecordCount() - 1);
  }
  return 0;
}
