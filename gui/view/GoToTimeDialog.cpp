#include "GoToTimeDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "common/DateFormat.h"

GoToTimeDialog::GoToTimeDialog(QWidget* parent, const QString& start, const QString& first,
                               const QString& last, Jump jump)
    : QDialog(parent), m_jump(std::move(jump)) {
  setWindowTitle(QStringLiteral("Go To Time"));
  const TimeStyle format = CurrentDateFormat();
  m_forms = DateFormatPattern(format);
  if (format != TimeStyle::kIsoSpace)
    m_forms += QStringLiteral(" or %1").arg(DateFormatPattern(TimeStyle::kIsoSpace));
  auto* text = new QLabel(QStringLiteral("Go to the first record at or after this date and time "
                                         "(%1; the time may be left out).\nThe log runs from %2 "
                                         "to %3.")
                              .arg(m_forms, first, last));
  m_edit = new QLineEdit(start);
  m_edit->setObjectName(QStringLiteral("dateTime"));
  m_edit->setMinimumWidth(m_edit->fontMetrics().horizontalAdvance(start) * 3 / 2 + 16);
  m_edit->selectAll();
  m_problem = new QLabel;
  m_problem->setObjectName(QStringLiteral("problem"));
  m_problem->setStyleSheet(QStringLiteral("QLabel { color: #b00000; }"));
  m_problem->setWordWrap(true);
  m_problem->hide();
  connect(m_edit, &QLineEdit::textEdited, m_problem, &QWidget::hide);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(m_edit);
  layout->addWidget(m_problem);
  layout->addWidget(buttons);
  m_edit->setFocus();
}

void GoToTimeDialog::accept() {
  const QString typed = m_edit->text().trimmed();
  const std::optional<qint64> seconds = ParseRecordTime(typed, CurrentDateFormat());
  if (!seconds) {
    ShowProblem(
        QStringLiteral("\"%1\" is not a date and time. Type it as %2.").arg(typed, m_forms));
    return;
  }
  const QString problem = m_jump ? m_jump(*seconds) : QString();
  if (!problem.isEmpty()) {
    ShowProblem(problem);
    return;
  }
  QDialog::accept();
}

void GoToTimeDialog::ShowProblem(const QString& text) {
  m_problem->setText(text);
  m_problem->show();
  m_edit->setFocus();
  m_edit->selectAll();
}
