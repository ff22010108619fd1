// What the replacement host does differently on Linux and on Windows: the
// file system's code page and paths, text-mode streams, and its own export
// table. Everything else in the host is the same code on both.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "probe.h"

namespace qelmar {

// A host path (backslash-separated, in host code 3) as the file system takes it.
std::string FileSystemPath(const std::string& hostPath);

// Opens a stream for the host's shared open. Text-mode writing ("w"/"a"
// without "b") writes every LF as CR LF, as the Windows C runtime does.
std::FILE* OpenSharedStream(const std::string& path, const char* mode);
// Whether the host's own code closes the streams the module closes (Linux:
// the text-mode stream's close function). Where it does not (Windows: the
// module's fclose), the host takes HostHolderApply on an output stream's
// holder as the stream's close.
bool HostSeesStreamClose();
// Sets the stream's error indicator, as a write that failed would.
void MarkWriteError(std::FILE* stream);

// A stream the host opened is being closed, wherever the host sees it: counted
// once; true when it is an output stream whose close an injected failure
// (closeOutput) makes fail.
bool StreamClosing(void* stream);
// Plain fopen; a "t" in the mode is the Windows text mode.
std::FILE* OpenStream(const std::string& path, const char* mode);

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
