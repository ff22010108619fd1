#include "export/command.h"

#include <exception>

#include "export/plugin.h"
#include "host/held.h"
#include "host/host_api.h"
#include "host/mazovia.h"
#include "host/services.h"
#include "host/texts.h"
#include "output/output.h"
#include "platform/format.h"
#include "platform/guard.h"

namespace dravenhol {

namespace {
constexpr uint32_t kRunningFlag = 0x8000;
constexpr const char* kSettingsFile = "WtyczkiG.ini";
constexpr const char* kSettingsSection = "Dravenhol";
constexpr const char* kAskKey = "Pytaj";

struct CommandRun {
  bool wasClear;  // the run set the state bit, and clears it again
  bool faulted;   // the line writer took a fault of the host's
  uint32_t code;
};

// The run. A fault that the line writer took arrives here as its own
// exception, once the run's objects are released; no other C++ exception of
// the module's leaves it.
void RunExportCatching(void* context) {
  auto* run = static_cast<CommandRun*>(context);
  try {
    CDravenhol::RunExport();
  } catch (const LineWriterFault& fault) {
    run->faulted = true;
    run->code = fault.code;
  } catch (const std::exception&) {
    host::HostMessageBox(texts::kTitleWarning, texts::kMemoryError, int32_t{1});
  }
}

// An exception of the host's is unwinding the run on its way to the host's
// handler: what the run still holds is given back (the files closed with the
// lines written so far), the state bit restored, and nothing is shown.
void AbandonRun(void* context) {
  const auto* run = static_cast<const CommandRun*>(context);
  Held::ReleaseAll();
  DropDeferredMessages();
  if (run->wasClear) host::HostSetStateFlags(kRunningFlag, int32_t{0});
}
}  // namespace

int32_t RunExportCommand() {
  CommandRun run{(host::HostGetStateFlags() & kRunningFlag) == 0, false, 0};
  if (run.wasClear) host::HostSetStateFlags(kRunningFlag, int32_t{1});
  // Exceptions raised below pass to the host as they were raised; the guard
  // only releases the run when the host unwinds it.
  const platform::GuardHooks hooks{nullptr, &AbandonRun};
  platform::RunGuarded(&RunExportCatching, &run, hooks);
  // The files a fault in the line writer left cut are named before the
  // fault goes on to the host as a structured exception of its code.
  ShowDeferredMessages();
  if (run.wasClear) host::HostSetStateFlags(kRunningFlag, int32_t{0});
  if (run.faulted) platform::RaiseStructured(run.code);  // a handler that continues it ends the command here
  return 0;
}

void ShowInstallNotice(const char* description) {
  int32_t flag = 0;
  if (AccessSettings(kSettingsFile, 8, kSettingsSection, kAskKey, "%d", &flag) != 0)
    flag = 0;
  else if (static_cast<int16_t>(flag) != 0)
    return;
  char text[512];
  FormatBounded(text, sizeof text, texts::kInstalled, description);
  host::HostNoticeBox(int32_t{0x684}, reinterpret_cast<int16_t*>(&flag), int32_t{0}, static_cast<const char*>(text));
  AccessSettings(kSettingsFile, 9, kSettingsSection, kAskKey, "%d", static_cast<int>(static_cast<int16_t>(flag)));
}

}  // namespace dravenhol
