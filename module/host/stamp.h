// The block of the module's writable data kept for the host: the host may
// read and change featureWord and call through stampEntry, which leads to the
// host's stamp target once the stubs' forwarder has asked for it.
#pragma once

#include <cstdint>

namespace dravenhol {

// The three fields are contiguous and in this order.
struct __attribute__((packed)) ModuleStamp {
  uint32_t featureWord;
  char hostModuleName[8];
  void* stampEntry;
};

extern ModuleStamp& g_moduleStamp;
// The address of stampEntry, naturally aligned.
void** StampEntrySlot();

}  // namespace dravenhol

// The stamp forwarder's resolver: asks the host for the real target once and
// stores it in stampEntry, so that later calls go straight there.
extern "C" void* DravenholResolveStamp();
