#pragma once
// SHA-256 (FIPS 180-4) of bytes in memory or of a file, as 64 lowercase hex digits: what a
// report states so that its reader can check that the logs it names are the ones assessed.
// Computed by libcrypto, which uses the processor's SHA instructions where it has them; a
// Windows build, which has no libcrypto to link, computes it in Sha256Portable.cpp instead.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  // A copy goes on from the bytes given so far (the digest of a prefix and of the whole).
  Sha256(const Sha256& other);
  Sha256& operator=(const Sha256& other);
  void Update(const void* data, size_t size);
  void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
  // The digest of everything given so far, as hex; the object starts afresh afterwards.
  std::string HexDigest();

 private:
  // The digest of everything given so far; the state starts afresh.
  std::array<uint8_t, 32> Finish();
  struct State;
  std::unique_ptr<State> m_state;
};

std::string Sha256Hex(std::string_view bytes);

// The digest of the regular file at `path`. False with `reason` set when it cannot be read to
// its end or changes length while it is read.
bool Sha256OfFile(const std::filesystem::path& path, std::string& hex, std::string& reason);
