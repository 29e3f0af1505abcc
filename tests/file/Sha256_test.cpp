// SHA-256 against the test vectors of FIPS 180-4's examples, across block and padding edges,
// and of files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "file/Sha256.h"

namespace {

TEST(Sha256, KnownDigests) {
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// Lengths around the 55/56/64-byte edges of the padding, given whole and in odd pieces.
TEST(Sha256, PiecesGiveTheDigestOfTheWhole) {
  for (size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 1000u}) {
    std::string bytes;
    for (size_t i = 0; i < length; ++i) bytes += static_cast<char>(i * 7 + 3);
    Sha256 pieces;
    for (size_t at = 0, step = 1; at < length; at += step, step = step % 13 + 5)
      pieces.Update(std::string_view(bytes).substr(at, step));
    EXPECT_EQ(pieces.HexDigest(), Sha256Hex(bytes)) << length;
  }
  Sha256 reused;
  reused.Update("something else");
  reused.HexDigest();
  reused.Update("abc");
  EXPECT_EQ(reused.HexDigest(), Sha256Hex("abc"));
}

// A copy goes on from the bytes given so far, apart from the original: the digests of a prefix
// and of two continuations.
TEST(Sha256, CopiesGoOnFromWhereTheyWereMade) {
  Sha256 prefix;
  prefix.Update(std::string(100, 'x'));
  Sha256 copy(prefix);
  Sha256 assigned;
  assigned.Update("given before the assignment");
  assigned = prefix;
  copy.Update("abc");
  assigned.Update("abd");
  EXPECT_EQ(copy.HexDigest(), Sha256Hex(std::string(100, 'x') + "abc"));
  EXPECT_EQ(assigned.HexDigest(), Sha256Hex(std::string(100, 'x') + "abd"));
  EXPECT_EQ(prefix.HexDigest(), Sha256Hex(std::string(100, 'x')));
}

TEST(Sha256, Files) {
  // A folder of this process's own: the libcrypto and the portable test programs run at once.
  const auto folder = std::filesystem::temp_directory_path() /
                      ("meterlog2-sha256-Müller-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const auto path = folder / "two megabytes.57x";
  std::string bytes(2 * 1024 * 1024 + 17, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251);
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
  std::string hex, reason;
  ASSERT_TRUE(Sha256OfFile(path, hex, reason)) << reason;
  EXPECT_EQ(hex, Sha256Hex(bytes));
  EXPECT_FALSE(Sha256OfFile(folder / "missing.57x", hex, reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_FALSE(Sha256OfFile(folder, hex, reason));
  EXPECT_EQ(reason, "it is a folder");
  std::filesystem::remove_all(folder);
}

}  // namespace
