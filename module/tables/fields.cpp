// Quoting, dates and VAT codes.
#include "tables/fields.h"

#include <cmath>
#include <cstring>

#include "host/host_api.h"

namespace dravenhol {

std::size_t CopyText(char* destination, std::size_t size, const char* source) {
  if (size == 0) return 0;
  std::size_t n = 0;
  if (source != nullptr) {
    while (n + 1 < size && source[n] != '\0') {
      destination[n] = source[n];
      ++n;
    }
  }
  destination[n] = '\0';
  return n;
}

void EscapeApostrophes(char* text, std::size_t size) {
  if (size == 0) return;
  std::size_t length = strnlen(text, size - 1);
  text[length] = '\0';
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] != '\'') continue;
    if (length + 2 > size) {
      // No room for the backslash: the text ends before this apostrophe
      // rather than leaving it unescaped.
      text[i] = '\0';
      return;
    }
    std::memmove(text + i + 1, text + i, length - i + 1);
    text[i] = '\\';
    ++length;
    ++i;  // past the apostrophe
  }
}

void QuoteField(char* destination, std::size_t size, const char* source) {
  if (size == 0) return;
  destination[0] = '\0';
  if (source == nullptr || source[0] == '\0') return;

  char work[kQuotedFieldSize - 2];  // the escaped value
  host::HostCopyTextMax(work, source, static_cast<int32_t>(kMaxFieldSource));
  work[kMaxFieldSource] = '\0';
  EscapeApostrophes(work, sizeof work);

  // A trailing backslash would escape the closing apostrophe.
  std::size_t length = std::strlen(work);
  while (length > 0 && work[length - 1] == '\\') work[--length] = '\0';

  if (size < 3) return;
  std::size_t n = 0;
  destination[n++] = '\'';
  for (std::size_t i = 0; i < length && n + 2 < size; ++i) destination[n++] = work[i];
  destination[n++] = '\'';
  destination[n] = '\0';
  host::HostAdjustFieldText(destination);
  destination[size - 1] = '\0';
}

void QuoteRecordText(char* destination, std::size_t size, const RecordView& record, std::size_t offset) {
  char source[kSourceAreaSize];
  record.Text(offset, source, sizeof source);
  QuoteField(destination, size, source);
}

void WrapInApostrophes(char* destination, std::size_t size, const char* text) {
  if (size < 3) {
    if (size > 0) destination[0] = '\0';
    return;
  }
  std::size_t n = 0;
  destination[n++] = '\'';
  for (std::size_t i = 0; text[i] != '\0' && n + 2 < size; ++i) destination[n++] = text[i];
  destination[n++] = '\'';
  destination[n] = '\0';
}

char* FormatDateField(char* text, std::size_t size) {
  // The host writes DD.MM.YYYY and its terminator; the area is larger so that
  // a longer display form cannot run past it.
  char display[64] = {};
  host::HostDateToText(display, text);
  display[sizeof display - 1] = '\0';
  if (size < 13 || strnlen(display, 10) < 10) {
    if (size > 0) text[0] = '\0';
    return text;
  }
  const char field[13] = {'\'',       display[6], display[7], display[8], display[9], '-', display[3],
                          display[4], '-',        display[0], display[1], '\'',       '\0'};
  std::memcpy(text, field, sizeof field);
  return text;
}

void CopyDateText(char (&destination)[kTextAreaSize], const RecordView& record, std::size_t offset) {
  char stored[kTextAreaSize];
  record.Text(offset, stored, sizeof stored);
  destination[0] = '\0';
  host::HostCopyTextMax(destination, stored, static_cast<int32_t>(kTextAreaSize - 1));
  destination[kTextAreaSize - 1] = '\0';
}

void DateField(char (&destination)[kTextAreaSize], const RecordView& record, std::size_t offset) {
  CopyDateText(destination, record, offset);
  if (destination[0] != '\0') FormatDateField(destination, kTextAreaSize);
}

int32_t VatRateFromCode(int16_t code) {
  if ((code >= 0 && code <= 11) || (code >= 39 && code <= 41)) return 0;
  return static_cast<int32_t>(std::floor(static_cast<double>(code) - 10.0));
}

}  // namespace dravenhol
