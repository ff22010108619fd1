#include <windows.h>

#include <share.h>

#include <string>

#include "host_entry.h"
#include "host_platform.h"
#include "text_codec.h"

namespace qelmar {

// Host code 3 is the Windows code page of Polish systems.
int32_t FileSystemCodePage() { return 1250; }

std::string FileSystemPath(const std::string& hostPath) { return hostPath; }

// The C runtime's text mode writes LF as CR LF itself.
std::FILE* OpenSharedStream(const std::string& path, const char* mode) {
  return _fsopen(path.c_str(), mode, _SH_DENYNO);
}

// The module closes its streams with its own fclose, through HostHolderApply.
bool HostSeesStreamClose() { return false; }

// The module and the host share msvcrt's streams; its ferror reads this flag.
static_assert(_IOERR == 0x20, "msvcrt's FILE");
void MarkWriteError(std::FILE* stream) { stream->_flag |= _IOERR; }

std::FILE* OpenStream(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

namespace {

// The export address table entry of a number in this library, or null.
DWORD* ExportEntry(unsigned char* base, uint16_t number) {
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (dir.Size == 0) return nullptr;
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  if (number < exports->Base || number - exports->Base >= exports->NumberOfFunctions) return nullptr;
  return reinterpret_cast<DWORD*>(base + exports->AddressOfFunctions) + (number - exports->Base);
}

void SetEntry(DWORD* entry, DWORD value) {
  if (*entry == value) return;
  DWORD old = 0;
  if (!VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &old)) return;
  *entry = value;
  VirtualProtect(entry, sizeof *entry, old, &old);
}

}  // namespace

void SetMissingExports(const uint16_t* numbers, std::size_t count) {
  HMODULE self = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&SetMissingExports), &self))
    return;
  auto* base = reinterpret_cast<unsigned char*>(self);
  for (int slot = 0; slot < kHostSlotCount; ++slot) {
    const uint16_t number = HostFunctionNumber(slot);
    DWORD* entry = ExportEntry(base, number);
    if (entry == nullptr) continue;
    bool missing = false;
    for (std::size_t i = 0; i < count; ++i) missing = missing || numbers[i] == number;
    SetEntry(entry, missing ? 0 : static_cast<DWORD>(static_cast<unsigned char*>(HostEntryAddress(slot)) - base));
  }
}

}  // namespace qelmar
