#include "fixture.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>

#include "host_settings.h"
#include "json_reading.h"
#include "layouts.h"

namespace qelmar {

using namespace json_reading;
namespace layout = store_layout;

namespace {

// A record under construction: writes past its length are not stored.
struct RecordOut {
  unsigned char* data;
  std::size_t length;
  void Put(std::size_t offset, const void* bytes, std::size_t n) const {
    if (offset >= length || n == 0) return;
    std::memcpy(data + offset, bytes, std::min(n, length - offset));
  }
};

// A stored date is "YYYYMMDD"; "YYYY-MM-DD" in a fixture is stored that way.
std::string DateText(const Json& value, const std::string& where) {
  std::string text = Text(value, where);
  if (text.size() == 10 && text[4] == '-' && text[7] == '-')
    text = text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2);
  return text;
}

void PutNumber(const RecordOut& out, std::size_t offset, FieldType type, const Json& value, const std::string& where) {
  switch (type) {
    case FieldType::kI16:
    case FieldType::kU16: {
      const auto v = static_cast<uint16_t>(Integer(value, where, -32768, 65535));
      out.Put(offset, &v, sizeof v);
      break;
    }
    case FieldType::kI32:
    case FieldType::kU32: {
      const auto v = static_cast<uint32_t>(Integer(value, where, INT32_MIN, UINT32_MAX));
      out.Put(offset, &v, sizeof v);
      break;
    }
    case FieldType::kF64: {
      if (!value.is_number()) Fail(where, "expected a number");
      const double v = value.get<double>();
      out.Put(offset, &v, sizeof v);
      break;
    }
    default:
      break;
  }
}

// Writes one value. room is the text capacity of a named field including its
// terminator (0 = up to the end of the record, terminator only if it fits).
void PutValue(const RecordOut& out, std::size_t offset, FieldType type, uint32_t extent, std::size_t room,
              const Json& value, const std::string& where) {
  if (type == FieldType::kText || type == FieldType::kDate) {
    const std::string text = type == FieldType::kDate ? DateText(value, where) : Text(value, where);
    if (room != 0 && text.size() + 1 > room)
      Fail(where, "text of " + std::to_string(text.size()) + " bytes does not fit " + std::to_string(room - 1));
    out.Put(offset, text.data(), text.size());
    const char zero = 0;
    out.Put(offset + text.size(), &zero, 1);
    return;
  }
  if (type == FieldType::kBytes) {
    const auto bytes = Hex(value, where);
    out.Put(offset, bytes.data(), bytes.size());
    return;
  }
  if (extent <= 1) {
    PutNumber(out, offset, type, value, where);
    return;
  }
  // A repeated field: a list by position (null skips one) or an object by index.
  const std::size_t size = ValueSize(type);
  if (value.is_array()) {
    if (value.size() > extent) Fail(where, "more than " + std::to_string(extent) + " values");
    for (std::size_t i = 0; i < value.size(); ++i)
      if (!value[i].is_null()) PutNumber(out, offset + i * size, type, value[i], where + "[" + std::to_string(i) + "]");
  } else if (value.is_object()) {
    for (const auto& [key, item] : value.items()) {
      const auto i = static_cast<std::size_t>(Integer(Json(key), where, 0, extent - 1));
      PutNumber(out, offset + i * size, type, item, where + "[" + key + "]");
    }
  } else {
    Fail(where, "expected a list or an object of values");
  }
}

// Fills a record from its fixture object: "raw" first, then the other keys in
// the order written. extraKeys are keys the caller handles itself.
void FillRecord(const Json& object, int dataFile, const RecordOut& out, const std::string& where,
                std::initializer_list<const char*> extraKeys = {}) {
  if (!object.is_object()) Fail(where, "a record is an object");
  if (object.contains("raw")) {
    const auto bytes = Hex(object["raw"], where + ".raw");
    out.Put(0, bytes.data(), bytes.size());
  }
  for (const auto& [key, value] : object.items()) {
    const std::string at = where + "." + key;
    if (IsComment(key) || key == "raw") continue;
    bool extra = false;
    for (const char* name : extraKeys) extra = extra || key == name;
    if (extra) continue;
    if (key[0] == '@') {
      const auto slash = key.find('/');
      FieldType type{};
      if (slash == std::string::npos || !ParseFieldType(std::string_view(key).substr(slash + 1), type))
        Fail(at, "expected @offset/type with a type of i16, u16, i32, u32, f64, text, date or bytes");
      const auto offset = static_cast<std::size_t>(Integer(Json(key.substr(1, slash - 1)), at, 0, INT32_MAX));
      PutValue(out, offset, type, 1, 0, value, at);
      continue;
    }
    const FieldDef* field = FindField(dataFile, key);
    if (field == nullptr) Fail(at, std::string("no such field in ") + kDataFileNames[dataFile].name);
    const bool isText = field->type == FieldType::kText || field->type == FieldType::kDate;
    PutValue(out, field->offset, field->type, field->extent, isText ? field->extent : 0, value, at);
  }
}

// ---------------------------------------------------------------------------
// Reading a fixture one section value at a time.

// Where a fixture's text comes from.
class Source {
 public:
  virtual ~Source() = default;
  // Feeds the whole text to the scan.
  virtual void Scan(TextScan& scan) = 0;
  // Parses the one JSON value that begins at offset.
  virtual void Parse(uint64_t offset, nlohmann::json_sax<Json>& sax) = 0;
  // Parses the whole text; throws its first syntax error, with its place.
  virtual void Validate() = 0;
};

// Takes every value and builds nothing: checks syntax only.
class CheckOnly : public nlohmann::json_sax<Json> {
 public:
  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool start_object(std::size_t) override { return true; }
  bool key(string_t&) override { return true; }
  bool end_object() override { return true; }
  bool start_array(std::size_t) override { return true; }
  bool end_array() override { return true; }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) override {
    throw std::runtime_error(error.what());
  }
};

class TextSource : public Source {
 public:
  explicit TextSource(std::string_view text) : text_(text) {}
  void Scan(TextScan& scan) override { scan.Feed(text_); }
  void Parse(uint64_t offset, nlohmann::json_sax<Json>& sax) override {
    Json::sax_parse(text_.data() + offset, text_.data() + text_.size(), &sax, nlohmann::json::input_format_t::json,
                    false);
  }
  void Validate() override {
    CheckOnly check;
    Json::sax_parse(text_.data(), text_.data() + text_.size(), &check);
  }

 private:
  std::string_view text_;
};

class FileSource : public Source {
 public:
  explicit FileSource(std::string path) : path_(std::move(path)) {}
  void Scan(TextScan& scan) override {
    std::ifstream in = Open(0);
    std::vector<char> chunk(std::size_t{1} << 20);
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0)
      scan.Feed(std::string_view(chunk.data(), static_cast<std::size_t>(in.gcount())));
  }
  void Parse(uint64_t offset, nlohmann::json_sax<Json>& sax) override {
    std::ifstream in = Open(offset);
    Json::sax_parse(in, &sax, nlohmann::json::input_format_t::json, false);
  }
  void Validate() override {
    std::ifstream in = Open(0);
    CheckOnly check;
    Json::sax_parse(in, &check);
  }

 private:
  std::ifstream Open(uint64_t offset) {
    std::ifstream in;
    in.rdbuf()->pubsetbuf(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    in.open(path_, std::ios::binary);
    if (!in) Fail(path_, "cannot be read");
    in.seekg(static_cast<std::streamoff>(offset));
    return in;
  }

  std::string path_;
  std::vector<char> buffer_ = std::vector<char>(std::size_t{1} << 16);
};

// What a section does with the values that the stream brings.
class SectionReader {
 public:
  enum class Shape {
    kWhole,    // the section's value, built whole
    kMembers,  // an object whose members are lists, taken element by element
    kElements  // a list, taken element by element
  };
  virtual ~SectionReader() = default;
  virtual Shape shape() const = 0;
  virtual void Whole(Json& /*value*/) {}
  // The section's value is not the object or list of its shape.
  virtual void WrongRoot(Json& value) = 0;
  // A member's key; false skips its value.
  virtual bool BeginMember(const std::string& /*key*/) { return true; }
  // A member's value is not a list.
  virtual void NotList(const std::string& /*key*/, Json& /*value*/) {}
  virtual void Element(const std::string& key, std::size_t index, Json& value) = 0;
  virtual void EndMember(const std::string& /*key*/) {}
};

// Streams one section value: builds each piece its reader takes (the whole
// value, or one element of a list) as the parser brings it, hands it over and
// forgets it.
class SectionSax : public nlohmann::json_sax<Json> {
 public:
  explicit SectionSax(SectionReader& reader) : reader_(reader), shape_(reader.shape()) {}

  bool null() override { return Scalar(Json(nullptr)); }
  bool boolean(bool value) override { return Scalar(Json(value)); }
  bool number_integer(number_integer_t value) override { return Scalar(Json(value)); }
  bool number_unsigned(number_unsigned_t value) override { return Scalar(Json(value)); }
  bool number_float(number_float_t value, const string_t& /*text*/) override { return Scalar(Json(value)); }
  bool string(string_t& value) override { return Scalar(Json(std::move(value))); }
  bool binary(binary_t& value) override { return Scalar(Json::binary(std::move(value))); }
  bool start_object(std::size_t size) override { return Open(true, size); }
  bool start_array(std::size_t size) override { return Open(false, size); }
  bool end_object() override { return Close(true); }
  bool end_array() override { return Close(false); }
  bool key(string_t& key) override {
    if (skip_ > 0) return true;
    if (builder_) return builder_->key(key);
    member_ = key;
    skipMember_ = !reader_.BeginMember(member_);
    return true;
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) override {
    throw std::runtime_error(error.what());
  }

 private:
  enum class Act { kBuild, kDescend, kSkip };
  enum class Target { kWhole, kWrongRoot, kNotList, kElement };

  // What to do with a value that begins where the stream stands.
  Act Decide(bool isArray, bool isObject) {
    if (level_ == 0) {
      if (shape_ == SectionReader::Shape::kWhole) return Build(Target::kWhole);
      if ((shape_ == SectionReader::Shape::kMembers && isObject) ||
          (shape_ == SectionReader::Shape::kElements && isArray)) {
        index_ = 0;
        return Act::kDescend;
      }
      return Build(Target::kWrongRoot);
    }
    if (level_ == 1 && shape_ == SectionReader::Shape::kMembers) {
      if (skipMember_) return Act::kSkip;
      if (isArray) {
        index_ = 0;
        return Act::kDescend;
      }
      return Build(Target::kNotList);
    }
    return Build(Target::kElement);
  }
  Act Build(Target target) {
    target_ = target;
    built_ = Json();
    builder_.emplace(built_);
    return Act::kBuild;
  }

  bool Scalar(Json&& value) {
    if (skip_ > 0) return true;
    if (!builder_ && Decide(false, false) != Act::kBuild) return true;
    builder_->Value(std::move(value));
    if (buildDepth_ == 0) Finish();
    return true;
  }
  bool Open(bool isObject, std::size_t size) {
    if (skip_ > 0) {
      ++skip_;
      return true;
    }
    if (!builder_) {
      const Act act = Decide(!isObject, isObject);
      if (act == Act::kSkip) {
        skip_ = 1;
        return true;
      }
      if (act == Act::kDescend) {
        ++level_;
        return true;
      }
    }
    ++buildDepth_;
    return isObject ? builder_->start_object(size) : builder_->start_array(size);
  }
  bool Close(bool isObject) {
    if (skip_ > 0) {
      --skip_;
      return true;
    }
    if (builder_) {
      const bool done = isObject ? builder_->end_object() : builder_->end_array();
      if (--buildDepth_ == 0) Finish();
      return done;
    }
    if (level_ == 2 || (level_ == 1 && shape_ == SectionReader::Shape::kMembers && !isObject))
      reader_.EndMember(member_);
    --level_;
    return true;
  }
  void Finish() {
    builder_.reset();
    Json value = std::move(built_);
    switch (target_) {
      case Target::kWhole:
        reader_.Whole(value);
        break;
      case Target::kWrongRoot:
        reader_.WrongRoot(value);
        break;
      case Target::kNotList:
        reader_.NotList(member_, value);
        break;
      case Target::kElement:
        reader_.Element(member_, index_++, value);
        break;
    }
  }

  SectionReader& reader_;
  const SectionReader::Shape shape_;
  int level_ = 0;  // containers of the section entered without building them
  int skip_ = 0;   // containers open in a value being skipped
  int buildDepth_ = 0;
  std::optional<DocumentBuilder> builder_;
  Json built_;
  Target target_ = Target::kWhole;
  std::string member_;
  bool skipMember_ = false;
  std::size_t index_ = 0;
};

// ---------------------------------------------------------------------------
// The sections.

// What the sections write, and what later sections need of earlier ones.
struct Compilation {
  explicit Compilation(StoreOutput& output)
      : output(output),
        settlements(output, layout::kSettlements, sizeof(uint32_t)),
        attributes(output, layout::kAttributes, sizeof(uint64_t)) {}

  // A zeroed record of a data file's stored length.
  RecordOut Record(int dataFile) {
    record.assign(static_cast<std::size_t>(storedLengths[dataFile]), 0);
    return {record.data(), record.size()};
  }

  StoreOutput& output;
  HostConfig config;
  std::array<int32_t, kDataFileCount> storedLengths{};
  std::array<OutputFile*, kDataFileCount> records{};
  std::array<uint32_t, kDataFileCount> counts{};
  ScatteredGroupWriter settlements;
  ScatteredGroupWriter attributes;
  std::vector<unsigned char> record;
};

class HostSection : public SectionReader {
 public:
  explicit HostSection(Compilation& c) : c_(c) {}
  Shape shape() const override { return Shape::kWhole; }
  void Whole(Json& value) override {
    ReadHostSection(value, c_.config);
    text = value.dump();
  }
  void WrongRoot(Json&) override {}
  void Element(const std::string&, std::size_t, Json&) override {}
  std::string text;

 private:
  Compilation& c_;
};

class TablesSection : public SectionReader {
 public:
  explicit TablesSection(Compilation& c) : c_(c) {}
  Shape shape() const override { return Shape::kMembers; }
  void WrongRoot(Json&) override { Fail("tables", "expected an object of record lists by data file name"); }
  bool BeginMember(const std::string& name) override {
    if (IsComment(name)) return false;
    file_ = DataFileByName(name);
    if (file_ < 0) Fail("tables." + name, "no such data file");
    if (file_ == kTsprDok || file_ == kUmstDok)
      Fail("tables." + name, "items belong in \"invoiceItems\" and \"contractItems\"");
    // A data file written again takes its last list.
    c_.records[file_]->Truncate();
    c_.counts[file_] = 0;
    if (file_ == kK4Kar) c_.settlements.Clear();
    return true;
  }
  void NotList(const std::string& name, Json&) override { Fail("tables." + name, "expected a list of records"); }
  void Element(const std::string& name, std::size_t index, Json& value) override {
    const RecordOut out = c_.Record(file_);
    FillRecord(value, file_, out, "tables." + name + "[" + std::to_string(index) + "]");
    c_.records[file_]->Append(out.data, out.length);
    if (file_ == kK4Kar) {
      int32_t owner = 0;
      if (out.length >= kSettlementOwnerOffset + sizeof owner)
        std::memcpy(&owner, out.data + kSettlementOwnerOffset, sizeof owner);
      c_.settlements.Add(owner, c_.counts[file_]);
    }
    ++c_.counts[file_];
  }

 private:
  Compilation& c_;
  int file_ = -1;
};

// A section of lists by key, each list one group of the store: every element
// it takes adds one record (or number) to the group of the member's key.
class KeyedListSection : public SectionReader {
 public:
  KeyedListSection(Compilation& c, layout::Group group) : c_(c), writer_(c.output, group) {}
  Shape shape() const override { return Shape::kMembers; }
  void EndMember(const std::string&) override { writer_.End(count_); }
  void Finish() { writer_.Finish(); }

 protected:
  void BeginList(int32_t key) {
    writer_.Begin(key);
    count_ = 0;
  }
  void Add(const void* bytes, std::size_t n) {
    writer_.Append(bytes, n);
    ++count_;
  }

  Compilation& c_;
  GroupWriter writer_;

 private:
  uint32_t count_ = 0;
};

class IndexesSection : public KeyedListSection {
 public:
  explicit IndexesSection(Compilation& c) : KeyedListSection(c, layout::kIndexes) {
    // Without a list of its own, an index yields its data file as stored.
    for (const int32_t index : {72, 811, 6, 3, 34})
      writer_.Entry(index, c.counts[DataFileOfIndex(index)], layout::kStoredOrder);
    writer_.Entry(198, 0, 0);
  }
  void WrongRoot(Json&) override { Fail("indexes", "expected an object of record numbers by index"); }
  bool BeginMember(const std::string& key) override {
    if (IsComment(key)) return false;
    at_ = "indexes." + key;
    const auto index = static_cast<int32_t>(Integer(Json(key), at_, INT32_MIN, INT32_MAX));
    if (index == 4) Fail(at_, "index 4 follows the current warehouse: use \"warehouseGoods\"");
    if (index == 53) Fail(at_, "index 53 follows the current contractor: give k4_kar records an \"owner\"");
    file_ = DataFileOfIndex(index);
    if (file_ < 0) Fail(at_, "the host has no such index");
    BeginList(index);
    return true;
  }
  void NotList(const std::string&, Json&) override { Fail(at_, "expected a list of record numbers"); }
  void Element(const std::string&, std::size_t, Json& value) override {
    const auto n = static_cast<uint32_t>(Integer(value, at_, 0, static_cast<int64_t>(c_.counts[file_]) - 1));
    Add(&n, sizeof n);
  }

 private:
  std::string at_;
  int file_ = -1;
};

class WarehouseGoodsSection : public KeyedListSection {
 public:
  explicit WarehouseGoodsSection(Compilation& c) : KeyedListSection(c, layout::kWarehouseGoods) {}
  void WrongRoot(Json&) override { Fail("warehouseGoods", "expected an object of goods lists by warehouse number"); }
  bool BeginMember(const std::string& key) override {
    if (IsComment(key)) return false;
    at_ = "warehouseGoods." + key;
    BeginList(static_cast<int32_t>(Integer(Json(key), at_, -32768, 32767)));
    return true;
  }
  void NotList(const std::string&, Json&) override { Fail(at_, "expected a list"); }
  // A k9 record number, or {"record": n, ...} with fields over that record.
  void Element(const std::string&, std::size_t index, Json& entry) override {
    const std::string item = at_ + "[" + std::to_string(index) + "]";
    const Json& position = entry.is_object() ? entry.value("record", Json()) : entry;
    if (position.is_null()) Fail(item, "expected a k9 record number or {\"record\": n, ...}");
    const auto n = static_cast<uint64_t>(Integer(position, item, 0, static_cast<int64_t>(c_.counts[kK9]) - 1));
    const RecordOut out = c_.Record(kK9);
    c_.records[kK9]->ReadAt(n * out.length, out.data, out.length);
    if (entry.is_object()) FillRecord(entry, kK9, out, item, {"record"});
    Add(out.data, out.length);
  }

 private:
  std::string at_;
};

class ItemsSection : public KeyedListSection {
 public:
  ItemsSection(Compilation& c, bool invoices)
      : KeyedListSection(c, invoices ? layout::kInvoiceItems : layout::kContractItems),
        where_(invoices ? "invoiceItems" : "contractItems"),
        file_(invoices ? kTsprDok : kUmstDok) {}
  void WrongRoot(Json&) override { Fail(where_, "expected an object of item lists by id"); }
  bool BeginMember(const std::string& key) override {
    if (IsComment(key)) return false;
    BeginList(static_cast<int32_t>(Integer(Json(key), where_, INT32_MIN, INT32_MAX)));
    return true;
  }
  void NotList(const std::string& key, Json&) override { Fail(where_ + "." + key, "expected a list of records"); }
  void Element(const std::string& key, std::size_t index, Json& value) override {
    const RecordOut out = c_.Record(file_);
    FillRecord(value, file_, out, where_ + "." + key + "[" + std::to_string(index) + "]");
    Add(out.data, out.length);
  }

 private:
  std::string where_;
  int file_;
};

class AttributesSection : public SectionReader {
 public:
  explicit AttributesSection(Compilation& c) : c_(c), entries_(c.output.Create(layout::kAttributeEntries)) {}
  Shape shape() const override { return Shape::kElements; }
  void WrongRoot(Json&) override { Fail("attributes", "expected a list"); }
  void Element(const std::string&, std::size_t index, Json& entry) override {
    const std::string at = "attributes[" + std::to_string(index) + "]";
    if (!entry.is_object() || !entry.contains("contractor") || !entry.contains("name"))
      Fail(at, "expected {\"contractor\": id, \"name\": ..., \"kind\": k, \"value\": ...}");
    const std::string name = Text(entry["name"], at + ".name");
    const auto kind = static_cast<int16_t>(Integer(entry.value("kind", Json(0)), at + ".kind", -32768, 32767));
    const std::string value = Text(entry.value("value", Json("")), at + ".value");
    const auto contractor = static_cast<int32_t>(Integer(entry["contractor"], at, INT32_MIN, INT32_MAX));
    c_.attributes.Add(contractor, entries_.size());
    const auto nameLength = static_cast<uint32_t>(name.size());
    const auto valueLength = static_cast<uint32_t>(value.size());
    entries_.Append(&nameLength, sizeof nameLength);
    entries_.Append(name.data(), name.size());
    entries_.Append(&kind, sizeof kind);
    entries_.Append(&valueLength, sizeof valueLength);
    entries_.Append(value.data(), value.size());
  }

 private:
  Compilation& c_;
  OutputFile& entries_;
};

// Names by number, built whole (a few hundred at most).
class NamesSection : public SectionReader {
 public:
  NamesSection(Compilation& c, layout::Group group, std::string where)
      : writer_(c.output, group), where_(std::move(where)) {}
  Shape shape() const override { return Shape::kWhole; }
  void Whole(Json& names) override {
    if (!names.is_object()) Fail(where_, "expected an object of names by number");
    std::map<int32_t, std::string> sorted;
    for (const auto& [key, name] : names.items())
      if (!IsComment(key))
        sorted[static_cast<int32_t>(Integer(Json(key), where_, INT32_MIN, INT32_MAX))] = Text(name, where_ + "." + key);
    for (const auto& [number, name] : sorted) {
      writer_.Begin(number);
      writer_.Append(name.data(), name.size());
      writer_.End(static_cast<uint32_t>(name.size()));
    }
  }
  void WrongRoot(Json&) override {}
  void Element(const std::string&, std::size_t, Json&) override {}
  void Finish() { writer_.Finish(); }

 private:
  GroupWriter writer_;
  std::string where_;
};

// Files of the base directory, in the order written: u32 name length, the
// name (UTF-8), one byte 1 (content follows) or 0 (the file is removed).
class FilesSection : public SectionReader {
 public:
  explicit FilesSection(Compilation& c) : writer_(c.output, layout::kBaseFiles) {}
  Shape shape() const override { return Shape::kWhole; }
  void Whole(Json& files) override {
    if (!files.is_object()) Fail("files", "expected an object of file contents by name");
    int32_t position = 0;
    for (const auto& [name, value] : files.items()) {
      if (IsComment(name)) continue;
      const std::string at = "files." + name;
      std::optional<std::string> content;
      if (value.is_string()) {
        content = Text(value, at);
      } else if (value.is_object() && value.contains("hex")) {
        const auto bytes = Hex(value["hex"], at + ".hex");
        content = std::string(bytes.begin(), bytes.end());
      } else if (value.is_object() && value.contains("utf8")) {
        if (!value["utf8"].is_string()) Fail(at + ".utf8", "expected a text");
        content = value["utf8"].get<std::string>();
      } else if (!value.is_null()) {
        Fail(at, "expected a text, {\"hex\": ...}, {\"utf8\": ...} or null");
      }
      const auto nameLength = static_cast<uint32_t>(name.size());
      const unsigned char present = content ? 1 : 0;
      writer_.Begin(position++);
      writer_.Append(&nameLength, sizeof nameLength);
      writer_.Append(name.data(), name.size());
      writer_.Append(&present, 1);
      if (content) writer_.Append(content->data(), content->size());
      writer_.End(static_cast<uint32_t>(sizeof nameLength + name.size() + 1 + (content ? content->size() : 0)));
    }
  }
  void WrongRoot(Json&) override {}
  void Element(const std::string&, std::size_t, Json&) override {}
  void Finish() { writer_.Finish(); }

 private:
  GroupWriter writer_;
};

// ---------------------------------------------------------------------------
// The whole fixture.

constexpr const char* kSections[] = {"host",          "tables",     "indexes", "warehouseGoods", "invoiceItems",
                                     "contractItems", "attributes", "groups",  "paymentMethods", "files"};

// Parses one value of the source with the reader; a syntax error is reported
// with its place in the whole text.
void ReadValue(Source& source, uint64_t offset, SectionReader& reader) {
  SectionSax sax(reader);
  try {
    source.Parse(offset, sax);
  } catch (const FixtureError&) {
    throw;
  } catch (const std::runtime_error& error) {
    source.Validate();  // throws the same error, placed in the whole text
    throw;
  }
}

void Check(Source& source, uint64_t offset) {
  CheckOnly check;
  try {
    source.Parse(offset, check);
  } catch (const std::runtime_error&) {
    source.Validate();
    throw;
  }
}

void Compile(Source& source, StoreOutput& output) {
  TextScan scan("fixture");
  source.Scan(scan);
  if (!scan.WellShaped()) {
    source.Validate();
    Fail("fixture", "expected a JSON object");
  }
  // The sections, each with its last value (a section written twice takes
  // its last), known sections only; every other value is checked as JSON.
  std::map<std::string, uint64_t> sections;
  for (const auto& [key, value] : scan.keys()) {
    bool known = IsComment(key);
    for (const char* section : kSections) known = known || key == section;
    if (!known) Fail(key, "unknown section");
    if (!IsComment(key)) sections[key] = value;
  }
  for (const auto& [key, value] : scan.keys())
    if (IsComment(key) || sections[key] != value) Check(source, value);
  auto read = [&](const char* section, SectionReader& reader) {
    const auto found = sections.find(section);
    if (found != sections.end()) ReadValue(source, found->second, reader);
  };

  Compilation c(output);
  HostSection host(c);
  read("host", host);
  for (int i = 0; i < kDataFileCount; ++i) {
    // An absent data file keeps its default length; no length is below 0.
    c.storedLengths[i] = std::max(c.config.recordLengths[i], 0);
    if (layout::HasRecordFile(i))
      c.records[i] = &output.Create(std::string(kDataFileNames[i].name) + layout::kRecordSuffix);
  }
  TablesSection tables(c);
  read("tables", tables);
  IndexesSection indexes(c);
  read("indexes", indexes);
  indexes.Finish();
  c.settlements.Finish();
  WarehouseGoodsSection warehouses(c);
  read("warehouseGoods", warehouses);
  warehouses.Finish();
  ItemsSection invoiceItems(c, true);
  read("invoiceItems", invoiceItems);
  invoiceItems.Finish();
  ItemsSection contractItems(c, false);
  read("contractItems", contractItems);
  contractItems.Finish();
  AttributesSection attributes(c);
  read("attributes", attributes);
  c.attributes.Finish();
  NamesSection groups(c, layout::kGoodsGroups, "groups");
  read("groups", groups);
  groups.Finish();
  NamesSection methods(c, layout::kPaymentMethods, "paymentMethods");
  read("paymentMethods", methods);
  methods.Finish();
  FilesSection files(c);
  read("files", files);
  files.Finish();

  const std::string hostText = host.text.empty() ? "{}" : host.text;
  output.Create(layout::kHostSection).Append(hostText.data(), hostText.size());
  WriteManifest(output, c.storedLengths, c.counts);
  output.Finish();
}

bool Compiled(Source& source, StoreOutput& output, std::string& error) {
  try {
    Compile(source, output);
    return true;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

}  // namespace

bool CompileFixtureText(std::string_view fixture, StoreOutput& output, std::string& error) {
  TextSource source(fixture);
  return Compiled(source, output, error);
}

bool CompileFixtureFile(const std::string& path, StoreOutput& output, std::string& error) {
  if (!CheckFixtureFile(path, error)) return false;
  FileSource source(path);
  return Compiled(source, output, error);
}

bool CheckFixtureFile(const std::string& path, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (ec || !fs::exists(status)) {
    error = "cannot read " + path;
    return false;
  }
  if (fs::is_directory(status)) {
    error = path + " is a directory, not a fixture file";
    return false;
  }
  if (!fs::is_regular_file(status)) {
    error = path + " is not a regular file (a device, pipe or socket): not read";
    return false;
  }
  return true;
}

bool ReadFixtureFile(const std::string& path, std::string& text, std::string& error) {
  if (!CheckFixtureFile(path, error)) return false;
  const std::string tooLarge =
      path + " is larger than the fixture limit of " + std::to_string(kFixtureSizeLimit >> 20) + " MiB";
  std::error_code ec;
  if (std::filesystem::file_size(path, ec) > kFixtureSizeLimit) {
    error = tooLarge;
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  // Bounded even when the file grows after its size was taken.
  text.clear();
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    text.append(chunk, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kFixtureSizeLimit) {
      error = tooLarge;
      return false;
    }
  }
  return true;
}

}  // namespace qelmar
