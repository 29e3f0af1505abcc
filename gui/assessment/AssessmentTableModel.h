#pragma once
// The criteria of an assessment as a table: failures first, then passes, informative rows and
// what was not assessed; optionally the failures only. Each verdict has its colour; a judged
// value is written at the resolution it was compared at, beside the period it comes from (the
// cell's tooltip lists every period), and a row that was not assessed says why.

#include <QAbstractTableModel>
#include <vector>

#include "assess/Assessment.h"

class AssessmentTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { kVerdict, kCriterion, kValue, kWorstPeriod, kLimit, kNote, kColumnCount };

  explicit AssessmentTableModel(QObject* parent = nullptr);

  // The result shown (nullptr: none). The model keeps the pointer; the owner keeps the result.
  void SetResult(const assess::AssessmentResult* result);
  void SetFailuresOnly(bool failuresOnly);
  bool FailuresOnly() const { return m_failuresOnly; }

  // The criterion shown in `row`, nullptr outside the table.
  const assess::Criterion* CriterionAt(int row) const;
  // The criteria's indices in the order shown.
  const std::vector<size_t>& Rows() const { return m_rows; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  void Rebuild();
  // The criterion's note without the survey's indicative remark, said once above the table.
  QString NoteText(const assess::Criterion& c) const;
  // Every period of the criterion, one to a line, the worst marked.
  QString PeriodsText(const assess::Criterion& c) const;

  const assess::AssessmentResult* m_result = nullptr;
  bool m_failuresOnly = false;
  std::vector<size_t> m_rows;
};

// The background colour of a verdict.
QColor VerdictColor(assess::Verdict verdict);
