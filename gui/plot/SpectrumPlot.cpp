#include "SpectrumPlot.h"

#include <algorithm>
#include <cmath>

#include "assess/AssessLimits.h"
#include "log/CMeterlog2Doc.h"

namespace {

QString Label(std::string_view title, Unit unit) {
  return QString::fromStdString(LabelWithUnit(title, unit));
}

// A tick at every harmonic number, labelled where there is room: every one, else every odd one,
// else 1 and every fifth.
class HarmonicTicker : public QCPAxisTicker {
 public:
  explicit HarmonicTicker(QCPAxis* axis) : m_axis(axis) {}

 protected:
  double getTickStep(const QCPRange&) override { return 1; }
  int getSubTickCount(double) override { return 0; }
  QVector<double> createTickVector(double, const QCPRange& range) override {
    QVector<double> ticks;
    const int first = std::max(1, int(std::ceil(range.lower)));
    const int last = std::min(kSpectrumHarmonics + 1, int(std::floor(range.upper)));
    for (int n = first; n <= last; ++n) ticks.append(n);
    return ticks;
  }
  QVector<QString> createLabelVector(const QVector<double>& ticks, const QLocale&, QChar,
                                     int) override {
    const double perHarmonic = m_axis->axisRect()->width() / std::max(m_axis->range().size(), 1.0);
    const double needed =
        QFontMetrics(m_axis->tickLabelFont()).horizontalAdvance(QStringLiteral("50")) + 6;
    const int every = perHarmonic >= needed ? 1 : 2 * perHarmonic >= needed ? 2 : 5;
    QVector<QString> labels;
    for (double tick : ticks) {
      const int n = int(std::lround(tick));
      const bool shown = n == 1 || every == 1 || (every == 2 ? n % 2 == 1 : n % 5 == 0);
      labels.append(shown ? QString::number(n) : QString());
    }
    return labels;
  }

 private:
  QCPAxis* m_axis;
};

}  // namespace

SpectrumPlot::SpectrumPlot(QWidget* parent) : LogPlot(parent) {
  xAxis->setLabel(QStringLiteral("Harmonic number (1 = fundamental)"));
  xAxis->setTicker(QSharedPointer<HarmonicTicker>::create(xAxis));
  xAxis->grid()->setVisible(false);
  PlaceLegendAbovePlot();
  setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  axisRect()->setRangeZoom(Qt::Horizontal | Qt::Vertical);
  for (QCPAxis* axis : {yAxis, yAxis2})
    connect(axis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            &SpectrumPlot::NameCutFundamentals);
  connect(this, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent*) { ResetView(); });
  ShowMessage(NoLogMessage());
}

void SpectrumPlot::SetDocument(const CMeterlog2Doc* doc) {
  LogPlot::SetDocument(doc);
  m_channel = -1;
  ShowRow(0);
}

QStringList SpectrumPlot::ChannelNames() const {
  QStringList names;
  if (m_doc == nullptr) return names;
  for (const SpectrumChannel& channel : BuildSpectrum(*m_doc, 0))
    names.append(QString::fromStdString(channel.name));
  return names;
}

void SpectrumPlot::SetChannel(int channel) {
  m_channel = channel;
  Draw();
}

void SpectrumPlot::SetPercent(bool percent) {
  m_percent = percent;
  Draw();
}

void SpectrumPlot::SetLogScale(bool logScale) {
  m_logScale = logScale;
  Draw();
}

void SpectrumPlot::ShowRow(unsigned row) {
  m_row = row;
  m_channels = m_doc ? BuildSpectrum(*m_doc, row) : std::vector<SpectrumChannel>{};
  Draw();
}

QVector<double> SpectrumPlot::BarValues(int channel) const {
  QVector<double> values;
  if (channel < 0 || size_t(channel) >= m_bars.size() || m_bars[size_t(channel)] == nullptr)
    return values;
  for (auto it = m_bars[size_t(channel)]->data()->constBegin();
       it != m_bars[size_t(channel)]->data()->constEnd(); ++it)
    values.append(it->value);
  return values;
}

QString SpectrumPlot::LegendEntry(int channel) const {
  if (channel < 0 || size_t(channel) >= m_bars.size() || m_bars[size_t(channel)] == nullptr)
    return QString();
  return m_bars[size_t(channel)]->name();
}

QVector<QPair<double, double>> SpectrumPlot::LimitMarkers() const {
  QVector<QPair<double, double>> markers;
  if (m_limits == nullptr) return markers;
  for (auto it = m_limits->data()->constBegin(); it != m_limits->data()->constEnd(); ++it)
    markers.append({it->key, it->value});
  return markers;
}

void SpectrumPlot::Draw() {
  m_bars.assign(m_channels.size(), nullptr);
  m_limits = nullptr;
  if (!ReadyToDraw(m_doc && HasSpectrum(*m_doc),
                   QStringLiteral("This log records no harmonics (spectra come from Harmonic, "
                                  "Waveform and Three Phase Tabular logs).")))
    return;
  std::vector<size_t> shown;
  for (size_t c = 0; c < m_channels.size(); ++c)
    if (m_channel < 0 || size_t(m_channel) == c) shown.push_back(c);

  const bool logScale = LogScale();
  for (QCPAxis* axis : {yAxis, yAxis2}) {
    axis->setScaleType(logScale ? QCPAxis::stLogarithmic : QCPAxis::stLinear);
    axis->setTicker(logScale ? QSharedPointer<QCPAxisTicker>(new QCPAxisTickerLog)
                             : MakeValueTicker());
  }
  auto* group = new QCPBarsGroup(this);
  group->setSpacingType(QCPBarsGroup::stAbsolute);
  group->setSpacing(0);
  std::vector<Unit> families;  // of the value axes
  QStringList thd;
  const double width = 0.8 / double(std::max<size_t>(shown.size(), 1));
  for (size_t k = 0; k < shown.size(); ++k) {
    const SpectrumChannel& channel = m_channels[shown[k]];
    const Unit unit = m_percent ? Unit::kPercent : channel.unit;
    // One value axis per family of units (volts left, amperes right); a third shares the right.
    size_t axisIndex =
        size_t(std::find(families.begin(), families.end(), AxisFamily(unit)) - families.begin());
    if (axisIndex == families.size() && families.size() < 2) families.push_back(AxisFamily(unit));
    QCPAxis* valueAxis = axisIndex == 0 ? yAxis : yAxis2;
    auto* bars = new QCPBars(xAxis, valueAxis);
    QVector<double> keys, values;
    for (int n = 1; n <= kSpectrumHarmonics + 1; ++n) {
      double value = m_percent ? channel.Percent(n) : channel.Absolute(n);
      if (!std::isfinite(value)) value = 0;
      if (logScale && value <= 0) continue;  // no bar of its own on a logarithmic scale
      keys.append(n);
      values.append(value);
    }
    bars->setData(keys, values, true);
    bars->setWidth(width);
    bars->setBarsGroup(group);
    const QColor color = SeriesColor(shown[k]);
    bars->setPen(QPen(color.darker(130)));
    bars->setBrush(color);
    m_bars[shown[k]] = bars;
    thd.append(
        QString::fromStdString(channel.name + " " + DisplayValue(channel.thd, Unit::kPercent)));
  }
  const bool voltage = std::any_of(shown.begin(), shown.end(),
                                   [&](size_t c) { return m_channels[c].unit == Unit::kVolt; });
  if (m_percent && voltage) {
    m_limits = addGraph(xAxis, yAxis);
    for (int h = kFirstHarmonic; h <= assess::kLastEnHarmonic; ++h)
      m_limits->addData(h, assess::EnHarmonicLimit(h));
    m_limits->setLineStyle(QCPGraph::lsNone);
    m_limits->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssTriangleInverted,
                                              QPen(QColor(200, 0, 0)), QColor(255, 170, 170), 9));
    m_limits->setName(QStringLiteral("EN 50160 limit (voltage)"));
  }
  yAxis->setLabel(m_percent ? Label("Of the fundamental", Unit::kPercent)
                            : Label("Magnitude", families.empty() ? Unit::kNone : families[0]));
  yAxis2->setVisible(families.size() > 1);
  yAxis2->setTickLabels(true);
  if (families.size() > 1) yAxis2->setLabel(Label("Magnitude", families[1]));
  SetTitle(QStringLiteral("Harmonic spectrum, record %1 (%2)\nTHD: %3")
               .arg(m_row)
               .arg(RecordTime(m_row), thd.join(QStringLiteral(", "))));
  ResetView();
}

void SpectrumPlot::NameCutFundamentals() {
  // The legend sits off the bars: a fundamental that runs off the top is read there.
  for (size_t c = 0; c < m_bars.size(); ++c) {
    QCPBars* bars = m_bars[c];
    if (bars == nullptr) continue;
    const SpectrumChannel& channel = m_channels[c];
    // In percent the value axis names the unit.
    QString name =
        m_percent ? QString::fromStdString(channel.name) : Label(channel.name, channel.unit);
    const auto first = bars->data()->constBegin();
    if (first != bars->data()->constEnd() && first->key == 1 &&
        first->value > bars->valueAxis()->range().upper)
      name += QStringLiteral(": fundamental ") +
              QString::fromStdString(DisplayValue(channel.fundamental, channel.unit));
    bars->setName(name);
  }
}

void SpectrumPlot::ResetView() {
  xAxis->setRange(0.3, kSpectrumHarmonics + 1.7);
  const bool logScale = LogScale();
  for (QCPAxis* axis : {yAxis, yAxis2}) {
    // The fundamental is 100 % of itself: in percent the axis is sized to the harmonics, so
    // that they can be read; its bar runs off the top (and its value is in the legend).
    double top = 0, bottom = 0, smallest = INFINITY;
    for (QCPBars* bars : m_bars) {
      if (bars == nullptr || bars->valueAxis() != axis) continue;
      for (auto it = bars->data()->constBegin(); it != bars->data()->constEnd(); ++it) {
        if (!m_percent || it->key > 1) top = std::max(top, it->value);
        bottom = std::min(bottom, it->value);
        if (it->value > 0) smallest = std::min(smallest, it->value);
      }
    }
    if (m_limits != nullptr && axis == yAxis)
      for (auto it = m_limits->data()->constBegin(); it != m_limits->data()->constEnd(); ++it)
        top = std::max(top, it->value);
    if (logScale)
      axis->setRange(top > 0 ? std::max(smallest / 2, top * 1e-6) : 0.1, top > 0 ? top * 2 : 1);
    else
      axis->setRange(bottom * 1.15, top > 0 ? top * (m_percent ? 1.3 : 1.15) : 1);
  }
  NameCutFundamentals();
  replot();
}
