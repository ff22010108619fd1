// One session with the module, played the way the host program plays it.
#pragma once

#include "qelmar/qelmar.h"

namespace qelmar {

int RunSession(const char* modulePath, QelmarSession& session);

// Finds the ModuleStamp in a loaded module's writable data, writes the
// configured featureWord and remembers the stamp. False when there is none.
bool AttachModule(void* module);
bool CallStampEntry(int32_t argument, int32_t& result);

// Writes (or removes) the fixture's files in the base directory.
void WriteBaseFiles();

}  // namespace qelmar
