#include "ui/command.h"

#include <exception>

#include "host/held.h"
#include "host/host_api.h"
#include "host/mazovia.h"
#include "output/output.h"
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

int32_t RunExportCommand() {
  const bool wasClear = (host::HostGetStateFlags() & kRunningFlag) == 0;
  if (wasClear) host::HostSetStateFlags(kRunningFlag, int32_t{1});
  // A structured exception raised by the line writer, or passing through the
  // run from elsewhere, still finds the flag restored before it goes on to the host.
  // On Windows the guard releases what the abandoned run still holds from the
  // host before it resumes here; the files the run left cut are named after.
  CommandRun run{false, 0};
  platform::StructuredFault fault{};
  if (!platform::RunGuarded(&RunExportCatching, &run, &fault, &Held::ReleaseAll)) run = CommandRun{true, fault.code};
  ShowDeferredMessages();
  if (wasClear) host::HostSetStateFlags(kRunningFlag, int32_t{0});
  if (run.faulted) platform::RaiseStructured(run.code);
  return 0;
}

void ShowInstallNotice(const char* description) {
  int32_t flag = 0;
  if (AccessSettings(kSettingsFile, 8, kSettingsSection, kAskKey, "%d", &flag) != 0)
    flag = 0;
  else if (static_cast<int16_t>(flag) != 0)
    return;
  char text[512];
  FormatBounded(text, sizeof text, MZ("Zainstalowano wtyczkę do programu:\n%s"), description);
  host::HostNoticeBox(int32_t{0x684}, reinterpret_cast<int16_t*>(&flag), int32_t{0}, static_cast<const char*>(text));
  AccessSettings(kSettingsFile, 9, kSettingsSection, kAskKey, "%d", static_cast<int>(static_cast<int16_t>(flag)));
}

}  // namespace dravenhol
