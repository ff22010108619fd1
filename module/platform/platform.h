// The platform seam: everything that differs between Windows and Linux.
//
// On Windows these are the loader and kernel functions themselves. On Linux a
// module's numbered exports are found in its export directory, the data symbol
// "ordinal_exports" (see cmake/ordinals.cmake); a module named "QELMAR" is the
// shared object whose soname is "QELMAR.so"; host paths, which are built with
// backslashes, are mapped to slashes. loader.h holds what only hosts need.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dravenhol::platform {

using ModuleHandle = void*;

// GetModuleHandleA: the loaded module of that name, or null.
ModuleHandle FindLoadedModule(const char* name);
// GetModuleFileNameA: the module's full file name, cut to size - 1 bytes.
uint32_t ModuleFileName(ModuleHandle module, char* path, uint32_t size);
// GetProcAddress by number; a null module means the process's main program.
void* ExportByNumber(ModuleHandle module, uint16_t number);
// IsDebuggerPresent and OutputDebugStringA.
bool DebuggerPresent();
void DebugOutput(const char* text);

// mkdir on a host path (backslash-separated, in the file system's code page).
int MakeDirectory(const char* path);
// Empties the file at a host path where one exists (opened for writing with
// truncation, then closed), so that nothing is left of its content and
// nothing is left delete-pending either.
enum class TruncateResult { kTruncated, kNoFile, kFailed };
TruncateResult TruncateFile(const char* path);

// The size of the file at a host path, or -1 when it cannot be read.
int64_t FileSize(const char* path);

// How many bytes a text of UTF-16 code units takes in the file system's code
// page (the system's ANSI code page on Windows, UTF-8 on Linux), or -1 when
// one of its characters has no exact counterpart there.
int FileSystemLength(const char16_t* text, int length);

// An exclusive lock on a file, which the system releases when the process
// ends however it ends: LockFileEx on Windows, flock on Linux. Every open of
// the file takes part, in this process as in any other.
enum class LockResult { kLocked, kBusy, kUnavailable };
struct FileLock {
  intptr_t handle = -1;
};
// Creates the file if needed and locks it without waiting.
LockResult LockFile(const char* path, FileLock* lock);
void UnlockFile(FileLock* lock);
// Replaces the content of a locked file with `size` bytes, through the handle
// the lock holds. False when the file is not locked or the write failed.
bool RewriteLockedFile(FileLock* lock, const char* data, std::size_t size);

}  // namespace dravenhol::platform
