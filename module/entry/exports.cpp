// The four exported entry points, by number only (dravenhol.def). They hold
// no logic: each forwards to the frame.
#include "frame/entry_points.h"

extern "C" {

int32_t HOST_CDECL_ATTR DravenholHandshake(dravenhol::HostCallback callback, char* description) {
  return dravenhol::PluginHandshake(callback, description);
}

int32_t HOST_CDECL_ATTR DravenholActivate(int32_t value) { return dravenhol::PluginActivate(value); }

int32_t HOST_CDECL_ATTR DravenholExport30009() { return dravenhol::OptionalExport30009(); }

int32_t HOST_CDECL_ATTR DravenholExport30010(int32_t value) { return dravenhol::OptionalExport30010(value); }
}
