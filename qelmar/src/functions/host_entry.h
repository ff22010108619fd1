// The one step that every host function passes through when the module calls
// it: the call is counted per function ("calls.HostCursorNext"), and a
// structured exception that the fixture asks for at that call is raised.
// The export table gives the entry step of each function, generated from the
// catalogue; the three variadic functions (HostAlertBox, HostMessageBoxFormat,
// HostFilePrintf), which cannot be forwarded, take the step themselves first.
#pragma once

#include <cstdint>
#include <string>

namespace qelmar {

// Catalogue slots by name: kSlotHostCursorNext.
enum HostSlot : int {
#define HOST_FN(slot, number, Name, Ret, Conv, Params) kSlot##Name = slot,  // NOLINT(bugprone-macro-parentheses)
#include "host/host_catalogue.inc"
#undef HOST_FN
  kHostSlotCount
};

void EnterHostFunction(int slot);
struct RaiseAt;
// Raises what the fixture asks for, and keeps what was raised (lastRaise).
void RaiseFromHost(const RaiseAt& raise);

// The slot of a host function by its catalogue name or its number, or -1.
int HostSlotByName(const std::string& name);
int HostSlotByNumber(int64_t number);
const char* HostFunctionName(int slot);
uint16_t HostFunctionNumber(int slot);

// What the export table holds for a host function: its entry step.
void* HostEntryAddress(int slot);

// The result a host function gives: the configured one (host.results) or the
// real one.
int32_t HostResult(int slot, int32_t real);

}  // namespace qelmar
