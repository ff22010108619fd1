// What the running export is doing, for a progress display: output files
// opened, lines written, files closed, and the scan steps of the discount
// pass. Nothing is recorded while no sink is set.
#pragma once

#include <cstdint>

namespace qelmar {

void ProgressOpened(void* stream, const char* path);
void ProgressLine(void* stream);
void ProgressClosed(void* stream);
void ProgressScan(int32_t record, int32_t count);

}  // namespace qelmar
