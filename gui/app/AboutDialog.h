#pragma once

#include <QDialog>

class QLabel;

// "About Meterlog": icon, product name, version text, the maker's line and where the
// diagnostic dump file is, with OK.
class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent = nullptr);
  QString VersionText() const;

 private:
  QLabel* m_version = nullptr;
  QLabel* m_dumpFile = nullptr;
};
