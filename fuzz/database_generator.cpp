#include "database_generator.h"

#include <algorithm>
#include <vector>

namespace dravenhol::fuzz {

namespace {

struct TableShape {
  const char* name;
  int length;
};

constexpr TableShape kTables[] = {{"Tspr", 1469},    {"Tspr_prop", 843}, {"Umst", 888}, {"k4", 1536}, {"k4_kar", 767},
                                  {"k4_tab", 11256}, {"k9", 1024},       {"h1", 468},   {"w3", 216}};

const char* const kOutputFiles[] = {"umowystale.csv",  "umowy.csv",          "faktury.csv", "faktury_pozycje.csv",
                                    "kontrahenci.csv", "kontrah_rabaty.csv", "magazyn.csv", "uzytkownicy.csv"};

std::string ToHex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char byte : bytes) {
    hex += digits[byte >> 4];
    hex += digits[byte & 15];
  }
  return hex;
}

// Random bytes, mostly printable Mazovia with few terminators, so that texts
// run long and often to the record's end.
std::string Hex(Source& source, int length) {
  std::string bytes;
  if (source.TakeBytes(static_cast<std::size_t>(length), bytes)) return ToHex(bytes);
  const int zeroPercent = source.Below(4) == 0 ? 30 : 1;
  for (int i = 0; i < length; ++i) {
    int byte = source.Chance(zeroPercent) ? 0 : source.Chance(70) ? 0x20 + source.Below(0x5F) : source.Below(256);
    if (source.Chance(3)) byte = '\'';
    if (source.Chance(2)) byte = '\\';
    bytes += static_cast<char>(byte);
  }
  return ToHex(bytes);
}

// A record of the data file: random bytes, with some fields steered to
// small identifiers so that items, settlements and discounts meet.
Json Record(Source& source, const TableShape& table, int length) {
  Json record = Json::object();
  record["raw"] = Hex(source, source.Chance(20) ? source.Below(length + 1) : length);
  const std::string name = table.name;
  if (name == "Tspr" && source.Chance(80)) {
    record["@1465/i32"] = 1 + source.Below(3);
    record["@1453/i32"] = 1 + source.Below(3);
  }
  if (name == "Umst" && source.Chance(80)) record["@854/i32"] = 1 + source.Below(3);
  if (name == "k4" && source.Chance(80)) record["@1532/i32"] = 1 + source.Below(3);
  if (name == "k4_kar" && source.Chance(80)) record["@2/i32"] = 1 + source.Below(3);
  if (name == "k4_tab" && source.Chance(80)) record["@11252/i32"] = 1 + source.Below(3);
  if (name == "k9" && source.Chance(60)) record["@1022/i16"] = source.Below(5) - 1;
  if (name == "w3" && source.Chance(80)) record["@2/i16"] = source.Below(4);
  if (name == "Tspr_prop" && source.Chance(70)) record["@68/i16"] = 1;
  return record;
}

}  // namespace

int BytesSource::Below(int n) {
  uint32_t value = 0;
  for (uint32_t range = 1; range < static_cast<uint32_t>(n) && size_ > 0; range <<= 8)
    value = (value << 8) | data_[--size_];
  return n > 0 ? static_cast<int>(value % static_cast<uint32_t>(n)) : 0;
}

bool BytesSource::Chance(int percent) { return size_ > 0 && Below(100) < percent; }

bool BytesSource::TakeBytes(std::size_t length, std::string& bytes) {
  const std::size_t taken = std::min(length, size_);
  bytes.assign(reinterpret_cast<const char*>(data_), taken);
  data_ += taken;
  size_ -= taken;
  return true;
}

Json RandomFixture(Source& source) {
  Json fixture;
  Json host = {{"dialog", source.Chance(50) ? "universal" : "interkam"}, {"activation", 0}};
  Json lengths = Json::object();
  for (const TableShape& table : kTables)
    if (source.Chance(8)) lengths[table.name] = source.Below(table.length + 1);
  if (source.Chance(10)) lengths["Tspr_dok"] = source.Below(515);
  if (source.Chance(10)) lengths["Umst_dok"] = source.Below(422);
  host["recordLengths"] = lengths;
  fixture["host"] = host;

  Json tables = Json::object();
  for (const TableShape& table : kTables) {
    const int length = lengths.contains(table.name) ? lengths[table.name].get<int>() : table.length;
    Json records = Json::array();
    const int count = std::string(table.name) == "Tspr_prop" ? 1 : source.Below(5);
    for (int i = 0; i < count; ++i) records.push_back(Record(source, table, length));
    tables[table.name] = records;
  }
  fixture["tables"] = tables;
  if (tables["k4"].size() >= 2 && source.Chance(40)) fixture["indexes"] = {{"198", {0, 0, 1}}};

  Json invoiceItems = Json::object(), contractItems = Json::object();
  for (int id = 1; id <= 3; ++id) {
    Json items = Json::array(), contract = Json::array();
    for (int i = source.Below(4); i > 0; --i) items.push_back(Json{{"raw", Hex(source, 515)}});
    for (int i = source.Below(4); i > 0; --i) contract.push_back(Json{{"raw", Hex(source, 422)}});
    invoiceItems[std::to_string(id)] = items;
    contractItems[std::to_string(id)] = contract;
  }
  fixture["invoiceItems"] = invoiceItems;
  fixture["contractItems"] = contractItems;

  Json attributes = Json::array();
  for (const char* name : {"e-mail", "Dow.Os.", "tel.", "Umowa", "Pesel"})
    if (source.Chance(60))
      attributes.push_back(
          {{"contractor", 1 + source.Below(3)},
           {"name", name},
           {"kind", source.Chance(80) ? 0 : 3},
           {"value", std::string(static_cast<std::size_t>(source.Below(400)), source.Chance(50) ? 'x' : '\'')}});
  fixture["attributes"] = attributes;
  fixture["groups"] = {{"0", std::string(static_cast<std::size_t>(source.Below(300)), ';')}, {"3", "Napoje"}};
  fixture["paymentMethods"] = {{"2", "przelew"}, {"5", "kompensata"}};
  fixture["files"] = {{"imiona.txt", {{"hex", Hex(source, source.Below(2000))}}}};
  return fixture;
}

Json RandomWriteFailures(Source& source, int64_t printfCalls, std::vector<std::string>& closeFailures) {
  Json failures = Json::object();
  if (printfCalls > 0 && source.Chance(80))
    failures["write"] = {{"from", 1 + source.Below(static_cast<int>(std::min<int64_t>(printfCalls, 1 << 30)))}};
  closeFailures.clear();
  Json closes = Json::array();
  for (const char* name : kOutputFiles)
    if (source.Chance(10)) {
      closeFailures.push_back(name);
      closes.push_back(std::string("BAZA\\") + name);
    }
  if (!closes.empty()) failures["closeOutput"] = closes;
  return failures;
}

}  // namespace dravenhol::fuzz
