#pragma once
// Edit > Go To Time: asks for a date and time as plain text, in the chosen date format or as
// ISO 8601, exactly as typed or pasted. A text that is no time, or a time after the log's last
// record, is said in the dialog, which stays open for a correction.

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;

class GoToTimeDialog : public QDialog {
  Q_OBJECT
 public:
  // Goes to the first record at or after `seconds`; returns what to tell the user when there is
  // none (empty: done).
  using Jump = std::function<QString(qint64 seconds)>;
  // `start`: the time shown at first; `first` and `last`: the log's range, said in the text.
  GoToTimeDialog(QWidget* parent, const QString& start, const QString& first, const QString& last,
                 Jump jump);

  void accept() override;

 private:
  void ShowProblem(const QString& text);

  QLineEdit* m_edit = nullptr;
  QLabel* m_problem = nullptr;  // what is wrong with the text typed (hidden while nothing is)
  Jump m_jump;
  QString m_forms;  // the forms accepted, for the user
};
