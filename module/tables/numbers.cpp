// One numeric formatting path for every target.
#include "tables/numbers.h"
#include "platform/compiler.h"

#include <charconv>
#include <cstring>
#include <system_error>

namespace dravenhol {

// The division runs in SSE2 registers also on i686, so the quotient is the
// correctly rounded double there too, as on x86-64.
DRAVENHOL_SSE2_MATH double ScaleDown(double value, double divisor) { return value / divisor; }

namespace {

// The exact decimal of a double with at most three decimals, rounded half to
// even, from the double's own bits: value = m * 2^e, so value * 10^d is
// (m * 10^d) / 2^-e, whose quotient and remainder are exact in 64 bits
// whenever |value| < 2^52. This is what std::to_chars gives, digit for digit,
// at a fraction of its cost; every other value goes to std::to_chars.
// Returns the length, or 0 when the value is not one of those.
std::size_t FormatFixedExact(double value, int decimals, char* out, std::size_t size) {
  static constexpr uint64_t kScales[] = {1, 10, 100, 1000};
  if (decimals < 0 || decimals > 3) return 0;
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  const bool negative = (bits >> 63) != 0;
  const auto biased = static_cast<int>((bits >> 52) & 0x7FF);
  const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
  if (biased == 0x7FF) return 0;  // infinite or not a number
  const uint64_t mantissa = biased == 0 ? fraction : fraction | (uint64_t{1} << 52);
  const int shift = biased == 0 ? 1074 : 1075 - biased;  // value = mantissa / 2^shift
  if (shift <= 0) return 0;                              // 2^52 or more
  const uint64_t scale = kScales[decimals];
  const uint64_t scaled = mantissa * scale;  // below 2^63
  uint64_t units = 0;                        // value * 10^decimals, rounded
  if (shift < 64) {
    units = scaled >> shift;
    const uint64_t rest = scaled & ((uint64_t{1} << shift) - 1);
    const uint64_t half = uint64_t{1} << (shift - 1);
    if (rest > half || (rest == half && (units & 1) != 0)) ++units;
  }  // else below half a unit: 0
  char digits[24];
  std::size_t n = 0;
  const uint64_t whole = units / scale;
  uint64_t part = units % scale;
  for (uint64_t w = whole;; w /= 10) {
    digits[n++] = static_cast<char>('0' + w % 10);
    if (w < 10) break;
  }
  const std::size_t length = (negative ? 1 : 0) + n + (decimals > 0 ? 1 + static_cast<std::size_t>(decimals) : 0);
  if (length + 1 > size) return 0;
  char* p = out;
  if (negative) *p++ = '-';
  while (n > 0) *p++ = digits[--n];
  if (decimals > 0) {
    *p++ = '.';
    for (int i = decimals - 1; i >= 0; --i, part /= 10) p[i] = static_cast<char>('0' + part % 10);
    p += decimals;
  }
  *p = '\0';
  return length;
}

}  // namespace

std::size_t FormatFixed(double value, int decimals, char* out, std::size_t size) {
  if (size == 0) return 0;
  if (const std::size_t length = FormatFixedExact(value, decimals, out, size); length != 0) return length;
  // std::to_chars with a precision is exact (no runtime rounding mode, no
  // locale) and rounds exact halves to even.
  const auto result = std::to_chars(out, out + size - 1, value, std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) {
    out[0] = '\0';
    return 0;
  }
  *result.ptr = '\0';
  return static_cast<std::size_t>(result.ptr - out);
}

std::size_t FormatInteger(int64_t value, char* out, std::size_t size) {
  if (size == 0) return 0;
  const auto result = std::to_chars(out, out + size - 1, value);
  if (result.ec != std::errc()) {
    out[0] = '\0';
    return 0;
  }
  *result.ptr = '\0';
  return static_cast<std::size_t>(result.ptr - out);
}

}  // namespace dravenhol
