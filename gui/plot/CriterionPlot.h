#pragma once
// The values one criterion of an assessment was judged on (10-minute values, the frequency of
// every record, 15-minute means) against the record time, with its limit bands: the band a share
// of the values must lie in as a shaded area, the band all must lie in as dashed lines, an upper
// limit as a red line. A criterion judged on a statistic of each period (a week's 95th or 99th
// percentile, a day's 99th) also shows each period's value as a step against that limit; one
// whose values were not kept (IEEE 519's daily 99th percentiles) shows the steps alone. Lines
// break where the survey has a gap or a long interruption. A criterion with nothing to draw is said
// so, and why. The same mouse handling as the trend's: wheel zooms the time, drag pans,
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
  // The places the line of the judged values breaks at a gap or a long interruption.
  int LineBreaks() const { return m_breaks; }
  // The periods drawn as steps, each with its value (NaN for a period without one).
  QVector<double> PeriodValues() const;

 private:
  void DrawSeries(const assess::Series& series, const std::vector<assess::TimeSpan>& holes);
  void DrawPeriods(const assess::Criterion& c);
  void DrawLimits(const assess::Criterion& c, const QString& unit);
  void AddLimitLine(double value, const QColor& color, Qt::PenStyle style, const QString& name);

  QCPGraph* m_values = nullptr;
  QCPGraph* m_periods = nullptr;
  std::vector<QCPItemStraightLine*> m_limits;
  int m_breaks = 0;
};
