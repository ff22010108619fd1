// The module's entry points: handshake, activation and the two optional exports.
#pragma once

#include <cstdint>

#include "host/host_types.h"

namespace dravenhol {

// The handler that the host runs when the user picks the module's command.
int32_t HOST_CDECL_ATTR ExportCommand();
// Handed to the host by the activation.
extern const CommandRecord kCommandRecord;

int32_t PluginHandshake(HostCallback callback, char* description);
int32_t PluginActivate(int32_t value);
int32_t OptionalExport30009();
int32_t OptionalExport30010(int32_t value);

}  // namespace dravenhol
