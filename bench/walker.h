// The walk of an export without its lines: the module's own run (its
// passes, cursors, filters, row writers, item and discount exporters and
// caches, in the order of the table of output files) with its output pair
// discarding, so that no file is opened, no line converted or written and
// no message shown. What an export takes beyond this walk is the writing of
// its lines.
//
// The run calls the host functions through the module's own typed calls
// (linked into this program) over its host function table, bound to the
// loaded QELMAR by number as the module binds it; the host counts these
// calls as it counts the module's.
#pragma once

#include <cstdint>
#include <vector>

namespace bench {

// Binds the host function table to the loaded QELMAR. Call once.
void BindHostFunctions();

// Walks the loaded database as an export under `method` (0 Universal, 1
// Interkam) does. Gives the seconds of each pass, in the order of the
// passes of the table of output files.
std::vector<double> WalkExport(int16_t method);

}  // namespace bench
