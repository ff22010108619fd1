// Reading a database fixture (JSON, docs/fixture-format.md) into the host's
// configuration and record store. Only this file knows the JSON; the store it
// fills is plain bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "host_state.h"

namespace qelmar {

struct FixtureContent {
  HostConfig config;
  Store store;
  std::vector<unsigned char> currentProp;
};

// A fixture (and a text of host settings) is at most this large, and its
// arrays and objects nest at most this deep; a fixture file must be a regular
// file.
inline constexpr std::size_t kFixtureSizeLimit = std::size_t{256} << 20;
inline constexpr int kFixtureNestingLimit = 64;

// Reads a fixture file into text; false, with the reason, for a file that is
// missing, a directory, not a regular file or larger than the limit.
bool ReadFixtureFile(const std::string& path, std::string& text, std::string& error);

// Parses fixture, then applies hostOverrides (a JSON object in the form of the
// fixture's "host" section, may be empty) on top of its "host" section.
bool ReadFixture(std::string_view fixture, std::string_view hostOverrides, FixtureContent& content, std::string& error);

// Merges the JSON object update into the JSON object overrides (both texts);
// false when either is not an object.
bool MergeHostOverrides(std::string& overrides, std::string_view update, std::string& error);

}  // namespace qelmar
