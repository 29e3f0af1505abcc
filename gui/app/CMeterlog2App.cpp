#include "CMeterlog2App.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <utility>

#include "AboutDialog.h"
#include "CMainFrame.h"
#include "DumpStatus.h"
#include "assessment/AssessmentView.h"
#include "common/DateFormat.h"
#include "common/MessageBox.h"
#include "common/QtPath.h"
#include "common/Settings.h"
#include "common/WaitCursor.h"
#include "file/Interrupt.h"
#include "instrument/GuiLinkPrompt.h"
#include "log/LogSearch.h"
#include "log/LogTypes.h"
#include "plot/PlotPane.h"
#include "view/CMeterlog2View.h"

#include "file/WindowsApi.h"

namespace {

const char kOpenFilter[] = "Meterlog Files (*.57x);;All Files (*)";
// How long a new log's dump and plots wait at most for its table's first paint.
constexpr int kPaintWaitMs = 2000;

}  // namespace

CMeterlog2App::CMeterlog2App() = default;

CMeterlog2App::~CMeterlog2App() {
  // The frame goes first so that the window disappears while a queued dump finishes.
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
      OpenSettings()->value(QStringLiteral("Settings/DiagnosticDump"), true).toBool());

  m_pFrame = std::make_unique<CMainFrame>();
  m_pView = new CMeterlog2View(m_pFrame.get());
  m_pView->SetDocument(&m_doc);
  m_pFrame->setCentralWidget(m_pView);
  m_pPlotPane = new PlotPane;
  m_pFrame->AddPlotPane(m_pPlotPane);
  connect(m_pView, &CMeterlog2View::CurrentRowChanged, m_pPlotPane, &PlotPane::SetCurrentRow);
  connect(m_pPlotPane, &PlotPane::RowChosen, m_pView, &CMeterlog2View::SelectRow);
  connect(m_pView, &CMeterlog2View::PlotColumnRequested, this, [this](int id, bool add) {
    m_pFrame->GetPlotDock()->show();
    if (add)
      m_pPlotPane->AddColumn(id);
    else
      m_pPlotPane->PlotColumns({id});
  });
  m_pFrame->UpdateRecentFileMenu(m_recentFiles);
  connect(m_pView, &CMeterlog2View::TitleChanged, this, &CMeterlog2App::SetTitle);
  connect(m_pView, &CMeterlog2View::SelectionStateChanged, this, &CMeterlog2App::UpdateCommandUI);
  ConnectCommands();
  RegisterShellFileTypes();
  m_pFrame->statusBar()->installEventFilter(this);
  m_pView->viewport()->installEventFilter(this);

  // The first argument that is not an option names the file to open.
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
    last.status = m_lastLoadStatus;
    if (!last.Opened()) return false;
    OnFileNew();
  }

  if (showWindow) {
    m_pFrame->show();
    m_pView->setFocus();
  } else {
    ReleaseAfterTablePaint();  // no paint to wait for
  }
  UpdateCommandUI();
  m_comSettings.FillComOptions();
  return true;
}

void CMeterlog2App::ConnectCommands() {
  const CMainFrame::Commands& c = m_pFrame->GetCommands();
  connect(c.fileNew, &QAction::triggered, this, &CMeterlog2App::OnFileNew);
  connect(c.fileOpen, &QAction::triggered, this, &CMeterlog2App::OnFileOpen);
  connect(c.fileSave, &QAction::triggered, this, &CMeterlog2App::OnFileSave);
  connect(c.filePrint, &QAction::triggered, this, &CMeterlog2App::OnFilePrint);
  connect(c.exportCsv, &QAction::triggered, this, [this] {
    m_pView->OnExportCsv();
    UpdateCommandUI();
  });
  connect(c.appExit, &QAction::triggered, m_pFrame.get(), &QWidget::close);
  connect(c.editCopy, &QAction::triggered, m_pView, &CMeterlog2View::OnEditCopy);
  connect(c.format0001, &QAction::triggered, this, [this] { OnDataFormat(kDataFormat0001); });
  connect(c.format0100, &QAction::triggered, this, [this] { OnDataFormat(kDataFormat0100); });
  connect(c.formatRevert, &QAction::triggered, this, &CMeterlog2App::OnDataFormatRevert);
  // "Unknown" has no handler: choosing it only restores the check marks.
  connect(c.formatUnknown, &QAction::triggered, this, &CMeterlog2App::UpdateCommandUI);
  connect(c.selectColumns, &QAction::triggered, this, [this] {
    m_pView->OnSelectColumns();
    UpdateCommandUI();
  });
  connect(c.statistics, &QAction::triggered, m_pView, &CMeterlog2View::OnStatistics);
  connect(c.assess, &QAction::triggered, this, &CMeterlog2App::OnAssess);
  connect(c.saveReport, &QAction::triggered, this, &CMeterlog2App::OnSaveAssessmentReport);
  connect(c.freezeTime, &QAction::toggled, m_pView, &CMeterlog2View::SetFreezeTime);
  connect(c.goToTime, &QAction::triggered, m_pView, &CMeterlog2View::OnGoToTime);
  for (QAction* date : {c.dateLog, c.dateIso, c.dateLocale})
    connect(date, &QAction::triggered, this,
            [date] { SetDateFormat(static_cast<DateFormat>(date->data().toInt())); });
  connect(DateFormatChanges(), &DateFormatNotifier::Changed, this, &CMeterlog2App::UpdateCommandUI);
  connect(m_pView, &CMeterlog2View::CurrentRowChanged, this, &CMeterlog2App::UpdateCommandUI);
  connect(c.viewToolbar, &QAction::triggered, this, &CMeterlog2App::UpdateCommandUI);
  connect(c.viewStatusBar, &QAction::triggered, this, &CMeterlog2App::UpdateCommandUI);
  connect(c.diagnosticDump, &QAction::triggered, this, &CMeterlog2App::OnDiagnosticDump);
  connect(c.configure, &QAction::triggered, this, &CMeterlog2App::OnConfigure);
  connect(c.download, &QAction::triggered, this, &CMeterlog2App::OnDownloadFlashFile);
  connect(c.appAbout, &QAction::triggered, this, &CMeterlog2App::OnAppAbout);
  connect(m_pFrame.get(), &CMainFrame::MenuAboutToShow, this, &CMeterlog2App::UpdateCommandUI);
  connect(m_pFrame.get(), &CMainFrame::RecentFileChosen, this, &CMeterlog2App::OnOpenRecentFile);
  connect(m_pFrame.get(), &CMainFrame::FileDropped, this,
          [this](const QString& path) { OpenDocumentFile(path); });
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
  if (!shown.isEmpty() && m_declaredRecords > 0)
    shown += QStringLiteral(" (salvaged: %1 of %2 records)")
                 .arg(m_doc.GetRecordCount())
                 .arg(m_declaredRecords);
  // The file's name first: it is what tells two windows (and two logs of one day) apart.
  if (!shown.isEmpty() && !m_strFileName.isEmpty()) shown = m_strFileName + ": " + shown;
  m_pFrame->SetDocumentTitle(shown);
}

namespace {

// The loader's own message, then what is wrong in words after the file's name.
QString LoadFailureText(const QString& path, const LoadResult& result) {
  QString text = QString::fromStdString(result.message);
  if (!result.problem.empty())
    text += QStringLiteral("\n\n%1 %2.")
                .arg(QDir::toNativeSeparators(path), QString::fromStdString(result.problem));
  return text;
}

}  // namespace

bool CMeterlog2App::OpenDocumentFile(const QString& path) {
  // Read into a document of its own: the log that is open stays as it is, title, table and
  // plots, unless this file opens.
  CMeterlog2Doc loaded;
  LoadResult result;
  {
    WaitCursor wait;
    result = loaded.Load(PathFromQString(path));
  }
  // A file cut short (a download that broke off) still holds its complete records: offered in
  // one question, never taken without asking.
  if (result.status == LoadResult::Status::kFileSize && result.completeRecords > 0) {
    const QString question =
        LoadFailureText(path, result) +
        QStringLiteral("\n\nOpen the %1 complete records?").arg(result.completeRecords);
    if (AskYesNo(m_pFrame.get(), question, true)) {
      WaitCursor wait;
      result = loaded.Load(PathFromQString(path), true);
    } else {
      result.message.clear();  // answered: nothing more to say
      result.problem.clear();
    }
  }
  m_lastLoadStatus = result.status;
  if (result.status != LoadResult::Status::kLoaded) {
    if (!result.message.empty()) ShowMessage(m_pFrame.get(), LoadFailureText(path, result));
    UpdateCommandUI();
    return false;
  }

  m_doc = std::move(loaded);
  // Written from a copy of the records on a worker thread once the table has been painted.
  HoldUntilTablePainted();
  m_dumpWriter.Enqueue(m_doc, DumpFilePath());
  m_declaredRecords = result.salvaged ? result.declaredRecords : 0;
  m_strFileName = QFileInfo(path).fileName();
  m_recentFiles.Add(path);
  m_recentFiles.WriteList();
  m_pFrame->UpdateRecentFileMenu(m_recentFiles);
  m_pView->SetSourcePath(path);
  m_pView->OnInitialUpdate();
  ShowDocumentInPlots();
  UpdateCommandUI();
  return true;
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
  OpenSettings()->setValue(QStringLiteral("Settings/DiagnosticDump"), enabled);
  UpdateCommandUI();
}

void CMeterlog2App::OnFileNew() {
  m_doc.OnNewDocument();
  m_declaredRecords = 0;
  m_strFileName.clear();
  SetTitle(QStringLiteral("Untitled"));
  m_pView->SetSourcePath(QString());
  m_pView->OnInitialUpdate();
  ShowDocumentInPlots();
  UpdateCommandUI();
}

void CMeterlog2App::JudgeDataFormat() {
  m_bOtherFormatHint = OtherDataFormatLooksRight(m_doc);
}

void CMeterlog2App::ShowDocumentInPlots(bool sameLog) {
  JudgeDataFormat();
  if (m_pPlotPane != nullptr)
    m_pPlotPane->SetDocument(&m_doc, m_pView->GetColumnList().Entries(), m_pView->GetSourcePath());
  // The assessment follows the log; a hidden window catches up when it is shown again. The same
  // log read in another byte order keeps the inputs declared for it (its Un above all).
  (sameLog ? m_bAssessRefreshPending : m_bAssessDocPending) = true;
  if (m_pAssessment != nullptr && m_pAssessment->isVisible()) OnAssess();
}

void CMeterlog2App::OnAssess() {
  if (m_pAssessment == nullptr) {
    m_pAssessment = new AssessmentView(m_pFrame.get());
    m_bAssessDocPending = true;
  }
  if (m_bAssessDocPending) {
    m_pAssessment->SetDocument(&m_doc, m_pView->GetSourcePath());
  } else if (m_bAssessRefreshPending) {
    m_pAssessment->Refresh();
  }
  m_bAssessDocPending = m_bAssessRefreshPending = false;
  m_pAssessment->show();
  m_pAssessment->raise();
  m_pAssessment->activateWindow();
}

void CMeterlog2App::OnSaveAssessmentReport() {
  if (m_doc.GetRecordCount() == 0) return;
  OnAssess();
  m_pAssessment->SaveReport();
}

void CMeterlog2App::OnFileOpen() {
  // The folder of the last file opened through this dialog, else of the newest recent file.
  QString folder = OpenSettings()->value(QStringLiteral("Folders/Open")).toString();
  if ((folder.isEmpty() || !QFileInfo(folder).isDir()) && m_recentFiles.GetSize() > 0)
    folder = QFileInfo(m_recentFiles[0]).absolutePath();
  const QString path = QFileDialog::getOpenFileName(m_pFrame.get(), QStringLiteral("Open"), folder,
                                                    QLatin1String(kOpenFilter));
  if (path.isEmpty()) return;
  OpenSettings()->setValue(QStringLiteral("Folders/Open"), QFileInfo(path).absolutePath());
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

void CMeterlog2App::OnFileSave() {
  // The program never writes a log file; saving the table is what Export to CSV is for.
  m_pFrame->statusBar()->showMessage(
      QStringLiteral("The log file is never changed. Use File > Export to CSV to save the table."),
      6000);
}

void CMeterlog2App::OnFilePrint() {
  m_pFrame->statusBar()->showMessage(
      QStringLiteral("Printing is not offered. Use File > Export to CSV or Edit > Copy."), 6000);
}

void CMeterlog2App::OnAppAbout() {
  AboutDialog dialog(m_pFrame.get(), &m_dumpWriter);
  dialog.exec();
}

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

void CMeterlog2App::OnConfigure() {
  if (m_bFlowRunning) return;
  {
    FlowGuard guard(m_bFlowRunning, m_pFrame.get());
    GuiLinkPrompt prompt(m_pFrame.get());
    ConfigureDevice(m_comSettings, prompt, m_linkServices);
  }
  if (InterruptSignal() != 0) m_pFrame->close();
}

void CMeterlog2App::OnDownloadFlashFile() {
  if (m_bFlowRunning) return;
  DownloadOutcome outcome;
  {
    FlowGuard guard(m_bFlowRunning, m_pFrame.get());
    GuiLinkPrompt prompt(m_pFrame.get());
    outcome = DownloadFlashFile(m_comSettings, prompt, m_linkServices, m_strFirmwareVersion);
  }
  if (InterruptSignal() != 0) {
    // The program was asked to end during the download: no dialogs now, just close.
    m_pFrame->close();
    return;
  }
  if (outcome.received) {
    OpenDocumentFile(QStringFromPath(outcome.path));
  } else if (outcome.attempted) {
    ShowMessage(m_pFrame.get(), DownloadFailureText(outcome));
  }
}

void CMeterlog2App::OnDataFormat(uint32_t value) {
  if (m_doc.SetDataFormat(value) == -1) {
    UpdateCommandUI();
    return;
  }
  if (m_doc.GetFirstLogType() == kThreePhaseVectorLog) {
    // The vector layout has its own columns: a new column list, all shown.
    m_pView->BuildColumns(kThreePhaseVectorLog, value);
    m_pView->RebuildTable();
    ShowDocumentInPlots(true);
  } else {
    m_pView->RepaintCells();
    m_pPlotPane->Refresh();
    JudgeDataFormat();
    m_bAssessRefreshPending = true;
    if (m_pAssessment != nullptr && m_pAssessment->isVisible()) OnAssess();
  }
  UpdateCommandUI();
}

void CMeterlog2App::OnDataFormatRevert() {
  OnDataFormat(m_doc.GetDetectedDataFormat());
}

void CMeterlog2App::UpdateCommandUI() {
  if (!m_pFrame) return;
  const CMainFrame::Commands& c = m_pFrame->GetCommands();
  const bool hasRecords = m_doc.GetRecordCount() > 0;
  c.exportCsv->setEnabled(hasRecords);
  c.selectColumns->setEnabled(hasRecords);
  c.statistics->setEnabled(hasRecords);
  c.assess->setEnabled(hasRecords);
  c.saveReport->setEnabled(hasRecords);
  c.goToTime->setEnabled(hasRecords);
  c.viewPlots->setChecked(!m_pFrame->GetPlotDock()->isHidden());
  m_pFrame->GetDataFormatMenu()->menuAction()->setEnabled(hasRecords);
  c.editCopy->setEnabled(m_pView->HasSelection());

  const uint32_t current = m_doc.GetDataFormat();
  c.formatUnknown->setEnabled(current == kDataFormatUnknown);
  c.formatUnknown->setChecked(current == kDataFormatUnknown);
  c.format0001->setChecked(current == kDataFormat0001);
  c.format0100->setChecked(current == kDataFormat0100);
  c.formatRevert->setEnabled(current != m_doc.GetDetectedDataFormat());

  c.viewToolbar->setChecked(!m_pFrame->GetToolBar()->isHidden());
  const DateFormat dates = CurrentDateFormat();
  c.dateLog->setChecked(dates == DateFormat::kLog);
  c.dateIso->setChecked(dates == DateFormat::kIso);
  c.dateLocale->setChecked(dates == DateFormat::kLocale);
  c.diagnosticDump->setChecked(m_dumpWriter.Enabled());

  // The status bar: how many records, which byte order, how many selected, and a word when
  // the other byte order reads better.
  const unsigned records = m_doc.GetRecordCount();
  const unsigned selected = m_pView->SelectedRowCount();
  const QString format = QString::fromLatin1(DataFormatName(current));
  QString hint;
  if (m_bOtherFormatHint)
    hint = QStringLiteral("The values look wrong in this byte order: try View > Data Format > %1")
               .arg(QLatin1String(
                   DataFormatName(current == kDataFormat0001 ? kDataFormat0100 : kDataFormat0001)));
  QString count;
  if (hasRecords && m_declaredRecords > 0)
    count = QStringLiteral("%1 of %2 records (salvaged)").arg(records).arg(m_declaredRecords);
  else if (hasRecords)
    count = QStringLiteral("%1 record%2").arg(records).arg(records == 1 ? "" : "s");
  m_pFrame->SetLogStatus(count, hasRecords ? format : QString(),
                         selected > 0 ? QStringLiteral("%1 selected").arg(selected) : QString(),
                         hint);
  c.viewStatusBar->setChecked(!m_pFrame->statusBar()->isHidden());

  // The current record and its time, in the chosen date format.
  const QModelIndex at = m_pView->currentIndex();
  QString where;
  int64_t seconds;
  if (at.isValid() && m_doc.GetTimeSeconds(seconds, unsigned(at.row())))
    where = QStringLiteral("Record %1: %2").arg(at.row() + 1).arg(RecordTimeText(seconds));
  else if (at.isValid() && unsigned(at.row()) < records)
    where = QStringLiteral("Record %1").arg(at.row() + 1);
  m_pFrame->SetCurrentRecordStatus(where);
}
