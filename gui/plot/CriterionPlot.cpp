#include "CriterionPlot.h"

#include <cmath>

#include "TrendPlot.h"

namespace {

const QColor kValueColor(31, 119, 180);
const QColor kInnerColor(44, 160, 44);
const QColor kOuterColor(255, 127, 14);
const QColor kUpperColor(214, 39, 40);

}  // namespace

CriterionPlot::CriterionPlot(QWidget* parent) : LogPlot(parent) {
  SetUpTimePlot(this);
  connect(this, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent*) { ResetView(); });
  ShowMessage(QStringLiteral("Choose a criterion to see the values it was judged on."));
}

void CriterionPlot::SetCriterion(const assess::AssessmentResult* result, const std::string& id) {
  m_values = nullptr;
  m_limits.clear();
  const assess::Criterion* c = result ? result->FindCriterion(id) : nullptr;
  const assess::Series* series = c ? result->FindSeries(c->seriesKey) : nullptr;
  if (c == nullptr || series == nullptr) {
    ShowMessage(c == nullptr ? QStringLiteral("Choose a criterion to see the values it was "
                                              "judged on.")
                             : QStringLiteral("%1: %2").arg(QString::fromStdString(c->id),
                                                            QString::fromStdString(c->note)));
    return;
  }
  ClearContent();
  const QString unit = QString::fromStdString(series->unit);
  m_values = addGraph();
  QVector<double> keys, values;
  keys.reserve(qsizetype(series->times.size()));
  values.reserve(qsizetype(series->values.size()));
  for (size_t i = 0; i < series->times.size(); ++i) {
    keys.append(double(series->times[i]));
    values.append(series->values[i]);
  }
  m_values->setData(keys, values, true);
  m_values->setPen(QPen(kValueColor, 1.5));
  if (series->windowSeconds > 0) {
    m_values->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 3));
  }
  const QString what = series->windowSeconds == 0
                           ? QStringLiteral("every record")
                           : QStringLiteral("%1-minute values").arg(series->windowSeconds / 60);
  m_values->setName(QString::fromStdString(series->quantity) + " (" + what + ")");

  // The limits: an area for the first band, lines for the second; an upper limit alone as a
  // red line.
  auto line = [&](double value, const QColor& color, Qt::PenStyle style, const QString& name) {
    if (!std::isfinite(value)) return;
    auto* item = new QCPItemStraightLine(this);
    item->point1->setCoords(0, value);
    item->point2->setCoords(1, value);
    item->setPen(QPen(color, 1.5, style));
    m_limits.push_back(item);
    if (!name.isEmpty()) {
      // A legend entry for the line: an empty graph drawn with the same pen.
      QCPGraph* entry = addGraph();
      entry->setPen(item->pen());
      entry->setName(name);
    }
  };
  for (size_t b = 0; b < c->bands.size(); ++b) {
    const assess::LimitBand& band = c->bands[b];
    const bool bounded = std::isfinite(band.low) && std::isfinite(band.high);
    if (b == 0 && bounded) {
      auto* area = new QCPItemRect(this);
      area->topLeft->setTypeX(QCPItemPosition::ptAxisRectRatio);
      area->bottomRight->setTypeX(QCPItemPosition::ptAxisRectRatio);
      area->topLeft->setCoords(0, band.high);
      area->bottomRight->setCoords(1, band.low);
      area->setPen(Qt::NoPen);
      area->setBrush(QColor(kInnerColor.red(), kInnerColor.green(), kInnerColor.blue(), 40));
      area->setLayer(QStringLiteral("background"));
      line(band.low, kInnerColor, Qt::SolidLine, QString::fromStdString(band.label));
      line(band.high, kInnerColor, Qt::SolidLine, QString());
    } else if (bounded) {
      line(band.low, kOuterColor, Qt::DashLine, QString::fromStdString(band.label));
      line(band.high, kOuterColor, Qt::DashLine, QString());
    } else {
      line(band.high, kUpperColor, Qt::SolidLine,
           QString::fromStdString(band.label) + " " + QString::number(band.high) + " " + unit);
    }
  }
  yAxis->setLabel(QString::fromStdString(series->quantity) +
                  (unit.isEmpty() ? QString() : " (" + unit + ")"));
  SetTitle(QStringLiteral("%1 (%2): %3")
               .arg(QString::fromStdString(c->id), QString::fromUtf8(VerdictText(c->verdict)),
                    QString::fromStdString(c->limit)));
  ResetView();
}

void CriterionPlot::ResetView() {
  if (m_values == nullptr) {
    replot();
    return;
  }
  bool found = false;
  const QCPRange keys = m_values->getKeyRange(found);
  if (found) xAxis->setRange(keys.lower - 300, keys.upper + 300);
  QCPRange values = m_values->getValueRange(found);
  if (!found) values = QCPRange(0, 1);
  for (const QCPItemStraightLine* item : m_limits) values.expand(item->point1->coords().y());
  const double margin = std::max(values.size() * 0.08, 1e-6);
  yAxis->setRange(values.lower - margin, values.upper + margin);
  replot();
}

QVector<double> CriterionPlot::LimitLines() const {
  QVector<double> lines;
  for (const QCPItemStraightLine* item : m_limits) lines.append(item->point1->coords().y());
  return lines;
}

int CriterionPlot::PointCount() const {
  return m_values ? m_values->dataCount() : 0;
}
