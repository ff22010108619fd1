// Loading a module and finding its way around, as the host program does: load
// and unload by path, look exports up by number, find a loaded module by name
// and its file name, and walk its writable data.
//
// On Windows these are the system loader's own functions. On Linux a library's
// numbered exports lie in its export directory, the data symbol
// "ordinal_exports" (pairs of number and address ended by a zero number, as
// cmake/ordinals.cmake generates it), and the library named "QELMAR" is the one
// whose soname is "QELMAR.so".
#pragma once

#include <cstddef>
#include <cstdint>

namespace qelmar::loader {

using ModuleHandle = void*;

// LoadLibraryA or dlopen; null when the module cannot be loaded.
ModuleHandle LoadModule(const char* path);
void UnloadModule(ModuleHandle module);
// The file name suffix of a loadable module: ".dll" or ".so".
const char* ModuleSuffix();

// GetProcAddress by number: the address a module exports under that number,
// or null.
void* ExportByNumber(ModuleHandle module, uint16_t number);

// GetModuleHandleA: the loaded module of that name (without suffix), or null.
ModuleHandle FindLoadedModule(const char* name);
// GetModuleFileNameA: the module's full file name, cut to size - 1 bytes.
uint32_t ModuleFileName(ModuleHandle module, char* path, uint32_t size);

// Calls visit for each writable data range of a loaded module.
void ForEachWritableRange(ModuleHandle module, void (*visit)(void* begin, std::size_t size, void* context),
                          void* context);

}  // namespace qelmar::loader
