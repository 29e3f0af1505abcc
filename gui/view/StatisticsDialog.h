#pragma once
// View > Statistics: count, minimum, mean and maximum (with the times of the extremes), the
// sample standard deviation and the 95th percentile of every visible numeric column, over all
// rows or only the selected ones, in the order the table shows the columns. It opens on all
// rows unless several rows are selected; a filter box narrows the list by title. The window
// shows the numbers with the decimals of their unit and the times in View > Date Format's
// format, and says in each header's tooltip what the field holds; Copy puts the statistics of the
// columns shown on the clipboard (TAB separated) and Export writes them as CSV, both at full
// precision, the same lines as `meterlog2-cli stats`.

#include <QDialog>
#include <string>
#include <vector>

#include "table/ColumnStatistics.h"

class CMeterlog2Doc;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace meterlog2::view {

class StatisticsDialog : public QDialog {
  Q_OBJECT
 public:
  // `selectedRows` empty: only all rows can be chosen; two or more: they are chosen at first.
  // `sourcePath` is the open log, which an export never writes onto.
  StatisticsDialog(QWidget* parent, const CMeterlog2Doc& doc, std::vector<TableColumn> columns,
                   std::vector<unsigned> selectedRows, QString sourcePath,
                   TimeStyle timeStyle = TimeStyle::kTable);

  // What Copy puts on the clipboard and what Export writes (with "," instead of TAB): the
  // columns the filter shows.
  QString Text(char separator) const;
  bool ExportTo(const QString& path, QString& error) const;

 private:
  void Compute();
  // The table from m_stats, the times in the chosen date format.
  void Fill();
  void FilterRows();
  std::vector<ColumnStatistics> ShownStatistics() const;
  void Copy();
  void Export();

  const CMeterlog2Doc& m_doc;
  std::vector<TableColumn> m_columns;
  std::vector<unsigned> m_selectedRows;
  QString m_sourcePath;
  TimeStyle m_timeStyle;
  std::vector<ColumnStatistics> m_stats;
  QComboBox* m_rows = nullptr;
  QLabel* m_summary = nullptr;
  QLineEdit* m_filter = nullptr;
  QTableWidget* m_table = nullptr;
};

}  // namespace meterlog2::view
