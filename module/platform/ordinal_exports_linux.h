// A Linux library's export directory, as cmake/ordinals.cmake lays it out:
// the data symbol "ordinal_exports", pairs of number and address ended by a
// zero number.
#pragma once

#include <dlfcn.h>

#include <cstdint>

namespace dravenhol::platform {

struct OrdinalExport {
  uint64_t number;
  void* address;
};

inline OrdinalExport* ExportDirectory(void* module) {
  return static_cast<OrdinalExport*>(dlsym(module, "ordinal_exports"));
}

}  // namespace dravenhol::platform
