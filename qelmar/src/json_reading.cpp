#include "json_reading.h"

#include <algorithm>
#include <charconv>

#include "text_codec.h"

namespace qelmar::json_reading {

const Json& Object(const Json& value, const std::string& where, const char* what) {
  if (!value.is_object()) Fail(where, what);
  return value;
}

const Json& List(const Json& value, const std::string& where, const char* what) {
  if (!value.is_array()) Fail(where, what);
  return value;
}

bool Bool(const Json& value, const std::string& where) {
  if (!value.is_boolean()) Fail(where, "expected true or false");
  return value.get<bool>();
}

std::string Printable(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      shown += c;
      continue;
    }
    static constexpr char kDigits[] = "0123456789ABCDEF";
    shown += "\\x";
    shown += kDigits[byte >> 4];
    shown += kDigits[byte & 15];
  }
  return shown;
}

void TextScan::Feed(std::string_view chunk) {
  const char* p = chunk.data();
  const char* const end = p + chunk.size();
  while (p < end) {
    // Runs of bytes that change nothing but the place: inside a string, and
    // between the brackets and quotes of a section's value.
    const char* q = p;
    if (inString_ && !escaped_ && !capturing_)
      while (q < end && *q != '"' && *q != '\\' && *q != '\n') ++q;
    else if (!inString_ && depth_ > 1)
      while (q < end && *q != '"' && *q != '[' && *q != '{' && *q != ']' && *q != '}' && *q != '\n') ++q;
    column_ += static_cast<std::size_t>(q - p);
    offset_ += static_cast<uint64_t>(q - p);
    p = q;
    if (p < end) Step(*p++);
  }
}

void TextScan::Step(char c) {
  ++column_;
  if (c == '\n') {
    ++line_;
    column_ = 0;
  }
  const uint64_t at = offset_++;
  if (inString_) {
    if (escaped_) {
      escaped_ = false;
    } else if (c == '\\') {
      escaped_ = true;
    } else if (c == '"') {
      inString_ = false;
      if (capturing_) {
        capturing_ = false;
        if (key_.find('\\') != std::string::npos) {
          const Json decoded = Json::parse("\"" + key_ + "\"", nullptr, false);
          if (decoded.is_string()) key_ = decoded.get<std::string>();
        }
        top_ = Top::kColon;
        return;
      }
    }
    if (capturing_) key_ += c;
    return;
  }
  const bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\r';
  if (depth_ == 1 && !blank) {
    // The top level of the root object: "key": value, ...
    switch (top_) {
      case Top::kKey:
        if (c == '"') {
          capturing_ = true;
          key_.clear();
        } else if (!(c == '}' && keys_.empty())) {
          shaped_ = false;
        }
        break;
      case Top::kColon:
        if (c == ':')
          top_ = Top::kValue;
        else
          shaped_ = false;
        break;
      case Top::kValue:
        keys_.push_back({key_, at});
        top_ = Top::kAfterValue;
        break;
      case Top::kAfterValue:
        if (c == ',')
          top_ = Top::kKey;
        else if (c != '}' && c != '"' && c != '{' && c != '[' && c != ']')
          ;  // the rest of a number or literal
        else if (c != '}')
          shaped_ = false;
        break;
      default:
        break;
    }
  } else if (depth_ == 0 && !blank) {
    if (top_ == Top::kStart && c == '{')
      top_ = Top::kKey;
    else if (top_ != Top::kStart || c != '{')
      shaped_ = false;
  }
  if (c == '"') {
    inString_ = true;
  } else if (c == '[' || c == '{') {
    if (++depth_ > kNestingLimit)
      Fail(what_, "arrays and objects nested deeper than " + std::to_string(kNestingLimit) + " levels at line " +
                      std::to_string(line_) + ", column " + std::to_string(column_));
  } else if (c == ']' || c == '}') {
    if (--depth_ == 0 && !closed_) {
      closed_ = true;
      top_ = Top::kDone;
    }
  }
}

Json Parse(std::string_view text, const std::string& what) {
  TextScan scan(what);
  scan.Feed(text);
  Json document;
  DocumentBuilder builder(document);
  Json::sax_parse(text.begin(), text.end(), &builder);
  return document;
}

namespace {
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

}  // namespace

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

}  // namespace qelmar::json_reading
