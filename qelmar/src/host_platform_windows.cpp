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

FileMapping::~FileMapping() {
  if (mapping_ != 0) CloseHandle(reinterpret_cast<HANDLE>(mapping_));
  if (file_ != -1) CloseHandle(reinterpret_cast<HANDLE>(file_));
}

bool FileMapping::Open(const std::string& path, std::string& error) {
  error = "cannot read " + path;
  HANDLE file =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  file_ = reinterpret_cast<intptr_t>(file);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return false;
  size_ = static_cast<uint64_t>(size.QuadPart);
  if (size_ == 0) return true;  // an empty file cannot be mapped, and nothing is read from it
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (mapping == nullptr) return false;
  mapping_ = reinterpret_cast<intptr_t>(mapping);
  return true;
}

std::size_t FileMapping::Granularity() {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  return info.dwAllocationGranularity;
}

const unsigned char* FileMapping::MapView(uint64_t offset, std::size_t length) const {
  if (mapping_ == 0) return nullptr;
  return static_cast<const unsigned char*>(MapViewOfFile(reinterpret_cast<HANDLE>(mapping_), FILE_MAP_READ,
                                                         static_cast<DWORD>(offset >> 32),
                                                         static_cast<DWORD>(offset & 0xFFFFFFFFu), length));
}

void FileMapping::UnmapView(const unsigned char* view, std::size_t /*length*/) { UnmapViewOfFile(view); }

}  // namespace qelmar
