#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "LogBytes.h"
#include "samples/SampleLog.h"
#include "table/CellText.h"
#include "table/ColumnList.h"
#include "table/TableColumns.h"
#include "table/TableWriter.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back("UNTERMINATED:" + text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A Standard log of ten records from the generator.
class WriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SampleLogOptions options;
    options.logType = 1;
    options.records = 10;
    const std::vector<uint8_t> bytes = MakeSampleLog(options);
    ASSERT_EQ(doc.LoadFromMemory(bytes.data(), bytes.size(), "ten.57x").status,
              LoadResult::Status::kLoaded);
    list.BuildColumns(doc.GetFirstLogType(), 0, &doc);
  }

  std::string Cell(unsigned row, int id) {
    std::string text;
    GetCellText(doc, row, id, text);
    return text;
  }

  CMeterlog2Doc doc;
  ColumnList list;
};

TEST_F(WriterTest, AllRowsWithCrLfAfterEveryLine) {
  std::ostringstream out;
  WriteTable(out, doc, VisibleColumns(list), ',');
  const std::string csv = out.str();
  ASSERT_GE(csv.size(), 2u);
  EXPECT_EQ(csv.substr(csv.size() - 2), "\r\n");
  const std::vector<std::string> lines = Lines(csv);
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_TRUE(lines[0].starts_with("Log Type,Time,Ch1 Select,Ch2 Select,Frequency,")) << lines[0];
  EXPECT_TRUE(lines[0].ends_with(",Ch2 THD,Watt Hours,Volt Amp Hours,VAR Hours")) << lines[0];
  for (unsigned row = 0; row < 10; ++row) {
    const std::string& line = lines[row + 1];
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(std::count(line.begin(), line.end(), ','), 22);
    EXPECT_EQ(line.substr(0, line.find(',')), "Standard Log");
    EXPECT_EQ(line.substr(line.rfind(',') + 1), Cell(row, 22));
  }
}

TEST_F(WriterTest, HiddenColumnsAndDragOrderInCsvAndClipboardText) {
  // Only Log Type, Time, Frequency and Watt Hours shown; "Time" dragged in front.
  for (ColumnInfo& info : list.Entries()) {
    info.bVisible =
        info.nColumnId == 0 || info.nColumnId == 1 || info.nColumnId == 4 || info.nColumnId == 20;
  }
  const std::vector<TableColumn> shown = DisplayedColumns(list, {1, 0, 2, 3});
  const std::vector<unsigned> rows = {2, 5};
  const std::string expectedRows = Cell(2, 1) + "\tStandard Log\t" + Cell(2, 4) + "\t" +
                                   Cell(2, 20) + "\r\n" + Cell(5, 1) + "\tStandard Log\t" +
                                   Cell(5, 4) + "\t" + Cell(5, 20) + "\r\n";
  EXPECT_EQ(TableText(doc, shown, rows, '\t'),
            "Time\tLog Type\tFrequency\tWatt Hours\r\n" + expectedRows);

  std::ostringstream out;
  WriteTable(out, doc, shown, rows, ',');
  std::string csv = expectedRows;
  std::replace(csv.begin(), csv.end(), '\t', ',');
  EXPECT_EQ(out.str(), "Time,Log Type,Frequency,Watt Hours\r\n" + csv);
}

TEST_F(WriterTest, SelectedRowsComeOutAscendingOnceAndOnlyIfTheyExist) {
  const std::vector<TableColumn> timeOnly = {{1, "Time"}};
  const std::string expected =
      "Time\r\n" + Cell(3, 1) + "\r\n" + Cell(5, 1) + "\r\n" + Cell(7, 1) + "\r\n";
  EXPECT_EQ(TableText(doc, timeOnly, {7, 3, 5}, ','), expected);
  EXPECT_EQ(TableText(doc, timeOnly, {3, 5, 5, 7, 7}, ','), expected);
  EXPECT_EQ(TableText(doc, timeOnly, {3, 5, 7, 10, 4000000000u}, ','), expected);
  EXPECT_EQ(TableText(doc, timeOnly, {}, ','), "Time\r\n");
  // No columns at all still gives one (empty) line per row.
  EXPECT_EQ(TableText(doc, {}, {0, 1}, ','), "\r\n\r\n\r\n");
}

TEST(TableWriter, LargeTablesGoOutInPiecesAndStopWhenRefused) {
  CMeterlog2Doc doc = LoadSampleLog(4, 1, 40);
  ColumnList list;
  list.BuildColumns(doc.GetFirstLogType(), 0, &doc);
  const std::vector<TableColumn> columns = VisibleColumns(list);

  std::string joined;
  size_t pieces = 0;
  EXPECT_TRUE(WriteTableChunks(doc, columns, nullptr, ',', [&](std::string_view piece) {
    joined.append(piece);
    ++pieces;
    return true;
  }));
  EXPECT_GT(pieces, 1u);
  std::ostringstream out;
  WriteTable(out, doc, columns, ',');
  EXPECT_EQ(joined, out.str());
  EXPECT_EQ(Lines(joined).size(), 41u);

  pieces = 0;
  EXPECT_FALSE(WriteTableChunks(doc, columns, nullptr, ',', [&](std::string_view) {
    ++pieces;
    return false;
  }));
  EXPECT_EQ(pieces, 1u) << "nothing more is produced once the sink has failed";
}

class ExportFileTest : public WriterTest {
 protected:
  void SetUp() override {
    WriterTest::SetUp();
    // The plain and the sanitized test programs run side by side: a folder of its own each.
    folder = fs::temp_directory_path() /
             ("meterlog2_export_" + std::to_string(std::random_device{}()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  size_t FilesIn(const fs::path& dir) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir)) ++n;
    return n;
  }

  fs::path folder;
};

TEST_F(ExportFileTest, WritesTheTableAndReplacesAnOlderFileWhole) {
  const fs::path target = folder / "Meterlog2 Data.csv";
  {
    std::ofstream old(target, std::ios::binary);
    old << std::string(200000, 'x');  // longer than the new content
  }
  const std::vector<TableColumn> columns = VisibleColumns(list);
  std::string error;
  ASSERT_TRUE(ExportTableFile(target.string(), doc, columns, nullptr, ',', error)) << error;
  EXPECT_EQ(error, "");
  std::ostringstream expected;
  WriteTable(expected, doc, columns, ',');
  EXPECT_EQ(ReadFile(target), expected.str());
  EXPECT_EQ(FilesIn(folder), 1u) << "no temporary file is left behind";

  const std::vector<unsigned> rows = {4};
  ASSERT_TRUE(ExportTableFile(target.string(), doc, columns, &rows, ',', error)) << error;
  EXPECT_EQ(Lines(ReadFile(target)).size(), 2u);
}

TEST_F(ExportFileTest, FailuresNameTheFileAndLeaveNothingBehind) {
  const std::vector<TableColumn> columns = VisibleColumns(list);
  std::string error;

  const fs::path missing = folder / "no such folder" / "out.csv";
  EXPECT_FALSE(ExportTableFile(missing.string(), doc, columns, nullptr, ',', error));
  EXPECT_NE(error.find(missing.string()), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(missing.parent_path()));

  // A folder in the way: the rename fails after the whole table was written.
  const fs::path busy = folder / "busy.csv";
  fs::create_directory(busy);
  std::ofstream(busy / "keep.txt") << "keep";
  error.clear();
  EXPECT_FALSE(ExportTableFile(busy.string(), doc, columns, nullptr, ',', error));
  EXPECT_NE(error.find(busy.string()), std::string::npos) << error;
  EXPECT_TRUE(fs::is_directory(busy));
  EXPECT_EQ(ReadFile(busy / "keep.txt"), "keep");
  EXPECT_EQ(FilesIn(folder), 1u) << "the temporary file was removed";

  error.clear();
  EXPECT_FALSE(ExportTableFile("", doc, columns, nullptr, ',', error));
  EXPECT_FALSE(error.empty());
}

#ifndef _WIN32
// A disk that fills up halfway: the file size limit makes the writes fail the same way.
TEST_F(ExportFileTest, AWriteFailureHalfwayKeepsTheOldFile) {
  CMeterlog2Doc big = LoadSampleLog(4, 1, 50);  // about 330 KB of CSV
  ColumnList bigList;
  bigList.BuildColumns(big.GetFirstLogType(), 0, &big);

  const fs::path target = folder / "old.csv";
  std::ofstream(target, std::ios::binary) << "old content\r\n";
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 100000;
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string error;
  const bool ok =
      ExportTableFile(target.string(), big, VisibleColumns(bigList), nullptr, ',', error);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  EXPECT_FALSE(ok);
  EXPECT_NE(error.find(target.string()), std::string::npos) << error;
  EXPECT_EQ(ReadFile(target), "old content\r\n");
  EXPECT_EQ(FilesIn(folder), 1u) << "the partial temporary file was removed";
}
#endif

}  // namespace
