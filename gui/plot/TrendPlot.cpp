#include "TrendPlot.h"

#include <algorithm>
#include <cmath>

#include "PlotColors.h"
#include "log/CMeterlog2Doc.h"
#include "table/CellText.h"
#include "table/PlotScale.h"
#include "table/TrendEnvelope.h"

namespace {

constexpr qsizetype kSmoothPoints = 20000;

// The date-and-time ticker's steps (seconds to years), each tick labelled in the plot's time
// format: the date over the clock.
class TimeTicker : public QCPAxisTickerDateTime {
 public:
  explicit TimeTicker(const LogPlot* plot) : m_plot(plot) {}

 protected:
  QString getTickLabel(double tick, const QLocale&, QChar, int) override {
    return RecordTimeLines(static_cast<qint64>(std::floor(tick + 0.5)), m_plot->TimeFormat());
  }

 private:
  const LogPlot* m_plot;
};

}  // namespace

void SetUpTimePlot(LogPlot* plot) {
  auto ticker = QSharedPointer<TimeTicker>::create(plot);
  ticker->setDateTimeSpec(Qt::UTC);  // the instrument's clock, shown as it is
  plot->xAxis->setTicker(ticker);
  plot->xAxis->setLabel(QStringLiteral("Time"));
  plot->legend->setVisible(true);
  plot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
  plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  plot->axisRect()->setRangeDrag(Qt::Horizontal | Qt::Vertical);
  plot->axisRect()->setRangeZoom(Qt::Horizontal);  // the wheel zooms the time
}

TrendPlot::TrendPlot(QWidget* parent) : LogPlot(parent) {
  SetUpTimePlot(this);  // and a Shift+drag box zooms both axes
  PlaceLegendAbovePlot();
  m_valueAxes = {yAxis, yAxis2, axisRect()->addAxis(QCPAxis::atLeft),
                 axisRect()->addAxis(QCPAxis::atRight)};
  for (QCPAxis* axis : m_valueAxes) {
    axis->setTicker(MakeValueTicker());
    axis->setTickLabels(true);
    if (axis != yAxis) axis->grid()->setVisible(false);
  }
  const QList<QCPAxis*> valueAxes(m_valueAxes.begin(), m_valueAxes.end());
  axisRect()->setRangeDragAxes({xAxis}, valueAxes);
  axisRect()->setRangeZoomAxes({xAxis}, valueAxes);
  connect(this, &QCustomPlot::mousePress, this, &TrendPlot::OnPress);
  connect(this, &QCustomPlot::mouseRelease, this, &TrendPlot::OnRelease);
  connect(this, &QCustomPlot::mouseMove, this, [this](QMouseEvent* event) {
    m_mouseX = event->position().x();
    UpdateReadOut(m_mouseX);
  });
  // A zoom or a pan moves the time axis under the mouse: the read-out follows.
  connect(xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, [this] {
    if (m_mouseX >= 0 && m_readOutItem != nullptr && m_readOutItem->visible())
      UpdateReadOut(m_mouseX);
  });
  connect(this, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent*) { ResetView(); });
  Rebuild();
}

void TrendPlot::SetTimeFormat(TimeStyle format) {
  LogPlot::SetTimeFormat(format);
  if (m_mouseX >= 0 && m_readOutItem != nullptr && m_readOutItem->visible())
    UpdateReadOut(m_mouseX);
  replot(QCustomPlot::rpQueuedReplot);
}

void TrendPlot::SetDocument(const CMeterlog2Doc* doc) {
  LogPlot::SetDocument(doc);
  m_axis = doc ? BuildTrendAxis(*doc) : TrendAxis{};
  m_byTime.clear();
  m_byTime.reserve(m_axis.times.size());
  for (size_t i = 0; i < m_axis.times.size(); ++i)
    if (m_axis.rows[i] != kTrendBreak) m_byTime.emplace_back(m_axis.times[i], i);
  std::stable_sort(m_byTime.begin(), m_byTime.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  m_columns.clear();
  m_refused.clear();
  m_values.clear();
  m_units.clear();
  Rebuild();
}

QString TrendPlot::SetColumns(const std::vector<TrendColumn>& columns) {
  m_columns.clear();
  m_refused.clear();
  m_values.clear();
  m_units.clear();
  QStringList noNumbers, noAxis;
  for (const TrendColumn& column : columns) {
    std::vector<double> values;
    if (m_doc != nullptr && IsNumericColumn(column.id))
      values = TrendValues(*m_doc, m_axis, column.id);
    if (std::none_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); })) {
      noNumbers.append(column.title);
      m_refused.push_back(column);
      continue;
    }
    m_columns.push_back(column);
    m_units.push_back(GetColumnUnit(*m_doc, column.id));
    m_values.push_back(std::move(values));
  }
  const std::vector<int> axes = AssignValueAxes(m_units);
  for (size_t k = axes.size(); k-- > 0;) {
    if (axes[k] >= 0) continue;
    noAxis.prepend(m_columns[k].title);
    m_refused.push_back(m_columns[k]);
    m_columns.erase(m_columns.begin() + std::ptrdiff_t(k));
    m_units.erase(m_units.begin() + std::ptrdiff_t(k));
    m_values.erase(m_values.begin() + std::ptrdiff_t(k));
  }
  Rebuild();
  QStringList why;
  if (!noAxis.isEmpty())
    why.append(QStringLiteral("Not drawn: %1 (a trend has four value axes at most; W, VA and var "
                              "share one).")
                   .arg(noAxis.join(QStringLiteral(", "))));
  if (!noNumbers.isEmpty())
    why.append(QStringLiteral("Not drawn: %1 (holds no numbers in this log).")
                   .arg(noNumbers.join(QStringLiteral(", "))));
  return why.join(QLatin1Char(' '));
}

void TrendPlot::Rebuild() {
  m_marker = m_cursor = nullptr;  // the items go with the content
  m_readOutItem = nullptr;
  m_series.clear();
  m_axisOf.clear();
  m_envelopeWidth = 0;
  ClearContent();
  for (QCPAxis* axis : m_valueAxes) {
    axis->setVisible(axis == yAxis);
    axis->setLabel(QString());
    axis->setLabelColor(Qt::black);
  }
  if (m_doc == nullptr || m_doc->GetRecordCount() == 0) {
    ShowMessage(NoLogMessage());
    return;
  }
  if (m_byTime.empty()) {
    ShowMessage(QStringLiteral("No record of this log has a valid time stamp."));
    return;
  }
  if (m_columns.empty() && m_refused.empty()) {
    ShowMessage(QStringLiteral("Choose the columns to plot."));
    return;
  }
  if (m_columns.empty()) {  // a column is only refused an axis when four are drawn
    QStringList titles;
    for (const TrendColumn& column : m_refused) titles << column.title;
    ShowMessage(QStringLiteral("Nothing to draw: no record with a valid time stamp holds a number "
                               "in %1.")
                    .arg(titles.join(QStringLiteral(", "))));
    return;
  }
  std::string name;
  SetTitle(m_doc->GetLogTypeName(name, 0) ? QString::fromStdString(name) + " trend"
                                          : QStringLiteral("Trend"));
  m_axisOf = AssignValueAxes(m_units);
  std::vector<std::string> axisTitles[kMaxValueAxes];
  std::vector<Unit> axisUnits[kMaxValueAxes];
  const QVector<double> keys(m_axis.times.begin(), m_axis.times.end());
  const bool sorted = std::is_sorted(keys.begin(), keys.end());
  for (size_t k = 0; k < m_columns.size(); ++k) {
    const size_t a = size_t(m_axisOf[k]);
    QCPAxis* valueAxis = m_valueAxes[a];
    const std::string title = m_columns[k].title.toStdString();
    axisTitles[a].push_back(title);
    axisUnits[a].push_back(m_units[k]);
    Series series;
    series.name = QString::fromStdString(LabelWithUnit(title, m_units[k]));
    series.line = addGraph(xAxis, valueAxis);
    series.line->setData(keys, QVector<double>(m_values[k].begin(), m_values[k].end()), sorted);
    // Smoothing a dense line costs far more than it shows: a long log is drawn without it.
    series.line->setAntialiased(keys.size() <= kSmoothPoints);
    series.line->setPen(SeriesPen(k, keys.size() <= kSmoothPoints ? 1.5 : 1));
    series.line->setName(series.name);
    series.lower = addGraph(xAxis, valueAxis);
    series.upper = addGraph(xAxis, valueAxis);
    for (QCPGraph* edge : {series.lower, series.upper}) {
      edge->setPen(SeriesPen(k, 1));
      edge->setVisible(false);
      edge->removeFromLegend();
    }
    QColor fill = SeriesColor(k);
    fill.setAlpha(70);
    series.upper->setBrush(fill);
    series.upper->setChannelFillGraph(series.lower);
    series.upper->setName(series.name + QStringLiteral(": min to max per pixel column"));
    m_series.push_back(series);
  }
  for (size_t a = 0; a < kMaxValueAxes; ++a) {
    if (axisTitles[a].empty()) continue;
    QCPAxis* valueAxis = m_valueAxes[a];
    valueAxis->setVisible(true);
    valueAxis->setLabel(QString::fromStdString(ValueAxisLabel(axisTitles[a], axisUnits[a])));
    // An axis of one series wears its colour, so that the series finds its axis.
    if (axisTitles[a].size() == 1) {
      const size_t k =
          size_t(std::find(m_axisOf.begin(), m_axisOf.end(), int(a)) - m_axisOf.begin());
      valueAxis->setLabelColor(SeriesColor(k).darker(115));
    }
  }
  m_marker = new QCPItemStraightLine(this);
  m_marker->setPen(QPen(MarkerColor(), 1.5, Qt::DashDotLine));
  m_marker->setVisible(false);
  m_cursor = new QCPItemStraightLine(this);
  m_cursor->setPen(QPen(QColor(120, 120, 120), 1, Qt::DotLine));
  m_cursor->setVisible(false);
  m_readOutItem = new QCPItemText(this);
  m_readOutItem->position->setType(QCPItemPosition::ptAxisRectRatio);
  m_readOutItem->position->setCoords(0.01, 0.02);
  m_readOutItem->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
  m_readOutItem->setTextAlignment(Qt::AlignLeft);
  m_readOutItem->setBrush(QColor(255, 255, 255, 220));
  m_readOutItem->setPadding(QMargins(4, 2, 4, 2));
  m_readOutItem->setVisible(false);
  AddMouseItem(m_cursor);
  AddMouseItem(m_readOutItem);
  m_readOut.clear();
  ResetView();
}

void TrendPlot::updateLayout() {
  LogPlot::updateLayout();
  // The bands depend on the width of the plot: one more layout where a legend entry changed.
  if (UpdateEnvelopes()) LogPlot::updateLayout();
}

bool TrendPlot::UpdateEnvelopes() {
  const int width = axisRect()->width();
  const QCPRange range = xAxis->range();
  if (m_series.empty() || width <= 0 || (width == m_envelopeWidth && range == m_envelopeRange))
    return false;
  m_envelopeWidth = width;
  m_envelopeRange = range;
  bool legendChanged = false;
  for (size_t k = 0; k < m_series.size(); ++k) {
    Series& series = m_series[k];
    const TrendEnvelope band =
        BuildEnvelope(m_axis.times, m_values[k], range.lower, range.upper, size_t(width));
    const bool envelope = band.points > size_t(width);
    if (envelope) {
      const QVector<double> keys(band.keys.begin(), band.keys.end());
      series.lower->setData(keys, QVector<double>(band.lower.begin(), band.lower.end()), true);
      series.upper->setData(keys, QVector<double>(band.upper.begin(), band.upper.end()), true);
    } else {
      series.lower->data()->clear();
      series.upper->data()->clear();
    }
    legendChanged |= envelope != series.envelope;
    series.envelope = envelope;
    series.line->setVisible(!envelope);
    series.lower->setVisible(envelope);
    series.upper->setVisible(envelope);
  }
  if (legendChanged) {
    legend->clearItems();
    for (const Series& series : m_series)
      (series.envelope ? series.upper : series.line)->addToLegend();
  }
  return legendChanged;
}

QCPAxis* TrendPlot::ValueAxis(size_t k) const {
  return k < m_axisOf.size() ? m_valueAxes[size_t(m_axisOf[k])] : nullptr;
}

std::vector<QCPAxis*> TrendPlot::ValueAxes() const {
  std::vector<QCPAxis*> axes;
  for (size_t a = 0; a < m_valueAxes.size(); ++a)
    if (std::find(m_axisOf.begin(), m_axisOf.end(), int(a)) != m_axisOf.end())
      axes.push_back(m_valueAxes[a]);
  return axes;
}

bool TrendPlot::IsEnvelope(size_t k) const {
  return k < m_series.size() && m_series[k].envelope;
}

std::vector<std::pair<double, double>> TrendPlot::EnvelopeOf(size_t k) const {
  std::vector<std::pair<double, double>> band;
  if (!IsEnvelope(k)) return band;
  const QCPGraph* lower = m_series[k].lower;
  const QCPGraph* upper = m_series[k].upper;
  for (int i = 0; i < lower->dataCount(); ++i)
    band.emplace_back(lower->data()->at(i)->value, upper->data()->at(i)->value);
  return band;
}

void TrendPlot::ResetView() {
  if (m_series.empty() || m_byTime.empty()) {
    replot();
    return;
  }
  xAxis->setRange(m_byTime.front().first,
                  std::max(m_byTime.back().first, m_byTime.front().first + 1));
  for (size_t a = 0; a < m_valueAxes.size(); ++a) {
    double low = NAN, high = NAN;
    Unit unit = Unit::kNone;
    for (size_t k = 0; k < m_columns.size(); ++k) {
      if (m_axisOf[k] != int(a)) continue;
      unit = AxisFamily(m_units[k]);
      for (double v : m_values[k]) {
        if (!std::isfinite(v)) continue;
        if (!(v >= low)) low = v;
        if (!(v <= high)) high = v;
      }
    }
    const AxisRange range = ValueAxisRange(low, high, unit);
    m_valueAxes[a]->setRange(range.lower, range.upper);
  }
  replot();
}

size_t TrendPlot::NearestPoint(double x) const {
  if (m_byTime.empty()) return SIZE_MAX;
  const double time = xAxis->pixelToCoord(x);
  auto it = std::lower_bound(m_byTime.begin(), m_byTime.end(), time,
                             [](const auto& point, double t) { return point.first < t; });
  if (it == m_byTime.end()) --it;
  if (it != m_byTime.begin() && time - std::prev(it)->first < it->first - time) --it;
  // Of several records at the same second, the first.
  while (it != m_byTime.begin() && std::prev(it)->first == it->first) --it;
  return it->second;
}

int64_t TrendPlot::RowAtPixel(double x) const {
  const size_t point = NearestPoint(x);
  return point == SIZE_MAX ? -1 : m_axis.rows[point];
}

void TrendPlot::ShowRow(unsigned row) {
  if (m_marker == nullptr) return;
  int64_t seconds;
  const bool shown = m_doc != nullptr && m_doc->GetTimeSeconds(seconds, row);
  if (shown) {
    m_marker->point1->setCoords(double(seconds), 0);
    m_marker->point2->setCoords(double(seconds), 1);
  }
  m_marker->setVisible(shown);
  replot(QCustomPlot::rpQueuedReplot);
}

double TrendPlot::MarkerTime() const {
  return m_marker != nullptr && m_marker->visible() ? m_marker->point1->coords().x() : NAN;
}

void TrendPlot::UpdateReadOut(double x) {
  if (m_readOutItem == nullptr || m_byTime.empty()) return;
  const size_t point = NearestPoint(x);
  if (point == SIZE_MAX) return;
  const double time = m_axis.times[point];
  QString text = QStringLiteral("Record %1, %2").arg(m_axis.rows[point]).arg(TimeText(time));
  for (size_t k = 0; k < m_columns.size(); ++k) {
    text += QStringLiteral("\n%1: %2")
                .arg(m_columns[k].title,
                     QString::fromStdString(DisplayValue(m_values[k][point], m_units[k])));
  }
  m_readOut = text;
  m_readOutItem->setText(text);
  m_readOutItem->setVisible(true);
  m_cursor->point1->setCoords(time, 0);
  m_cursor->point2->setCoords(time, 1);
  m_cursor->setVisible(true);
  replot(QCustomPlot::rpQueuedReplot);
}

void TrendPlot::OnPress(QMouseEvent* event) {
  m_pressPos = event->pos();
  const bool box = event->button() == Qt::RightButton || (event->modifiers() & Qt::ShiftModifier);
  setSelectionRectMode(box && !m_columns.empty() ? QCP::srmZoom : QCP::srmNone);
}

void TrendPlot::OnRelease(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || (event->modifiers() & Qt::ShiftModifier)) return;
  if ((event->pos() - m_pressPos).manhattanLength() > 3 || m_columns.empty()) return;
  if (!axisRect()->rect().contains(event->pos())) return;
  const int64_t row = RowAtPixel(event->position().x());
  if (row >= 0) emit RowClicked(static_cast<unsigned>(row));
}
