#pragma once
// Trend: chosen numeric columns against the record time. Up to four value axes (two on each
// side), one per family of units (W, VA and var share one: table/Units.h), each spanning at
// least a sensible minimum so that a near-constant series is not drawn as noise
// (table/PlotScale.h); the line breaks where the log's time jumps. Where more records are in
// view than the plot has pixel columns, each series is drawn as the band between its least and
// greatest value per pixel column (table/TrendEnvelope.h), and its legend entry says so.
// Mouse: the wheel zooms the time axis, a drag pans, Shift+drag or a right-button drag zooms
// into a box, a double click shows everything again; a click picks the record nearest in time
// and the current record is marked in a colour no series has.

#include <QString>
#include <vector>

#include "LogPlot.h"
#include "table/PlotData.h"

struct TrendColumn {
  int id = 0;
  QString title;
};

class TrendPlot : public LogPlot {
  Q_OBJECT
 public:
  explicit TrendPlot(QWidget* parent = nullptr);

  void SetDocument(const CMeterlog2Doc* doc) override;
  void SetTimeFormat(TimeStyle format) override;
  // Plots these columns, in order. A column that cannot be drawn (its unit would need a fifth
  // value axis, or it holds no number in this log) is left out: Refused() names those, and the
  // answer says which and why in a sentence (empty when every column is drawn).
  QString SetColumns(const std::vector<TrendColumn>& columns);
  const std::vector<TrendColumn>& Columns() const { return m_columns; }
  const std::vector<TrendColumn>& Refused() const { return m_refused; }
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
  // The value axis that draws column k of Columns(), and the one of every axis in use.
  QCPAxis* ValueAxis(size_t k) const;
  std::vector<QCPAxis*> ValueAxes() const;
  // The series drawn (one per column of Columns()) and the line of series k, every point.
  int SeriesCount() const { return int(m_series.size()); }
  QCPGraph* SeriesLine(size_t k) const { return k < m_series.size() ? m_series[k].line : nullptr; }
  // True when column k is drawn as its min/max band per pixel column.
  bool IsEnvelope(size_t k) const;
  // The band of column k as drawn: (least, greatest) per pixel column.
  std::vector<std::pair<double, double>> EnvelopeOf(size_t k) const;

 signals:
  void RowClicked(unsigned row);

 protected:
  void updateLayout() override;

 private:
  struct Series {
    QCPGraph* line = nullptr;   // every point
    QCPGraph* lower = nullptr;  // the band's lower edge; the upper one fills down to it
    QCPGraph* upper = nullptr;
    QString name;  // "Title (unit)"
    bool envelope = false;
  };
  void Rebuild();
  // Draws each series as its line or, with more points in view than pixel columns, its band;
  // true when a legend entry changed.
  bool UpdateEnvelopes();
  // The index into m_axis of the record nearest the time at pixel x; SIZE_MAX without one.
  size_t NearestPoint(double x) const;
  void UpdateReadOut(double x);
  void OnPress(QMouseEvent* event);
  void OnRelease(QMouseEvent* event);

  TrendAxis m_axis;
  std::vector<std::pair<double, size_t>> m_byTime;  // (time, index into m_axis), sorted
  std::vector<TrendColumn> m_columns;
  std::vector<TrendColumn> m_refused;
  std::vector<std::vector<double>> m_values;  // per column, parallel to m_axis
  std::vector<Unit> m_units;                  // per column
  std::vector<int> m_axisOf;                  // per column: index into m_valueAxes
  std::vector<Series> m_series;               // per column
  std::vector<QCPAxis*> m_valueAxes;          // left, right, outer left, outer right
  QCPRange m_envelopeRange;                   // the time range and width of the bands drawn
  int m_envelopeWidth = 0;
  QCPItemStraightLine* m_marker = nullptr;
  QCPItemStraightLine* m_cursor = nullptr;
  QCPItemText* m_readOutItem = nullptr;
  QString m_readOut;
  QPoint m_pressPos;
  double m_mouseX = -1;  // where the mouse last was over the plot
};

// Sets up a plot of values over time: the x axis in the instrument's clock (seconds since 1970)
// labelled in the plot's time format, the date over the clock, the legend at the top right, the
// wheel zooming the time and a drag panning.
void SetUpTimePlot(LogPlot* plot);
