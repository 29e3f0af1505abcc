#include "Sha256.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "InputFile.h"

#ifndef METERLOG2_SHA256_PORTABLE
#include <openssl/evp.h>

// One digest context of libcrypto. Its calls fail only without memory or with a libcrypto
// configured to offer no SHA-256: an exception, as nothing can be digested then.
struct Sha256::State {
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  State() {
    if (context == nullptr) throw std::bad_alloc();
  }
  ~State() { EVP_MD_CTX_free(context); }
  State(const State&) = delete;
  State& operator=(const State&) = delete;
};

namespace {

void Check(int status) {
  if (status != 1) throw std::runtime_error("libcrypto could not compute a SHA-256 digest");
}

}  // namespace

Sha256::Sha256() : m_state(std::make_unique<State>()) {
  Check(EVP_DigestInit_ex(m_state->context, EVP_sha256(), nullptr));
}

Sha256::~Sha256() = default;

Sha256::Sha256(const Sha256& other) : m_state(std::make_unique<State>()) {
  Check(EVP_MD_CTX_copy_ex(m_state->context, other.m_state->context));
}

Sha256& Sha256::operator=(const Sha256& other) {
  if (this != &other) Check(EVP_MD_CTX_copy_ex(m_state->context, other.m_state->context));
  return *this;
}

void Sha256::Update(const void* data, size_t size) {
  if (size > 0) Check(EVP_DigestUpdate(m_state->context, data, size));
}

std::array<uint8_t, 32> Sha256::Finish() {
  std::array<uint8_t, 32> digest{};
  unsigned int length = 0;
  Check(EVP_DigestFinal_ex(m_state->context, digest.data(), &length));
  if (length != digest.size()) throw std::runtime_error("libcrypto gave no SHA-256 digest");
  Check(EVP_DigestInit_ex(m_state->context, EVP_sha256(), nullptr));
  return digest;
}

#endif  // METERLOG2_SHA256_PORTABLE

std::string Sha256::HexDigest() {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(64);
  for (const uint8_t byte : Finish()) {
    hex += kHex[byte >> 4];
    hex += kHex[byte & 15];
  }
  return hex;
}

std::string Sha256Hex(std::string_view bytes) {
  Sha256 hash;
  hash.Update(bytes);
  return hash.HexDigest();
}

bool Sha256OfFile(const std::filesystem::path& path, std::string& hex, std::string& reason) {
  InputFile file;
  if (!file.Open(path)) {
    reason = file.Reason();
    return false;
  }
  try {
    Sha256 hash;
    std::vector<uint8_t> chunk(1 << 20);
    uint64_t offset = 0;
    while (offset < file.Size()) {
      const size_t got = file.ReadAt(offset, chunk.data(), chunk.size());
      if (got == 0) break;
      hash.Update(chunk.data(), got);
      offset += got;
    }
    if (offset != file.Size() || file.CurrentSize() != static_cast<int64_t>(file.Size())) {
      reason = "it changed or could not be read to its end while its digest was taken";
      return false;
    }
    hex = hash.HexDigest();
  } catch (const std::runtime_error& error) {
    reason = error.what();
    return false;
  }
  return true;
}
