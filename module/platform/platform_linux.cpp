#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/ordinal_exports_linux.h"
#include "platform/platform.h"

namespace dravenhol::platform {

ModuleHandle FindLoadedModule(const char* name) {
  const std::string soname = std::string(name) + ".so";
  void* handle = dlopen(soname.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle);  // keep the reference count as it was
  return handle;
}

uint32_t ModuleFileName(ModuleHandle module, char* path, uint32_t size) {
  if (size == 0) return 0;
  path[0] = '\0';
  link_map* map = nullptr;
  if (module == nullptr || dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return 0;
  std::snprintf(path, size, "%s", map->l_name);
  return static_cast<uint32_t>(std::strlen(path));
}

void* ExportByNumber(ModuleHandle module, uint16_t number) {
  void* handle = module != nullptr ? module : dlopen(nullptr, RTLD_LAZY);
  const OrdinalExport* entry = ExportDirectory(handle);
  for (; entry != nullptr && entry->number != 0; ++entry)
    if (entry->number == number) return entry->address;
  return nullptr;
}

bool DebuggerPresent() {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return false;
  char line[256];
  bool traced = false;
  while (std::fgets(line, sizeof line, status) != nullptr)
    if (std::strncmp(line, "TracerPid:", 10) == 0) traced = std::atoi(line + 10) != 0;
  std::fclose(status);
  return traced;
}

void DebugOutput(const char* text) { std::fputs(text, stderr); }

namespace {
std::string LinuxPath(const char* path) {
  std::string mapped(path);
  for (char& c : mapped)
    if (c == '\\') c = '/';
  return mapped;
}
}  // namespace

int MakeDirectory(const char* path) { return mkdir(LinuxPath(path).c_str(), 0777); }

bool RemoveFile(const char* path) { return unlink(LinuxPath(path).c_str()) == 0; }

LockResult LockFile(const char* path, FileLock* lock) {
  const int fd = open(LinuxPath(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return LockResult::kUnavailable;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool busy = errno == EWOULDBLOCK;
    close(fd);
    return busy ? LockResult::kBusy : LockResult::kUnavailable;
  }
  lock->handle = fd;
  return LockResult::kLocked;
}

void UnlockFile(FileLock* lock) {
  if (lock->handle < 0) return;
  close(static_cast<int>(lock->handle));  // releases the lock
  lock->handle = -1;
}

bool RewriteLockedFile(FileLock* lock, const char* data, std::size_t size) {
  if (lock->handle < 0) return false;
  const int fd = static_cast<int>(lock->handle);
  if (ftruncate(fd, 0) != 0) return false;
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool RunGuarded(void (*body)(void*), void* context, StructuredFault* fault, void (*onFault)()) {
  try {
    body(context);
    return true;
  } catch (const SE_Exception& e) {
    fault->code = e.code;
    fault->information = e.information;
  }
  if (onFault != nullptr) onFault();
  return false;
}

void RaiseStructured(uint32_t code) { throw SE_Exception{code, nullptr}; }

}  // namespace dravenhol::platform
