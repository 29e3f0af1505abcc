#include "ReportDialog.h"

#include <algorithm>

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "common/Settings.h"
#include "common/SettingsKeys.h"

namespace {

const QString kPdfFilter = QStringLiteral("PDF Documents (*.pdf)");
const QString kHtmlFilter = QStringLiteral("HTML Pages (*.html)");

QString SuffixOf(const QString& filter) {
  return filter == kHtmlFilter ? QStringLiteral("html") : QStringLiteral("pdf");
}

}  // namespace

ReportDialog::ReportDialog(QWidget* parent, const QString& logPath) : QFileDialog(parent) {
  // The fields under the standard controls need Qt's own dialog: a native one has no room.
  setOption(QFileDialog::DontUseNativeDialog, true);
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  setWindowTitle(QStringLiteral("Save Assessment Report"));
  setNameFilters({kPdfFilter, kHtmlFilter});

  const auto settings = OpenSettings();
  const bool html = settings->value(meterlog2::common::kReportTypeKey).toString() == "html";
  const QString filter = html ? kHtmlFilter : kPdfFilter;
  selectNameFilter(filter);
  setDefaultSuffix(SuffixOf(filter));
  const QFileInfo log(logPath);
  QString folder = settings->value(meterlog2::common::kReportFolderKey).toString();
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = log.absolutePath();
  setDirectory(folder);
  const QString base = log.completeBaseName().isEmpty() ? QStringLiteral("Assessment Report")
                                                        : log.completeBaseName();
  selectFile(base + QLatin1Char('.') + SuffixOf(filter));
  // Another type: the name offered takes its ending, and a name typed without one gets it.
  connect(this, &QFileDialog::filterSelected, this, [this](const QString& chosen) {
    const QString suffix = SuffixOf(chosen);
    setDefaultSuffix(suffix);
    const QStringList files = selectedFiles();
    if (files.isEmpty()) return;
    const QFileInfo typed(files.front());
    if (ReportFormatFor(typed.fileName()) != ReportFormat::kNone)
      selectFile(typed.completeBaseName() + QLatin1Char('.') + suffix);
  });

  m_title = new QLineEdit(settings->value(meterlog2::common::kReportTitleKey).toString(), this);
  m_title->setObjectName(QStringLiteral("reportTitle"));
  m_title->setPlaceholderText(QString::fromUtf8(kDefaultReportTitle));
  m_site = new QLineEdit(settings->value(meterlog2::common::kReportSiteKey).toString(), this);
  m_site->setObjectName(QStringLiteral("reportSite"));
  m_site->setPlaceholderText(QStringLiteral("where the survey was made (optional)"));
  m_page = new QComboBox(this);
  m_page->setObjectName(QStringLiteral("pageSize"));
  m_page->addItem(QStringLiteral("A4"), QStringLiteral("a4"));
  m_page->addItem(QStringLiteral("US Letter"), QStringLiteral("letter"));
  m_page->setCurrentIndex(
      std::max(0, m_page->findData(settings->value(meterlog2::common::kReportPageKey).toString())));
  m_page->setToolTip(QStringLiteral("The PDF's paper, and the HTML page's when printed"));
  if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
    const auto add = [&](const QString& label, QWidget* field) {
      auto* name = new QLabel(label, this);
      name->setBuddy(field);
      const int row = grid->rowCount();
      grid->addWidget(name, row, 0);
      grid->addWidget(field, row, 1, 1, grid->columnCount() - 1);
    };
    add(QStringLiteral("Report &title:"), m_title);
    add(QStringLiteral("S&ite:"), m_site);
    add(QStringLiteral("&Paper:"), m_page);
  }
}

ReportOptions ReportDialog::Options() const {
  ReportOptions options;
  options.title = m_title->text().trimmed().toStdString();
  options.site = m_site->text().trimmed().toStdString();
  options.page = m_page->currentData().toString() == QLatin1String("letter")
                     ? ReportOptions::Page::kLetter
                     : ReportOptions::Page::kA4;
  return options;
}

QString ReportDialog::ChosenFile() const {
  const QStringList files = selectedFiles();
  return result() == QDialog::Accepted && !files.isEmpty() ? files.front() : QString();
}

void ReportDialog::Remember() const {
  const auto settings = OpenSettings();
  settings->setValue(meterlog2::common::kReportTitleKey, m_title->text().trimmed());
  settings->setValue(meterlog2::common::kReportSiteKey, m_site->text().trimmed());
  settings->setValue(meterlog2::common::kReportPageKey, m_page->currentData());
  const QString file = ChosenFile();
  if (file.isEmpty()) return;
  settings->setValue(meterlog2::common::kReportTypeKey,
                     ReportFormatFor(file) == ReportFormat::kHtml ? "html" : "pdf");
  settings->setValue(meterlog2::common::kReportFolderKey, QFileInfo(file).absolutePath());
}
