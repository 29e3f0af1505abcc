#include "StatisticsDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/DateFormat.h"
#include "common/MessageBox.h"
#include "common/QtPath.h"
#include "common/WaitCursor.h"
#include "file/OutputFile.h"
#include "log/CMeterlog2Doc.h"

namespace meterlog2::view {

StatisticsDialog::StatisticsDialog(QWidget* parent, const CMeterlog2Doc& doc,
                                   std::vector<TableColumn> columns,
                                   std::vector<unsigned> selectedRows, QString sourcePath,
                                   TimeStyle timeStyle)
    : QDialog(parent),
      m_doc(doc),
      m_columns(std::move(columns)),
      m_selectedRows(std::move(selectedRows)),
      m_sourcePath(std::move(sourcePath)),
      m_timeStyle(timeStyle) {
  setWindowTitle(QStringLiteral("Statistics"));
  setObjectName(QStringLiteral("StatisticsDialog"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  m_rows = new QComboBox(this);
  m_rows->setObjectName(QStringLiteral("rows"));
  m_rows->addItem(QStringLiteral("All %1 rows").arg(doc.GetRecordCount()));
  if (!m_selectedRows.empty()) {
    m_rows->addItem(m_selectedRows.size() == 1
                        ? QStringLiteral("The selected row")
                        : QStringLiteral("The %1 selected rows").arg(m_selectedRows.size()));
  }
  auto* rowsLabel = new QLabel(QStringLiteral("&Over:"), this);
  rowsLabel->setBuddy(m_rows);
  m_summary = new QLabel(this);
  m_summary->setObjectName(QStringLiteral("summary"));
  m_filter = new QLineEdit(this);
  m_filter->setObjectName(QStringLiteral("filter"));
  m_filter->setPlaceholderText(QStringLiteral("Filter columns"));
  m_filter->setClearButtonEnabled(true);
  connect(m_filter, &QLineEdit::textChanged, this, &StatisticsDialog::FilterRows);

  m_table = new QTableWidget(this);
  m_table->setObjectName(QStringLiteral("statistics"));
  const std::span<const StatisticsField> fields = StatisticsFields();
  m_table->setColumnCount(static_cast<int>(fields.size()));
  for (size_t i = 0; i < fields.size(); ++i) {
    auto* header = new QTableWidgetItem(QString::fromUtf8(fields[i].header));
    header->setToolTip(QString::fromUtf8(fields[i].description));
    m_table->setHorizontalHeaderItem(static_cast<int>(i), header);
  }
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->verticalHeader()->hide();
  m_table->setWordWrap(false);
  m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* copy = buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole);
  copy->setObjectName(QStringLiteral("copy"));
  QPushButton* exportButton =
      buttons->addButton(QStringLiteral("&Export to CSV..."), QDialogButtonBox::ActionRole);
  exportButton->setObjectName(QStringLiteral("export"));
  buttons->addButton(QDialogButtonBox::Close);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(copy, &QPushButton::clicked, this, &StatisticsDialog::Copy);
  connect(exportButton, &QPushButton::clicked, this, &StatisticsDialog::Export);
  connect(m_rows, &QComboBox::currentIndexChanged, this, &StatisticsDialog::Compute);
  connect(DateFormatChanges(), &DateFormatNotifier::Changed, this, &StatisticsDialog::Fill);

  auto* top = new QHBoxLayout;
  top->addWidget(rowsLabel);
  top->addWidget(m_rows);
  top->addWidget(m_filter);
  top->addWidget(m_summary, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(m_table, 1);
  layout->addWidget(buttons);
  resize(1200, 560);

  // Several selected rows are what the user means; one is only where the cursor stands.
  if (m_selectedRows.size() > 1) m_rows->setCurrentIndex(1);
  Compute();
}

void StatisticsDialog::Compute() {
  const WaitCursor wait;
  const bool selected = m_rows->currentIndex() == 1;
  m_stats = ComputeStatistics(m_doc, m_columns, selected ? &m_selectedRows : nullptr);
  Fill();
}

void StatisticsDialog::Fill() {
  const std::span<const StatisticsField> fields = StatisticsFields();
  m_table->setRowCount(static_cast<int>(m_stats.size()));
  for (size_t row = 0; row < m_stats.size(); ++row) {
    const ColumnStatistics& s = m_stats[row];
    for (size_t column = 0; column < fields.size(); ++column) {
      const StatisticsCell cell = fields[column].cell(s);
      QString text;
      switch (cell.kind) {
        case StatisticsCell::Kind::kText:
          text = QString::fromUtf8(cell.text.data(), static_cast<qsizetype>(cell.text.size()));
          break;
        case StatisticsCell::Kind::kCount:
          text = QString::number(cell.count);
          break;
        case StatisticsCell::Kind::kValue:
          text = QString::fromStdString(DisplayNumber(cell.value, s.unit));
          break;
        case StatisticsCell::Kind::kTime:
          text = RecordTimeText(m_doc, cell.row, CurrentDateFormat());
          break;
        case StatisticsCell::Kind::kEmpty:
          break;
      }
      auto* item = new QTableWidgetItem(text);
      if (cell.kind == StatisticsCell::Kind::kCount || cell.kind == StatisticsCell::Kind::kValue)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      m_table->setItem(static_cast<int>(row), static_cast<int>(column), item);
    }
  }
  m_table->resizeColumnsToContents();  // ten columns and one row per table column
  FilterRows();
}

void StatisticsDialog::FilterRows() {
  const QString text = m_filter->text().trimmed();
  for (int row = 0; row < m_table->rowCount(); ++row) {
    const QTableWidgetItem* title = m_table->item(row, 0);
    m_table->setRowHidden(row, !text.isEmpty() && title != nullptr &&
                                   !title->text().contains(text, Qt::CaseInsensitive));
  }
  const size_t shown = ShownStatistics().size();
  m_summary->setText(
      m_stats.empty()
          ? QStringLiteral("The table shows no numeric column.")
          : QStringLiteral("%1 numeric columns%2; cells that are no numbers (\"Oops!\", nan, "
                           "inf) are not counted.")
                .arg(m_stats.size())
                .arg(shown == m_stats.size() ? QString()
                                             : QStringLiteral(", %1 shown").arg(shown)));
}

std::vector<ColumnStatistics> StatisticsDialog::ShownStatistics() const {
  std::vector<ColumnStatistics> shown;
  for (size_t row = 0; row < m_stats.size(); ++row)
    if (!m_table->isRowHidden(static_cast<int>(row))) shown.push_back(m_stats[row]);
  return shown;
}

QString StatisticsDialog::Text(char separator) const {
  const std::string text = StatisticsText(m_doc, ShownStatistics(), separator, m_timeStyle);
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void StatisticsDialog::Copy() {
  QApplication::clipboard()->setText(Text('\t'));
}

bool StatisticsDialog::ExportTo(const QString& path, QString& error) const {
  OutputFile file;
  const std::string text = StatisticsText(m_doc, ShownStatistics(), ',', m_timeStyle);
  std::vector<std::filesystem::path> inputs;
  if (!m_sourcePath.isEmpty()) inputs.push_back(PathFromQString(m_sourcePath));
  if (file.Open(PathFromQString(path), inputs) && file.Write(text) && file.Commit()) return true;
  error = QString::fromStdString(file.Error());
  return false;
}

void StatisticsDialog::Export() {
  const QString path = QFileDialog::getSaveFileName(
      this, QStringLiteral("Export Statistics"), QStringLiteral("Statistics.csv"),
      QStringLiteral("Comma Separated Value Files (*.csv);;All Files (*)"));
  if (path.isEmpty()) return;
  QString error;
  if (!ExportTo(path, error)) ShowMessage(this, error);
}

}  // namespace meterlog2::view
