// One numeric formatting path for every target.
#include "tables/numbers.h"
#include "platform/compiler.h"

#include <charconv>
#include <system_error>

namespace dravenhol {

// The division runs in SSE2 registers also on i686, so the quotient is the
// correctly rounded double there too, as on x86-64.
DRAVENHOL_SSE2_MATH double ScaleDown(double value, double divisor) { return value / divisor; }

std::size_t FormatFixed(double value, int decimals, char* out, std::size_t size) {
  if (size == 0) return 0;
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
