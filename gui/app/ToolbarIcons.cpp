#include "ToolbarIcons.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

namespace {

const QColor kInk(40, 40, 40);
const QColor kPaper(252, 252, 248);
const QColor kFolder(232, 190, 80);
const QColor kAccent(40, 110, 190);
const QColor kGreen(40, 150, 70);

void Page(QPainter& p, const QRectF& r) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(kPaper);
  p.drawRect(r);
}

void PaintOpen(QPainter& p) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(kFolder.darker(115));
  p.drawRect(QRectF(1.5, 4.5, 12, 9));
  p.drawRect(QRectF(1.5, 3.5, 5, 1));
  QPainterPath lid;
  lid.moveTo(3.5, 7.5);
  lid.lineTo(15.5, 7.5);
  lid.lineTo(13.5, 13.5);
  lid.lineTo(1.5, 13.5);
  lid.closeSubpath();
  p.setBrush(kFolder);
  p.drawPath(lid);
}

void PaintExport(QPainter& p) {
  Page(p, QRectF(1.5, 1.5, 10, 13));
  p.setPen(QPen(kAccent, 1));
  for (int y = 4; y <= 12; y += 2) p.drawLine(QPointF(3.5, y + 0.5), QPointF(9.5, y + 0.5));
  p.setPen(QPen(kInk, 1));
  p.drawLine(QPointF(6.5, 3), QPointF(6.5, 13));
  // Arrow leaving the page.
  p.setPen(QPen(kGreen, 2));
  p.drawLine(QPointF(9, 9), QPointF(14, 9));
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  QPolygonF head;
  head << QPointF(12, 5.5) << QPointF(16, 9) << QPointF(12, 12.5);
  p.drawPolygon(head);
}

void PaintCopy(QPainter& p) {
  Page(p, QRectF(1.5, 1.5, 8, 10));
  Page(p, QRectF(6.5, 4.5, 8, 10));
  p.setPen(QPen(kAccent, 1));
  for (int y = 7; y <= 12; y += 2) p.drawLine(QPointF(8.5, y + 0.5), QPointF(12.5, y + 0.5));
}

void PaintAssess(QPainter& p) {
  // A trace between two limit lines, and a check mark.
  p.setPen(QPen(QColor(214, 39, 40), 1));
  p.drawLine(QPointF(1, 3.5), QPointF(15, 3.5));
  p.drawLine(QPointF(1, 12.5), QPointF(15, 12.5));
  p.setPen(QPen(kAccent, 1.2));
  p.drawPolyline(
      QPolygonF({QPointF(1, 9), QPointF(4, 7), QPointF(7, 9.5), QPointF(10, 6.5), QPointF(15, 8)}));
  p.setPen(QPen(kGreen, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(QPolygonF({QPointF(6.5, 8.5), QPointF(9, 11), QPointF(14.5, 4.5)}));
}

void PaintConfigure(QPainter& p) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(QColor(150, 150, 160));
  // A gear: ring with eight teeth.
  const QPointF c(8, 8);
  for (int i = 0; i < 8; ++i) {
    p.save();
    p.translate(c);
    p.rotate(45.0 * i);
    p.drawRect(QRectF(-1.5, -7.5, 3, 3));
    p.restore();
  }
  p.drawEllipse(c, 5, 5);
  p.setBrush(kPaper);
  p.drawEllipse(c, 2, 2);
}

void PaintDownload(QPainter& p) {
  // The instrument's flash going down into a tray.
  p.setPen(QPen(kInk, 1));
  p.setBrush(QColor(200, 200, 210));
  p.drawRect(QRectF(1.5, 11.5, 13, 3));
  p.setPen(Qt::NoPen);
  p.setBrush(kAccent);
  p.drawRect(QRectF(6, 1, 4, 6));
  QPolygonF head;
  head << QPointF(2.5, 6.5) << QPointF(13.5, 6.5) << QPointF(8, 11.5);
  p.drawPolygon(head);
}

void PaintAbout(QPainter& p) {
  p.setPen(QPen(kAccent.darker(130), 1));
  p.setBrush(kAccent);
  p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(7, 7, 2, 5));
  p.drawEllipse(QRectF(6.8, 3.8, 2.4, 2.4));
}

QPixmap Paint(ToolbarIconKind kind, int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.scale(size / 16.0, size / 16.0);
  switch (kind) {
    case ToolbarIconKind::kOpen:
      PaintOpen(p);
      break;
    case ToolbarIconKind::kExportCsv:
      PaintExport(p);
      break;
    case ToolbarIconKind::kCopy:
      PaintCopy(p);
      break;
    case ToolbarIconKind::kAssess:
      PaintAssess(p);
      break;
    case ToolbarIconKind::kConfigure:
      PaintConfigure(p);
      break;
    case ToolbarIconKind::kDownload:
      PaintDownload(p);
      break;
    case ToolbarIconKind::kAbout:
      PaintAbout(p);
      break;
  }
  return pm;
}

// Draws the icon afresh at whatever size and pixel density it is asked for, so it stays sharp
// at 150 %, 200 % or 300 % scaling.
class PaintedIconEngine : public QIconEngine {
 public:
  explicit PaintedIconEngine(ToolbarIconKind kind) : m_kind(kind) {}
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap pm = pixmap(rect.size() * ratio, mode, state);
    pm.setDevicePixelRatio(ratio);
    painter->drawPixmap(rect, pm);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
    QPixmap pm = Paint(m_kind, std::max(1, std::min(size.width(), size.height())));
    if (mode == QIcon::Disabled && qApp != nullptr) {
      QStyleOption option;
      option.palette = QGuiApplication::palette();
      pm = QApplication::style()->generatedIconPixmap(QIcon::Disabled, pm, &option);
    }
    return pm;
  }
  QIconEngine* clone() const override { return new PaintedIconEngine(m_kind); }

 private:
  ToolbarIconKind m_kind;
};

}  // namespace

QIcon ToolbarIcon(ToolbarIconKind kind) {
  return QIcon(new PaintedIconEngine(kind));
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 32.0, size / 32.0);
    // A meter face with a trace across it: the program reads what the analyzer recorded.
    p.setPen(QPen(QColor(30, 50, 80), 1.5));
    p.setBrush(QColor(40, 90, 150));
    p.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 5, 5);
    p.setBrush(QColor(225, 240, 230));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(5, 5, 22, 16));
    QPainterPath wave;
    wave.moveTo(6, 13);
    wave.cubicTo(9, 5, 12, 5, 16, 13);
    wave.cubicTo(20, 21, 23, 21, 26, 13);
    p.setPen(QPen(QColor(200, 60, 40), 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 230, 230));
    for (int i = 0; i < 3; ++i) p.drawEllipse(QRectF(7 + 7 * i, 23.5, 4, 4));
    p.end();
    icon.addPixmap(pm);
  }
  return icon;
}
