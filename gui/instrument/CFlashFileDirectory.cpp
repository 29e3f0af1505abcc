#include "CFlashFileDirectory.h"

#include "common/Settings.h"
#include "common/SettingsKeys.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString SavedFolder() {
  return OpenSettings()->value(meterlog2::common::kDownloadFolderKey).toString();
}
}  // namespace

CFlashFileDirectory::CFlashFileDirectory(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Flash File Directory"));
  setObjectName(QStringLiteral("CFlashFileDirectory"));

  m_pSummary = new QLabel(QStringLiteral("Summary"), this);
  m_pSummary->setObjectName(QStringLiteral("summary"));
  m_pSummary->setTextFormat(Qt::PlainText);
  auto* prompt =
      new QLabel(QStringLiteral("Please select a Flash File to download from the device"), this);
  prompt->setWordWrap(true);
  m_pList = new QListWidget(this);
  m_pList->setObjectName(QStringLiteral("entries"));
  m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
  m_pList->setMinimumSize(320, 140);
  // The instrument lines its entries up in columns of characters.
  m_pList->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  prompt->setBuddy(m_pList);
  connect(m_pList, &QListWidget::itemSelectionChanged, this, &CFlashFileDirectory::OnSelChange);

  auto* buttons = new QDialogButtonBox(this);
  m_pOk = buttons->addButton(QDialogButtonBox::Ok);
  m_pOk->setObjectName(QStringLiteral("ok"));
  m_pOk->setEnabled(false);
  buttons->addButton(QDialogButtonBox::Cancel);
  connect(m_pOk, &QPushButton::clicked, this, &CFlashFileDirectory::OnOK);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_pSummary);
  layout->addSpacing(8);
  layout->addWidget(prompt);
  layout->addWidget(m_pList, 1);
  layout->addWidget(buttons);
}

void CFlashFileDirectory::SetSummary(const QString& text) {
  m_strSummary = text;
}

void CFlashFileDirectory::AddEntry(const QString& text) {
  m_entries.append(text);
}

void CFlashFileDirectory::showEvent(QShowEvent* event) {
  if (!m_bInitialised) {
    m_pSummary->setText(m_strSummary);
    m_pList->clear();
    m_pList->addItems(m_entries);
    m_pList->setCurrentRow(-1);
    m_pList->clearSelection();
    m_pList->setFocus();
    m_bInitialised = true;
    OnSelChange();
  }
  QDialog::showEvent(event);
}

void CFlashFileDirectory::OnSelChange() {
  const bool picked = !m_pList->selectedItems().isEmpty();
  m_pOk->setEnabled(picked);
  if (picked) m_pOk->setDefault(true);
}

void CFlashFileDirectory::OnOK() {
  const QList<QListWidgetItem*> picked = m_pList->selectedItems();
  if (picked.isEmpty()) return;

  // Where the last download went (remembered between runs), else the home folder.
  QString folder = SavedFolder();
  if (folder.isEmpty()) folder = QDir::homePath();
  QFileDialog save(this, QStringLiteral("Save As"), folder,
                   QStringLiteral("Meterlog Document (*.57x)"));
  save.setObjectName(QStringLiteral("saveFlashFile"));
  save.setAcceptMode(QFileDialog::AcceptSave);
  save.setFileMode(QFileDialog::AnyFile);
  save.setDefaultSuffix(QStringLiteral("57x"));
  const int row = m_pList->row(picked.constFirst());
  const QString name = row < m_fileNames.size() ? m_fileNames[row] : QString();
  save.selectFile((name.isEmpty() ? QStringLiteral("Flash File %1").arg(row + 1) : name) +
                  QStringLiteral(".57x"));
  if (save.exec() != QDialog::Accepted || save.selectedFiles().isEmpty()) return;

  m_strPathName = save.selectedFiles().constFirst();
  OpenSettings()->setValue(meterlog2::common::kDownloadFolderKey,
                           QFileInfo(m_strPathName).absolutePath());
  m_nSelection = row;
  accept();
}
