#include "InstrumentFlows.h"

#include "FlashDirectory.h"
#include "InstrumentProtocol.h"
#include "SerialIo.h"
#include "SerialLinkPort.h"
#include "config/ConfigFields.h"

namespace {

// Keeps the wait cursor balanced whatever way a flow ends.
class WaitCursor {
 public:
  explicit WaitCursor(LinkPrompt& prompt) : prompt_(prompt) { Begin(); }
  ~WaitCursor() { End(); }
  void Begin() {
    if (!on_) prompt_.BeginWait();
    on_ = true;
  }
  void End() {
    if (on_) prompt_.EndWait();
    on_ = false;
  }

 private:
  LinkPrompt& prompt_;
  bool on_ = false;
};

struct ProgressWindow {
  std::unique_ptr<LinkProgress> window;
  bool up = false;
  void Create(bool withCancel) { up = window && window->Create(withCancel); }
  void SetText(const std::string& text) {
    if (up) window->SetText(text);
  }
  void Show() {
    if (up) window->Show();
  }
  void Hide() {
    if (up) window->Hide();
  }
};

// A failure message; when the port itself has failed, its name and the system's reason first.
void ShowFailure(LinkPrompt& prompt, const std::string& text, LinkPort* port,
                 const ComSettings& settings) {
  const std::string reason = port ? port->FailureReason() : std::string();
  if (!reason.empty()) prompt.Detail(settings.PortName() + ": " + reason);
  prompt.ShowMessage(text, true);
}

}  // namespace

LinkServices SystemLinkServices() {
  LinkServices services;
  services.findPorts = FindComPorts;
  services.openPort = OpenSerialPort;
  return services;
}

std::unique_ptr<LinkPort> OpenComPort(ComSettings& settings, LinkPrompt& prompt,
                                      const LinkServices& services) {
  if (!settings.EnumerateComPorts(services.findPorts())) {
    prompt.ShowMessage("No COM Ports Detected", true);
    return nullptr;
  }
  if (!prompt.ChoosePort(settings)) return nullptr;
  std::string error;
  bool openFailed = false;
  std::unique_ptr<LinkPort> port =
      services.openPort(settings.PortName(), settings.Line(), error, openFailed);
  if (!port) {
    prompt.Detail(settings.PortName() + ": " + (error.empty() ? "unknown error" : error));
    if (openFailed) prompt.ShowMessage("Could not open the COM Port", true);
  }
  return port;
}

DownloadOutcome DownloadFlashFile(ComSettings& settings, LinkPrompt& prompt,
                                  const LinkServices& services, std::string& firmwareVersion) {
  DownloadOutcome outcome;
  WaitCursor wait(prompt);
  ProgressWindow progress{prompt.NewProgress()};
  std::unique_ptr<LinkPort> port = OpenComPort(settings, prompt, services);
  if (!port) return outcome;

  progress.Create(false);
  progress.SetText("Initiate communication with device...");
  std::string version = firmwareVersion;
  const int identified = ReadVersion(port.get(), version);
  firmwareVersion = version;
  if (!identified) {
    ShowFailure(prompt, "Failed to communicate with a 57x device", port.get(), settings);
  } else {
    progress.SetText("Retrieving Flash File Directory from device...");
    std::string text;
    if (!WriteCommand("RLD", port.get())) {
      ShowFailure(prompt, "Error while sending initial command", port.get(), settings);
    } else if (!ReadFlashDirectoryReply(port.get(), text)) {
      ShowFailure(prompt, "Couldn't read Flash File Directory", port.get(), settings);
    } else {
      const FlashDirectory directory = SplitFlashDirectory(text);
      progress.Hide();
      wait.End();
      int index = -1;
      if (prompt.ChooseFlashFile(directory, index, outcome.path)) {
        outcome.attempted = true;
        outcome.received = ReceiveFlashFile(port.get(), index + 1, outcome.path, firmwareVersion,
                                            prompt, &outcome.report) != 0;
      }
    }
  }
  CloseComPort(port);
  return outcome;
}

void ConfigureDevice(ComSettings& settings, LinkPrompt& prompt, const LinkServices& services) {
  WaitCursor wait(prompt);
  ProgressWindow progress{prompt.NewProgress()};
  std::unique_ptr<LinkPort> port = OpenComPort(settings, prompt, services);
  if (!port) return;

  progress.Create(false);
  progress.SetText("Initiate communication with device...");
  std::string version;
  ConfigRecord record{};
  if (!ReadVersion(port.get(), version)) {
    ShowFailure(prompt, "Failed to communicate with a 57x device", port.get(), settings);
  } else {
    progress.SetText("Retrieving current configuration from the device...");
    if (!ReadConfiguration(port.get(), record)) {
      ShowFailure(prompt, "Failed to read configuration", port.get(), settings);
    } else {
      ConfigDialogValues values = LoadConfigDialogValues(record, version);
      progress.Hide();
      wait.End();
      if (prompt.EditConfiguration(values)) {
        StoreConfigDialogValues(values, record);
        wait.Begin();
        progress.SetText("Sending new configuration to the device...");
        progress.Show();
        const int written = WriteConfiguration(port.get(), record, values.updateClock);
        progress.Hide();
        wait.End();
        if (written) {
          prompt.ShowMessage("Updated Device Configuration", false);
        } else {
          ShowFailure(prompt, "Error updating configuration", port.get(), settings);
        }
      }
    }
  }
  CloseComPort(port);
}
