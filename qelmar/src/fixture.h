// Reading a database fixture (JSON, docs/fixture-format.md) into the host's
// configuration and record store. Only this file knows the JSON; the store it
// fills is plain bytes.
#pragma once

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

// Parses fixture, then applies hostOverrides (a JSON object in the form of the
// fixture's "host" section, may be empty) on top of its "host" section.
bool ReadFixture(std::string_view fixture, std::string_view hostOverrides, FixtureContent& content,
                 std::string& error);

// Merges the JSON object update into the JSON object overrides (both texts);
// false when either is not an object.
bool MergeHostOverrides(std::string& overrides, std::string_view update, std::string& error);

}  // namespace qelmar
