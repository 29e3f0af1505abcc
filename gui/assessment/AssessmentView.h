#pragma once
// Tools > Assess Supply Quality: the open log judged against EN 50160 and IEEE 519-2014, with
// the same code and the same numbers as `meterlog2-cli assess`. Un and Fn start as the values
// inferred from the log (marked so) and may be typed over; Isc and IL are optional. The result
// table shows every criterion with its coloured verdict, failures first (or the failures
// only); the criterion chosen is drawn below with its limit bands. Copy puts the rows shown on
// the clipboard; Save Report writes the result as the report a client receives (PDF or HTML). A
// change of the log's byte order assesses it again.

#include <QDialog>
#include <memory>

#include "assess/Assessment.h"

class AssessmentTableModel;
class CMeterlog2Doc;
class CriterionPlot;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

class AssessmentView : public QDialog {
  Q_OBJECT
 public:
  explicit AssessmentView(QWidget* parent = nullptr);
  ~AssessmentView() override;

  // The log to assess (nullptr or no records: none), named `path`. Un and Fn go back to being
  // inferred; the log is assessed at once.
  void SetDocument(const CMeterlog2Doc* doc, const QString& path);
  // The log's values changed (another byte order): assessed again with the same choices.
  void Refresh();
  // Assesses with the choices on screen; false (and the user told why) when one is refused.
  bool Assess();

  // The last result; nullptr before the first or after a refusal.
  const assess::AssessmentResult* Result() const { return m_result.get(); }
  // The options the last assessment ran with.
  const assess::AssessOptions& Options() const { return m_options; }
  // The rows shown as the clipboard gets them (TAB separated, CR LF).
  QString CopyText() const;
  // Asks for a file, a title and a site and saves the report of the choices on screen (assessed
  // again first when they changed); false when there is nothing to report, the user cancels or
  // the report could not be saved (the user has been told why).
  bool SaveReport();
  // Chooses the criterion `id` in the table (false when it is not shown).
  bool ChooseCriterion(const QString& id);

  QCheckBox* En50160Choice() const { return m_en50160; }
  QCheckBox* Ieee519Choice() const { return m_ieee519; }
  QLineEdit* NominalVoltage() const { return m_voltage; }
  QComboBox* NominalFrequency() const { return m_frequency; }
  QLabel* NominalVoltageSource() const { return m_voltageSource; }
  QLabel* NominalFrequencySource() const { return m_frequencySource; }
  QLineEdit* ShortCircuitCurrent() const { return m_isc; }
  QLineEdit* LoadCurrent() const { return m_il; }
  QCheckBox* FailuresOnly() const { return m_failuresOnly; }
  QTableView* Table() const { return m_table; }
  AssessmentTableModel* Model() const { return m_model; }
  QLabel* Summary() const { return m_summary; }
  CriterionPlot* Plot() const { return m_plot; }
  QPushButton* SaveReportButton() const { return m_saveReport; }

 private:
  // The constructor's parts: the standards and nominal values, their grid, the bar above the
  // result table, and the table itself.
  void CreateChoiceFields();
  QGridLayout* ChoicesLayout();
  QHBoxLayout* CreateTableBar();
  void CreateTable();
  // Reads the choices into `options`; false with a sentence in `error` when one is refused.
  bool ReadChoices(assess::AssessOptions& options, QString& error) const;
  void ShowResult();
  void ShowNominalValues();
  void CurrentRowChanged();
  void Copy();

  const CMeterlog2Doc* m_doc = nullptr;
  QString m_path;
  bool m_voltageInferred = true;
  bool m_frequencyInferred = true;
  assess::AssessOptions m_options;
  std::unique_ptr<assess::AssessmentResult> m_result;

  QCheckBox* m_en50160 = nullptr;
  QCheckBox* m_ieee519 = nullptr;
  QLineEdit* m_voltage = nullptr;
  QComboBox* m_frequency = nullptr;
  QLabel* m_voltageSource = nullptr;
  QLabel* m_frequencySource = nullptr;
  QLineEdit* m_isc = nullptr;
  QLineEdit* m_il = nullptr;
  QPushButton* m_assess = nullptr;
  QPushButton* m_saveReport = nullptr;
  QLabel* m_summary = nullptr;
  QCheckBox* m_failuresOnly = nullptr;
  QTableView* m_table = nullptr;
  AssessmentTableModel* m_model = nullptr;
  CriterionPlot* m_plot = nullptr;
};
