// The output layer: paths under the host's base directory, directories,
// opening, writing and closing output files, the line writer SaveInUtf, and
// the thin helpers around host messages, settings and input files.
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

// The directory under the base directory that receives the output files.
inline constexpr const char* kOutputDirectory = "BAZA";
// Room for "BAZA\\" and a file name.
inline constexpr int kRelativeNameSize = 64;

// "BAZA\\<name>": the name by which messages show an output file.
void RelativeOutputName(const char* name, char (&relativeName)[kRelativeNameSize]);

// What a run knows about one open output file besides its stream.
struct OutputFileState {
  const char* name;  // "faktury.csv"; null while no file is open
  int32_t capacity;  // the longest line the file takes
  bool incomplete;   // a line or the close did not reach the disk
};

// Opens BAZA\<name> under the base directory into holder and starts its
// state. Returns false, with the holder empty, when the file could not be
// opened (the caller shows the message).
bool OpenOutputFile(HostHolder* holder, OutputFileState* state, const char* name, int32_t capacity);

// Writes one line (SaveInUtf) to the file a holder holds, if any; a line that
// did not reach the stream marks the file incomplete.
void WriteOutputLine(HostHolder* holder, OutputFileState* state, const char* line, int32_t capacity);

// Closes the file a holder holds, if any, and names it to the user when it
// did not reach the disk whole. The state is cleared either way.
void CloseOutputFile(HostHolder* holder, OutputFileState* state);

// "Uwaga": the file BAZA\<name> could not be opened.
void ShowOpenFailure(const char* name);

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
