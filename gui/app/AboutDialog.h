#pragma once

#include <QDialog>

class QLabel;
namespace meterlog2::log {
class DumpWriter;
}

// "About Meterlog": icon, product name, version text, the maker's line and the diagnostic dump
// (where it goes, its size rule, the disk it takes, and why the last one stopped when it did;
// without a writer, what a new one would say), with OK.
class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent = nullptr, const meterlog2::log::DumpWriter* dump = nullptr);
  QString VersionText() const;

 private:
  QLabel* m_version = nullptr;
  QLabel* m_dumpFile = nullptr;
};
