// Reading a fixture one section value at a time: where its text comes from,
// what a section does with the values, and the parse that builds one piece of
// a section (the whole value, or one element of a list) at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "json_reading.h"

namespace qelmar {

using json_reading::Json;
using json_reading::TextScan;

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

std::unique_ptr<Source> TextSource(std::string_view text);
std::unique_ptr<Source> FileSource(std::string path);

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
  virtual void WrongRoot(Json& /*value*/) {}
  // A member's key; false skips its value.
  virtual bool BeginMember(const std::string& /*key*/) { return true; }
  // A member's value is not a list.
  virtual void NotList(const std::string& /*key*/, Json& /*value*/) {}
  virtual void Element(const std::string& /*key*/, std::size_t /*index*/, Json& /*value*/) {}
  virtual void EndMember(const std::string& /*key*/) {}
  // After the section's value, or in its place when the fixture has none.
  virtual void Finish() {}
};

// Parses the value at offset with the reader, or only checks its syntax; a
// syntax error is reported with its place in the whole text.
void ReadValue(Source& source, uint64_t offset, SectionReader& reader);
void CheckValue(Source& source, uint64_t offset);

}  // namespace qelmar
