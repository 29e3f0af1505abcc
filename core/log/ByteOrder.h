#pragma once
// Byte reversal shared by the loader, the queries and the instrument protocol.

#include <cstdint>
#include <cstring>

inline void SwapBytes16(uint16_t& value) {
  value = static_cast<uint16_t>((value >> 8) | (value << 8));
}

inline void SwapBytes32(uint32_t& value) {
  value =
      (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) | (value << 24);
}

inline void SwapBytes32(float& value) {
  uint32_t bits;
  std::memcpy(&bits, &value, 4);
  SwapBytes32(bits);
  std::memcpy(&value, &bits, 4);
}

// Big-endian integers as they stand in log files and on the instrument's wire.
inline uint16_t ReadBigEndian16(const uint8_t* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
inline uint32_t ReadBigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
inline void WriteBigEndian16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
inline void WriteBigEndian32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}
