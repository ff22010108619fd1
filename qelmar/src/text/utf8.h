// UTF-8, the host's code 6: one character at a time.
#pragma once

#include <cstddef>

namespace qelmar::utf8 {

inline constexpr char32_t kReplacement = 0xFFFD;

// Decodes the sequence at text[pos] and moves pos past it. A malformed or cut
// sequence gives kReplacement and moves pos by one byte only.
constexpr char32_t Decode(const char* text, std::size_t length, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  int continuation = -1;
  if ((lead & 0xE0) == 0xC0)
    continuation = 1;
  else if ((lead & 0xF0) == 0xE0)
    continuation = 2;
  else if ((lead & 0xF8) == 0xF0)
    continuation = 3;
  if (continuation < 0 || pos + continuation >= length) {
    ++pos;
    return kReplacement;
  }
  char32_t cp = lead & (0x3F >> continuation);
  for (int i = 1; i <= continuation; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return kReplacement;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  pos += continuation + 1;
  return cp;
}

// Writes the UTF-8 bytes of a code point to out; returns how many (1 to 4).
constexpr int Encode(char32_t cp, char* out) {
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

}  // namespace qelmar::utf8
