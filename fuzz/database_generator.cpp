#include "database_generator.h"

#include <algorithm>
#include <vector>

#include "export/output_files.h"
#include "host/data_files.h"
#include "host/records/k4.h"
#include "host/records/k4_tab.h"
#include "host/records/k9.h"
#include "host/records/tspr.h"
#include "host/records/tspr_prop.h"
#include "host/records/umst.h"
#include "host/records/w3.h"

namespace dravenhol::fuzz {

namespace {

// The data files whose records come as tables; the item files' records come
// as the documents' items.
bool IsItemFile(DataFileId file) { return file == kTsprDok || file == kUmstDok; }

// A field of a record, as the fixture names it.
std::string Field(std::size_t offset, const char* type) { return "@" + std::to_string(offset) + "/" + type; }

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
Json Record(Source& source, DataFileId file, int length) {
  Json record = Json::object();
  record["raw"] = Hex(source, source.Chance(20) ? source.Below(length + 1) : length);
  if (file == kTspr && source.Chance(80)) {
    record[Field(tspr::kDocumentId, "i32")] = 1 + source.Below(3);
    record[Field(tspr::kContractor, "i32")] = 1 + source.Below(3);
  }
  if (file == kUmst && source.Chance(80)) record[Field(umst::kId, "i32")] = 1 + source.Below(3);
  if (file == kK4 && source.Chance(80)) record[Field(k4::kId, "i32")] = 1 + source.Below(3);
  // The entry's contractor, which the host's settlement index selects by.
  if (file == kK4Kar && source.Chance(80)) record[Field(2, "i32")] = 1 + source.Below(3);
  if (file == kK4Tab && source.Chance(80)) record[Field(k4_tab::kOwner, "i32")] = 1 + source.Below(3);
  if (file == kK9 && source.Chance(60)) record[Field(k9::kId, "i16")] = source.Below(5) - 1;
  if (file == kW3 && source.Chance(80)) record[Field(w3::kNumber, "i16")] = source.Below(4);
  if (file == kTsprProp && source.Chance(70)) record[Field(tspr_prop::kDiscountSwitches[0], "i16")] = 1;
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
  for (int file = 0; file < kDataFileCount; ++file)
    if (!IsItemFile(DataFileId(file)) && source.Chance(8))
      lengths[kDataFiles[file].name] = source.Below(kDataFiles[file].recordLength + 1);
  for (DataFileId file : {kTsprDok, kUmstDok})
    if (source.Chance(10)) lengths[kDataFiles[file].name] = source.Below(kDataFiles[file].recordLength);
  host["recordLengths"] = lengths;
  fixture["host"] = host;

  Json tables = Json::object();
  for (int f = 0; f < kDataFileCount; ++f) {
    const auto file = DataFileId(f);
    if (IsItemFile(file)) continue;
    const char* name = kDataFiles[file].name;
    const int length = lengths.contains(name) ? lengths[name].get<int>() : kDataFiles[file].recordLength;
    Json records = Json::array();
    const int count = file == kTsprProp ? 1 : source.Below(5);
    for (int i = 0; i < count; ++i) records.push_back(Record(source, file, length));
    tables[name] = records;
  }
  fixture["tables"] = tables;
  if (tables["k4"].size() >= 2 && source.Chance(40)) fixture["indexes"] = {{"198", {0, 0, 1}}};

  Json invoiceItems = Json::object(), contractItems = Json::object();
  for (int id = 1; id <= 3; ++id) {
    Json items = Json::array(), contract = Json::array();
    for (int i = source.Below(4); i > 0; --i)
      items.push_back(Json{{"raw", Hex(source, kDataFiles[kTsprDok].recordLength)}});
    for (int i = source.Below(4); i > 0; --i)
      contract.push_back(Json{{"raw", Hex(source, kDataFiles[kUmstDok].recordLength)}});
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
  for (const OutputFileEntry& entry : kOutputFiles)
    if (source.Chance(10)) {
      closeFailures.push_back(entry.file.name);
      closes.push_back(std::string("BAZA\\") + entry.file.name);
    }
  if (!closes.empty()) failures["closeOutput"] = closes;
  return failures;
}

}  // namespace dravenhol::fuzz
