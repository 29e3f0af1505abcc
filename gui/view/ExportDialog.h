#pragma once
// The save dialog of Export to CSV, with the "Save Selected Data Only" check box under its
// standard controls. The box can be ticked only while rows are selected and starts unchecked
// at every export. Two more boxes choose ISO 8601 times and decimal commas (with ";" between
// the fields) for spreadsheets in languages that write numbers so; they start as last chosen.

#include <QFileDialog>

#include "text/TimeText.h"

class QCheckBox;

class ExportDialog : public QFileDialog {
  Q_OBJECT
 public:
  // `proposed`: the file offered (folder and name); "Meterlog2 Data" when empty.
  // `timeStyle`: TimeStyle::kIso ticks the ISO box; the export writes kTable otherwise.
  ExportDialog(QWidget* parent, bool hasSelection, TimeStyle timeStyle = TimeStyle::kTable,
               bool decimalComma = false, const QString& proposed = QString());

  bool SaveSelectedOnly() const;
  TimeStyle ExportTimeStyle() const;  // kIso or kTable
  bool DecimalComma() const;

 private:
  QCheckBox* m_selectedOnly = nullptr;
  QCheckBox* m_isoTime = nullptr;
  QCheckBox* m_decimalComma = nullptr;
};
