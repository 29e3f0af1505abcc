#pragma once
// SHA-256 (FIPS 180-4) of bytes in memory or of a file, as 64 lowercase hex digits: what a
// report states so that its reader can check that the logs it names are the ones assessed.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

class Sha256 {
 public:
  Sha256();
  void Update(const void* data, size_t size);
  void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
  // The digest of everything given so far, as hex; the object starts afresh afterwards.
  std::string HexDigest();

 private:
  void Block(const uint8_t* block);
  std::array<uint32_t, 8> m_state;
  std::array<uint8_t, 64> m_buffer{};
  size_t m_buffered = 0;
  uint64_t m_length = 0;  // bytes given
};

std::string Sha256Hex(std::string_view bytes);

// The digest of the regular file at `path`. False with `reason` set when it cannot be read to
// its end or changes length while it is read.
bool Sha256OfFile(const std::filesystem::path& path, std::string& hex, std::string& reason);
