#include "LogTableModel.h"

#include "common/DateFormat.h"
#include "log/CMeterlog2Doc.h"
#include "table/CellText.h"
#include "table/ColumnInfo.h"

void LogTableModel::Reset(const CMeterlog2Doc* doc, std::vector<int> columnIds, QStringList titles,
                          int rows) {
  beginResetModel();
  m_doc = doc;
  m_columnIds = std::move(columnIds);
  m_titles = std::move(titles);
  m_rows = rows;
  endResetModel();
}

int LogTableModel::ColumnOf(int columnId) const {
  for (size_t k = 0; k < m_columnIds.size(); ++k)
    if (m_columnIds[k] == columnId) return static_cast<int>(k);
  return -1;
}

void LogTableModel::RefreshColumn(int columnId) {
  const int column = ColumnOf(columnId);
  if (column >= 0 && m_rows > 0)
    emit dataChanged(index(0, column), index(m_rows - 1, column), {Qt::DisplayRole});
}

void LogTableModel::RefreshAll() {
  if (m_rows > 0 && !m_columnIds.empty())
    emit dataChanged(index(0, 0), index(m_rows - 1, static_cast<int>(m_columnIds.size()) - 1),
                     {Qt::DisplayRole});
}

int LogTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_rows;
}

int LogTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_columnIds.size());
}

QVariant LogTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole) return {};
  // Rows the document no longer holds get no text, not "Oops!".
  if (m_doc == nullptr || index.row() < 0 ||
      static_cast<unsigned>(index.row()) >= m_doc->GetRecordCount() ||
      index.column() >= static_cast<int>(m_columnIds.size()))
    return {};
  const auto row = static_cast<unsigned>(index.row());
  const int id = m_columnIds[static_cast<size_t>(index.column())];
  // The time as the reader chose to see it; the log's own form and a time stamp that reads as
  // none come as the cell text has them.
  int64_t seconds;
  if (id == meterlog2::table::kTimeColumn && CurrentDateFormat() != TimeStyle::kTable &&
      m_doc->GetTimeSeconds(seconds, row))
    return RecordTimeText(seconds);
  GetCellText(*m_doc, row, id, m_text);
  return QString::fromLatin1(m_text.data(), static_cast<qsizetype>(m_text.size()));
}

QVariant LogTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  if (section < 0 || section >= m_titles.size()) return {};
  if (role == Qt::DisplayRole) return m_titles[section];
  if (role == Qt::ToolTipRole) {
    // The full title (a narrow column cuts it) and the unit of its numbers.
    if (m_doc == nullptr) return m_titles[section];
    return QString::fromStdString(GetColumnLabel(*m_doc, m_columnIds[static_cast<size_t>(section)],
                                                 m_titles[section].toStdString()));
  }
  return {};
}
