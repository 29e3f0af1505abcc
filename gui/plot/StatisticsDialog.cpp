#include "StatisticsDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/MessageBox.h"
#include "common/QtPath.h"
#include "common/WaitCursor.h"
#include "file/OutputFile.h"
#include "log/CMeterlog2Doc.h"

namespace {

const char* const kHeaders[] = {"Column",          "Unit", "Count",   "Minimum",
                                "Time of Minimum", "Mean", "Maximum", "Time of Maximum"};

// The fields of the text lines, for the table's cells: one line's fields split at `separator`.
QStringList Fields(const std::string& line, char separator) {
  return QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()))
      .split(QLatin1Char(separator));
}

}  // namespace

StatisticsDialog::StatisticsDialog(QWidget* parent, const CMeterlog2Doc& doc,
                                   std::vector<TableColumn> columns,
                                   std::vector<unsigned> selectedRows, QString sourcePath)
    : QDialog(parent),
      m_doc(doc),
      m_columns(std::move(columns)),
      m_selectedRows(std::move(selectedRows)),
      m_sourcePath(std::move(sourcePath)) {
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

  m_table = new QTableWidget(this);
  m_table->setObjectName(QStringLiteral("statistics"));
  m_table->setColumnCount(static_cast<int>(std::size(kHeaders)));
  QStringList headers;
  for (const char* h : kHeaders) headers << QLatin1String(h);
  m_table->setHorizontalHeaderLabels(headers);
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

  auto* top = new QHBoxLayout;
  top->addWidget(rowsLabel);
  top->addWidget(m_rows);
  top->addWidget(m_summary, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(m_table, 1);
  layout->addWidget(buttons);
  resize(1000, 520);

  // A selection is what the user looks at: start with it.
  if (!m_selectedRows.empty()) m_rows->setCurrentIndex(1);
  Compute();
}

void StatisticsDialog::Compute() {
  const WaitCursor wait;
  const bool selected = m_rows->currentIndex() == 1;
  m_stats = ComputeStatistics(m_doc, m_columns, selected ? &m_selectedRows : nullptr);
  const std::string text = StatisticsText(m_doc, m_stats, '\t');
  m_table->setRowCount(static_cast<int>(m_stats.size()));
  size_t start = text.find("\r\n") + 2;  // after the header line
  for (int row = 0; start < text.size(); ++row) {
    const size_t end = text.find("\r\n", start);
    const QStringList fields = Fields(text.substr(start, end - start), '\t');
    for (int column = 0; column < fields.size() && column < m_table->columnCount(); ++column) {
      auto* item = new QTableWidgetItem(fields[column]);
      if (column >= 2 && column != 4 && column != 7) {
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      }
      m_table->setItem(row, column, item);
    }
    start = end + 2;
  }
  m_table->resizeColumnsToContents();  // eight columns and one row per table column
  m_summary->setText(m_stats.empty()
                         ? QStringLiteral("The table shows no numeric column.")
                         : QStringLiteral("%1 numeric columns; cells that are no numbers "
                                          "(\"Oops!\", nan, inf) are not counted.")
                               .arg(m_stats.size()));
}

QString StatisticsDialog::Text(char separator) const {
  const std::string text = StatisticsText(m_doc, m_stats, separator);
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void StatisticsDialog::Copy() {
  QApplication::clipboard()->setText(Text('\t'));
}

bool StatisticsDialog::ExportTo(const QString& path, QString& error) const {
  OutputFile file;
  const std::string text = StatisticsText(m_doc, m_stats, ',');
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
