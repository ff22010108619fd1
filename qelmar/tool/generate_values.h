// The values of a generated database: random numbers by purpose, Polish
// texts, tax numbers, addresses, dates and VAT rates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qelmar_tool {

// What a record's random numbers are for; each purpose is a stream of its own.
enum class Purpose {
  kContractor,
  kContractorAttributes,
  kIdleContractor,  // whether a contractor without invoices has an opening entry
  kOwner,           // the contractor that issues an invoice
  kInvoice,
  kInvoiceItems,
  kSettlements,
  kDiscount,
  kGoods,
  kWarehouseGoods,
  kContract,
  kContractItems,
  kUser,
};

// The random numbers of one record of one purpose: a counter-based generator
// keyed by the seed, so that a record can be made again in any pass and the
// same seed gives the same bytes on every target.
class Rng {
 public:
  Rng(uint64_t seed, Purpose purpose, uint64_t record);
  uint64_t Next();
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

// Polish texts, all within Mazovia; some with apostrophes and backslashes.
inline constexpr const char* kFirstNames[] = {"Jan",      "Anna",    "Piotr",    "Małgorzata", "Łukasz", "Żaneta",
                                              "Jędrzej",  "Bożena",  "Grzegorz", "Katarzyna",  "Józef",  "Agnieszka",
                                              "Michał",   "Grażyna", "Zdzisław", "Ewa",        "Paweł",  "Jolanta",
                                              "Sławomir", "Zofia",   "Wojciech", "Urszula"};
inline constexpr const char* kSurnames[] = {
    "Kowalski",  "Nowak",      "Wiśniewski", "Wójcik",    "Kowalczyk", "Kamiński",  "Lewandowski", "Zieliński",
    "Szymański", "Woźniak",    "Dąbrowski",  "Kozłowski", "Mazur",     "Krawczyk",  "Piotrowski",  "Grabowski",
    "O'Hara",    "Żółkiewski", "Ślęzak",     "Łęcki",     "Gęsiarz",   "Źródłowski"};
inline constexpr const char* kFirms[] = {"PHU 'Zorza'",
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
inline constexpr Place kPlaces[] = {{"00-950", "Warszawa"},  {"30-001", "Kraków"},  {"90-001", "Łódź"},
                                    {"80-001", "Gdańsk"},    {"50-001", "Wrocław"}, {"60-001", "Poznań"},
                                    {"15-001", "Białystok"}, {"20-001", "Lublin"},  {"40-001", "Katowice"},
                                    {"26-600", "Radom"},     {"87-100", "Toruń"},   {"43-300", "Bielsko-Biała"}};
inline constexpr const char* kStreets[] = {
    "ul. Długa",  "ul. Świętokrzyska", "al. Jerozolimskie", "os. Słoneczne", "ul. Żółkiewskiego",
    "ul. Piękna", "Rynek Główny",      "ul. Źródlana",      "ul. Gęsia",     "Plac Wolności"};
inline constexpr const char* kGoodsNames[] = {
    "Młotek ciesielski", "Wkręt do drewna",     "Usługa montażu",     "Kabel miedziany", "Farba 'Śnieżka'",
    "Łopata ogrodowa",   "Żarówka LED",         "Wiertło do betonu",  "Klucz nasadowy",  "Taśma izolacyjna",
    "Rura PCV \\ 50 mm", "Gwoździe ocynkowane", "Drabina aluminiowa", "Przedłużacz 5 m", "Szpachla nierdzewna"};
inline constexpr const char* kUnits[] = {"szt", "szt.", "kg", "m", "godz", "opak."};
inline constexpr const char* kRemarks[] = {"",
                                           "",
                                           "Zapłata w dwóch ratach",
                                           "Klient 'VIP' - rabat uzgodniony",
                                           "Dostawa do magazynu w Łodzi",
                                           "Faktura do paragonu nr 12\\2024",
                                           "Proszę o szybką zapłatę; dziękujemy!",
                                           "Towar odebrany osobiście"};
inline constexpr const char* kDescriptions[] = {"Abonament 'Biznes' 300 Mb/s", "Serwis kotłowni - przegląd",
                                                "Dzierżawa terminala",         "Wynajem biura \\ pokój 2",
                                                "Opieka informatyczna",        "Sprzątanie klatek schodowych"};
inline constexpr int16_t kVatCodes[] = {33, 33, 33, 18, 18, 10, 40};  // 23%, 8%, 0%, exempt

inline constexpr int64_t kPaymentTerms[] = {0, 7, 14, 30};
inline constexpr int64_t kContractPaymentTerms[] = {7, 14, 30};

// What a VAT code stands for: its rate in percent and the invoice's total it
// counts in (0: 23%, 1: 8%, 2: 0%, 3: exempt).
struct VatRate {
  int percent;
  int bucket;
};
VatRate VatOf(int16_t code);

// The name of goods number g: a word of kGoodsNames and a number.
const char* GoodsWord(int64_t g);
std::string GoodsName(int64_t g);

// printf of up to three integers.
std::string Format(const char* format, long long a, long long b = 0, long long c = 0);
// "YYYY-MM-DD" of a day counted from 1970-01-01 (the civil calendar).
std::string DateOf(int64_t days);
inline constexpr int64_t kFirstDay = 16436;  // 2015-01-01
inline constexpr int64_t kDays = 3650;       // ten years of documents

// A NIP with its check digit, with or without hyphens.
std::string Nip(Rng& rng);
std::string Pesel(Rng& rng);
std::string PersonName(Rng& rng, bool surnameFirst);
// An address line in one of the layouts the host's users type.
std::string Address(Rng& rng);
// Upper case of a UTF-8 text of ASCII and Polish letters.
std::string UpperCase(const std::string& text);

}  // namespace qelmar_tool
