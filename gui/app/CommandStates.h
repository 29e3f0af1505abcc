#pragma once
// The commands' enabled and checked states and the status bar's log panes, kept in step with
// what they depend on: the log (replaced, or read in another byte order), the table's selection
// and current record, the date format and the bars' visibility. Each change updates only what
// depends on it.

#include <QObject>

class CMainFrame;
class CMeterlog2View;

namespace meterlog2::app {

class LogSession;

class CommandStates : public QObject {
  Q_OBJECT
 public:
  CommandStates(CMainFrame* frame, CMeterlog2View* view, const LogSession* session,
                QObject* parent = nullptr);

  // Every state at once, for the start.
  void Refresh();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowLog();
  void ShowDataFormat();
  void ShowLogStatus();
  void ShowSelection();
  void ShowCurrentRecord();
  void ShowDateFormat();
  void ShowBars();

  CMainFrame* m_pFrame;
  CMeterlog2View* m_pView;
  const LogSession* m_pSession;
};

}  // namespace meterlog2::app
