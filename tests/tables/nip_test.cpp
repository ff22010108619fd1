// The NIP check.
#include <gtest/gtest.h>

#include <string>

#include "tables/nip.h"

namespace dravenhol {
namespace {

TEST(IsValidNip, JudgesTaxNumbers) {
  const struct {
    std::string text;
    bool valid;
  } cases[] = {
      {"123-456-32-18", true},  // weighted sum 118, remainder 8
      {"1234563218", true},
      {"123 456 32 18", true},
      {"PL 1234563218", true},  // characters before the digits are passed over
      {"12a3456-3218", true},
      {"1234563219", false},  // wrong check digit
      {"1234567890", true},   // remainder 10 counts as 0
      {"1234563218.", true},  // the tenth digit is the check digit and adds nothing
      {"1234563217.", false},
      {"12345632180", false},  // more than ten digits: a PESEL, never a NIP
      {"44051401359", false},
      {"", false},
      {"1", false},
      {"--", false},
      {"000000", false},                              // only five digits before the check character
      {"0000000", true},                              // six digits counted, sum 0, check 0
      {std::string(100, 'x') + "1234563218", false},  // only the first 100 kept characters count
      {std::string(90, '-') + "1234563218", true},    // hyphens are not kept, so they do not count
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidNip(c.text.c_str()), c.valid) << "text: " << c.text;
}

TEST(IsValidNip, TakesAHyphenatedNumberAndRefusesNone) {
  EXPECT_TRUE(IsValidNip("123-456-32-18"));
  EXPECT_FALSE(IsValidNip(nullptr));
}

}  // namespace
}  // namespace dravenhol
