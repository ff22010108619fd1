// Scoped host objects: storage reserved by the module, state kept by the host,
// released through the host on every way out.
#pragma once

#include <cstring>

#include "host/host_api.h"

namespace dravenhol {

// A host cursor with its key block. The cursor's last 32-bit field is clear
// before the first open; Close may be called early, Destroy always follows.
class CursorScope {
 public:
  CursorScope() {
    std::memset(&cursor_, 0, sizeof cursor_);
    std::memset(&key_, 0, sizeof key_);
  }
  ~CursorScope() {
    Close();
    host::HostCursorDestroy(&cursor_);
  }
  CursorScope(const CursorScope&) = delete;
  CursorScope& operator=(const CursorScope&) = delete;

  // HostKeyInit and HostCursorOpen over index (records of its own data file).
  bool Open(int32_t index) {
    host::HostKeyInit(index, int32_t{0}, &key_, int32_t{0});
    return OpenPrepared(static_cast<HostTable*>(nullptr), index);
  }
  // HostCursorOpen with the key block as the caller filled it.
  bool OpenPrepared(HostTable* table, int32_t index) {
    opened_ = true;
    return host::HostCursorOpen(&cursor_, table, index, &key_, int32_t{0}, int32_t{0}) != 0;
  }
  HostKey* key() { return &key_; }
  bool Next() { return host::HostCursorNext(&cursor_) == 1; }
  // HostCursorClose, also after a failed open; once.
  void Close() {
    if (!opened_) return;
    opened_ = false;
    host::HostCursorClose(&cursor_);
  }

 private:
  HostCursor cursor_;
  HostKey key_;
  bool opened_ = false;
};

// An item file taken out of its holder; HostCloseItemFile once.
class ItemFileScope {
 public:
  explicit ItemFileScope(HostItemFile* file) : file_(file) {}
  ~ItemFileScope() { Close(); }
  ItemFileScope(const ItemFileScope&) = delete;
  ItemFileScope& operator=(const ItemFileScope&) = delete;

  HostItemFile* get() const { return file_; }
  void Close() {
    if (file_ == nullptr) return;
    HostItemFile* file = file_;
    file_ = nullptr;
    host::HostCloseItemFile(&file);
  }

 private:
  HostItemFile* file_;
};

// The item pointers that HostReadItems returns; HostFreeItems once.
class ItemArrayScope {
 public:
  explicit ItemArrayScope(void** items) : items_(items) {}
  ~ItemArrayScope() { Free(); }
  ItemArrayScope(const ItemArrayScope&) = delete;
  ItemArrayScope& operator=(const ItemArrayScope&) = delete;

  void** get() const { return items_; }
  void Free() {
    if (items_ == nullptr) return;
    void** items = items_;
    items_ = nullptr;
    host::HostFreeItems(items);
  }

 private:
  void** items_;
};

// A diagnostic guard entered for the lifetime of the object.
class GuardScope {
 public:
  GuardScope(const char* function, const void* arguments) {
    std::memset(&guard_, 0, sizeof guard_);
    host::HostGuardEnter(&guard_, function, arguments);
  }
  ~GuardScope() { Leave(); }
  GuardScope(const GuardScope&) = delete;
  GuardScope& operator=(const GuardScope&) = delete;

  void Leave() {
    if (entered_) host::HostGuardLeave(&guard_);
    entered_ = false;
  }

 private:
  HostGuard guard_;
  bool entered_ = true;
};

}  // namespace dravenhol
