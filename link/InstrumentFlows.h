#pragma once
// The instrument commands as flows over LinkPrompt, written once for the desktop program and
// the command-line tool: choosing and opening the port, identification, then the directory, a
// download, or reading, editing and writing the configuration. Each flow shows its messages
// through the prompt at the moment the command reaches them (the texts are in LinkMessages.h)
// and returns what happened as a value, for the caller to act on or print.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ComSettings.h"
#include "FlashDirectory.h"
#include "FlashReceive.h"
#include "LinkMessages.h"
#include "LinkPort.h"
#include "LinkPrompt.h"

// Where ports come from; the tests put an in-memory instrument here.
struct LinkServices {
  std::function<std::vector<std::string>()> findPorts;
  std::function<std::unique_ptr<LinkPort>(const std::string& name, const LineSettings& line,
                                          std::string& error, bool& openFailed)>
      openPort;
};
// The real serial ports (SerialLinkPort.h).
LinkServices SystemLinkServices();

// Enumerates, lets the user choose, opens and configures. Null when there is no port, the user
// cancelled or the port could not be opened or configured (messages shown inside); `fault`
// then says which.
std::unique_ptr<LinkPort> OpenComPort(ComSettings& settings, LinkPrompt& prompt,
                                      const LinkServices& services, LinkFault* fault = nullptr);

struct DirectoryOutcome {
  LinkFault fault = LinkFault::kNone;
  std::string version;  // the identification text, also when it failed
  FlashDirectory directory;
};

// Identification and directory, then the port is closed.
DirectoryOutcome ReadDirectory(ComSettings& settings, LinkPrompt& prompt,
                               const LinkServices& services);

struct DownloadOutcome {
  LinkFault fault = LinkFault::kNone;  // a fault before the receive
  bool received = false;               // the transfer ended with EOT: open `path`
  bool attempted = false;              // the receive ran (a partial file may be on disk)
  std::filesystem::path path;
  ReceiveReport report;
};

// Download Flash File: identification, directory, choice, receive. `firmwareVersion` is the
// application's version text, replaced at every identification that could be written.
DownloadOutcome DownloadFlashFile(ComSettings& settings, LinkPrompt& prompt,
                                  const LinkServices& services, std::string& firmwareVersion);

struct ConfigureOutcome {
  LinkFault fault = LinkFault::kNone;
  std::string version;
  bool written = false;  // the edited record reached the instrument
};

// Configure: identification, read, edit (LinkPrompt::EditRecord), write (with the clock when the
// editor says so).
ConfigureOutcome ConfigureDevice(ComSettings& settings, LinkPrompt& prompt,
                                 const LinkServices& services);
