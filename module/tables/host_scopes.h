// Host objects that the table exporters open, owned for one scope: each is
// released on every way out, also when an exception passes.
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
    opened_ = true;
    return host::HostCursorOpen(&cursor_, static_cast<HostTable*>(nullptr), index, &key_, int32_t{0},
                                int32_t{0}) != 0;
  }
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

}  // namespace dravenhol
