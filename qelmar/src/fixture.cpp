#include "fixture.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unordered_map>

#include <nlohmann/json.hpp>

#include "layouts.h"
#include "text_codec.h"

namespace qelmar {

namespace {

using Json = nlohmann::ordered_json;

struct FixtureError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) { throw FixtureError(where + ": " + what); }

bool IsComment(const std::string& key) { return !key.empty() && key[0] == '#'; }

const Json& Object(const Json& value, const std::string& where, const char* what = "expected an object") {
  if (!value.is_object()) Fail(where, what);
  return value;
}

const Json& List(const Json& value, const std::string& where, const char* what = "expected a list") {
  if (!value.is_array()) Fail(where, what);
  return value;
}

bool Bool(const Json& value, const std::string& where) {
  if (!value.is_boolean()) Fail(where, "expected true or false");
  return value.get<bool>();
}

// Fails when arrays and objects nest deeper than kFixtureNestingLimit. The
// text is scanned before it is parsed, so that no deeper structure is ever
// built: copying, merging and printing one recurse once per level.
void CheckNesting(std::string_view text, const std::string& what) {
  int depth = 0;
  bool inString = false;
  bool escaped = false;
  std::size_t line = 1;
  std::size_t column = 0;
  for (const char c : text) {
    ++column;
    if (c == '\n') {
      ++line;
      column = 0;
    }
    if (inString) {
      if (escaped)
        escaped = false;
      else if (c == '\\')
        escaped = true;
      else if (c == '"')
        inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kFixtureNestingLimit)
        Fail(what, "arrays and objects nested deeper than " + std::to_string(kFixtureNestingLimit) +
                       " levels at line " + std::to_string(line) + ", column " + std::to_string(column));
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
}

// Builds the document exactly as Json::parse does (members in the order
// written; a repeated key keeps its first place and takes its last value),
// but finds repeated keys of a large object through a hash of its keys.
// Json::parse searches an object's keys one by one for every key it adds,
// which makes a section of one key per invoice quadratic.
class DocumentBuilder {
 public:
  explicit DocumentBuilder(Json& root) : root_(root) {}

  bool null() { return Put(Json(nullptr)); }
  bool boolean(bool value) { return Put(Json(value)); }
  bool number_integer(Json::number_integer_t value) { return Put(Json(value)); }
  bool number_unsigned(Json::number_unsigned_t value) { return Put(Json(value)); }
  bool number_float(Json::number_float_t value, const Json::string_t& /*text*/) { return Put(Json(value)); }
  bool string(Json::string_t& value) { return Put(Json(std::move(value))); }
  bool binary(Json::binary_t& value) { return Put(Json::binary(std::move(value))); }
  bool start_object(std::size_t /*size*/) { return Open(Json::object()); }
  bool start_array(std::size_t /*size*/) { return Open(Json::array()); }
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }

  bool key(Json::string_t& name) {
    Frame& frame = open_.back();
    auto& members = static_cast<Json::object_t::Container&>(frame.value->get_ref<Json::object_t&>());
    if (frame.keys.empty() && members.size() >= kIndexFrom)
      for (std::size_t i = 0; i < members.size(); ++i) frame.keys.emplace(members[i].first, i);
    std::size_t at = members.size();
    if (frame.keys.empty())
      at = static_cast<std::size_t>(
          std::find_if(members.begin(), members.end(), [&](const auto& m) { return m.first == name; }) -
          members.begin());
    else if (const auto known = frame.keys.find(name); known != frame.keys.end())
      at = known->second;
    if (at == members.size()) {
      if (!frame.keys.empty()) frame.keys.emplace(name, at);
      members.emplace_back(std::move(name), Json());
    }
    member_ = &members[at].second;
    return true;
  }

  template <class Exception>
  bool parse_error(std::size_t /*position*/, const std::string& /*token*/, const Exception& error) {
    throw error;
  }

 private:
  // Objects with fewer keys are searched one by one.
  static constexpr std::size_t kIndexFrom = 64;

  struct Frame {
    Json* value;
    std::unordered_map<std::string, std::size_t> keys;  // member positions, once the object is large
  };

  // Places a value where the parse stands: the root, the next element of an
  // array, or the member of the key just read.
  Json* Place(Json&& value) {
    if (open_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    Json& parent = *open_.back().value;
    if (parent.is_array()) {
      parent.get_ref<Json::array_t&>().push_back(std::move(value));
      return &parent.get_ref<Json::array_t&>().back();
    }
    *member_ = std::move(value);
    return member_;
  }
  bool Put(Json&& value) {
    Place(std::move(value));
    return true;
  }
  bool Open(Json&& value) {
    open_.push_back({Place(std::move(value)), {}});
    return true;
  }
  bool Close() {
    open_.pop_back();
    return true;
  }

  Json& root_;
  std::vector<Frame> open_;
  Json* member_ = nullptr;
};

// Parses one JSON text of at most kFixtureSizeLimit bytes and bounded nesting.
Json Parse(std::string_view text, const std::string& what) {
  if (text.size() > kFixtureSizeLimit) Fail(what, "larger than " + std::to_string(kFixtureSizeLimit >> 20) + " MiB");
  CheckNesting(text, what);
  Json document;
  DocumentBuilder builder(document);
  Json::sax_parse(text.begin(), text.end(), &builder);
  return document;
}

int64_t ParseInteger(const std::string& text, const std::string& where) {
  int64_t value = 0;
  const char* begin = text.data();
  const char* end = begin + text.size();
  bool negative = false;
  if (begin != end && *begin == '-') {
    negative = true;
    ++begin;
  }
  int base = 10;
  if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X')) {
    base = 16;
    begin += 2;
  }
  const auto [ptr, ec] = std::from_chars(begin, end, value, base);
  if (ec != std::errc() || ptr != end || begin == end) Fail(where, "\"" + text + "\" is not an integer");
  return negative ? -value : value;
}

// An integer given as a JSON number or as a decimal or 0x-hexadecimal string.
int64_t Integer(const Json& value, const std::string& where, int64_t low, int64_t high) {
  int64_t n = 0;
  if (value.is_number_integer())
    n = value.get<int64_t>();
  else if (value.is_string())
    n = ParseInteger(value.get<std::string>(), where);
  else
    Fail(where, "expected an integer");
  if (n < low || n > high) Fail(where, std::to_string(n) + " is out of range");
  return n;
}

std::string Text(const Json& value, const std::string& where) {
  if (!value.is_string()) Fail(where, "expected a text");
  std::string mazovia, error;
  if (!Utf8ToMazoviaStrict(value.get<std::string>(), mazovia, error)) Fail(where, error);
  return mazovia;
}

std::vector<unsigned char> Hex(const Json& value, const std::string& where) {
  if (!value.is_string()) Fail(where, "expected hexadecimal bytes");
  std::vector<unsigned char> bytes;
  int high = -1;
  for (const char c : value.get<std::string>()) {
    if (c == ' ' || c == ':' || c == '-') continue;
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) Fail(where, "bad hexadecimal digit");
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<unsigned char>(high * 16 + digit));
      high = -1;
    }
  }
  if (high >= 0) Fail(where, "odd number of hexadecimal digits");
  return bytes;
}

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

// Each record's JSON is released once it is stored, so that the records
// read later take the memory it held.
void ReadRecords(Json& list, int dataFile, RecordSet& set, const std::string& where) {
  if (!list.is_array()) Fail(where, "expected a list of records");
  set.Reserve(set.size() + list.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    unsigned char* record = set.Append();
    FillRecord(list[i], dataFile, {record, static_cast<std::size_t>(set.length())},
               where + "[" + std::to_string(i) + "]");
    list[i] = Json();
  }
}

// true (every call), n or {"call": n} (the nth call only), {"from": n,
// "count": k} (k calls from the nth; without count, all from the nth).
CallFailure ReadCallFailure(const Json& value, const std::string& where) {
  CallFailure failure;
  if (value.is_boolean()) {
    failure.from = value.get<bool>() ? 1 : 0;
  } else if (value.is_object()) {
    for (const auto& [key, item] : value.items())
      if (!IsComment(key) && key != "call" && key != "from" && key != "count")
        Fail(where + "." + key, "expected \"call\", \"from\" or \"count\"");
    if (value.contains("call")) {
      if (value.contains("from") || value.contains("count"))
        Fail(where, "\"call\" goes without \"from\" and \"count\"");
      failure.from = Integer(value["call"], where + ".call", 1, INT64_MAX);
      failure.count = 1;
      return failure;
    }
    failure.from = value.contains("from") ? Integer(value["from"], where + ".from", 1, INT64_MAX) : 1;
    if (value.contains("count")) failure.count = Integer(value["count"], where + ".count", 1, INT64_MAX);
  } else {
    failure.from = Integer(value, where, 1, INT64_MAX);
    failure.count = 1;
  }
  return failure;
}

std::string RelativeName(const Json& value, const std::string& where) {
  if (!value.is_string()) Fail(where, "expected a relative file name");
  std::string name = value.get<std::string>();
  for (char& c : name)
    if (c == '\\') c = '/';
  return name;
}

// A host function by its catalogue name or its number.
int HostFunction(const Json& value, const std::string& where) {
  const int slot = value.is_string() ? HostSlotByName(value.get<std::string>()) : -1;
  if (slot >= 0) return slot;
  if (value.is_string() && !value.get<std::string>().empty() &&
      std::isalpha(static_cast<unsigned char>(value.get<std::string>()[0])))
    Fail(where, "no host function \"" + value.get<std::string>() + "\"");
  const int64_t number = Integer(value, where, 1, 65535);
  const int byNumber = HostSlotByNumber(number);
  if (byNumber < 0) Fail(where, "no host function number " + std::to_string(number));
  return byNumber;
}

// One structured exception per host function: a later one replaces it, call 0
// removes it.
void SetRaise(HostConfig& config, const RaiseAt& raise) {
  std::erase_if(config.raises, [&](const RaiseAt& r) { return r.slot == raise.slot; });
  if (raise.call > 0) config.raises.push_back(raise);
}

// {"function": name or number, "call": n, "code": c}; call 1 and code
// 0xC0000005 unless given.
void ReadRaise(const Json& value, const std::string& where, HostConfig& config) {
  Object(value, where, "expected {\"function\": name or number, \"call\": n, \"code\": c}");
  RaiseAt raise;
  for (const auto& [key, item] : value.items()) {
    const std::string at = where + "." + key;
    if (IsComment(key)) continue;
    if (key == "function")
      raise.slot = HostFunction(item, at);
    else if (key == "call")
      raise.call = Integer(item, at, 0, INT64_MAX);
    else if (key == "code")
      raise.code = static_cast<uint32_t>(Integer(item, at, 0, UINT32_MAX));
    else
      Fail(at, "expected \"function\", \"call\" or \"code\"");
  }
  if (raise.slot < 0) Fail(where, "names no \"function\"");
  if (!value.contains("call")) raise.call = 1;
  SetRaise(config, raise);
}

int InjectionByName(const std::string& name) {
  for (int kind = 0; kind < kInjectionCount; ++kind)
    if (name == InjectionName(kind)) return kind;
  return -1;
}

void ReadFailures(const Json& failures, HostConfig& config) {
  const std::string where = "host.failures";
  Object(failures, where);
  for (const auto& [key, value] : failures.items()) {
    const std::string at = where + "." + key;
    if (IsComment(key)) continue;
    const int kind = InjectionByName(key);
    if ((key == "openOutput" || key == "closeOutput") && (value.is_array() || value.is_string())) {
      auto& names = key == "openOutput" ? config.openFailures : config.closeFailures;
      names.clear();
      if (value.is_string()) names.push_back(RelativeName(value, at));
      for (std::size_t i = 0; i < value.size() && value.is_array(); ++i)
        names.push_back(RelativeName(value[i], at + "[" + std::to_string(i) + "]"));
    } else if (kind >= 0) {
      config.injections[kind] = ReadCallFailure(value, at);
    } else if (key == "missingItemFile") {
      for (const auto& [documents, ids] :
           Object(value, at, "expected {\"invoices\": [...], \"contracts\": [...]}").items()) {
        if (IsComment(documents)) continue;
        const std::string list = at + "." + documents;
        if (documents != "invoices" && documents != "contracts") Fail(list, "expected \"invoices\" or \"contracts\"");
        auto& set = documents == "invoices" ? config.missingInvoiceItemFiles : config.missingContractItemFiles;
        set.clear();
        for (const auto& id : List(ids, list, "expected a list of document ids"))
          set.insert(static_cast<int32_t>(Integer(id, list, INT32_MIN, INT32_MAX)));
      }
    } else if (key == "discountFileMissing") {
      config.discountFileMissing = Bool(value, at);
    } else if (key == "discountReadFailsAt") {
      config.discountReadFailsAt = value.is_null() ? -1 : Integer(value, at, 0, INT32_MAX);
    } else if (key == "raise") {
      if (value.is_array())
        for (std::size_t i = 0; i < value.size(); ++i) ReadRaise(value[i], at + "[" + std::to_string(i) + "]", config);
      else
        ReadRaise(value, at, config);
    } else if (key == "printfRaises") {
      RaiseAt raise{kSlotHostFilePrintf};
      if (value.is_object()) {
        raise.call = Integer(value.value("call", Json(1)), at + ".call", 0, INT64_MAX);
        if (value.contains("code"))
          raise.code = static_cast<uint32_t>(Integer(value["code"], at + ".code", 0, UINT32_MAX));
      } else {
        raise.call = Integer(value, at, 0, INT64_MAX);
      }
      SetRaise(config, raise);
    } else if (key == "printfFailsFrom") {
      config.injections[kInjectWrite] = CallFailure{Integer(value, at, 0, INT64_MAX), -1};
    } else {
      Fail(at, "unknown failure");
    }
  }
}

// {"HostHolderApply": 7, "HostFilePrintf": 0}: what those functions give
// whatever really happened; null or "real" gives the real result again.
void ReadResults(const Json& results, HostConfig& config) {
  const std::string where = "host.results";
  for (const auto& [key, value] : Object(results, where).items()) {
    const std::string at = where + "." + key;
    if (IsComment(key)) continue;
    const int slot = HostFunction(Json(key), at);
    if (slot != kSlotHostHolderApply && slot != kSlotHostFilePrintf)
      Fail(at, "only the results of HostHolderApply and HostFilePrintf can be set");
    if (value.is_null() || (value.is_string() && value.get<std::string>() == "real"))
      config.results.erase(slot);
    else
      config.results[slot] = static_cast<int32_t>(Integer(value, at, INT32_MIN, INT32_MAX));
  }
}

void ReadHost(const Json& host, HostConfig& config) {
  Object(host, "host");
  for (const auto& [key, value] : host.items()) {
    const std::string at = "host." + key;
    if (IsComment(key)) continue;
    if (key == "interfaceVersion") {
      config.interfaceVersion = static_cast<int32_t>(Integer(value, at, INT32_MIN, INT32_MAX));
    } else if (key == "checkModule") {
      config.checkVerdict = static_cast<int32_t>(Integer(value, at, INT32_MIN, INT32_MAX));
    } else if (key == "checkModuleText") {
      config.checkText = Text(value, at);
    } else if (key == "missingFunctions") {
      config.missingFunctions.clear();
      if (value.is_object() || value.is_boolean() || value.is_null())
        Fail(at, "expected a list of host function numbers");
      for (const auto& n : value) config.missingFunctions.push_back(static_cast<uint16_t>(Integer(n, at, 1, 65535)));
    } else if (key == "recordLengths") {
      for (const auto& [name, length] :
           Object(value, at, "expected an object of record lengths by data file name").items()) {
        if (IsComment(name)) continue;
        const int file = DataFileByName(name);
        if (file < 0) Fail(at, "no data file \"" + name + "\"");
        config.absent[file] = length.is_string() && length.get<std::string>() == "absent";
        if (!config.absent[file])
          config.recordLengths[file] = static_cast<int32_t>(Integer(length, at + "." + name, -32768, 65535));
      }
    } else if (key == "featureWord") {
      config.featureUntouched = value.is_string() && value.get<std::string>() == "untouched";
      if (!config.featureUntouched)
        config.featureWord = static_cast<uint32_t>(Integer(value, at, INT32_MIN, UINT32_MAX));
    } else if (key == "stateFlags") {
      config.stateFlags = static_cast<uint32_t>(Integer(value, at, INT32_MIN, UINT32_MAX));
    } else if (key == "activation") {
      config.activation = value.is_string() && value.get<std::string>() == "auto"
                              ? -1
                              : static_cast<int32_t>(Integer(value, at, 0, 2147483647));
    } else if (key == "noticeAnswer") {
      config.noticeAnswer = static_cast<int16_t>(Integer(value, at, -32768, 32767));
    } else if (key == "dialog") {
      const std::string answer = value.is_string() ? value.get<std::string>() : "";
      if (answer == "universal")
        config.dialog = DialogAnswer::kUniversal;
      else if (answer == "interkam")
        config.dialog = DialogAnswer::kInterkam;
      else if (answer == "cancel")
        config.dialog = DialogAnswer::kCancel;
      else
        Fail(at, "expected \"universal\", \"interkam\" or \"cancel\"");
    } else if (key == "callLog") {
      config.callLog = Bool(value, at);
    } else if (key == "currentContractor") {
      config.currentContractor = static_cast<int32_t>(Integer(value, at, INT32_MIN, INT32_MAX));
    } else if (key == "currentWarehouse") {
      config.currentWarehouse = static_cast<int16_t>(Integer(value, at, -32768, 32767));
    } else if (key == "failures") {
      ReadFailures(value, config);
    } else if (key == "results") {
      ReadResults(value, config);
    } else {
      Fail(at, "unknown setting");
    }
  }
}

std::vector<uint32_t> Positions(const Json& list, std::size_t count, const std::string& where) {
  if (!list.is_array()) Fail(where, "expected a list of record numbers");
  std::vector<uint32_t> positions;
  for (const auto& n : list)
    positions.push_back(static_cast<uint32_t>(Integer(n, where, 0, static_cast<int64_t>(count) - 1)));
  return positions;
}

void ReadItems(Json& items, int dataFile, int32_t length, std::unordered_map<int32_t, RecordSet>& out,
               const std::string& where) {
  if (!items.is_object()) Fail(where, "expected an object of item lists by id");
  for (const auto& [key, list] : items.items()) {
    if (IsComment(key)) continue;
    const auto id = static_cast<int32_t>(Integer(Json(key), where, INT32_MIN, INT32_MAX));
    RecordSet set(length);
    ReadRecords(list, dataFile, set, where + "." + key);
    out[id] = std::move(set);
  }
}

void ReadWarehouseGoods(const Json& warehouses, const HostConfig& config, Store& store) {
  const std::string where = "warehouseGoods";
  if (!warehouses.is_object()) Fail(where, "expected an object of goods lists by warehouse number");
  const RecordSet& goods = store.files[kK9];
  for (const auto& [key, list] : warehouses.items()) {
    if (IsComment(key)) continue;
    const std::string at = where + "." + key;
    const auto number = static_cast<int32_t>(Integer(Json(key), at, -32768, 32767));
    if (!list.is_array()) Fail(at, "expected a list");
    RecordSet presented(config.recordLengths[kK9]);
    presented.Reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
      const Json& entry = list[i];
      const std::string item = at + "[" + std::to_string(i) + "]";
      const Json& position = entry.is_object() ? entry.value("record", Json()) : entry;
      if (position.is_null()) Fail(item, "expected a k9 record number or {\"record\": n, ...}");
      const auto n = static_cast<std::size_t>(Integer(position, item, 0, static_cast<int64_t>(goods.size()) - 1));
      unsigned char* record = presented.Append();
      std::memcpy(record, goods.at(n), static_cast<std::size_t>(presented.length()));
      if (entry.is_object())
        FillRecord(entry, kK9, {record, static_cast<std::size_t>(presented.length())}, item, {"record"});
    }
    store.warehouseGoods[number] = std::move(presented);
  }
}

void ReadAttributes(const Json& list, Store& store) {
  if (!list.is_array()) Fail("attributes", "expected a list");
  for (std::size_t i = 0; i < list.size(); ++i) {
    const Json& entry = list[i];
    const std::string at = "attributes[" + std::to_string(i) + "]";
    if (!entry.is_object() || !entry.contains("contractor") || !entry.contains("name"))
      Fail(at, "expected {\"contractor\": id, \"name\": ..., \"kind\": k, \"value\": ...}");
    Attribute attribute;
    attribute.name = Text(entry["name"], at + ".name");
    attribute.kind = static_cast<int16_t>(Integer(entry.value("kind", Json(0)), at + ".kind", -32768, 32767));
    attribute.value = Text(entry.value("value", Json("")), at + ".value");
    store.attributes[static_cast<int32_t>(Integer(entry["contractor"], at, INT32_MIN, INT32_MAX))].push_back(attribute);
  }
}

void ReadNames(const Json& names, std::map<int32_t, std::string>& out, const std::string& where) {
  if (!names.is_object()) Fail(where, "expected an object of names by number");
  for (const auto& [key, name] : names.items())
    if (!IsComment(key))
      out[static_cast<int32_t>(Integer(Json(key), where, INT32_MIN, INT32_MAX))] = Text(name, where + "." + key);
}

void ReadFiles(const Json& files, Store& store) {
  if (!files.is_object()) Fail("files", "expected an object of file contents by name");
  for (const auto& [name, value] : files.items()) {
    if (IsComment(name)) continue;
    const std::string at = "files." + name;
    BaseFile file{name, std::nullopt};
    if (value.is_string()) {
      file.content = Text(value, at);
    } else if (value.is_object() && value.contains("hex")) {
      const auto bytes = Hex(value["hex"], at + ".hex");
      file.content = std::string(bytes.begin(), bytes.end());
    } else if (value.is_object() && value.contains("utf8")) {
      if (!value["utf8"].is_string()) Fail(at + ".utf8", "expected a text");
      file.content = value["utf8"].get<std::string>();
    } else if (!value.is_null()) {
      Fail(at, "expected a text, {\"hex\": ...}, {\"utf8\": ...} or null");
    }
    store.baseFiles.push_back(std::move(file));
  }
}

void ReadTables(Json& tables, FixtureContent& content) {
  if (!tables.is_object()) Fail("tables", "expected an object of record lists by data file name");
  for (const auto& [name, list] : tables.items()) {
    if (IsComment(name)) continue;
    const int file = DataFileByName(name);
    if (file < 0) Fail("tables." + name, "no such data file");
    if (file == kTsprDok || file == kUmstDok)
      Fail("tables." + name, "items belong in \"invoiceItems\" and \"contractItems\"");
    ReadRecords(list, file, content.store.files[file], "tables." + name);
  }
}

void BuildIndexes(const Json& fixture, FixtureContent& content) {
  Store& store = content.store;
  for (const int32_t index : {72, 811, 6, 3, 34}) {
    std::vector<uint32_t> all(store.files[DataFileOfIndex(index)].size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<uint32_t>(i);
    store.indexes[index] = std::move(all);
  }
  store.indexes[198] = {};
  if (fixture.contains("indexes")) {
    for (const auto& [key, list] :
         Object(fixture["indexes"], "indexes", "expected an object of record numbers by index").items()) {
      if (IsComment(key)) continue;
      const std::string at = "indexes." + key;
      const auto index = static_cast<int32_t>(Integer(Json(key), at, INT32_MIN, INT32_MAX));
      if (index == 4) Fail(at, "index 4 follows the current warehouse: use \"warehouseGoods\"");
      if (index == 53) Fail(at, "index 53 follows the current contractor: give k4_kar records an \"owner\"");
      const int file = DataFileOfIndex(index);
      if (file < 0) Fail(at, "the host has no such index");
      store.indexes[index] = Positions(list, store.files[file].size(), at);
    }
  }
  const RecordSet& entries = store.files[kK4Kar];
  for (std::size_t i = 0; i < entries.size(); ++i) {
    int32_t owner = 0;
    if (static_cast<std::size_t>(entries.length()) >= kSettlementOwnerOffset + sizeof owner)
      std::memcpy(&owner, entries.at(i) + kSettlementOwnerOffset, sizeof owner);
    store.settlementsByOwner[owner].push_back(static_cast<uint32_t>(i));
  }
}

void Read(Json& fixture, const Json& overrides, FixtureContent& content) {
  if (!fixture.is_object()) Fail("fixture", "expected a JSON object");
  static constexpr const char* kSections[] = {"host",           "tables",        "indexes",    "warehouseGoods",
                                              "invoiceItems",   "contractItems", "attributes", "groups",
                                              "paymentMethods", "files"};
  for (const auto& [key, value] : fixture.items()) {
    bool known = IsComment(key);
    for (const char* section : kSections) known = known || key == section;
    if (!known) Fail(key, "unknown section");
  }
  HostConfig& config = content.config;
  if (fixture.contains("host")) ReadHost(fixture["host"], config);
  if (!overrides.is_null()) ReadHost(overrides, config);
  for (int i = 0; i < kDataFileCount; ++i) content.store.files[i] = RecordSet(config.recordLengths[i]);
  if (fixture.contains("tables")) ReadTables(fixture["tables"], content);
  BuildIndexes(fixture, content);
  if (fixture.contains("warehouseGoods")) ReadWarehouseGoods(fixture["warehouseGoods"], config, content.store);
  if (fixture.contains("invoiceItems"))
    ReadItems(fixture["invoiceItems"], kTsprDok, config.recordLengths[kTsprDok], content.store.invoiceItems,
              "invoiceItems");
  if (fixture.contains("contractItems"))
    ReadItems(fixture["contractItems"], kUmstDok, config.recordLengths[kUmstDok], content.store.contractItems,
              "contractItems");
  if (fixture.contains("attributes")) ReadAttributes(fixture["attributes"], content.store);
  if (fixture.contains("groups")) ReadNames(fixture["groups"], content.store.groups, "groups");
  if (fixture.contains("paymentMethods"))
    ReadNames(fixture["paymentMethods"], content.store.paymentMethods, "paymentMethods");
  if (fixture.contains("files")) ReadFiles(fixture["files"], content.store);
  const RecordSet& props = content.store.files[kTsprProp];
  if (props.size() > 0)
    content.currentProp.assign(props.at(0), props.at(0) + props.length());
  else
    content.currentProp.assign(static_cast<std::size_t>(props.length()), 0);
}

}  // namespace

bool ReadFixture(std::string_view fixture, std::string_view hostOverrides, FixtureContent& content,
                 std::string& error) {
  try {
    Json document = Parse(fixture, "fixture");
    const Json overrides = hostOverrides.empty() ? Json() : Parse(hostOverrides, "host settings");
    content = FixtureContent{};
    Read(document, overrides, content);
    return true;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

bool ReadFixtureFile(const std::string& path, std::string& text, std::string& error) {
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
  const std::string tooLarge =
      path + " is larger than the fixture limit of " + std::to_string(kFixtureSizeLimit >> 20) + " MiB";
  if (fs::file_size(path, ec) > kFixtureSizeLimit) {
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

bool MergeHostOverrides(std::string& overrides, std::string_view update, std::string& error) {
  try {
    Json merged = overrides.empty() ? Json::object() : Parse(overrides, "host settings");
    const Json patch = Parse(update, "host settings");
    if (!patch.is_object()) {
      error = "host settings: expected a JSON object";
      return false;
    }
    merged.update(patch, true);
    overrides = merged.dump();
    return true;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

}  // namespace qelmar
