// What the replacement host takes from the host-function catalogue
// (host/host_catalogue.inc, the one contract it shares with the module): the
// type and calling convention of each function, and checks that the catalogue
// is whole, made here from the catalogue's lines themselves.
#pragma once

#include <cstdint>
#include <iterator>

#include "host/host_types.h"

namespace qelmar::catalogue {

using namespace dravenhol;

// Each function's type as the module calls it (Name##Fn) and the same
// parameters without the calling convention (Name##Plain).
// NOLINTBEGIN(bugprone-macro-parentheses): Params is a parenthesised list.
#define HOST_FN(slot, number, Name, Ret, Conv, Params) \
  using Name##Fn = Ret(Conv##_ATTR*) Params;           \
  using Name##Plain = Ret(*) Params;
// NOLINTEND(bugprone-macro-parentheses)
#include "host/host_catalogue.inc"
#undef HOST_FN

// Whether a convention passes the object as thiscall (kThis_HOST_THIS).
constexpr bool kThis_HOST_CDECL = false;
constexpr bool kThis_HOST_THIS = true;

#define HOST_FN(slot, number, Name, Ret, Conv, Params) slot,
inline constexpr int kSlots[] = {
#include "host/host_catalogue.inc"
};
#undef HOST_FN

#define HOST_FN(slot, number, Name, Ret, Conv, Params) number,
inline constexpr uint16_t kNumbers[] = {
#include "host/host_catalogue.inc"
};
#undef HOST_FN

inline constexpr int kFunctionCount = static_cast<int>(std::size(kSlots));

consteval bool SlotsInOrder() {
  for (int i = 0; i < kFunctionCount; ++i)
    if (kSlots[i] != i) return false;
  return true;
}

consteval bool NumbersDistinct() {
  for (int i = 0; i < kFunctionCount; ++i)
    for (int j = i + 1; j < kFunctionCount; ++j)
      if (kNumbers[i] == kNumbers[j]) return false;
  return true;
}

// The host program exports 113 functions to its plug-ins.
static_assert(kFunctionCount == 113, "the catalogue must have one line per host function");
static_assert(SlotsInOrder(), "each catalogue line's slot must be its position");
static_assert(NumbersDistinct(), "each host function number must appear once");

}  // namespace qelmar::catalogue
