#include "CMainFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "RecentFileList.h"
#include "ToolbarIcons.h"
#include "common/DateFormat.h"

#include "file/WindowsApi.h"

namespace {

// A prompt holds the status-bar text, then after a line break the tooltip.
QString PromptStatus(const QString& prompt) {
  return prompt.section(QLatin1Char('\n'), 0, 0);
}
QString PromptTip(const QString& prompt) {
  return prompt.contains(QLatin1Char('\n')) ? prompt.section(QLatin1Char('\n'), 1, 1) : QString();
}

enum LockKey { kCapsLock, kNumLock, kScrollLock };

bool LockKeyOn(LockKey key) {
#if defined(Q_OS_WIN)
  static const int codes[] = {VK_CAPITAL, VK_NUMLOCK, VK_SCROLL};
  return (GetKeyState(codes[key]) & 1) != 0;
#else
  (void)key;
  return false;
#endif
}

}  // namespace

CMainFrame::CMainFrame() {
  setWindowTitle(QStringLiteral("Meterlog"));
  setWindowIcon(ProgramIcon());
  setAcceptDrops(true);
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();
  resize(1024, 680);
}

QAction* CMainFrame::AddCommand(QMenu* menu, const QString& text, const QString& prompt) {
  auto* action = new QAction(text, this);
  action->setStatusTip(PromptStatus(prompt));
  const QString tip = PromptTip(prompt);
  if (!tip.isEmpty()) action->setToolTip(tip);
  if (menu != nullptr)
    menu->addAction(action);
  else
    addAction(action);  // keys only: the action lives on the window so its shortcut works
  return action;
}

void CMainFrame::CreateMenus() {
  QMenuBar* bar = menuBar();
  CreateFileMenu(bar);
  CreateEditMenu(bar);
  CreateViewMenu(bar);
  CreateToolsAndOptionsMenus(bar);
  CreateDeviceAndHelpMenus(bar);
  CreateKeyCommands();

  Commands& c = m_commands;
  c.fileOpen->setIcon(ToolbarIcon(ToolbarIconKind::kOpen));
  c.exportCsv->setIcon(ToolbarIcon(ToolbarIconKind::kExportCsv));
  c.editCopy->setIcon(ToolbarIcon(ToolbarIconKind::kCopy));
  c.assess->setIcon(ToolbarIcon(ToolbarIconKind::kAssess));
  c.configure->setIcon(ToolbarIcon(ToolbarIconKind::kConfigure));
  c.download->setIcon(ToolbarIcon(ToolbarIconKind::kDownload));
  c.appAbout->setIcon(ToolbarIcon(ToolbarIconKind::kAbout));

  connect(c.viewToolbar, &QAction::triggered, this, &CMainFrame::OnViewToolbar);
  connect(c.viewStatusBar, &QAction::triggered, this, &CMainFrame::OnViewStatusBar);
}

void CMainFrame::CreateFileMenu(QMenuBar* bar) {
  Commands& c = m_commands;
  m_pFileMenu = bar->addMenu(QStringLiteral("&File"));
  m_pFileMenu->setObjectName(QStringLiteral("fileMenu"));
  c.fileOpen = AddCommand(m_pFileMenu, QStringLiteral("&Open...\tCtrl+O"),
                          QStringLiteral("Open an existing document\nOpen"));
  c.fileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  c.exportCsv = AddCommand(m_pFileMenu, QStringLiteral("&Export to CSV"),
                           QStringLiteral("Export the current file as a CSV file\nExport to CSV"));
  c.saveReport = AddCommand(
      m_pFileMenu, QStringLiteral("Save Assessment &Report..."),
      QStringLiteral("Save the supply quality assessment as a report (PDF or HTML)\nSave "
                     "Assessment Report"));
  m_pFileMenu->addSeparator();
  c.recentPlaceholder =
      AddCommand(m_pFileMenu, QStringLiteral("Recent File"), QStringLiteral("Open this document"));
  c.recentPlaceholder->setEnabled(false);
  m_pRecentEnd = m_pFileMenu->addSeparator();
  c.appExit = AddCommand(m_pFileMenu, QStringLiteral("E&xit"),
                         QStringLiteral("Quit the application\nExit"));
}

void CMainFrame::CreateEditMenu(QMenuBar* bar) {
  Commands& c = m_commands;
  QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
  c.editCopy = AddCommand(edit, QStringLiteral("&Copy\tCtrl+C"),
                          QStringLiteral("Copy the selection and put it on the Clipboard\nCopy"));
  c.editCopy->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
  c.goToTime = AddCommand(edit, QStringLiteral("&Go To Time...\tCtrl+G"),
                          QStringLiteral("Go to the first record at or after a date and time\nGo "
                                         "To Time"));
  c.goToTime->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
}

void CMainFrame::CreateViewMenu(QMenuBar* bar) {
  Commands& c = m_commands;
  QMenu* view = bar->addMenu(QStringLiteral("&View"));
  m_pDataFormatMenu = view->addMenu(QStringLiteral("&Data Format"));
  c.formatUnknown = AddCommand(m_pDataFormatMenu, QStringLiteral("Unknown"),
                               QStringLiteral("Unknown Data Format\nUnknown Data Format"));
  c.format0001 = AddCommand(m_pDataFormatMenu, QStringLiteral("Type 0001"),
                            QStringLiteral("Type 0001 Data Format\nType 0001"));
  c.format0100 = AddCommand(m_pDataFormatMenu, QStringLiteral("Type 0100"),
                            QStringLiteral("Type 0100 Data Format\nType 0100"));
  m_pDataFormatMenu->addSeparator();
  c.formatRevert =
      AddCommand(m_pDataFormatMenu, QStringLiteral("&Revert"),
                 QStringLiteral("Revert to originally detected Data Format\nRevert Data Format"));
  for (QAction* a : {c.formatUnknown, c.format0001, c.format0100}) a->setCheckable(true);
  CreateDateFormatMenu(view);
  c.selectColumns =
      AddCommand(view, QStringLiteral("Select &Columns"),
                 QStringLiteral("Select Data Columns to be Displayed\nSelect Columns"));
  c.statistics =
      AddCommand(view, QStringLiteral("S&tatistics...\tCtrl+T"),
                 QStringLiteral("Minimum, mean and maximum of every numeric column\nStatistics"));
  c.statistics->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
  c.viewPlots = AddCommand(view, QStringLiteral("&Plots\tCtrl+L"),
                           QStringLiteral("Show or hide the plot pane\nPlots"));
  c.viewPlots->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  c.viewPlots->setCheckable(true);
  c.freezeTime = AddCommand(view, QStringLiteral("&Freeze Time Column"),
                            QStringLiteral("Keep the columns up to Time in view while scrolling "
                                           "sideways\nFreeze Time Column"));
  c.freezeTime->setCheckable(true);
  c.freezeTime->setChecked(true);
  view->addSeparator();
  c.viewToolbar = AddCommand(view, QStringLiteral("&Toolbar"),
                             QStringLiteral("Show or hide the toolbar\nToggle ToolBar"));
  c.viewStatusBar = AddCommand(view, QStringLiteral("&Status Bar"),
                               QStringLiteral("Show or hide the status bar\nToggle StatusBar"));
  c.viewToolbar->setCheckable(true);
  c.viewStatusBar->setCheckable(true);
}

void CMainFrame::CreateToolsAndOptionsMenus(QMenuBar* bar) {
  Commands& c = m_commands;
  QMenu* tools = bar->addMenu(QStringLiteral("&Tools"));
  c.assess = AddCommand(tools, QStringLiteral("&Assess Supply Quality...\tCtrl+Shift+A"),
                        QStringLiteral("Judge the log against EN 50160 and IEEE 519\nAssess "
                                       "Supply Quality"));
  c.assess->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));

  QMenu* options = bar->addMenu(QStringLiteral("&Options"));
  c.diagnosticDump = AddCommand(
      options, QStringLiteral("Diagnostic &Dump"),
      QStringLiteral("Append a text dump of every loaded log's records to the diagnostic dump "
                     "file (Help > About tells where)\nDiagnostic Dump"));
  c.diagnosticDump->setCheckable(true);
}

void CMainFrame::CreateDeviceAndHelpMenus(QMenuBar* bar) {
  Commands& c = m_commands;
  QMenu* device = bar->addMenu(QStringLiteral("&Device"));
  c.configure = AddCommand(device, QStringLiteral("&Configure"),
                           QStringLiteral("Configure a connected device\nConfigure Device"));
  c.download = AddCommand(
      device, QStringLiteral("&Download Flash File"),
      QStringLiteral("Download a saved Flash File from the device\nDown Load Flash File"));

  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  c.appAbout = AddCommand(
      help, QStringLiteral("&About Meterlog..."),
      QStringLiteral("Display program information, version number and copyright\nAbout"));
}

// Keys without a menu entry.
void CMainFrame::CreateKeyCommands() {
  Commands& c = m_commands;
  c.fileNew =
      AddCommand(nullptr, QStringLiteral("New"), QStringLiteral("Create a new document\nNew"));
  c.fileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
}

void CMainFrame::CreateDateFormatMenu(QMenu* view) {
  Commands& c = m_commands;
  QMenu* menu = view->addMenu(QStringLiteral("Dat&e Format"));
  // Each entry shows the same moment in its own format.
  const ClockTime example{2009, 3, 7, 14, 5, 9};
  const auto add = [&](const QString& text, TimeStyle format, const QString& prompt) {
    QAction* action = AddCommand(
        menu, QStringLiteral("%1\t%2").arg(text, RecordTimeText(example, format)), prompt);
    action->setCheckable(true);
    action->setData(static_cast<int>(format));
    return action;
  };
  c.dateLog = add(QStringLiteral("&Month-Day-Year, as in the Log"), TimeStyle::kTable,
                  QStringLiteral("Dates as the log writes them: month-day-year\nDate Format"));
  c.dateIso = add(QStringLiteral("&ISO 8601, Year-Month-Day"), TimeStyle::kIsoSpace,
                  QStringLiteral("Dates as ISO 8601 writes them: year-month-day\nDate Format"));
  c.dateLocale = add(QStringLiteral("System &Locale"), TimeStyle::kLocale,
                     QStringLiteral("Dates as the system's language and region write them\nDate "
                                    "Format"));
  auto* group = new QActionGroup(this);
  for (QAction* a : {c.dateLog, c.dateIso, c.dateLocale}) group->addAction(a);
}

void CMainFrame::CreateToolBar() {
  const Commands& c = m_commands;
  m_pToolBar = addToolBar(QStringLiteral("Toolbar"));
  m_pToolBar->setObjectName(QStringLiteral("Toolbar"));
  m_pToolBar->setIconSize(QSize(16, 16));
  m_pToolBar->setMovable(true);
  m_pToolBar->setFloatable(true);
  m_pToolBar->setAllowedAreas(Qt::AllToolBarAreas);
  m_pToolBar->addAction(c.fileOpen);
  m_pToolBar->addAction(c.exportCsv);
  m_pToolBar->addSeparator();
  m_pToolBar->addAction(c.editCopy);
  m_pToolBar->addAction(c.assess);
  m_pToolBar->addSeparator();
  m_pToolBar->addAction(c.configure);
  m_pToolBar->addAction(c.download);
  m_pToolBar->addAction(c.appAbout);
  // The View menu's own item shows and hides the bar; no second toggle in a context menu.
  m_pToolBar->toggleViewAction()->setVisible(false);
  setContextMenuPolicy(Qt::NoContextMenu);
}

void CMainFrame::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  // The message pane: prompts of menus and buttons show over it, "Ready" whenever idle.
  m_pMessagePane = new QLabel(QStringLiteral("Ready"), bar);
  m_pMessagePane->setObjectName(QStringLiteral("messagePane"));
  bar->addWidget(m_pMessagePane, 1);
  auto addPane = [bar](const char* name, const QString& widest) {
    auto* pane = new QLabel(bar);
    pane->setObjectName(QLatin1String(name));
    pane->setAlignment(Qt::AlignCenter);
    pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(widest) + 10);
    bar->addPermanentWidget(pane);
    return pane;
  };
  m_pHintPane = new QLabel(bar);
  m_pHintPane->setObjectName(QStringLiteral("hintPane"));
  m_pHintPane->setStyleSheet(QStringLiteral("QLabel { color: #a04000; }"));
  m_pHintPane->hide();
  bar->addPermanentWidget(m_pHintPane);
  m_pCurrentPane = addPane("currentPane", QStringLiteral("Record 88888"));
  m_pSelectedPane = addPane("selectedPane", QStringLiteral("888888 selected"));
  m_pRecordsPane = addPane("recordsPane", QStringLiteral("8888888 records"));
  m_pFormatPane = addPane("formatPane", QStringLiteral("Type 0100"));
#if defined(Q_OS_WIN)
  // Windows tells the lock keys' state on asking; other systems only by polling, which the
  // window does not do.
  static const char* const texts[] = {"CAP", "NUM", "SCRL"};
  for (int i = 0; i < 3; ++i) {
    m_pIndicators[i] = addPane(texts[i], QLatin1String(texts[i]));
    m_pIndicators[i]->setFrameShape(QFrame::Panel);
    m_pIndicators[i]->setFrameShadow(QFrame::Sunken);
    m_pIndicators[i]->setProperty("indicator", QLatin1String(texts[i]));
  }
  UpdateLockIndicators();
#endif
}

void CMainFrame::SetLogStatus(const QString& records, const QString& format, const QString& hint) {
  m_pRecordsPane->setText(records);
  m_pFormatPane->setText(format);
  m_pHintPane->setText(hint);
  m_pHintPane->setVisible(!hint.isEmpty());
}

void CMainFrame::SetSelectedStatus(const QString& text) {
  m_pSelectedPane->setText(text);
}

void CMainFrame::SetCurrentRecordStatus(const QString& text) {
  m_pCurrentPane->setText(text);
}

void CMainFrame::UpdateLockIndicators() {
  if (statusBar()->isHidden()) return;
  for (int i = 0; i < 3; ++i) {
    if (m_pIndicators[i] == nullptr) continue;
    const bool on = LockKeyOn(static_cast<LockKey>(i));
    const QString text = on ? m_pIndicators[i]->property("indicator").toString() : QString();
    if (m_pIndicators[i]->text() != text) m_pIndicators[i]->setText(text);
  }
}

bool CMainFrame::event(QEvent* event) {
  // A lock key changes the panes as it is released; another program may have changed them
  // while the window was not active.
  if (event->type() == QEvent::KeyRelease || event->type() == QEvent::WindowActivate)
    QTimer::singleShot(50, this, &CMainFrame::UpdateLockIndicators);
  return QMainWindow::event(event);
}

void CMainFrame::SetDocumentTitle(const QString& title) {
  setWindowTitle(title.isEmpty() ? QStringLiteral("Meterlog")
                                 : title + QStringLiteral(" - Meterlog"));
}

void CMainFrame::UpdateRecentFileMenu(const RecentFileList& files) {
  for (QAction* action : m_recentActions) {
    m_pFileMenu->removeAction(action);
    action->deleteLater();
  }
  m_recentActions.clear();
  m_commands.recentPlaceholder->setVisible(files.GetSize() == 0);
  for (int i = 0; i < files.GetSize(); ++i) {
    auto* action = new QAction(files.GetMenuText(i), this);
    action->setStatusTip(QStringLiteral("Open this document"));
    action->setData(i);
    connect(action, &QAction::triggered, this, [this, i] { emit RecentFileChosen(i); });
    m_pFileMenu->insertAction(m_pRecentEnd, action);
    m_recentActions.append(action);
  }
}

void CMainFrame::AddPlotPane(QWidget* pane) {
  m_pPlotDock = new QDockWidget(QStringLiteral("Plots"), this);
  m_pPlotDock->setObjectName(QStringLiteral("PlotPane"));
  m_pPlotDock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                           QDockWidget::DockWidgetFloatable);
  m_pPlotDock->setWidget(pane);
  addDockWidget(Qt::BottomDockWidgetArea, m_pPlotDock);
  resizeDocks({m_pPlotDock}, {340}, Qt::Vertical);
  m_commands.viewPlots->setChecked(true);
  connect(m_commands.viewPlots, &QAction::triggered, m_pPlotDock, &QDockWidget::setVisible);
  connect(m_pPlotDock->toggleViewAction(), &QAction::toggled, m_commands.viewPlots,
          &QAction::setChecked);
}

void CMainFrame::OnViewToolbar() {
  m_pToolBar->setVisible(m_pToolBar->isHidden());
  m_commands.viewToolbar->setChecked(!m_pToolBar->isHidden());
}

void CMainFrame::OnViewStatusBar() {
  statusBar()->setVisible(statusBar()->isHidden());
  m_commands.viewStatusBar->setChecked(!statusBar()->isHidden());
  UpdateLockIndicators();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* mime = event->mimeData();
  if (mime != nullptr && mime->hasUrls()) {
    for (const QUrl& url : mime->urls())
      if (url.isLocalFile()) {
        event->acceptProposedAction();
        return;
      }
  }
  event->ignore();
}

void CMainFrame::dropEvent(QDropEvent* event) {
  const QMimeData* mime = event->mimeData();
  if (mime == nullptr) return;
  // One document at a time: the first file dropped is the one opened.
  for (const QUrl& url : mime->urls()) {
    if (!url.isLocalFile()) continue;
    event->acceptProposedAction();
    const QString path = url.toLocalFile();
    // Open after the drop has finished, so the source application is not kept waiting for
    // a load or a message box.
    QTimer::singleShot(0, this, [this, path] { emit FileDropped(path); });
    return;
  }
}
