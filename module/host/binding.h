// Binding the host functions by number: the look-up, the record of the
// numbers the host lacks, and the resolver that the lazy entries and call
// thunks of the stubs ask.
#pragma once

#include <cstdint>

#include "host/host_types.h"

namespace dravenhol {

inline constexpr int kRecordedMissingNumbers = 8;

struct HostBinding {
  ModuleHandle hostModule;                           // the loaded host module, found at attach
  int32_t missingCount;                              // look-ups that found nothing
  uint16_t missingNumbers[kRecordedMissingNumbers];  // the first of them
};

extern HostBinding g_binding;

// Looks up a host function by number, stores the result (null included) in
// the slot and records a missing number.
void* LookUpHostFunction(uint16_t number, void** slot);

// Runs the binding entries in slot order, one per host function; called once
// while loading.
void BindAllHostFunctions();

}  // namespace dravenhol
