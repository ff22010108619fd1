#include <windows.h>

#include <string>

#include "functions/host_entry.h"
#include "platform/host_platform.h"
#include "text/text_codec.h"

namespace qelmar {

// Host code 3 is the Windows code page of Polish systems.
int32_t FileSystemCodePage() { return 1250; }

std::string FileSystemPath(const std::string& hostPath) { return hostPath; }

namespace {

// One runtime's functions, in the order of StreamRuntime's, by their exported
// names; where a function has two names, the first one found.
struct RuntimeDll {
  const char* name;  // the host setting's name
  const char* file;  // the DLL
  StreamRuntime table;
  bool tried;
  bool loaded;
  std::string error;
};

RuntimeDll g_runtimes[] = {
    {"ucrtbase", "ucrtbase.dll", {}, false, false, {}},
    {"msvcr100", "msvcr100.dll", {}, false, false, {}},
    {"msvcrt", "msvcrt.dll", {}, false, false, {}},
};

template <class F>
bool Take(HMODULE dll, const char* name, F& function) {
  function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
  return function != nullptr;
}

void Load(RuntimeDll& runtime) {
  runtime.tried = true;
  HMODULE dll = LoadLibraryA(runtime.file);
  if (dll == nullptr) {
    runtime.error = std::string("cannot load ") + runtime.file;
    return;
  }
  StreamRuntime& t = runtime.table;
  t.name = runtime.name;
  const char* missing = nullptr;
  if (!Take(dll, "_fsopen", t.fsopen)) missing = "_fsopen";
  if (!Take(dll, "fopen", t.fopen)) missing = "fopen";
  if (!Take(dll, "fwrite", t.fwrite)) missing = "fwrite";
  if (!Take(dll, "fputc", t.fputc)) missing = "fputc";
  if (!Take(dll, "fgets", t.fgets)) missing = "fgets";
  if (!Take(dll, "fflush", t.fflush)) missing = "fflush";
  if (!Take(dll, "fclose", t.fclose)) missing = "fclose";
  // ucrtbase exports no vfprintf; its headers call __stdio_common_vfprintf.
  if (!Take(dll, "vfprintf", t.vfprintf) && !Take(dll, "__stdio_common_vfprintf", t.commonVfprintf))
    missing = "vfprintf";
  if (missing != nullptr) {
    runtime.error = std::string(runtime.file) + " lacks " + missing;
    return;  // the DLL stays loaded: it is only ever loaded once
  }
  runtime.loaded = true;
}

}  // namespace

const StreamRuntime* LoadStreamRuntime(const std::string& name, std::string& error) {
  for (RuntimeDll& runtime : g_runtimes) {
    if (name != runtime.name) continue;
    if (!runtime.tried) Load(runtime);
    if (runtime.loaded) return &runtime.table;
    error = runtime.error;
    return nullptr;
  }
  error = "no C runtime \"" + name + "\"";
  return nullptr;
}

int StreamPrint(const StreamRuntime& runtime, std::FILE* stream, const char* format, va_list arguments) {
  if (runtime.vfprintf != nullptr) return runtime.vfprintf(stream, format, arguments);
  return runtime.commonVfprintf(0, stream, format, nullptr, arguments);
}

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
