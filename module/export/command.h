// The menu command's run and the install notice.
#pragma once

#include <cstdint>

namespace dravenhol {

// One export as the menu command runs it: sets the host's state bit 0x8000
// for the run when it was clear and puts it back afterwards; a structured
// exception that interrupted the run leaves as the same exception once the
// run's objects are released and the bit is restored. Returns 0.
int32_t RunExportCommand();

// Tells the user once where the new command is, naming the module by its
// description; remembered in "WtyczkiG.ini".
void ShowInstallNotice(const char* description);

}  // namespace dravenhol
