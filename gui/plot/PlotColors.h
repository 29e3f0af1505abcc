#pragma once
// The colours the plots give their series, in order: the trend's columns, the spectrum's
// channels, the phasors' phases and the report's phases take them the same way, so phase A is
// the same blue everywhere. The palette is one that colour-blind readers tell apart (blue,
// vermilion, bluish green, reddish purple, sky blue, orange); black is left for the mark of the
// current record.

#include <QColor>
#include <QPen>
#include <cstddef>
#include <iterator>

inline QColor SeriesColor(size_t index) {
  static const QColor kColors[] = {QColor(0, 114, 178),  QColor(213, 94, 0),
                                   QColor(0, 158, 115),  QColor(204, 121, 167),
                                   QColor(86, 180, 233), QColor(230, 159, 0)};
  return kColors[index % std::size(kColors)];
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
