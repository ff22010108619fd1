// Everything the replacement host keeps, in the parts that own it: its
// configuration, its database, its counters, the objects the module holds,
// the transcript, and what it keeps of the module itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "config/host_config.h"
#include "session/counters.h"
#include "session/live_objects.h"
#include "session/module_state.h"
#include "session/transcript.h"
#include "store/host_tables.h"

namespace qelmar {

struct Host {
  HostConfig config;
  HostDatabase data;
  HostCounters counts;
  LiveObjects live;
  Transcript log;
  ModuleState module;
};

Host& TheHost();

// Rebuilds descriptors and record buffers from the configured record lengths,
// and puts the current Tspr_prop record into its buffer.
void RebuildTables(Host& host);
// Applies the configured initial state (flags, current contractor/warehouse).
void ApplyInitialState(Host& host);
void SetBaseDirectory(Host& host, const std::string& path);

// Fills bytes with garbage: never a zero byte, different at each call.
void FillGarbage(Host& host, unsigned char* bytes, std::size_t count);
// The same for the one host (a fill function for ForEachUnusedRun).
void FillWithGarbage(unsigned char* bytes, std::size_t count);

inline void Count(Counter counter) { ++TheHost().counts.counters[counter]; }

// Calls of a kind so far, and whether the latest one is to fail. Called after
// the call was counted (by the entry step, or by StreamClosing).
int64_t InjectionCalls(Injection kind);
bool Injected(Injection kind);

// A counter or state value by name (docs/fixture-format.md, "Counters");
// false for an unknown name.
bool ReadCounter(const std::string& name, int64_t& value);
// What the module left unreleased: " cursor.live=1 alloc.live=2", or empty.
std::string Unreleased();

// Parts joined by single blanks: Line("HostCallback", "1", "-1").
template <class... Parts>
std::string Line(const Parts&... parts) {
  std::string line;
  ((line.empty() ? void() : void(line += ' '), line += parts), ...);
  return line;
}

// One transcript line (already formatted and escaped).
void Record(const std::string& line);
// One call-log line, built only when the call log is on.
bool CallLogOn();
void LogCall(const std::string& line);

}  // namespace qelmar
