// The module's own heap, measured exactly: this program replaces malloc,
// calloc, realloc, free and the plain operator new and delete of the whole
// process (glibc allows it; they pass every call on to glibc's allocator),
// and while tracking is on it keeps the blocks that the module's code asked
// for, with their sizes, so that the bytes the module holds are known at
// every moment.
//
// Whose block it is: the caller's code decides. Code in an image that was
// loaded with this program (the program, QELMAR, the C and C++ runtimes) is
// not the module's; the module is the only image loaded after the start, so
// a caller outside those images is the module. When the caller is a runtime
// library (std::string's growth, fopen, ...), the call stack is walked up to
// the first frame outside the runtimes, and that frame decides. A block keeps
// its owner until it is freed; realloc keeps it with the new block. A
// function that jumps to an allocator as its last act (a tail call) is not on
// the stack, and its caller decides: the module has no such jump.
//
// Not counted here: HostAlloc blocks (the host counts them, alloc.peakBytes),
// the module's stack and its static data. Under AddressSanitizer, whose own
// allocator must stay in place, nothing is replaced and Active() is false.
// Single-threaded, as the export is.
#pragma once

#include <cstddef>

namespace bench {

// Records the images loaded so far (call it before the module is loaded) and
// says whether the allocator replacement is in place.
bool StartHeapTracker();
bool HeapTrackerActive();

// While on, blocks that the module's code allocates are kept.
void TrackModuleHeap(bool on);

// Bytes the module holds now, and the most it held at one time since the
// last ResetModuleHeapPeak.
std::size_t ModuleHeapBytes();
std::size_t ModuleHeapPeak();
void ResetModuleHeapPeak();

// Memory of the tracker's own table (resident, not the module's).
std::size_t HeapTrackerTableBytes();

}  // namespace bench
