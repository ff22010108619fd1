// Text operations: bounded copies, dates, code page conversions, trimming and
// comparison, and the shared row buffer.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "functions/host_functions.h"
#include "session/host_state.h"
#include "text/text_codec.h"

namespace qelmar::impl {

namespace {

constexpr std::size_t kRecodeRoom = 260;

bool Overlap(const char* a, std::size_t aSize, const char* b, std::size_t bSize) {
  const std::less<const char*> before;
  return before(a, b + bSize) && before(b, a + aSize);
}

}  // namespace

extern "C" char* HOST_CDECL_ATTR HostCopyTextMax(char* destination, const char* source, int32_t limit) {
  if (destination == nullptr) return destination;
  std::size_t n = 0;
  if (source != nullptr)
    while (static_cast<int64_t>(n) < limit && source[n] != '\0') ++n;
  std::memmove(destination, source != nullptr ? source : "", n);
  destination[n] = '\0';
  return destination;
}

// Field texts are kept as they are.
extern "C" int32_t HOST_CDECL_ATTR HostAdjustFieldText(char*) { return 0; }

// A stored date is "YYYYMMDD". The display form is always ten characters,
// DD.MM.YYYY, from the stored text's digits in order, missing ones as 0.
extern "C" char* HOST_CDECL_ATTR HostDateToText(char* display, const char* stored) {
  if (display == nullptr) return display;
  char digits[8];
  std::size_t n = 0;
  for (const char* p = stored != nullptr ? stored : ""; *p != '\0' && n < sizeof digits; ++p)
    if (std::isdigit(static_cast<unsigned char>(*p))) digits[n++] = *p;
  for (; n < sizeof digits; ++n) digits[n] = '0';
  const char text[11] = {digits[6], digits[7], '.',       digits[4], digits[5], '.',
                         digits[0], digits[1], digits[2], digits[3], '\0'};
  std::memcpy(display, text, sizeof text);
  return display;
}

// Exactly as many bytes as the host has (5002 unless set), so that a row
// written past them is an overflow that the sanitizers see; a host that
// leaves garbage in it fills it anew at each call.
extern "C" char* HOST_CDECL_ATTR HostScratchBuffer() {
  Host& host = TheHost();
  const std::size_t size = host.config.scratchSize;
  if (size == 0) return nullptr;  // a host that has no buffer to give
  if (host.live.scratch == nullptr || host.live.scratchSize != size) {
    host.live.scratch = std::make_unique<char[]>(size);
    host.live.scratchSize = size;
  }
  if (host.config.scratchGarbage) FillGarbage(host, reinterpret_cast<unsigned char*>(host.live.scratch.get()), size);
  return host.live.scratch.get();
}

extern "C" int32_t HOST_CDECL_ATTR HostConvertText(char* destination, int32_t destinationSize, const char* source,
                                                   int32_t sourceLength, int32_t fromCode, int32_t toCode) {
  if (destination == nullptr || destinationSize <= 0) return 0;
  const std::size_t size = static_cast<std::size_t>(destinationSize);
  // A negative length: the text up to its terminator, measured once.
  const std::size_t length = sourceLength >= 0   ? static_cast<std::size_t>(sourceLength)
                             : source != nullptr ? std::strlen(source)
                                                 : 0;
  if (source == nullptr || !Overlap(destination, size, source, sourceLength < 0 ? length + 1 : length))
    return ConvertText(source, length, fromCode, toCode, destination, size);
  // Overlapping: converted from a copy, which ends at the terminator or the length.
  const std::string copy(source, std::find(source, source + length, '\0'));
  return ConvertText(copy.c_str(), copy.size(), fromCode, toCode, destination, size);
}

// The destination holds 260 bytes; it may be the source itself.
extern "C" char* HOST_CDECL_ATTR HostRecodeText(char* destination, const char* source, int32_t fromCode,
                                                int32_t toCode) {
  if (destination == nullptr) return destination;
  // A host that converts only the way the module needs leaves the rest alone.
  constexpr int32_t kMazovia = 1, kWindowsCodePage = 3;
  if (!TheHost().config.recodeBack && !(fromCode == kMazovia && toCode == kWindowsCodePage)) return destination;
  char converted[kRecodeRoom];
  ConvertText(source, SIZE_MAX, fromCode, toCode, converted, sizeof converted,
              TheHost().config.recodeDrops ? kDropMissing : kQuestionMarkForMissing);
  std::memcpy(destination, converted, std::strlen(converted) + 1);
  return destination;
}

// Removes leading and trailing blanks and tabs in place.
extern "C" char* HOST_CDECL_ATTR HostTrimText(char* text) {
  if (text == nullptr) return text;
  std::size_t begin = 0;
  std::size_t end = std::strlen(text);
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  std::memmove(text, text + begin, end - begin);
  text[end - begin] = '\0';
  return text;
}

// Compares at most limit bytes as unsigned values: -1, 0 or 1.
extern "C" int32_t HOST_CDECL_ATTR HostCompareText(const char* a, const char* b, int32_t limit) {
  if (a == nullptr) a = "";
  if (b == nullptr) b = "";
  for (int64_t i = 0; i < limit; ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) break;
  }
  return 0;
}

}  // namespace qelmar::impl
