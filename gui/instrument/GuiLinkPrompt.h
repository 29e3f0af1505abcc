#pragma once
// The instrument commands' way to the user in the desktop program: progress windows over the
// main window, the wait cursor, and the three dialogs. The wait cursor is taken away while a
// dialog or a message box is up and comes back afterwards.

#include <QPointer>
#include <QWidget>

#include "link/LinkPrompt.h"
#include "link/TransferProgress.h"

class CProgressWnd;

// A download's numbers in a progress window: the bar (a busy one when the size is not known)
// and, when the size is known, the percentage and the time left (the window's text counts the
// bytes).
void ShowTransfer(CProgressWnd& window, const TransferProgress& progress);

class GuiLinkPrompt : public LinkPrompt {
 public:
  explicit GuiLinkPrompt(QWidget* mainWindow);
  ~GuiLinkPrompt() override;

  std::unique_ptr<LinkProgress> NewProgress() override;
  void BeginWait() override;
  void EndWait() override;
  bool ChoosePort(ComSettings& settings) override;
  bool ChooseFlashFile(const FlashDirectory& directory, int& index,
                       std::filesystem::path& path) override;
  bool EditConfiguration(ConfigDialogValues& values) override;
  void ShowMessage(const std::string& text, bool failure) override;
  void Detail(const std::string& text) override;

 private:
  class CursorPause;

  QPointer<QWidget> m_mainWindow;
  int m_waits = 0;
  std::string m_detail;
};
