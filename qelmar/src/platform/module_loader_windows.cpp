#include <windows.h>

#include "platform/module_loader.h"

namespace qelmar::loader {

ModuleHandle LoadModule(const char* path) { return LoadLibraryA(path); }

void UnloadModule(ModuleHandle module) {
  if (module != nullptr) FreeLibrary(static_cast<HMODULE>(module));
}

const char* ModuleSuffix() { return ".dll"; }

void* ExportByNumber(ModuleHandle module, uint16_t number) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), MAKEINTRESOURCEA(number)));
}

ModuleHandle FindLoadedModule(const char* name) { return GetModuleHandleA(name); }

uint32_t ModuleFileName(ModuleHandle module, char* path, uint32_t size) {
  if (size == 0) return 0;
  path[0] = '\0';
  const DWORD n = GetModuleFileNameA(static_cast<HMODULE>(module), path, size);
  path[size - 1] = '\0';  // older systems leave a cut name unterminated
  return n;
}

void ForEachWritableRange(ModuleHandle module, void (*visit)(void*, std::size_t, void*), void* context) {
  auto* base = static_cast<unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (unsigned i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section)
    if ((section->Characteristics & IMAGE_SCN_MEM_WRITE) != 0)
      visit(base + section->VirtualAddress, section->Misc.VirtualSize, context);
}

}  // namespace qelmar::loader
