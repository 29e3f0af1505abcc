#include "ExportDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>

CExportDialog::CExportDialog(QWidget* parent, bool hasSelection, bool isoTime, bool decimalComma,
                             const QString& proposed)
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

  m_pSelectedOnly = new QCheckBox(QStringLiteral("Save Selected Data Only"), this);
  m_pSelectedOnly->setChecked(false);
  m_pSelectedOnly->setEnabled(hasSelection);
  m_pIsoTime = new QCheckBox(QStringLiteral("Times as ISO 8601 (2009-03-07T14:05:09)"), this);
  m_pIsoTime->setChecked(isoTime);
  m_pDecimalComma = new QCheckBox(
      QStringLiteral("Decimal commas, fields separated by \";\" (for spreadsheets that write "
                     "50,01)"),
      this);
  m_pDecimalComma->setChecked(decimalComma);
  if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
    for (QCheckBox* box : {m_pSelectedOnly, m_pIsoTime, m_pDecimalComma})
      grid->addWidget(box, grid->rowCount(), 0, 1, grid->columnCount());
  }
}

bool CExportDialog::IsoTime() const {
  return m_pIsoTime->isChecked();
}

bool CExportDialog::DecimalComma() const {
  return m_pDecimalComma->isChecked();
}

bool CExportDialog::SaveSelectedOnly() const {
  return m_pSelectedOnly->isEnabled() && m_pSelectedOnly->isChecked();
}
