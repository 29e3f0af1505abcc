#pragma once
// The application object: creates the main frame and the one view for the whole run, and routes
// every command to its handler. It delegates the open log to a LogSession, the commands' states
// to CommandStates and the Device menu's flows to an InstrumentController.

#include <QObject>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

#include "CommandStates.h"
#include "InstrumentController.h"
#include "LogSession.h"
#include "RecentFileList.h"
#include "log/DumpWriter.h"

class AssessmentView;
class CMainFrame;
class CMeterlog2View;
namespace meterlog2::plotpane {
class PlotPane;
}

class CMeterlog2App : public QObject {
  Q_OBJECT
 public:
  CMeterlog2App();
  ~CMeterlog2App() override;

  // Start-up: frame, view, settings, then the command line (`arguments` without the program
  // name): nothing gives an empty document, a path opens that file. False when the file
  // could not be opened; the user has been told why and the program should end.
  bool InitInstance(const QStringList& arguments, bool showWindow = true);

  CMainFrame* GetMainFrame() const { return m_pFrame.get(); }
  CMeterlog2View* GetView() const { return m_pView; }
  CMeterlog2Doc& GetDocument() { return m_session.Document(); }
  RecentFileList& GetRecentFiles() { return m_recentFiles; }
  meterlog2::log::DumpWriter& GetDumpWriter() { return m_dumpWriter; }
  const QString& GetTitle() const { return m_strTitle; }
  // Where the instrument commands find and open ports (the system's serial ports by default).
  void SetLinkServices(LinkServices services) { m_instrument.SetLinkServices(std::move(services)); }

  // Opens `path` as the document; false when it did not open (the user has been told), and
  // the log that was open stays as it was.
  bool OpenDocumentFile(const QString& path);

  void OnFileNew();
  void OnFileOpen();
  void OnOpenRecentFile(int index);
  void OnAppAbout();
  void OnConfigure();
  void OnDownloadFlashFile();
  void OnDataFormat(uint32_t value);
  void OnDataFormatRevert();
  void OnAssess();
  // File > Save Assessment Report: the assessment's window, brought up to date, saves it.
  void OnSaveAssessmentReport();

  // Calls `done` once the table has next been painted (for timing the first paint).
  void AfterNextTablePaint(std::function<void()> done) { m_afterTablePaint = std::move(done); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateWindows();
  // The first argument that is not an option names the file to open. False when it could not
  // be read (the start ends).
  bool ProcessCommandLine(const QStringList& arguments);
  // The table, the plots and the assessment follow the session.
  void OnLogReplaced();
  void OnDataFormatChanged();
  // A newly loaded log's dump and plots wait until its table has been painted (or a moment has
  // passed without a paint, as for a window that is not shown).
  void HoldUntilTablePainted();
  void ReleaseAfterTablePaint();
  void OnDiagnosticDump(bool enabled);
  void SetTitle(const QString& title);
  // The plot pane and the assessment follow the document: a new log, or none, or (sameLog) the
  // same log read in another byte order, which keeps what was declared for it.
  void ShowDocumentInPlots(bool sameLog = false);
  void ConnectCommands();
  void ConnectViewCommands();
  void RegisterShellFileTypes();

  meterlog2::app::LogSession m_session;
  std::unique_ptr<CMainFrame> m_pFrame;
  CMeterlog2View* m_pView = nullptr;                     // owned by the frame
  meterlog2::plotpane::PlotPane* m_pPlotPane = nullptr;  // owned by the frame's dock
  AssessmentView* m_pAssessment = nullptr;  // owned by the frame; made when first asked for
  std::unique_ptr<meterlog2::app::CommandStates> m_pStates;
  meterlog2::app::InstrumentController m_instrument;
  // The log or its byte order changed while the assessment window was hidden.
  bool m_bAssessDocPending = false, m_bAssessRefreshPending = false;
  RecentFileList m_recentFiles;
  meterlog2::log::DumpWriter m_dumpWriter;
  bool m_bHeldForPaint = false;
  std::function<void()> m_afterTablePaint;
  QString m_strTitle;
};
