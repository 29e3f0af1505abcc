// The download and configure flows against the simulated instrument, in virtual time.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "FakeLink.h"
#include "SimInstrument.h"
#include "config/ConfigFields.h"
#include "link/FlashDirectory.h"
#include "link/InstrumentFlows.h"

namespace {

// Hands the flow a port it may destroy while the test keeps the line to look at.
class PortView : public LinkPort {
 public:
  explicit PortView(FakePort& port) : port_(port) {}
  int Read(uint8_t* b, int n) override { return port_.Read(b, n); }
  int Write(const uint8_t* d, int n) override { return port_.Write(d, n); }
  int BytesWaiting() override { return port_.BytesWaiting(); }
  bool FlushOutput() override { return port_.FlushOutput(); }
  bool WaitDrained(int ms) override { return port_.WaitDrained(ms); }
  void PurgeInput() override { port_.PurgeInput(); }
  void PurgeOutput() override { port_.PurgeOutput(); }
  LinkClock& Clock() override { return port_.Clock(); }
  std::string FailureReason() const override { return port_.FailureReason(); }

 private:
  FakePort& port_;
};

class FlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (std::filesystem::temp_directory_path() /
             (std::string("meterlog2_flow_") +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".57x"))
                .string();
    services_.findPorts = [this] { return ports_; };
    services_.openPort = [this](const std::string& name, const LineSettings&, std::string& error,
                                bool& openFailed) -> std::unique_ptr<LinkPort> {
      opened_ = name;
      openFailed = !openable_;
      if (!openable_) {
        error = "No such file or directory";
        return nullptr;
      }
      return std::make_unique<PortView>(port_);
    };
  }
  void TearDown() override { std::filesystem::remove(path_); }

  void AttachSim(SimOptions options = {}) {
    if (options.files.empty()) {
      options.files = {{"ONE.57x", std::vector<uint8_t>(300, 0x11)},
                       {"TWO.57x", std::vector<uint8_t>(200, 0x22)}};
    }
    sim_ = std::make_unique<SimInstrument>(options, SimInstrument::DefaultWireRecord());
    port_.onByte = [this](FakePort& p, uint8_t b) {
      sim_->Receive(&b, 1, p.clock.ms);
      const std::vector<uint8_t> out = sim_->TakeOutput();
      if (!out.empty()) p.Send(out, 1);
    };
  }

  FakePort port_;
  FakePrompt prompt_;
  ComSettings settings_;
  LinkServices services_;
  std::vector<std::string> ports_ = {"/dev/ttyS0", "/dev/pts/7"};
  bool openable_ = true;
  std::string opened_;
  std::unique_ptr<SimInstrument> sim_;
  std::string path_;
};

TEST_F(FlowTest, DownloadReceivesTheChosenEntryAndClosesCleanly) {
  AttachSim();
  prompt_.chooseFile = [this](const FlashDirectory& d, int& index, std::filesystem::path& path) {
    EXPECT_EQ(d.summary, "2 Flash Files");
    EXPECT_EQ(d.entries.size(), 2u);
    index = 1;
    path = path_;
    return true;
  };
  std::string version;
  const DownloadOutcome outcome = DownloadFlashFile(settings_, prompt_, services_, version);
  EXPECT_TRUE(outcome.received);
  EXPECT_EQ(outcome.path, path_);
  EXPECT_TRUE(prompt_.messages.empty());
  EXPECT_EQ(version.substr(0, 11), "21 Sep 2005");
  EXPECT_EQ(opened_, "/dev/ttyS0");  // the dialog's default: the first port
  EXPECT_NE(port_.SentText().find("2SLD"), std::string::npos);
  std::ifstream in(path_, std::ios::binary);
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
  ASSERT_EQ(file.size(), 256u);
  EXPECT_EQ(file[3], 0);
  EXPECT_EQ(file[4], 0x22);
  EXPECT_EQ(file[255], 0x1A);
  // The last ACK must not be purged away: the line drains before the input purge, and output
  // that drained is not purged at all.
  EXPECT_EQ(port_.events, (std::vector<std::string>{"drain", "purge-in"}));
  EXPECT_EQ(prompt_.waitDepth, 0);
}

TEST_F(FlowTest, DownloadFailuresShowTheirMessages) {
  std::string version;
  ports_.clear();
  DownloadFlashFile(settings_, prompt_, services_, version);
  EXPECT_EQ(prompt_.messages, (std::vector<std::string>{"No COM Ports Detected"}));

  ports_ = {"COM3"};
  prompt_.messages.clear();
  prompt_.choosePort = false;
  DownloadFlashFile(settings_, prompt_, services_, version);
  EXPECT_TRUE(prompt_.messages.empty());
  EXPECT_TRUE(opened_.empty());

  prompt_.choosePort = true;
  openable_ = false;
  DownloadFlashFile(settings_, prompt_, services_, version);
  EXPECT_EQ(prompt_.messages, (std::vector<std::string>{"Could not open the COM Port"}));

  openable_ = true;
  prompt_.messages.clear();
  DownloadFlashFile(settings_, prompt_, services_, version);  // nobody answers
  EXPECT_EQ(prompt_.messages,
            (std::vector<std::string>{
                "Failed to communicate with a 57x device\n\nCheck the port (COM3) and its "
                "line settings (9600/8n1: the instrument must use the same), that the cable is "
                "plugged in at both ends, and that the instrument is switched on."}));
  EXPECT_EQ(prompt_.waitDepth, 0);
}

TEST_F(FlowTest, CancelWhileTheInstrumentIsAskedEndsTheCommandAtOnceAndQuietly) {
  // A silent instrument: the identification would wait about ten seconds. Cancel after one.
  const int64_t start = port_.clock.ms;
  prompt_.progress.cancelWhen = [this, start] { return port_.clock.ms - start > 1000; };
  std::string version;
  const DownloadOutcome download = DownloadFlashFile(settings_, prompt_, services_, version);
  EXPECT_EQ(download.fault, LinkFault::kCancelled);
  EXPECT_TRUE(prompt_.messages.empty());
  EXPECT_LE(port_.clock.ms - start, 1300);  // within a read time-out of the click
  EXPECT_EQ(port_.SentText(), "\r\nVER");   // nothing more was asked
  EXPECT_EQ(prompt_.waitDepth, 0);
  // The window that waits for the instrument has the Cancel button.
  EXPECT_EQ(prompt_.progress.calls.front(), "create1");

  // The same while the configuration is read; an instrument that answers it slowly.
  AttachSim();
  port_.sent.clear();
  const int64_t begin = port_.clock.ms;
  prompt_.progress.cancelWhen = [this] { return port_.SentText().size() > 300; };
  prompt_.editConfig = [](ConfigDialogValues&) {
    ADD_FAILURE() << "the dialog must not come after a cancel";
    return false;
  };
  EXPECT_EQ(ConfigureDevice(settings_, prompt_, services_).fault, LinkFault::kCancelled);
  EXPECT_TRUE(prompt_.messages.empty());
  EXPECT_LT(port_.clock.ms - begin, 2000);
}

TEST_F(FlowTest, DirectoryFailuresAreToldApart) {
  std::string version;
  AttachSim();
  port_.failWritesAfter = 5;  // "\r\nVER" goes out, "RLD" does not
  DownloadFlashFile(settings_, prompt_, services_, version);
  EXPECT_EQ(prompt_.messages, (std::vector<std::string>{"Error while sending initial command"}));

  FakePort& port = port_;
  port.failWritesAfter = -1;
  port.sent.clear();
  prompt_.messages.clear();
  port.onByte = [](FakePort& p, uint8_t b) {  // identifies itself, then says nothing
    if (b == 'R' && p.SentText().ends_with("VER")) p.Send(std::string(47, 'v') + "\r\n");
  };
  DownloadFlashFile(settings_, prompt_, services_, version);
  EXPECT_EQ(prompt_.messages, (std::vector<std::string>{"Couldn't read Flash File Directory"}));
}

TEST_F(FlowTest, CancelledDirectoryChoiceSendsNoRequest) {
  AttachSim();
  prompt_.chooseFile = [](const FlashDirectory&, int&, std::filesystem::path&) { return false; };
  std::string version;
  const DownloadOutcome outcome = DownloadFlashFile(settings_, prompt_, services_, version);
  EXPECT_FALSE(outcome.attempted);
  EXPECT_TRUE(prompt_.messages.empty());
  EXPECT_EQ(port_.SentText().find("SLD"), std::string::npos);
}

TEST_F(FlowTest, ConfigureWritesTheEditedValuesAndSetsTheClock) {
  AttachSim();
  port_.clock.local = {2011, 1, 5, 9, 7, 3};
  prompt_.editConfig = [](ConfigDialogValues& v) {
    EXPECT_EQ(v.channel1, 6);
    EXPECT_EQ(v.channel2, 12);
    EXPECT_EQ(v.factors[0], 1.0f);
    v.channel1 = 12;
    v.factors[0] = 2.0f;
    v.polarityIndex = 0;
    return true;
  };
  ConfigureDevice(settings_, prompt_, services_);
  EXPECT_EQ(prompt_.messages, (std::vector<std::string>{"Updated Device Configuration"}));
  EXPECT_TRUE(sim_->TakeRecordChanged());
  const ConfigRecord& wire = sim_->WireRecord();
  EXPECT_EQ(wire[33], 12);
  EXPECT_EQ(wire[38], 0x82);  // polarity cleared, bits 2-7 and range kept
  const float two = 2.0f;
  EXPECT_EQ(std::memcmp(wire.data() + 651, &two, 4), 0);  // least significant byte first
  EXPECT_TRUE(port_.SentText().ends_with("7SST7SUP2011:01:05:09:07:03TDS"));
  EXPECT_EQ(prompt_.waitDepth, 0);
}

TEST_F(FlowTest, ConfigureCancelAndFaults) {
  AttachSim();
  prompt_.editConfig = [](ConfigDialogValues&) { return false; };
  ConfigureDevice(settings_, prompt_, services_);
  EXPECT_TRUE(prompt_.messages.empty());
  EXPECT_EQ(port_.SentText().find("2XSU"), std::string::npos);

  SimOptions wrongEcho;
  wrongEcho.faults = {SimFault::kWrongEcho};
  AttachSim(wrongEcho);
  prompt_.editConfig = [](ConfigDialogValues&) { return true; };
  ConfigureDevice(settings_, prompt_, services_);
  EXPECT_EQ(prompt_.messages, (std::vector<std::string>{"Error updating configuration"}));

  SimOptions badHex;
  badHex.faults = {SimFault::kBadHex};
  AttachSim(badHex);
  prompt_.messages.clear();
  ConfigureDevice(settings_, prompt_, services_);
  EXPECT_EQ(prompt_.messages, (std::vector<std::string>{"Failed to read configuration"}));
}

TEST_F(FlowTest, APortThatFailsEndsTheCommandAtOnceWithItsReason) {
  AttachSim();
  std::vector<std::string> details;
  struct DetailPrompt : FakePrompt {
    std::vector<std::string>* details;
    void Detail(const std::string& text) override { details->push_back(text); }
  } prompt;
  prompt.details = &details;
  // The adapter is pulled while the configuration record comes in.
  port_.failReadsAt = port_.clock.ms + 900;
  const int64_t start = port_.clock.ms;
  ConfigureDevice(settings_, prompt, services_);
  EXPECT_EQ(prompt.messages, (std::vector<std::string>{"Failed to read configuration"}));
  EXPECT_EQ(details, (std::vector<std::string>{"/dev/ttyS0: No such device"}));
  EXPECT_LT(port_.clock.ms - start, 3000);  // no five-second waits on a dead port
}

TEST(ComSettings, PreselectsTheLastPortOrTheNearestLowerOne) {
  ComSettings s;
  // First use: nothing chosen yet, the dialog's defaults apply.
  ASSERT_TRUE(s.EnumerateComPorts({"COM3", "COM7"}));
  EXPECT_EQ(s.portIndex, -1);
  EXPECT_EQ(s.Line().LineText(), "9600/8n1");

  s.ports = {"COM1", "COM5"};
  LineSettings line;
  ASSERT_TRUE([&] {
    std::string error;
    return line.ParseLine("38400/7e2", error);
  }());
  s.StoreChoice(1, line);
  EXPECT_EQ(s.portNumber, 5);
  EXPECT_EQ(s.PortName(), "COM5");
  EXPECT_EQ(s.Line().baudRate, 38400);
  EXPECT_EQ(s.Line().parity, LineParity::Even);
  ASSERT_TRUE(s.EnumerateComPorts({"COM7", "COM3"}));
  EXPECT_EQ(s.ports, (std::vector<std::string>{"COM3", "COM7"}));
  EXPECT_EQ(s.portIndex, 0);  // COM5 gone: COM3
  ASSERT_TRUE(s.EnumerateComPorts({"COM7"}));
  EXPECT_EQ(s.portIndex, -1);  // nothing lower

  ASSERT_TRUE(s.EnumerateComPorts({"COM17"}));
  EXPECT_EQ(s.PortNumberAt(0), 17);
  EXPECT_EQ(s.PortNumberAt(1), -1);
  EXPECT_FALSE(s.EnumerateComPorts({}));

  s.ports = {"/dev/ttyS0", "/dev/pts/4"};
  s.StoreChoice(1, LineSettings{});
  ASSERT_TRUE(s.EnumerateComPorts({"/dev/ttyUSB0", "/dev/pts/4"}));
  EXPECT_EQ(s.portIndex, 1);
  ASSERT_TRUE(s.EnumerateComPorts({"/dev/ttyUSB0"}));
  EXPECT_EQ(s.portIndex, -1);
}

TEST(LineSettings, OneTextFormWrittenAndReadBack) {
  LineSettings line;
  EXPECT_EQ(line.LineText(), "9600/8n1");
  std::string error;
  for (const char* text : {"1200/7o2", "38400/8e1", "19200/8n2", "2400/7n1"}) {
    ASSERT_TRUE(line.ParseLine(text, error)) << text << ": " << error;
    EXPECT_EQ(line.LineText(), text);
  }
  ASSERT_TRUE(line.ParseLine("4800/8O1", error));  // case does not matter
  EXPECT_EQ(line.parity, LineParity::Odd);

  // Refused texts leave the line as it was and say what is wrong.
  line.port = "/dev/ttyUSB0";
  const LineSettings before = line;
  for (const char* text : {"", "9600", "9600/8n", "9600/8x1", "9600/9n1", "9600/8n3", "57600/8n1",
                           "9600/8n1x", " 9600/8n1", "-9600/8n1", "9600 /8n1"}) {
    error.clear();
    EXPECT_FALSE(line.ParseLine(text, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
    EXPECT_EQ(line, before) << text;
  }
  EXPECT_FALSE(line.ParseLine("57600/8n1", error));
  EXPECT_EQ(error, "the baud rate must be one of 1200, 2400, 4800, 9600, 19200, 38400");

  // The single-part readers the command line's older options use.
  LineParity parity = LineParity::None;
  EXPECT_TRUE(ParseParity("even", parity, error));
  EXPECT_EQ(parity, LineParity::Even);
  EXPECT_TRUE(ParseParity("O", parity, error));
  EXPECT_EQ(parity, LineParity::Odd);
  EXPECT_FALSE(ParseParity("mark", parity, error));
}

TEST(FlashDirectory, AnEntryLineGivesItsNameAndSizeWhenItHasThem) {
  const FlashEntry entry = ParseFlashEntry("C.57x  60000 bytes");
  EXPECT_EQ(entry.name, "C");
  EXPECT_EQ(entry.size, 60000);
  EXPECT_EQ(ParseFlashEntry("LOG 3  1024 Bytes  2010-03-15").size, 1024);
  EXPECT_EQ(ParseFlashEntry("LOG 3  1024 Bytes  2010-03-15").name, "LOG");
  EXPECT_EQ(ParseFlashEntry("LOG3.57x").size, 0);
  EXPECT_EQ(ParseFlashEntry("bytes").size, 0);
  EXPECT_EQ(ParseFlashEntry("A12bytes").size, 0);                    // the number must stand alone
  EXPECT_EQ(ParseFlashEntry("12 bytesque").size, 0);                 // and so must the word
  EXPECT_EQ(ParseFlashEntry("99999999999999999999 bytes").size, 0);  // not a size at all
  // The name: the first word that can name a file, stripped of what a file name cannot hold.
  EXPECT_EQ(ParseFlashEntry("  3  b_harmonic.57X  9184 bytes").name, "b_harmonic");
  EXPECT_EQ(ParseFlashEntry("7 bytes: LOG/../x?.57x").name, "LOG..x");
  EXPECT_EQ(ParseFlashEntry("Messung \xC4nderung").name, "Messung");
  EXPECT_EQ(ParseFlashEntry("\xC4nderung").name, "\xC4nderung");  // Latin-1, as the list shows it
  EXPECT_EQ(ParseFlashEntry("42 ??? 1024 bytes").name, "");
}

}  // namespace
