#pragma once
// "Flash File Directory": the instrument's summary line and its Flash Files in the order it
// listed them. OK (greyed until an entry is picked) asks where to save the file; cancelling
// that question returns to the list with the pick kept.

#include <QDialog>
#include <QString>

class QLabel;
class QListWidget;
class QPushButton;

class CFlashFileDirectory : public QDialog {
  Q_OBJECT
 public:
  explicit CFlashFileDirectory(QWidget* parent = nullptr);

  void SetSummary(const QString& text);
  void AddEntry(const QString& text);
  // The file name each entry proposes in the save dialog (without ".57x"; empty: none).
  void SetFileNames(const QStringList& names) { m_fileNames = names; }
  int GetSelection() const { return m_nSelection; }
  QString GetPathName() const { return m_strPathName; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void OnSelChange();
  void OnOK();

  QLabel* m_pSummary = nullptr;
  QListWidget* m_pList = nullptr;
  QPushButton* m_pOk = nullptr;
  QString m_strSummary;
  QStringList m_entries;
  QStringList m_fileNames;
  int m_nSelection = -1;
  QString m_strPathName;
  bool m_bInitialised = false;
};
