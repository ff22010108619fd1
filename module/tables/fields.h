// The rules that every row shares: quoted texts, dates and VAT rates.
//
// A text field is written between apostrophes with its apostrophes escaped;
// a date as 'YYYY-MM-DD'; an empty value as an empty field. Quoted fields are
// built whole: the areas hold the longest escaped value, so nothing is cut
// after the source's first 1023 characters.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/record.h"

namespace dravenhol {

// A short text or date work area: 255 characters and the terminator.
inline constexpr std::size_t kTextAreaSize = 256;
// The longest source text a quoted field takes, and its area.
inline constexpr std::size_t kMaxFieldSource = 1023;
inline constexpr std::size_t kSourceAreaSize = kMaxFieldSource + 1;
// Every character escaped, two apostrophes, the terminator.
inline constexpr std::size_t kQuotedFieldSize = 2 * kMaxFieldSource + 2 + 1;

// Copies at most size - 1 bytes of source and terminates; returns the length.
std::size_t CopyText(char* destination, std::size_t size, const char* source);

// Puts a backslash before every apostrophe of the text, in place, within an
// area of `size` bytes (an area of 2 * length + 1 bytes always suffices).
void EscapeApostrophes(char* text, std::size_t size);

// The quoted form of source: empty when source is empty; otherwise its first
// 1023 characters with every apostrophe escaped and trailing backslashes
// removed (so the closing apostrophe is never escaped), between apostrophes,
// then passed to the host's HostAdjustFieldText. destination holds at least
// kQuotedFieldSize bytes for the field to be whole; smaller areas are cut.
void QuoteField(char* destination, std::size_t size, const char* source);
template <std::size_t N>
void QuoteField(char (&destination)[N], const char* source) {
  QuoteField(destination, N, source);
}

// The text at offset of a record, read within the record, quoted.
void QuoteRecordText(char* destination, std::size_t size, const RecordView& record, std::size_t offset);
template <std::size_t N>
void QuoteRecordText(char (&destination)[N], const RecordView& record, std::size_t offset) {
  QuoteRecordText(destination, N, record, offset);
}

// Puts text between apostrophes without escaping (the name parts).
void WrapInApostrophes(char* destination, std::size_t size, const char* text);

// Converts a non-empty stored date text in place (an area of at least 13
// bytes) into 'YYYY-MM-DD' with its apostrophes, from the host's display form
// DD.MM.YYYY. A date that the host cannot show in full (a display form
// shorter than ten characters) becomes empty. Returns text.
char* FormatDateField(char* text, std::size_t size);

// The date field of the text at offset of a record: empty when the stored
// text is empty, else FormatDateField of its first 255 characters.
void DateField(char (&destination)[kTextAreaSize], const RecordView& record, std::size_t offset);
// The stored date at offset, copied as it is (at most 255 characters); the
// first step of DateField, for rows that convert their dates later.
void CopyDateText(char (&destination)[kTextAreaSize], const RecordView& record, std::size_t offset);

// The VAT percentage of a host VAT code: 0 for codes 0 to 11 and 39 to 41,
// code - 10 otherwise.
int32_t VatRateFromCode(int16_t code);

}  // namespace dravenhol
