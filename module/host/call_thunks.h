// The stubs' call thunks, one per catalogue slot: each jumps through its slot
// of the HostFunctionTable (binding it first if it is still unbound), so a
// thunk can stand wherever the host takes a function of its own: a release
// or apply function of a holder, a slot of the plug-in object's virtual table.
#pragma once

#include "host/host_api.h"

extern "C" {
#define HOST_FN(slot, number, Name, Ret, Conv, Params) void DravenholCallThunk##slot();
#include "host/host_catalogue.inc"
#undef HOST_FN
}

namespace dravenhol::host {

using CallThunk = void (*)();

#define HOST_FN(slot, number, Name, Ret, Conv, Params) &DravenholCallThunk##slot,
inline constexpr CallThunk kCallThunks[kHostFunctionCount] = {
#include "host/host_catalogue.inc"
};
#undef HOST_FN

// The thunk of a slot, as the function type the host calls it by.
template <class Function, int Slot>
Function ThunkOf() {
  return reinterpret_cast<Function>(kCallThunks[Slot]);
}

}  // namespace dravenhol::host
