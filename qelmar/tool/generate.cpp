// The generator: a realistic database written as a fixture, field by field.
//
// Every random choice comes from a counter-based generator keyed by the seed,
// a stream and a record number, so a record can be made again in any pass
// (the invoices are visited twice: for their settlement entries and for
// their own records) and the same seed gives the same bytes on every target.
#include "generate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace qelmar_tool {

namespace {

// splitmix64's finaliser: a good mix of one 64-bit word.
uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// The random numbers of one record of one stream.
class Rng {
 public:
  Rng(uint64_t seed, uint64_t stream, uint64_t record) : state_(Mix(Mix(seed ^ (stream << 56)) ^ record)) {}
  uint64_t Next() { return Mix(state_++); }
  // 0 <= n < bound (bound > 0).
  int64_t Below(int64_t bound) { return static_cast<int64_t>(Next() % static_cast<uint64_t>(bound)); }
  int64_t Between(int64_t low, int64_t high) { return low + Below(high - low + 1); }
  bool Chance(double p) { return static_cast<double>(Next() >> 11) * 0x1.0p-53 < p; }
  template <class T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(N)];
  }

 private:
  uint64_t state_;
};

enum Stream : uint64_t {
  kContractorStream = 1,
  kInvoiceStream,
  kItemStream,
  kSettlementStream,
  kDiscountStream,
  kGoodsStream,
  kContractStream,
  kUserStream,
  kWarehouseStream,
  kOwnerStream,
};

// Polish texts, all within Mazovia; some with apostrophes and backslashes.
const char* const kFirstNames[] = {"Jan",      "Anna",    "Piotr",    "Małgorzata", "Łukasz", "Żaneta",
                                   "Jędrzej",  "Bożena",  "Grzegorz", "Katarzyna",  "Józef",  "Agnieszka",
                                   "Michał",   "Grażyna", "Zdzisław", "Ewa",        "Paweł",  "Jolanta",
                                   "Sławomir", "Zofia",   "Wojciech", "Urszula"};
const char* const kSurnames[] = {"Kowalski",    "Nowak",     "Wiśniewski", "Wójcik",    "Kowalczyk", "Kamiński",
                                 "Lewandowski", "Zieliński", "Szymański",  "Woźniak",   "Dąbrowski", "Kozłowski",
                                 "Mazur",       "Krawczyk",  "Piotrowski", "Grabowski", "O'Hara",    "Żółkiewski",
                                 "Ślęzak",      "Łęcki",     "Gęsiarz",    "Źródłowski"};
const char* const kFirms[] = {"PHU 'Zorza'",
                              "Zakład Usług Ślusarskich",
                              "Spółdzielnia Mleczarska",
                              "Hurtownia Łódź\\Bałuty",
                              "Przedsiębiorstwo Żuraw",
                              "Biuro Rachunkowe 'Bilans'",
                              "Sklep Gąska",
                              "Piekarnia Źródełko",
                              "Auto-Serwis Ćma",
                              "Drukarnia Ósemka"};
struct Place {
  const char* postcode;
  const char* city;
};
const Place kPlaces[] = {{"00-950", "Warszawa"},  {"30-001", "Kraków"},  {"90-001", "Łódź"},
                         {"80-001", "Gdańsk"},    {"50-001", "Wrocław"}, {"60-001", "Poznań"},
                         {"15-001", "Białystok"}, {"20-001", "Lublin"},  {"40-001", "Katowice"},
                         {"26-600", "Radom"},     {"87-100", "Toruń"},   {"43-300", "Bielsko-Biała"}};
const char* const kStreets[] = {"ul. Długa",         "ul. Świętokrzyska", "al. Jerozolimskie", "os. Słoneczne",
                                "ul. Żółkiewskiego", "ul. Piękna",        "Rynek Główny",      "ul. Źródlana",
                                "ul. Gęsia",         "Plac Wolności"};
const char* const kGoodsNames[] = {
    "Młotek ciesielski", "Wkręt do drewna",     "Usługa montażu",     "Kabel miedziany", "Farba 'Śnieżka'",
    "Łopata ogrodowa",   "Żarówka LED",         "Wiertło do betonu",  "Klucz nasadowy",  "Taśma izolacyjna",
    "Rura PCV \\ 50 mm", "Gwoździe ocynkowane", "Drabina aluminiowa", "Przedłużacz 5 m", "Szpachla nierdzewna"};
const char* const kUnits[] = {"szt", "szt.", "kg", "m", "godz", "opak."};
const char* const kRemarks[] = {"",
                                "",
                                "Zapłata w dwóch ratach",
                                "Klient 'VIP' - rabat uzgodniony",
                                "Dostawa do magazynu w Łodzi",
                                "Faktura do paragonu nr 12\\2024",
                                "Proszę o szybką zapłatę; dziękujemy!",
                                "Towar odebrany osobiście"};
const char* const kDescriptions[] = {"Abonament 'Biznes' 300 Mb/s", "Serwis kotłowni - przegląd",
                                     "Dzierżawa terminala",         "Wynajem biura \\ pokój 2",
                                     "Opieka informatyczna",        "Sprzątanie klatek schodowych"};
const int16_t kVatCodes[] = {33, 33, 33, 18, 18, 10, 40};  // 23%, 8%, 0%, exempt

// Output with a buffer of its own: one fwrite per megabyte.
class Out {
 public:
  explicit Out(std::FILE* file) : file_(file) { buffer_.reserve(kFlush + 4096); }
  ~Out() { Flush(); }
  Out& Raw(const std::string& text) {
    buffer_ += text;
    opened_ = !text.empty() && text.back() == '{';
    return Check();
  }
  Out& Int(int64_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    buffer_ += text;
    opened_ = false;
    return Check();
  }
  // A JSON string of UTF-8 text.
  Out& Str(const std::string& text) {
    buffer_ += '"';
    for (const char c : text) {
      if (c == '"' || c == '\\') {
        buffer_ += '\\';
        buffer_ += c;
      } else if (static_cast<unsigned char>(c) < 0x20) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
        buffer_ += escaped;
      } else {
        buffer_ += c;
      }
    }
    buffer_ += '"';
    opened_ = false;
    return Check();
  }
  // "key": (with a comma before every pair but an object's first)
  Out& Key(const std::string& key, bool first = false) {
    if (!first && !opened_) buffer_ += ", ";
    opened_ = false;
    buffer_ += '"';
    buffer_ += key;
    buffer_ += "\": ";
    return *this;
  }
  Out& Field(const std::string& key, int64_t value) { return Key(key).Int(value); }
  Out& Field(const std::string& key, const std::string& value) { return Key(key).Str(value); }
  bool Flush() {
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) failed_ = true;
    buffer_.clear();
    return !failed_;
  }
  bool failed() const { return failed_; }

 private:
  static constexpr std::size_t kFlush = std::size_t{1} << 20;
  Out& Check() {
    if (buffer_.size() >= kFlush) Flush();
    return *this;
  }
  std::FILE* file_;
  std::string buffer_;
  bool opened_ = false;  // an object was just opened: its first key needs no comma
  bool failed_ = false;
};

std::string Format(const char* format, long long a, long long b = 0, long long c = 0) {
  char text[128];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

// "YYYY-MM-DD" of a day counted from 1970-01-01 (the civil calendar).
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

constexpr int64_t kFirstDay = 16436;  // 2015-01-01
constexpr int64_t kDays = 3650;       // ten years of documents

// A NIP with its check digit, with or without hyphens.
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

std::string Padded(std::string text, std::size_t width) {
  // Width in characters: the Polish letters take two bytes in UTF-8.
  std::size_t characters = 0;
  for (const char c : text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  if (characters < width) text.append(width - characters, ' ');
  return text;
}

// An address line in one of the layouts the host's users type.
std::string Address(Rng& rng) {
  const Place& place = rng.Pick(kPlaces);
  std::string street = rng.Pick(kStreets) + std::string(" ") + std::to_string(rng.Between(1, 180));
  switch (rng.Below(4)) {
    case 0:
      street += "/" + std::to_string(rng.Between(1, 60));
      break;
    case 1:
      street += " m " + std::to_string(rng.Between(1, 60));
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

// Upper case of a UTF-8 text of ASCII and Polish letters.
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

struct Sizes {
  int64_t contractors, invoices, contracts, goods, users, groups;
  int keyAccounts;
  double keyShare;
};

int64_t Scaled(double scale, int64_t standard, int64_t least) {
  return std::max<int64_t>(least, std::llround(static_cast<double>(standard) * scale));
}

int32_t ContractorId(int64_t index) { return static_cast<int32_t>(index + 1); }
int32_t DocumentId(int64_t invoice) { return static_cast<int32_t>(invoice + 1); }
int32_t SettlementRef(int64_t invoice) { return static_cast<int32_t>(invoice + 10000001); }
int32_t GoodsId(int64_t goods) { return static_cast<int32_t>(goods + 1); }

// The sale date of invoice i: ten years, in order.
int64_t DayOf(const Sizes& s, int64_t invoice) {
  return kFirstDay + invoice * kDays / std::max<int64_t>(1, s.invoices);
}

// The contractor that issues invoice i: a key account with the key share.
int64_t OwnerOf(const Sizes& s, uint64_t seed, int64_t invoice) {
  Rng rng(seed, kOwnerStream, static_cast<uint64_t>(invoice));
  const int64_t spacing = s.contractors / s.keyAccounts;
  if (rng.Chance(s.keyShare)) return rng.Below(s.keyAccounts) * spacing;
  for (;;) {
    const int64_t c = rng.Below(s.contractors);
    if (c % spacing != 0 || c / spacing >= s.keyAccounts) return c;
  }
}

// One invoice's items and totals, in ten-thousandths.
struct Item {
  std::string name;
  int64_t net, gross;
  int16_t vat;
  int64_t goods;
};
struct Invoice {
  Item items[3];
  int64_t gross = 0, net = 0, vat = 0;
  int64_t bucket[4][3] = {};  // 23%, 8%, 0%, exempt: gross, net, VAT
};

Invoice InvoiceOf(const Sizes& s, uint64_t seed, int64_t i) {
  Rng rng(seed, kItemStream, static_cast<uint64_t>(i));
  Invoice invoice;
  for (Item& item : invoice.items) {
    item.goods = rng.Below(s.goods);
    item.name = std::string(kGoodsNames[item.goods % (sizeof kGoodsNames / sizeof *kGoodsNames)]) + " " +
                std::to_string(item.goods % 997);
    item.vat = rng.Pick(kVatCodes);
    item.net = rng.Between(1, 50000) * 100;
    const int rate = item.vat == 33 ? 23 : item.vat == 18 ? 8 : 0;
    item.gross = item.net + (item.net * rate / 100 + 50) / 100 * 100;
    const int bucket = item.vat == 33 ? 0 : item.vat == 18 ? 1 : item.vat == 10 ? 2 : 3;
    invoice.bucket[bucket][0] += item.gross;
    invoice.bucket[bucket][1] += item.net;
    invoice.bucket[bucket][2] += item.gross - item.net;
    invoice.gross += item.gross;
    invoice.net += item.net;
    invoice.vat += item.gross - item.net;
  }
  return invoice;
}

void WriteInvoice(Out& out, const Sizes& s, uint64_t seed, int64_t i) {
  Rng rng(seed, kInvoiceStream, static_cast<uint64_t>(i));
  const Invoice invoice = InvoiceOf(s, seed, i);
  const int64_t owner = OwnerOf(s, seed, i);
  const int64_t day = DayOf(s, i);
  out.Raw("{")
      .Key("number", true)
      .Str(rng.Chance(0.02) ? "" : Format("FV/%lld/%lld", i + 1, 2015 + (day - kFirstDay) / 365));
  out.Field("number2", Format("PA/%lld", i + 1));
  out.Field("customerKey", Format("%05lld", ContractorId(owner)));
  out.Field("type", rng.Below(4));
  out.Field("saleDate", DateOf(day));
  out.Field("issueDate", DateOf(day + rng.Below(3)));
  out.Field("paymentTerm", rng.Pick((const int64_t[]){0, 7, 14, 30}));
  out.Field("grossTotal", invoice.gross).Field("netTotal", invoice.net).Field("vatTotal", invoice.vat);
  out.Field("gross23", invoice.bucket[0][0]).Field("net23", invoice.bucket[0][1]).Field("vat23", invoice.bucket[0][2]);
  out.Field("gross8", invoice.bucket[1][0]).Field("net8", invoice.bucket[1][1]).Field("vat8", invoice.bucket[1][2]);
  out.Field("gross0", invoice.bucket[2][0]).Field("grossExempt", invoice.bucket[3][0]);
  out.Field("remarks", rng.Pick(kRemarks));
  out.Field("createdBy", Format("U%03lld", rng.Below(std::min<int64_t>(s.users, 1000))));
  out.Field("contractorId", ContractorId(owner));
  out.Field("settlementRef", SettlementRef(i));
  out.Field("documentId", DocumentId(i)).Raw("}");
}

void WriteItems(Out& out, const Sizes& s, uint64_t seed, int64_t i) {
  const Invoice invoice = InvoiceOf(s, seed, i);
  out.Str(std::to_string(DocumentId(i))).Raw(": [");
  bool first = true;
  for (const Item& item : invoice.items) {
    out.Raw(first ? "{" : ", {").Key("name", true).Str(item.name);
    out.Field("priceA", item.net).Field("priceB", item.gross).Field("vat", item.vat).Raw("}");
    first = false;
  }
  out.Raw("]");
}

// A slot of a settlement entry.
struct Slot {
  int16_t kind;
  int32_t reference;
  int64_t amount;
  int64_t day;  // the invoice's sale date
};

// The settlement entries of one contractor, from its invoices in date order:
// most are paid in one slot, some in two entries, some in part, some not at
// all; a few slots charge (kind 2) and a few entries are void.
void WriteSettlements(Out& out, const Sizes& s, uint64_t seed, int64_t contractor, const std::vector<int64_t>& invoices,
                      bool* first) {
  Rng rng(seed, kSettlementStream, static_cast<uint64_t>(contractor));
  std::vector<Slot> slots, later;
  for (const int64_t i : invoices) {
    const int64_t gross = InvoiceOf(s, seed, i).gross;
    const int64_t day = DayOf(s, i);
    const int64_t roll = rng.Below(100);
    if (roll < 60) {
      slots.push_back(Slot{1, SettlementRef(i), gross, day});
    } else if (roll < 75) {
      const int64_t part = gross / 3 / 100 * 100;
      slots.push_back(Slot{1, SettlementRef(i), part, day});
      later.push_back(Slot{1, SettlementRef(i), gross - part, day + 30});
    } else if (roll < 85) {
      slots.push_back(Slot{1, SettlementRef(i), gross / 2 / 100 * 100, day});
    } else if (roll < 90) {
      slots.push_back(Slot{2, SettlementRef(i), gross, day});
    }
    // else: not paid at all.
  }
  slots.insert(slots.end(), later.begin(), later.end());
  // About five slots an entry, at most twelve; a contractor without invoices
  // still has one entry (an opening balance, paying nothing).
  const int64_t entries = std::max<int64_t>(1, static_cast<int64_t>((slots.size() + 4) / 5));
  std::size_t next = 0;
  for (int64_t e = 0; e < entries || next < slots.size(); ++e) {
    const std::size_t left = slots.size() - next;
    const std::size_t take = std::min<std::size_t>(
        e + 1 >= entries ? left : std::min<std::size_t>(left, static_cast<std::size_t>(rng.Between(1, 9))), 12);
    const bool active = !rng.Chance(0.03);
    out.Raw(*first ? "\n{" : ",\n{").Key("owner", true).Int(ContractorId(contractor));
    *first = false;
    out.Field("active", active ? 1 : 0);
    // Paid some days after the latest document it settles.
    int64_t day = kFirstDay - 30;
    for (std::size_t k = 0; k < take; ++k) day = std::max(day, slots[next + k].day);
    out.Field("date", DateOf(day + rng.Below(45)));
    std::string kinds, amounts, references;
    // Appended piece by piece: GCC 12 for i686 misreads `"..." + std::string&&` as an overlapping copy.
    for (std::size_t k = 0; k < take; ++k) {
      const Slot& slot = slots[next + k];
      const char* separator = k ? ", " : "";
      kinds.append(separator).append(std::to_string(slot.kind));
      amounts.append(separator).append(std::to_string(slot.amount));
      references.append(separator).append(std::to_string(slot.reference));
    }
    next += take;
    out.Key("slotKind").Raw("[" + kinds + "]").Key("slotAmount").Raw("[" + amounts + "]");
    out.Key("slotDocument").Raw("[" + references + "]").Raw("}");
  }
}

void WriteContractor(Out& out, uint64_t seed, int64_t c, bool keyAccount) {
  Rng rng(seed, kContractorStream, static_cast<uint64_t>(c));
  const int32_t id = ContractorId(c);
  const int64_t kind = rng.Below(10);  // 0-5 people (both orders), 6-9 firms
  std::string name = kind < 3 ? PersonName(rng, true) : kind < 6 ? PersonName(rng, false) : rng.Pick(kFirms);
  if (keyAccount) name = std::string(rng.Pick(kFirms)) + " S.A.";
  std::string tax;
  const int64_t taxKind = rng.Below(20);
  if (kind >= 6 || taxKind < 10)
    tax = Nip(rng);
  else if (taxKind < 17)
    tax = Pesel(rng);
  out.Raw("{").Key("symbol", true).Str(rng.Chance(0.9) ? Format("%05lld", id) : Format("K-%lld", id));
  out.Field("name", name).Field("address", Address(rng)).Field("taxNumber", tax);
  out.Field("account", Format("PL%02lld 1090 1014 0000 %04lld %08lld", rng.Between(10, 99), rng.Below(10000),
                              rng.Below(100000000)));
  out.Field("amount", rng.Chance(0.2) ? 0 : rng.Between(-500000, 5000000) * 100);
  out.Field("balance", rng.Between(-200000, 200000) * 100);
  out.Field("createdDate", DateOf(kFirstDay - 400 + rng.Below(4000)));
  out.Field("createdBy", rng.Chance(0.5) ? "Administrator" : PersonName(rng, false));
  out.Field("contractorId", id).Raw("}");
}

void WriteAttributes(Out& out, uint64_t seed, int64_t c, bool* first) {
  Rng rng(seed, kContractorStream, static_cast<uint64_t>(c) + (uint64_t{1} << 40));
  const int32_t id = ContractorId(c);
  const int64_t count = rng.Between(1, 3);
  static const char* const kNames[] = {"e-mail", "tel.", "Dow.Os.", "Umowa", "Pesel"};
  const int64_t start = rng.Below(5);
  for (int64_t a = 0; a < count; ++a) {
    const int64_t which = (start + a) % 5;
    std::string value;
    switch (which) {
      case 0:
        value = Format("biuro%lld@firma-%lld.pl", id, rng.Below(1000));
        break;
      case 1:
        value = Format("+48 %03lld %03lld %03lld", rng.Between(500, 899), rng.Below(1000), rng.Below(1000));
        break;
      case 2:
        value = Format("ABC%06lld", rng.Below(1000000));
        break;
      case 3:
        value = Format("\\\\serwer\\umowy\\%lld.pdf", id);
        break;
      default:
        value = Pesel(rng);
        break;
    }
    out.Raw(*first ? "\n{" : ",\n{").Field("contractor", id).Key("name").Str(kNames[which]);
    *first = false;
    out.Field("kind", which == 3 ? 3 : 0).Field("value", value).Raw("}");
  }
}

void WriteDiscount(Out& out, uint64_t seed, int64_t c, int64_t groups) {
  Rng rng(seed, kDiscountStream, static_cast<uint64_t>(c));
  out.Raw("{").Field("contractorId", ContractorId(c)).Key("percent").Raw("{");
  const int64_t count = rng.Between(1, 5);
  std::vector<int64_t> chosen;
  for (int64_t g = 0; g < count; ++g) chosen.push_back(rng.Below(groups));
  std::sort(chosen.begin(), chosen.end());
  chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
  for (std::size_t g = 0; g < chosen.size(); ++g)
    out.Key(std::to_string(chosen[g]), g == 0).Int(rng.Between(1, 30) * 500);
  out.Raw("}").Key("priceLevel").Raw("{");
  for (std::size_t g = 0; g < chosen.size(); ++g) out.Key(std::to_string(chosen[g]), g == 0).Int(rng.Below(3));
  out.Raw("}");
  if (rng.Chance(0.3))
    out.Key("amountDiscount").Raw("{").Key(std::to_string(chosen[0]), true).Int(rng.Between(1, 500) * 100).Raw("}");
  out.Raw("}");
}

void WriteGoods(Out& out, const Sizes& s, uint64_t seed, int64_t g) {
  Rng rng(seed, kGoodsStream, static_cast<uint64_t>(g));
  const int64_t net = rng.Between(1, 50000) * 100;
  const int16_t vat = rng.Pick(kVatCodes);
  const std::string name =
      std::string(kGoodsNames[g % (sizeof kGoodsNames / sizeof *kGoodsNames)]) + " " + std::to_string(g % 997);
  out.Raw("{").Field("goodsId", GoodsId(g)).Key("name").Str(name);
  out.Field("symbol", Format("T-%06lld", GoodsId(g))).Field("plu", Format("590%010lld", rng.Below(10000000000ll)));
  out.Field("unit", rng.Pick(kUnits)).Field("stock", rng.Between(-100, 100000) * 10).Field("vat", vat);
  out.Field("purchaseNet", net * 8 / 10).Field("net1", net).Field("net2", net * 9 / 10);
  out.Field("gross1", net + net * (vat == 33 ? 23 : vat == 18 ? 8 : 0) / 100);
  out.Field("supplierSymbol", rng.Chance(0.5) ? "DOST'01" : "HURT\\02").Field("shortName", name.substr(0, 30));
  out.Field("group", rng.Below(s.groups))
      .Field("pkwiu", Format("%02lld.%02lld.%02lld.0", rng.Between(10, 99), rng.Below(100), rng.Below(100)));
  out.Field("description", rng.Chance(0.5) ? "" : "Opis towaru: wymiary 10x20; 'gatunek I'; ą ę ł ó ś ż ź ć ń")
      .Raw("}");
}

// One list or object of records: open, count records written by write, close.
template <class Write>
void List(Out& out, const char* open, int64_t count, const char* close, Write write) {
  out.Raw(open);
  for (int64_t i = 0; i < count; ++i) {
    out.Raw(i ? ",\n" : "\n");
    write(i);
  }
  out.Raw(close);
}

}  // namespace

bool GenerateFixture(const GenerateOptions& options, const std::string& path, std::string* error) {
  if (!(options.scale > 0) || options.keyAccounts < 1 || options.keyShare < 0 || options.keyShare >= 1) {
    *error = "scale must be positive, key accounts at least 1 and the key share below 1";
    return false;
  }
  Sizes s{};
  s.contractors = Scaled(options.scale, 100000, 20);
  s.invoices = Scaled(options.scale, 1000000, 1);
  s.contracts = Scaled(options.scale, 20000, 1);
  s.goods = std::min<int64_t>(Scaled(options.scale, 50000, 10), 65000);
  s.users = Scaled(options.scale, 1000, 3);
  s.groups = 450;
  s.keyAccounts = static_cast<int>(std::min<int64_t>(options.keyAccounts, s.contractors / 2));
  s.keyShare = options.keyShare;
  const uint64_t seed = options.seed;

  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    *error = "cannot write " + path;
    return false;
  }
  {
    Out out(file);
    out.Raw("{\n\"#\": ")
        .Str(Format("Generated: scale %lld/1000000, seed %lld", std::llround(options.scale * 1e6),
                    static_cast<long long>(seed)));
    out.Raw(",\n\"host\": {}");
    std::string names;
    for (const char* name : kFirstNames) {
      names += UpperCase(name) + "\r\n";
    }
    out.Raw(",\n\"files\": {").Key("imiona.txt", true).Str(names).Raw("}");
    out.Raw(",\n\"groups\": {");
    for (int64_t g = 0; g < s.groups; g += 2)
      out.Key(std::to_string(g), g == 0).Str(Format("Grupa %lld - ", g) + kGoodsNames[g % 15]);
    out.Raw("}");
    out.Raw(
        ",\n\"paymentMethods\": {\"1\": \"gotówka\", \"2\": \"Przelew\", \"3\": \"Karta\", \"4\": \"Kompensata\", "
        "\"5\": \"BARTER\", \"6\": \"umowa\"}");
    out.Raw(",\n\"tables\": {\n\"Tspr_prop\": [{\"discountSwitch3\": 1}]");

    out.Raw(
        ",\n\"w3\": [{\"number\": 1, \"name\": \"Magazyn główny\"}, {\"number\": 2, \"name\": \"Hurtownia Łódź\"}, "
        "{\"number\": 3, \"name\": \"Sklep 'Pod Zegarem'\"}]");
    out.Raw(",\n\"h1\": [");
    for (int64_t u = 0; u < s.users; ++u) {
      Rng rng(seed, kUserStream, static_cast<uint64_t>(u));
      out.Raw(u ? ",\n{" : "\n{")
          .Field("state", rng.Below(3))
          .Key("name")
          .Str(PersonName(rng, rng.Chance(0.5)).substr(0, 30));
      out.Field("id", u < 1000 ? Format("U%03lld", u) : Format("%04lld", u % 10000));
      out.Field("third", rng.Chance(0.5) ? "księgowa" : "magazynier 'nocny'").Raw("}");
    }
    out.Raw("]");

    List(out, ",\n\"k9\": [", s.goods, "]", [&](int64_t g) { WriteGoods(out, s, seed, g); });

    const int64_t spacing = s.contractors / s.keyAccounts;
    List(out, ",\n\"k4\": [", s.contractors, "]",
         [&](int64_t c) { WriteContractor(out, seed, c, c % spacing == 0 && c / spacing < s.keyAccounts); });

    List(out, ",\n\"k4_tab\": [", s.contractors, "]", [&](int64_t c) { WriteDiscount(out, seed, c, s.groups); });

    // Settlement entries by contractor: its invoices found by counting.
    {
      std::vector<uint32_t> start(static_cast<std::size_t>(s.contractors) + 1, 0);
      std::vector<uint32_t> owner(static_cast<std::size_t>(s.invoices));
      for (int64_t i = 0; i < s.invoices; ++i) {
        owner[i] = static_cast<uint32_t>(OwnerOf(s, seed, i));
        ++start[owner[i] + 1];
      }
      for (std::size_t c = 1; c < start.size(); ++c) start[c] += start[c - 1];
      std::vector<uint32_t> byOwner(owner.size());
      std::vector<uint32_t> fill(start.begin(), start.end() - 1);
      for (int64_t i = 0; i < s.invoices; ++i) byOwner[fill[owner[i]]++] = static_cast<uint32_t>(i);
      out.Raw(",\n\"k4_kar\": [");
      bool first = true;
      std::vector<int64_t> invoices;
      for (int64_t c = 0; c < s.contractors; ++c) {
        invoices.assign(byOwner.begin() + start[c], byOwner.begin() + start[c + 1]);
        if (invoices.empty() && Rng(seed, kSettlementStream, ~static_cast<uint64_t>(c)).Chance(0.5)) continue;
        WriteSettlements(out, s, seed, c, invoices, &first);
      }
      out.Raw("]");
    }

    List(out, ",\n\"Tspr\": [", s.invoices, "]", [&](int64_t i) { WriteInvoice(out, s, seed, i); });

    out.Raw(",\n\"Umst\": [");
    for (int64_t k = 0; k < s.contracts; ++k) {
      Rng rng(seed, kContractStream, static_cast<uint64_t>(k));
      const int64_t contractor = rng.Below(s.contractors);
      const int64_t day = kFirstDay + rng.Below(kDays);
      const int64_t method = rng.Between(1, 6);
      const int64_t flags = rng.Pick((const int64_t[]){0, 0, 32, 64, 128});
      out.Raw(k ? ",\n{" : "\n{").Field("state", rng.Below(3)).Field("kind", rng.Below(3));
      out.Field("frequency", rng.Between(1, 12))
          .Field("number", Format("UM/%lld/%lld", k + 1, 2015 + (day - kFirstDay) / 365));
      out.Field("contractorKey", Format("%05lld", ContractorId(contractor)))
          .Field("description", rng.Pick(kDescriptions));
      out.Field("paymentWord", (method << 9) | flags).Field("paymentTerm", rng.Pick((const int64_t[]){7, 14, 30}));
      out.Field("startDate", DateOf(day))
          .Field("endDate", DateOf(day + 730))
          .Field("createdDate", DateOf(day - rng.Below(30)));
      out.Field("priceSelector", rng.Below(2)).Field("contractId", k + 1).Raw("}");
    }
    out.Raw("]\n}");

    out.Raw(",\n\"indexes\": {\"198\": [");
    for (int64_t c = 7, n = 0; c < s.contractors; c += 997, ++n) out.Raw(n ? ", " : "").Int(c);
    out.Raw("]}");

    out.Raw(",\n\"warehouseGoods\": {\"1\": [");
    for (int64_t g = 0; g < s.goods; ++g) out.Raw(g ? (g % 32 ? ", " : ",\n") : "").Int(g);
    out.Raw("]");
    for (int w = 2; w <= 3; ++w) {
      out.Raw(", ").Str(std::to_string(w)).Raw(": [");
      bool first = true;
      for (int64_t g = 0; g < s.goods; ++g) {
        Rng rng(seed, kWarehouseStream, static_cast<uint64_t>(g) * 4 + static_cast<uint64_t>(w));
        if (!rng.Chance(w == 2 ? 0.5 : 0.3)) continue;
        out.Raw(first ? "\n" : ",\n");
        first = false;
        if (rng.Chance(0.5))
          out.Int(g);
        else
          out.Raw("{").Field("record", g).Field("stock", rng.Below(50000) * 10).Raw("}");
      }
      out.Raw("]");
    }
    out.Raw("}");

    out.Raw(",\n\"attributes\": [");
    bool firstAttribute = true;
    for (int64_t c = 0; c < s.contractors; ++c) WriteAttributes(out, seed, c, &firstAttribute);
    out.Raw("]");

    out.Raw(",\n\"contractItems\": {");
    for (int64_t k = 0; k < s.contracts; ++k) {
      Rng rng(seed, kContractStream, static_cast<uint64_t>(k) + (uint64_t{1} << 40));
      out.Raw(k ? ",\n" : "\n").Str(std::to_string(k + 1)).Raw(": [");
      for (int n = 0; n < 3; ++n) {
        const int64_t g = rng.Below(s.goods);
        const int64_t net = rng.Between(1, 50000) * 100;
        out.Raw(n ? ", {" : "{")
            .Key("name", true)
            .Str(std::string(kGoodsNames[g % 15]) + " " + std::to_string(g % 997));
        out.Field("priceA", net)
            .Field("priceB", net + net * 23 / 100)
            .Field("vat", 33)
            .Field("goodsId", GoodsId(g))
            .Raw("}");
      }
      out.Raw("]");
    }
    out.Raw("}");

    List(out, ",\n\"invoiceItems\": {", s.invoices, "}\n}\n", [&](int64_t i) { WriteItems(out, s, seed, i); });
    if (!out.Flush()) {
      std::fclose(file);
      *error = "cannot write " + path;
      return false;
    }
  }
  if (std::fclose(file) != 0) {
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace qelmar_tool
