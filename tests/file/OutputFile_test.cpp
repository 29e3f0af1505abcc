// The output facility against every kind of target, and against signals.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "file/Interrupt.h"
#include "file/OutputFile.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

class OutputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("meterlog2_output_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    ClearInterrupt();
    fs::remove_all(dir_);
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void Put(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  // Everything in the folder: a temporary file left behind shows here.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  static bool WriteAll(const fs::path& target, const std::string& text,
                       const std::vector<fs::path>& inputs = {}) {
    OutputFile out;
    return out.Open(target, inputs) && out.Write(text) && out.Commit();
  }

  fs::path dir_;
};

TEST_F(OutputFileTest, ARegularFileAppearsOnlyWhenComplete) {
  const fs::path target = dir_ / "out.csv";
  OutputFile out;
  ASSERT_TRUE(out.Open(target)) << out.Error();
  ASSERT_TRUE(out.Write("first,"));
  EXPECT_FALSE(fs::exists(target));
#ifdef __linux__
  EXPECT_TRUE(Names().empty());  // the temporary file has no name yet
#else
  ASSERT_EQ(Names().size(), 1u);
  const std::string temporary = Names()[0];
  EXPECT_EQ(temporary.rfind(".out.csv.", 0), 0u) << temporary;  // hidden, beside the target
#endif
  ASSERT_TRUE(out.Write("second\r\n"));
  ASSERT_TRUE(out.Commit()) << out.Error();
  EXPECT_EQ(Read(target), "first,second\r\n");
  EXPECT_EQ(Names(), std::vector<std::string>{"out.csv"});
  EXPECT_FALSE(out.Streaming());
#ifndef _WIN32
  // A new file gets what a plain creation gives.
  const mode_t mask = ::umask(022);
  ::umask(mask);
  EXPECT_EQ(static_cast<unsigned>(fs::status(target).permissions()) & 0777u, 0666u & ~mask);
#endif
}

TEST_F(OutputFileTest, AFailureOrAbandonLeavesTheEarlierFileAndNoTemporary) {
  const fs::path target = dir_ / "out.csv";
  Put(target, "earlier");
  {
    OutputFile out;
    ASSERT_TRUE(out.Open(target));
    ASSERT_TRUE(out.Write("half of it"));
  }  // gone without Commit
  EXPECT_EQ(Read(target), "earlier");
  EXPECT_EQ(Names(), std::vector<std::string>{"out.csv"});

  OutputFile out;
  ASSERT_TRUE(out.Open(target));
  ASSERT_TRUE(out.Write("half"));
  out.Abandon();
  EXPECT_EQ(Read(target), "earlier");
  EXPECT_EQ(Names(), std::vector<std::string>{"out.csv"});
}

TEST_F(OutputFileTest, KeepAsSavesWhatArrivedBesideTheTargetAndReplacesNothing) {
  const fs::path target = dir_ / "log.57x";
  Put(target, "earlier");
  OutputFile out;
  ASSERT_TRUE(out.Open(target));
  ASSERT_TRUE(out.Write("partial data"));
  EXPECT_EQ(out.KeepAs(dir_ / "log.57x.partial"), dir_ / "log.57x.partial");
  EXPECT_EQ(Read(dir_ / "log.57x.partial"), "partial data");
  EXPECT_EQ(Read(target), "earlier");

  // The name is taken now: the next bytes go to the first free number, the earlier stay. Only
  // the first `length` bytes are kept (a write that failed half-way leaves more).
  for (const char* expected : {"log.57x.partial.1", "log.57x.partial.2"}) {
    OutputFile again;
    ASSERT_TRUE(again.Open(target));
    ASSERT_TRUE(again.Write("0123456789"));
    EXPECT_EQ(again.KeepAs(dir_ / "log.57x.partial", 4), dir_ / expected);
    EXPECT_EQ(Read(dir_ / expected), "0123");
  }
  EXPECT_EQ(Read(dir_ / "log.57x.partial"), "partial data");

  // Nothing written: nothing kept.
  OutputFile empty;
  ASSERT_TRUE(empty.Open(dir_ / "none.57x"));
  EXPECT_TRUE(empty.KeepAs(dir_ / "none.57x.partial").empty());
  EXPECT_EQ(Names(), (std::vector<std::string>{"log.57x", "log.57x.partial", "log.57x.partial.1",
                                               "log.57x.partial.2"}));
}

#ifndef _WIN32
TEST_F(OutputFileTest, KeepAsLeavesADeviceOrAFifoAtTheNameAlone) {
  const fs::path fifo = dir_ / "x.57x.partial";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  OutputFile out;
  ASSERT_TRUE(out.Open(dir_ / "x.57x"));
  ASSERT_TRUE(out.Write("data"));
  EXPECT_EQ(out.KeepAs(fifo), dir_ / "x.57x.partial.1");
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_EQ(Read(dir_ / "x.57x.partial.1"), "data");
}
#endif

// Every name a folder takes can be written, up to its longest (255): the temporary file beside it
// never needs a longer one, and a partial file whose usual name would be too long gets one cut to
// fit before its extension, never inside a character.
TEST_F(OutputFileTest, TheLongestNamesAFolderTakes) {
  for (size_t length : {200, 234, 240, 255}) {
    const fs::path target = dir_ / std::string(length, 'x');
    ASSERT_TRUE(WriteAll(target, "whole")) << length;
    EXPECT_EQ(Read(target), "whole");
  }
  // 240 bytes of name, "Müller" near the cut: ".partial" would make 248 + the number's room.
  std::string name = std::string(234, 'l') + "M\xC3\xBCller.57x";
  const fs::path target = dir_ / name;
  OutputFile out;
  ASSERT_TRUE(out.Open(target));
  ASSERT_TRUE(out.Write("acknowledged"));
  fs::path keep = target;
  keep += ".partial";
  const fs::path kept = out.KeepAs(keep);
  ASSERT_FALSE(kept.empty());
  EXPECT_EQ(Read(kept), "acknowledged");
  // At most 250 of the folder's units (bytes here, UTF-16 units on Windows), room for a number.
  EXPECT_LE(kept.filename().native().size(), 250u);
  const std::string keptName = kept.filename().string();
  EXPECT_EQ(keptName.substr(keptName.size() - 9), "~.partial") << keptName;
  EXPECT_EQ(keptName.substr(0, 234), std::string(234, 'l'));
#ifndef _WIN32
  // Cut between characters: what stands before "~" is whole UTF-8.
  const std::string before = keptName.substr(0, keptName.size() - 9);
  EXPECT_TRUE(before.back() != '\xC3') << keptName;
#endif
  // A second partial file of the same target takes the cut name's first free number.
  OutputFile again;
  ASSERT_TRUE(again.Open(target));
  ASSERT_TRUE(again.Write("more"));
  fs::path second = kept;
  second += ".1";
  EXPECT_EQ(again.KeepAs(keep), second);
  EXPECT_EQ(Names().size(), 6u);  // the four long files, the two partial ones, no temporary
}

TEST_F(OutputFileTest, TargetsThatAreRefused) {
  const fs::path input = dir_ / "log.57x";
  Put(input, "the log");
  OutputFile out;
  EXPECT_FALSE(out.Open(dir_));
  EXPECT_EQ(out.Error(), "Could not write \"" + dir_.string() + "\": it is a folder.");
  EXPECT_FALSE(out.Open(dir_ / "no" / "x.csv"));
  EXPECT_NE(out.Error().find("does not exist"), std::string::npos) << out.Error();
  EXPECT_FALSE(out.Open(""));

  // The file being read, under its own name and through a second hard link.
  EXPECT_FALSE(WriteAll(input, "x", {input}));
  fs::create_hard_link(input, dir_ / "hard.csv");
  EXPECT_FALSE(WriteAll(dir_ / "hard.csv", "x", {input}));
  EXPECT_FALSE(out.Open(dir_ / "hard.csv", {dir_ / "other.57x", input}));
  EXPECT_NE(out.Error().find("it is the file being read"), std::string::npos) << out.Error();
  EXPECT_EQ(Read(input), "the log");
  EXPECT_EQ(Names(), (std::vector<std::string>{"hard.csv", "log.57x"}));
}

TEST_F(OutputFileTest, LinksToTheInputOrToNothingAreRefused) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need privileges on Windows, and MinGW cannot make them";
#else
  const fs::path input = dir_ / "log.57x";
  Put(input, "the log");
  fs::create_symlink(input, dir_ / "link.csv");
  OutputFile out;
  EXPECT_FALSE(out.Open(dir_ / "link.csv", {dir_ / "other.57x", input}));
  EXPECT_NE(out.Error().find("it is the file being read"), std::string::npos) << out.Error();
  EXPECT_EQ(Read(input), "the log");

  // A link to nothing is not followed into a new file.
  fs::create_symlink(dir_ / "nowhere.csv", dir_ / "dangling.csv");
  EXPECT_FALSE(WriteAll(dir_ / "dangling.csv", "x"));
  EXPECT_FALSE(fs::exists(dir_ / "nowhere.csv"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"dangling.csv", "link.csv", "log.57x"}));
#endif
}

// A folder and names with letters beyond ASCII and spaces: written, replaced, refused as the
// input, and named in messages as given (UTF-8 text from the path).
TEST_F(OutputFileTest, NamesBeyondAsciiAndWithSpaces) {
  const fs::path folder = dir_ / fs::path(u8"Messungen Müller");
  fs::create_directories(folder);
  const fs::path target = folder / fs::path(u8"Größe – 1.csv");
  ASSERT_TRUE(WriteAll(target, "first\r\n"));
  ASSERT_TRUE(WriteAll(target, "second\r\n"));
  EXPECT_EQ(Read(target), "second\r\n");
  std::vector<fs::path> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path());
  EXPECT_EQ(names, std::vector<fs::path>{target});

  OutputFile out;
  EXPECT_FALSE(out.Open(target, {target}));
  const std::u8string name = target.u8string();
  EXPECT_EQ(out.Error(), "Could not write \"" + std::string(name.begin(), name.end()) +
                             "\": it is the file being read (\"" +
                             std::string(name.begin(), name.end()) + "\"); it was left untouched.");
  EXPECT_FALSE(out.Open(folder / fs::path(u8"nicht hier") / "x.csv"));
  EXPECT_NE(out.Error().find("nicht hier\" does not exist"), std::string::npos) << out.Error();

  // What a broken-off download keeps, beside the target.
  ASSERT_TRUE(out.Open(target));
  ASSERT_TRUE(out.Write("partial"));
  fs::path partial = target;
  partial += ".partial";
  EXPECT_EQ(out.KeepAs(partial), partial);
  EXPECT_EQ(Read(partial), "partial");
  EXPECT_EQ(Read(target), "second\r\n");
}

TEST_F(OutputFileTest, AnExistingFileKeepsItsModeAndALinkKeepsPointingAtIt) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX permission bits and symbolic links";
#else
  const fs::path target = dir_ / "private.csv";
  Put(target, "old");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(target, dir_ / "link.csv");
  ASSERT_TRUE(WriteAll(dir_ / "link.csv", "new"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.csv"));
  EXPECT_EQ(Read(target), "new");
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(Names(), (std::vector<std::string>{"link.csv", "private.csv"}));
#endif
}

TEST_F(OutputFileTest, DevicesAndFifosAreWrittenToNeverReplaced) {
#ifdef _WIN32
  GTEST_SKIP() << "needs /dev/null, /dev/full and FIFOs";
#else
  // A link to /dev/null: were it replaced, the link would become a file.
  fs::create_symlink("/dev/null", dir_ / "null");
  OutputFile out;
  ASSERT_TRUE(out.Open(dir_ / "null")) << out.Error();
  EXPECT_TRUE(out.Streaming());
  ASSERT_TRUE(out.Write("gone"));
  ASSERT_TRUE(out.Commit());
  EXPECT_TRUE(fs::is_symlink(dir_ / "null"));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));

  const fs::path fifo = dir_ / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] { received = Read(fifo); });
  EXPECT_TRUE(WriteAll(fifo, "through the pipe"));
  reader.join();
  EXPECT_EQ(received, "through the pipe");
  EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);

  // A device that refuses the bytes: the reason comes back.
  if (fs::exists("/dev/full")) {
    fs::create_symlink("/dev/full", dir_ / "full");
    OutputFile full;
    ASSERT_TRUE(full.Open(dir_ / "full"));
    EXPECT_FALSE(full.Write("x"));
    EXPECT_EQ(full.Error(),
              "Could not write \"" + (dir_ / "full").string() + "\": No space left on device.");
  }
#endif
}

TEST_F(OutputFileTest, ARecordedSignalFailsTheWriteAndRemovesTheTemporary) {
  InstallInterruptHandlers();
  const fs::path target = dir_ / "out.csv";
  OutputFile out;
  ASSERT_TRUE(out.Open(target));
  ASSERT_TRUE(out.Write("some"));
  std::raise(SIGTERM);  // recorded, not fatal: the output is open
  EXPECT_EQ(InterruptSignal(), SIGTERM);
  EXPECT_FALSE(out.Write("more"));
  EXPECT_EQ(out.Reason(), "interrupted");
  EXPECT_FALSE(out.Commit());
  EXPECT_TRUE(Names().empty());
  EXPECT_EQ(InterruptExitStatus(0), 128 + SIGTERM);
  ClearInterrupt();
  EXPECT_EQ(InterruptExitStatus(3), 3);
}

#ifndef _WIN32
// In a child process: signals that end the program still take the temporary file with them.
int ChildExitStatus(const std::function<void()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    body();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

TEST_F(OutputFileTest, AProcessKilledWhileWritingLeavesNothingBehind) {
#ifndef __linux__
  GTEST_SKIP() << "only Linux can write a file that has no name yet";
#else
  const fs::path target = dir_ / "out.csv";
  Put(target, "earlier");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    OutputFile out;
    if (!out.Open(target) || !out.Write(std::string(1 << 20, 'x'))) ::_exit(1);
    [[maybe_unused]] const ssize_t told = ::write(ready[1], "w", 1);
    ::pause();
    ::_exit(2);
  }
  ::close(ready[1]);
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ::close(ready[0]);
  ::kill(pid, SIGKILL);  // no handler runs
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(Names(), std::vector<std::string>{"out.csv"});
  EXPECT_EQ(Read(target), "earlier");
#endif
}

TEST_F(OutputFileTest, ASecondSignalOrOneOutsideAnyWriteEndsAtOnceWithoutLeftovers) {
#ifdef _WIN32
  GTEST_SKIP() << "needs fork and POSIX signals";
#else
  const fs::path target = dir_ / "out.csv";
  EXPECT_EQ(ChildExitStatus([&] {
              InstallInterruptHandlers();
              OutputFile out;
              if (!out.Open(target) || !out.Write("data")) ::_exit(1);
              std::raise(SIGINT);  // recorded
              std::raise(SIGINT);  // the user insists: out at once
              ::_exit(2);
            }),
            130);
  EXPECT_TRUE(Names().empty());

  EXPECT_EQ(ChildExitStatus([] {
              InstallInterruptHandlers();
              std::raise(SIGTERM);  // nothing is being written: out at once
              ::_exit(2);
            }),
            143);
#endif
}

}  // namespace
