// A JSON text written as a stream, with its own buffer: the writer places the
// separators between members and elements, each container in its layout.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace qelmar_tool {

// How a container lays out its members or elements.
struct JsonLayout {
  const char* first;    // before the first
  const char* between;  // between two
  const char* close;    // before the closing bracket, when not empty
  int lineEvery;        // > 0: a line break instead of a blank before every nth
};

class JsonWriter {
 public:
  using Layout = JsonLayout;
  static constexpr Layout kInline{"", ", ", "", 0};      // [1, 2], {"a": 1, "b": 2}
  static constexpr Layout kLines{"\n", ",\n", "", 0};    // one element a line
  static constexpr Layout kBlock{"\n", ",\n", "\n", 0};  // and the closing bracket on a line of its own

  explicit JsonWriter(std::FILE* file);
  ~JsonWriter() { Flush(); }
  JsonWriter(const JsonWriter&) = delete;
  JsonWriter& operator=(const JsonWriter&) = delete;

  // A container as the next value; End closes the innermost one.
  JsonWriter& Object(const Layout& layout = kInline) { return Open('{', layout); }
  JsonWriter& Array(const Layout& layout = kInline) { return Open('[', layout); }
  JsonWriter& End();
  // The key of the next member of the innermost object.
  JsonWriter& Key(std::string_view key);
  JsonWriter& Int(int64_t value);
  // A JSON string of UTF-8 text.
  JsonWriter& Str(std::string_view text);
  JsonWriter& Field(std::string_view key, int64_t value) { return Key(key).Int(value); }
  JsonWriter& Field(std::string_view key, std::string_view value) { return Key(key).Str(value); }
  JsonWriter& Field(std::string_view key, const char* value) { return Key(key).Str(value); }
  // Ends the document with a line end and writes out the buffer; false when
  // a write failed.
  bool Finish();

 private:
  struct Open_ {
    char close;
    Layout layout;
    int64_t count = 0;
    bool keyed = false;  // a key was written, its value comes next
  };
  JsonWriter& Open(char bracket, const Layout& layout);
  // The separator before a value or a key.
  void Next(bool isKey);
  void Quoted(std::string_view text);
  bool Flush();
  JsonWriter& Check();

  static constexpr std::size_t kFlush = std::size_t{1} << 20;
  std::FILE* file_;
  std::string buffer_;
  std::vector<Open_> open_;
  bool failed_ = false;
};

}  // namespace qelmar_tool
