#include "fixture_stream.h"

#include <fstream>
#include <optional>
#include <stdexcept>
#include <vector>

namespace qelmar {

using namespace json_reading;

namespace {

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

class TextSourceImpl : public Source {
 public:
  explicit TextSourceImpl(std::string_view text) : text_(text) {}
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

class FileSourceImpl : public Source {
 public:
  explicit FileSourceImpl(std::string path) : path_(std::move(path)) {}
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

}  // namespace

std::unique_ptr<Source> TextSource(std::string_view text) { return std::make_unique<TextSourceImpl>(text); }
std::unique_ptr<Source> FileSource(std::string path) { return std::make_unique<FileSourceImpl>(std::move(path)); }

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

void CheckValue(Source& source, uint64_t offset) {
  CheckOnly check;
  try {
    source.Parse(offset, check);
  } catch (const std::runtime_error&) {
    source.Validate();
    throw;
  }
}

}  // namespace qelmar
