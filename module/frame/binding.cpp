#include "frame/binding.h"

#include <algorithm>
#include <array>
#include <utility>

#include "frame/frame_state.h"
#include "host/host_api.h"
#include "host/mazovia.h"
#include "platform/format.h"
#include "platform/platform.h"

extern "C" {
// Defined with the stubs: each slot's lazy entry, and the traps that stand
// for a missing function, by the bytes of stack arguments they pop (0 .. 32).
extern void* const DravenholLazyEntries[dravenhol::host::kHostFunctionCount];
extern void* const DravenholTraps[9];
}

namespace dravenhol {

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
  void* address = platform::ExportByNumber(g_frame.hostModule, number);
  *slot = address;
  if (address == nullptr) {
    if (g_frame.missingCount >= 0 && g_frame.missingCount < kRecordedMissingNumbers)
      g_frame.missingNumbers[g_frame.missingCount] = number;
    ++g_frame.missingCount;
    host::NoteMissingFunction(number);
  }
  return address;
}

void BindAllHostFunctions() {
  for (BindingEntry entry : kBindingList) entry();
}

int32_t ReportMissingHostFunctions(char* buffer, MissingReport when) {
  buffer[0] = '\0';
  const int32_t count = g_frame.missingCount;
  if (count == 0) return 0;
  char list[256];
  if (count == 1) {
    FormatBounded(list, sizeof list, MZ("funkcję o numerze %hu"), g_frame.missingNumbers[0]);
  } else {
    uint16_t sorted[kRecordedMissingNumbers];
    const int n = std::min<int32_t>(count, kRecordedMissingNumbers);
    for (int i = 0; i < n; ++i) {  // insertion sort of at most eight numbers
      int j = i;
      for (; j > 0 && sorted[j - 1] > g_frame.missingNumbers[i]; --j) sorted[j] = sorted[j - 1];
      sorted[j] = g_frame.missingNumbers[i];
    }
    int used = FormatBounded(list, sizeof list, "%s", MZ("funkcje o numerach"));
    for (int i = 0; i < n; ++i) used += FormatBounded(list + used, sizeof list - used, " %hu,", sorted[i]);
    if (used > 0 && list[used - 1] == ',') list[used - 1] = '\0';
  }
  // At the activation the module is not loaded; at the command it is, and
  // only the export is refused.
  const char* closing = when == MissingReport::kAtActivation ? MZ("WTYCZKA NIE ZOSTANIE ZAŁADOWANA!!!\n")
                                                             : MZ("EKSPORT NIE ZOSTANIE WYKONANY!!!\n");
  FormatBounded(buffer, kMissingReportSize,
                MZ("Wtyczka \"%s\" potrzebuje zaimportować\n%s z modułu głównego,\njednak moduł główny %s nie "
                   "posiada. Aby naprawić tę sytuację\nzainstaluj aktualizację programu oraz wtyczki.\n\n%s"),
                kPluginDescription, list, count == 1 ? "jej" : "ich", closing);
  return count;
}

bool ExportFunctionsMissing() {
  // Called only around an export: at the handshake, the activation, the
  // install notice and the unload.
  constexpr int kFrameOnly[] = {host::HostCheckModuleSlot,     host::HostInterfaceVersionSlot,
                                host::HostRegisterCommandSlot, host::HostUnregisterCommandSlot,
                                host::HostNoticeBoxSlot,       host::HostIniAccessSlot,
                                host::HostAlertBoxSlot};
  for (int slot = 0; slot < host::kHostFunctionCount; ++slot) {
    if (HostFunctionTable[slot] != nullptr || host::kHostFunctions[slot].neverCalled) continue;
    if (std::find(std::begin(kFrameOnly), std::end(kFrameOnly), slot) == std::end(kFrameOnly)) return true;
  }
  return false;
}

}  // namespace dravenhol

extern "C" void* DravenholResolveStamp();

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
