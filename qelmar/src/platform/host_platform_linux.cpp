#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "functions/host_entry.h"
#include "platform/host_platform.h"
#include "session/host_state.h"
#include "text/text_codec.h"

// The export directory that cmake/ordinals.cmake generates from qelmar.def.
extern "C" struct {
  uint64_t number;
  void* address;
} ordinal_exports[];

namespace qelmar {

int32_t FileSystemCodePage() { return kCodeUtf8; }

std::string FileSystemPath(const std::string& hostPath) {
  std::string path = hostPath;
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

namespace {

struct TextStream {
  std::FILE* file;  // the file below
};

// Writes LF as CR LF. Reports the bytes of the caller's buffer consumed.
ssize_t WriteText(void* cookie, const char* data, size_t size) {
  auto* stream = static_cast<TextStream*>(cookie);
  const char* start = data;
  const char* const end = data + size;
  while (const void* found = std::memchr(start, '\n', static_cast<std::size_t>(end - start))) {
    const auto* line = static_cast<const char*>(found);
    const auto n = static_cast<std::size_t>(line - start);
    if (std::fwrite(start, 1, n, stream->file) != n) return -1;
    if (std::fwrite("\r\n", 1, 2, stream->file) != 2) return -1;
    start = line + 1;
  }
  const auto rest = static_cast<std::size_t>(end - start);
  if (std::fwrite(start, 1, rest, stream->file) != rest) return -1;
  return static_cast<ssize_t>(size);
}

int CloseText(void* cookie) {
  auto* stream = static_cast<TextStream*>(cookie);
  const int result = std::fclose(stream->file);
  delete stream;
  return result;
}

std::string PlainMode(const char* mode) {
  std::string plain;
  for (const char* p = mode; *p != '\0'; ++p)
    if (*p != 't') plain += *p;
  return plain;
}

// Linux shares every file; the share flag has nothing to say.
std::FILE* OpenShared(const char* path, const char* mode, int /*share*/) {
  const std::string plain = PlainMode(mode);
  const bool textWrite = plain.find('b') == std::string::npos &&
                         (plain.find('w') != std::string::npos || plain.find('a') != std::string::npos);
  std::FILE* file = std::fopen(path, textWrite ? (plain + "b").c_str() : plain.c_str());
  if (file == nullptr || !textWrite) return file;
  auto* cookie = new TextStream{file};
  std::FILE* stream = fopencookie(cookie, "w", cookie_io_functions_t{nullptr, WriteText, nullptr, CloseText});
  if (stream == nullptr) {
    std::fclose(file);
    delete cookie;
    return nullptr;
  }
  // Lines reach the file below in large blocks, as a Windows text stream's
  // would, not a few kilobytes at a time.
  std::setvbuf(stream, nullptr, _IOFBF, std::size_t{1} << 16);
  std::setvbuf(file, nullptr, _IOFBF, std::size_t{1} << 16);
  return stream;
}

// Plain fopen; reading has no line ends to change.
std::FILE* Open(const char* path, const char* mode) { return std::fopen(path, PlainMode(mode).c_str()); }

// The C library's own functions, each through a function of this file, as
// the standard leaves their addresses unspecified.
constexpr StreamRuntime kLibc = {
    "libc",
    &OpenShared,
    &Open,
    [](const void* data, std::size_t size, std::size_t count, std::FILE* stream) {
      return std::fwrite(data, size, count, stream);
    },
    [](int c, std::FILE* stream) { return std::fputc(c, stream); },
    [](char* line, int size, std::FILE* stream) { return std::fgets(line, size, stream); },
    [](std::FILE* stream) { return std::fflush(stream); },
    [](std::FILE* stream) { return std::fclose(stream); },
    [](std::FILE* stream, const char* format, va_list arguments) { return std::vfprintf(stream, format, arguments); },
    nullptr,
};

}  // namespace

const StreamRuntime* LoadStreamRuntime(const std::string& name, std::string& error) {
  for (const char* known : kStreamRuntimes)
    if (name == known) return &kLibc;
  error = "no C runtime \"" + name + "\"";
  return nullptr;
}

int StreamPrint(const StreamRuntime& runtime, std::FILE* stream, const char* format, va_list arguments) {
  return runtime.vfprintf(stream, format, arguments);
}

void SetMissingExports(const uint16_t* numbers, std::size_t count) {
  for (auto* entry = ordinal_exports; entry->number != 0; ++entry) {
    const int slot = HostSlotByNumber(static_cast<int64_t>(entry->number));
    if (slot >= 0) entry->address = HostEntryAddress(slot);
    for (std::size_t i = 0; i < count; ++i)
      if (entry->number == numbers[i]) entry->address = nullptr;
  }
}

FileMapping::~FileMapping() {
  if (file_ >= 0) close(static_cast<int>(file_));
}

bool FileMapping::Open(const std::string& path, std::string& error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat status {};
  if (fd < 0 || fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    error = "cannot read " + path;
    if (fd >= 0) close(fd);
    return false;
  }
  file_ = fd;
  size_ = static_cast<uint64_t>(status.st_size);
  return true;
}

std::size_t FileMapping::Granularity() { return static_cast<std::size_t>(sysconf(_SC_PAGESIZE)); }

const unsigned char* FileMapping::MapView(uint64_t offset, std::size_t length) const {
  void* view = mmap(nullptr, length, PROT_READ, MAP_SHARED, static_cast<int>(file_), static_cast<off_t>(offset));
  return view == MAP_FAILED ? nullptr : static_cast<const unsigned char*>(view);
}

void FileMapping::UnmapView(const unsigned char* view, std::size_t length) {
  munmap(const_cast<unsigned char*>(view), length);
}

}  // namespace qelmar
