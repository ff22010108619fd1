// The sections of a fixture, each a reader that writes its part of the store,
// in one table: a new section is one row and one reader.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "fixture_records.h"
#include "fixture_stream.h"
#include "host_settings.h"
#include "store_writer.h"

namespace qelmar {

// What the sections write, and what later sections need of earlier ones.
struct Compilation {
  explicit Compilation(StoreOutput& out) : output(out) {}

  // A zeroed record of a data file's stored length.
  RecordOut Record(int dataFile) {
    record.assign(static_cast<std::size_t>(storedLengths[dataFile]), 0);
    return {record.data(), record.size()};
  }

  StoreOutput& output;
  HostConfig config;
  std::string hostText;  // the "host" section as written into the store
  std::array<int32_t, kDataFileCount> storedLengths{};
  std::array<OutputFile*, kDataFileCount> records{};
  std::array<uint32_t, kDataFileCount> counts{};
  std::vector<unsigned char> record;
};

struct FixtureSection {
  const char* name;
  std::unique_ptr<SectionReader> (*reader)(Compilation&);
};

// Every section, in the order they are read, whatever their order in the text.
std::span<const FixtureSection> FixtureSections();

}  // namespace qelmar
