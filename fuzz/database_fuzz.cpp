// Whole sessions of the real module over random databases: random record
// bytes in every data file (unterminated texts, NaN and huge amounts, odd
// identifiers), records shorter than the module expects, random items,
// attributes, group names and imiona.txt. Every session must end normally and
// give back every host object; the sanitizer build catches any read or write
// outside a buffer.
//   database_fuzz [--iterations N] [--seed S]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include <nlohmann/json.hpp>

#include "qelmar/qelmar.h"

namespace {

using Json = nlohmann::json;

struct TableShape {
  const char* name;
  int length;
};

constexpr TableShape kTables[] = {{"Tspr", 1469}, {"Tspr_prop", 843}, {"Umst", 888}, {"k4", 1536},
                                  {"k4_kar", 767}, {"k4_tab", 11256}, {"k9", 1024}, {"h1", 468},
                                  {"w3", 216}};

class Generator {
 public:
  explicit Generator(unsigned seed) : random_(seed) {}

  int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
  bool Chance(int percent) { return Below(100) < percent; }

  // Random bytes, mostly printable Mazovia with few terminators, so that texts
  // run long and often to the record's end.
  std::string Hex(int length) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(static_cast<std::size_t>(length) * 2);
    const int zeroPercent = Below(4) == 0 ? 30 : 1;
    for (int i = 0; i < length; ++i) {
      int byte = Chance(zeroPercent) ? 0 : Chance(70) ? 0x20 + Below(0x5F) : Below(256);
      if (Chance(3)) byte = '\'';
      if (Chance(2)) byte = '\\';
      hex += digits[byte >> 4];
      hex += digits[byte & 15];
    }
    return hex;
  }

  // A record of the data file: random bytes, with some fields steered to
  // small identifiers so that items, settlements and discounts meet.
  Json Record(const TableShape& table, int length) {
    Json record = Json::object();
    record["raw"] = Hex(Chance(20) ? Below(length + 1) : length);
    const std::string name = table.name;
    if (name == "Tspr" && Chance(80)) {
      record["@1465/i32"] = 1 + Below(3);
      record["@1453/i32"] = 1 + Below(3);
    }
    if (name == "Umst" && Chance(80)) record["@854/i32"] = 1 + Below(3);
    if (name == "k4" && Chance(80)) record["@1532/i32"] = 1 + Below(3);
    if (name == "k4_kar" && Chance(80)) record["@2/i32"] = 1 + Below(3);
    if (name == "k4_tab" && Chance(80)) record["@11252/i32"] = 1 + Below(3);
    if (name == "k9" && Chance(60)) record["@1022/i16"] = Below(5) - 1;
    if (name == "w3" && Chance(80)) record["@2/i16"] = Below(4);
    if (name == "Tspr_prop" && Chance(70)) record["@68/i16"] = 1;
    return record;
  }

  Json Fixture() {
    Json fixture;
    Json host = {{"dialog", Chance(50) ? "universal" : "interkam"}, {"activation", 0}};
    Json lengths = Json::object();
    for (const TableShape& table : kTables)
      if (Chance(8)) lengths[table.name] = Below(table.length + 1);
    if (Chance(10)) lengths["Tspr_dok"] = Below(515);
    if (Chance(10)) lengths["Umst_dok"] = Below(422);
    host["recordLengths"] = lengths;
    fixture["host"] = host;

    Json tables = Json::object();
    for (const TableShape& table : kTables) {
      const int length = lengths.contains(table.name) ? lengths[table.name].get<int>() : table.length;
      Json records = Json::array();
      const int count = std::string(table.name) == "Tspr_prop" ? 1 : Below(5);
      for (int i = 0; i < count; ++i) records.push_back(Record(table, length));
      tables[table.name] = records;
    }
    fixture["tables"] = tables;
    if (tables["k4"].size() >= 2 && Chance(40)) fixture["indexes"] = {{"198", {0, 0, 1}}};

    Json invoiceItems = Json::object(), contractItems = Json::object();
    for (int id = 1; id <= 3; ++id) {
      Json items = Json::array(), contract = Json::array();
      for (int i = Below(4); i > 0; --i) items.push_back(Json{{"raw", Hex(515)}});
      for (int i = Below(4); i > 0; --i) contract.push_back(Json{{"raw", Hex(422)}});
      invoiceItems[std::to_string(id)] = items;
      contractItems[std::to_string(id)] = contract;
    }
    fixture["invoiceItems"] = invoiceItems;
    fixture["contractItems"] = contractItems;

    Json attributes = Json::array();
    for (const char* name : {"e-mail", "Dow.Os.", "tel.", "Umowa", "Pesel"})
      if (Chance(60))
        attributes.push_back({{"contractor", 1 + Below(3)}, {"name", name}, {"kind", Chance(80) ? 0 : 3},
                              {"value", std::string(static_cast<std::size_t>(Below(400)), Chance(50) ? 'x' : '\'')}});
    fixture["attributes"] = attributes;
    fixture["groups"] = {{"0", std::string(static_cast<std::size_t>(Below(300)), ';')}, {"3", "Napoje"}};
    fixture["paymentMethods"] = {{"2", "przelew"}, {"5", "kompensata"}};
    fixture["files"] = {{"imiona.txt", {{"hex", Hex(Below(2000))}}}};
    return fixture;
  }

 private:
  std::mt19937 random_;
};

}  // namespace

int main(int argc, char** argv) {
  int iterations = 100;
  unsigned seed = 1;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--iterations") == 0) iterations = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--seed") == 0) seed = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
  }
  const auto base = std::filesystem::temp_directory_path() / ("dravenhol-database-fuzz-" + std::to_string(seed));
  int failed = 0, exported = 0;
  std::uintmax_t bytes = 0;
  for (int i = 0; i < iterations; ++i) {
    std::filesystem::remove_all(base);
    std::filesystem::create_directories(base);
    QelmarReset();
    QelmarSetBaseDirectory(base.c_str());
    Generator generator(seed * 100003u + static_cast<unsigned>(i));
    const std::string fixture = generator.Fixture().dump();
    char error[512] = {};
    if (QelmarLoadFixture(fixture.data(), fixture.size(), error, sizeof error) != 0) {
      std::printf("iteration %d: the fixture did not load: %s\n", i, error);
      ++failed;
      continue;
    }
    QelmarSession session{};
    const int result = QelmarRunSession(DRAVENHOL_MODULE, &session);
    bool ok = result == 0 && session.commandRan && !session.faulted;
    for (const char* live : {"cursor.live", "alloc.live", "itemFile.live", "items.live", "guard.depth"})
      ok = ok && QelmarCounter(live) == 0;
    exported += std::filesystem::exists(base / "BAZA" / "uzytkownicy.csv") ? 1 : 0;
    if (std::filesystem::exists(base / "BAZA"))
      for (const auto& file : std::filesystem::directory_iterator(base / "BAZA")) bytes += file.file_size();
    if (!ok) {
      std::printf("iteration %d (seed %u): the session did not end cleanly\n", i, seed);
      ++failed;
    }
  }
  std::filesystem::remove_all(base);
  std::printf("%d sessions exported all tables, %ju bytes in all\n", exported, bytes);
  std::printf("%d passed, %d failed\n", iterations - failed, failed);
  return failed == 0 ? 0 : 1;
}
