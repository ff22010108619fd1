#include <windows.h>

#include "platform/loader.h"

namespace dravenhol::platform {

ModuleHandle LoadModule(const char* path) { return LoadLibraryA(path); }

void UnloadModule(ModuleHandle module) {
  if (module != nullptr) FreeLibrary(static_cast<HMODULE>(module));
}

const char* ModuleSuffix() { return ".dll"; }

namespace {
const IMAGE_NT_HEADERS* NtHeaders(ModuleHandle module) {
  const auto* base = static_cast<const unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  return reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
}
}  // namespace

// The loader finds nothing for an export whose address entry is zero.
bool WithdrawExport(ModuleHandle module, uint16_t number) {
  auto* base = static_cast<unsigned char*>(module);
  const auto& dir = NtHeaders(module)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (dir.Size == 0) return false;
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  if (number < exports->Base || number - exports->Base >= exports->NumberOfFunctions) return false;
  auto* entry = reinterpret_cast<DWORD*>(base + exports->AddressOfFunctions) + (number - exports->Base);
  if (*entry == 0) return false;
  DWORD old = 0;
  if (!VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &old)) return false;
  *entry = 0;
  VirtualProtect(entry, sizeof *entry, old, &old);
  return true;
}

void ForEachWritableRange(ModuleHandle module, void (*visit)(void*, std::size_t, void*), void* context) {
  auto* base = static_cast<unsigned char*>(module);
  const IMAGE_NT_HEADERS* nt = NtHeaders(module);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (unsigned i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section)
    if ((section->Characteristics & IMAGE_SCN_MEM_WRITE) != 0)
      visit(base + section->VirtualAddress, section->Misc.VirtualSize, context);
}

}  // namespace dravenhol::platform
