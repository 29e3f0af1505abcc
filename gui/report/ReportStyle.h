#pragma once
// The report's type and colours, shared by the PDF, the HTML page and the charts. Sizes are in
// points: the PDF is drawn in points and the charts are laid out in points (CSS pixels on the
// HTML page), so every font is given in whole pixels of that space, the same on any device.
// The report's model (core/report) is UTF-8 and Qt-free: its texts and colours become Qt's here.

#include <QColor>
#include <QFont>
#include <QString>
#include <string>

#include "report/ReportDocument.h"

namespace meterlog2::report {

inline QFont ReportFont(int size, bool bold = false, bool code = false) {
  QFont font(code ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans"));
  font.setStyleHint(code ? QFont::Monospace : QFont::SansSerif);
  font.setPixelSize(size);
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferNoHinting);
  // No ligatures: "fi" stays two letters that a reader can search for and copy out of the PDF
  // (scripts that need shaping are still shaped).
  font.setStyleStrategy(QFont::PreferNoShaping);
  return font;
}

// Sizes of the report's type.
constexpr int kBodySize = 9;
constexpr int kTableSize = 8;
constexpr int kSmallSize = 7;
constexpr int kChartTextSize = 8;

const QColor kInkColor(33, 37, 41);
const QColor kMutedColor(108, 117, 125);
const QColor kRuleColor(206, 212, 218);
const QColor kHeadColor(233, 236, 239);   // table headers
const QColor kGroupColor(246, 247, 248);  // rows that head a part of a table

inline QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

inline QColor ToQColor(Rgb rgb) {
  return QColor(rgb.red, rgb.green, rgb.blue);
}

// The colour of a tone in both renderings.
QColor ToneColor(Tone tone);

}  // namespace meterlog2::report
