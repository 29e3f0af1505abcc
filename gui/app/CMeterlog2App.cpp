#include "CMeterlog2App.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <utility>

#include "AboutDialog.h"
#include "CMainFrame.h"
#include "DumpStatus.h"
#include "assessment/AssessmentView.h"
#include "common/DateFormat.h"
#include "common/Settings.h"
#include "common/SettingsKeys.h"
#include "log/LogTypes.h"
#include "plotpane/PlotPane.h"
#include "view/CMeterlog2View.h"

#include "file/WindowsApi.h"

using meterlog2::app::CommandStates;
using meterlog2::app::InstrumentController;
using meterlog2::app::LogSession;
using meterlog2::plotpane::PlotPane;

using meterlog2::log::DumpFilePath;
using meterlog2::log::DumpWriter;

namespace {

const char kOpenFilter[] = "Meterlog Files (*.57x);;All Files (*)";
// How long a new log's dump and plots wait at most for its table's first paint.
constexpr int kPaintWaitMs = 2000;

}  // namespace

CMeterlog2App::CMeterlog2App() = default;

CMeterlog2App::~CMeterlog2App() {
  // The frame goes first so that the window disappears while a queued dump finishes.
  m_pStates.reset();
  m_pFrame.reset();
}

bool CMeterlog2App::InitInstance(const QStringList& arguments, bool showWindow) {
#if defined(Q_OS_WIN)
  // Held for the life of the process; a second copy of the program runs all the same.
  static HANDLE mutex = CreateMutexA(nullptr, FALSE, "Corvane_Meterlog2");
  (void)mutex;
#endif
  m_recentFiles.ReadList();
  m_dumpWriter.SetEnabled(
      OpenSettings()->value(meterlog2::common::kDiagnosticDumpKey, true).toBool());
  CreateWindows();
  ConnectCommands();
  ConnectViewCommands();
  RegisterShellFileTypes();
  if (!ProcessCommandLine(arguments)) return false;

  if (showWindow) {
    m_pFrame->show();
    m_pView->setFocus();
  } else {
    ReleaseAfterTablePaint();  // no paint to wait for
  }
  m_pStates->Refresh();
  return true;
}

void CMeterlog2App::CreateWindows() {
  m_pFrame = std::make_unique<CMainFrame>();
  m_pView = new CMeterlog2View(m_pFrame.get());
  m_pView->SetDocument(&m_session.Document());
  m_pFrame->setCentralWidget(m_pView);
  m_pPlotPane = new PlotPane;
  m_pPlotPane->setObjectName(QStringLiteral("plotPane"));
  m_pFrame->AddPlotPane(m_pPlotPane);
  m_pFrame->UpdateRecentFileMenu(m_recentFiles);
  m_pFrame->GetCommands().diagnosticDump->setChecked(m_dumpWriter.Enabled());
  m_pFrame->statusBar()->installEventFilter(this);
  m_pView->viewport()->installEventFilter(this);
  // The table, the plots and the assessment follow the log before the commands' states do.
  connect(&m_session, &LogSession::LogReplaced, this, &CMeterlog2App::OnLogReplaced);
  connect(&m_session, &LogSession::DataFormatChanged, this, &CMeterlog2App::OnDataFormatChanged);
  m_pStates = std::make_unique<CommandStates>(m_pFrame.get(), m_pView, &m_session);
}

bool CMeterlog2App::ProcessCommandLine(const QStringList& arguments) {
  QString path;
  bool optionsEnded = false;
  for (const QString& argument : arguments) {
    if (!optionsEnded && argument == QLatin1String("--")) {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && argument.startsWith(QLatin1Char('-'))) continue;
    path = argument;
    break;
  }
  if (path.isEmpty()) {
    OnFileNew();
  } else if (!OpenDocumentFile(path)) {
    // A file that could not be read ends the start; one that was read and is no log (or a
    // declined salvage) leaves the program running without a log.
    LoadResult last;
    last.status = m_session.LastLoadStatus();
    if (!last.Opened()) return false;
    OnFileNew();
  }
  return true;
}

void CMeterlog2App::ConnectCommands() {
  const CMainFrame::Commands& c = m_pFrame->GetCommands();
  connect(c.fileNew, &QAction::triggered, this, &CMeterlog2App::OnFileNew);
  connect(c.fileOpen, &QAction::triggered, this, &CMeterlog2App::OnFileOpen);
  connect(c.appExit, &QAction::triggered, m_pFrame.get(), &QWidget::close);
  connect(c.format0001, &QAction::triggered, this, [this] { OnDataFormat(kDataFormat0001); });
  connect(c.format0100, &QAction::triggered, this, [this] { OnDataFormat(kDataFormat0100); });
  connect(c.formatRevert, &QAction::triggered, this, &CMeterlog2App::OnDataFormatRevert);
  connect(c.assess, &QAction::triggered, this, &CMeterlog2App::OnAssess);
  connect(c.saveReport, &QAction::triggered, this, &CMeterlog2App::OnSaveAssessmentReport);
  for (QAction* date : {c.dateLog, c.dateIso, c.dateLocale})
    connect(date, &QAction::triggered, this,
            [date] { SetDateFormat(static_cast<TimeStyle>(date->data().toInt())); });
  connect(c.diagnosticDump, &QAction::triggered, this, &CMeterlog2App::OnDiagnosticDump);
  connect(c.configure, &QAction::triggered, this, &CMeterlog2App::OnConfigure);
  connect(c.download, &QAction::triggered, this, &CMeterlog2App::OnDownloadFlashFile);
  connect(&m_instrument, &InstrumentController::FlashFileReceived, this,
          &CMeterlog2App::OpenDocumentFile);
  connect(c.appAbout, &QAction::triggered, this, &CMeterlog2App::OnAppAbout);
  connect(m_pFrame.get(), &CMainFrame::RecentFileChosen, this, &CMeterlog2App::OnOpenRecentFile);
  connect(m_pFrame.get(), &CMainFrame::FileDropped, this,
          [this](const QString& path) { OpenDocumentFile(path); });
}

// The view's commands, and the view and the plot pane following each other.
void CMeterlog2App::ConnectViewCommands() {
  const CMainFrame::Commands& c = m_pFrame->GetCommands();
  connect(c.exportCsv, &QAction::triggered, m_pView, &CMeterlog2View::OnExportCsv);
  connect(c.editCopy, &QAction::triggered, m_pView, &CMeterlog2View::OnEditCopy);
  connect(c.selectColumns, &QAction::triggered, m_pView, &CMeterlog2View::OnSelectColumns);
  connect(c.statistics, &QAction::triggered, m_pView, &CMeterlog2View::OnStatistics);
  connect(c.freezeTime, &QAction::toggled, m_pView, &CMeterlog2View::SetFreezeTime);
  connect(c.goToTime, &QAction::triggered, m_pView, &CMeterlog2View::OnGoToTime);
  connect(m_pView, &CMeterlog2View::TitleChanged, this, &CMeterlog2App::SetTitle);
  connect(m_pView, &CMeterlog2View::CurrentRowChanged, m_pPlotPane, &PlotPane::SetCurrentRow);
  connect(m_pPlotPane, &PlotPane::RowChosen, m_pView, &CMeterlog2View::SelectRow);
  connect(m_pView, &CMeterlog2View::PlotColumnRequested, this, [this](int id, bool add) {
    m_pFrame->GetPlotDock()->show();
    if (add)
      m_pPlotPane->AddColumn(id);
    else
      m_pPlotPane->PlotColumns({id});
  });
}

void CMeterlog2App::RegisterShellFileTypes() {
#if defined(Q_OS_WIN)
  // The current user's file type, written at every start so that a moved program still opens
  // its files. Other systems get theirs from the installed desktop entry and MIME type.
  QSettings classes(QStringLiteral("HKEY_CURRENT_USER\\Software\\Classes"),
                    QSettings::NativeFormat);
  const QString program = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
  classes.setValue(QStringLiteral(".57x/Default"), QStringLiteral("Meterlog.Document"));
  classes.setValue(QStringLiteral("Meterlog.Document/Default"),
                   QStringLiteral("Meterlog.Document"));
  classes.setValue(QStringLiteral("Meterlog.Document/DefaultIcon/Default"),
                   QStringLiteral("\"%1\",0").arg(program));
  classes.setValue(QStringLiteral("Meterlog.Document/shell/open/command/Default"),
                   QStringLiteral("\"%1\" \"%2\"").arg(program, QStringLiteral("%1")));
#endif
}

void CMeterlog2App::SetTitle(const QString& title) {
  m_strTitle = title;
  if (!m_pFrame) return;
  QString shown = title;
  if (!shown.isEmpty() && m_session.DeclaredRecords() > 0)
    shown += QStringLiteral(" (salvaged: %1 of %2 records)")
                 .arg(m_session.Document().GetRecordCount())
                 .arg(m_session.DeclaredRecords());
  // The file's name first: it is what tells two windows (and two logs of one day) apart.
  if (!shown.isEmpty() && !m_session.FileName().isEmpty())
    shown = m_session.FileName() + ": " + shown;
  m_pFrame->SetDocumentTitle(shown);
}

bool CMeterlog2App::OpenDocumentFile(const QString& path) {
  if (!m_session.Open(path, m_pFrame.get())) return false;
  m_recentFiles.Add(path);
  m_recentFiles.WriteList();
  m_pFrame->UpdateRecentFileMenu(m_recentFiles);
  return true;
}

void CMeterlog2App::OnLogReplaced() {
  if (!m_session.SourcePath().isEmpty()) {
    // Written from a copy of the records on a worker thread once the table has been painted.
    HoldUntilTablePainted();
    m_dumpWriter.Enqueue(m_session.Document(), DumpFilePath());
  }
  m_pView->SetSourcePath(m_session.SourcePath());
  m_pView->OnInitialUpdate();
  ShowDocumentInPlots();
}

void CMeterlog2App::OnDataFormatChanged() {
  const CMeterlog2Doc& doc = m_session.Document();
  if (doc.GetFirstLogType() == kThreePhaseVectorLog) {
    // The vector layout has its own columns: a new column list, all shown.
    m_pView->BuildColumns(kThreePhaseVectorLog, doc.GetDataFormat());
    m_pView->RebuildTable();
    ShowDocumentInPlots(true);
    return;
  }
  m_pView->RepaintCells();
  m_pPlotPane->Refresh();
  m_bAssessRefreshPending = true;
  if (m_pAssessment != nullptr && m_pAssessment->isVisible()) OnAssess();
}

void CMeterlog2App::HoldUntilTablePainted() {
  if (m_bHeldForPaint) return;
  m_bHeldForPaint = true;
  m_dumpWriter.Hold();
  if (m_pPlotPane) m_pPlotPane->HoldDrawing();
  QTimer::singleShot(kPaintWaitMs, this, &CMeterlog2App::ReleaseAfterTablePaint);
}

void CMeterlog2App::ReleaseAfterTablePaint() {
  if (!m_bHeldForPaint) return;
  m_bHeldForPaint = false;
  m_dumpWriter.Release();
  if (m_pPlotPane) m_pPlotPane->ReleaseDrawing();
}

bool CMeterlog2App::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint && m_pView && watched == m_pView->viewport()) {
    // Once this paint is done.
    if (m_bHeldForPaint) QTimer::singleShot(0, this, &CMeterlog2App::ReleaseAfterTablePaint);
    if (m_afterTablePaint) QTimer::singleShot(0, this, std::exchange(m_afterTablePaint, nullptr));
  } else if (event->type() == QEvent::ToolTip && m_pFrame && watched == m_pFrame->statusBar()) {
    m_pFrame->statusBar()->setToolTip(DumpStatusLine(m_dumpWriter, DumpFilePath()));
  }
  return QObject::eventFilter(watched, event);
}

void CMeterlog2App::OnDiagnosticDump(bool enabled) {
  m_dumpWriter.SetEnabled(enabled);
  OpenSettings()->setValue(meterlog2::common::kDiagnosticDumpKey, enabled);
}

void CMeterlog2App::OnFileNew() {
  m_session.Close();
}

void CMeterlog2App::ShowDocumentInPlots(bool sameLog) {
  if (m_pPlotPane != nullptr)
    m_pPlotPane->SetDocument(&m_session.Document(), m_pView->GetColumnList().Entries(),
                             m_session.SourcePath());
  // The assessment follows the log; a hidden window catches up when it is shown again. The same
  // log read in another byte order keeps the inputs declared for it (its Un above all).
  (sameLog ? m_bAssessRefreshPending : m_bAssessDocPending) = true;
  if (m_pAssessment != nullptr && m_pAssessment->isVisible()) OnAssess();
}

void CMeterlog2App::OnAssess() {
  if (m_pAssessment == nullptr) {
    m_pAssessment = new AssessmentView(m_pFrame.get());
    m_pAssessment->setObjectName(QStringLiteral("assessmentView"));
    m_bAssessDocPending = true;
  }
  if (m_bAssessDocPending) {
    m_pAssessment->SetDocument(&m_session.Document(), m_session.SourcePath());
  } else if (m_bAssessRefreshPending) {
    m_pAssessment->Refresh();
  }
  m_bAssessDocPending = m_bAssessRefreshPending = false;
  m_pAssessment->show();
  m_pAssessment->raise();
  m_pAssessment->activateWindow();
}

void CMeterlog2App::OnSaveAssessmentReport() {
  if (!m_session.HasRecords()) return;
  OnAssess();
  m_pAssessment->SaveReport();
}

void CMeterlog2App::OnFileOpen() {
  // The folder of the last file opened through this dialog, else of the newest recent file.
  QString folder = OpenSettings()->value(meterlog2::common::kOpenFolderKey).toString();
  if ((folder.isEmpty() || !QFileInfo(folder).isDir()) && m_recentFiles.GetSize() > 0)
    folder = QFileInfo(m_recentFiles[0]).absolutePath();
  const QString path = QFileDialog::getOpenFileName(m_pFrame.get(), QStringLiteral("Open"), folder,
                                                    QLatin1String(kOpenFilter));
  if (path.isEmpty()) return;
  OpenSettings()->setValue(meterlog2::common::kOpenFolderKey, QFileInfo(path).absolutePath());
  OpenDocumentFile(path);
}

void CMeterlog2App::OnOpenRecentFile(int index) {
  if (index < 0 || index >= m_recentFiles.GetSize()) return;
  const QString path = m_recentFiles[index];
  if (!OpenDocumentFile(path)) {
    // A file that no longer opens leaves the list, as the user has just been told.
    const int at = static_cast<int>(m_recentFiles.Files().indexOf(path));
    if (at >= 0) {
      m_recentFiles.Remove(at);
      m_recentFiles.WriteList();
      m_pFrame->UpdateRecentFileMenu(m_recentFiles);
    }
  }
}

void CMeterlog2App::OnAppAbout() {
  AboutDialog dialog(m_pFrame.get(), &m_dumpWriter);
  dialog.exec();
}

void CMeterlog2App::OnConfigure() {
  m_instrument.Configure(m_pFrame.get());
}

void CMeterlog2App::OnDownloadFlashFile() {
  m_instrument.DownloadFlashFile(m_pFrame.get());
}

void CMeterlog2App::OnDataFormat(uint32_t value) {
  m_session.SetDataFormat(value);
}

void CMeterlog2App::OnDataFormatRevert() {
  OnDataFormat(m_session.Document().GetDetectedDataFormat());
}
