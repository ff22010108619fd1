#include "frame/frame_state.h"

#include <cstddef>

#include "host/host_api.h"
#include "host/mazovia.h"
#include "platform/platform.h"

extern "C" void DravenholStampForwarder();

namespace dravenhol {

PluginFrameState g_frame = {};

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

const char* const kPluginDescription =
    MZ("\x02"
       "Dravenhol"
       "\x01"
       "\nMiesiące->Export,import->Export do innych...");

const char* BaseNameOf(const char* path) {
  const char* base = path;
  for (const char* p = path; *p != '\0'; ++p)
    if (*p == '\\') base = p + 1;
  const char* name = base;
  for (const char* p = base; *p != '\0'; ++p)
    if (*p == '/') name = p + 1;
  return name;
}

void OnProcessAttach(ModuleHandle ownModule) {
  g_frame.ownModule = ownModule;
  platform::ModuleFileName(ownModule, g_frame.ownPath, sizeof g_frame.ownPath);
  g_frame.baseName = BaseNameOf(g_frame.ownPath);
  if (g_frame.hostModule == nullptr) {
    g_frame.hostModule = platform::FindLoadedModule(g_moduleStamp.hostModuleName);
    if (g_frame.hostModule != nullptr)
      g_frame.hostCallback = reinterpret_cast<HostCallback>(platform::ExportByNumber(g_frame.hostModule, 30006));
  }
}

}  // namespace dravenhol

// The stamp forwarder's resolver: asks the host for the real target once and
// stores it in stampEntry, so that later calls go straight there.
extern "C" void* DravenholResolveStamp() {
  void* target = dravenhol::host::HostStampTarget();
  if (target != nullptr) static_cast<void>(__atomic_exchange_n(dravenhol::StampEntrySlot(), target, __ATOMIC_SEQ_CST));
  return target;
}
