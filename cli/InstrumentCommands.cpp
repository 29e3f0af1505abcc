// meterlog2-cli instrument commands: ports, directory, download, config. They run the same
// protocol code and flows as the desktop program, with a prompt that prints to stderr.

#include <QCoreApplication>
#include <filesystem>
#include <iostream>
#include <memory>

#include "ComSettings.h"
#include "Commands.h"
#include "FlashDirectory.h"
#include "InstrumentFlows.h"
#include "InstrumentProtocol.h"
#include "PrintfText.h"
#include "SerialLinkPort.h"
#include "config/ConfigFields.h"
#include "config/ConfigNumbers.h"
#include "config/ConfigSettings.h"
#include "file/Interrupt.h"

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

class CliProgress : public LinkProgress {
 public:
  explicit CliProgress(std::string& failureNote) : failureNote_(failureNote) {}
  bool Create(bool withCancel) override {
    withCancel_ = withCancel;
    lastChange_ = SystemLinkClock().Milliseconds();
    return true;
  }
  void SetText(const std::string& text) override {
    const int64_t now = SystemLinkClock().Milliseconds();
    lastChange_ = now;
    const bool counting = text.rfind("Receiving Flash File...\n", 0) == 0;
    if (counting) {
      pendingCount_ = text.substr(text.find('\n') + 1);
      if (now - lastPrinted_ >= 1000) FlushCount(now);
      return;
    }
    FlushCount(now);
    if (text != lastText_) std::cerr << text << "\n";
    lastText_ = text;
  }
  void Show() override {}
  void Hide() override { FlushCount(SystemLinkClock().Milliseconds()); }
  void PeekAndPump() override {
    if (!withCancel_ || cancelled_) return;
    if (InterruptSignal() != 0) {
      cancelled_ = true;
      failureNote_ = "interrupted";
    } else if (SystemLinkClock().Milliseconds() - lastChange_ > kIdleLimitMs) {
      cancelled_ = true;
      failureNote_ = "nothing received from the instrument for 60 seconds; giving up";
    }
  }
  bool Cancelled() const override { return cancelled_; }

 private:
  void FlushCount(int64_t now) {
    if (pendingCount_.empty()) return;
    std::cerr << pendingCount_ << "\n";
    pendingCount_.clear();
    lastPrinted_ = now;
  }
  std::string& failureNote_;
  bool withCancel_ = false;
  bool cancelled_ = false;
  int64_t lastChange_ = 0, lastPrinted_ = 0;
  std::string lastText_, pendingCount_;
};

class CliPrompt : public LinkPrompt {
 public:
  std::string portName;
  int baudIndex = ComSettings::kDefaultBaudIndex,
      dataBitsIndex = ComSettings::kDefaultDataBitsIndex,
      parityIndex = ComSettings::kDefaultParityIndex,
      stopBitsIndex = ComSettings::kDefaultStopBitsIndex;
  unsigned long long entry = 0;
  std::string outputPath;
  bool failed = false;
  std::string note;  // why the receive was cancelled, when the prompt cancelled it

  std::unique_ptr<LinkProgress> NewProgress() override {
    return std::make_unique<CliProgress>(note);
  }
  void BeginWait() override {}
  void EndWait() override {}
  bool ChoosePort(ComSettings& settings) override {
    const int index = ComSettings::FindChoice(settings.ports, portName);
    if (index < 0) {
      Fail(portName + " is not a serial port here (see `meterlog2-cli ports`)");
      return false;
    }
    settings.StoreChoice(index, baudIndex, dataBitsIndex, parityIndex, stopBitsIndex);
    return true;
  }
  bool ChooseFlashFile(const FlashDirectory& directory, int& index, std::string& path) override {
    if (InterruptSignal() != 0) {
      Fail("interrupted");
      return false;
    }
    if (entry < 1 || entry > directory.entries.size()) {
      Fail("there is no entry " + PrintfInt(entry) + "; the directory has " +
           PrintfInt(directory.entries.size()) + " (see `meterlog2-cli directory`)");
      return false;
    }
    index = static_cast<int>(entry - 1);
    path = outputPath;
    std::cerr << "Downloading entry " << entry << ": " << directory.entries[entry - 1] << "\n";
    return true;
  }
  bool EditConfiguration(ConfigDialogValues&) override { return false; }
  void ShowMessage(const std::string& text, bool failure) override {
    if (failure) {
      Fail(text);
    } else {
      std::cerr << text << "\n";
    }
  }
  void Detail(const std::string& text) override { std::cerr << "meterlog2-cli: " << text << "\n"; }
  void Fail(const std::string& text) {
    failed = true;
    std::cerr << "meterlog2-cli: " << text << "\n";
  }
};

// The line options shared by every instrument command. False (with a message) on a bad value.
bool TakeLineOptions(Args& args, CliPrompt& prompt, ComSettings& settings, bool needPort) {
  settings.FillComOptions();
  std::string value;
  if (TakeOption(args, "--port", value, "-p")) prompt.portName = value;
  if (needPort && prompt.portName.empty()) {
    std::cerr << "meterlog2-cli: which port? give --port DEV (see `meterlog2-cli ports`)\n";
    return false;
  }
  struct Choice {
    const char* option;
    const std::vector<std::string>* list;
    int* index;
  };
  const Choice choices[] = {{"--baud", &settings.baudRates, &prompt.baudIndex},
                            {"--data-bits", &settings.dataBits, &prompt.dataBitsIndex},
                            {"--parity", &settings.parities, &prompt.parityIndex},
                            {"--stop-bits", &settings.stopBits, &prompt.stopBitsIndex}};
  for (const Choice& c : choices) {
    if (!TakeOption(args, c.option, value)) continue;
    const int index = ComSettings::FindChoice(*c.list, value);
    if (index < 0) {
      std::string allowed;
      for (const std::string& s : *c.list) allowed += (allowed.empty() ? "" : ", ") + s;
      std::cerr << "meterlog2-cli: " << c.option << " must be one of " << allowed << "\n";
      return false;
    }
    *c.index = index;
  }
  return true;
}

bool NoExtraArguments(const Args& args) {
  if (args.empty()) return true;
  std::cerr << "meterlog2-cli: unexpected argument \"" << args.front() << "\"\n";
  return false;
}

// The system's ports plus the one asked for, which may be a path the system does not list
// (a pseudo-terminal, for example).
LinkServices ServicesWith(const std::string& portName) {
  LinkServices services = SystemLinkServices();
  services.findPorts = [portName] {
    std::vector<std::string> ports = FindComPorts();
    if (!portName.empty() && ComSettings::FindChoice(ports, portName) < 0)
      ports.push_back(portName);
    return ports;
  };
  return services;
}

struct OpenLine {
  ComSettings settings;
  CliPrompt prompt;
  std::unique_ptr<LinkPort> port;

  // A failed step; when the port itself failed, its name and the system's reason too.
  void Fail(const std::string& text) {
    prompt.Fail(text);
    const std::string reason = port ? port->FailureReason() : std::string();
    if (!reason.empty()) prompt.Detail(settings.PortName() + ": " + reason);
  }
};

bool Identify(OpenLine& line, std::string& version) {
  std::cerr << "Initiate communication with device...\n";
  if (!ReadVersion(line.port.get(), version)) {
    line.Fail("Failed to communicate with a 57x device");
    if (!version.empty()) std::cerr << "meterlog2-cli: the reply was \"" << version << "\"\n";
    return false;
  }
  std::cerr << "Firmware: " << version << "\n";
  return true;
}

std::string ChannelText(int code, bool channel2) {
  const bool listed =
      channel2
          ? std::find(kChannel2Codes.begin(), kChannel2Codes.end(), code) != kChannel2Codes.end()
          : std::find(kChannel1Codes.begin(), kChannel1Codes.end(), code) != kChannel1Codes.end();
  if (!listed) return "none (input code " + PrintfInt(code) + " is not in the list)";
  return std::string(InputCodeName(code)) + " (input code " + PrintfInt(code) + ")";
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

int RunPorts(const Args& argsIn) {
  Args args = argsIn;
  if (!NoExtraArguments(args)) return 2;
  EnsureQtCore();
  const std::vector<std::string> ports = FindComPorts();
  if (ports.empty()) {
    std::cerr << "meterlog2-cli: No COM Ports Detected\n";
    return 1;
  }
  for (const std::string& p : ports) std::cout << p << "\n";
  return 0;
}

int RunDirectory(const Args& argsIn) {
  Args args = argsIn;
  OpenLine line;
  if (!TakeLineOptions(args, line.prompt, line.settings, true) || !NoExtraArguments(args)) return 2;
  EnsureQtCore();
  line.port = OpenComPort(line.settings, line.prompt, ServicesWith(line.prompt.portName));
  if (!line.port) return 1;
  std::string version, text;
  int status = 1;
  if (Identify(line, version)) {
    std::cerr << "Retrieving Flash File Directory from device...\n";
    switch (ReadFlashDirectory(line.port.get(), text)) {
      case DirectoryResult::kWriteFailed:
        line.Fail("Error while sending initial command");
        break;
      case DirectoryResult::kNoReply:
        line.Fail("Couldn't read Flash File Directory");
        break;
      case DirectoryResult::kOk: {
        const FlashDirectory directory = SplitFlashDirectory(text);
        if (!directory.summary.empty()) std::cout << directory.summary << "\n";
        for (size_t i = 0; i < directory.entries.size(); ++i) {
          std::cout << (i + 1) << "  " << directory.entries[i] << "\n";
        }
        status = 0;
        break;
      }
    }
  }
  CloseComPort(line.port);
  return status;
}

int RunDownload(const Args& argsIn) {
  Args args = argsIn;
  ComSettings settings;
  CliPrompt prompt;
  if (!TakeLineOptions(args, prompt, settings, true)) return 2;
  std::string value;
  if (!TakeOption(args, "--entry", value, "-n") || !ParseUnsigned(value, 1000000, prompt.entry) ||
      prompt.entry == 0) {
    std::cerr << "meterlog2-cli: give the directory entry to download with --entry N (from 1)\n";
    return 2;
  }
  if (!TakeOption(args, "-o", prompt.outputPath, "--output") || prompt.outputPath.empty()) {
    std::cerr << "meterlog2-cli: give the file to write with -o FILE\n";
    return 2;
  }
  if (!NoExtraArguments(args)) return 2;
  std::error_code ec;
  if (std::filesystem::is_directory(prompt.outputPath, ec)) {
    std::cerr << "meterlog2-cli: " << prompt.outputPath << " is a folder; give a file name\n";
    return 2;
  }
  EnsureQtCore();
  std::string firmwareVersion;
  DownloadOutcome outcome;
  {
    // Ctrl+C cancels the transfer (CAN to the instrument, the partial file kept); a second one
    // ends the program at once.
    InterruptScope interruptible;
    outcome = DownloadFlashFile(settings, prompt, ServicesWith(prompt.portName), firmwareVersion);
  }
  if (outcome.received) {
    std::cerr << "Received " << outcome.report.packets << " packets into " << outcome.path
              << " (format marker " << FormatMarkerFromVersion(firmwareVersion) << ")\n";
    return 0;
  }
  if (outcome.attempted) {
    std::string reason = DescribeReceiveEnd(outcome.report);
    if (outcome.report.end == ReceiveEnd::kCancelled && !prompt.note.empty()) {
      reason += " (" + prompt.note + ")";
    }
    std::cerr << "meterlog2-cli: download of " << outcome.path << " failed: " << reason << "\n";
    if (!outcome.report.partialPath.empty()) {
      std::cerr << "meterlog2-cli: the data received so far (" << outcome.report.dataBytes
                << " bytes in " << outcome.report.packets << " packets) was kept as "
                << outcome.report.partialPath << "\n";
    }
    std::error_code ec;
    if (std::filesystem::is_regular_file(outcome.path, ec)) {
      std::cerr << "meterlog2-cli: " << outcome.path << " was left as it was\n";
    }
  }
  return 1;
}

int RunConfig(const Args& argsIn) {
  Args args = argsIn;
  OpenLine line;
  if (!TakeLineOptions(args, line.prompt, line.settings, true)) return 2;
  std::vector<std::string> settings;
  std::string value;
  while (TakeOption(args, "--set", value)) settings.push_back(value);
  const bool setClock = !TakeFlag(args, "--no-clock");
  // Bare NAME=VALUE words after --set are taken as further settings.
  while (!settings.empty() && !args.empty() && args.front().find('=') != std::string::npos &&
         args.front().rfind("--", 0) != 0) {
    settings.push_back(args.front());
    args.erase(args.begin());
  }
  if (!NoExtraArguments(args)) return 2;
  // Refuse bad settings before anything reaches the instrument.
  {
    ConfigRecord scratch{};
    for (const std::string& s : settings) {
      std::string error;
      if (!ApplyConfigSetting(scratch, s, error)) {
        std::cerr << "meterlog2-cli: " << error << "\n";
        return 2;
      }
    }
  }
  EnsureQtCore();
  line.port = OpenComPort(line.settings, line.prompt, ServicesWith(line.prompt.portName));
  if (!line.port) return 1;
  int status = 1;
  std::string version;
  ConfigRecord record{};
  if (Identify(line, version)) {
    std::cerr << "Retrieving current configuration from the device...\n";
    if (!ReadConfiguration(line.port.get(), record)) {
      line.Fail("Failed to read configuration");
    } else if (settings.empty()) {
      PrintConfiguration(LoadConfigDialogValues(record, version));
      status = 0;
    } else {
      std::string error;
      for (const std::string& s : settings) ApplyConfigSetting(record, s, error);
      const ConfigDialogValues shown = LoadConfigDialogValues(record, version);
      std::cerr << "Sending new configuration to the device...\n";
      if (WriteConfiguration(line.port.get(), record, setClock)) {
        PrintConfiguration(shown);
        std::cerr << "Updated Device Configuration\n";
        status = 0;
      } else {
        line.Fail("Error updating configuration");
      }
    }
  }
  CloseComPort(line.port);
  return status;
}
