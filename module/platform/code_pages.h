// How a text is converted to a Windows code page, as each code page allows:
// WideCharToMultiByte refuses flags and a used-default pointer that its code
// page does not take (UTF-8 among them), and would then fail for every text.
// Plain values, so that the rule is the same and testable on every system.
#pragma once

#include <cstdint>

namespace dravenhol::platform {

inline constexpr uint32_t kNoBestFitChars = 0x400;    // WC_NO_BEST_FIT_CHARS
inline constexpr uint32_t kErrorInvalidChars = 0x80;  // WC_ERR_INVALID_CHARS

struct WideConversion {
  uint32_t flags;
  // Whether the call may be asked whether a character had no counterpart.
  bool reportsDefault;
};

// UTF-8 and GB 18030 take only WC_ERR_INVALID_CHARS and no used-default
// pointer (they have every character, so nothing is lost); UTF-7 takes
// neither; the ISO-2022 and ISCII pages and Symbol take no flags. Every other
// page: no best-fit substitutes, and the call reports a missing character.
constexpr WideConversion WideConversionFor(uint32_t codePage) {
  if (codePage == 65001 || codePage == 54936) return {kErrorInvalidChars, false};
  if (codePage == 65000) return {0, false};
  if (codePage == 42 || (codePage >= 50220 && codePage <= 50229) || (codePage >= 57002 && codePage <= 57011))
    return {0, true};
  return {kNoBestFitChars, true};
}

// WideCharToMultiByte measuring a text (no output buffer, no default
// character), with the code page's flags and, when it takes one, a
// used-default flag to set.
using WideToMultiByte = int (*)(uint32_t codePage, uint32_t flags, const char16_t* text, int length, int* usedDefault);

// The bytes the text takes in that code page, or -1 when the conversion
// fails or a character has no counterpart there.
inline int MeasureInCodePage(uint32_t codePage, const char16_t* text, int length, WideToMultiByte convert) {
  if (length == 0) return 0;
  const WideConversion conversion = WideConversionFor(codePage);
  int usedDefault = 0;
  const int n = convert(codePage, conversion.flags, text, length, conversion.reportsDefault ? &usedDefault : nullptr);
  return n > 0 && usedDefault == 0 ? n : -1;
}

}  // namespace dravenhol::platform
