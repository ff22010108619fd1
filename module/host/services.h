// The thin helpers around host services that every layer above uses:
// messages, settings, and input and item files opened through short-lived
// holders.
#pragma once

#include <cstdint>

#include "host/host_api.h"
#include "host/host_objects.h"
#include "host/host_types.h"

namespace dravenhol {

// HostMessageBoxFormat with no owner: the host formats the message from the
// format and its arguments (texts, integers).
template <class... Arguments>
void ShowFormattedMessage(const char* title, const char* format, int32_t style, Arguments... arguments) {
  host::HostMessageBoxFormat(static_cast<void*>(nullptr), title, format, style, arguments...);
}

// HostIniAccess: operation 8 reads a key, 9 writes it. Returns the host's status.
int16_t AccessSettings(const char* file, int32_t operation, const char* section, const char* key, const char* format,
                       ...);

// Opens an input file with HostFileOpen(path, mode) into `input`, through a
// short-lived holder with no release function. Close it with CloseHostStream.
void OpenInputFile(StreamScope* input, const char* path, const char* mode);
// Closes a stream the host opened, through the host (HostFileClose).
void CloseHostStream(HostStream* stream);

// Opens an item file with HostOpenItemFile(index, key, auxiliary, count) into
// `file`, through a short-lived holder whose release function is
// HostReleaseItemFile.
void OpenItemFile(ItemFileScope* file, int32_t index, void* key, void* auxiliary, int32_t* count);

}  // namespace dravenhol
