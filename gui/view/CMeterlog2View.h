#pragma once
// The table view: one row per record, one column per visible entry of the column list. Cells
// are produced on demand by the model; copy and export (TableExport) read the same cells in the
// order the user sees the columns.

#include <QTableView>
#include <cstdint>
#include <map>
#include <vector>

#include "TableExport.h"
#include "table/ColumnList.h"

class CMeterlog2Doc;
class LogTableModel;
class FrozenColumns;

class CMeterlog2View : public QTableView {
  Q_OBJECT
 public:
  explicit CMeterlog2View(QWidget* parent = nullptr);

  void SetDocument(const CMeterlog2Doc* doc) { m_pDoc = doc; }
  // The file the document was read from: an export never writes onto it.
  void SetSourcePath(const QString& path) { m_strSourcePath = path; }
  const QString& GetSourcePath() const { return m_strSourcePath; }
  const CMeterlog2Doc* GetDocument() const { return m_pDoc; }
  ColumnList& GetColumnList() { return m_columns; }
  const ColumnList& GetColumnList() const { return m_columns; }
  // Export to CSV and Copy, with the export's remembered choice of times and decimal marks.
  meterlog2::view::TableExport& Export() { return m_export; }
  const meterlog2::view::TableExport& Export() const { return m_export; }

  // Fills the column list from the column set of `logType`; a data format of 0 means the
  // document's detected one. Returns the number of entries.
  int BuildColumns(int logType, uint32_t dataFormat);
  // After a file was opened (or the document emptied): columns from record 0, then the table.
  void OnInitialUpdate();
  // Re-creates the table's columns and rows from the column list and the document, and sets
  // the document title from record 0. The selected records and the current one stay.
  void RebuildTable();
  // Every visible cell is read again (the byte order changed) and the columns measured again;
  // the selection and the user's widths stay.
  void RepaintCells();

  bool HasSelection() const;
  // The shown columns in the order the user sees them (the export's and the clipboard's order),
  // and the selected rows ascending.
  std::vector<TableColumn> DisplayedColumns() const;
  std::vector<unsigned> SelectedRows() const;

  // The number of selected rows, without listing them.
  unsigned SelectedRowCount() const;
  // Edit > Go To Time: the dialog, which goes to the record itself.
  void OnGoToTime();
  // Selects the first record at or after `seconds`; false, and `message` says why, when none is.
  bool GoToTime(qint64 seconds, QString& message);

  void OnSelectColumns();
  void OnStatistics();
  void OnExportCsv();
  void OnEditCopy();

  // The columns up to Time stay in view while the table scrolls sideways (on by default).
  void SetFreezeTime(bool on);
  bool FreezeTime() const;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

  // Makes `row` the current and only selected record and scrolls to it.
  void SelectRow(unsigned row);

 signals:
  void TitleChanged(const QString& title);
  // The current record (-1: none).
  void CurrentRowChanged(int row);
  // The header's context menu: plot this column alone, or add it to the trend.
  void PlotColumnRequested(int columnId, bool add);
  void SelectionStateChanged();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The header's menu: plot this column alone, or add it to the trend (numeric columns only).
  void ShowHeaderMenu(const QPoint& pos);
  void EmitTitle();
  // Each column as wide as its header and what its cells show, unless the user set its width.
  void MeasureColumns();
  void RestoreSelection(const std::vector<unsigned>& rows, int currentRow, int currentId,
                        int scrolledTo);
  // The Time column's text of `row`, as the table shows it.
  QString RecordTimeCellText(unsigned row) const;
  void OnDateFormatChanged();
  // The model column shown at each position, left to right.
  std::vector<int> DisplayOrder() const;
  void ApplyUserOrder(const std::vector<int>& ids);

  const CMeterlog2Doc* m_pDoc = nullptr;
  QString m_strSourcePath;
  ColumnList m_columns;
  LogTableModel* m_pModel = nullptr;
  FrozenColumns* m_pFrozen = nullptr;
  std::map<int, int> m_userWidths;  // column identifier -> width the user dragged it to
  std::vector<int> m_userOrder;     // column identifiers in the order the user sees them
  bool m_applyingLayout = false;
  bool m_forgetLayout = false;  // a new log: the user's order of the last one does not apply
  meterlog2::view::TableExport m_export{*this};
};
