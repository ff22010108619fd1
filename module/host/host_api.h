// Typed calls to the host functions of host_catalogue.inc.
//
// Every call reads the slot of its function in the HostFunctionTable and
// transfers control there. A slot that binding left null is never called:
// the wrapper notes the attempt and returns a zero value instead.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "host/host_types.h"

namespace dravenhol::host {

// The number of host functions the module imports; the catalogue has one
// line per function, in slot order.
inline constexpr int kHostFunctionCount = 113;

}  // namespace dravenhol::host

extern "C" {
// One slot per host function, in catalogue order. Before binding each slot
// holds its lazy entry; defined, with the entries, in the platform's stubs.
extern void* HostFunctionTable[dravenhol::host::kHostFunctionCount];
}

namespace dravenhol::host {

struct HostFunctionInfo {
  uint16_t number;
  // Bytes of stack arguments that a thiscall callee pops on i686 (0 for cdecl).
  uint8_t calleePops;
  // Bound at load and never called (the catalogue's HostReserved entries).
  bool neverCalled;
};

namespace detail {
// Bytes of stack arguments after the object, each rounded up to 4 bytes.
template <class F>
struct ArgumentsAfterObject {
  static constexpr int value = 0;
};
template <class R, class S, class... A>
struct ArgumentsAfterObject<R (*)(S, A...)> {
  static constexpr int value = (0 + ... + ((int(sizeof(A)) + 3) / 4 * 4));  // NOLINT(bugprone-sizeof-expression)
};
constexpr bool kThis_HOST_CDECL = false;
constexpr bool kThis_HOST_THIS = true;
}  // namespace detail

// NOLINTBEGIN(bugprone-macro-parentheses): Params is a parenthesised list.
#define HOST_FN(slot, number, Name, Ret, Conv, Params) \
  using Name##Fn = Ret(Conv##_ATTR*) Params;           \
  using Name##Plain = Ret(*) Params;
// NOLINTEND(bugprone-macro-parentheses)
#include "host/host_catalogue.inc"
#undef HOST_FN

#define HOST_FN(slot, number, Name, Ret, Conv, Params)                                         \
  HostFunctionInfo{number,                                                                     \
                   static_cast<uint8_t>(detail::kThis_##Conv && sizeof(void*) == 4             \
                                            ? detail::ArgumentsAfterObject<Name##Plain>::value \
                                            : 0),                                              \
                   std::string_view(#Name).starts_with("HostReserved")},
inline constexpr std::array<HostFunctionInfo, kHostFunctionCount> kHostFunctions = {{
#include "host/host_catalogue.inc"
}};
#undef HOST_FN

// The catalogue itself: a line missing, doubled or out of place fails the build.
namespace detail {
#define HOST_FN(slot, number, Name, Ret, Conv, Params) slot,
inline constexpr int kCatalogueSlots[] = {
#include "host/host_catalogue.inc"
};
#undef HOST_FN
consteval bool SlotsInOrder() {
  for (int i = 0; i < int(std::size(kCatalogueSlots)); ++i)
    if (kCatalogueSlots[i] != i) return false;
  return true;
}
consteval bool NumbersDistinct() {
  for (std::size_t i = 0; i < kHostFunctions.size(); ++i)
    for (std::size_t j = i + 1; j < kHostFunctions.size(); ++j)
      if (kHostFunctions[i].number == kHostFunctions[j].number) return false;
  return true;
}
}  // namespace detail
static_assert(std::size(detail::kCatalogueSlots) == kHostFunctionCount,
              "the catalogue must have one line per host function");
static_assert(detail::SlotsInOrder(), "each catalogue line's slot must be its position");
static_assert(detail::NumbersDistinct(), "each host function number must appear once");

// Names a host function the host lacks to an attached debugger.
void NoteMissingFunction(uint16_t number);
// Records a call that was not made because the host lacks the function.
void NoteBlockedCall(int slot);

#define HOST_FN(slot, number, Name, Ret, Conv, Params)  \
  template <class... A>                                 \
  inline Ret Name(A... args) {                          \
    using R = Ret;                                      \
    void* target = HostFunctionTable[slot];             \
    if (target == nullptr) {                            \
      NoteBlockedCall(slot);                            \
      return R();                                       \
    }                                                   \
    return reinterpret_cast<Name##Fn>(target)(args...); \
  }                                                     \
  inline constexpr int Name##Slot = slot;
#include "host/host_catalogue.inc"
#undef HOST_FN

}  // namespace dravenhol::host
