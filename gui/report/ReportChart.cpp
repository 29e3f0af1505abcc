#include "ReportChart.h"

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "ReportDocument.h"
#include "ReportStyle.h"
#include "text/DecimalText.h"
#include "text/TimeText.h"

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

// A plot with the title over the axes and the legend under them.
std::unique_ptr<QCustomPlot> NewPlot(const ChartPlan& plan) {
  auto plot = std::make_unique<QCustomPlot>();
  plot->setFont(ReportFont(kChartTextSize));
  plot->plotLayout()->insertRow(0);
  plot->plotLayout()->addElement(
      0, 0, new QCPTextElement(plot.get(), plan.title, ReportFont(kChartTextSize + 1, true)));
  StyleAxis(plot->xAxis);
  StyleAxis(plot->yAxis);
  plot->yAxis->setLabel(plan.valueLabel);
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

void BuildTime(QCustomPlot& plot, const ChartPlan& plan) {
  plot.xAxis->setTicker(QSharedPointer<ClockTicker>::create());
  plot.xAxis->ticker()->setTickCount(6);
  plot.xAxis->setLabel(QStringLiteral("Time (instrument clock)"));
  double first = std::numeric_limits<double>::infinity(), last = -first;
  for (const ChartLine& line : plan.lines) {
    const LinePoints points = LineData(plan, line);
    if (!points.keys.empty()) {
      first = std::min(first, points.keys.front());
      last = std::max(last, points.keys.back() + static_cast<double>(line.series->windowSeconds));
    }
    QCPGraph* graph = plot.addGraph();
    graph->setData(QVector<double>(points.keys.begin(), points.keys.end()),
                   QVector<double>(points.values.begin(), points.values.end()), true);
    graph->setPen(QPen(line.color, 1.0));
    graph->setName(line.name);
  }
  if (!(first < last)) first = 0, last = 1;
  for (const ChartLimit& limit : plan.limits) {
    if (limit.shaded && std::isfinite(limit.low) && std::isfinite(limit.high)) {
      QColor fill = limit.color;
      fill.setAlpha(40);
      QCPGraph* low = FlatLine(plot, first, last, limit.low, QPen(limit.color, 0.8), QString());
      QCPGraph* high = FlatLine(plot, first, last, limit.high, QPen(limit.color, 0.8), limit.name);
      high->setBrush(fill);
      high->setChannelFillGraph(low);
      continue;
    }
    QString name = limit.name;
    const QPen pen(limit.color, 1.2, Qt::DashLine);
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
    const QColor color = failed ? ToneColor(Tone::kFail) : plan.barColor;
    bars->setPen(QPen(color.darker(130), 0.5));
    bars->setBrush(color);
    bars->setName(failed ? plan.failedBarName : plan.barName);
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
    graph->setPen(QPen(marker.color, 1.6));
    graph->setName(marker.name);
    if (marker.shape == ChartMarker::Shape::kDash) {
      QPainterPath dash;
      dash.moveTo(-3, 0);
      dash.lineTo(3, 0);
      graph->setScatterStyle(
          QCPScatterStyle(dash, QPen(marker.color, 1.6), Qt::NoBrush, std::max(4.0, slot * 0.8)));
    } else {
      graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssTriangleInverted,
                                             QPen(marker.color, 0.8), marker.color,
                                             std::clamp(slot * 0.5, 3.0, 6.0)));
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

std::unique_ptr<QCustomPlot> MakeChart(const ChartPlan& plan) {
  std::unique_ptr<QCustomPlot> plot = NewPlot(plan);
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
