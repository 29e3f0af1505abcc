#pragma once

#include <QDialog>

class QLabel;

// "About Meterlog": icon, product name, version text and the maker's line, with OK.
class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
  QString VersionText() const;

 private:
  QLabel* m_pVersion = nullptr;
};
