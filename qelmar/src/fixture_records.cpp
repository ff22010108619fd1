#include "fixture_records.h"

#include <algorithm>

#include "layouts.h"
#include "record_store.h"

namespace qelmar {

using namespace json_reading;

namespace {

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

}  // namespace

void FillRecord(const Json& object, int dataFile, const RecordOut& out, const std::string& where,
                std::initializer_list<const char*> extraKeys) {
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

}  // namespace qelmar
