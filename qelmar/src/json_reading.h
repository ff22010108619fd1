// Reading the JSON of fixtures and host settings: the place-naming errors,
// typed values, and documents built the same way whether a text is parsed
// whole or a fixture is streamed one piece at a time.
#pragma once

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

namespace qelmar::json_reading {

using Json = nlohmann::ordered_json;

struct FixtureError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The place as it can be shown: a key may hold any character, also a NUL
// that would end the message; control characters are written as \xNN.
std::string Printable(const std::string& text);

[[noreturn]] inline void Fail(const std::string& where, const std::string& what) {
  throw FixtureError(Printable(where) + ": " + what);
}

inline bool IsComment(const std::string& key) { return !key.empty() && key[0] == '#'; }

const Json& Object(const Json& value, const std::string& where, const char* what = "expected an object");
const Json& List(const Json& value, const std::string& where, const char* what = "expected a list");
bool Bool(const Json& value, const std::string& where);
// An integer given as a JSON number or as a decimal or 0x-hexadecimal string.
int64_t Integer(const Json& value, const std::string& where, int64_t low, int64_t high);
// A text, converted to Mazovia.
std::string Text(const Json& value, const std::string& where);
std::vector<unsigned char> Hex(const Json& value, const std::string& where);

// Arrays and objects nest at most this deep in a fixture or in host settings.
inline constexpr int kNestingLimit = 64;

// Follows a JSON text as it is read, chunk by chunk: fails as soon as arrays
// and objects nest deeper than kNestingLimit (so that no deeper structure is
// ever built: copying, merging and printing one recurse once per level), and
// notes the keys of the top-level object with where their values begin.
class TextScan {
 public:
  struct TopKey {
    std::string key;  // as written, escapes undone
    uint64_t value;   // offset of its value's first byte
  };

  explicit TextScan(std::string what) : what_(std::move(what)) {}
  void Feed(std::string_view chunk);
  // The text is an object whose top level this scan could follow, with
  // nothing after it; otherwise a full parse tells what is wrong.
  bool WellShaped() const { return shaped_ && depth_ == 0 && closed_; }
  const std::vector<TopKey>& keys() const { return keys_; }

 private:
  enum class Top { kStart, kKey, kColon, kValue, kAfterValue, kDone };
  void Step(char c);

  std::string what_;
  int depth_ = 0;
  bool inString_ = false;
  bool escaped_ = false;
  uint64_t offset_ = 0;
  std::size_t line_ = 1;
  std::size_t column_ = 0;
  Top top_ = Top::kStart;
  bool shaped_ = true;
  bool closed_ = false;
  bool capturing_ = false;
  std::string key_;
  std::vector<TopKey> keys_;
};

// Builds the document exactly as Json::parse does (members in the order
// written; a repeated key keeps its first place and takes its last value),
// but finds repeated keys of a large object through a hash of its keys.
// Json::parse searches an object's keys one by one for every key it adds,
// which makes a section of one key per invoice quadratic.
class DocumentBuilder {
 public:
  explicit DocumentBuilder(Json& root) : root_(root) {}

  // A value built elsewhere, placed as the parser would place it.
  bool Value(Json&& value) { return Put(std::move(value)); }
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

// Parses one whole JSON text of bounded nesting.
Json Parse(std::string_view text, const std::string& what);

}  // namespace qelmar::json_reading
