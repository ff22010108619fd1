// Stretches of the module that the host's exceptions may cross.
//
// The host calls the module on its own thread and reaches back into it through
// host functions; an exception raised in a host function belongs to the host.
// A guard lets every exception pass to the host's own handler as it was raised
// (code, flags, parameters, and for a C++ exception its object and throw
// information), releases what the guarded frames hold when the host unwinds
// them, and takes only the one kind of exception a guard asks for: the host's
// faults, delivered as its SE_Exception. A bare structured exception always
// passes, continuable where it was raised.
#pragma once

#include <cstdint>

namespace dravenhol::platform {

// A fault of the host's, as the line writer reports it: the code and the
// information its SE_Exception carries.
struct HostFault {
  uint32_t code;
  void* information;
};

struct GuardHooks {
  // Takes the host's faults: a C++ exception that can be caught as the host's
  // SE_Exception. It runs
  // as a catch clause would: once the guarded frames are unwound, while the
  // frames of the fault (and the information) are still intact; the host's
  // exception object is destroyed after it. Null: the guard takes nothing.
  void (*onFault)(const HostFault& fault, void* context) = nullptr;
  // An exception that the guard does not take is unwinding the guarded frames
  // on its way to a handler of the host's: give back what they hold. It runs
  // before those frames are reused, and shows nothing to the user. An
  // exception that a handler resumes never unwinds, and never calls it.
  void (*onUnwind)(void* context) = nullptr;
};

// Runs body(context) under the hooks. Returns false when onFault took a fault;
// the body was then abandoned.
bool RunGuarded(void (*body)(void*), void* context, const GuardHooks& hooks);

// Raises a structured exception with that code, no flags and no arguments
// (RaiseException(code, 0, 0, NULL)). Returns when a handler continues it.
void RaiseStructured(uint32_t code);

}  // namespace dravenhol::platform
