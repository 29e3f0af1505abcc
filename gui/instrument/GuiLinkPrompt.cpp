#include "GuiLinkPrompt.h"

#include "common/QtPath.h"
#include "common/Settings.h"
#include "common/SettingsKeys.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include "CConfigComPort.h"
#include "CFlashFileDirectory.h"
#include "common/CProgressWnd.h"
#include "common/MessageBox.h"
#include "instrument/CConfigUnit.h"
#include "link/ComSettings.h"
#include "link/FlashDirectory.h"
#include "link/LineSettings.h"
#include "link/LinkMessages.h"

void ShowTransfer(CProgressWnd& window, const TransferProgress& progress) {
  window.SetProgress(PercentDone(progress), QString::fromStdString(TransferText(progress)));
}

namespace {

class ProgressAdapter : public LinkProgress {
 public:
  explicit ProgressAdapter(QWidget* parent) : m_parent(parent) {}
  bool Create(bool withCancel) override { return m_window.Create(m_parent, withCancel); }
  void SetText(const std::string& text) override { m_window.SetText(QString::fromStdString(text)); }
  void Show() override { m_window.Show(); }
  void Hide() override { m_window.Hide(); }
  void PeekAndPump() override { m_window.PeekAndPump(); }
  bool Cancelled() const override { return m_window.Cancelled(); }
  void SetTransfer(const TransferProgress& progress) override { ShowTransfer(m_window, progress); }

 private:
  QPointer<QWidget> m_parent;
  CProgressWnd m_window;
};

QStringList ToList(const std::vector<std::string>& texts) {
  QStringList list;
  for (const std::string& text : texts) list.append(QString::fromStdString(text));
  return list;
}

}  // namespace

// Takes the flow's wait cursor away for the life of a dialog or message box.
class GuiLinkPrompt::CursorPause {
 public:
  explicit CursorPause(int waits) : m_waits(waits) {
    for (int k = 0; k < m_waits; ++k) QApplication::restoreOverrideCursor();
  }
  ~CursorPause() {
    for (int k = 0; k < m_waits; ++k) QApplication::setOverrideCursor(Qt::WaitCursor);
  }

 private:
  int m_waits;
};

GuiLinkPrompt::GuiLinkPrompt(QWidget* mainWindow) : m_mainWindow(mainWindow) {}

GuiLinkPrompt::~GuiLinkPrompt() {
  while (m_waits > 0) EndWait();
}

std::unique_ptr<LinkProgress> GuiLinkPrompt::NewProgress() {
  return std::make_unique<ProgressAdapter>(m_mainWindow);
}

void GuiLinkPrompt::BeginWait() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  ++m_waits;
}

void GuiLinkPrompt::EndWait() {
  if (m_waits == 0) return;
  QApplication::restoreOverrideCursor();
  --m_waits;
}

namespace {}  // namespace

bool GuiLinkPrompt::ChoosePort(ComSettings& settings) {
  CursorPause pause(m_waits);
  CConfigComPort dialog(m_mainWindow);
  int preset = settings.portIndex;
  LineSettings line = settings.Line();
  if (settings.portNumber < 0 && preset < 0) {
    // The first port dialog of a run offers what was chosen in an earlier one.
    auto stored = OpenSettings();
    const std::string port =
        stored->value(meterlog2::common::kLinkPortKey).toString().toStdString();
    for (size_t i = 0; i < settings.ports.size(); ++i)
      if (settings.ports[i] == port) preset = int(i);
    LineSettings remembered;
    std::string error;
    if (remembered.ParseLine(
            stored->value(meterlog2::common::kLinkLineKey).toString().toStdString(), error))
      line = remembered;
  }
  dialog.SetPorts(ToList(settings.ports), preset);
  dialog.SetLine(line);
  if (dialog.exec() != QDialog::Accepted) return false;
  settings.StoreChoice(dialog.GetPortIndex(), dialog.GetLine());
  auto stored = OpenSettings();
  stored->setValue(meterlog2::common::kLinkPortKey, QString::fromStdString(settings.PortName()));
  stored->setValue(meterlog2::common::kLinkLineKey,
                   QString::fromStdString(settings.Line().LineText()));
  return true;
}

bool GuiLinkPrompt::ChooseFlashFile(const FlashDirectory& directory, int& index,
                                    std::filesystem::path& path) {
  CursorPause pause(m_waits);
  CFlashFileDirectory dialog(m_mainWindow);
  if (!directory.summary.empty()) dialog.SetSummary(QString::fromLatin1(directory.summary));
  QStringList names;
  for (const std::string& entry : directory.entries) {
    dialog.AddEntry(QString::fromLatin1(entry));
    names << QString::fromLatin1(ParseFlashEntry(entry).name);
  }
  dialog.SetFileNames(names);
  if (dialog.exec() != QDialog::Accepted) return false;
  index = dialog.GetSelection();
  // Native separators: the path shows in messages (the partial file's name among them).
  path = PathFromQString(QDir::toNativeSeparators(dialog.GetPathName()));
  return true;
}

bool GuiLinkPrompt::EditConfiguration(ConfigDialogValues& values) {
  CursorPause pause(m_waits);
  CConfigUnit dialog(m_mainWindow);
  dialog.SetValues(values);
  if (dialog.exec() != QDialog::Accepted) return false;
  values = dialog.GetValues();
  return true;
}

void GuiLinkPrompt::ShowMessage(const std::string& text, bool failure) {
  CursorPause pause(m_waits);
  QString message = QString::fromStdString(text);
  if (!m_detail.empty()) {
    // Which port, and what the system said about it.
    message += QStringLiteral("\n\n") + QString::fromStdString(m_detail);
    m_detail.clear();
  }
  ::ShowMessage(m_mainWindow, message, failure ? MessageKind::kFailure : MessageKind::kPlain);
}

void GuiLinkPrompt::Detail(const std::string& text) {
  m_detail = text;
}
