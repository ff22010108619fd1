// The module's entry points: handshake, activation and the two optional exports.
#pragma once

#include <cstdint>

#include "host/host_types.h"

namespace dravenhol {

int32_t PluginHandshake(HostCallback callback, char* description);
int32_t PluginActivate(int32_t value);
int32_t OptionalExport30009();
int32_t OptionalExport30010(int32_t value);

}  // namespace dravenhol
