#include "text/text_codec.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "text/mazovia_page.h"
#include "text/utf8.h"

namespace qelmar {

namespace {

// Unicode code point of each CP1250 byte from 0x80 to 0xFF; 0 where the code
// page has no character.
constexpr char16_t kCp1250UpperHalf[128] = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x0000, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 0x88
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 0x98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  // 0xA0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  // 0xA8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  // 0xB8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // 0xC0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // 0xC8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // 0xD0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // 0xD8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // 0xE0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // 0xE8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // 0xF0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // 0xF8
};

constexpr char32_t kNoCharacter = 0xFFFFFFFF;

enum class Page { kMazovia, kUtf8, kCp1250, kUnknown };

Page PageOf(int32_t code) {
  if (code == kCodeMazovia) return Page::kMazovia;
  if (code == kCodeUtf8) return Page::kUtf8;
  if (code == kCodeFileSystem) return FileSystemCodePage() == kCodeUtf8 ? Page::kUtf8 : Page::kCp1250;
  return Page::kUnknown;
}

char32_t Decode(Page page, const char* text, std::size_t length, std::size_t& pos) {
  const auto byte = static_cast<unsigned char>(text[pos]);
  if (page == Page::kUtf8) return utf8::Decode(text, length, pos);
  ++pos;
  if (byte < 0x80) return byte;
  if (page == Page::kMazovia) return mazovia_page::ToUnicode(byte);
  const char16_t cp = kCp1250UpperHalf[byte - 0x80];
  return cp == 0 ? kNoCharacter : char32_t(cp);
}

int FromUnicodeCp1250(char32_t cp) {
  if (cp < 0x80) return int(cp);
  for (int i = 0; i < 128; ++i)
    if (kCp1250UpperHalf[i] != 0 && kCp1250UpperHalf[i] == cp) return 0x80 + i;
  return -1;
}

// The bytes of one character in the target page; where it has none, '?' or
// nothing.
int Encode(Page page, char32_t cp, char* out, MissingCharacter missing = kQuestionMarkForMissing) {
  if (page == Page::kUtf8 && cp != kNoCharacter) return utf8::Encode(cp, out);
  const int byte = page == Page::kUtf8 || cp == kNoCharacter ? -1
                   : page == Page::kMazovia                  ? mazovia_page::FromUnicode(cp)
                                                             : FromUnicodeCp1250(cp);
  if (byte >= 0) {
    out[0] = static_cast<char>(byte);
    return 1;
  }
  if (missing == kDropMissing) return 0;
  out[0] = '?';
  return 1;
}

std::size_t BoundedLength(const char* text, std::size_t length) {
  if (length == SIZE_MAX) return std::strlen(text);
  const void* end = std::memchr(text, '\0', length);
  return end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : length;
}

// The UTF-8 bytes of every Mazovia byte, computed once: the conversion of
// every line the module writes goes this way.
struct Utf8OfMazovia {
  char bytes[256][4];
  unsigned char length[256];
  Utf8OfMazovia() {
    for (int b = 0; b < 256; ++b) {
      std::size_t pos = 0;
      const char byte = static_cast<char>(b);
      length[b] = static_cast<unsigned char>(Encode(Page::kUtf8, Decode(Page::kMazovia, &byte, 1, pos), bytes[b]));
    }
  }
};

std::size_t EncodeMazoviaAsUtf8(const char* source, std::size_t n, char* destination, std::size_t room) {
  static const Utf8OfMazovia table;
  std::size_t written = 0;
  for (std::size_t pos = 0; pos < n; ++pos) {
    // Runs of ASCII, the most of every line, are copied as they are.
    std::size_t run = 0;
    while (pos + run < n && run < room - written && static_cast<unsigned char>(source[pos + run]) < 0x80) ++run;
    if (run > 0) {
      std::memcpy(destination + written, source + pos, run);
      written += run;
      pos += run;
      if (pos == n) break;
    }
    const auto byte = static_cast<unsigned char>(source[pos]);
    if (byte < 0x80) break;  // no room left
    const std::size_t count = table.length[byte];
    if (written + count > room) break;
    for (std::size_t i = 0; i < count; ++i) destination[written++] = table.bytes[byte][i];
  }
  return written;
}

}  // namespace

int32_t ConvertText(const char* source, std::size_t length, int32_t from, int32_t to, char* destination,
                    std::size_t size, MissingCharacter missing) {
  if (destination == nullptr || size == 0) return 0;
  destination[0] = '\0';
  const Page in = PageOf(from);
  const Page out = PageOf(to);
  if (in == Page::kUnknown || out == Page::kUnknown) return -1;
  if (source == nullptr) return 0;
  const std::size_t n = BoundedLength(source, length);
  std::size_t written = 0;
  if (in == Page::kMazovia && out == Page::kUtf8) {
    written = EncodeMazoviaAsUtf8(source, n, destination, size - 1);
    destination[written] = '\0';
    return static_cast<int32_t>(written);
  }
  for (std::size_t pos = 0; pos < n;) {
    char bytes[4];
    const int count = Encode(out, Decode(in, source, n, pos), bytes, missing);
    if (written + static_cast<std::size_t>(count) > size - 1) break;
    for (int i = 0; i < count; ++i) destination[written++] = bytes[i];
  }
  destination[written] = '\0';
  return static_cast<int32_t>(written);
}

std::string Convert(std::string_view text, int32_t from, int32_t to) {
  std::string result(text.size() * 4 + 1, '\0');
  const int32_t n = ConvertText(text.data(), text.size(), from, to, result.data(), result.size());
  result.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
  return result;
}

bool Utf8ToMazoviaStrict(std::string_view utf8, std::string& mazovia, std::string& error) {
  mazovia.clear();
  for (std::size_t pos = 0; pos < utf8.size();) {
    const std::size_t start = pos;
    const char32_t cp = utf8::Decode(utf8.data(), utf8.size(), pos);
    const int byte = cp == 0xFFFD ? -1 : mazovia_page::FromUnicode(cp);
    if (byte < 0) {
      error = "character \"" + std::string(utf8.substr(start, pos - start)) + "\" has no Mazovia code";
      return false;
    }
    mazovia.push_back(static_cast<char>(byte));
  }
  return true;
}

std::string QuoteForTranscript(std::string_view mazovia) {
  const std::string utf8 = MazoviaToUtf8(mazovia);
  std::string quoted = "\"";
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      quoted += "\\\\";
    } else if (c == '"') {
      quoted += "\\\"";
    } else if (c == '\n') {
      quoted += "\\n";
    } else if (c == '\t') {
      quoted += "\\t";
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  quoted += '"';
  return quoted;
}

}  // namespace qelmar
