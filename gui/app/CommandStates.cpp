#include "CommandStates.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>

#include "CMainFrame.h"
#include "LogSession.h"
#include "common/DateFormat.h"
#include "log/LogTypes.h"
#include "view/CMeterlog2View.h"

namespace meterlog2::app {

CommandStates::CommandStates(CMainFrame* frame, CMeterlog2View* view, const LogSession* session,
                             QObject* parent)
    : QObject(parent), m_pFrame(frame), m_pView(view), m_pSession(session) {
  connect(session, &LogSession::LogReplaced, this, &CommandStates::ShowLog);
  connect(session, &LogSession::DataFormatChanged, this, &CommandStates::ShowLog);
  connect(view, &CMeterlog2View::SelectionStateChanged, this, &CommandStates::ShowSelection);
  connect(view, &CMeterlog2View::CurrentRowChanged, this, &CommandStates::ShowCurrentRecord);
  connect(DateFormatChanges(), &DateFormatNotifier::Changed, this, [this] {
    ShowDateFormat();
    ShowCurrentRecord();
  });
  // A check mark is the document's byte order, not the click: choosing a format the document
  // refuses, or "Unknown", leaves the marks as they were.
  const CMainFrame::Commands& c = frame->GetCommands();
  for (QAction* format : {c.formatUnknown, c.format0001, c.format0100})
    connect(format, &QAction::triggered, this, &CommandStates::ShowDataFormat);
  frame->GetToolBar()->installEventFilter(this);
  frame->statusBar()->installEventFilter(this);
}

void CommandStates::Refresh() {
  ShowLog();
  ShowDateFormat();
  ShowBars();
}

bool CommandStates::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show || event->type() == QEvent::Hide) ShowBars();
  return QObject::eventFilter(watched, event);
}

void CommandStates::ShowLog() {
  const CMainFrame::Commands& c = m_pFrame->GetCommands();
  const bool hasRecords = m_pSession->HasRecords();
  for (QAction* command :
       {c.exportCsv, c.selectColumns, c.statistics, c.assess, c.saveReport, c.goToTime})
    command->setEnabled(hasRecords);
  m_pFrame->GetDataFormatMenu()->menuAction()->setEnabled(hasRecords);
  ShowDataFormat();
  ShowLogStatus();
  ShowSelection();
  ShowCurrentRecord();
}

void CommandStates::ShowDataFormat() {
  const CMainFrame::Commands& c = m_pFrame->GetCommands();
  const CMeterlog2Doc& doc = m_pSession->Document();
  const uint32_t current = doc.GetDataFormat();
  c.formatUnknown->setEnabled(current == kDataFormatUnknown);
  c.formatUnknown->setChecked(current == kDataFormatUnknown);
  c.format0001->setChecked(current == kDataFormat0001);
  c.format0100->setChecked(current == kDataFormat0100);
  c.formatRevert->setEnabled(current != doc.GetDetectedDataFormat());
}

// How many records, which byte order, and a word when the other byte order reads better.
void CommandStates::ShowLogStatus() {
  const unsigned records = m_pSession->Document().GetRecordCount();
  const uint32_t current = m_pSession->Document().GetDataFormat();
  const uint32_t declared = m_pSession->DeclaredRecords();
  QString hint;
  if (m_pSession->OtherFormatLooksRight())
    hint = QStringLiteral("The values look wrong in this byte order: try View > Data Format > %1")
               .arg(QLatin1String(
                   DataFormatName(current == kDataFormat0001 ? kDataFormat0100 : kDataFormat0001)));
  QString count;
  if (records > 0 && declared > 0)
    count = QStringLiteral("%1 of %2 records (salvaged)").arg(records).arg(declared);
  else if (records > 0)
    count = QStringLiteral("%1 record%2").arg(records).arg(records == 1 ? "" : "s");
  m_pFrame->SetLogStatus(
      count, records > 0 ? QString::fromLatin1(DataFormatName(current)) : QString(), hint);
}

void CommandStates::ShowSelection() {
  m_pFrame->GetCommands().editCopy->setEnabled(m_pView->HasSelection());
  const unsigned selected = m_pView->SelectedRowCount();
  m_pFrame->SetSelectedStatus(selected > 0 ? QStringLiteral("%1 selected").arg(selected)
                                           : QString());
}

// The current record and its time, in the chosen date format.
void CommandStates::ShowCurrentRecord() {
  const CMeterlog2Doc& doc = m_pSession->Document();
  const QModelIndex at = m_pView->currentIndex();
  QString where;
  int64_t seconds;
  if (at.isValid() && doc.GetTimeSeconds(seconds, unsigned(at.row())))
    where = QStringLiteral("Record %1: %2").arg(at.row() + 1).arg(RecordTimeText(seconds));
  else if (at.isValid() && unsigned(at.row()) < doc.GetRecordCount())
    where = QStringLiteral("Record %1").arg(at.row() + 1);
  m_pFrame->SetCurrentRecordStatus(where);
}

void CommandStates::ShowDateFormat() {
  const CMainFrame::Commands& c = m_pFrame->GetCommands();
  const TimeStyle dates = CurrentDateFormat();
  c.dateLog->setChecked(dates == TimeStyle::kTable);
  c.dateIso->setChecked(dates == TimeStyle::kIsoSpace);
  c.dateLocale->setChecked(dates == TimeStyle::kLocale);
}

void CommandStates::ShowBars() {
  const CMainFrame::Commands& c = m_pFrame->GetCommands();
  c.viewToolbar->setChecked(!m_pFrame->GetToolBar()->isHidden());
  c.viewStatusBar->setChecked(!m_pFrame->statusBar()->isHidden());
}

}  // namespace meterlog2::app
