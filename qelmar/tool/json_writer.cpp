#include "json_writer.h"

#include <stdexcept>

namespace qelmar_tool {

JsonWriter::JsonWriter(std::FILE* file) : file_(file) { buffer_.reserve(kFlush + 4096); }

JsonWriter& JsonWriter::Open(char bracket, const Layout& layout) {
  Next(false);
  buffer_ += bracket;
  open_.push_back({bracket == '{' ? '}' : ']', layout});
  return *this;
}

JsonWriter& JsonWriter::End() {
  if (open_.empty() || open_.back().keyed) throw std::logic_error("JSON: End without an open container");
  if (open_.back().count > 0) buffer_ += open_.back().layout.close;
  buffer_ += open_.back().close;
  open_.pop_back();
  return Check();
}

void JsonWriter::Next(bool isKey) {
  if (open_.empty()) return;
  Open_& in = open_.back();
  const bool object = in.close == '}';
  if (object != isKey && !in.keyed) throw std::logic_error("JSON: a member without a key, or a key in a list");
  if (in.keyed) {
    in.keyed = false;  // the member's value follows its key
    return;
  }
  if (in.count == 0)
    buffer_ += in.layout.first;
  else if (in.layout.lineEvery > 0 && in.count % in.layout.lineEvery == 0)
    buffer_ += ",\n";
  else
    buffer_ += in.layout.between;
  ++in.count;
  in.keyed = isKey;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
  if (open_.empty() || open_.back().close != '}' || open_.back().keyed)
    throw std::logic_error("JSON: a key outside an object");
  Next(true);
  Quoted(key);
  buffer_ += ": ";
  return *this;
}

JsonWriter& JsonWriter::Int(int64_t value) {
  Next(false);
  buffer_ += std::to_string(value);
  return Check();
}

JsonWriter& JsonWriter::Str(std::string_view text) {
  Next(false);
  Quoted(text);
  return Check();
}

void JsonWriter::Quoted(std::string_view text) {
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
}

bool JsonWriter::Finish() {
  if (!open_.empty()) throw std::logic_error("JSON: a container left open");
  buffer_ += '\n';
  return Flush();
}

bool JsonWriter::Flush() {
  if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) failed_ = true;
  buffer_.clear();
  return !failed_;
}

JsonWriter& JsonWriter::Check() {
  if (buffer_.size() >= kFlush) Flush();
  return *this;
}

}  // namespace qelmar_tool
