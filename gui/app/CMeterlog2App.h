#pragma once
// The application object: owns the main frame, the one document and the one view for the
// whole run, opens files, routes every command and keeps the menu and toolbar states.

#include <QObject>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

#include "DumpWriter.h"
#include "RecentFileList.h"
#include "link/ComSettings.h"
#include "link/InstrumentFlows.h"
#include "log/CMeterlog2Doc.h"

class AssessmentView;
class CMainFrame;
class CMeterlog2View;
class PlotPane;

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
  PlotPane* GetPlotPane() const { return m_pPlotPane; }
  // Tools > Assess Supply Quality's window, once it has been opened (else nullptr).
  AssessmentView* GetAssessmentView() const { return m_pAssessment; }
  CMeterlog2Doc& GetDocument() { return m_doc; }
  RecentFileList& GetRecentFiles() { return m_recentFiles; }
  DumpWriter& GetDumpWriter() { return m_dumpWriter; }
  const QString& GetTitle() const { return m_strTitle; }
  // Where the instrument commands find and open ports (the system's serial ports by default).
  void SetLinkServices(LinkServices services) { m_linkServices = std::move(services); }

  // Opens `path` as the document; false when it did not open (the user has been told), and
  // the log that was open stays as it was.
  bool OpenDocumentFile(const QString& path);

  void OnFileNew();
  void OnFileOpen();
  void OnOpenRecentFile(int index);
  void OnFileSave();
  void OnFilePrint();
  void OnAppAbout();
  void OnConfigure();
  void OnDownloadFlashFile();
  void OnDataFormat(uint32_t value);
  void OnDataFormatRevert();
  void OnAssess();
  // File > Save Assessment Report: the assessment's window, brought up to date, saves it.
  void OnSaveAssessmentReport();

  // Sets every command's enabled and checked state from the document, view and bars.
  void UpdateCommandUI();
  // Calls `done` once the table has next been painted (for timing the first paint).
  void AfterNextTablePaint(std::function<void()> done) { m_afterTablePaint = std::move(done); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A newly loaded log's dump and plots wait until its table has been painted (or a moment has
  // passed without a paint, as for a window that is not shown).
  void HoldUntilTablePainted();
  void ReleaseAfterTablePaint();
  void OnDiagnosticDump(bool enabled);
  void SetTitle(const QString& title);
  // The plot pane and the assessment follow the document: a new log, or none, or (sameLog) the
  // same log read in another byte order, which keeps what was declared for it.
  void ShowDocumentInPlots(bool sameLog = false);
  // Whether the other byte order reads better, for the status bar's hint.
  void JudgeDataFormat();
  void ConnectCommands();
  void RegisterShellFileTypes();

  CMeterlog2Doc m_doc;
  std::unique_ptr<CMainFrame> m_pFrame;
  CMeterlog2View* m_pView = nullptr;        // owned by the frame
  PlotPane* m_pPlotPane = nullptr;          // owned by the frame's dock
  AssessmentView* m_pAssessment = nullptr;  // owned by the frame; made when first asked for
  // The log or its byte order changed while the assessment window was hidden.
  bool m_bAssessDocPending = false, m_bAssessRefreshPending = false;
  bool m_bOtherFormatHint = false;  // the other byte order reads better (status bar)
  uint32_t m_declaredRecords = 0;   // a log opened with fewer records: the number it declares
  QString m_strFileName;            // the open log's file name, for the title
  LoadResult::Status m_lastLoadStatus = LoadResult::Status::kLoaded;
  RecentFileList m_recentFiles;
  DumpWriter m_dumpWriter;
  bool m_bHeldForPaint = false;
  std::function<void()> m_afterTablePaint;
  QString m_strTitle;

  // The serial-link choices of this run and the last identification's firmware text.
  ComSettings m_comSettings;
  std::string m_strFirmwareVersion;
  LinkServices m_linkServices = SystemLinkServices();
  bool m_bFlowRunning = false;
};
