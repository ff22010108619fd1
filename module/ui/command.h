// The menu command and the install notice.
#pragma once

#include <cstdint>

#include "host/host_types.h"

namespace dravenhol {

// The handler that the host runs when the user picks the module's command.
int32_t HOST_CDECL_ATTR ExportCommand();

// Tells the user once where the new command is; remembered in "WtyczkiG.ini".
void ShowInstallNotice();

// Handed to the host by the activation.
extern const CommandRecord kCommandRecord;

}  // namespace dravenhol
