#include "NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// METERLOG2_NO_INT128 builds the portable path alone, as compilers without __int128 do, for the
// test that checks it on every platform.
#if defined(__SIZEOF_INT128__) && !defined(METERLOG2_NO_INT128)
// "%f" by integer arithmetic for finite values below 2^53: |value| x 10^6 is m x 15625 x
// 2^(e + 6) exactly, rounded half to even like printf and std::to_chars. About 2.5 times
// faster than std::to_chars; false hands the value to std::to_chars.
bool AppendFixed6Exact(std::string& text, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  if (biased >= 1023 + 53) return false;  // 2^53 and above, infinities, NaN
  uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
  uint64_t n = 0;  // |value| x 10^6, rounded
  if (biased != 0 || mantissa != 0) {
    const int exponent = biased == 0 ? -1074 : biased - 1075;
    if (biased != 0) mantissa |= uint64_t{1} << 52;
    const unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa) * 15625u;
    const int shift = -(exponent + 6);
    if (shift <= 0) {
      const unsigned __int128 whole = scaled << -shift;
      if (whole >> 64) return false;
      n = static_cast<uint64_t>(whole);
    } else if (shift < 128) {
      unsigned __int128 q = scaled >> shift;
      const unsigned __int128 rest = scaled - (q << shift);
      const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
      if (rest > half || (rest == half && (q & 1))) ++q;
      if (q >> 64) return false;
      n = static_cast<uint64_t>(q);
    }
  }
  char buffer[40];
  char* p = buffer;
  if (bits >> 63) *p++ = '-';
  p = std::to_chars(p, buffer + sizeof buffer, n / 1000000).ptr;
  *p++ = '.';
  uint32_t fraction = static_cast<uint32_t>(n % 1000000);
  for (int i = 5; i >= 0; --i) {
    p[i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  text.append(buffer, static_cast<size_t>(p + 6 - buffer));
  return true;
}
#else
bool AppendFixed6Exact(std::string&, double) {
  return false;
}
#endif

}  // namespace

void AppendFixed6(std::string& text, double value) {
  // A NaN is "nan" whatever its sign bit (the byte-reversed floats of a dump are full of them).
  if (std::isnan(value)) {
    text += "nan";
    return;
  }
  if (AppendFixed6Exact(text, value)) return;
  // "%f" of the largest double has 309 integer digits; 330 leaves room for sign and point.
  char buffer[330];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  text.append(buffer, static_cast<size_t>(result.ptr - buffer));
}
