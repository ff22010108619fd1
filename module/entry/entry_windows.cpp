// The DLL's entry point: the attach step runs on the process-attach
// notification before the C runtime's start-up, and so before the binding
// pass (binding_pass.cpp) and all other static initialisation.
#include <windows.h>

#include "frame/frame_state.h"

extern "C" BOOL WINAPI DllMainCRTStartup(HINSTANCE instance, DWORD reason, LPVOID reserved);

extern "C" BOOL WINAPI DravenholEntry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) dravenhol::OnProcessAttach(instance);
  return DllMainCRTStartup(instance, reason, reserved);
}
