// meterlog2-cli instrument commands: ports, directory, download, config. They run the same
// protocol code and flows as the desktop program, with a prompt that prints to stderr.

#include <QCoreApplication>
#include <filesystem>
#include <iostream>
#include <memory>

#include <algorithm>

#include "Commands.h"
#include "config/ConfigFields.h"
#include "config/ConfigNumbers.h"
#include "config/ConfigSettings.h"
#include "file/Interrupt.h"
#include "file/PathText.h"
#include "link/InstrumentFlows.h"
#include "link/InstrumentProtocol.h"
#include "link/SerialLinkPort.h"
#include "text/Text.h"

namespace {

// Gives up a transfer in which nothing has arrived for this long: the protocol itself would
// NAK a silent instrument forever.
constexpr int64_t kIdleLimitMs = 60000;

// QSerialPort wants an application object for its notifiers.
void EnsureQtCore() {
  static int argc = 1;
  static char name[] = "meterlog2-cli";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);
}

// Progress on stderr: each text once; the receive's count as a line of numbers at most once a
// second. Cancels a transfer on Ctrl+C, or when nothing has arrived for a minute.
class CliProgress : public LinkProgress {
 public:
  explicit CliProgress(std::string& failureNote) : m_failureNote(failureNote) {}
  bool Create(bool withCancel) override {
    m_withCancel = withCancel;
    m_lastChange = SystemLinkClock().Milliseconds();
    return true;
  }
  void SetText(const std::string& text) override {
    m_lastChange = SystemLinkClock().Milliseconds();
    if (text == ReceivingText(m_transfer.packets, m_transfer.lineBytes)) return;  // SetTransfer's
    FlushCount();
    if (text != m_lastText) std::cerr << text << "\n";
    m_lastText = text;
  }
  void SetTransfer(const TransferProgress& transfer) override {
    const int64_t now = SystemLinkClock().Milliseconds();
    m_lastChange = now;
    m_transfer = transfer;
    m_pending = true;
    if (now - m_lastPrinted >= 1000) FlushCount();
  }
  void Show() override {}
  void Hide() override { FlushCount(); }
  void PeekAndPump() override {
    if (!m_withCancel || m_cancelled) return;
    if (InterruptSignal() != 0) {
      m_cancelled = true;
      m_failureNote = "interrupted";
    } else if (SystemLinkClock().Milliseconds() - m_lastChange > kIdleLimitMs) {
      m_cancelled = true;
      m_failureNote = "nothing received from the instrument for 60 seconds; giving up";
    }
  }
  bool Cancelled() const override { return m_cancelled; }

 private:
  void FlushCount() {
    if (!m_pending) return;
    m_pending = false;
    m_lastPrinted = SystemLinkClock().Milliseconds();
    std::cerr << TransferLine(m_transfer) << "\n";
  }
  std::string& m_failureNote;
  bool m_withCancel = false;
  bool m_cancelled = false;
  bool m_pending = false;
  int64_t m_lastChange = 0, m_lastPrinted = 0;
  TransferProgress m_transfer;
  std::string m_lastText;
};

class CliPrompt : public LinkPrompt {
 public:
  LineSettings line;  // the port and the line asked for
  unsigned long long entry = 0;
  std::string outputPath;
  std::vector<std::string> settings;  // config: the NAME=VALUE changes
  bool setClock = true;
  std::string note;          // why the receive was cancelled, when the prompt cancelled it
  ConfigDialogValues shown;  // config: what was read, or what is being written

  std::unique_ptr<LinkProgress> NewProgress() override {
    return std::make_unique<CliProgress>(note);
  }
  void BeginWait() override {}
  void EndWait() override {}
  bool ChoosePort(ComSettings& com) override {
    const auto found = std::find(com.ports.begin(), com.ports.end(), line.port);
    if (found == com.ports.end()) {
      Fail(line.port + " is not a serial port here (see `meterlog2-cli ports`)");
      return false;
    }
    com.StoreChoice(static_cast<int>(found - com.ports.begin()), line);
    return true;
  }
  bool ChooseFlashFile(const FlashDirectory& directory, int& index,
                       std::filesystem::path& path) override {
    if (InterruptSignal() != 0) {
      Fail("interrupted");
      return false;
    }
    if (entry < 1 || entry > directory.entries.size()) {
      Fail("there is no entry " + IntText(entry) + "; the directory has " +
           IntText(directory.entries.size()) + " (see `meterlog2-cli directory`)");
      return false;
    }
    index = static_cast<int>(entry - 1);
    path = PathFromText(outputPath);
    std::cerr << "Downloading entry " << entry << ": " << directory.entries[entry - 1] << "\n";
    return true;
  }
  bool EditConfiguration(ConfigDialogValues&) override { return false; }
  // Without settings the configuration is only shown; with them only the named fields change.
  bool EditRecord(ConfigRecord& record, const std::string& version, bool& clock) override {
    std::string error;
    for (const std::string& s : settings) ApplyConfigSetting(record, s, error);
    shown = LoadConfigDialogValues(record, version);
    clock = setClock;
    return !settings.empty();
  }
  // A message's paragraphs (the message, then what to check) one line each.
  void ShowMessage(const std::string& text, bool failure) override {
    for (size_t at = 0; at <= text.size();) {
      const size_t end = std::min(text.find("\n\n", at), text.size());
      const std::string paragraph = text.substr(at, end - at);
      if (failure) {
        Fail(paragraph);
      } else {
        std::cerr << paragraph << "\n";
      }
      at = end + 2;
    }
  }
  void Detail(const std::string& text) override { std::cerr << "meterlog2-cli: " << text << "\n"; }
  void Fail(const std::string& text) { std::cerr << "meterlog2-cli: " << text << "\n"; }
};

// The line options shared by every instrument command: --port, --line 9600/8n1, and --baud,
// --data-bits, --parity, --stop-bits for one part of the line. False (with a message) on a bad
// value.
bool TakeLineOptions(Args& args, CliPrompt& prompt, bool needPort) {
  std::string value, error;
  if (TakeOption(args, "--port", value)) prompt.line.port = value;
  if (needPort && prompt.line.port.empty()) {
    std::cerr << "meterlog2-cli: which port? give --port DEV (see `meterlog2-cli ports`)\n";
    return false;
  }
  LineSettings& line = prompt.line;
  bool ok = !TakeOption(args, "--line", value) || line.ParseLine(value, error);
  if (ok && TakeOption(args, "--baud", value)) ok = ParseBaudRate(value, line.baudRate, error);
  if (ok && TakeOption(args, "--data-bits", value)) ok = ParseDataBits(value, line.dataBits, error);
  if (ok && TakeOption(args, "--parity", value)) ok = ParseParity(value, line.parity, error);
  if (ok && TakeOption(args, "--stop-bits", value)) ok = ParseStopBits(value, line.stopBits, error);
  if (!ok) std::cerr << "meterlog2-cli: " << error << "\n";
  return ok;
}

// The port asked for is the only one offered: it is opened by its name, also when the system
// does not list it (a pseudo-terminal, say). Looking through the system's ports would find
// nothing more and costs about 0.1 s on Linux (on Windows it opens COM1 to COM32 in turn).
LinkServices ServicesWith(const std::string& portName) {
  LinkServices services = SystemLinkServices();
  services.findPorts = [portName] { return std::vector<std::string>{portName}; };
  return services;
}

std::string ChannelText(int code, bool channel2) {
  const bool listed =
      channel2
          ? std::find(kChannel2Codes.begin(), kChannel2Codes.end(), code) != kChannel2Codes.end()
          : std::find(kChannel1Codes.begin(), kChannel1Codes.end(), code) != kChannel1Codes.end();
  if (!listed) return "none (input code " + IntText(code) + " is not in the list)";
  return std::string(InputCodeName(code)) + " (input code " + IntText(code) + ")";
}

void PrintConfiguration(const ConfigDialogValues& v) {
  std::cout << "Firmware Version: " << v.firmwareVersion << "\n"
            << "Device Date/Time: " << v.deviceDateTime << "\n"
            << "Channel 1: " << ChannelText(v.channel1, false) << "\n"
            << "Channel 2: " << ChannelText(v.channel2, true) << "\n"
            << "Range: " << (v.rangeIndex ? "0-360" : "0-180") << "\n"
            << "Polarity: " << (v.polarityIndex ? "+" : "-") << "\n"
            << "Enable Scale Factors: " << v.scaleEnable << "\n";
  for (size_t i = 0; i < kScaleFactorInputs.size(); ++i) {
    std::cout << kScaleFactorInputs[i].name << ": magnitude "
              << FormatDialogNumber(v.factors[2 * i]) << ", phase "
              << FormatDialogNumber(v.factors[2 * i + 1]) << "\n";
  }
}

}  // namespace

static int RunPorts(Args&) {
  EnsureQtCore();
  const std::vector<std::string> ports = FindComPorts();
  if (ports.empty()) {
    std::cerr << "meterlog2-cli: " << FaultMessage(LinkFault::kNoPorts) << "\n";
    return 1;
  }
  for (const std::string& p : ports) std::cout << p << "\n";
  return 0;
}

static int RunDirectory(Args& args) {
  CliPrompt prompt;
  if (!TakeLineOptions(args, prompt, true)) return 2;
  EnsureQtCore();
  ComSettings settings;
  const DirectoryOutcome outcome = ReadDirectory(settings, prompt, ServicesWith(prompt.line.port));
  if (outcome.fault != LinkFault::kNone) return 1;
  std::cerr << "Firmware: " << outcome.version << "\n";
  const FlashDirectory& directory = outcome.directory;
  if (!directory.summary.empty()) std::cout << directory.summary << "\n";
  for (size_t i = 0; i < directory.entries.size(); ++i) {
    std::cout << (i + 1) << "  " << directory.entries[i] << "\n";
  }
  return 0;
}

static int RunDownload(Args& args) {
  CliPrompt prompt;
  if (!TakeLineOptions(args, prompt, true)) return 2;
  std::string value;
  if (!TakeOption(args, "--entry", value) || !ParseUnsigned(value, 1000000, prompt.entry) ||
      prompt.entry == 0) {
    std::cerr << "meterlog2-cli: give the directory entry to download with --entry N (from 1)\n";
    return 2;
  }
  if (!TakeOption(args, "--output", prompt.outputPath) || prompt.outputPath.empty()) {
    std::cerr << "meterlog2-cli: give the file to write with -o FILE\n";
    return 2;
  }
  std::error_code ec;
  if (std::filesystem::is_directory(PathFromText(prompt.outputPath), ec)) {
    std::cerr << "meterlog2-cli: " << prompt.outputPath << " is a folder; give a file name\n";
    return 2;
  }
  EnsureQtCore();
  ComSettings settings;
  std::string firmwareVersion;
  DownloadOutcome outcome;
  {
    // Ctrl+C cancels the transfer (CAN to the instrument, the partial file kept); a second one
    // ends the program at once.
    InterruptScope interruptible;
    outcome = DownloadFlashFile(settings, prompt, ServicesWith(prompt.line.port), firmwareVersion);
  }
  if (outcome.received) {
    MarkOutputComplete();
    std::cerr << "Received " << outcome.report.packets << " packets into " << PathText(outcome.path)
              << " (format marker " << FormatMarkerFromVersion(firmwareVersion) << ")\n";
    return 0;
  }
  if (outcome.attempted) {
    const bool cancelled = outcome.report.end == ReceiveEnd::kCancelled;
    for (const std::string& line :
         DownloadFailureLines(outcome.report, outcome.path, cancelled ? prompt.note : "")) {
      std::cerr << "meterlog2-cli: " << line << "\n";
    }
  }
  return 1;
}

static int RunConfig(Args& args) {
  CliPrompt prompt;
  if (!TakeLineOptions(args, prompt, true)) return 2;
  std::string value;
  while (TakeOption(args, "--set", value)) prompt.settings.push_back(value);
  prompt.setClock = !TakeFlag(args, "--no-clock");
  // Refuse bad settings before anything reaches the instrument.
  {
    ConfigRecord scratch{};
    for (const std::string& s : prompt.settings) {
      std::string error;
      if (!ApplyConfigSetting(scratch, s, error)) {
        std::cerr << "meterlog2-cli: " << error << "\n";
        return 2;
      }
    }
  }
  EnsureQtCore();
  ComSettings settings;
  const ConfigureOutcome outcome =
      ConfigureDevice(settings, prompt, ServicesWith(prompt.line.port));
  if (outcome.fault != LinkFault::kNone) return 1;
  if (prompt.settings.empty() || outcome.written) PrintConfiguration(prompt.shown);
  return 0;
}

namespace {

// The line options every instrument command takes (TakeLineOptions).
std::vector<meterlog2::cli::OptionDescription> LineOptions(
    std::vector<meterlog2::cli::OptionDescription> more) {
  std::vector<meterlog2::cli::OptionDescription> options = {
      {"-p,--port", "DEV", "the instrument's serial port (see `meterlog2-cli ports`)"},
      {"--line", "BAUD/BITS PARITY STOP", "the line, e.g. 9600/8n1"},
      {"--baud", "BAUD", "the line's baud rate"},
      {"--data-bits", "7|8", "the line's data bits"},
      {"--parity", "None|Even|Odd", "the line's parity"},
      {"--stop-bits", "1|2", "the line's stop bits"}};
  options.insert(options.end(), more.begin(), more.end());
  return options;
}

}  // namespace

const CommandDescription kPortsCommand{"ports", "ports", {}, false, RunPorts};
const CommandDescription kDirectoryCommand{"directory", "directory --port DEV [LINE OPTIONS]",
                                           LineOptions({}), false, RunDirectory};
const CommandDescription kDownloadCommand{
    "download", "download --port DEV --entry N -o FILE [LINE OPTIONS]",
    LineOptions({{"-n,--entry", "N", "the directory entry to receive (from 1)"},
                 {"-o,--output", "FILE", "the file to write"}}),
    false, RunDownload};
const CommandDescription kConfigCommand{
    "config", "config --port DEV [--set NAME=VALUE...] [--no-clock] [LINE OPTIONS]",
    LineOptions({{"--set", "NAME=VALUE...", "change these fields (only these)", true, true},
                 {"--no-clock", nullptr, "leave the instrument's clock as it is"}}),
    false, RunConfig};
