#pragma once
// How the instrument flows reach the user: progress windows with an optional Cancel, the wait
// cursor, the port, directory and configuration choices, and message boxes. The desktop program
// implements this with its dialogs; the command-line tool and the tests implement it without
// windows. Every call comes from the thread that runs the flow.

#include <filesystem>
#include <memory>
#include <string>

#include "TransferProgress.h"
#include "config/ConfigRecord.h"

class ComSettings;
struct FlashDirectory;
struct ConfigDialogValues;

// One progress window: a status text of up to two lines and, when created with it, a Cancel
// button. Destroying the object takes the window down.
class LinkProgress {
 public:
  virtual ~LinkProgress() = default;
  // Puts the window up (disabling the main window); false when it could not be built, in which
  // case the flow goes on without it.
  virtual bool Create(bool withCancel) = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  // Lets the user interface run for a moment; a Cancel click is noticed here.
  virtual void PeekAndPump() = 0;
  virtual bool Cancelled() const = 0;
  // A download's numbers, beside the text: a progress bar, data bytes, percentage, time left.
  virtual void SetTransfer(const TransferProgress& /*progress*/) {}
};

class LinkPrompt {
 public:
  virtual ~LinkPrompt() = default;
  virtual std::unique_ptr<LinkProgress> NewProgress() = 0;
  // The wait cursor; calls nest, EndWait restores the cursor BeginWait replaced.
  virtual void BeginWait() = 0;
  virtual void EndWait() = 0;
  // The "Configure COM Port" step: offers the ports of `settings` (preselecting its portIndex)
  // and its line; on "Connect" stores the choice in it (ComSettings::StoreChoice) and returns
  // true.
  virtual bool ChoosePort(ComSettings& settings) = 0;
  // The "Flash File Directory" step with its save dialog: on OK gives the chosen entry's index
  // (0-based) and the path to save to.
  virtual bool ChooseFlashFile(const FlashDirectory& directory, int& index,
                               std::filesystem::path& path) = 0;
  // The "Configure Device" dialog: true on "Update" with the edited values.
  virtual bool EditConfiguration(ConfigDialogValues& values) = 0;
  // The configuration read from the instrument, to be changed before it goes back: true to write
  // it, with the clock when `setClock` is set. By default the record goes through the "Configure
  // Device" dialog (EditConfiguration); the command-line tool changes named fields instead.
  virtual bool EditRecord(ConfigRecord& record, const std::string& version, bool& setClock);
  // A message box; `failure` selects the exclamation icon.
  virtual void ShowMessage(const std::string& text, bool failure) = 0;
  // Why a step failed, in more words than the message box gives (port errors, file errors).
  // The desktop program may ignore it; the command-line tool prints it.
  virtual void Detail(const std::string& /*text*/) {}
};
