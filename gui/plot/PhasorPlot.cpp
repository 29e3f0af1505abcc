#include "PhasorPlot.h"

#include <QFontDatabase>
#include <cmath>
#include <numbers>

#include "log/CMeterlog2Doc.h"

namespace {

constexpr double kVoltRadius = 1.0;
constexpr double kCurrentRadius = 0.7;
constexpr double kScaleRadius = 1.3;  // where the angle scale is written, clear of the names
constexpr double kHalf = 1.45;        // the outer circle and the scale, from the centre

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

// An axis rect whose two axes always have the same scale, at any size the plot is drawn in
// (on screen or into an image), so that angles are drawn true.
class SquareAxisRect : public QCPAxisRect {
 public:
  using QCPAxisRect::QCPAxisRect;
  void update(UpdatePhase phase) override {
    QCPAxisRect::update(phase);
    if (phase != upLayout || width() <= 0 || height() <= 0) return;
    const double w = width(), h = height();
    const double scale = std::min(w, h) / (2 * kHalf);  // pixels per unit
    axis(QCPAxis::atBottom)->setRange(-w / 2 / scale, w / 2 / scale);
    axis(QCPAxis::atLeft)->setRange(-h / 2 / scale, h / 2 / scale);
  }
};

// `text` wrapped to lines of at most `width` characters.
QString Wrapped(const QString& text, qsizetype width) {
  QString wrapped, line;
  for (const QString& word : text.split(QLatin1Char(' '))) {
    if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
      wrapped += line + QLatin1Char('\n');
      line.clear();
    }
    line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
  }
  return wrapped + line;
}

}  // namespace

PhasorPlot::PhasorPlot(QWidget* parent) : LogPlot(parent) {
  // The default axis rect gives way to a row of one that keeps the scales equal and the table.
  plotLayout()->remove(axisRect());
  m_row = new QCPLayoutGrid;
  plotLayout()->addElement(1, 0, m_row);
  m_table =
      new QCPTextElement(this, QString(), QFontDatabase::systemFont(QFontDatabase::FixedFont));
  m_table->setTextFlags(Qt::AlignLeft | Qt::AlignVCenter);
  m_table->setMargins(QMargins(12, 6, 12, 6));
  auto* rect = new SquareAxisRect(this, true);
  rect->setMinimumSize(240, 240);
  m_diagram = rect;
  m_row->addElement(0, 0, new QCPLayoutElement(this));  // the room to spare, either side
  m_row->addElement(0, 1, rect);
  m_row->addElement(0, 2, m_table);
  m_row->addElement(0, 3, new QCPLayoutElement(this));
  m_row->setColumnStretchFactors({1, 1000, 0.01, 1});
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
  setMinimumSize(0, 0);  // the layout's own minimum holds the diagram, the table and its note
  ShowMessage(NoLogMessage());
}

void PhasorPlot::updateLayout() {
  LogPlot::updateLayout();
  // The diagram is no wider than tall; the width to spare goes to both sides of the diagram and
  // the table, so that the two stand together in the middle.
  const int height = m_diagram->outerRect().height();
  if (height <= 0 || m_diagram->maximumSize().width() == height) return;
  m_diagram->setMaximumSize(height, QWIDGETSIZE_MAX);
  LogPlot::updateLayout();
}

void PhasorPlot::SetDocument(const CMeterlog2Doc* doc) {
  LogPlot::SetDocument(doc);
  ShowRow(0);
}

QString PhasorPlot::TableText() const {
  return m_table->text();
}

QStringList PhasorPlot::ScaleLabels() const {
  return m_scaleLabels;
}

void PhasorPlot::AddScale() {
  m_scaleLabels.clear();
  QFont font = this->font();
  font.setPointSizeF(font.pointSizeF() * 0.85);
  for (int degrees = -150; degrees <= 180; degrees += 30) {
    const double a = degrees * std::numbers::pi / 180;
    const QPointF direction(std::cos(a), std::sin(a));
    auto* spoke = new QCPItemLine(this);
    spoke->start->setCoords(direction * kCurrentRadius * 0.25);
    spoke->end->setCoords(direction * kVoltRadius);
    spoke->setPen(QPen(QColor(215, 215, 215), 1, Qt::DotLine));
    spoke->setLayer(QStringLiteral("grid"));
    auto* label = new QCPItemText(this);
    label->position->setCoords(direction * kScaleRadius);
    label->setText(QString::number(degrees) + QString::fromUtf8(UnitSymbol(Unit::kDegree)));
    label->setFont(font);
    label->setColor(QColor(110, 110, 110));
    m_scaleLabels.append(label->text());
  }
}

void PhasorPlot::ShowRow(unsigned row) {
  m_phasors = PhasorSet{};
  m_table->setText(QString());
  m_scaleLabels.clear();
  if (!ReadyToDraw(m_doc && HasPhasors(*m_doc),
                   QStringLiteral("This log has no phasors (they come from three-phase logs)."))) {
    updateGeometry();
    return;
  }
  m_phasors = BuildPhasors(*m_doc, row);
  double largest[2] = {0, 0};  // volts, amperes
  for (size_t i = 0; i < m_phasors.phasors.size(); ++i) {
    const double m = std::fabs(m_phasors.phasors[i].magnitude);
    if (std::isfinite(m)) largest[i / 3] = std::max(largest[i / 3], m);
  }
  AddCircle(this, kVoltRadius);
  AddCircle(this, kCurrentRadius);
  AddScale();
  QString table = QStringLiteral("%1 %2 %3\n").arg("", -3).arg("Magnitude", 14).arg("Angle", 10);
  for (size_t i = 0; i < m_phasors.phasors.size(); ++i) {
    const Phasor& phasor = m_phasors.phasors[i];
    const bool drawable = std::isfinite(phasor.magnitude) && std::isfinite(phasor.angle);
    table += QStringLiteral("%1 %2 %3\n")
                 .arg(QString::fromStdString(phasor.name), -3)
                 .arg(QString::fromStdString(DisplayValue(phasor.magnitude, phasor.unit)), 14)
                 .arg(QString::fromStdString(DisplayAngle(phasor.angle)), 10);
    if (!drawable) continue;
    const double scale = largest[i / 3] > 0 ? std::fabs(phasor.magnitude) / largest[i / 3] : 0;
    const double radius = (i < 3 ? kVoltRadius : kCurrentRadius) * scale;
    const double angle = phasor.angle * std::numbers::pi / 180;
    const double direction = phasor.magnitude < 0 ? -1 : 1;
    const QPointF head(direction * radius * std::cos(angle), direction * radius * std::sin(angle));
    const QColor color = SeriesColor(i % 3);
    auto* arrow = new QCPItemLine(this);
    arrow->start->setCoords(0, 0);
    arrow->end->setCoords(head);
    arrow->setHead(QCPLineEnding::esSpikeArrow);
    arrow->setPen(QPen(color, i < 3 ? 2.5 : 1.5, i < 3 ? Qt::SolidLine : Qt::DashLine));
    auto* label = new QCPItemText(this);
    label->position->setCoords(head * (i < 3 ? 1.07 : 1.12));
    label->setText(QString::fromStdString(phasor.name));
    label->setColor(color.darker(120));
    label->setBrush(QColor(255, 255, 255, 200));
  }
  // The note wrapped to the width of the table above it.
  if (!m_phasors.note.empty()) table += "\n" + Wrapped(QString::fromStdString(m_phasors.note), 30);
  if (table.endsWith(QLatin1Char('\n'))) table.chop(1);
  m_table->setText(table);
  SetTitle(
      QStringLiteral("Phasors, record %1 (%2)\nVoltages to the outer circle, currents to the inner")
          .arg(row)
          .arg(RecordTime(row)));
  updateGeometry();  // the table's size may have changed the plot's minimum
  ResetView();
}

void PhasorPlot::ResetView() {
  replot();  // the axis rect sets the ranges whenever it is laid out
}
