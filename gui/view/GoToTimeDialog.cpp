#include "GoToTimeDialog.h"

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

GoToTimeDialog::GoToTimeDialog(QWidget* parent, const QDateTime& start, const QString& first,
                               const QString& last)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Go To Time"));
  auto* text = new QLabel(
      QStringLiteral("Go to the first record at or after this time.\nThe log runs from %1 to %2.")
          .arg(first, last));
  m_edit = new QDateTimeEdit;
  m_edit->setTimeSpec(Qt::UTC);  // the instrument's clock as it stands, no time zone
  m_edit->setDisplayFormat(QStringLiteral("MM-dd-yyyy hh:mm:ss"));
  m_edit->setDateTime(start);
  m_edit->setCalendarPopup(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(m_edit);
  layout->addWidget(buttons);
  m_edit->setFocus();
}

qint64 GoToTimeDialog::Seconds() const {
  return m_edit->dateTime().toSecsSinceEpoch();
}
