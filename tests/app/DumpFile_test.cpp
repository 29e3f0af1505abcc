// Where the desktop program's dump file goes, and what lands there: the fixed file in the root of
// drive C on Windows, appended in text mode; elsewhere one per-user file, and none at all rather
// than one in a shared folder. The writer is standard C++, so this runs in the Windows check too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/DumpWriter.h"
#include "log/CMeterlog2Doc.h"
#include "log/RecordDump.h"
#include "samples/SampleLog.h"

#ifndef _WIN32
#include <unistd.h>
#endif

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
  setenv("HOME", "/home/müller", 1);
  EXPECT_EQ(DumpFilePath(), "/home/müller/.local/state/meterlog2/meterlog2_dump.txt");
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
