// What the frame keeps for the whole life of the loaded module.
#pragma once

#include <cstdint>

#include "host/host_types.h"

namespace dravenhol {

// One host data file in the record-length check.
struct TableLayoutEntry {
  int32_t moduleLength;
  int32_t hostLength;
  const char* name;
  TableLayoutEntry* next;
};

struct PluginFrameState {
  ModuleHandle ownModule;
  char ownPath[300];
  const char* baseName;
  HostCallback hostCallback;
  TableLayoutEntry* mismatchList;
  int32_t(HOST_CDECL_ATTR* handler30009)();
  int32_t(HOST_CDECL_ATTR* handler30010)(int32_t);
};

extern PluginFrameState g_frame;

// The module's description: its display name between the host's control bytes
// 0x02 and 0x01, and the place of its command in the host's menus.
extern const char* const kPluginDescription;

inline constexpr uint32_t kCommandNumber = 31053;

// The attach step: stores the module's handle, path and base name and finds
// the host module. Runs before the binding pass and any static initialisation.
void OnProcessAttach(ModuleHandle ownModule);

// The text after the last backslash, then after the last forward slash.
const char* BaseNameOf(const char* path);

}  // namespace dravenhol
