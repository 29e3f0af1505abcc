#pragma once
// The save dialog of File > Save Assessment Report: the report's title, site and paper size
// under the standard controls, and the format chosen by the file's ending (.pdf or .html) or,
// for a name without one, by the type chosen in the dialog. Title, site, paper, type and folder
// start as last saved.

#include <QFileDialog>

#include "report/AssessmentReport.h"

class QComboBox;
class QLineEdit;

class ReportDialog : public QFileDialog {
  Q_OBJECT
 public:
  // `logPath`: the log reported on; the report is offered under its name, in the folder of the
  // last report (else the log's own).
  ReportDialog(QWidget* parent, const QString& logPath);

  // The title, site and paper chosen.
  ReportOptions Options() const;
  // The file chosen (empty before the dialog is accepted).
  QString ChosenFile() const;
  // Keeps the choices for the next report.
  void Remember() const;

 private:
  QLineEdit* m_title = nullptr;
  QLineEdit* m_site = nullptr;
  QComboBox* m_page = nullptr;
};
