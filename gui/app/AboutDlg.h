#pragma once

#include <QDialog>

class QLabel;

// "About Meterlog": icon, product name, version text, the maker's line and where the
// diagnostic dump file is, with OK.
class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
  QString VersionText() const;

 private:
  QLabel* m_pVersion = nullptr;
  QLabel* m_pDumpFile = nullptr;
};
