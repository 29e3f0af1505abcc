#include "TableExport.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include "CMeterlog2View.h"
#include "ExportDialog.h"
#include "common/MessageBox.h"
#include "common/QtPath.h"
#include "common/Settings.h"
#include "common/SettingsKeys.h"
#include "common/WaitCursor.h"

namespace meterlog2::view {

TableExport::TableExport(const CMeterlog2View& view) : m_view(view) {
  auto settings = OpenSettings();
  // Stored as a flag: ISO 8601 or the log's own.
  m_timeStyle = settings->value(meterlog2::common::kExportIsoTimeKey, false).toBool()
                    ? TimeStyle::kIso
                    : TimeStyle::kTable;
  m_decimalComma = settings->value(meterlog2::common::kExportDecimalCommaKey, false).toBool();
}

QString TableExport::SelectionText() const {
  const CMeterlog2Doc* doc = m_view.GetDocument();
  if (doc == nullptr || !m_view.HasSelection()) return QString();
  const std::string text =
      TableText(*doc, m_view.DisplayedColumns(), m_view.SelectedRows(), GetTextFormat('\t'));
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

bool TableExport::ExportCsv(const QString& path, bool selectedOnly, QString& error) const {
  const CMeterlog2Doc* doc = m_view.GetDocument();
  if (doc == nullptr) return false;
  std::vector<unsigned> rows;
  if (selectedOnly) rows = m_view.SelectedRows();
  std::string message;
  std::vector<std::filesystem::path> inputs;
  if (!m_view.GetSourcePath().isEmpty()) inputs.push_back(PathFromQString(m_view.GetSourcePath()));
  const bool ok =
      ExportTableFile(PathFromQString(path), *doc, m_view.DisplayedColumns(),
                      selectedOnly ? &rows : nullptr, GetTextFormat(','), message, inputs);
  if (!ok) {
    error = QString::fromStdString(message);
    if (error.isEmpty()) error = QStringLiteral("Could not write the file %1.").arg(path);
  }
  return ok;
}

void TableExport::SetTextFormat(TimeStyle timeStyle, bool decimalComma) {
  m_timeStyle = timeStyle == TimeStyle::kIso ? TimeStyle::kIso : TimeStyle::kTable;
  m_decimalComma = decimalComma;
  auto settings = OpenSettings();
  settings->setValue(meterlog2::common::kExportIsoTimeKey, m_timeStyle == TimeStyle::kIso);
  settings->setValue(meterlog2::common::kExportDecimalCommaKey, decimalComma);
}

TableFormat TableExport::GetTextFormat(char separator) const {
  TableFormat format(separator);
  format.timeStyle = m_timeStyle;
  format.decimalComma = m_decimalComma;
  return format;
}

QString TableExport::ProposedFile() const {
  if (m_view.GetSourcePath().isEmpty()) return QString();
  const QFileInfo log(m_view.GetSourcePath());
  QString folder = OpenSettings()->value(meterlog2::common::kExportFolderKey).toString();
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = log.absolutePath();
  return QDir(folder).filePath(log.completeBaseName() + QStringLiteral(".csv"));
}

void TableExport::ExportWithDialog() {
  if (m_view.GetDocument() == nullptr) return;
  ExportDialog dialog(m_view.window(), m_view.HasSelection(), m_timeStyle, m_decimalComma,
                      ProposedFile());
  if (dialog.exec() != QDialog::Accepted) return;
  SetTextFormat(dialog.ExportTimeStyle(), dialog.DecimalComma());
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return;
  OpenSettings()->setValue(meterlog2::common::kExportFolderKey,
                           QFileInfo(files.front()).absolutePath());
  QString error;
  bool ok;
  {
    WaitCursor wait;
    ok = ExportCsv(files.front(), dialog.SaveSelectedOnly(), error);
  }
  if (!ok) ShowMessage(m_view.window(), error);
}

void TableExport::CopySelection() const {
  if (!m_view.HasSelection()) return;
  QString text;
  {
    WaitCursor wait;
    text = SelectionText();
  }
  if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(text);
}

}  // namespace meterlog2::view
