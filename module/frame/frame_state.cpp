#include "frame/frame_state.h"

#include <atomic>

#include "host/host_api.h"
#include "host/mazovia.h"
#include "platform/platform.h"

extern "C" void DravenholStampForwarder();

namespace dravenhol {

PluginFrameState g_frame = {};

__attribute__((used)) ModuleStamp g_moduleStamp = {
    0xFFFFFFFFu, {'Q', 'E', 'L', 'M', 'A', 'R', '\0', '\0'}, reinterpret_cast<void*>(&DravenholStampForwarder)};

const char* const kPluginDescription = MZ("\x02" "Dravenhol" "\x01" "\nMiesiące->Export,import->Export do innych...");

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
  using dravenhol::g_moduleStamp;
  void* target = dravenhol::host::HostStampTarget();
  std::atomic_ref<void*>(g_moduleStamp.stampEntry).exchange(target);
  return target;
}
