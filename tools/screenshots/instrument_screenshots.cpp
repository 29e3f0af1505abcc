// Saves pictures of the Device commands' windows for the user guide:
//   gui_instrument_screenshots FOLDER   (under Xvfb: xvfb-run -a -s "-screen 0 1280x800x24")
// Writes port-dialog.png, flash-directory.png, configure-device.png, progress-window.png,
// progress-identify.png and no-answer.png.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QTimer>

#include "ScratchState.h"
#include "app/CMainFrame.h"
#include "app/CMeterlog2App.h"
#include "common/CProgressWnd.h"
#include "common/MessageBox.h"
#include "instrument/CConfigComPort.h"
#include "instrument/CConfigUnit.h"
#include "instrument/CFlashFileDirectory.h"
#include "instrument/GuiLinkPrompt.h"
#include "link/LinkMessages.h"

namespace {

bool Save(QWidget* widget, const QDir& folder, const char* name) {
  widget->show();
  widget->activateWindow();
  QApplication::processEvents();
  return widget->grab().save(folder.filePath(QLatin1String(name)));
}

bool SavePortDialog(CMainFrame* frame, const QDir& folder) {
  CConfigComPort port(frame);
  port.SetPorts({"/dev/ttyS0", "/dev/ttyUSB0",
                 "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "/tmp/meter57x"},
                2);
  port.SetLine(LineSettings{});
  return Save(&port, folder, "port-dialog.png");
}

bool SaveFlashDirectory(CMainFrame* frame, const QDir& folder) {
  CFlashFileDirectory directory(frame);
  directory.SetSummary(QStringLiteral("4 Flash Files"));
  for (const char* entry : {"01_standard.57x  2624 bytes", "02_harmonic.57x  9184 bytes",
                            "03_waveform.57x  9184 bytes", "04_tabular.57x  26864 bytes"}) {
    directory.AddEntry(QLatin1String(entry));
  }
  directory.show();
  directory.findChild<QListWidget*>(QStringLiteral("entries"))->setCurrentRow(1);
  return Save(&directory, folder, "flash-directory.png");
}

bool SaveConfigureDevice(CMainFrame* frame, const QDir& folder) {
  ConfigDialogValues values;
  values.firmwareVersion = "21 Sep 2005 57x Power Analyzer Simulator";
  values.deviceDateTime = "Dec 7, 2026 09:30:12";
  values.deviceClock = {2026, 12, 7, 9, 30, 12};
  values.channel1 = 6;
  values.channel2 = 12;
  values.rangeIndex = 1;
  values.polarityIndex = 1;
  values.scaleEnable = 1;
  for (size_t i = 0; i < values.factors.size(); i += 2) values.factors[i] = 1.0f;
  values.factors[12] = 2.5f;
  values.factors[13] = -0.75f;
  CConfigUnit configure(frame);
  configure.SetValues(values);
  return Save(&configure, folder, "configure-device.png");
}

bool SaveProgressWindow(CMainFrame* frame, const QDir& folder) {
  CProgressWnd progress;
  progress.Create(frame, true);
  progress.SetText(QStringLiteral("Receiving Flash File...\nPackets: 37 / Bytes: 4921"));
  TransferProgress transfer;
  transfer.packets = 37;
  transfer.lineBytes = 4921;
  transfer.dataBytes = 37 * 128;
  transfer.expectedBytes = 9184;
  transfer.elapsedMs = 12300;
  ShowTransfer(progress, transfer);
  QApplication::processEvents();
  const bool saved = progress.Window()->grab().save(folder.filePath("progress-window.png"));
  progress.Destroy();
  return saved;
}

bool SaveIdentifyProgress(CMainFrame* frame, const QDir& folder) {
  // While the instrument is asked, with the Cancel button.
  CProgressWnd identify;
  identify.Create(frame, true);
  identify.SetText(QString::fromLatin1(link_text::kInitiate));
  QApplication::processEvents();
  const bool saved = identify.Window()->grab().save(folder.filePath("progress-identify.png"));
  identify.Destroy();
  return saved;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc < 2) return 2;
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  const ScratchState scratch;
  CMeterlog2App app;
  if (!app.InitInstance({})) return 1;
  app.GetMainFrame()->resize(900, 560);

  int failures = 0;
  QTimer::singleShot(500, [&] {
    failures += !SavePortDialog(app.GetMainFrame(), folder);
    failures += !SaveFlashDirectory(app.GetMainFrame(), folder);
    failures += !SaveConfigureDevice(app.GetMainFrame(), folder);
    failures += !SaveProgressWindow(app.GetMainFrame(), folder);
    failures += !SaveIdentifyProgress(app.GetMainFrame(), folder);

    // An instrument that does not answer: the message box as the command shows it.
    LineSettings line;
    line.port = "/dev/ttyUSB0";
    QTimer::singleShot(300, [&] {
      QWidget* box = QApplication::activeModalWidget();
      failures += box == nullptr || !box->grab().save(folder.filePath("no-answer.png"));
      if (box != nullptr) box->close();
    });
    ShowMessage(app.GetMainFrame(),
                QString::fromStdString(FaultText(LinkFault::kNoInstrument, line)));
    QApplication::exit(failures == 0 ? 0 : 1);
  });
  return QApplication::exec();
}
