// The replacement host's share of an export: the walk that the module makes
// through the host for each output file (cursors over the same indexes, the
// item files of each document, one settlement walk per contractor, the
// attribute, group and payment-method look-ups, the discount file read, the
// warehouses and their goods), in the module's order and with the module's
// filters, but with no line built or written. What an export takes beyond
// this walk is the module's own work.
//
// The walk calls the host functions through the module's own typed calls
// and host objects (linked into this program) over its host function table,
// bound to the loaded QELMAR by number as the module binds it; the host
// counts these calls as it counts the module's.
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
