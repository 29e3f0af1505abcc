#include "InstrumentController.h"

#include <QEvent>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "common/MessageBox.h"
#include "common/QtPath.h"
#include "file/Interrupt.h"
#include "instrument/GuiLinkPrompt.h"
#include "link/LinkMessages.h"

namespace meterlog2::app {

namespace {

// Keeps a second instrument command from starting inside the first (the progress window pumps
// events), keeps the main window from being closed under a running command, and leaves the
// main window usable whatever way a command ends.
class FlowGuard : public QObject {
 public:
  FlowGuard(bool& running, QWidget* frame) : m_running(running), m_frame(frame) {
    m_running = true;
    if (m_frame) m_frame->installEventFilter(this);
  }
  ~FlowGuard() override {
    m_running = false;
    if (m_frame) {
      m_frame->removeEventFilter(this);
      m_frame->setEnabled(true);
    }
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == m_frame && event->type() == QEvent::Close) {
      event->ignore();
      return true;
    }
    return false;
  }

 private:
  bool& m_running;
  QPointer<QWidget> m_frame;
};

// What the user is told after a download that did not end with a complete file: the same lines
// as the command-line tool prints, a blank line between.
QString DownloadFailureText(const DownloadOutcome& outcome) {
  QStringList lines;
  for (const std::string& line : DownloadFailureLines(outcome.report, outcome.path))
    lines << QString::fromStdString(line);
  return lines.join(QStringLiteral("\n\n"));
}

}  // namespace

bool InstrumentController::CarryOn(QWidget* window) {
  if (InterruptSignal() == 0) return true;
  // The program was asked to end during the flow: no dialogs now, just close.
  if (window != nullptr) window->close();
  return false;
}

void InstrumentController::Configure(QWidget* window) {
  if (m_bFlowRunning) return;
  {
    FlowGuard guard(m_bFlowRunning, window);
    GuiLinkPrompt prompt(window);
    ConfigureDevice(m_comSettings, prompt, m_linkServices);
  }
  CarryOn(window);
}

void InstrumentController::DownloadFlashFile(QWidget* window) {
  if (m_bFlowRunning) return;
  DownloadOutcome outcome;
  {
    FlowGuard guard(m_bFlowRunning, window);
    GuiLinkPrompt prompt(window);
    outcome = ::DownloadFlashFile(m_comSettings, prompt, m_linkServices, m_strFirmwareVersion);
  }
  if (!CarryOn(window)) return;
  if (outcome.received) {
    emit FlashFileReceived(QStringFromPath(outcome.path));
  } else if (outcome.attempted) {
    ShowMessage(window, DownloadFailureText(outcome));
  }
}

}  // namespace meterlog2::app
