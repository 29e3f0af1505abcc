#pragma once
// Edit > Go To Time: asks for a date and time, in the table's own form (MM-DD-YYYY hh:mm:ss).

#include <QDateTime>
#include <QDialog>

class QDateTimeEdit;

class GoToTimeDialog : public QDialog {
  Q_OBJECT
 public:
  // `start`: the time shown at first; `first` and `last`: the log's range, said in the text.
  GoToTimeDialog(QWidget* parent, const QDateTime& start, const QString& first,
                 const QString& last);
  // Seconds since 1970-01-01 of the instrument's clock (no time zone).
  qint64 Seconds() const;
  QDateTimeEdit* Editor() const { return m_edit; }

 private:
  QDateTimeEdit* m_edit = nullptr;
};
