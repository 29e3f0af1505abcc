#pragma once
// The colours plotted series take, in order: the trend's columns, the spectrum's channels, the
// phasors' phases and the report's phases take them the same way, so phase A is the same blue
// everywhere. The palette is one that colour-blind readers tell apart (blue, vermilion, bluish
// green, reddish purple, sky blue, orange); black is left for the mark of the current record.

#include <array>
#include <cstddef>
#include <cstdint>

namespace meterlog2::table {

struct Rgb {
  uint8_t red = 0, green = 0, blue = 0;
};

inline constexpr std::array<Rgb, 6> kSeriesPalette = {Rgb{0, 114, 178},  Rgb{213, 94, 0},
                                                      Rgb{0, 158, 115},  Rgb{204, 121, 167},
                                                      Rgb{86, 180, 233}, Rgb{230, 159, 0}};

constexpr Rgb SeriesRgb(size_t index) {
  return kSeriesPalette[index % kSeriesPalette.size()];
}

}  // namespace meterlog2::table
