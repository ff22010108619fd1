#include "host/host_api.h"

#include "platform/format.h"
#include "platform/platform.h"

namespace dravenhol::host {

void NoteMissingFunction(uint16_t number) {
  if (!platform::DebuggerPresent()) return;
  char line[1024];
  FormatBounded(line, sizeof line, "Brak funkcji o numerze %d\n", static_cast<int>(number));
  platform::DebugOutput(line);
}

// A call that was not made names its function as the failed look-up did.
void NoteBlockedCall(int slot) { NoteMissingFunction(kHostFunctions[slot].number); }

}  // namespace dravenhol::host
