// meterlog2-cli against meterlog2-sim through a pseudo-terminal.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>
#include <sstream>

#include "ProcessHarness.h"

namespace {

using e2e::CliResult;
using e2e::RunCli;
using e2e::SimProcess;

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("meterlog2_e2e_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "files");
    std::mt19937 random(7);
    for (const auto& [name, size] : std::vector<std::pair<std::string, size_t>>{
             {"A.57x", 1000}, {"B.57x", 640}, {"C.57x", 60000}}) {
      std::vector<uint8_t> bytes(size);
      for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
      std::ofstream(dir_ / "files" / name, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(size));
    }
  }
  void TearDown() override {
    sim_.reset();  // before its folder goes
    std::filesystem::remove_all(dir_);
  }

  // Starts a simulator serving the three files; time-outs short where the protocol allows.
  void StartSim(std::vector<std::string> extra = {}, const std::string& baud = "115200") {
    std::vector<std::string> args = {"--dir",          (dir_ / "files").string(),
                                     "--state",        (dir_ / "state.bin").string(),
                                     "--baud",         baud,
                                     "--echo-timeout", "1000",
                                     "--ack-timeout",  "3000"};
    args.insert(args.end(), extra.begin(), extra.end());
    sim_ = std::make_unique<SimProcess>();
    ASSERT_TRUE(sim_->Start(args, dir_));
  }
  CliResult Cli(std::vector<std::string> args, int interruptAfterMs = -1) {
    args.insert(args.begin() + 1, {"--port", sim_->device});
    return RunCli(args, dir_, interruptAfterMs);
  }
  // What the download of `name` must give: the bytes padded to whole packets, the format
  // marker in front.
  std::vector<uint8_t> Expected(const std::string& name, uint32_t marker = 256) {
    std::vector<uint8_t> bytes = e2e::ReadBytes(dir_ / "files" / name);
    bytes.resize((bytes.size() + 127) / 128 * 128, 0x1A);
    for (int k = 0; k < 4; ++k)
      bytes[static_cast<size_t>(k)] = static_cast<uint8_t>(marker >> (8 * k));
    return bytes;
  }
  std::string Out(const std::string& name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
  std::unique_ptr<SimProcess> sim_;
};

TEST_F(EndToEnd, DirectoryListsSummaryAndNumberedEntries) {
  StartSim();
  const CliResult r = Cli({"directory"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "3 Flash Files\n1  A.57x  1000 bytes\n2  B.57x  640 bytes\n3  C.57x  60000 bytes\n");
  // (That the 0xFF terminator ends the read at once is checked in virtual time, in
  // InstrumentProtocol_test.)
}

TEST_F(EndToEnd, DownloadGivesThePaddedFileWithTheFormatMarker) {
  StartSim();
  CliResult r = Cli({"download", "--entry", "1", "-o", Out("a.57x")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(e2e::ReadBytes(Out("a.57x")), Expected("A.57x"));
  r = Cli({"download", "--entry", "2", "-o", Out("b.57x"), "--baud", "9600"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(e2e::ReadBytes(Out("b.57x")), Expected("B.57x"));
  EXPECT_TRUE(sim_->Logged("download of file 2 requested"));

  // A folder and a name with letters beyond ASCII and spaces.
  std::filesystem::create_directories(dir_ / "Messungen Müller");
  r = Cli({"download", "--entry", "1", "-o", Out("Messungen Müller/erste Größe.57x")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(e2e::ReadBytes(Out("Messungen Müller/erste Größe.57x")), Expected("A.57x"));
  EXPECT_NE(r.err.find("into " + Out("Messungen Müller/erste Größe.57x")), std::string::npos)
      << r.err;
}

TEST_F(EndToEnd, OldFirmwareMarksTheFileWithFormatOne) {
  StartSim({"--firmware-date", "20 Sep 2005"});
  const CliResult r = Cli({"download", "--entry", "2", "-o", Out("b.57x")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(e2e::ReadBytes(Out("b.57x")), Expected("B.57x", 1));
}

TEST_F(EndToEnd, CorruptRepeatedAndNoisyPacketsStillGiveTheRightBytes) {
  StartSim(
      {"--fault", "bad-crc", "--fault", "repeat-block", "--fault", "noise", "--fault-block", "3"});
  const CliResult r = Cli({"download", "--entry", "1", "-o", Out("a.57x")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(e2e::ReadBytes(Out("a.57x")), Expected("A.57x"));
  EXPECT_NE(r.err.find("Received an invalid packet..."), std::string::npos);
}

TEST_F(EndToEnd, StalledPacketIsDroppedAndSentAgain) {
  StartSim({"--fault", "stall", "--ack-timeout", "20000"});
  const CliResult r = Cli({"download", "--entry", "2", "-o", Out("b.57x")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(e2e::ReadBytes(Out("b.57x")), Expected("B.57x"));
  // The packet came again because the receiver's packet deadline passed and it asked (the
  // instrument itself would have waited 20 s); the deadline's length is checked in virtual
  // time, in FlashReceive_test.
  const std::string log = sim_->LogWith("transfer complete");
  EXPECT_NE(log.find("fault: packet stalls after 60 bytes"), std::string::npos) << log;
  EXPECT_EQ(log.find("no reply to a packet"), std::string::npos) << log;
}

TEST_F(EndToEnd, OutOfSequenceBlockEndsWithTheReasonAndThePartialFile) {
  StartSim({"--fault", "out-of-sequence", "--fault-block", "4"});
  const CliResult r = Cli({"download", "--entry", "2", "-o", Out("b.57x")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("out of sequence"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("was kept as " + Out("b.57x.partial")), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(Out("b.57x")));
  EXPECT_EQ(e2e::ReadBytes(Out("b.57x.partial")).size(), 3u * 128);
  EXPECT_TRUE(sim_->Logged("transfer cancelled by the program"));
}

// Names up to the longest a folder takes: a whole download arrives under a 250-byte name, and a
// failed one keeps its acknowledged blocks under a name cut to fit (the name and ".partial" would
// be 258 bytes), which the message names.
TEST_F(EndToEnd, LongestNamesKeepEveryBlock) {
  StartSim({"--fault", "out-of-sequence", "--fault-block", "4"});
  const std::string name = std::string(246, 'n') + ".57x";
  CliResult r = Cli({"download", "--entry", "2", "-o", Out(name)});
  EXPECT_EQ(r.code, 1) << r.err;
  const std::string kept = Out(std::string(241, 'n') + "~.partial");
  EXPECT_EQ(e2e::ReadBytes(kept).size(), 3u * 128) << r.err;
  EXPECT_NE(r.err.find("was kept as " + kept + " (the usual name"), std::string::npos) << r.err;
  sim_.reset();
  StartSim();
  r = Cli({"download", "--entry", "2", "-o", Out(name)});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(e2e::ReadBytes(Out(name)), Expected("B.57x"));
}

TEST_F(EndToEnd, InstrumentCancelAndMissingEntry) {
  StartSim({"--fault", "cancel"});
  CliResult r = Cli({"download", "--entry", "2", "-o", Out("b.57x")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("the instrument cancelled the transfer"), std::string::npos) << r.err;

  r = Cli({"download", "--entry", "9", "-o", Out("x.57x")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("no entry 9"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(Out("x.57x")));
}

// What a failed download's message says was kept: "(N packets, M bytes) was kept as PATH".
struct KeptNote {
  long long packets = -1, bytes = -1;
  std::string path;
};
KeptNote KeptIn(const std::string& err) {
  KeptNote note;
  const std::string mark = "The data received so far (";
  const size_t at = err.find(mark);
  if (at == std::string::npos) return note;
  std::istringstream in(err.substr(at + mark.size()));
  std::string word;
  in >> note.packets >> word >> note.bytes >> word >> word >> word >> word >> note.path;
  while (!note.path.empty() && (note.path.back() == '.' || note.path.back() == ';'))
    note.path.pop_back();
  return note;
}

TEST_F(EndToEnd, CtrlCCancelsTheTransferWithCanAndTheNextCommandWorks) {
  StartSim({}, "9600");
  {
    std::ofstream earlier(Out("c.57x"), std::ios::binary);
    earlier << "an earlier download";
  }
  // Ctrl+C at a few moments of the transfer, each one almost surely inside a packet's read.
  // Every time: the instrument was told of exactly the blocks the partial file holds, and the
  // message counts those.
  for (int run = 0; run < 3; ++run) {
    std::filesystem::remove(Out("c.57x.partial"));
    CliResult r = Cli({"download", "--entry", "3", "-o", Out("c.57x")}, 2200 + 370 * run);
    EXPECT_EQ(r.code, 130) << r.err;
    EXPECT_NE(r.err.find("cancelled (interrupted)"), std::string::npos) << r.err;
    EXPECT_EQ(e2e::ReadText(Out("c.57x")), "an earlier download");
    const size_t size = e2e::ReadBytes(Out("c.57x.partial")).size();
    EXPECT_GT(size, 0u);
    EXPECT_LT(size, 60000u);
    EXPECT_EQ(size % 128, 0u);
    const KeptNote kept = KeptIn(r.err);
    EXPECT_EQ(kept.bytes, static_cast<long long>(size)) << r.err;
    EXPECT_EQ(kept.packets * 128, kept.bytes) << r.err;
    EXPECT_EQ(kept.path, Out("c.57x.partial")) << r.err;
    const std::string cancelled = "transfer cancelled by the program after " +
                                  std::to_string(size / 128) + " acknowledged blocks";
    EXPECT_TRUE(sim_->Logged(cancelled)) << sim_->Log();
  }
  // Whatever of the interrupted packet was still on the line is not taken as the next reply.
  const CliResult r = Cli({"directory"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("3 Flash Files"), std::string::npos) << r.out;
}

TEST_F(EndToEnd, AFailedDownloadKeepsEveryEarlierPartialFile) {
  StartSim({"--fault", "out-of-sequence", "--fault-block", "4"});
  // A FIFO where the third one would go is left alone as well.
  ASSERT_EQ(mkfifo(Out("b.57x.partial.2").c_str(), 0600), 0);
  const std::vector<std::string> kept = {Out("b.57x.partial"), Out("b.57x.partial.1"),
                                         Out("b.57x.partial.3")};
  for (const std::string& path : kept) {
    const CliResult r = Cli({"download", "--entry", "2", "-o", Out("b.57x")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(KeptIn(r.err).path, path) << r.err;
    if (path != kept.front()) {
      EXPECT_NE(r.err.find(Out("b.57x.partial") + " was there already and was left as it was"),
                std::string::npos)
          << r.err;
    }
    EXPECT_EQ(e2e::ReadBytes(path).size(), 3u * 128);
  }
  EXPECT_TRUE(std::filesystem::is_fifo(Out("b.57x.partial.2")));
}

TEST_F(EndToEnd, AnInstrumentThatVanishesEndsTheTransferAtOnce) {
  StartSim({}, "9600");
  std::thread unplug([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    kill(sim_->pid, SIGKILL);
  });
  const CliResult r = Cli({"download", "--entry", "3", "-o", Out("c.57x")});
  unplug.join();
  EXPECT_EQ(r.code, 1) << r.err;
  // The port's failure ends it, not the receiver's deadlines running out one after another.
  EXPECT_NE(r.err.find("the port failed"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(Out("c.57x")));
  EXPECT_GT(e2e::ReadBytes(Out("c.57x.partial")).size(), 0u);
}

TEST_F(EndToEnd, ConfigReadChangeAndPersist) {
  StartSim();
  CliResult r = Cli({"config"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Channel 1: AC: Van (input code 6)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Range: 0-360"), std::string::npos);
  EXPECT_NE(r.out.find("Ia: magnitude 1, phase 0"), std::string::npos);

  r = Cli({"config", "--set", "channel2=AC: In", "--set", "Ib.phase=-120", "--set", "polarity=-",
           "--no-clock"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("Updated Device Configuration"), std::string::npos);
  const std::string log = sim_->LogWith("7SUP");
  EXPECT_NE(log.find("configuration written"), std::string::npos);
  EXPECT_NE(log.find("7SUP"), std::string::npos);
  EXPECT_EQ(log.find("clock set"), std::string::npos);

  // A new simulator run keeps what was written.
  sim_.reset();
  StartSim();
  r = Cli({"config"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Channel 2: AC: In (input code 28)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Ib: magnitude 1, phase -120"), std::string::npos);
  EXPECT_NE(r.out.find("Polarity: -"), std::string::npos);
  EXPECT_NE(r.out.find("Range: 0-360"), std::string::npos);  // untouched

  r = Cli({"config", "--set", "Ia.magnitude=0"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("between 0.0001 and 99999"), std::string::npos);

  r = Cli({"config", "--set", "range=0-180"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(sim_->Logged("clock set to"));
}

TEST_F(EndToEnd, ConfigurationFaultsAreReported) {
  StartSim({"--fault", "wrong-echo"});
  CliResult r = Cli({"config", "--set", "scale=on"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Error updating configuration"), std::string::npos) << r.err;
  EXPECT_EQ(sim_->Log().find("7SST"), std::string::npos);

  sim_.reset();
  StartSim({"--fault", "bad-hex"});
  r = Cli({"config"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Failed to read configuration"), std::string::npos) << r.err;

  sim_.reset();
  StartSim({"--fault", "no-separator"});
  r = Cli({"config"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Failed to read configuration"), std::string::npos) << r.err;
}

// Gives up with the message (RunCli's limit stops a hang); how long it waits is checked in
// virtual time, in InstrumentProtocol_test.
TEST_F(EndToEnd, SilentInstrumentGivesUpWithTheMessage) {
  StartSim({"--fault", "silence"});
  const CliResult r = Cli({"directory"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Failed to communicate with a 57x device"), std::string::npos) << r.err;
}

TEST_F(EndToEnd, PortProblems) {
  StartSim();
  CliResult r = RunCli({"directory", "--port", (dir_ / "no-such-tty").string()}, dir_);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Could not open the COM Port"), std::string::npos) << r.err;
  r = Cli({"directory", "--baud", "57600"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("1200, 2400, 4800, 9600, 19200, 38400"), std::string::npos);
  // The line in its one text form; a part given on its own counts after it.
  r = Cli({"directory", "--line", "57600/8n1"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("1200, 2400, 4800, 9600, 19200, 38400"), std::string::npos);
  r = Cli({"directory", "--line", "9600/8n"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("9600/8n1"), std::string::npos) << r.err;
  r = Cli({"directory", "--line", "38400/7e2", "--data-bits", "8", "--parity", "none",
           "--stop-bits", "1"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("3 Flash Files"), std::string::npos);
}

}  // namespace
