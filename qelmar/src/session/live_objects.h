// What the module holds of the host at a moment: cursors, memory blocks,
// item files, streams, the scratch buffer, guards and the last exception
// raised. The counts of what is left are the leak checks of every test.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "probe.h"

namespace qelmar {

// The last exception a host function raised, and whether it was raised
// inside the module's line writer (its SaveInUtf guard entered).
struct RaisedException {
  bool any = false;
  bool inLineWriter = false;
  ProbeException facts{};
};

struct ItemFile;
struct StreamRuntime;

// An output stream: its file (a file system path), and what its close does
// besides closing.
struct OutputStream {
  std::string path;
  bool closeFails = false;  // closeOutput names it: the close loses the last line
  bool cut = false;         // cutFiles names it: cut to half its size, then closed normally
};

// One freed memory block kept for the next request of its size: the module
// takes and gives back a conversion buffer of one size for every line it
// writes. Under AddressSanitizer every block is really freed, so that a use
// after free is still seen.
class SpareBlock {
 public:
  SpareBlock() = default;
  ~SpareBlock() { std::free(block_); }
  SpareBlock(const SpareBlock&) = delete;
  SpareBlock& operator=(const SpareBlock&) = delete;
  SpareBlock(SpareBlock&& other) noexcept { Swap(other); }
  SpareBlock& operator=(SpareBlock&& other) noexcept {
    SpareBlock gone;
    Swap(other);
    other.Swap(gone);
    return *this;
  }
  // The kept block when it has that size, or null.
  void* Take(std::size_t size) {
    if (block_ == nullptr || size_ != size) return nullptr;
    return std::exchange(block_, nullptr);
  }
  // Keeps a freed block when none is kept; false when the caller frees it.
  bool Keep(void* block, std::size_t size);

 private:
  void Swap(SpareBlock& other) noexcept {
    std::swap(block_, other.block_);
    std::swap(size_, other.size_);
  }
  void* block_ = nullptr;
  std::size_t size_ = 0;
};

struct LiveObjects {
  std::unordered_set<const void*> liveCursors;  // opened (or failed to open) and not closed since
  // HostAlloc blocks not yet freed, with the sizes asked for.
  std::unordered_map<void*, std::size_t> liveBlocks;
  SpareBlock spareBlock;
  std::unordered_set<ItemFile*> liveItemFiles;
  std::unordered_set<void*> liveItemArrays;
  // Streams opened here and not yet closed through HostFileClose, with the
  // runtime that opened them.
  std::unordered_map<void*, const StreamRuntime*> liveStreams;
  // The output streams (HostFileOpenShared) among them.
  std::unordered_map<void*, OutputStream> outputStreams;
  const StreamRuntime* streams = nullptr;  // the runtime that opens streams now
  std::unique_ptr<char[]> scratch;         // HostScratchBuffer's
  std::size_t scratchSize = 0;
  uint32_t garbage = 0x2545F491u;  // the state of the garbage's generator
  const void* topGuard = nullptr;
  RaisedException lastRaise;
  int64_t guardDepth = 0;
};

}  // namespace qelmar
