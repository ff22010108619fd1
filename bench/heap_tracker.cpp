#include "heap_tracker.h"

#include <link.h>
#include <sys/mman.h>
#include <unwind.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define BENCH_HEAP_TRACKER 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BENCH_HEAP_TRACKER 0
#endif
#endif
#ifndef BENCH_HEAP_TRACKER
#define BENCH_HEAP_TRACKER 1
#endif

#if BENCH_HEAP_TRACKER

// glibc's own allocator, under the names it keeps for replacements to call.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void __libc_free(void* block);
}

namespace bench {

namespace {

// The code of one image loaded before the module.
struct CodeRange {
  uintptr_t begin;
  uintptr_t end;
  bool runtime;  // the C or C++ runtime: its callers decide
};

enum class Caller { kModule, kOther, kRuntime };

constexpr int kMaxRanges = 64;
CodeRange g_ranges[kMaxRanges];
int g_rangeCount = 0;
bool g_started = false;
bool g_tracking = false;
bool g_classifying = false;  // allocations made while a caller is sought are not the module's

// The module's blocks: open addressing by address with linear probing, in
// memory from mmap so that keeping a block allocates nothing.
struct Kept {
  uintptr_t block;  // 0: free slot
  std::size_t size;
};
Kept* g_slots = nullptr;
std::size_t g_capacity = 0;  // a power of two
int g_shift = 64;
std::size_t g_count = 0;
std::size_t g_bytes = 0;
std::size_t g_peak = 0;

bool IsRuntime(const char* name) {
  for (const char* library : {"/libc.so", "/libstdc++.so", "/libgcc_s.so", "/libm.so", "/ld-linux", "linux-vdso"})
    if (std::strstr(name, library) != nullptr) return true;
  return false;
}

int AddImage(dl_phdr_info* info, std::size_t, void*) {
  const char* name = info->dlpi_name != nullptr ? info->dlpi_name : "";
  for (int i = 0; i < info->dlpi_phnum && g_rangeCount < kMaxRanges; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD || (segment.p_flags & PF_X) == 0) continue;
    const uintptr_t begin = info->dlpi_addr + segment.p_vaddr;
    g_ranges[g_rangeCount++] = CodeRange{begin, begin + segment.p_memsz, IsRuntime(name)};
  }
  return 0;
}

Caller KindOf(uintptr_t address) {
  for (int i = 0; i < g_rangeCount; ++i)
    if (address >= g_ranges[i].begin && address < g_ranges[i].end)
      return g_ranges[i].runtime ? Caller::kRuntime : Caller::kOther;
  return Caller::kModule;
}

struct StackSearch {
  bool inRuntime = false;
  int frames = 0;
  Caller found = Caller::kOther;
};

// Frames from the innermost: this tracker's own (in the program), then the
// runtime's, then the first frame outside the runtime, which decides.
_Unwind_Reason_Code Step(_Unwind_Context* context, void* data) {
  auto* search = static_cast<StackSearch*>(data);
  if (++search->frames > 48) return _URC_END_OF_STACK;
  const Caller kind = KindOf(static_cast<uintptr_t>(_Unwind_GetIP(context)));
  if (kind == Caller::kRuntime) {
    search->inRuntime = true;
    return _URC_NO_REASON;
  }
  if (!search->inRuntime) return _URC_NO_REASON;
  search->found = kind;
  return _URC_END_OF_STACK;
}

bool ModuleCalled(void* caller) {
  const Caller kind = KindOf(reinterpret_cast<uintptr_t>(caller));
  if (kind != Caller::kRuntime) return kind == Caller::kModule;
  g_classifying = true;
  StackSearch search;
  _Unwind_Backtrace(&Step, &search);
  g_classifying = false;
  return search.found == Caller::kModule;
}

std::size_t Home(uintptr_t block) { return static_cast<std::size_t>((block * 0x9E3779B97F4A7C15ull) >> g_shift); }

std::size_t Mask() { return g_capacity - 1; }

void PutSlot(uintptr_t block, std::size_t size) {
  std::size_t i = Home(block);
  while (g_slots[i].block != 0) i = (i + 1) & Mask();
  g_slots[i] = Kept{block, size};
}

bool Grow() {
  const std::size_t capacity = std::max<std::size_t>(g_capacity * 2, std::size_t{1} << 16);
  void* memory = mmap(nullptr, capacity * sizeof(Kept), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return false;
  Kept* old = g_slots;
  const std::size_t oldCapacity = g_capacity;
  g_slots = static_cast<Kept*>(memory);
  g_capacity = capacity;
  g_shift = 64 - __builtin_ctzll(capacity);
  for (std::size_t i = 0; i < oldCapacity; ++i)
    if (old[i].block != 0) PutSlot(old[i].block, old[i].size);
  if (old != nullptr) munmap(old, oldCapacity * sizeof(Kept));
  return true;
}

void Keep(void* block, std::size_t size) {
  if ((g_count + 1) * 2 > g_capacity && !Grow()) return;
  PutSlot(reinterpret_cast<uintptr_t>(block), size);
  ++g_count;
  g_bytes += size;
  g_peak = std::max(g_peak, g_bytes);
}

// Takes a kept block out (backward-shift deletion keeps the probe chains
// whole); false when the block is not the module's.
bool Forget(void* block) {
  if (g_count == 0 || block == nullptr) return false;
  const auto key = reinterpret_cast<uintptr_t>(block);
  std::size_t i = Home(key);
  while (g_slots[i].block != key) {
    if (g_slots[i].block == 0) return false;
    i = (i + 1) & Mask();
  }
  g_bytes -= g_slots[i].size;
  --g_count;
  for (std::size_t j = (i + 1) & Mask(); g_slots[j].block != 0; j = (j + 1) & Mask()) {
    const std::size_t home = Home(g_slots[j].block);
    // The entry at j may move to i when its home does not lie in (i, j].
    const bool stays = i <= j ? (home > i && home <= j) : (home > i || home <= j);
    if (stays) continue;
    g_slots[i] = g_slots[j];
    i = j;
  }
  g_slots[i] = Kept{0, 0};
  return true;
}

void Note(void* block, std::size_t size, void* caller) {
  if (block == nullptr || !g_tracking || g_classifying) return;
  if (ModuleCalled(caller)) Keep(block, size);
}

void* NewBlock(std::size_t size, void* caller) {
  void* block = __libc_malloc(size != 0 ? size : 1);
  Note(block, size, caller);
  return block;
}

}  // namespace

bool StartHeapTracker() {
  g_rangeCount = 0;
  dl_iterate_phdr(&AddImage, nullptr);
  // The unwinder sets itself up on first use, before anything is tracked.
  StackSearch search;
  _Unwind_Backtrace(&Step, &search);
  g_started = true;
  return true;
}

bool HeapTrackerActive() { return g_started; }

void TrackModuleHeap(bool on) { g_tracking = on && g_started; }

std::size_t ModuleHeapBytes() { return g_bytes; }

std::size_t ModuleHeapPeak() { return g_peak; }

void ResetModuleHeapPeak() { g_peak = g_bytes; }

std::size_t HeapTrackerTableBytes() { return g_capacity * sizeof(Kept); }

}  // namespace bench

// The replacements: the program's definitions come first in the process's
// symbol look-up, so QELMAR, the runtimes and the loaded module all reach them.
#define BENCH_REPLACEMENT __attribute__((visibility("default")))

extern "C" BENCH_REPLACEMENT void* malloc(std::size_t size) noexcept {
  void* block = __libc_malloc(size);
  bench::Note(block, size, __builtin_return_address(0));
  return block;
}

extern "C" BENCH_REPLACEMENT void* calloc(std::size_t count, std::size_t size) noexcept {
  void* block = __libc_calloc(count, size);
  bench::Note(block, count * size, __builtin_return_address(0));
  return block;
}

extern "C" BENCH_REPLACEMENT void* realloc(void* block, std::size_t size) noexcept {
  void* caller = __builtin_return_address(0);
  void* moved = __libc_realloc(block, size);
  if (moved == nullptr && size != 0) return nullptr;  // the old block stays as it was
  const bool module = bench::Forget(block);
  if (module && moved != nullptr)
    bench::Keep(moved, size);
  else
    bench::Note(moved, size, caller);
  return moved;
}

extern "C" BENCH_REPLACEMENT void free(void* block) noexcept {
  bench::Forget(block);
  __libc_free(block);
}

BENCH_REPLACEMENT void* operator new(std::size_t size) {
  void* block = bench::NewBlock(size, __builtin_return_address(0));
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

BENCH_REPLACEMENT void* operator new[](std::size_t size) {
  void* block = bench::NewBlock(size, __builtin_return_address(0));
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

BENCH_REPLACEMENT void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return bench::NewBlock(size, __builtin_return_address(0));
}

BENCH_REPLACEMENT void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return bench::NewBlock(size, __builtin_return_address(0));
}

BENCH_REPLACEMENT void operator delete(void* block) noexcept { free(block); }
BENCH_REPLACEMENT void operator delete[](void* block) noexcept { free(block); }
BENCH_REPLACEMENT void operator delete(void* block, std::size_t) noexcept { free(block); }
BENCH_REPLACEMENT void operator delete[](void* block, std::size_t) noexcept { free(block); }
BENCH_REPLACEMENT void operator delete(void* block, const std::nothrow_t&) noexcept { free(block); }
BENCH_REPLACEMENT void operator delete[](void* block, const std::nothrow_t&) noexcept { free(block); }

#else  // under AddressSanitizer: nothing is replaced, nothing is measured

namespace bench {
bool StartHeapTracker() { return false; }
bool HeapTrackerActive() { return false; }
void TrackModuleHeap(bool) {}
std::size_t ModuleHeapBytes() { return 0; }
std::size_t ModuleHeapPeak() { return 0; }
void ResetModuleHeapPeak() {}
std::size_t HeapTrackerTableBytes() { return 0; }
}  // namespace bench

#endif
