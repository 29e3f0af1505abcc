#pragma once
// XMODEM-CRC packets written out independently of the receiver, for the receive target's check
// and for its seed streams.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzz {

constexpr uint8_t kSoh = 0x01;
constexpr uint8_t kEot = 0x04;
constexpr uint8_t kCan = 0x18;
constexpr size_t kPacketSize = 133;
constexpr size_t kPacketData = 128;

// CRC-16/XMODEM: polynomial 0x1021, initial value 0, no reflection.
inline uint16_t XmodemCrc(const uint8_t* data, size_t size) {
  uint16_t crc = 0;
  for (size_t i = 0; i < size; ++i) {
    crc ^= static_cast<uint16_t>(data[i] << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
  }
  return crc;
}

// Packet `block` (taken mod 256) carrying 128 bytes from `data`.
inline std::vector<uint8_t> MakePacket(int block, const uint8_t* data) {
  std::vector<uint8_t> p(kPacketSize);
  p[0] = kSoh;
  p[1] = static_cast<uint8_t>(block);
  p[2] = static_cast<uint8_t>(~block);
  for (size_t i = 0; i < kPacketData; ++i) p[3 + i] = data[i];
  const uint16_t crc = XmodemCrc(data, kPacketData);
  p[131] = static_cast<uint8_t>(crc >> 8);
  p[132] = static_cast<uint8_t>(crc);
  return p;
}

// Whether the 133 bytes at `p` are a valid packet numbered `block`.
inline bool IsValidPacket(const uint8_t* p, uint8_t block) {
  return p[0] == kSoh && p[1] == block && p[2] == static_cast<uint8_t>(~block) &&
         ((p[131] << 8) | p[132]) == XmodemCrc(p + 3, kPacketData);
}

}  // namespace fuzz
