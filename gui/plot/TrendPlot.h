#pragma once
// Trend: chosen numeric columns against the record time. Up to two value axes, one per family
// of units (W, VA and var share one: table/Units.h); the line breaks where the log's time
// jumps. Mouse: the wheel zooms the time axis, a drag pans, Shift+drag or a right-button drag
// zooms into a box, a double click shows everything again; a click picks the record nearest in
// time and the current record is marked.

#include <QString>
#include <vector>

#include "LogPlot.h"
#include "table/PlotData.h"

class TimeAxisTicker;

struct TrendColumn {
  int id = 0;
  QString title;
};

class TrendPlot : public LogPlot {
  Q_OBJECT
 public:
  explicit TrendPlot(QWidget* parent = nullptr);

  void SetDocument(const CMeterlog2Doc* doc) override;
  void SetTimeStyle(TimeStyle style) override;
  // Plots these columns, in order. A column whose unit would need a third value axis, or
  // that holds no numbers, is left out; their titles come back.
  QStringList SetColumns(const std::vector<TrendColumn>& columns);
  const std::vector<TrendColumn>& Columns() const { return m_columns; }
  // Moves the current-record marker (no marker for a record without a valid time).
  void ShowRow(unsigned row) override;
  void ResetView() override;

  // The record nearest to the time at pixel x of the plot, or -1 without records.
  int64_t RowAtPixel(double x) const;
  // The read-out of the record nearest the mouse: its time and every column's value.
  const QString& ReadOut() const { return m_readOut; }
  // The marker's time, NaN when none is shown.
  double MarkerTime() const;
  const TrendAxis& Axis() const { return m_axis; }

 signals:
  void RowClicked(unsigned row);

 private:
  void Rebuild();
  // The index into m_axis of the record nearest the time at pixel x; SIZE_MAX without one.
  size_t NearestPoint(double x) const;
  void UpdateReadOut(double x);
  void OnPress(QMouseEvent* event);
  void OnRelease(QMouseEvent* event);

  TrendAxis m_axis;
  std::vector<std::pair<double, size_t>> m_byTime;  // (time, index into m_axis), sorted
  std::vector<TrendColumn> m_columns;
  std::vector<std::vector<double>> m_values;  // per column, parallel to m_axis
  std::vector<Unit> m_units;                  // per column
  QSharedPointer<TimeAxisTicker> m_ticker;
  QCPItemStraightLine* m_marker = nullptr;
  QCPItemStraightLine* m_cursor = nullptr;
  QCPItemText* m_readOutItem = nullptr;
  QString m_readOut;
  QPoint m_pressPos;
  double m_mouseX = -1;  // where the mouse last was over the plot
};

// Sets up a plot of values over time: the x axis in the instrument's clock (seconds since 1970)
// labelled as the records' times are written (the ticker's `style`), the legend at the top
// right, the wheel zooming the time and a drag panning. Returns the time axis' ticker.
QSharedPointer<TimeAxisTicker> SetUpTimePlot(QCustomPlot* plot);
