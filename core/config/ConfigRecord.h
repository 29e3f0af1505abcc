#pragma once
// The instrument's 869-byte configuration record as the program holds it.

#include <array>
#include <cstddef>
#include <cstdint>

constexpr size_t kConfigRecordSize = 869;
using ConfigRecord = std::array<uint8_t, kConfigRecordSize>;
