#pragma once
// The envelope of a long trend: where a series has more points in view than the plot has pixel
// columns, each column shows the least and the greatest value that falls in it, so a reader
// sees the spread of the values instead of a solid block of lines.

#include <cstddef>
#include <span>
#include <vector>

struct TrendEnvelope {
  std::vector<double> keys;          // the middle of each pixel column
  std::vector<double> lower, upper;  // its least and greatest value; NaN where it holds none
  size_t points = 0;                 // the finite values that fell into the range
};

// The envelope of the points (`keys[i]`, `values[i]`) whose key lies in [from, to], over
// `columns` columns of equal width (the last one closed at `to`). Values that are no numbers
// (breaks, missing cells) are left out; keys need not be in order.
TrendEnvelope BuildEnvelope(std::span<const double> keys, std::span<const double> values,
                            double from, double to, size_t columns);
