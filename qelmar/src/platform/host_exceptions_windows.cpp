// The host's exceptions on Windows, through the probe (probe.h): a library
// built with Microsoft's C++ ABI beside QELMAR.dll, loaded on first use.
#include <windows.h>

#include <string>

#include "platform/host_platform.h"

namespace qelmar {

namespace {

struct Probe {
  decltype(&ProbeRunCommand) runCommand = nullptr;
  decltype(&ProbeRaise) raise = nullptr;
  decltype(&ProbeLiveExceptions) liveExceptions = nullptr;
  decltype(&ProbeDialogType) dialogType = nullptr;
};

template <class Fn>
Fn Export(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The probe's functions, or nulls when it cannot be loaded.
const Probe& TheProbe() {
  static const Probe probe = [] {
    Probe found;
    HMODULE self = nullptr;
    char path[MAX_PATH] = {};
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&TheProbe), &self) ||
        GetModuleFileNameA(self, path, sizeof path) == 0)
      return found;
    std::string file(path);
    file = file.substr(0, file.find_last_of("\\/") + 1) + "dravenhol-probe.dll";
    HMODULE module = LoadLibraryA(file.c_str());
    if (module == nullptr) return found;
    found.runCommand = Export<decltype(&ProbeRunCommand)>(module, "ProbeRunCommand");
    found.raise = Export<decltype(&ProbeRaise)>(module, "ProbeRaise");
    found.liveExceptions = Export<decltype(&ProbeLiveExceptions)>(module, "ProbeLiveExceptions");
    found.dialogType = Export<decltype(&ProbeDialogType)>(module, "ProbeDialogType");
    if (found.runCommand == nullptr || found.raise == nullptr || found.liveExceptions == nullptr ||
        found.dialogType == nullptr)
      found = Probe{};
    return found;
  }();
  return probe;
}

}  // namespace

void RaiseHostException(uint32_t form, uint32_t code, uintptr_t information, ProbeException* raised) {
  if (TheProbe().raise != nullptr) TheProbe().raise(form, code, information, raised);
}

bool RunCommandFrame(ProbeCommand command, bool resume, ProbeException* arrived) {
  *arrived = ProbeException{};
  if (TheProbe().runCommand == nullptr) return false;
  TheProbe().runCommand(command, resume ? 1 : 0, arrived);
  return true;
}

int32_t LiveHostExceptions() { return TheProbe().liveExceptions != nullptr ? TheProbe().liveExceptions() : 0; }

bool InformationRecords(const void* information, const ProbeException& raised) {
  if (information == nullptr) return false;
  const auto* pointers = static_cast<const EXCEPTION_POINTERS*>(information);
  const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
  if (record == nullptr || pointers->ContextRecord == nullptr) return false;
  if (record->ExceptionCode != raised.recordCode || record->ExceptionFlags != raised.flags ||
      record->NumberParameters != raised.parameterCount)
    return false;
  for (DWORD i = 0; i < record->NumberParameters && i < 4; ++i)
    if (record->ExceptionInformation[i] != raised.parameters[i]) return false;
  return true;
}

bool AskDialogType(void* object, std::string* name, int32_t* answers) {
  if (TheProbe().dialogType == nullptr) return false;
  char text[256];
  *answers = TheProbe().dialogType(object, text, sizeof text);
  *name = text;
  return true;
}

}  // namespace qelmar
