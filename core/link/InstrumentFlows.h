#pragma once
// The two instrument commands as flows over LinkPrompt: choosing and opening the port, then
// either downloading a Flash File or reading, editing and writing the configuration. The desktop
// program and the command-line tool run the same flows with their own prompts.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ComSettings.h"
#include "FlashReceive.h"
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
// cancelled or the port could not be opened or configured (messages shown inside).
std::unique_ptr<LinkPort> OpenComPort(ComSettings& settings, LinkPrompt& prompt,
                                      const LinkServices& services);

struct DownloadOutcome {
  bool received = false;   // the transfer ended with EOT: open `path`
  bool attempted = false;  // the receive ran (a partial file may be on disk)
  std::string path;
  ReceiveReport report;
};

// Download Flash File: identification, directory, choice, receive. `firmwareVersion` is the
// application's version text, replaced at every identification that could be written.
DownloadOutcome DownloadFlashFile(ComSettings& settings, LinkPrompt& prompt,
                                  const LinkServices& services, std::string& firmwareVersion);

// Configure: identification, read, dialog, write (with the clock when the dialog says so).
void ConfigureDevice(ComSettings& settings, LinkPrompt& prompt, const LinkServices& services);
