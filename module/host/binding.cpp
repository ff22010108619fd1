#include "host/binding.h"

#include <array>
#include <utility>

#include "host/host_api.h"
#include "host/stamp.h"
#include "platform/platform.h"

extern "C" {
// Defined with the stubs: each slot's lazy entry, and the traps that stand
// for a missing function, by the bytes of stack arguments they pop (0 .. 32).
extern void* const DravenholLazyEntries[dravenhol::host::kHostFunctionCount];
extern void* const DravenholTraps[9];
}

namespace dravenhol {

HostBinding g_binding = {};

namespace {

constexpr int kStampSlot = -1;

void* const& LazyEntryOf(int slot) { return DravenholLazyEntries[slot]; }

using BindingEntry = int32_t (*)();

// Binding entry of one slot: binds it (unless a lazy call already did) and
// reports success whatever the look-up found, so binding never fails a load.
template <int Slot>
int32_t BindSlot() {
  if (HostFunctionTable[Slot] == LazyEntryOf(Slot))
    LookUpHostFunction(host::kHostFunctions[Slot].number, &HostFunctionTable[Slot]);
  return 0;
}

template <std::size_t... Slots>
constexpr std::array<BindingEntry, sizeof...(Slots)> MakeBindingList(std::index_sequence<Slots...>) {
  return {&BindSlot<static_cast<int>(Slots)>...};
}

constexpr auto kBindingList = MakeBindingList(std::make_index_sequence<host::kHostFunctionCount>());

}  // namespace

void* LookUpHostFunction(uint16_t number, void** slot) {
  void* address = platform::ExportByNumber(g_binding.hostModule, number);
  *slot = address;
  if (address == nullptr) {
    if (g_binding.missingCount >= 0 && g_binding.missingCount < kRecordedMissingNumbers)
      g_binding.missingNumbers[g_binding.missingCount] = number;
    ++g_binding.missingCount;
    host::NoteMissingFunction(number);
  }
  return address;
}

void BindAllHostFunctions() {
  for (BindingEntry entry : kBindingList) entry();
}

}  // namespace dravenhol

// Called by a lazy entry, or by a call thunk whose slot is null: binds the
// slot if it is still unbound and returns where the call continues. A slot
// that holds null continues into a trap that returns 0.
extern "C" void* DravenholResolveSlot(int slot) {
  using namespace dravenhol;
  if (slot == kStampSlot) {
    void* target = DravenholResolveStamp();
    return target != nullptr ? target : DravenholTraps[0];
  }
  if (HostFunctionTable[slot] == LazyEntryOf(slot))
    LookUpHostFunction(host::kHostFunctions[slot].number, &HostFunctionTable[slot]);
  void* target = HostFunctionTable[slot];
  return target != nullptr ? target : DravenholTraps[host::kHostFunctions[slot].calleePops / 4];
}
