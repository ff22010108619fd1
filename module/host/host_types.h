// Types that appear in the signatures of host functions.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "platform/callconv.h"

namespace dravenhol {

using ModuleHandle = void*;
// A stream the host opened. It belongs to the host's C runtime, which need
// not be the module's: only host functions may touch it, so it has no type
// that the module's own stdio functions would take.
struct HostStream;

// Host objects whose storage the module reserves and whose state only the
// host touches. The cursor, key and holder sizes are the host's contract (on
// i686 exactly these); the host never gives a guard's size, so it gets room
// to spare.
struct alignas(8) HostCursor {
  unsigned char storage[192];
};
struct alignas(void*) HostKey {
  unsigned char storage[260];
};
struct alignas(void*) HostHolder {
  unsigned char storage[20];
};
struct alignas(8) HostGuard {
  unsigned char storage[256];
};
// Room for a work block whose size the host never gives (host function 30204).
inline constexpr int kUnstatedBlockSize = 256;

// The base part of a dialog object: the virtual table pointer, then one word
// of the host's own. The module's fields follow it.
struct WDialogBase {
  const void* const* vtable;
  void* hostPart;
};

// A host data file descriptor. The module reads only the record length
// (bytes 6 and 7) and the current-record buffer (the third 32-bit field, a
// pointer-sized field on 64-bit builds).
struct HostTable;
struct HostItemFile;

struct CommandRecord {
  uint32_t flags;
  const char* title;
  uint32_t command;
  int32_t(HOST_CDECL_ATTR* handler)();
  uint32_t reserved;
};

using HostReportFunction = void(HOST_CDECL_ATTR*)(const char* function, uint32_t code, void* information,
                                                  const void* arguments);
using HostApplyFunction = int(HOST_CDECL_ATTR*)(HostStream* stream);
using HostReleaseFunction = void(HOST_CDECL_ATTR*)(void* value);
using HostCallback = int32_t(HOST_CDECL_ATTR*)(int32_t a, int32_t b);

}  // namespace dravenhol
