#include <algorithm>
#include <bit>
#include <vector>

#include "InstrumentProtocol.h"

static_assert(std::endian::native == std::endian::little,
              "the configuration record is held in little-endian host order");

namespace {

constexpr ConfigGroup kGroups[kConfigGroupCount] = {
    {0, 2}, {2, 11}, {13, 13}, {26, 16}, {42, 472}, {514, 136}, {650, 121}, {771, 73}, {844, 25},
};

struct Field {
  int offset;
  int width;
};

std::vector<Field> FieldsOf(int group) {
  std::vector<Field> fields;
  switch (group) {
    case 0:
      fields = {{0, 2}};
      break;
    case 2:
      fields = {{18, 2}, {20, 2}, {22, 4}};
      break;
    case 3:
      fields = {{36, 2}};
      break;
    case 5:  // eight blocks of 17 bytes: one byte, then four 32-bit values
      for (int i = 0; i < 8; ++i) {
        for (int k = 0; k < 4; ++k) fields.push_back({515 + 17 * i + 4 * k, 4});
      }
      break;
    case 6:  // scale_enable, then fifteen magnitude/phase pairs
      for (int j = 0; j < 15; ++j) {
        fields.push_back({651 + 8 * j, 4});
        fields.push_back({655 + 8 * j, 4});
      }
      break;
    case 8:
      fields = {{847, 2}, {849, 4}, {853, 2}, {855, 4}, {859, 2}, {861, 4}, {865, 4}};
      break;
    default:
      break;
  }
  return fields;
}

}  // namespace

const ConfigGroup& ConfigGroupAt(int group) {
  return kGroups[std::clamp(group, 0, 8)];
}

void SwapConfigGroup(ConfigRecord& record, int group) {
  for (const Field& f : FieldsOf(group)) {
    std::reverse(record.begin() + f.offset, record.begin() + f.offset + f.width);
  }
}
