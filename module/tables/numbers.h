// Numbers as the output files write them, the same bytes on every target.
//
// Amounts and quantities go through one formatting path of the module's own,
// never through the C runtime's printf: runtimes disagree on exact halves
// (an amount stored as 1250 is exactly 0.125), and the files must not depend
// on the machine that writes them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dravenhol {

// Enough for any double in fixed notation with three decimals, and any integer.
inline constexpr std::size_t kNumberTextSize = 352;

// value / divisor, rounded once to double on every target (no extended
// precision on i686, whose x87 unit would round twice).
double ScaleDown(double value, double divisor);

// Writes value with exactly `decimals` digits after a full stop, like "%0.2f":
// the exact decimal expansion of the binary value rounded to that many digits,
// exact halves to even (0.125 -> 0.12, 0.375 -> 0.38); a negative value keeps
// its sign even when it rounds to zero (-0.004 -> -0.00). No grouping, no fill.
// Returns the length written (out is terminated), or 0 when out is too small.
std::size_t FormatFixed(double value, int decimals, char* out, std::size_t size);

// Decimal integer with a leading minus sign when negative, like "%d" / "%ld".
std::size_t FormatInteger(int64_t value, char* out, std::size_t size);

// The conversions of the row formats.
inline double MoneyValue(double stored) { return ScaleDown(stored, 10000.0); }             // ten-thousandths
inline double QuantityValue(int32_t stored) { return ScaleDown(double(stored), 1000.0); }  // thousandths
inline double PercentValue(int32_t stored) { return ScaleDown(double(stored), 1000.0); }   // thousandths of %

}  // namespace dravenhol
