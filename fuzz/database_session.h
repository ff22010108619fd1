// Whole sessions of the real module over one random database, through the
// replacement host's C API, with the invariants checked.
#pragma once

#include <filesystem>

#include "database_generator.h"

namespace dravenhol::fuzz {

// Generates a database from source and runs a clean session over it in base
// (emptied first): the session ends normally, every host object is given
// back, no file is named incomplete and every line fits its capacity. When
// the source chooses write failures, runs the database again with them: the
// same checks, and every file the failures changed is named. Aborts on a
// violation. Returns true when the clean run wrote the last table.
bool RunCheckedSessions(Source& source, const std::filesystem::path& base);

// Keeps the module mapped for the rest of the process, so that its coverage
// counters stay valid between sessions (libFuzzer reads them after each run).
void KeepModuleLoaded();

}  // namespace dravenhol::fuzz
