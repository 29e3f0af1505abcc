#include "ExportDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>

CExportDialog::CExportDialog(QWidget* parent, bool hasSelection) : QFileDialog(parent) {
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
  selectFile(QStringLiteral("Meterlog2 Data"));

  m_pSelectedOnly = new QCheckBox(QStringLiteral("Save Selected Data Only"), this);
  m_pSelectedOnly->setChecked(false);
  m_pSelectedOnly->setEnabled(hasSelection);
  if (auto* grid = qobject_cast<QGridLayout*>(layout()))
    grid->addWidget(m_pSelectedOnly, grid->rowCount(), 0, 1, grid->columnCount());
}

bool CExportDialog::SaveSelectedOnly() const {
  return m_pSelectedOnly->isEnabled() && m_pSelectedOnly->isChecked();
}
