#include <exception>

#include "platform/guard.h"

// The host's thread on Linux delivers its faults as C++ exceptions: SE_Exception
// (as its translator would), or StructuredException, the stand-in for a bare
// structured exception with its record. Both are the host's classes; the
// module knows their layout only, and matches them by name.
struct SE_Exception {
  uint32_t code;
  void* information;
};
struct StructuredException {
  uint32_t code;
  uint32_t flags;
  uint32_t parameterCount;
  uintptr_t parameters[15];
};

namespace dravenhol::platform {

namespace {

// Calls onUnwind when an exception leaves the scope that holds it.
class UnwindWatch {
 public:
  UnwindWatch(const GuardHooks& hooks, void* context)
      : hooks_(hooks), context_(context), pending_(std::uncaught_exceptions()) {}
  ~UnwindWatch() {
    if (std::uncaught_exceptions() > pending_ && hooks_.onUnwind != nullptr) hooks_.onUnwind(context_);
  }
  UnwindWatch(const UnwindWatch&) = delete;
  UnwindWatch& operator=(const UnwindWatch&) = delete;

 private:
  const GuardHooks& hooks_;
  void* context_;
  int pending_;
};

}  // namespace

bool RunGuarded(void (*body)(void*), void* context, const GuardHooks& hooks) {
  UnwindWatch watch(hooks, context);
  if (hooks.onFault == nullptr) {
    body(context);
    return true;
  }
  try {
    body(context);
    return true;
  } catch (const SE_Exception& e) {
    hooks.onFault(HostFault{e.code, e.information}, context);
  }
  return false;
}

void RaiseStructured(uint32_t code) { throw StructuredException{code, 0, 0, {}}; }

}  // namespace dravenhol::platform
