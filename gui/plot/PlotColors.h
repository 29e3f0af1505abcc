#pragma once
// The colours the plots give their series, in order (table/SeriesPalette.h: the report's charts
// take the same), and the pens drawn with them; black is left for the mark of the current record.

#include <QColor>
#include <QPen>
#include <cstddef>
#include <iterator>

#include "table/SeriesPalette.h"

inline QColor SeriesColor(size_t index) {
  const meterlog2::table::Rgb rgb = meterlog2::table::SeriesRgb(index);
  return QColor(rgb.red, rgb.green, rgb.blue);
}

// The pen of series `index`: its colour, solid for the first six series, then dashed, then
// dotted, so that no two series of a plot look alike.
inline QPen SeriesPen(size_t index, double width) {
  static const Qt::PenStyle kStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine};
  return QPen(SeriesColor(index), width, kStyles[(index / 6) % std::size(kStyles)]);
}

// A colour no series uses: the mark of the current record.
inline QColor MarkerColor() {
  return Qt::black;
}
