#pragma once
// The Device menu's flows (Configure, Download Flash File) as the desktop runs them: the serial
// choices of this run, the firmware text of the last identification, one flow at a time, the
// main window kept open and usable whatever way a flow ends.

#include <QObject>
#include <string>

#include "link/ComSettings.h"
#include "link/InstrumentFlows.h"

class QWidget;

namespace meterlog2::app {

class InstrumentController : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

  // Where the flows find and open ports (the system's serial ports by default).
  void SetLinkServices(LinkServices services) { m_linkServices = std::move(services); }

  // `window`: the main window, parent of the flow's dialogs and closed when the program is asked
  // to end during the flow.
  void Configure(QWidget* window);
  // A received file is handed on through FlashFileReceived; a download that broke off is told.
  void DownloadFlashFile(QWidget* window);

 signals:
  void FlashFileReceived(const QString& path);

 private:
  // False when the program was asked to end during the flow (the window is then closed).
  static bool CarryOn(QWidget* window);

  ComSettings m_comSettings;
  std::string m_strFirmwareVersion;
  LinkServices m_linkServices = SystemLinkServices();
  bool m_bFlowRunning = false;
};

}  // namespace meterlog2::app
