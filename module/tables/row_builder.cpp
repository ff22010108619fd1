// Bounded line assembly and the message for a line that does not fit.
#include "tables/row_builder.h"

#include <cstring>

#include "host/host_api.h"
#include "host/mazovia.h"
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

void ReportLineTooLong(const char* fileName, const char* record) {
  char text[512];
  RowBuilder message(text, sizeof text);
  message.Tail(MZ("Wiersz rekordu ")).Tail(record).Tail(MZ(" nie mieści się w pliku BAZA\\"));
  message.Tail(fileName).Tail(MZ(" i nie został zapisany!\nOperacja niekompletna!"));
  if (!message.fits()) {
    // A record key too long for the message: name the file only.
    RowBuilder shorter(text, sizeof text);
    shorter.Tail(MZ("Wiersz nie mieści się w pliku BAZA\\")).Tail(fileName);
    shorter.Tail(MZ(" i nie został zapisany!\nOperacja niekompletna!"));
  }
  host::HostMessageBox(MZ("Uwaga"), text, int32_t{1});
}

void ReportItemsUnread(const char* fileName, int64_t document) {
  char number[kNumberTextSize];
  FormatInteger(document, number, sizeof number);
  char text[512];
  RowBuilder message(text, sizeof text);
  message.Tail(MZ("Nie można odczytać pozycji dokumentu ")).Tail(number).Tail(MZ(" do pliku BAZA\\"));
  message.Tail(fileName).Tail(MZ("!\nOperacja niekompletna!"));
  host::HostMessageBox(MZ("Uwaga"), text, int32_t{1});
}

void ReportLineTooLong(const char* fileName, int64_t record) {
  char number[kNumberTextSize];
  FormatInteger(record, number, sizeof number);
  ReportLineTooLong(fileName, number);
}

}  // namespace dravenhol
