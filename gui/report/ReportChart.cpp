#include "ReportChart.h"

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

#include "ReportStyle.h"
#include "table/TrendEnvelope.h"
#include "text/DecimalText.h"
#include "text/TimeText.h"

using namespace meterlog2::report;

namespace {

// A ticker that remembers the step between its ticks, for its labels.
template <class Ticker>
class SteppedTicker : public Ticker {
 protected:
  double getTickStep(const QCPRange& range) override {
    m_step = Ticker::getTickStep(range);
    return m_step;
  }
  double m_step = 1;
};

// Times as the rest of the program writes them (ISO 8601), the date over the time of day; the
// seconds only when the ticks lie closer than a minute, the time only when they are not
// midnights a day or more apart.
class ClockTicker : public SteppedTicker<QCPAxisTickerDateTime> {
 protected:
  QString getTickLabel(double tick, const QLocale&, QChar, int) override {
    std::string text = TimeText(static_cast<int64_t>(std::llround(tick)), TimeStyle::kIsoSpace);
    const size_t space = text.find(' ');
    if (m_step >= 86400 && text.compare(space + 1, std::string::npos, "00:00:00") == 0)
      return QString::fromStdString(text.substr(0, space));
    if (m_step >= 60) text.resize(text.size() - 3);
    text[space] = '\n';
    return QString::fromStdString(text);
  }
};

// Numbers with "." whatever the locale, as many decimals as the tick step needs.
class DecimalTicker : public SteppedTicker<QCPAxisTicker> {
 protected:
  QString getTickLabel(double tick, const QLocale&, QChar, int) override {
    const int decimals =
        m_step >= 1 ? 0 : std::clamp(static_cast<int>(std::ceil(-std::log10(m_step))) + 1, 0, 6);
    return QString::fromStdString(ReadableDecimal(tick, decimals));
  }
};

void StyleAxis(QCPAxis* axis) {
  axis->setLabelFont(ReportFont(kChartTextSize));
  axis->setTickLabelFont(ReportFont(kChartTextSize));
  axis->setLabelColor(kInkColor);
  axis->setTickLabelColor(kInkColor);
  axis->grid()->setPen(QPen(kRuleColor, 0.5, Qt::DotLine));
}

// A line's band as it is drawn, as the desktop's trend draws it: the space between the least and
// the greatest value of each column filled in the line's colour made light, its edges in the
// line's colour and width (so that a steady value looks as its line did). In an image the band
// is made of rectangles on the pixel grid, each edge rising or falling to the next column's value
// as a line would: they need no smoothing, and filling them costs a small part of what stroking
// thousands of steep segments with a smoothed pen does. In a PDF it is one outlined area through
// the middle of each column, which the reader's program draws at any zoom.
class ColumnBand : public QCPAbstractPlottable {
 public:
  ColumnBand(QCPAxis* keyAxis, QCPAxis* valueAxis, const QColor& color, const QColor& fill)
      : QCPAbstractPlottable(keyAxis, valueAxis), m_color(color), m_fill(fill) {
    setAntialiased(false);
    removeFromLegend();
  }
  void SetColumns(std::vector<BandColumn> columns) { m_columns = std::move(columns); }
  double selectTest(const QPointF&, bool, QVariant*) const override { return -1; }
  QCPRange getKeyRange(bool& found, QCP::SignDomain) const override {
    found = !m_columns.empty();
    return found ? QCPRange(m_columns.front().from, m_columns.back().to) : QCPRange();
  }
  QCPRange getValueRange(bool& found, QCP::SignDomain, const QCPRange&) const override {
    QCPRange range(std::numeric_limits<double>::infinity(),
                   -std::numeric_limits<double>::infinity());
    for (const BandColumn& c : m_columns) {
      range.lower = std::min(range.lower, c.lower);
      range.upper = std::max(range.upper, c.upper);
    }
    found = !m_columns.empty();
    return found ? range : QCPRange();
  }

 protected:
  void draw(QCPPainter* painter) override {
    if (painter->modes().testFlag(QCPPainter::pmVectorized))
      DrawPaths(painter);
    else
      DrawPixels(painter);
  }
  void drawLegendIcon(QCPPainter*, const QRectF&) const override {}

 private:
  static constexpr double kHalfLine = 0.5;  // the line's pen is 1 wide

  QRectF Span(const BandColumn& c, double low, double high) const {
    const double left = mKeyAxis->coordToPixel(c.from);
    const double right = std::max(mKeyAxis->coordToPixel(c.to), left + 1.0 / kChartPixelRatio);
    return QRectF(QPointF(left, mValueAxis->coordToPixel(high)),
                  QPointF(right, mValueAxis->coordToPixel(low)));
  }

  void DrawPixels(QCPPainter* painter) const {
    applyDefaultAntialiasingHint(painter);
    for (const BandColumn& c : m_columns) painter->fillRect(Span(c, c.lower, c.upper), m_fill);
    for (size_t i = 0; i < m_columns.size(); ++i) {
      const BandColumn& c = m_columns[i];
      const BandColumn& before = c.first ? c : m_columns[i - 1];
      for (const auto& [value, previous] :
           {std::pair{c.upper, before.upper}, std::pair{c.lower, before.lower}}) {
        const QRectF edge = Span(c, std::min(value, previous), std::max(value, previous));
        painter->fillRect(edge.adjusted(-kHalfLine, -kHalfLine, kHalfLine, kHalfLine), m_color);
      }
    }
  }

  void DrawPaths(QCPPainter* painter) const {
    painter->setAntialiasing(true);
    for (size_t start = 0, end = 0; start < m_columns.size(); start = end) {
      for (end = start + 1; end < m_columns.size() && !m_columns[end].first;) ++end;
      // A point a column at its middle, the piece's first and last at its first and last time.
      QPolygonF upper, lower;
      for (size_t i = start; i < end; ++i) {
        const BandColumn& c = m_columns[i];
        const QRectF span = Span(c, c.lower, c.upper);
        if (i == start) {
          upper << span.topLeft();
          lower << span.bottomLeft();
        }
        if (i + 1 == end) {
          upper << span.topRight();
          lower << span.bottomRight();
        } else if (i != start) {
          upper << QPointF(span.center().x(), span.top());
          lower << QPointF(span.center().x(), span.bottom());
        }
      }
      // One outlined area: the edges, and the piece's two ends.
      QPolygonF area = upper;
      for (qsizetype i = lower.size(); i-- > 0;) area << lower[i];
      painter->setPen(QPen(m_color, 2 * kHalfLine));
      painter->setBrush(m_fill);
      painter->drawPolygon(area);
    }
  }

  QColor m_color, m_fill;
  std::vector<BandColumn> m_columns;
};

// A chart whose long lines are drawn as bands, for the pixel columns it has once it is laid out
// for its page or image. The line's graph keeps its entry in the legend; it is empty while its
// band is drawn.
class ChartPlot : public QCustomPlot {
 public:
  void AddLine(LinePoints points, const QString& name, const QColor& color) {
    Line line;
    line.values = static_cast<size_t>(std::count_if(points.values.begin(), points.values.end(),
                                                    [](double v) { return std::isfinite(v); }));
    line.points = std::move(points);
    line.graph = addGraph();
    line.graph->setPen(QPen(color, 1.0));
    line.graph->setName(name);
    line.fill = color;
    line.fill.setAlpha(70);
    line.band = new ColumnBand(xAxis, yAxis, color, line.fill);
    m_lines.push_back(std::move(line));
    Draw(m_lines.back(), 0);
  }

 protected:
  // A column to a point of the chart, as the desktop's trend has a column to a pixel of the screen.
  void updateLayout() override {
    QCustomPlot::updateLayout();
    const size_t columns = static_cast<size_t>(std::max(0, axisRect()->width()));
    if (columns == m_columns && xAxis->range() == m_range) return;
    m_columns = columns;
    m_range = xAxis->range();
    for (Line& line : m_lines) Draw(line, columns);
  }

 private:
  struct Line {
    LinePoints points;
    size_t values = 0;  // the numbers among the points
    QCPGraph* graph = nullptr;
    ColumnBand* band = nullptr;
    QColor fill;
  };

  // The line as a line, or as its band over `columns` columns when it has more values.
  void Draw(Line& line, size_t columns) {
    const bool band = columns > 0 && line.values > columns;
    line.band->SetColumns(band ? BandData(line.points, m_range.lower, m_range.upper, columns)
                               : std::vector<BandColumn>());
    // The legend's entry shows the band's colour under the line's.
    line.graph->setBrush(band ? QBrush(line.fill) : Qt::NoBrush);
    if (band) {
      line.graph->data()->clear();
    } else {
      const LinePoints& p = line.points;
      line.graph->setData(QVector<double>(p.keys.begin(), p.keys.end()),
                          QVector<double>(p.values.begin(), p.values.end()), true);
    }
  }

  std::vector<Line> m_lines;
  size_t m_columns = 0;
  QCPRange m_range;
};

// A plot with the title over the axes and the legend under them.
std::unique_ptr<ChartPlot> NewPlot(const ChartPlan& plan) {
  auto plot = std::make_unique<ChartPlot>();
  plot->setFont(ReportFont(kChartTextSize));
  plot->plotLayout()->insertRow(0);
  plot->plotLayout()->addElement(
      0, 0, new QCPTextElement(plot.get(), Q(plan.title), ReportFont(kChartTextSize + 1, true)));
  StyleAxis(plot->xAxis);
  StyleAxis(plot->yAxis);
  plot->yAxis->setLabel(Q(plan.valueLabel));
  auto values = QSharedPointer<DecimalTicker>::create();
  values->setTickCount(6);
  plot->yAxis->setTicker(values);
  plot->legend->setVisible(true);
  plot->legend->setFont(ReportFont(kChartTextSize));
  plot->legend->setBorderPen(Qt::NoPen);
  plot->legend->setBrush(Qt::NoBrush);
  plot->legend->setFillOrder(QCPLegend::foColumnsFirst);
  plot->legend->setIconSize(18, 9);
  plot->axisRect()->insetLayout()->take(plot->legend);
  plot->plotLayout()->addElement(2, 0, plot->legend);
  plot->plotLayout()->setRowStretchFactor(2, 0.001);
  plot->plotLayout()->setRowSpacing(2);
  return plot;
}

// A flat line at `value` over the chart's time span, in the legend when named.
QCPGraph* FlatLine(QCustomPlot& plot, double from, double to, double value, const QPen& pen,
                   const QString& name) {
  QCPGraph* graph = plot.addGraph();
  graph->setData({from, to}, {value, value}, true);
  graph->setPen(pen);
  graph->setName(name);
  if (name.isEmpty()) graph->removeFromLegend();
  return graph;
}

void BuildTime(ChartPlot& plot, const ChartPlan& plan) {
  plot.xAxis->setTicker(QSharedPointer<ClockTicker>::create());
  plot.xAxis->ticker()->setTickCount(6);
  plot.xAxis->setLabel(QStringLiteral("Time (instrument clock)"));
  double first = std::numeric_limits<double>::infinity(), last = -first;
  for (const ChartLine& line : plan.lines) {
    LinePoints points = LineData(plan, line);
    if (!points.keys.empty()) {
      first = std::min(first, points.keys.front());
      last = std::max(last, points.keys.back() + static_cast<double>(line.series->windowSeconds));
    }
    plot.AddLine(std::move(points), Q(line.name), ToQColor(line.color));
  }
  if (!(first < last)) first = 0, last = 1;
  for (const ChartLimit& limit : plan.limits) {
    if (limit.shaded && std::isfinite(limit.low) && std::isfinite(limit.high)) {
      QColor fill = ToQColor(limit.color);
      fill.setAlpha(40);
      QCPGraph* low =
          FlatLine(plot, first, last, limit.low, QPen(ToQColor(limit.color), 0.8), QString());
      QCPGraph* high =
          FlatLine(plot, first, last, limit.high, QPen(ToQColor(limit.color), 0.8), Q(limit.name));
      high->setBrush(fill);
      high->setChannelFillGraph(low);
      continue;
    }
    QString name = Q(limit.name);
    const QPen pen(ToQColor(limit.color), 1.2, Qt::DashLine);
    for (double edge : {limit.low, limit.high}) {
      if (!std::isfinite(edge)) continue;
      FlatLine(plot, first, last, edge, pen, name);
      name.clear();  // one legend entry for both edges
    }
  }
  plot.xAxis->setRange(first, last);
  const auto [low, high] = ValueRange(plan);
  plot.yAxis->setRange(low, high);
}

void BuildHarmonics(QCustomPlot& plot, const ChartPlan& plan) {
  const int count = plan.lastHarmonic - plan.firstHarmonic + 1;
  auto ticker = QSharedPointer<QCPAxisTickerText>::create();
  for (int h = plan.firstHarmonic; h <= plan.lastHarmonic; ++h) {
    // Every harmonic up to 25; beyond, the odd ones (and the 2nd) carry a number.
    const bool labelled = count <= 24 || h % 2 == 1 || h == plan.firstHarmonic;
    ticker->addTick(h, labelled ? QString::number(h) : QString());
  }
  plot.xAxis->setTicker(ticker);
  plot.xAxis->setSubTicks(false);
  plot.xAxis->grid()->setVisible(false);
  plot.xAxis->setLabel(QStringLiteral("Harmonic number"));
  plot.xAxis->setRange(plan.firstHarmonic - 0.7, plan.lastHarmonic + 0.7);
  for (bool failed : {false, true}) {
    QVector<double> keys, data;
    for (const ChartBar& bar : plan.bars) {
      if (bar.failed != failed || !std::isfinite(bar.value)) continue;
      keys.append(bar.harmonic);
      data.append(bar.value);
    }
    if (keys.isEmpty() && (failed || plan.bars.empty())) continue;
    auto* bars = new QCPBars(plot.xAxis, plot.yAxis);
    bars->setData(keys, data, true);
    bars->setWidth(0.7);
    const QColor color = failed ? ToneColor(Tone::kFail) : ToQColor(plan.barColor);
    bars->setPen(QPen(color.darker(130), 0.5));
    bars->setBrush(color);
    bars->setName(Q(failed ? plan.failedBarName : plan.barName));
  }
  // The axis rectangle is about the chart less its margins wide: a dash spans most of a bar.
  const double slot = (kChartWidth - 70.0) / (count + 1.4);
  for (const ChartMarker& marker : plan.markers) {
    QVector<double> keys, data;
    for (const auto& [h, limit] : marker.limits) {
      keys.append(h);
      data.append(limit);
    }
    QCPGraph* graph = plot.addGraph();
    graph->setData(keys, data, true);
    graph->setLineStyle(QCPGraph::lsNone);
    graph->setPen(QPen(ToQColor(marker.color), 1.6));
    graph->setName(Q(marker.name));
    if (marker.shape == ChartMarker::Shape::kDash) {
      QPainterPath dash;
      dash.moveTo(-3, 0);
      dash.lineTo(3, 0);
      graph->setScatterStyle(QCPScatterStyle(dash, QPen(ToQColor(marker.color), 1.6), Qt::NoBrush,
                                             std::max(4.0, slot * 0.8)));
    } else {
      graph->setScatterStyle(
          QCPScatterStyle(QCPScatterStyle::ssTriangleInverted, QPen(ToQColor(marker.color), 0.8),
                          ToQColor(marker.color), std::clamp(slot * 0.5, 3.0, 6.0)));
    }
  }
  const auto [low, high] = ValueRange(plan);
  plot.yAxis->setRange(low, high);
}

// Value range of a chart: what must stay in view, a little room around.
struct Span {
  double low = std::numeric_limits<double>::infinity();
  double high = -std::numeric_limits<double>::infinity();
  void Add(double v) {
    if (!std::isfinite(v)) return;
    low = std::min(low, v);
    high = std::max(high, v);
  }
  std::pair<double, double> Padded(bool fromZero) const {
    double a = low, b = high;
    if (!(a <= b)) a = 0, b = 1;
    if (fromZero) a = std::min(a, 0.0);
    if (b - a <= 0) a -= 1, b += 1;
    const double room = (b - a) * 0.06;
    return {fromZero && a >= 0 ? 0 : a - room, b + room};
  }
};

}  // namespace

std::pair<double, double> ValueRange(const ChartPlan& plan) {
  Span span;
  if (plan.kind == ChartPlan::Kind::kHarmonics) {
    span.Add(0);
    for (const ChartBar& bar : plan.bars) span.Add(bar.value);
    for (const ChartMarker& marker : plan.markers)
      for (const auto& limit : marker.limits) span.Add(limit.second);
    return span.Padded(true);
  }
  for (const ChartLine& line : plan.lines)
    for (double v : line.series->values) span.Add(v);
  for (const ChartLimit& limit : plan.limits) {
    span.Add(limit.low);
    span.Add(limit.high);
  }
  return span.Padded(plan.fromZero);
}

LinePoints LineData(const ChartPlan& plan, const ChartLine& line) {
  LinePoints points;
  const assess::Series& s = *line.series;
  points.keys.reserve(s.times.size() + 16);
  points.values.reserve(points.keys.capacity());
  size_t gap = 0;  // the plan's gaps are in time order
  for (size_t i = 0; i < s.times.size(); ++i) {
    if (i > 0) {
      const int64_t before = s.times[i - 1], at = s.times[i];
      while (gap < plan.gaps.size() && plan.gaps[gap].first < before) ++gap;
      // A gap that starts with the value before (or in its window) and ends at or after this one.
      bool broken = static_cast<double>(at - before) > plan.gapSeconds;
      for (size_t g = gap; !broken && g < plan.gaps.size() && plan.gaps[g].first < at; ++g)
        broken = plan.gaps[g].second >= at;
      if (broken) {
        points.keys.push_back(static_cast<double>(before + at) / 2);
        points.values.push_back(std::numeric_limits<double>::quiet_NaN());
      }
    }
    points.keys.push_back(static_cast<double>(s.times[i]));
    points.values.push_back(s.values[i]);
  }
  return points;
}

std::vector<BandColumn> BandData(const LinePoints& points, double from, double to, size_t columns) {
  std::vector<BandColumn> band;
  if (columns == 0 || !(to > from)) return band;
  const double width = (to - from) / static_cast<double>(columns);
  const size_t count = std::min(points.keys.size(), points.values.size());
  for (size_t start = 0, end = 0; start < count; start = end + 1) {
    for (end = start; end < count && !std::isnan(points.values[end]);) ++end;
    const std::span<const double> keys(points.keys.data() + start, end - start);
    const std::span<const double> values(points.values.data() + start, end - start);
    const TrendEnvelope piece = BuildEnvelope(keys, values, from, to, columns);
    if (piece.points == 0) continue;
    double first = std::numeric_limits<double>::infinity(), last = -first;
    for (size_t i = 0; i < keys.size(); ++i) {
      if (!(keys[i] >= from && keys[i] <= to) || !std::isfinite(values[i])) continue;
      first = std::min(first, keys[i]);
      last = std::max(last, keys[i]);
    }
    bool starts = true;
    for (size_t c = 0; c < columns; ++c) {
      if (std::isnan(piece.lower[c])) continue;
      BandColumn column;
      column.from = std::max(first, from + static_cast<double>(c) * width);
      column.to = std::min(last, from + static_cast<double>(c + 1) * width);
      column.lower = piece.lower[c];
      column.upper = piece.upper[c];
      column.first = starts;
      if (!starts) band.back().to = column.from;
      starts = false;
      band.push_back(column);
    }
  }
  return band;
}

std::unique_ptr<QCustomPlot> MakeChart(const ChartPlan& plan) {
  std::unique_ptr<ChartPlot> plot = NewPlot(plan);
  if (plan.kind == ChartPlan::Kind::kTime) BuildTime(*plot, plan);
  if (plan.kind == ChartPlan::Kind::kHarmonics) BuildHarmonics(*plot, plan);
  // As many legend entries to a line as the longest of them lets fit in the chart's width.
  const QFontMetricsF metrics(plot->legend->font());
  double widest = 0;
  for (int i = 0; i < plot->legend->itemCount(); ++i)
    if (auto* item = qobject_cast<QCPPlottableLegendItem*>(plot->legend->item(i)))
      widest = std::max(widest, metrics.horizontalAdvance(item->plottable()->name()));
  const double entry =
      widest + plot->legend->iconSize().width() + 3 * plot->legend->iconTextPadding();
  plot->legend->setWrap(std::clamp(static_cast<int>((kChartWidth - 20) / entry), 1, 3));
  plot->legend->setFillOrder(QCPLegend::foColumnsFirst, true);  // the entries laid out again
  return plot;
}
