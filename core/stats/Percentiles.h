#pragma once
// Percentiles by nearest rank and the median, of the finite values of a set: the values sorted
// ascending, the percentile is element ceil(percent / 100 * n), counted from 1. Values that are
// not finite are left out.

#include <cstddef>
#include <optional>
#include <vector>

namespace meterlog2::stats {

// Element ceil(percent / 100 * n) (1-based) of the finite values sorted ascending, computed in
// whole numbers; nothing when there is no finite value. `values` is reordered.
std::optional<double> NearestRankPercentile(std::vector<double>& values, int percent);
// The 1-based rank that NearestRankPercentile takes: ceil(percent * n / 100).
size_t NearestRank(size_t n, int percent);

// The median of the finite values (the mean of the two middle ones for an even count); nothing
// without any. `values` is reordered.
std::optional<double> Median(std::vector<double>& values);

}  // namespace meterlog2::stats
