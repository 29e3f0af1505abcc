#include "ExportDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>

ExportDialog::ExportDialog(QWidget* parent, bool hasSelection, TimeStyle timeStyle,
                           bool decimalComma, const QString& proposed)
    : QFileDialog(parent) {
  // The extra check box needs Qt's own dialog: a native one has no room for it.
  setOption(QFileDialog::DontUseNativeDialog, true);
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  setOption(QFileDialog::DontConfirmOverwrite, false);
  setOption(QFileDialog::ReadOnly, false);
  setWindowTitle(QStringLiteral("Export to CSV"));
  setNameFilters(
      {QStringLiteral("Comma Separated Value Files (*.csv)"), QStringLiteral("All Files (*)")});
  setDefaultSuffix(QStringLiteral("csv"));
  if (proposed.isEmpty()) {
    selectFile(QStringLiteral("Meterlog2 Data"));
  } else {
    setDirectory(QFileInfo(proposed).absolutePath());
    selectFile(QFileInfo(proposed).fileName());
  }

  m_selectedOnly = new QCheckBox(QStringLiteral("Save Selected Data Only"), this);
  m_selectedOnly->setObjectName(QStringLiteral("selectedOnly"));
  m_selectedOnly->setChecked(false);
  m_selectedOnly->setEnabled(hasSelection);
  m_isoTime = new QCheckBox(QStringLiteral("Times as ISO 8601 (2009-03-07T14:05:09)"), this);
  m_isoTime->setObjectName(QStringLiteral("isoTime"));
  m_isoTime->setChecked(timeStyle == TimeStyle::kIso);
  m_decimalComma = new QCheckBox(
      QStringLiteral("Decimal commas, fields separated by \";\" (for spreadsheets that write "
                     "50,01)"),
      this);
  m_decimalComma->setObjectName(QStringLiteral("decimalComma"));
  m_decimalComma->setChecked(decimalComma);
  if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
    for (QCheckBox* box : {m_selectedOnly, m_isoTime, m_decimalComma})
      grid->addWidget(box, grid->rowCount(), 0, 1, grid->columnCount());
  }
}

TimeStyle ExportDialog::ExportTimeStyle() const {
  return m_isoTime->isChecked() ? TimeStyle::kIso : TimeStyle::kTable;
}

bool ExportDialog::DecimalComma() const {
  return m_decimalComma->isChecked();
}

bool ExportDialog::SaveSelectedOnly() const {
  return m_selectedOnly->isEnabled() && m_selectedOnly->isChecked();
}
