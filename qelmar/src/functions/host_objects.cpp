// Host objects whose storage the module reserves (file holders, diagnostic
// guards, the dialog base), memory blocks, the exception reporter, the stamp
// target and the reserved functions.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "functions/host_entry.h"
#include "functions/host_exceptions.h"
#include "functions/host_functions.h"
#include "platform/host_platform.h"
#include "session/host_state.h"
#include "text/text_codec.h"

namespace qelmar::impl {

namespace {

constexpr uint32_t kHolderMagic = 0x444C4F48;  // "HOLD"
constexpr uint32_t kGuardMagic = 0x44524155;   // "UARD"

// Holder storage (20 bytes): value, release function, magic.
constexpr std::size_t kHolderValue = 0;
constexpr std::size_t kHolderRelease = sizeof(void*);
constexpr std::size_t kHolderMagicAt = 2 * sizeof(void*);
static_assert(kHolderMagicAt + 4 <= sizeof(HostHolder));

// Guard storage (the first words of what the module reserves): enclosing
// guard, function name, magic.
constexpr std::size_t kGuardOuter = 0;
constexpr std::size_t kGuardFunction = sizeof(void*);
constexpr std::size_t kGuardMagicAt = 2 * sizeof(void*);
static_assert(kGuardMagicAt + 4 <= sizeof(HostGuard));

template <class T>
T Load(const unsigned char* storage, std::size_t at) {
  T value;
  std::memcpy(&value, storage + at, sizeof value);
  return value;
}

template <class T>
void Store(unsigned char* storage, std::size_t at, T value) {
  std::memcpy(storage + at, &value, sizeof value);
}

void* HolderValue(HostHolder* self) { return Load<void*>(self->storage, kHolderValue); }

void* Allocate(std::size_t size, bool zeroed) {
  Host& host = TheHost();
  if (Injected(zeroed ? kInjectAllocZeroed : kInjectAlloc)) {
    Count(kAllocFailed);
    return nullptr;
  }
  void* block = zeroed ? nullptr : host.live.spareBlock.Take(size);
  if (block == nullptr) block = zeroed ? std::calloc(size != 0 ? size : 1, 1) : std::malloc(size != 0 ? size : 1);
  if (block == nullptr) return block;
  host.live.liveBlocks.emplace(block, size);
  int64_t& live = host.counts.counters[kAllocLiveBytes];
  live += static_cast<int64_t>(size);
  host.counts.counters[kAllocPeakBytes] = std::max(host.counts.counters[kAllocPeakBytes], live);
  return block;
}

// The host's report function for structured exceptions. It reads the
// information while it is called: what the host raised must still be there.
void HOST_CDECL_ATTR ReportException(const char* function, uint32_t code, void* information, const void*) {
  Count(kReportCalls);
  char number[16];
  std::snprintf(number, sizeof number, "0x%08X", code);
  Record(Line("HostExceptionReport", QuoteForTranscript(function != nullptr ? function : ""), number));
  if (!ReportDescribesRaise(TheHost(), code, information)) Record("HostExceptionReportInformationChanged");
}

int32_t HOST_CDECL_ATTR StampTarget(int32_t value) {
  Count(kStampTargetCalls);
  return value + 1;
}

int g_dialogBasePart;  // what the host's base part points at

}  // namespace

extern "C" void HOST_THIS_ATTR HostHolderInit(HostHolder* self, void* value, HostReleaseFunction release, int32_t,
                                              int32_t, int32_t) {
  Count(kHolderInit);
  std::memset(self->storage, 0, sizeof self->storage);
  Store(self->storage, kHolderValue, value);
  Store(self->storage, kHolderRelease, release);
  Store(self->storage, kHolderMagicAt, kHolderMagic);
}

// Replaces the value; the release function is never called.
extern "C" void HOST_THIS_ATTR HostHolderSet(HostHolder* self, void* value) {
  Store(self->storage, kHolderValue, value);
}

extern "C" int32_t HOST_THIS_ATTR HostHolderIsSet(HostHolder* self) { return HolderValue(self) != nullptr ? 1 : 0; }

extern "C" void* HOST_THIS_ATTR HostHolderGet(HostHolder* self) { return HolderValue(self); }

// Calls the function on the value; an empty holder calls nothing and gives -1.
extern "C" int32_t HOST_THIS_ATTR HostHolderApply(HostHolder* self, HostApplyFunction function) {
  Count(kHolderApply);
  void* value = HolderValue(self);
  int32_t result = -1;
  if (value != nullptr && function != nullptr) result = function(static_cast<HostStream*>(value));
  return HostResult(kSlotHostHolderApply, result);
}

// Never closes or releases what the holder holds: closing is explicit.
extern "C" void HOST_THIS_ATTR HostHolderDestroy(HostHolder* self) {
  Count(kHolderDestroy);
  std::memset(self->storage, 0, sizeof self->storage);
}

extern "C" void HOST_THIS_ATTR HostGuardEnter(HostGuard* self, const char* function, const void*) {
  Host& host = TheHost();
  Count(kGuardEnter);
  Store(self->storage, kGuardOuter, host.live.topGuard);
  Store(self->storage, kGuardFunction, function);
  Store(self->storage, kGuardMagicAt, kGuardMagic);
  host.live.topGuard = self;
  ++host.live.guardDepth;
}

// Guards leave in the reverse order of entering; anything else is counted.
extern "C" void HOST_THIS_ATTR HostGuardLeave(HostGuard* self) {
  Host& host = TheHost();
  Count(kGuardLeave);
  if (self != host.live.topGuard || Load<uint32_t>(self->storage, kGuardMagicAt) != kGuardMagic) {
    Count(kGuardMismatch);
    return;
  }
  host.live.topGuard = Load<const void*>(self->storage, kGuardOuter);
  Store(self->storage, kGuardMagicAt, uint32_t{0});
  --host.live.guardDepth;
}

}  // namespace qelmar::impl

namespace qelmar {

bool InsideGuardOf(const char* function) {
  const Host& host = TheHost();
  const auto* guard = static_cast<const dravenhol::HostGuard*>(host.live.topGuard);
  if (guard == nullptr) return false;
  const char* name = impl::Load<const char*>(guard->storage, impl::kGuardFunction);
  return name != nullptr && std::strcmp(name, function) == 0;
}

}  // namespace qelmar

namespace qelmar::impl {

extern "C" HostReportFunction HOST_CDECL_ATTR HostExceptionReporter() { return &ReportException; }

extern "C" void* HOST_CDECL_ATTR HostAlloc(uint32_t size) { return Allocate(size, false); }

extern "C" void* HOST_CDECL_ATTR HostAllocZeroed(uint32_t size) { return Allocate(size, true); }

// A block the host did not hand out is counted and left alone.
extern "C" void HOST_CDECL_ATTR HostFree(void* block) {
  Host& host = TheHost();
  if (block == nullptr) return;
  Count(kFreeCalls);
  const auto found = host.live.liveBlocks.find(block);
  if (found == host.live.liveBlocks.end()) {
    Count(kFreeInvalid);
    return;
  }
  const std::size_t size = found->second;
  host.counts.counters[kAllocLiveBytes] -= static_cast<int64_t>(size);
  host.live.liveBlocks.erase(found);
  if (!host.live.spareBlock.Keep(block, size)) std::free(block);
}

extern "C" void* HOST_CDECL_ATTR HostStampTarget() {
  Count(kStampResolves);
  return reinterpret_cast<void*>(&StampTarget);
}

extern "C" void HOST_THIS_ATTR HostDialogBaseConstruct(WDialogBase* self) {
  Count(kDialogConstruct);
  self->vtable = nullptr;
  self->hostPart = &g_dialogBasePart;
}

// The framework reaches the object's operations through its virtual table: in
// the module's table, slot n must lead to the base's operation n.
void CheckVirtualTable(WDialogBase* self) {
  using Operation = int32_t(HOST_THIS_ATTR*)(WDialogBase*);
  for (int32_t n = 1; n <= 34; ++n) {
    const int32_t answer = reinterpret_cast<Operation>(const_cast<void*>(self->vtable[n]))(self);
    if (answer != n) {
      Count(kDialogVirtualTableMismatch);
      Record(Line("DialogBaseVirtualTableMismatch", std::to_string(n), std::to_string(answer)));
    }
  }
}

// A host built with Microsoft's compiler asks its runtime about the object.
void CheckTypeInformation(WDialogBase* self) {
  std::string name;
  int32_t answers = 0;
  if (!AskDialogType(self, &name, &answers)) return;
  constexpr int32_t kBothCasts = 3;  // to CDravenhol: the same address; to an unrelated class: null
  if (name == "class CDravenhol" && answers == kBothCasts)
    Record(Line("DialogType", QuoteForTranscript(name)));
  else
    Record(Line("DialogTypeMismatch", QuoteForTranscript(name), std::to_string(answers)));
}

extern "C" void HOST_THIS_ATTR HostDialogBaseDestroy(WDialogBase* self) {
  Count(kDialogDestroy);
  if (self->vtable != nullptr) CheckVirtualTable(self);
  if (self->vtable != nullptr) CheckTypeInformation(self);
  self->hostPart = nullptr;
}

// The base class's virtual operations answer with their slot number.
#define QELMAR_DIALOG_SLOT(n)                                             \
  extern "C" int32_t HOST_THIS_ATTR HostDialogBaseSlot##n(WDialogBase*) { \
    Count(kDialogSlots);                                                  \
    return n;                                                             \
  }
// clang-format off
QELMAR_DIALOG_SLOT(1) QELMAR_DIALOG_SLOT(2) QELMAR_DIALOG_SLOT(3) QELMAR_DIALOG_SLOT(4) QELMAR_DIALOG_SLOT(5)
QELMAR_DIALOG_SLOT(6) QELMAR_DIALOG_SLOT(7) QELMAR_DIALOG_SLOT(8) QELMAR_DIALOG_SLOT(9) QELMAR_DIALOG_SLOT(10)
QELMAR_DIALOG_SLOT(11) QELMAR_DIALOG_SLOT(12) QELMAR_DIALOG_SLOT(13) QELMAR_DIALOG_SLOT(14) QELMAR_DIALOG_SLOT(15)
QELMAR_DIALOG_SLOT(16) QELMAR_DIALOG_SLOT(17) QELMAR_DIALOG_SLOT(18) QELMAR_DIALOG_SLOT(19) QELMAR_DIALOG_SLOT(20)
QELMAR_DIALOG_SLOT(21) QELMAR_DIALOG_SLOT(22) QELMAR_DIALOG_SLOT(23) QELMAR_DIALOG_SLOT(24) QELMAR_DIALOG_SLOT(25)
QELMAR_DIALOG_SLOT(26) QELMAR_DIALOG_SLOT(27) QELMAR_DIALOG_SLOT(28) QELMAR_DIALOG_SLOT(29) QELMAR_DIALOG_SLOT(30)
QELMAR_DIALOG_SLOT(31) QELMAR_DIALOG_SLOT(32) QELMAR_DIALOG_SLOT(33) QELMAR_DIALOG_SLOT(34)
// clang-format on
#undef QELMAR_DIALOG_SLOT

    // Bound at load, never called by the module.
    extern "C" int32_t HOST_CDECL_ATTR HostReserved40008() {
  return 0;
}
extern "C" int32_t HOST_CDECL_ATTR HostReserved41611() { return 0; }
extern "C" int32_t HOST_CDECL_ATTR HostReserved41613() { return 0; }
extern "C" int32_t HOST_CDECL_ATTR HostReserved30005() { return 0; }
extern "C" int32_t HOST_CDECL_ATTR HostReserved38511() { return 0; }
extern "C" int32_t HOST_CDECL_ATTR HostReserved37974() { return 0; }
extern "C" int32_t HOST_CDECL_ATTR HostReserved52466() { return 0; }

}  // namespace qelmar::impl
