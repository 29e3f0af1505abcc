#pragma once
// The colours the plots give their series, in order: the trend's columns, the spectrum's
// channels and the report's phases take them the same way, so phase A is the same blue
// everywhere.

#include <QColor>
#include <cstddef>
#include <iterator>

inline QColor SeriesColor(size_t index) {
  static const QColor kColors[] = {
      QColor(31, 119, 180),  QColor(214, 39, 40), QColor(44, 160, 44),   QColor(255, 127, 14),
      QColor(148, 103, 189), QColor(140, 86, 75), QColor(227, 119, 194), QColor(127, 127, 127)};
  return kColors[index % std::size(kColors)];
}
