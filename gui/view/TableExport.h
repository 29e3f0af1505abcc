#pragma once
// The table taken out of the program as text: Export to CSV (a file, all rows or the selected
// ones) and Copy (the selected rows on the clipboard). Both read the table's cells in the order
// the user sees the columns, through the core's one writer; the choice of times and decimal
// marks is the export's own (remembered) and Copy follows it.

#include <QString>

#include "table/TableWriter.h"

class CMeterlog2View;

namespace meterlog2::view {

class TableExport {
 public:
  explicit TableExport(const CMeterlog2View& view);

  // What Copy puts on the clipboard: header and selected rows, TAB separated, CR LF lines.
  QString SelectionText() const;
  // Writes the CSV file; on failure `error` says what went wrong and no file is left behind.
  bool ExportCsv(const QString& path, bool selectedOnly, QString& error) const;
  // The export's choice of times (kIso or kTable) and decimal marks (remembered).
  void SetTextFormat(TimeStyle timeStyle, bool decimalComma);
  TableFormat GetTextFormat(char separator) const;

  // The commands: the save dialog, then the file (a failure is told); the clipboard.
  void ExportWithDialog();
  void CopySelection() const;

 private:
  // The log's own name as ".csv", in the folder of the last export (else the log's own).
  QString ProposedFile() const;

  const CMeterlog2View& m_view;
  TimeStyle m_timeStyle = TimeStyle::kTable;
  bool m_decimalComma = false;
};

}  // namespace meterlog2::view
