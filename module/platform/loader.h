// What a host needs of the platform to load and inspect modules; the
// replacement host and the tests use it, the module does not.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace dravenhol::platform {

ModuleHandle LoadModule(const char* path);
void UnloadModule(ModuleHandle module);
// The file name suffix of a loadable module: ".dll" or ".so".
const char* ModuleSuffix();

// Withdraws a numbered export, so that later look-ups of it find nothing.
// Returns false when the module has no such export.
bool WithdrawExport(ModuleHandle module, uint16_t number);

// Calls visit for each writable data range of a loaded module.
void ForEachWritableRange(ModuleHandle module, void (*visit)(void* begin, std::size_t size, void* context),
                          void* context);

}  // namespace dravenhol::platform
