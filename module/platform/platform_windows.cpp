#include <direct.h>
#include <windows.h>

#include "platform/code_pages.h"
#include "platform/platform.h"

namespace dravenhol::platform {

ModuleHandle FindLoadedModule(const char* name) { return GetModuleHandleA(name); }

uint32_t ModuleFileName(ModuleHandle module, char* path, uint32_t size) {
  if (size == 0) return 0;
  path[0] = '\0';
  const DWORD n = GetModuleFileNameA(static_cast<HMODULE>(module), path, size);
  path[size - 1] = '\0';  // older systems leave a cut name unterminated
  return n;
}

void* ExportByNumber(ModuleHandle module, uint16_t number) {
  HMODULE handle = module != nullptr ? static_cast<HMODULE>(module) : GetModuleHandleA(nullptr);
  return reinterpret_cast<void*>(GetProcAddress(handle, MAKEINTRESOURCEA(number)));
}

bool DebuggerPresent() { return IsDebuggerPresent() != FALSE; }

void DebugOutput(const char* text) { OutputDebugStringA(text); }

int MakeDirectory(const char* path) { return _mkdir(path); }

TruncateResult TruncateFile(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? TruncateResult::kNoFile
                                                                          : TruncateResult::kFailed;
  }
  CloseHandle(file);
  return TruncateResult::kTruncated;
}

namespace {
// The system's ANSI code page, whatever number it has.
int MeasureInAnsiCodePage(uint32_t, uint32_t flags, const char16_t* text, int length, int* usedDefault) {
  BOOL used = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, flags, reinterpret_cast<const wchar_t*>(text), length, nullptr, 0, nullptr,
                                    usedDefault != nullptr ? &used : nullptr);
  if (usedDefault != nullptr) *usedDefault = used != FALSE ? 1 : 0;
  return n;
}
}  // namespace

int FileSystemLength(const char16_t* text, int length) {
  return MeasureInCodePage(GetACP(), text, length, &MeasureInAnsiCodePage);
}

int64_t FileSize(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return -1;
  return static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

LockResult LockFile(const char* path, FileLock* lock) {
  HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LockResult::kUnavailable;
  OVERLAPPED at{};
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    const bool busy = GetLastError() == ERROR_LOCK_VIOLATION;
    CloseHandle(file);
    return busy ? LockResult::kBusy : LockResult::kUnavailable;
  }
  lock->handle = reinterpret_cast<intptr_t>(file);
  return LockResult::kLocked;
}

void UnlockFile(FileLock* lock) {
  if (lock->handle == -1) return;
  HANDLE file = reinterpret_cast<HANDLE>(lock->handle);
  OVERLAPPED at{};
  UnlockFileEx(file, 0, 1, 0, &at);
  CloseHandle(file);
  lock->handle = -1;
}

bool RewriteLockedFile(FileLock* lock, const char* data, std::size_t size) {
  if (lock->handle == -1) return false;
  HANDLE file = reinterpret_cast<HANDLE>(lock->handle);
  if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER || !SetEndOfFile(file)) return false;
  DWORD written = 0;
  return WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

}  // namespace dravenhol::platform
