#include "fixture.h"

#include <filesystem>
#include <fstream>
#include <map>

#include "fixture_sections.h"
#include "fixture_stream.h"
#include "json_reading.h"

namespace qelmar {

using namespace json_reading;
namespace layout = store_layout;

namespace {

// Where each known section's value begins: the last value of a section
// written twice. Every other value of the text is checked as JSON.
std::map<std::string, uint64_t> ScanSections(Source& source) {
  TextScan scan("fixture");
  source.Scan(scan);
  if (!scan.WellShaped()) {
    source.Validate();
    Fail("fixture", "expected a JSON object");
  }
  std::map<std::string, uint64_t> sections;
  for (const auto& [key, value] : scan.keys()) {
    bool known = IsComment(key);
    for (const FixtureSection& section : FixtureSections()) known = known || key == section.name;
    if (!known) Fail(key, "unknown section");
    if (!IsComment(key)) sections[key] = value;
  }
  for (const auto& [key, value] : scan.keys())
    if (IsComment(key) || sections[key] != value) CheckValue(source, value);
  return sections;
}

void Compile(Source& source, StoreOutput& output) {
  const std::map<std::string, uint64_t> sections = ScanSections(source);
  Compilation c(output);
  for (const FixtureSection& section : FixtureSections()) {
    const std::unique_ptr<SectionReader> reader = section.reader(c);
    if (const auto found = sections.find(section.name); found != sections.end())
      ReadValue(source, found->second, *reader);
    reader->Finish();
  }
  const std::string hostText = c.hostText.empty() ? "{}" : c.hostText;
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
  return Compiled(*TextSource(fixture), output, error);
}

bool CompileFixtureFile(const std::string& path, StoreOutput& output, std::string& error) {
  if (!CheckFixtureFile(path, error)) return false;
  return Compiled(*FileSource(path), output, error);
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