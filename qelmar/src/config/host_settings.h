// The host's settings: the "host" section of a fixture or of a store, and
// settings merged over it (QelmarConfigure, --host).
#pragma once

#include <string>
#include <string_view>

#include "fixture/json_reading.h"
#include "session/host_state.h"

namespace qelmar {

// Applies a "host" section over config.
void ReadHostSection(const json_reading::Json& host, HostConfig& config);

// The configuration of a "host" section (JSON text, may be empty) with
// overrides (the same form, may be empty) applied over it.
bool ReadHostSettings(std::string_view section, std::string_view overrides, HostConfig& config, std::string& error);

// Merges the JSON object update into the JSON object overrides (both texts);
// false when either is not an object.
bool MergeHostOverrides(std::string& overrides, std::string_view update, std::string& error);

}  // namespace qelmar
