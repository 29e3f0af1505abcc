#include "CMeterlog2View.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <algorithm>

#include "CSelectColumns.h"
#include "FrozenColumns.h"
#include "GoToTimeDialog.h"
#include "LogTableModel.h"
#include "StatisticsDialog.h"
#include "common/DateFormat.h"
#include "log/CMeterlog2Doc.h"
#include "log/LogSearch.h"
#include "table/CellText.h"
#include "table/ColumnTextSamples.h"
#include "table/TableColumns.h"
#include "text/TimeText.h"

using meterlog2::view::StatisticsDialog;

namespace {
const char kEmptyTitle[] = "Flash File: Empty";
constexpr int kHeaderPadding = 32;
constexpr int kCellPadding = 16;  // the cell's margins and some air
// A time whose text is as wide as any: two-digit month and day, the afternoon (12-hour clocks).
constexpr qint64 kWideTime = 977'875'138;  // 2000-12-26 23:58:58

}  // namespace

CMeterlog2View::CMeterlog2View(QWidget* parent) : QTableView(parent) {
  m_pModel = new LogTableModel(this);
  setModel(m_pModel);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(true);
  setWordWrap(false);
  setSortingEnabled(false);
  setTabKeyNavigation(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

  // A list of records has no row headers; every row has the same height, which keeps a
  // log of hundreds of thousands of rows as cheap to lay out as a short one.
  QHeaderView* rows = verticalHeader();
  rows->setVisible(false);
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(fontMetrics().height() + 4);

  QHeaderView* columns = horizontalHeader();
  columns->setSectionsMovable(true);
  columns->setSectionsClickable(false);  // headers do not sort and do not select columns
  columns->setHighlightSections(false);
  columns->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
  columns->setSectionResizeMode(QHeaderView::Interactive);
  columns->setStretchLastSection(false);

  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { emit SelectionStateChanged(); });
  connect(DateFormatChanges(), &DateFormatNotifier::Changed, this,
          &CMeterlog2View::OnDateFormatChanged);
  connect(m_pModel, &QAbstractItemModel::modelReset, this,
          [this] { emit SelectionStateChanged(); });
  m_pFrozen = new FrozenColumns(this);
  m_pFrozen->setObjectName(QStringLiteral("frozenColumns"));

  // A width the user sets holds until another log opens.
  connect(columns, &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
    if (!m_applyingLayout && logical >= 0 && logical < m_pModel->columnCount())
      m_userWidths[m_pModel->ColumnId(logical)] = size;
  });
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            emit CurrentRowChanged(current.isValid() ? current.row() : -1);
          });

  // The header's own menu puts a column into the plot pane's trend.
  columns->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(columns, &QHeaderView::customContextMenuRequested, this, &CMeterlog2View::ShowHeaderMenu);
}

void CMeterlog2View::ShowHeaderMenu(const QPoint& pos) {
  const int logical = horizontalHeader()->logicalIndexAt(pos);
  if (logical < 0 || logical >= m_pModel->columnCount()) return;
  const int id = m_pModel->ColumnId(logical);
  if (!IsNumericColumn(id)) return;
  QMenu menu(this);
  const QString title = m_pModel->headerData(logical, Qt::Horizontal).toString();
  menu.addAction(QStringLiteral("&Plot \"%1\"").arg(title));
  QAction* add = menu.addAction(QStringLiteral("&Add \"%1\" to the Trend").arg(title));
  QAction* chosen = menu.exec(horizontalHeader()->mapToGlobal(pos));
  if (chosen != nullptr) emit PlotColumnRequested(id, chosen == add);
}

void CMeterlog2View::SelectRow(unsigned row) {
  if (row >= unsigned(m_pModel->rowCount())) return;
  const QModelIndex current = currentIndex();
  const QModelIndex index = m_pModel->index(int(row), current.isValid() ? current.column() : 0);
  selectionModel()->setCurrentIndex(
      index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  scrollTo(index);
}

int CMeterlog2View::BuildColumns(int logType, uint32_t dataFormat) {
  return m_columns.BuildColumns(logType, dataFormat, m_pDoc);
}

void CMeterlog2View::OnInitialUpdate() {
  if (m_pDoc == nullptr) return;
  if (m_pDoc->GetRecordCount() > 0) {
    int logType = 0;
    if (!m_pDoc->GetLogType(logType, 0)) logType = 0;
    BuildColumns(logType, 0);
  }
  // Another log: the widths and the order the user gave the last one go with it.
  m_userWidths.clear();
  m_userOrder.clear();
  m_forgetLayout = true;
  RebuildTable();
  m_forgetLayout = false;
  // It starts at its first row and column, with nothing selected.
  clearSelection();
  selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  scrollToTop();
  horizontalScrollBar()->setValue(0);
}

void CMeterlog2View::EmitTitle() {
  std::string title, name;
  int64_t seconds;
  if (!m_pDoc->GetRecordTitle(title, 0) || title.empty())
    emit TitleChanged(QLatin1String(kEmptyTitle));
  else if (CurrentDateFormat() != TimeStyle::kTable && m_pDoc->GetLogTypeName(name, 0) &&
           m_pDoc->GetTimeSeconds(seconds, 0))
    emit TitleChanged(QString::fromStdString(name) + QLatin1Char(' ') + RecordTimeText(seconds));
  else
    emit TitleChanged(QString::fromLatin1(title.data(), static_cast<qsizetype>(title.size())));
}

void CMeterlog2View::RebuildTable() {
  if (m_pDoc == nullptr) return;
  EmitTitle();

  // The rows always follow the document: a table that kept the rows and headers of the
  // previous file would show blank rows, or values under the wrong headers.
  std::vector<int> ids;
  QStringList titles;
  for (const TableColumn& column : VisibleColumns(m_columns)) {
    ids.push_back(column.id);
    titles.append(QString::fromStdString(column.title));
  }
  const unsigned count = m_pDoc->GetRecordCount();
  const int rows = static_cast<int>(std::min<unsigned>(count, INT32_MAX));

  // The order the user dragged the columns into, kept through Select Columns (the model still
  // holds the columns shown before the change).
  if (!m_forgetLayout && m_pModel->columnCount() > 0) {
    m_userOrder.clear();
    for (int k : DisplayOrder()) m_userOrder.push_back(m_pModel->ColumnId(k));
  }

  // The records the user selected are the same records after a change of columns.
  const std::vector<unsigned> selected = m_forgetLayout ? std::vector<unsigned>() : SelectedRows();
  const QModelIndex current = currentIndex();
  const int currentRow = current.isValid() ? current.row() : -1;
  const int currentId = current.isValid() ? m_pModel->ColumnId(current.column()) : -1;
  const int scrolledTo = verticalScrollBar()->value();

  setUpdatesEnabled(false);
  m_applyingLayout = true;
  m_pFrozen->Suspend(true);
  m_pModel->Reset(m_pDoc, ids, titles, rows);
  ApplyUserOrder(ids);
  MeasureColumns();
  m_applyingLayout = false;
  m_pFrozen->Suspend(false);
  m_pFrozen->Update();
  if (!m_forgetLayout) RestoreSelection(selected, currentRow, currentId, scrolledTo);
  setUpdatesEnabled(true);
}

void CMeterlog2View::RestoreSelection(const std::vector<unsigned>& rows, int currentRow,
                                      int currentId, int scrolledTo) {
  const int count = m_pModel->rowCount(), columns = m_pModel->columnCount();
  if (columns == 0) return;
  QItemSelection selection;
  for (size_t k = 0; k < rows.size();) {
    size_t end = k;  // a run of consecutive rows is one range
    while (end + 1 < rows.size() && rows[end + 1] == rows[end] + 1) ++end;
    if (int(rows[end]) < count)
      selection.select(m_pModel->index(int(rows[k]), 0),
                       m_pModel->index(int(rows[end]), columns - 1));
    k = end + 1;
  }
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  if (currentRow >= 0 && currentRow < count) {
    int column = 0;
    for (int k = 0; k < columns; ++k)
      if (m_pModel->ColumnId(k) == currentId) column = k;
    selectionModel()->setCurrentIndex(m_pModel->index(currentRow, column),
                                      QItemSelectionModel::NoUpdate);
  }
  verticalScrollBar()->setValue(scrolledTo);
}

void CMeterlog2View::MeasureColumns() {
  // Wide enough for the header and for what the column's cells can show (measured on a fixed
  // sample of rows, so a long log costs no more than a short one).
  QHeaderView* header = horizontalHeader();
  const QFontMetrics headerMetrics = header->fontMetrics();
  const QFontMetrics cellMetrics = fontMetrics();
  const bool applying = m_applyingLayout;
  m_applyingLayout = true;
  for (int k = 0; k < m_pModel->columnCount(); ++k) {
    const int id = m_pModel->ColumnId(k);
    auto user = m_userWidths.find(id);
    if (user != m_userWidths.end()) {
      header->resizeSection(k, user->second);
      continue;
    }
    int width =
        headerMetrics.horizontalAdvance(m_pModel->headerData(k, Qt::Horizontal).toString()) +
        kHeaderPadding;
    for (const std::string& text : ColumnTextSamples(*m_pDoc, id))
      width = std::max(width,
                       cellMetrics.horizontalAdvance(QString::fromStdString(text)) + kCellPadding);
    if (id == meterlog2::table::kTimeColumn && CurrentDateFormat() != TimeStyle::kTable)
      width =
          std::max(width, cellMetrics.horizontalAdvance(RecordTimeText(kWideTime)) + kCellPadding);
    header->resizeSection(k, width);
  }
  m_applyingLayout = applying;
}

void CMeterlog2View::OnDateFormatChanged() {
  if (m_pDoc == nullptr) return;
  EmitTitle();
  m_pModel->RefreshColumn(meterlog2::table::kTimeColumn);
  MeasureColumns();
  m_pFrozen->Update();
}

void CMeterlog2View::SetFreezeTime(bool on) {
  m_pFrozen->SetFreezing(on);
}

bool CMeterlog2View::FreezeTime() const {
  return m_pFrozen->Freezing();
}

void CMeterlog2View::scrollTo(const QModelIndex& index, ScrollHint hint) {
  const int covered = m_pFrozen->CoveredWidth();
  const int before = horizontalScrollBar()->value();
  QTableView::scrollTo(index, hint);
  if (covered == 0 || !index.isValid()) return;
  if (columnViewportPosition(index.column()) + horizontalScrollBar()->value() < covered) {
    // A frozen column is always in view: only the rows move.
    horizontalScrollBar()->setValue(before);
    return;
  }
  // A column scrolled in from the left must not end up under the frozen ones.
  const int left = columnViewportPosition(index.column());
  if (left < covered)
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() + left - covered);
}

void CMeterlog2View::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  m_pFrozen->Update();
}

void CMeterlog2View::ApplyUserOrder(const std::vector<int>& ids) {
  // The header may keep the old visual order through a reset of as many columns: every
  // order is set here. The columns the user had keep their order; a column shown anew follows the
  // column that precedes it in the log's own order.
  std::vector<int> order;
  for (int id : m_userOrder)
    if (std::find(ids.begin(), ids.end(), id) != ids.end()) order.push_back(id);
  for (size_t k = 0; k < ids.size(); ++k) {
    if (std::find(order.begin(), order.end(), ids[k]) != order.end()) continue;
    auto after = k == 0 ? order.end() : std::find(order.begin(), order.end(), ids[k - 1]);
    order.insert(
        after == order.end() ? order.begin() + (k == 0 ? 0 : long(order.size())) : after + 1,
        ids[k]);
  }
  QHeaderView* header = horizontalHeader();
  for (size_t visual = 0; visual < order.size(); ++visual) {
    const int logical = int(std::find(ids.begin(), ids.end(), order[visual]) - ids.begin());
    header->moveSection(header->visualIndex(logical), int(visual));
  }
}

void CMeterlog2View::RepaintCells() {
  m_pModel->RefreshAll();
  // The numbers read in the other byte order have other lengths.
  MeasureColumns();
  m_pFrozen->Update();
  viewport()->update();
}

bool CMeterlog2View::HasSelection() const {
  return selectionModel() != nullptr && selectionModel()->hasSelection();
}

std::vector<int> CMeterlog2View::DisplayOrder() const {
  std::vector<int> order;
  const QHeaderView* header = horizontalHeader();
  const int n = m_pModel->columnCount();
  order.reserve(static_cast<size_t>(n));
  for (int visual = 0; visual < n; ++visual) order.push_back(header->logicalIndex(visual));
  return order;
}

std::vector<TableColumn> CMeterlog2View::DisplayedColumns() const {
  return ::DisplayedColumns(m_columns, DisplayOrder());
}

std::vector<unsigned> CMeterlog2View::SelectedRows() const {
  std::vector<unsigned> rows;
  if (selectionModel() == nullptr) return rows;
  const QModelIndexList selected = selectionModel()->selectedRows();
  rows.reserve(static_cast<size_t>(selected.size()));
  for (const QModelIndex& index : selected) rows.push_back(static_cast<unsigned>(index.row()));
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

unsigned CMeterlog2View::SelectedRowCount() const {
  if (selectionModel() == nullptr) return 0;
  // Whole rows are selected: the ranges' rows, overlaps counted once.
  std::vector<std::pair<int, int>> spans;
  for (const QItemSelectionRange& range : selectionModel()->selection())
    spans.emplace_back(range.top(), range.bottom());
  std::sort(spans.begin(), spans.end());
  unsigned count = 0;
  int end = -1;  // the last row counted
  for (const auto& [top, bottom] : spans) {
    if (bottom <= end) continue;
    count += unsigned(bottom - std::max(top, end + 1) + 1);
    end = bottom;
  }
  return count;
}

bool CMeterlog2View::GoToTime(qint64 seconds, QString& message) {
  if (m_pDoc == nullptr || m_pDoc->GetRecordCount() == 0) return false;
  const int64_t row = FirstRecordAtOrAfter(*m_pDoc, seconds);
  if (row >= 0) {
    SelectRow(unsigned(row));
    return true;
  }
  message = QStringLiteral("No record of this log is at or after %1; its last record is of %2.")
                .arg(RecordTimeText(seconds), RecordTimeCellText(m_pDoc->GetRecordCount() - 1));
  return false;
}

QString CMeterlog2View::RecordTimeCellText(unsigned row) const {
  const int time = m_pModel->ColumnOf(meterlog2::table::kTimeColumn);
  if (time >= 0) return m_pModel->index(int(row), time).data().toString();
  std::string text;
  m_pDoc->GetTimeStamp(text, row);
  return QString::fromStdString(text);
}

void CMeterlog2View::OnGoToTime() {
  if (m_pDoc == nullptr || m_pDoc->GetRecordCount() == 0) return;
  const unsigned count = m_pDoc->GetRecordCount();
  const QModelIndex current = currentIndex();
  // The dialog starts at the current record's time (or the next valid one).
  QString start;
  int64_t seconds;
  for (unsigned row = current.isValid() ? unsigned(current.row()) : 0; row < count; ++row)
    if (m_pDoc->GetTimeSeconds(seconds, row)) {
      start = RecordTimeText(seconds);
      break;
    }
  GoToTimeDialog dialog(window(), start, RecordTimeCellText(0), RecordTimeCellText(count - 1),
                        [this](qint64 asked) {
                          QString message;
                          GoToTime(asked, message);
                          return message;
                        });
  dialog.exec();
}

void CMeterlog2View::OnSelectColumns() {
  CSelectColumns dialog(window());
  for (const ColumnInfo& info : m_columns.Entries()) {
    const std::string label =
        m_pDoc ? GetColumnLabel(*m_pDoc, info.nColumnId, info.strTitle) : info.strTitle;
    dialog.AddColumn(QString::fromStdString(info.strTitle), info.bVisible,
                     info.nColumnId != meterlog2::table::kTimeColumn,
                     QString::fromStdString(label));
  }
  if (dialog.exec() != QDialog::Accepted) return;
  auto& entries = m_columns.Entries();
  for (size_t i = 0; i < entries.size(); ++i)
    entries[i].bVisible = dialog.GetCheck(static_cast<int>(i));
  RebuildTable();
}

void CMeterlog2View::OnStatistics() {
  if (m_pDoc == nullptr || m_pDoc->GetRecordCount() == 0) return;
  StatisticsDialog dialog(window(), *m_pDoc, DisplayedColumns(), SelectedRows(), m_strSourcePath);
  dialog.exec();
}

void CMeterlog2View::OnExportCsv() {
  m_export.ExportWithDialog();
}

void CMeterlog2View::OnEditCopy() {
  m_export.CopySelection();
}

void CMeterlog2View::keyPressEvent(QKeyEvent* event) {
  // The item view would copy the current cell alone; Copy is the table's command.
  if (event->matches(QKeySequence::Copy)) {
    OnEditCopy();
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
  // Home goes to the first column: the table shows its left edge again, even where the first
  // column is one of the frozen ones (which alone would not scroll).
  if (event->key() == Qt::Key_Home) horizontalScrollBar()->setValue(0);
}
