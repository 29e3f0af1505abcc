#pragma once
// Tools > Assess Supply Quality: the open log judged with the same code, words and numbers as
// `meterlog2-cli assess`. The choices on top (AssessmentChoices) start as a newly opened log
// needs them: Un empty with what the records suggest beside it, wye, Fn inferred, the standards
// the defaults for Fn. The summary (AssessmentSummary) gives the verdict, the inputs, the
// coverage, gaps and notes, or why there is none (data that cannot be a supply in the byte order
// read gets no verdict). The result table shows every criterion with its coloured verdict,
// failures first (or the failures only); the criterion chosen is drawn below with its limits and
// periods. Copy puts the rows shown on the clipboard; Save Report writes the result as the
// report a client receives (PDF or HTML). A change of the log's byte order assesses it again.

#include <QDialog>
#include <memory>

#include "assess/Assessment.h"

class AssessmentChoices;
class AssessmentSummary;
class AssessmentTableModel;
class CMeterlog2Doc;
class CriterionPlot;
class QCheckBox;
class QComboBox;
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

  // The log to assess (nullptr or no records: none), named `path`: a newly opened log, so the
  // choices start afresh (AssessmentChoices::Reset); the log is assessed at once.
  void SetDocument(const CMeterlog2Doc* doc, const QString& path);
  // The log's values changed (another byte order): assessed again with the same choices.
  void Refresh();
  // Assesses with the choices on screen; false (and the user told why) when one is refused.
  bool Assess();

  // The last result; nullptr before the first, after a refusal, or when the log could not be
  // assessed (Failure() says why).
  const assess::AssessmentResult* Result() const { return m_result.get(); }
  assess::AssessFailure Failure() const { return m_failure; }
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

  AssessmentTableModel* Model() const { return m_model; }
  // The summary's text (rich text).
  QLabel* Summary() const;
  CriterionPlot* Plot() const { return m_plot; }

 private:
  // The constructor's parts: the bar above the result table, the table itself, the order Tab
  // goes in.
  QHBoxLayout* CreateTableBar();
  void CreateTable();
  void SetTabOrder();
  void ShowResult();
  void CurrentRowChanged();
  void Copy();

  const CMeterlog2Doc* m_doc = nullptr;
  QString m_path;
  assess::AssessOptions m_options;
  std::unique_ptr<assess::AssessmentResult> m_result;
  assess::AssessFailure m_failure = assess::AssessFailure::kNone;
  QString m_refusal;  // why the last assessment was refused, as the command line says it

  AssessmentChoices* m_choices = nullptr;
  AssessmentSummary* m_summary = nullptr;
  QCheckBox* m_failuresOnly = nullptr;
  QPushButton* m_copy = nullptr;
  QPushButton* m_saveReport = nullptr;
  QTableView* m_table = nullptr;
  AssessmentTableModel* m_model = nullptr;
  CriterionPlot* m_plot = nullptr;
};
