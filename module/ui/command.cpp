#include "ui/command.h"

#include <exception>

#include "export/output.h"
#include "frame/binding.h"
#include "frame/frame_state.h"
#include "host/host_api.h"
#include "host/mazovia.h"
#include "platform/format.h"
#include "platform/platform.h"
#include "ui/plugin.h"

namespace dravenhol {

namespace {
constexpr uint32_t kRunningFlag = 0x8000;
constexpr const char* kSettingsFile = "WtyczkiG.ini";
constexpr const char* kSettingsSection = "Dravenhol";
constexpr const char* kAskKey = "Pytaj";

struct CommandRun {
  bool faulted;
  uint32_t code;
};

// The run, from which no C++ exception escapes; the run's objects have
// released their host objects by the time an exception arrives here.
void RunExportCatching(void* context) {
  auto* run = static_cast<CommandRun*>(context);
  try {
    CDravenhol::RunExport();
  } catch (const LineWriterFault& fault) {
    *run = CommandRun{true, fault.code};
  } catch (const std::exception&) {
    host::HostMessageBox(MZ("Uwaga"), MZ("Błąd operacji na pamięci!\nOperacja niekompletna!"), int32_t{1});
  }
}
}  // namespace

const CommandRecord kCommandRecord = {0x43080000u, "Dravenhol", kCommandNumber, &ExportCommand, 0};

int32_t HOST_CDECL_ATTR ExportCommand() {
  // An export needs every host function; with some missing it does not start,
  // and the user learns which ones.
  if (g_frame.missingCount != 0) {
    char report[kMissingReportSize];
    ReportMissingHostFunctions(report);
    host::HostAlertBox(int32_t{15000}, MZ("STOP!!!"), "%s", int32_t{0xF001}, int32_t{0x6E2E}, report);
    return 0;
  }
  const bool wasClear = (host::HostGetStateFlags() & kRunningFlag) == 0;
  if (wasClear) host::HostSetStateFlags(kRunningFlag, int32_t{1});
  // A structured exception raised by the line writer, or passing through the
  // run from elsewhere, still finds the flag restored before it goes on to the host.
  CommandRun run{false, 0};
  platform::StructuredFault fault{};
  if (!platform::RunGuarded(&RunExportCatching, &run, &fault)) run = CommandRun{true, fault.code};
  if (wasClear) host::HostSetStateFlags(kRunningFlag, int32_t{0});
  if (run.faulted) platform::RaiseStructured(run.code);
  return 0;
}

void ShowInstallNotice() {
  int32_t flag = 0;
  if (AccessSettings(kSettingsFile, 8, kSettingsSection, kAskKey, "%d", &flag) != 0)
    flag = 0;
  else if (static_cast<int16_t>(flag) != 0)
    return;
  char text[512];
  FormatBounded(text, sizeof text, MZ("Zainstalowano wtyczkę do programu:\n%s"), kPluginDescription);
  host::HostNoticeBox(int32_t{0x684}, reinterpret_cast<int16_t*>(&flag), int32_t{0}, static_cast<const char*>(text));
  AccessSettings(kSettingsFile, 9, kSettingsSection, kAskKey, "%d", static_cast<int>(static_cast<int16_t>(flag)));
}

}  // namespace dravenhol
