// How paths are measured in the system's code page, natively and under Wine
// with the ANSI code page at 1252, 1250 and 65001: the call's arguments for
// each code page (Windows refuses flags or a used-default pointer that a code
// page does not take, and would then refuse every path), and the length of a
// plain and of a Polish path as the system gives it.
//   code_page_test POLISH-LENGTH    the bytes "zażółć" takes there, -1 when it lacks a letter
#include <cstdio>
#include <cstdlib>

#include "platform/code_pages.h"
#include "platform/platform.h"

namespace platform = dravenhol::platform;
using WideToMultiByteStrict = platform::WideToMultiByte;

int main(int argc, char** argv) {
  const int polishLength = argc > 1 ? std::atoi(argv[1]) : 10;
  int passed = 0, failed = 0;
  const auto check = [&](const char* what, long long got, long long expected) {
    if (got == expected) {
      ++passed;
      return;
    }
    std::printf("%s: expected %lld, got %lld\n", what, expected, got);
    ++failed;
  };

  // WideCharToMultiByte's documented rules: WC_NO_BEST_FIT_CHARS is 0x400,
  // WC_ERR_INVALID_CHARS 0x80.
  const struct {
    uint32_t codePage;
    uint32_t flags;
    bool reportsDefault;
  } rules[] = {
      {1250, 0x400, true},  {1252, 0x400, true},  {437, 0x400, true}, {932, 0x400, true},
      {65001, 0x80, false}, {54936, 0x80, false}, {65000, 0, false},  {50220, 0, true},
      {50229, 0, true},     {57002, 0, true},     {57011, 0, true},   {42, 0, true},
  };
  for (const auto& rule : rules) {
    char what[64];
    std::snprintf(what, sizeof what, "code page %u: flags", static_cast<unsigned>(rule.codePage));
    check(what, platform::WideConversionFor(rule.codePage).flags, rule.flags);
    std::snprintf(what, sizeof what, "code page %u: used-default pointer", static_cast<unsigned>(rule.codePage));
    check(what, platform::WideConversionFor(rule.codePage).reportsDefault, rule.reportsDefault);
  }

  // The measure against a WideCharToMultiByte as strict as Windows': UTF-8
  // fails with any flag but WC_ERR_INVALID_CHARS, or with a used-default
  // pointer; code page 1250 has the Polish letters and no Cyrillic.
  const WideToMultiByteStrict strict = [](uint32_t codePage, uint32_t flags, const char16_t* text, int length,
                                          int* usedDefault) {
    int bytes = 0;
    for (int i = 0; i < length; ++i) {
      if (codePage == 65001) {
        bytes += text[i] < 0x80 ? 1 : text[i] < 0x800 ? 2 : 3;
      } else {
        ++bytes;
        if (text[i] >= 0x400 && text[i] < 0x500 && usedDefault != nullptr) *usedDefault = 1;
      }
    }
    if (codePage == 65001 && ((flags != 0 && flags != 0x80) || usedDefault != nullptr)) return 0;
    if (codePage == 1250 && flags != 0x400) return 0;
    return bytes;
  };
  const char16_t plain[] = u"C:\\Dane\\BAZA\\faktury.csv";
  const char16_t cyrillic[] = u"Жито";
  check("65001, a plain path", platform::MeasureInCodePage(65001, plain, 24, strict), 24);
  check("65001, a Polish name", platform::MeasureInCodePage(65001, u"zażółć", 6, strict), 10);
  check("1250, a Polish name", platform::MeasureInCodePage(1250, u"zażółć", 6, strict), 6);
  check("1250, a Cyrillic name", platform::MeasureInCodePage(1250, cyrillic, 4, strict), -1);

  check("a plain path", platform::FileSystemLength(plain, 24), 24);
  const char16_t polish[] = u"zażółć";
  check("a Polish name", platform::FileSystemLength(polish, 6), polishLength);

  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
