// NIP check digit.
#include "tables/nip.h"

#include <cstddef>

namespace dravenhol {

namespace {

constexpr int kWeights[9] = {6, 5, 7, 2, 3, 4, 5, 6, 7};
constexpr std::size_t kMaxCopied = 100;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsValidNip(const char* text) {
  if (text == nullptr) return false;
  char copy[kMaxCopied];
  std::size_t length = 0;
  for (std::size_t i = 0; text[i] != '\0' && length < kMaxCopied; ++i) {
    if (text[i] != ' ' && text[i] != '-') copy[length++] = text[i];
  }
  if (length <= 1) return false;

  int allDigits = 0;
  for (std::size_t i = 0; i < length; ++i) allDigits += IsDigit(copy[i]) ? 1 : 0;
  if (allDigits > 10) return false;

  int sum = 0;
  int counted = 0;
  char check = copy[length - 1];
  for (std::size_t i = 0; i + 1 < length; ++i) {
    if (!IsDigit(copy[i])) continue;
    ++counted;
    if (counted == 10) {
      // The tenth digit is the check digit; it adds nothing to the sum.
      check = copy[i];
      break;
    }
    sum += (copy[i] - '0') * kWeights[counted - 1];
  }
  int remainder = sum % 11;
  if (remainder == 10) remainder = 0;
  return counted > 5 && check == static_cast<char>('0' + remainder);
}

}  // namespace dravenhol
