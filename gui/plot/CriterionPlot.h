#pragma once
// The values one criterion of an assessment was judged on (10-minute values, or the frequency
// of every record) against the record time, with its limit bands: the band a share of the
// values must lie in as a shaded area, the band all must lie in as dashed lines, an upper limit
// as a red line. The same mouse handling as the trend's: wheel zooms the time, drag pans,
// double-click shows everything.

#include "LogPlot.h"
#include "assess/Assessment.h"

class CriterionPlot : public LogPlot {
  Q_OBJECT
 public:
  explicit CriterionPlot(QWidget* parent = nullptr);

  // Draws criterion `id` of `result` (nullptr or an unknown id: a message instead).
  void SetCriterion(const assess::AssessmentResult* result, const std::string& id);
  void ShowRow(unsigned) override {}
  void ResetView() override;
  // The limit lines drawn, as values (for tests).
  QVector<double> LimitLines() const;
  // The number of points of the judged values drawn.
  int PointCount() const;

 private:
  QCPGraph* m_values = nullptr;
  std::vector<QCPItemStraightLine*> m_limits;
};
