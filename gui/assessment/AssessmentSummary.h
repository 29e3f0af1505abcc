#pragma once
// What Tools > Assess Supply Quality says above its result table, in the words and numbers of
// `meterlog2-cli assess`: the verdict in its colour (PASS green, FAIL red, INCOMPLETE amber) and
// in a sentence, the survey, the inputs as declared or inferred, the coverage with the weeks
// below 90 %, the gaps, long interruptions and windows left out, the indicative note and the
// result's notes. Details lists every week, gap and interruption. Without a result it says why
// there is no verdict.

#include <QColor>
#include <QWidget>

#include "assess/Assessment.h"

class QLabel;
class QPlainTextEdit;
class QToolButton;

class AssessmentSummary : public QWidget {
  Q_OBJECT
 public:
  explicit AssessmentSummary(QWidget* parent = nullptr);

  void ShowResult(const assess::AssessmentResult& result);
  // No verdict: `why` (a sentence, shown as it is), or nothing at all without a log.
  void ShowNoResult(const QString& why);

  QLabel* Text() const { return m_text; }
  QToolButton* DetailsButton() const { return m_detailsButton; }

 private:
  QLabel* m_text = nullptr;
  QToolButton* m_detailsButton = nullptr;
  QPlainTextEdit* m_details = nullptr;
};

// The colour the verdict of a survey is written in; neither INCOMPLETE nor anything but PASS is
// ever green.
QColor SurveyVerdictColor(assess::Verdict verdict);

// The weeks, gaps, long interruptions and windows left out of a survey, one to a line, as
// `meterlog2-cli assess` lists them.
QString SurveyDetailsText(const assess::SurveyFacts& survey);
