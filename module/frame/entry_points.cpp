#include "frame/entry_points.h"

#include <cstring>

#include "export/command.h"
#include "frame/checks.h"
#include "frame/frame_state.h"
#include "host/binding.h"
#include "host/host_api.h"
#include "host/mazovia.h"
#include "host/texts.h"

namespace dravenhol {

namespace {
constexpr int32_t kNoHandlerResult30010 = static_cast<int32_t>(0xB669FD2Eu);
}  // namespace

const CommandRecord kCommandRecord = {0x43080000u, texts::kModuleName, kCommandNumber, &ExportCommand, 0};

int32_t HOST_CDECL_ATTR ExportCommand() {
  // An export needs every host function it calls; with one of them missing
  // it does not start, and the user learns which ones the host lacks.
  if (ExportFunctionsMissing()) {
    char report[kMessageBufferSize];
    ReportMissingHostFunctions(report, MissingReport::kAtCommand);
    host::HostAlertBox(int32_t{15000}, texts::kTitleStop, "%s", int32_t{0xF001}, int32_t{0x6E2E}, report);
    return 0;
  }
  return RunExportCommand();
}

int32_t PluginHandshake(HostCallback callback, char* description) {
  if (callback == nullptr) {
    host::HostUnregisterCommand(static_cast<int32_t>(kCommandNumber));
    return 0;
  }
  g_frame.hostCallback = callback;
  if (description != nullptr) std::memcpy(description, kPluginDescription, std::strlen(kPluginDescription) + 1);
  if (host::HostCheckModule(g_frame.ownModule, static_cast<char*>(nullptr), int32_t{0}) != 0) return -1;
  if (host::HostInterfaceVersion() != kInterfaceVersion) return -1;
  if (CheckTableLayouts() != 0) return -1;
  return 0;
}

int32_t PluginActivate(int32_t value) {
  if (value == 0) {
    host::HostRegisterCommand(&kCommandRecord);
    ShowInstallNotice(kPluginDescription);
  } else {
    ExplainRefusal();
  }
  return 0;
}

int32_t OptionalExport30009() {
  if (g_frame.handler30009 != nullptr) return g_frame.handler30009();
  return 0;
}

int32_t OptionalExport30010(int32_t value) {
  if (g_frame.handler30010 != nullptr) return g_frame.handler30010(value);
  return kNoHandlerResult30010;
}

}  // namespace dravenhol
