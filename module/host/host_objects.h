// Scoped host objects: storage reserved by the module, state kept by the host,
// released through the host on every way out.
#pragma once

#include <cstring>

#include "host/host_api.h"

namespace dravenhol {

// A host cursor with its last 32-bit field cleared before the first open;
// destroyed through the host when it goes out of scope.
class ScopedCursor {
 public:
  ScopedCursor() {
    std::memset(&cursor_, 0, sizeof cursor_);
    const uint32_t zero = 0;
    std::memcpy(cursor_.storage + sizeof cursor_.storage - sizeof zero, &zero, sizeof zero);
  }
  ~ScopedCursor() { host::HostCursorDestroy(&cursor_); }
  ScopedCursor(const ScopedCursor&) = delete;
  ScopedCursor& operator=(const ScopedCursor&) = delete;

  HostCursor* get() { return &cursor_; }

 private:
  HostCursor cursor_;
};

// A diagnostic guard entered for the lifetime of the object.
class ScopedGuard {
 public:
  ScopedGuard(const char* function, const void* arguments) {
    std::memset(&guard_, 0, sizeof guard_);
    host::HostGuardEnter(&guard_, function, arguments);
  }
  ~ScopedGuard() { Leave(); }
  ScopedGuard(const ScopedGuard&) = delete;
  ScopedGuard& operator=(const ScopedGuard&) = delete;

  void Leave() {
    if (entered_) host::HostGuardLeave(&guard_);
    entered_ = false;
  }

 private:
  HostGuard guard_;
  bool entered_ = true;
};

}  // namespace dravenhol
