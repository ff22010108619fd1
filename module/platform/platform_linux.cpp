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

TruncateResult TruncateFile(const char* path) {
  const int fd = open(LinuxPath(path).c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? TruncateResult::kNoFile : TruncateResult::kFailed;
  close(fd);
  return TruncateResult::kTruncated;
}

int64_t FileSize(const char* path) {
  struct stat status;
  if (stat(LinuxPath(path).c_str(), &status) != 0) return -1;
  return static_cast<int64_t>(status.st_size);
}

// The file system takes names in UTF-8, which has every character.
int FileSystemLength(const char16_t* text, int length) {
  int bytes = 0;
  for (int i = 0; i < length; ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      bytes += 4;
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      return -1;  // a lone surrogate is no character
    } else {
      bytes += c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
    }
  }
  return bytes;
}

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

}  // namespace dravenhol::platform
