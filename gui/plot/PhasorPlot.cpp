#include "PhasorPlot.h"

#include <QFontDatabase>
#include <cmath>
#include <numbers>

#include "log/CMeterlog2Doc.h"

namespace {

constexpr double kVoltRadius = 1.0;
constexpr double kCurrentRadius = 0.7;
const QColor kPhaseColors[3] = {QColor(200, 30, 30), QColor(30, 140, 30), QColor(30, 70, 200)};

void AddCircle(QCustomPlot* plot, double radius) {
  auto* circle = new QCPCurve(plot->xAxis, plot->yAxis);
  QVector<QCPCurveData> points;
  for (int i = 0; i <= 120; ++i) {
    const double a = 2 * std::numbers::pi * i / 120;
    points.append(QCPCurveData(i, radius * std::cos(a), radius * std::sin(a)));
  }
  circle->data()->set(points, true);
  circle->setPen(QPen(QColor(180, 180, 180), 1, Qt::DashLine));
  circle->removeFromLegend();
}

// Where the diagram's centre sits across the plot: the table takes the right-hand part.
constexpr double kCentre = 0.3;

// An axis rect whose two axes always have the same scale, at any size the plot is drawn in
// (on screen or into an image), so that angles are drawn true.
class SquareAxisRect : public QCPAxisRect {
 public:
  using QCPAxisRect::QCPAxisRect;
  void update(UpdatePhase phase) override {
    QCPAxisRect::update(phase);
    if (phase != upLayout || width() <= 0 || height() <= 0) return;
    constexpr double kHalf = 1.25;  // the outer circle and its labels
    const double w = width(), h = height();
    const double scale = std::min(2 * kCentre * w, h) / (2 * kHalf);  // pixels per unit
    axis(QCPAxis::atBottom)->setRange(-kCentre * w / scale, (1 - kCentre) * w / scale);
    axis(QCPAxis::atLeft)->setRange(-h / 2 / scale, h / 2 / scale);
  }
};

}  // namespace

PhasorPlot::PhasorPlot(QWidget* parent) : LogPlot(parent) {
  // The default axis rect gives way to one that keeps the scales equal.
  plotLayout()->remove(axisRect());
  auto* rect = new SquareAxisRect(this, true);
  plotLayout()->addElement(1, 0, rect);
  xAxis = rect->axis(QCPAxis::atBottom);
  yAxis = rect->axis(QCPAxis::atLeft);
  xAxis2 = rect->axis(QCPAxis::atTop);
  yAxis2 = rect->axis(QCPAxis::atRight);
  for (QCPAxis* axis : {xAxis, yAxis}) {
    axis->setVisible(false);
    axis->grid()->setVisible(true);
    axis->grid()->setPen(Qt::NoPen);
    axis->grid()->setZeroLinePen(QPen(QColor(160, 160, 160)));
  }
  ShowMessage(NoLogMessage());
}

void PhasorPlot::SetDocument(const CMeterlog2Doc* doc) {
  LogPlot::SetDocument(doc);
  ShowRow(0);
}

QString PhasorPlot::TableText() const {
  return m_table;
}

void PhasorPlot::ShowRow(unsigned row) {
  m_phasors = PhasorSet{};
  m_table.clear();
  if (!ReadyToDraw(m_doc && HasPhasors(*m_doc),
                   QStringLiteral("This log has no phasors (they come from three-phase logs).")))
    return;
  m_phasors = BuildPhasors(*m_doc, row);
  double largest[2] = {0, 0};  // volts, amperes
  for (size_t i = 0; i < m_phasors.phasors.size(); ++i) {
    const double m = std::fabs(m_phasors.phasors[i].magnitude);
    if (std::isfinite(m)) largest[i / 3] = std::max(largest[i / 3], m);
  }
  AddCircle(this, kVoltRadius);
  AddCircle(this, kCurrentRadius);
  QString table = QStringLiteral("%1 %2 %3\n").arg("", -3).arg("Magnitude", 14).arg("Angle", 10);
  for (size_t i = 0; i < m_phasors.phasors.size(); ++i) {
    const Phasor& phasor = m_phasors.phasors[i];
    const bool drawable = std::isfinite(phasor.magnitude) && std::isfinite(phasor.angle);
    table += QStringLiteral("%1 %2 %3\n")
                 .arg(QString::fromStdString(phasor.name), -3)
                 .arg(QString::fromStdString(DisplayValue(phasor.magnitude, phasor.unit)), 14)
                 .arg(QString::fromStdString(DisplayValue(phasor.angle, Unit::kDegree)), 10);
    if (!drawable) continue;
    const double scale = largest[i / 3] > 0 ? std::fabs(phasor.magnitude) / largest[i / 3] : 0;
    const double radius = (i < 3 ? kVoltRadius : kCurrentRadius) * scale;
    const double angle = phasor.angle * std::numbers::pi / 180;
    const double direction = phasor.magnitude < 0 ? -1 : 1;
    const QPointF head(direction * radius * std::cos(angle), direction * radius * std::sin(angle));
    auto* arrow = new QCPItemLine(this);
    arrow->start->setCoords(0, 0);
    arrow->end->setCoords(head);
    arrow->setHead(QCPLineEnding::esSpikeArrow);
    arrow->setPen(
        QPen(kPhaseColors[i % 3], i < 3 ? 2.5 : 1.5, i < 3 ? Qt::SolidLine : Qt::DashLine));
    auto* label = new QCPItemText(this);
    label->position->setCoords(head * 1.12);
    label->setText(QString::fromStdString(phasor.name));
    label->setColor(kPhaseColors[i % 3]);
  }
  if (!m_phasors.note.empty()) {
    // Wrapped to the width of the table above it.
    QString line;
    table += "\n";
    for (const QString& word : QString::fromStdString(m_phasors.note).split(' ')) {
      if (!line.isEmpty() && line.size() + 1 + word.size() > 30) {
        table += line + "\n";
        line.clear();
      }
      line += (line.isEmpty() ? "" : " ") + word;
    }
    table += line;
  }
  m_table = table;
  auto* text = new QCPItemText(this);
  text->position->setType(QCPItemPosition::ptAxisRectRatio);
  text->position->setCoords(2 * kCentre + 0.04, 0.5);
  text->setPositionAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  text->setTextAlignment(Qt::AlignLeft);
  text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text->setText(table);
  SetTitle(
      QStringLiteral("Phasors, record %1 (%2)\nVoltages to the outer circle, currents to the inner")
          .arg(row)
          .arg(RecordTime(row)));
  ResetView();
}

void PhasorPlot::ResetView() {
  replot();  // the axis rect sets the ranges whenever it is laid out
}
