// Bounded assembly of one output line.
//
// A row is built field by field into a fixed area; a field that does not fit
// marks the row as too long instead of being cut, and a row that is too long
// is never written: it is handed back as dropped, with the record's key, so
// the user learns which record is missing from which file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "output/output_pair.h"

namespace dravenhol {

class RowBuilder {
 public:
  // size: the bytes of the area, terminator included (a line of at most
  // size - 1 characters).
  RowBuilder(char* area, std::size_t size);

  // One field each, preceded by ";" unless it is the first.
  RowBuilder& Text(const char* text);
  RowBuilder& Integer(int64_t value);
  RowBuilder& Fixed(double value, int decimals);
  RowBuilder& Money(double stored) { return Fixed(MoneyOf(stored), 2); }
  // Appends text after the last field, without a separator (a trailing ";").
  RowBuilder& Tail(const char* text);

  bool fits() const { return fits_; }
  // The line, or null when it did not fit.
  char* line() const { return fits_ ? area_ : nullptr; }
  // The line, or its drop naming the record by `key` (a number or the text
  // by which the user knows the record).
  Row Finish(int64_t key) const;
  Row Finish(const char* key) const;

 private:
  static double MoneyOf(double stored);
  void Append(const char* text, std::size_t length);

  char* area_;
  std::size_t size_;
  std::size_t length_ = 0;
  bool first_ = true;
  bool fits_;
};

}  // namespace dravenhol
