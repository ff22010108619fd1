#include "frame/frame_state.h"

#include "host/binding.h"
#include "host/mazovia.h"
#include "host/stamp.h"
#include "host/texts.h"
#include "platform/platform.h"

namespace dravenhol {

PluginFrameState g_frame = {};

const char* const kPluginDescription = texts::kPluginDescription;

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
  if (g_binding.hostModule == nullptr) {
    g_binding.hostModule = platform::FindLoadedModule(g_moduleStamp.hostModuleName);
    if (g_binding.hostModule != nullptr)
      g_frame.hostCallback = reinterpret_cast<HostCallback>(platform::ExportByNumber(g_binding.hostModule, 30006));
  }
}

}  // namespace dravenhol
