// Fuzz target: a log file as it comes, through the loader, its dump, and the table.
//
// The loaded document is shown the way the program shows it: the column set of record 0's log
// type in both data formats (for a vector log these are two different sets), the text of every
// cell of the first rows, and the CSV writer over a few rows, including rows past the end; then
// the title and the unformatted values of the first and the last record.
//
// Oracle, besides the sanitizers: every cell has text, and none holds a separator or a line
// break, so each CSV line has exactly one field per column.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static DiscardBuffer discard;
  static std::ostream dump(&discard);

  CMeterlog2Doc doc;
  doc.LoadFromMemory(data, size, "fuzz.57x");
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
