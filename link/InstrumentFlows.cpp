#include "InstrumentFlows.h"

#include "InstrumentProtocol.h"
#include "SerialIo.h"
#include "config/ConfigFields.h"

namespace {

// Keeps the wait cursor balanced whatever way a flow ends.
class PromptWait {
 public:
  explicit PromptWait(LinkPrompt& prompt) : m_prompt(prompt) { Begin(); }
  ~PromptWait() { End(); }
  void Begin() {
    if (!m_on) m_prompt.BeginWait();
    m_on = true;
  }
  void End() {
    if (m_on) m_prompt.EndWait();
    m_on = false;
  }

 private:
  LinkPrompt& m_prompt;
  bool m_on = false;
};

// One instrument command from the port dialog to the closed port: the wait cursor, the progress
// window (which keeps painting while the line is waited on) and the port.
class Session {
 public:
  Session(ComSettings& comSettings, LinkPrompt& linkPrompt, const LinkServices& services)
      : settings(comSettings),
        prompt(linkPrompt),
        wait(linkPrompt),
        m_services(services),
        m_window(prompt.NewProgress()) {}
  ~Session() { Close(); }

  // The port dialog and the port; on success the progress window is up with `text`, with a
  // Cancel button that ends the exchange on the line within a read time-out.
  bool Open(LinkFault& fault, const char* text) {
    port = OpenComPort(settings, prompt, m_services, &fault);
    if (!port) return false;
    m_up = m_window && m_window->Create(true);
    SetText(text);
    port->SetWaitHook([this] {
      Pump();
      if (m_up && m_window->Cancelled()) port->Cancel();
    });
    return true;
  }
  // From here on the window has no Cancel button: a configuration half written must not be
  // left so by a click.
  void WithoutCancel() {
    m_window = prompt.NewProgress();
    m_up = m_window && m_window->Create(false);
  }
  void Close() {
    if (port) port->SetWaitHook(nullptr);
    CloseComPort(port);
  }
  void SetText(const char* text) {
    if (m_up) m_window->SetText(text);
    Pump();
  }
  void Hide() {
    if (m_up) m_window->Hide();
  }
  void Pump() {
    if (m_up) m_window->PeekAndPump();
  }
  // A failure message (with what to check, when the instrument did not answer); when the port
  // itself has failed, its name and the system's reason first. Nothing is said when the user
  // cancelled.
  LinkFault Fail(LinkFault fault) {
    if (port && port->Cancelled()) return LinkFault::kCancelled;
    const std::string reason = port ? port->FailureReason() : std::string();
    if (!reason.empty()) prompt.Detail(settings.PortName() + ": " + reason);
    prompt.ShowMessage(FaultText(fault, settings.Line()), true);
    return fault;
  }

  ComSettings& settings;
  LinkPrompt& prompt;
  PromptWait wait;
  std::unique_ptr<LinkPort> port;

 private:
  const LinkServices& m_services;
  std::unique_ptr<LinkProgress> m_window;
  bool m_up = false;
};

// Identification, then the directory; the progress texts and messages of both.
LinkFault IdentifyAndReadDirectory(Session& s, std::string& version, FlashDirectory& directory) {
  if (!ReadVersion(s.port.get(), version)) return s.Fail(LinkFault::kNoInstrument);
  s.SetText(link_text::kRetrievingDirectory);
  std::string text;
  switch (ReadFlashDirectory(s.port.get(), text)) {
    case DirectoryResult::kWriteFailed:
      return s.Fail(LinkFault::kDirectoryNotSent);
    case DirectoryResult::kNoReply:
      return s.Fail(LinkFault::kNoDirectory);
    case DirectoryResult::kOk:
      break;
  }
  directory = SplitFlashDirectory(text);
  return LinkFault::kNone;
}

}  // namespace

bool LinkPrompt::EditRecord(ConfigRecord& record, const std::string& version, bool& setClock) {
  ConfigDialogValues values = LoadConfigDialogValues(record, version);
  if (!EditConfiguration(values)) return false;
  StoreConfigDialogValues(values, record);
  setClock = values.updateClock;
  return true;
}

std::unique_ptr<LinkPort> OpenComPort(ComSettings& settings, LinkPrompt& prompt,
                                      const LinkServices& services, LinkFault* fault) {
  LinkFault local = LinkFault::kNone;
  LinkFault& f = fault ? *fault : local;
  if (!settings.EnumerateComPorts(services.findPorts())) {
    f = LinkFault::kNoPorts;
    prompt.ShowMessage(FaultMessage(f), true);
    return nullptr;
  }
  if (!prompt.ChoosePort(settings)) {
    f = LinkFault::kPortNotChosen;
    return nullptr;
  }
  std::string error;
  bool openFailed = false;
  std::unique_ptr<LinkPort> port =
      services.openPort(settings.PortName(), settings.Line(), error, openFailed);
  if (!port) {
    f = openFailed ? LinkFault::kCannotOpen : LinkFault::kCannotConfigure;
    prompt.Detail(settings.PortName() + ": " + (error.empty() ? "unknown error" : error));
    if (openFailed) prompt.ShowMessage(FaultMessage(f), true);
  }
  return port;
}

DirectoryOutcome ReadDirectory(ComSettings& settings, LinkPrompt& prompt,
                               const LinkServices& services) {
  DirectoryOutcome outcome;
  Session s(settings, prompt, services);
  if (!s.Open(outcome.fault, link_text::kInitiate)) return outcome;
  outcome.fault = IdentifyAndReadDirectory(s, outcome.version, outcome.directory);
  return outcome;
}

DownloadOutcome DownloadFlashFile(ComSettings& settings, LinkPrompt& prompt,
                                  const LinkServices& services, std::string& firmwareVersion) {
  DownloadOutcome outcome;
  Session s(settings, prompt, services);
  if (!s.Open(outcome.fault, link_text::kInitiate)) return outcome;
  FlashDirectory directory;
  outcome.fault = IdentifyAndReadDirectory(s, firmwareVersion, directory);
  if (outcome.fault != LinkFault::kNone) return outcome;
  s.Hide();
  s.wait.End();
  int index = -1;
  if (!prompt.ChooseFlashFile(directory, index, outcome.path)) return outcome;
  outcome.attempted = true;
  const size_t entry = static_cast<size_t>(index);
  const long long size =
      entry < directory.entries.size() ? ParseFlashEntry(directory.entries[entry]).size : 0;
  outcome.received = ReceiveFlashFile(s.port.get(), index + 1, outcome.path, firmwareVersion,
                                      prompt, &outcome.report, size) != 0;
  return outcome;
}

ConfigureOutcome ConfigureDevice(ComSettings& settings, LinkPrompt& prompt,
                                 const LinkServices& services) {
  ConfigureOutcome outcome;
  Session s(settings, prompt, services);
  if (!s.Open(outcome.fault, link_text::kInitiate)) return outcome;
  if (!ReadVersion(s.port.get(), outcome.version)) {
    outcome.fault = s.Fail(LinkFault::kNoInstrument);
    return outcome;
  }
  s.SetText(link_text::kRetrievingConfig);
  ConfigRecord record{};
  if (!ReadConfiguration(s.port.get(), record)) {
    outcome.fault = s.Fail(LinkFault::kConfigReadFailed);
    return outcome;
  }
  s.Hide();
  s.wait.End();
  bool setClock = true;
  if (!prompt.EditRecord(record, outcome.version, setClock)) return outcome;
  s.wait.Begin();
  s.WithoutCancel();
  s.SetText(link_text::kSendingConfig);
  outcome.written = WriteConfiguration(s.port.get(), record, setClock) != 0;
  s.Hide();
  s.wait.End();
  if (!outcome.written) {
    outcome.fault = s.Fail(LinkFault::kConfigWriteFailed);
  } else {
    prompt.ShowMessage(link_text::kConfigUpdated, false);
  }
  return outcome;
}
