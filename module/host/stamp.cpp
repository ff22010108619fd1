#include "host/stamp.h"

#include <cstddef>

#include "host/host_api.h"

extern "C" void DravenholStampForwarder();

namespace dravenhol {

namespace {
// The stamp starts four bytes into an 8-aligned block, so that stampEntry,
// which follows the first 12 bytes without padding, is naturally aligned for
// its atomic exchange on every target.
struct alignas(8) StampBlock {
  uint32_t leading;
  ModuleStamp stamp;
};
static_assert(offsetof(StampBlock, stamp) == 4 && sizeof(ModuleStamp) == 12 + sizeof(void*));

__attribute__((used)) StampBlock g_stampBlock = {
    0, {0xFFFFFFFFu, {'Q', 'E', 'L', 'M', 'A', 'R', '\0', '\0'}, reinterpret_cast<void*>(&DravenholStampForwarder)}};
}  // namespace

ModuleStamp& g_moduleStamp = g_stampBlock.stamp;

void** StampEntrySlot() {
  return reinterpret_cast<void**>(reinterpret_cast<unsigned char*>(&g_stampBlock) + offsetof(StampBlock, stamp) +
                                  offsetof(ModuleStamp, stampEntry));
}

}  // namespace dravenhol

extern "C" void* DravenholResolveStamp() {
  void* target = dravenhol::host::HostStampTarget();
  if (target != nullptr) static_cast<void>(__atomic_exchange_n(dravenhol::StampEntrySlot(), target, __ATOMIC_SEQ_CST));
  return target;
}
