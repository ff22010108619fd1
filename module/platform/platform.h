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
// Removes the file at a host path; false when there was none or it stays.
bool RemoveFile(const char* path);

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

// A structured exception: the processor or system fault that the host's thread
// delivers as SE_Exception (code first, then the exception information).
struct StructuredFault {
  uint32_t code;
  void* information;
};

// Runs body(context). Returns false, with the fault filled in, when a
// structured exception left the body; the body is then abandoned. On
// Windows the frames between the fault and the guard are first unwound by
// the system (their own termination handlers run), then onFault (when not
// null) runs while the abandoned frames are still intact, so that it can
// release what they held; on Linux the exception has unwound them as a C++
// exception before onFault runs.
bool RunGuarded(void (*body)(void*), void* context, StructuredFault* fault, void (*onFault)() = nullptr);
// Raises a structured exception with that code, no flags and no arguments.
[[noreturn]] void RaiseStructured(uint32_t code);

}  // namespace dravenhol::platform

// The exception class by which the host's thread delivers structured
// exceptions on Linux; the replacement host throws it, the module catches it.
struct SE_Exception {
  uint32_t code;
  void* information;
};
