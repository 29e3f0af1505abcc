// Where the desktop program's dump file goes, and what lands there: the fixed file in the root of
// drive C on Windows, appended in text mode; elsewhere one per-user file, and none at all rather
// than one in a shared folder. The writer is standard C++, so this runs in the Windows check too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "log/CMeterlog2Doc.h"
#include "log/DumpWriter.h"
#include "log/RecordDump.h"
#include "samples/SampleLog.h"

#ifndef _WIN32
#include <unistd.h>
#endif

using meterlog2::log::DumpFilePath;
using meterlog2::log::DumpWriter;

namespace {

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A loaded three-record log and its dump text (LF lines).
std::string LoadSample(CMeterlog2Doc& doc) {
  SampleLogOptions options;
  options.logType = 2;
  options.records = 3;
  const std::vector<uint8_t> file = MakeSampleLog(options);
  EXPECT_TRUE(doc.LoadFromMemory(file.data(), file.size(), "sample").Opened());
  std::ostringstream text;
  WriteRecordDumps(text, doc.SharedRecords().get(), doc.GetRecordCount(), doc.GetRecordSize());
  return text.str();
}

}  // namespace

TEST(DumpFile, LivesInTheRootOfDriveCOnWindows) {
#ifndef _WIN32
  GTEST_SKIP() << "the Windows rule";
#else
  const std::string path = DumpFilePath();
  ASSERT_EQ(path, "C:\\meterlog2_dump.txt");
  std::filesystem::remove(path);
  CMeterlog2Doc doc;
  const std::string text = LoadSample(doc);
  {
    DumpWriter writer;
    writer.Enqueue(doc, path);
    writer.Enqueue(doc, path);  // appended, not replaced
  }
  // Text mode: every line ends in CR LF, once.
  std::string expected;
  for (char c : text + text) {
    if (c == '\n') expected += '\r';
    expected += c;
  }
  EXPECT_EQ(ReadBytes(path), expected);
  std::filesystem::remove(path);
#endif
}

TEST(DumpFile, LivesInThePerUserStateFolderElsewhere) {
#ifdef _WIN32
  GTEST_SKIP() << "the rule of other systems";
#else
  const char* state = std::getenv("XDG_STATE_HOME");
  const char* home = std::getenv("HOME");
  const std::string savedState = state ? state : "", savedHome = home ? home : "";
  const std::filesystem::path scratch =
      std::filesystem::temp_directory_path() / ("meterlog2 Zustand ü " + std::to_string(getpid()));
  setenv("XDG_STATE_HOME", scratch.c_str(), 1);
  const std::string path = DumpFilePath();
  EXPECT_EQ(path, scratch.string() + "/meterlog2/meterlog2_dump.txt");
  CMeterlog2Doc doc;
  const std::string text = LoadSample(doc);
  {
    DumpWriter writer;
    writer.Enqueue(doc, path);  // the folders are made
  }
  EXPECT_EQ(ReadBytes(path), text);
  std::filesystem::remove_all(scratch);

  setenv("XDG_STATE_HOME", "relative", 1);  // not absolute: ignored, as the convention says
  const std::filesystem::path homeFolder = scratch / "home of müller";
  std::filesystem::create_directories(homeFolder);
  setenv("HOME", homeFolder.c_str(), 1);
  EXPECT_EQ(DumpFilePath(), homeFolder.string() + "/.local/state/meterlog2/meterlog2_dump.txt");
  // A home folder that does not exist is never made up: no dump at all.
  std::filesystem::remove_all(scratch);
  EXPECT_EQ(DumpFilePath(), "");
  {
    DumpWriter writer;
    writer.Enqueue(doc, DumpFilePath());
  }
  EXPECT_FALSE(std::filesystem::exists(scratch));
  unsetenv("XDG_STATE_HOME");
  unsetenv("HOME");
  EXPECT_EQ(DumpFilePath(), "");
  if (state) setenv("XDG_STATE_HOME", savedState.c_str(), 1);
  if (home) setenv("HOME", savedHome.c_str(), 1);
#endif
}

// A standard user may not create files in C:\ (stood for here by a folder in the file's place):
// the dump goes to the user's own application data folder, and a load still writes it.
TEST(DumpFile, GoesToTheUsersFolderOnWindowsWhenDriveCIsNotWritable) {
#ifndef _WIN32
  GTEST_SKIP() << "the Windows rule";
#else
  const std::filesystem::path fixed = "C:\\meterlog2_dump.txt";
  std::filesystem::remove(fixed);
  ASSERT_TRUE(std::filesystem::create_directory(fixed));
  const char* local = std::getenv("LOCALAPPDATA");
  ASSERT_NE(local, nullptr);
  const std::string path = DumpFilePath();
  EXPECT_EQ(path, std::string(local) + "\\Meterlog2\\meterlog2_dump.txt");
  std::filesystem::remove(path);
  CMeterlog2Doc doc;
  LoadSample(doc);
  {
    DumpWriter writer;
    writer.Enqueue(doc, path);  // the folder is made
  }
  EXPECT_GT(std::filesystem::file_size(path), 0u);
  std::filesystem::remove(path);
  std::filesystem::remove(fixed);
  EXPECT_EQ(DumpFilePath(), fixed.string());  // writable again: back to the fixed place
  EXPECT_FALSE(std::filesystem::exists(fixed)) << "asking for the place writes nothing";
#endif
}

namespace {

// The bytes a dump text takes in the file: CR LF line ends on Windows (text mode).
std::string FileBytes(const std::string& text) {
#ifdef _WIN32
  std::string bytes;
  for (char c : text) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  return bytes;
#else
  return text;
#endif
}

class DumpBound : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("meterlog2_dump_bound_" + std::to_string(std::random_device{}()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    path_ = (folder_ / "meterlog2_dump.txt").string();
    rotated_ = DumpWriter::RotatedPath(path_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // Loads a generated log; `texts` gets each record's dump text.
  static void Load(CMeterlog2Doc& doc, SampleLogOptions options, std::vector<std::string>& texts) {
    const std::vector<uint8_t> file = MakeSampleLog(options);
    ASSERT_TRUE(doc.LoadFromMemory(file.data(), file.size(), "sample").Opened());
    texts.clear();
    for (unsigned i = 0; i < doc.GetRecordCount(); ++i) {
      texts.emplace_back();
      AppendRecordDump(texts.back(), doc.GetRecord(i), doc.GetRecordSize());
    }
  }
  static void Load(CMeterlog2Doc& doc, int logType, uint32_t records,
                   std::vector<std::string>& texts) {
    SampleLogOptions options;
    options.logType = logType;
    options.records = records;
    Load(doc, options, texts);
  }
  static std::string Join(const std::vector<std::string>& texts, size_t count) {
    std::string all;
    for (size_t i = 0; i < count; ++i) all += texts[i];
    return all;
  }
  uint64_t Size(const std::string& path) const {
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    return ec ? 0 : size;
  }

  std::filesystem::path folder_;
  std::string path_, rotated_;
};

TEST_F(DumpBound, ADumpTooLargeAloneKeepsTheWholeRecordsThatFitAndSaysWhatIsLeftOut) {
  CMeterlog2Doc doc;
  std::vector<std::string> texts;
  Load(doc, 2, 10, texts);
  const uint64_t limit = FileBytes(Join(texts, 4)).size() + kDumpCutShortTextMax + 5;
  {
    DumpWriter writer;
    writer.SetSizeLimit(limit);
    writer.Enqueue(doc, path_);
    writer.WaitIdle();
    EXPECT_EQ(writer.LastProblem(), "");
  }
  const std::string closing = DumpCutShortText(6, 10, limit);
  EXPECT_NE(closing.find("its last 6 of 10 records are left out, as a dump file is kept below " +
                         std::to_string(limit) + " bytes."),
            std::string::npos);
  EXPECT_EQ(ReadBytes(path_), FileBytes(Join(texts, 4) + closing));
  EXPECT_LE(Size(path_), limit);
  EXPECT_FALSE(std::filesystem::exists(rotated_));
  EXPECT_EQ(DumpWriter::DiskUse(path_), Size(path_));
  EXPECT_EQ(DumpCutShortText(1, 2, DumpWriter::kDefaultSizeLimit).substr(69),
            "The dump of this load is cut short: its last 1 of 2 records are left out, as a dump "
            "file is kept below 256 MiB.\n");

  // The last records fit in the room kept for the closing line: they are written, no line.
  std::filesystem::remove(path_);
  const uint64_t exact = FileBytes(Join(texts, 10)).size();
  DumpWriter writer;
  writer.SetSizeLimit(exact);
  writer.Enqueue(doc, path_);
  writer.WaitIdle();
  EXPECT_EQ(ReadBytes(path_), FileBytes(Join(texts, 10)));
}

TEST_F(DumpBound, RecordsOfMixedTypesCountWhatTheyTake) {
  // Record 0 is a small Standard record, every other one a three-phase record ten times its
  // dump: the file is moved aside, where a guess from record 0 would have let it grow.
  CMeterlog2Doc doc;
  std::vector<std::string> texts;
  SampleLogOptions options;
  options.logType = 1;
  options.mixedLogType = 4;
  options.recordSize = 2994;
  options.records = 6;
  Load(doc, options, texts);
  ASSERT_GT(texts[1].size(), 5 * texts[0].size());
  const std::string earlier(texts[0].size() * 3, 'x');
  std::ofstream(path_, std::ios::binary) << earlier;
  const uint64_t limit = earlier.size() + texts[0].size() * 6 + 100;
  {
    DumpWriter writer;
    writer.SetSizeLimit(limit);
    writer.Enqueue(doc, path_);
  }
  EXPECT_EQ(ReadBytes(rotated_), earlier);
  EXPECT_LE(Size(path_), limit);
  const std::string written = ReadBytes(path_);
  EXPECT_EQ(written.substr(0, FileBytes(texts[0]).size()), FileBytes(texts[0]));
  EXPECT_NE(written.find("records are left out"), std::string::npos);
}

TEST_F(DumpBound, NoDumpFileEverExceedsTheLimit) {
  CMeterlog2Doc small, large;
  std::vector<std::string> smallTexts, largeTexts;
  Load(small, 2, 3, smallTexts);
  Load(large, 4, 5, largeTexts);
  const uint64_t smallBytes = FileBytes(Join(smallTexts, 3)).size();
  for (const uint64_t limit : {uint64_t{100}, smallBytes, smallBytes * 2 + 7, smallBytes * 5,
                               uint64_t{FileBytes(Join(largeTexts, 5)).size()}}) {
    std::filesystem::remove(path_);
    std::filesystem::remove(rotated_);
    DumpWriter writer;
    writer.SetSizeLimit(limit);
    for (const CMeterlog2Doc* doc : {&small, &large, &small, &small, &large, &small}) {
      writer.Enqueue(*doc, path_);
      writer.WaitIdle();
      EXPECT_LE(Size(path_), limit) << "limit " << limit;
      EXPECT_LE(Size(rotated_), limit) << "limit " << limit;
      EXPECT_EQ(writer.LastProblem(), "");
    }
  }
}

TEST_F(DumpBound, AFileThatCannotBeMovedAsideStopsTheDumpInsteadOfGrowing) {
  CMeterlog2Doc doc;
  std::vector<std::string> texts;
  Load(doc, 2, 3, texts);
  const std::string one = FileBytes(Join(texts, 3));
  // A folder that is not empty stands where the older part would go.
  std::filesystem::create_directories(rotated_);
  std::ofstream(rotated_ + "/keep", std::ios::binary) << "keep";
  DumpWriter writer;
  writer.SetSizeLimit(one.size() + 10);
  writer.Enqueue(doc, path_);
  writer.WaitIdle();
  EXPECT_EQ(writer.LastProblem(), "");
  writer.Enqueue(doc, path_);  // no room left, and the file cannot move
  writer.WaitIdle();
  EXPECT_EQ(ReadBytes(path_), one);
  EXPECT_NE(writer.LastProblem().find("the dump file is full and could not be moved aside to"),
            std::string::npos)
      << writer.LastProblem();
  // Once the way is clear, the next load moves it and is dumped again.
  std::filesystem::remove_all(rotated_);
  writer.Enqueue(doc, path_);
  writer.WaitIdle();
  EXPECT_EQ(writer.LastProblem(), "");
  EXPECT_EQ(ReadBytes(rotated_), one);
  EXPECT_EQ(ReadBytes(path_), one);
  EXPECT_EQ(DumpWriter::DiskUse(path_), 2 * one.size());
}

TEST_F(DumpBound, HeldDumpsWaitAndATurnedOffDumpWritesNothing) {
  CMeterlog2Doc doc;
  std::vector<std::string> texts;
  Load(doc, 2, 3, texts);
  {
    DumpWriter writer;
    writer.Hold();
    writer.Enqueue(doc, path_);
    EXPECT_FALSE(std::filesystem::exists(path_));  // held: not even begun
    writer.Release();
    writer.WaitIdle();
    EXPECT_EQ(ReadBytes(path_), FileBytes(Join(texts, 3)));
    writer.Hold();
    writer.Enqueue(doc, path_);
  }  // still held when the program ends: written all the same
  EXPECT_EQ(ReadBytes(path_), FileBytes(Join(texts, 3) + Join(texts, 3)));

  std::filesystem::remove(path_);
  DumpWriter writer;
  writer.SetEnabled(false);
  writer.Enqueue(doc, path_);
  writer.WaitIdle();
  EXPECT_FALSE(std::filesystem::exists(path_));
}

}  // namespace
