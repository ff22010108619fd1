#include "generate_values.h"

#include <cstdio>

namespace qelmar_tool {

namespace {

// splitmix64's finaliser: a good mix of one 64-bit word.
uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// Where a purpose's numbers lie: a stream, and the record's key in it. Three
// purposes take a range of another stream's keys (from above 2^40, or the
// complement of the record), as the generator always has, so that a seed
// keeps giving the same database.
struct StreamKey {
  uint64_t stream;
  uint64_t recordBase;
  bool complement;
};
StreamKey KeyOf(Purpose purpose) {
  constexpr uint64_t kUpper = uint64_t{1} << 40;
  switch (purpose) {
    case Purpose::kContractor:
      return {1, 0, false};
    case Purpose::kContractorAttributes:
      return {1, kUpper, false};
    case Purpose::kInvoice:
      return {2, 0, false};
    case Purpose::kInvoiceItems:
      return {3, 0, false};
    case Purpose::kSettlements:
      return {4, 0, false};
    case Purpose::kIdleContractor:
      return {4, 0, true};
    case Purpose::kDiscount:
      return {5, 0, false};
    case Purpose::kGoods:
      return {6, 0, false};
    case Purpose::kContract:
      return {7, 0, false};
    case Purpose::kContractItems:
      return {7, kUpper, false};
    case Purpose::kUser:
      return {8, 0, false};
    case Purpose::kWarehouseGoods:
      return {9, 0, false};
    case Purpose::kOwner:
      return {10, 0, false};
  }
  return {0, 0, false};
}

std::string Padded(std::string text, std::size_t width) {
  // Width in characters: the Polish letters take two bytes in UTF-8.
  std::size_t characters = 0;
  for (const char c : text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  if (characters < width) text.append(width - characters, ' ');
  return text;
}

}  // namespace

Rng::Rng(uint64_t seed, Purpose purpose, uint64_t record) {
  const StreamKey key = KeyOf(purpose);
  state_ = Mix(Mix(seed ^ (key.stream << 56)) ^ (key.complement ? ~record : record + key.recordBase));
}

uint64_t Rng::Next() { return Mix(state_++); }

VatRate VatOf(int16_t code) {
  switch (code) {
    case 33:
      return {23, 0};
    case 18:
      return {8, 1};
    case 10:
      return {0, 2};
    default:
      return {0, 3};
  }
}

const char* GoodsWord(int64_t g) { return kGoodsNames[g % (sizeof kGoodsNames / sizeof *kGoodsNames)]; }
std::string GoodsName(int64_t g) { return std::string(GoodsWord(g)) + " " + std::to_string(g % 997); }

std::string Format(const char* format, long long a, long long b, long long c) {
  char text[128];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

std::string DateOf(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = yoe + era * 400 + (m <= 2);
  return Format("%04lld-%02lld-%02lld", y, m, d);
}

std::string Nip(Rng& rng) {
  static const int weights[] = {6, 5, 7, 2, 3, 4, 5, 6, 7};
  for (;;) {
    int digits[10], sum = 0;
    for (int i = 0; i < 9; ++i) {
      digits[i] = static_cast<int>(rng.Between(i == 0 ? 1 : 0, 9));
      sum += weights[i] * digits[i];
    }
    if (sum % 11 == 10) continue;
    digits[9] = sum % 11;
    const bool hyphens = rng.Chance(0.5);
    std::string text;
    for (int i = 0; i < 10; ++i) {
      if (hyphens && (i == 3 || i == 6 || i == 8)) text += '-';
      text += static_cast<char>('0' + digits[i]);
    }
    return text;
  }
}

std::string Pesel(Rng& rng) {
  static const int weights[] = {1, 3, 7, 9, 1, 3, 7, 9, 1, 3};
  const std::string birth = Format("%02lld%02lld%02lld", rng.Between(40, 99), rng.Between(1, 12), rng.Between(1, 28));
  std::string text = birth + Format("%04lld", rng.Between(0, 9999));
  int sum = 0;
  for (int i = 0; i < 10; ++i) sum += weights[i] * (text[i] - '0');
  text += static_cast<char>('0' + (10 - sum % 10) % 10);
  return text;
}

std::string PersonName(Rng& rng, bool surnameFirst) {
  const std::string first = rng.Pick(kFirstNames), last = rng.Pick(kSurnames);
  return surnameFirst ? last + " " + first : first + " " + last;
}

std::string Address(Rng& rng) {
  const Place& place = rng.Pick(kPlaces);
  std::string street = rng.Pick(kStreets) + std::string(" ") + std::to_string(rng.Between(1, 180));
  switch (rng.Below(4)) {
    case 0:
      street.append("/").append(std::to_string(rng.Between(1, 60)));
      break;
    case 1:
      street.append(" m ").append(std::to_string(rng.Between(1, 60)));
      break;
    case 2:
      street += static_cast<char>('a' + rng.Below(4));
      break;
    default:
      break;
  }
  const std::string postal = std::string(place.postcode) + " " + place.city;
  switch (rng.Below(4)) {
    case 0:
      return street + " " + postal;  // street, postcode, city
    case 1:
      return postal + " " + street;  // postcode, city, street
    case 2:
      return Padded(street, 25) + postal;  // two halves of 25: street first
    default:
      return Padded(postal, 25) + street;  // two halves of 25: postcode first
  }
}

std::string UpperCase(const std::string& text) {
  static const char* const kPairs[][2] = {{"ą", "Ą"}, {"ć", "Ć"}, {"ę", "Ę"}, {"ł", "Ł"}, {"ń", "Ń"},
                                          {"ó", "Ó"}, {"ś", "Ś"}, {"ź", "Ź"}, {"ż", "Ż"}};
  std::string upper;
  for (std::size_t i = 0; i < text.size();) {
    bool replaced = false;
    for (const auto& pair : kPairs) {
      if (text.compare(i, 2, pair[0]) == 0) {
        upper += pair[1];
        i += 2;
        replaced = true;
        break;
      }
    }
    if (replaced) continue;
    const char c = text[i++];
    upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  }
  return upper;
}

}  // namespace qelmar_tool
