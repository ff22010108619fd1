// The replacement host's Mazovia table and the module's were written apart,
// each from the list of Polish letters and code page 437. Byte for byte they
// must give the same character: a wrong entry on either side shows here.
#include <gtest/gtest.h>

#include <cstdio>

#include "host/mazovia.h"
#include "text/mazovia_page.h"

namespace {

TEST(MazoviaPage, EveryByteIsTheSameCharacterInTheHostAndInTheModule) {
  for (int byte = 0; byte < 256; ++byte) {
    const auto b = static_cast<unsigned char>(byte);
    char at[8];
    std::snprintf(at, sizeof at, "0x%02X", byte);
    EXPECT_EQ(static_cast<uint32_t>(qelmar::mazovia_page::ToUnicode(b)),
              static_cast<uint32_t>(dravenhol::mazovia::ToUnicode(b)))
        << "byte " << at;
  }
}

}  // namespace
