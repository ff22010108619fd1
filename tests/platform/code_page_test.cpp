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

  const char16_t plain[] = u"C:\\Dane\\BAZA\\faktury.csv";
  check("a plain path", platform::FileSystemLength(plain, 24), 24);
  const char16_t polish[] = u"zażółć";
  check("a Polish name", platform::FileSystemLength(polish, 6), polishLength);

  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
