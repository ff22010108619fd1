// Bounded formatting into a buffer: the result is always terminated and never
// longer than the buffer, whatever the arguments.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>

namespace dravenhol {

inline int FormatBoundedV(char* buffer, std::size_t size, const char* format, va_list arguments) {
  if (buffer == nullptr || size == 0) return 0;
  const int n = std::vsnprintf(buffer, size, format, arguments);
  buffer[size - 1] = '\0';
  if (n < 0) {
    buffer[0] = '\0';
    return 0;
  }
  return static_cast<std::size_t>(n) < size ? n : static_cast<int>(size - 1);
}

// Returns the length of the text written.
__attribute__((format(printf, 3, 4))) inline int FormatBounded(char* buffer, std::size_t size, const char* format,
                                                               ...) {
  va_list arguments;
  va_start(arguments, format);
  const int n = FormatBoundedV(buffer, size, format, arguments);
  va_end(arguments);
  return n;
}

// Copies at most size - 1 bytes of source and terminates.
inline void CopyBounded(char* destination, std::size_t size, const char* source) {
  if (size == 0) return;
  std::size_t i = 0;
  for (; i + 1 < size && source[i] != '\0'; ++i) destination[i] = source[i];
  destination[i] = '\0';
}

}  // namespace dravenhol
