#include "tables/row_builder.h"

#include <cstring>

#include "tables/fields.h"
#include "tables/numbers.h"

namespace dravenhol {

RowBuilder::RowBuilder(char* area, std::size_t size) : area_(area), size_(size), fits_(size > 0) {
  if (fits_) area_[0] = '\0';
}

double RowBuilder::MoneyOf(double stored) { return MoneyValue(stored); }

void RowBuilder::Append(const char* text, std::size_t length) {
  if (!fits_) return;
  if (length >= size_ - length_) {
    fits_ = false;
    return;
  }
  std::memcpy(area_ + length_, text, length);
  length_ += length;
  area_[length_] = '\0';
}

RowBuilder& RowBuilder::Text(const char* text) {
  if (!first_) Append(";", 1);
  first_ = false;
  Append(text, std::strlen(text));
  return *this;
}

RowBuilder& RowBuilder::Integer(int64_t value) {
  char number[kNumberTextSize];
  FormatInteger(value, number, sizeof number);
  return Text(number);
}

RowBuilder& RowBuilder::Fixed(double value, int decimals) {
  char number[kNumberTextSize];
  FormatFixed(value, decimals, number, sizeof number);
  return Text(number);
}

RowBuilder& RowBuilder::Tail(const char* text) {
  Append(text, std::strlen(text));
  return *this;
}

Row RowBuilder::Finish(int64_t key) const {
  if (fits_) return Row::Line(area_);
  char number[kNumberTextSize];
  FormatInteger(key, number, sizeof number);
  return Row::Dropped(Drop::kTooLong, number);
}

Row RowBuilder::Finish(const char* key) const { return fits_ ? Row::Line(area_) : Row::Dropped(Drop::kTooLong, key); }

}  // namespace dravenhol
