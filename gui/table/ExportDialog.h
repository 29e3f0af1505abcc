#pragma once
// The save dialog of Export to CSV, with the "Save Selected Data Only" check box under its
// standard controls. The box can be ticked only while rows are selected and starts unchecked
// at every export.

#include <QFileDialog>

class QCheckBox;

class CExportDialog : public QFileDialog {
  Q_OBJECT
 public:
  CExportDialog(QWidget* parent, bool hasSelection);

  bool SaveSelectedOnly() const;
  QCheckBox* SelectedOnlyBox() const { return m_pSelectedOnly; }

 private:
  QCheckBox* m_pSelectedOnly = nullptr;
};
