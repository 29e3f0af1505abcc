#pragma once
// The table's model: it knows the row count and which column identifier each table column
// stands for, and produces a cell's text only when the view asks for it. No cell text is kept.

#include <QAbstractTableModel>
#include <QStringList>
#include <string>
#include <vector>

class CMeterlog2Doc;

class LogTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit LogTableModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  // Replaces the columns (table column k shows `columnIds[k]` under `titles[k]`) and the rows.
  void Reset(const CMeterlog2Doc* doc, std::vector<int> columnIds, QStringList titles, int rows);
  // Every cell reads its record again (after a change of byte order).
  void RefreshAll();
  // The cells of one column read again (the date format changed).
  void RefreshColumn(int columnId);

  int ColumnId(int column) const { return m_columnIds[column]; }
  // The table column that shows `columnId`, or -1.
  int ColumnOf(int columnId) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  const CMeterlog2Doc* m_doc = nullptr;
  std::vector<int> m_columnIds;
  QStringList m_titles;
  int m_rows = 0;
  mutable std::string m_text;  // scratch buffer reused by every request
};
