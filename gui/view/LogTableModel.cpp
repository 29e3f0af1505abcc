#include "LogTableModel.h"

#include "log/CMeterlog2Doc.h"
#include "table/CellText.h"

void LogTableModel::Reset(const CMeterlog2Doc* doc, std::vector<int> columnIds, QStringList titles,
                          int rows) {
  beginResetModel();
  m_doc = doc;
  m_columnIds = std::move(columnIds);
  m_titles = std::move(titles);
  m_rows = rows;
  endResetModel();
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
  GetCellText(*m_doc, static_cast<unsigned>(index.row()), m_columnIds[index.column()], m_text);
  return QString::fromLatin1(m_text.data(), static_cast<qsizetype>(m_text.size()));
}

QVariant LogTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  if (section < 0 || section >= m_titles.size()) return {};
  if (role == Qt::DisplayRole) return m_titles[section];
  if (role == Qt::ToolTipRole) {
    // The full title (a narrow column cuts it) and the unit of its numbers.
    const char* unit =
        m_doc ? UnitSymbol(GetColumnUnit(*m_doc, m_columnIds[static_cast<size_t>(section)])) : "";
    return *unit ? QStringLiteral("%1 (%2)").arg(m_titles[section], QString::fromUtf8(unit))
                 : m_titles[section];
  }
  return {};
}
