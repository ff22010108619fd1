// The output layer: paths under the host's base directory, directories,
// opening and closing output files, and the line writer SaveInUtf.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "host/host_types.h"

namespace dravenhol {

// The longest path the module builds, without its terminator.
inline constexpr int kMaxPath = 259;

// Builds the path of a file under the host's base directory into path
// (at least kMaxPath + 1 bytes), in the host's code page. Returns false when
// the result would not fit.
bool BaseDirectoryPath(const char* relativeName, char* path, int pathSize);

// Creates the directories on a (Windows code page) path and opens the file for
// writing, replacing its content. Returns the stream or null.
HostStream* CreatePathAndOpen(const char* path);

// Opens BAZA\<name> under the base directory into holder. Returns false when
// the file could not be opened (the caller shows the message).
bool OpenOutputFile(HostHolder* holder, const char* relativeName);

// A structured exception inside the line writer, after it was reported to the
// host: it unwinds the run and leaves the command as that structured exception.
struct LineWriterFault {
  uint32_t code;
};

// Converts a Mazovia line to UTF-8 and writes it with its line end. Returns
// false when the line did not reach the stream; throws LineWriterFault when a
// structured exception interrupted the write.
bool SaveInUtf(const char* text, HostStream* stream, int32_t capacity);

// Closes the stream a holder holds, if any, and empties the holder. Returns
// false when the close reported an error (data did not reach the disk).
bool CloseFileHolder(HostHolder* holder);

// HostMessageBoxFormat with no owner.
void ShowFormattedMessage(const char* title, const char* format, int32_t style, ...);

// HostIniAccess: operation 8 reads a key, 9 writes it. Returns the host's status.
int16_t AccessSettings(const char* file, int32_t operation, const char* section, const char* key,
                       const char* format, ...);

// Initialises holder with HostFileOpen(path, mode) and no release function.
HostHolder* OpenTextFile(HostHolder* holder, const char* path, const char* mode);

// Initialises holder with HostOpenItemFile(index, key, auxiliary, count) and
// HostReleaseItemFile as its release function.
HostHolder* OpenItemFileHolder(HostHolder* holder, int32_t index, void* key, void* auxiliary,
                               int32_t* count);

}  // namespace dravenhol
