// What the replacement host does differently on Linux and on Windows: the
// file system's code page and paths, the C runtime of its streams, and its
// own export table. Everything else in the host is the same code on both.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "probe.h"

namespace qelmar {

// A host path (backslash-separated, in host code 3) as the file system takes it.
std::string FileSystemPath(const std::string& hostPath);

// Streams of the host's C runtime. A host built with a later compiler than
// the module's links its own C runtime, and a stream it hands out may be
// touched only by that runtime's functions: every file function of the host
// goes through one of these tables. Windows: msvcrt.dll, msvcr100.dll or
// ucrtbase.dll, loaded by name and taken by GetProcAddress (none of them the
// module's, which is the one it links); Linux: the C library's, whatever the
// name, as there is one runtime. The stream type is only a tag: a ucrtbase
// stream is opaque, and nothing outside its runtime looks inside.
struct StreamRuntime {
  const char* name;
  // Opens with the share flag of _fsopen; a "t" in the mode is the Windows
  // text mode, which writes every LF as CR LF (emulated on Linux).
  std::FILE* (*fsopen)(const char* path, const char* mode, int share);
  std::FILE* (*fopen)(const char* path, const char* mode);
  std::size_t (*fwrite)(const void* data, std::size_t size, std::size_t count, std::FILE* stream);
  int (*fputc)(int c, std::FILE* stream);
  char* (*fgets)(char* line, int size, std::FILE* stream);
  int (*fflush)(std::FILE* stream);
  int (*fclose)(std::FILE* stream);
  // Formatted writing: vfprintf, or where the runtime exports none
  // (ucrtbase), the function its headers' inline vfprintf calls, with
  // options 0 (the classic behaviour) and the current locale (null).
  int (*vfprintf)(std::FILE* stream, const char* format, va_list arguments);
  int (*commonVfprintf)(uint64_t options, std::FILE* stream, const char* format, void* locale, va_list arguments);
};

// The names a host setting may give, the default first.
inline constexpr const char* kStreamRuntimes[] = {"ucrtbase", "msvcr100", "msvcrt"};
// The runtime of that name, loaded once and kept for the process; null, with
// the reason, when the name is unknown or the runtime or one of its functions
// is missing.
const StreamRuntime* LoadStreamRuntime(const std::string& name, std::string& error);
// Formatted writing through whichever of the two the runtime has.
int StreamPrint(const StreamRuntime& runtime, std::FILE* stream, const char* format, va_list arguments);
// _fsopen's share flag that lets others read and write the file (_SH_DENYNO).
inline constexpr int kShareDenyNone = 0x40;

// A file opened for reading through mapped views of it.
class FileMapping {
 public:
  FileMapping() = default;
  ~FileMapping();
  FileMapping(const FileMapping&) = delete;
  FileMapping& operator=(const FileMapping&) = delete;

  // false, with the reason, when the file cannot be opened or mapped.
  bool Open(const std::string& path, std::string& error);
  uint64_t size() const { return size_; }
  // Offsets of a view must be multiples of this.
  static std::size_t Granularity();
  // Maps length bytes from offset (a multiple of Granularity()); null on failure.
  const unsigned char* MapView(uint64_t offset, std::size_t length) const;
  static void UnmapView(const unsigned char* view, std::size_t length);

 private:
  intptr_t file_ = -1;
  intptr_t mapping_ = 0;
  uint64_t size_ = 0;
};

// The host's exceptions (probe.h). Windows: Microsoft's C++ ABI and
// structured exceptions, through the probe; Linux: C++ exceptions of the same
// classes (SE_Exception, HostError, and StructuredException standing for a
// bare structured exception).
//
// Raises an exception of that form and leaves in *raised what was raised.
// Returns only when a handler continues a structured exception.
void RaiseHostException(uint32_t form, uint32_t code, uintptr_t information, ProbeException* raised);
// Runs the command handler inside the host's frame and leaves in *arrived
// what reached the frame. False when the frame cannot be built (Windows: the
// probe is missing).
bool RunCommandFrame(ProbeCommand command, bool resume, ProbeException* arrived);
// Exception objects of the host's classes not yet destroyed.
int32_t LiveHostExceptions();
// Whether a report's information gives the record of that structured
// exception (its code, flags and parameters).
bool InformationRecords(const void* information, const ProbeException& raised);
// Asks the C++ runtime of the host's compiler about the plug-in object:
// typeid's name and ProbeDialogType's answers. False where the host does not
// ask (Linux: its own ABI is the module's).
bool AskDialogType(void* object, std::string* name, int32_t* answers);

// Puts every host function back into this library's export table, then
// withdraws the given numbers, so that a module loaded next finds exactly the
// functions a host with those gaps would have.
void SetMissingExports(const uint16_t* numbers, std::size_t count);

}  // namespace qelmar
