#include "TrendPlot.h"

#include <algorithm>
#include <cmath>

#include "PlotColors.h"
#include "log/CMeterlog2Doc.h"
#include "table/CellText.h"

namespace {

constexpr qsizetype kSmoothPoints = 20000;

QString TimeLabel(double seconds, TimeStyle style) {
  return QString::fromStdString(TimeText(static_cast<int64_t>(std::floor(seconds)), style));
}

}  // namespace

// The date-and-time ticker's steps (seconds to years), each tick labelled as the records' times
// are written: the date over the clock.
class TimeAxisTicker : public QCPAxisTickerDateTime {
 public:
  TimeStyle style = TimeStyle::kTable;

 protected:
  QString getTickLabel(double tick, const QLocale&, QChar, int) override {
    const ClockTime t = ClockTimeFromSeconds(static_cast<int64_t>(std::floor(tick + 0.5)));
    std::string text;
    AppendDateText(text, t, style);
    text += '\n';
    AppendClockText(text, t);
    return QString::fromStdString(text);
  }
};

QSharedPointer<TimeAxisTicker> SetUpTimePlot(QCustomPlot* plot) {
  auto ticker = QSharedPointer<TimeAxisTicker>::create();
  ticker->setDateTimeSpec(Qt::UTC);  // the instrument's clock, shown as it is
  plot->xAxis->setTicker(ticker);
  plot->xAxis->setLabel(QStringLiteral("Time"));
  plot->legend->setVisible(true);
  plot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
  plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  plot->axisRect()->setRangeDrag(Qt::Horizontal | Qt::Vertical);
  plot->axisRect()->setRangeZoom(Qt::Horizontal);  // the wheel zooms the time
  return ticker;
}

TrendPlot::TrendPlot(QWidget* parent) : LogPlot(parent) {
  m_ticker = SetUpTimePlot(this);  // and a Shift+drag box zooms both axes
  axisRect()->setRangeDragAxes({xAxis}, {yAxis, yAxis2});
  axisRect()->setRangeZoomAxes({xAxis}, {yAxis, yAxis2});
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

void TrendPlot::SetTimeStyle(TimeStyle style) {
  LogPlot::SetTimeStyle(style);
  m_ticker->style = style;
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
  Rebuild();
}

QStringList TrendPlot::SetColumns(const std::vector<TrendColumn>& columns) {
  QStringList refused;
  m_columns.clear();
  m_values.clear();
  m_units.clear();
  std::vector<Unit> families;  // one per value axis
  for (const TrendColumn& column : columns) {
    if (m_doc == nullptr || !IsNumericColumn(column.id)) {
      refused.append(column.title);
      continue;
    }
    const Unit unit = GetColumnUnit(*m_doc, column.id);
    if (std::find(families.begin(), families.end(), AxisFamily(unit)) == families.end()) {
      if (families.size() == 2) {
        refused.append(column.title);
        continue;
      }
      families.push_back(AxisFamily(unit));
    }
    m_columns.push_back(column);
    m_units.push_back(unit);
    m_values.push_back(TrendValues(*m_doc, m_axis, column.id));
  }
  Rebuild();
  return refused;
}

void TrendPlot::Rebuild() {
  m_marker = m_cursor = nullptr;  // the items go with the content
  m_readOutItem = nullptr;
  ClearContent();
  yAxis2->setVisible(false);
  if (m_doc == nullptr || m_doc->GetRecordCount() == 0) {
    ShowMessage(NoLogMessage());
    return;
  }
  if (m_byTime.empty()) {
    ShowMessage(QStringLiteral("No record of this log has a valid time stamp."));
    return;
  }
  if (m_columns.empty()) {
    ShowMessage(QStringLiteral("Choose the columns to plot."));
    return;
  }
  const auto holdsNumber = [](const std::vector<double>& values) {
    return std::any_of(values.begin(), values.end(), [](double v) { return !std::isnan(v); });
  };
  if (std::none_of(m_values.begin(), m_values.end(), holdsNumber)) {
    QStringList titles;
    for (const TrendColumn& column : m_columns) titles << column.title;
    ShowMessage(QStringLiteral("Nothing to draw: no record with a valid time stamp holds a number "
                               "in %1.")
                    .arg(titles.join(QStringLiteral(", "))));
    return;
  }
  std::string name;
  SetTitle(m_doc->GetLogTypeName(name, 0) ? QString::fromStdString(name) + " trend"
                                          : QStringLiteral("Trend"));
  std::vector<Unit> families;  // of the value axes
  std::vector<std::string> axisTitles[2];
  std::vector<Unit> axisUnits[2];
  const QVector<double> keys(m_axis.times.begin(), m_axis.times.end());
  for (size_t k = 0; k < m_columns.size(); ++k) {
    auto it = std::find(families.begin(), families.end(), AxisFamily(m_units[k]));
    const size_t axisIndex = static_cast<size_t>(it - families.begin());
    if (it == families.end()) families.push_back(AxisFamily(m_units[k]));
    QCPAxis* valueAxis = axisIndex == 0 ? yAxis : yAxis2;
    axisTitles[axisIndex].push_back(m_columns[k].title.toStdString());
    axisUnits[axisIndex].push_back(m_units[k]);
    QCPGraph* graph = addGraph(xAxis, valueAxis);
    const QVector<double> values(m_values[k].begin(), m_values[k].end());
    graph->setData(keys, values, std::is_sorted(keys.begin(), keys.end()));
    graph->setPen(QPen(SeriesColor(k), 1));
    // Smoothing a dense line costs far more than it shows: a long log is drawn without it.
    graph->setAntialiased(keys.size() <= kSmoothPoints);
    graph->setName(
        QString::fromStdString(LabelWithUnit(m_columns[k].title.toStdString(), m_units[k])));
  }
  for (size_t a = 0; a < families.size(); ++a) {
    QCPAxis* valueAxis = a == 0 ? yAxis : yAxis2;
    valueAxis->setVisible(true);
    valueAxis->setTickLabels(true);
    valueAxis->setLabel(QString::fromStdString(ValueAxisLabel(axisTitles[a], axisUnits[a])));
  }
  m_marker = new QCPItemStraightLine(this);
  m_marker->setPen(QPen(QColor(200, 0, 0), 1, Qt::DashLine));
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
  m_readOut.clear();
  ResetView();
}

void TrendPlot::ResetView() {
  if (m_columns.empty() || m_byTime.empty() || graphCount() == 0) {
    replot();
    return;
  }
  xAxis->setRange(m_byTime.front().first,
                  std::max(m_byTime.back().first, m_byTime.front().first + 1));
  yAxis->rescale(true);
  yAxis2->rescale(true);
  for (QCPAxis* axis : {yAxis, yAxis2}) {
    QCPRange range = axis->range();
    if (range.size() <= 0) range = QCPRange(range.lower - 1, range.upper + 1);
    axis->setRange(range.lower - range.size() * 0.05, range.upper + range.size() * 0.05);
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
  QString text =
      QStringLiteral("Record %1, %2").arg(m_axis.rows[point]).arg(TimeLabel(time, m_timeStyle));
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
