#pragma once
// The main window: menu bar, toolbar and status bar around the table view. It owns the
// command actions; the application object connects them to their handlers and sets their
// enabled and checked states.

#include <QMainWindow>

class QLabel;
class QMenu;
class QMenuBar;
class QAction;
class QDockWidget;
class QTimer;
class RecentFileList;

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  struct Commands {
    QAction* fileNew = nullptr;
    QAction* fileOpen = nullptr;
    QAction* exportCsv = nullptr;
    QAction* saveReport = nullptr;  // File > Save Assessment Report
    QAction* recentPlaceholder = nullptr;
    QAction* appExit = nullptr;
    QAction* editCopy = nullptr;
    QAction* goToTime = nullptr;
    QAction* formatUnknown = nullptr;
    QAction* format0001 = nullptr;
    QAction* format0100 = nullptr;
    QAction* formatRevert = nullptr;
    QAction* dateLog = nullptr;  // View > Date Format: the log's own, ISO 8601, the locale's
    QAction* dateIso = nullptr;
    QAction* dateLocale = nullptr;
    QAction* selectColumns = nullptr;
    QAction* statistics = nullptr;
    QAction* viewPlots = nullptr;
    QAction* freezeTime = nullptr;
    QAction* assess = nullptr;
    QAction* viewToolbar = nullptr;
    QAction* viewStatusBar = nullptr;
    QAction* diagnosticDump = nullptr;
    QAction* configure = nullptr;
    QAction* download = nullptr;
    QAction* appAbout = nullptr;
  };

  CMainFrame();

  const Commands& GetCommands() const { return m_commands; }
  QMenu* GetDataFormatMenu() const { return m_pDataFormatMenu; }
  QToolBar* GetToolBar() const { return m_pToolBar; }

  // "<document title> - Meterlog".
  void SetDocumentTitle(const QString& title);
  // Puts the recent files between the separators of the File menu (the greyed "Recent File"
  // placeholder when there are none).
  void UpdateRecentFileMenu(const RecentFileList& files);

  // Puts the plot pane in a dock under the table; View > Plots shows and hides it.
  void AddPlotPane(QWidget* pane);
  QDockWidget* GetPlotDock() const { return m_pPlotDock; }

  void OnViewToolbar();
  void OnViewStatusBar();
  // Refreshes the CAP, NUM and SCRL panes (Windows only: elsewhere the state is not told
  // without polling, and the panes are left out).
  void UpdateLockIndicators();
  // The log's panes: record count, data format and a hint (empty: none).
  void SetLogStatus(const QString& records, const QString& format, const QString& hint);
  // The number of selected rows (empty: none).
  void SetSelectedStatus(const QString& text);
  // The current record and its time (empty: none).
  void SetCurrentRecordStatus(const QString& text);

 signals:
  void FileDropped(const QString& path);
  void RecentFileChosen(int index);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool event(QEvent* event) override;

 private:
  QAction* AddCommand(QMenu* menu, const QString& text, const QString& prompt);
  void CreateMenus();
  void CreateFileMenu(QMenuBar* bar);
  void CreateEditMenu(QMenuBar* bar);
  void CreateViewMenu(QMenuBar* bar);
  void CreateToolsAndOptionsMenus(QMenuBar* bar);
  void CreateDeviceAndHelpMenus(QMenuBar* bar);
  void CreateKeyCommands();
  void CreateDateFormatMenu(QMenu* view);
  void CreateToolBar();
  void CreateStatusBar();

  Commands m_commands;
  QMenu* m_pFileMenu = nullptr;
  QMenu* m_pDataFormatMenu = nullptr;
  QAction* m_pRecentEnd = nullptr;  // the separator after the recent files
  QList<QAction*> m_recentActions;
  QToolBar* m_pToolBar = nullptr;
  QDockWidget* m_pPlotDock = nullptr;
  QLabel* m_pMessagePane = nullptr;
  QLabel* m_pIndicators[3] = {nullptr, nullptr, nullptr};
  QLabel* m_pHintPane = nullptr;
  QLabel* m_pRecordsPane = nullptr;
  QLabel* m_pFormatPane = nullptr;
  QLabel* m_pSelectedPane = nullptr;
  QLabel* m_pCurrentPane = nullptr;
};
