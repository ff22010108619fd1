// The Polish DOS code page Mazovia, in which the host keeps every text.
//
// Sources hold readable UTF-8; MZ("Błąd") turns such a literal into its
// Mazovia bytes at compile time, so the binary holds only Mazovia. A literal
// with a character that Mazovia lacks does not compile.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace dravenhol::mazovia {

// Unicode code point of each byte from 0x80 to 0xFF: code page 437 with the
// eighteen Polish letters in their Mazovia positions.
inline constexpr char16_t kUpperHalf[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x0105, 0x00E7,  // 0x80 .. 0x87, ą at 0x86
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x0107, 0x00C4, 0x0104,  // 0x88 .. 0x8F, ć 0x8D, Ą 0x8F
    0x0118, 0x0119, 0x0142, 0x00F4, 0x00F6, 0x0106, 0x00FB, 0x00F9,  // 0x90 .. 0x97, Ę ę ł, Ć 0x95
    0x015A, 0x00D6, 0x00DC, 0x00A2, 0x0141, 0x00A5, 0x015B, 0x0192,  // 0x98 .. 0x9F, Ś, Ł 0x9C, ś 0x9E
    0x0179, 0x017B, 0x00F3, 0x00D3, 0x0144, 0x0143, 0x017A, 0x017C,  // 0xA0 .. 0xA7, Ź Ż ó Ó ń Ń ź ż
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // 0xA8 .. 0xAF
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // 0xB0 .. 0xB7
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // 0xB8 .. 0xBF
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // 0xC0 .. 0xC7
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // 0xC8 .. 0xCF
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // 0xD0 .. 0xD7
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // 0xD8 .. 0xDF
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // 0xE0 .. 0xE7
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,  // 0xE8 .. 0xEF
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // 0xF0 .. 0xF7
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,  // 0xF8 .. 0xFF
};

constexpr char32_t ToUnicode(unsigned char byte) {
  return byte < 0x80 ? char32_t(byte) : char32_t(kUpperHalf[byte - 0x80]);
}

// The Mazovia byte of a code point, or -1 when the code page lacks it.
constexpr int FromUnicode(char32_t cp) {
  if (cp < 0x80) return int(cp);
  for (int i = 0; i < 128; ++i)
    if (kUpperHalf[i] == cp) return 0x80 + i;
  return -1;
}

// Decodes one UTF-8 sequence at text[pos]; advances pos. Returns 0xFFFD for a
// malformed or truncated sequence (and advances by one byte).
constexpr char32_t DecodeUtf8(const char* text, std::size_t length, std::size_t& pos) {
  const auto b0 = static_cast<unsigned char>(text[pos]);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  const int extra = (b0 & 0xE0) == 0xC0 ? 1 : (b0 & 0xF0) == 0xE0 ? 2 : (b0 & 0xF8) == 0xF0 ? 3 : -1;
  if (extra < 0 || pos + extra >= length) {
    ++pos;
    return 0xFFFD;
  }
  char32_t cp = b0 & (0x3F >> extra);
  for (int i = 1; i <= extra; ++i) {
    const auto b = static_cast<unsigned char>(text[pos + i]);
    if ((b & 0xC0) != 0x80) {
      ++pos;
      return 0xFFFD;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  pos += extra + 1;
  return cp;
}

// Appends the UTF-8 form of a code point; returns the number of bytes (1 to 4).
constexpr int EncodeUtf8(char32_t cp, char* out) {
  if (cp < 0x80) {
    out[0] = char(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = char(0xC0 | (cp >> 6));
    out[1] = char(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = char(0xE0 | (cp >> 12));
    out[1] = char(0x80 | ((cp >> 6) & 0x3F));
    out[2] = char(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = char(0xF0 | (cp >> 18));
  out[1] = char(0x80 | ((cp >> 12) & 0x3F));
  out[2] = char(0x80 | ((cp >> 6) & 0x3F));
  out[3] = char(0x80 | (cp & 0x3F));
  return 4;
}

template <std::size_t N>
struct Utf8Literal {
  char text[N];
  consteval Utf8Literal(const char (&s)[N]) {
    for (std::size_t i = 0; i < N; ++i) text[i] = s[i];
  }
};

template <Utf8Literal S>
consteval std::size_t EncodedLength() {
  constexpr std::size_t n = sizeof(S.text) - 1;
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < n; ++count) DecodeUtf8(S.text, n, pos);
  return count;
}

template <Utf8Literal S>
consteval auto Encode() {
  constexpr std::size_t n = sizeof(S.text) - 1;
  std::array<char, EncodedLength<S>() + 1> out{};
  std::size_t pos = 0;
  for (std::size_t i = 0; pos < n; ++i) {
    const int byte = FromUnicode(DecodeUtf8(S.text, n, pos));
    if (byte < 0) throw "character without a Mazovia code";
    out[i] = static_cast<char>(byte);
  }
  return out;
}

template <Utf8Literal S>
inline constexpr auto kEncoded = Encode<S>();

}  // namespace dravenhol::mazovia

// The Mazovia bytes of a UTF-8 literal, as a zero-terminated constant.
#define MZ(literal) (::dravenhol::mazovia::kEncoded<::dravenhol::mazovia::Utf8Literal(literal)>.data())
