// Scoped host objects: storage reserved by the module, state kept by the host,
// released through the host on every way out, a structured exception's
// included (each is listed in Held while it lives).
#pragma once

#include <cstdio>
#include <cstring>

#include "host/held.h"
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
  ~CursorScope() { Release(); }
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
  // Close, then HostCursorDestroy once.
  void Release() {
    Close();
    if (destroyed_) return;
    destroyed_ = true;
    host::HostCursorDestroy(&cursor_);
  }

  HostCursor cursor_;
  HostKey key_;
  bool opened_ = false;
  bool destroyed_ = false;
  Held held_{this, &ReleaseBy<CursorScope, &CursorScope::Release>};
};

// An item file taken out of its holder; HostCloseItemFile once.
class ItemFileScope {
 public:
  explicit ItemFileScope(HostItemFile* file = nullptr) : file_(file) {}
  ~ItemFileScope() { Close(); }
  ItemFileScope(const ItemFileScope&) = delete;
  ItemFileScope& operator=(const ItemFileScope&) = delete;

  HostItemFile* get() const { return file_; }
  void Reset(HostItemFile* file) {
    Close();
    file_ = file;
  }
  void Close() {
    if (file_ == nullptr) return;
    HostItemFile* file = file_;
    file_ = nullptr;
    host::HostCloseItemFile(&file);
  }

 private:
  HostItemFile* file_;
  Held held_{this, &ReleaseBy<ItemFileScope, &ItemFileScope::Close>};
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
  Held held_{this, &ReleaseBy<ItemArrayScope, &ItemArrayScope::Free>};
};

// A short-lived holder of the host's pointer-holder class: HostHolderInit
// with a value and a release function, HostHolderDestroy once (which never
// calls the release function).
class HolderScope {
 public:
  HolderScope(void* value, HostReleaseFunction release) {
    std::memset(&holder_, 0, sizeof holder_);
    host::HostHolderInit(&holder_, value, release, int32_t{0}, int32_t{0}, int32_t{0});
    initialised_ = true;
  }
  ~HolderScope() { Destroy(); }
  HolderScope(const HolderScope&) = delete;
  HolderScope& operator=(const HolderScope&) = delete;

  void* Get() { return host::HostHolderGet(&holder_); }
  void Destroy() {
    if (!initialised_) return;
    initialised_ = false;
    host::HostHolderDestroy(&holder_);
  }

 private:
  HostHolder holder_;
  bool initialised_ = false;
  Held held_{this, &ReleaseBy<HolderScope, &HolderScope::Destroy>};
};

// A stream opened through the host, closed by `close` unless it is handed
// over first.
class StreamScope {
 public:
  using Closer = void (*)(HostStream* stream);
  explicit StreamScope(Closer close, HostStream* stream = nullptr) : close_(close), stream_(stream) {}
  ~StreamScope() { Close(); }
  StreamScope(const StreamScope&) = delete;
  StreamScope& operator=(const StreamScope&) = delete;

  HostStream* get() const { return stream_; }
  void Reset(HostStream* stream) {
    Close();
    stream_ = stream;
  }
  HostStream* Release() {
    HostStream* stream = stream_;
    stream_ = nullptr;
    return stream;
  }
  void Close() {
    if (stream_ != nullptr) close_(Release());
  }

 private:
  Closer close_;
  HostStream* stream_;
  Held held_{this, &ReleaseBy<StreamScope, &StreamScope::Close>};
};

// The host's scan progress display, from HostScanBegin to HostScanEnd.
class ScanScope {
 public:
  explicit ScanScope(int32_t kind) {
    host::HostScanBegin(kind);
    begun_ = true;
  }
  ~ScanScope() { End(); }
  ScanScope(const ScanScope&) = delete;
  ScanScope& operator=(const ScanScope&) = delete;

  void End() {
    if (!begun_) return;
    begun_ = false;
    host::HostScanEnd();
  }

 private:
  bool begun_ = false;
  Held held_{this, &ReleaseBy<ScanScope, &ScanScope::End>};
};

// A diagnostic guard entered for the lifetime of the object.
class GuardScope {
 public:
  GuardScope(const char* function, const void* arguments) {
    std::memset(&guard_, 0, sizeof guard_);
    host::HostGuardEnter(&guard_, function, arguments);
    entered_ = true;
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
  bool entered_ = false;
  Held held_{this, &ReleaseBy<GuardScope, &GuardScope::Leave>};
};

// The host's current contractor, swapped for another while the object lives
// (the settlement walk reads the host's own): put back on every way out,
// once, also early by Restore. Nothing is swapped when the host gives no
// current contractor.
class ContractorSwap {
 public:
  ContractorSwap(int32_t* current, int32_t contractor) : current_(current) {
    if (current_ == nullptr) return;
    saved_ = *current_;
    *current_ = contractor;
  }
  ~ContractorSwap() { Restore(); }
  ContractorSwap(const ContractorSwap&) = delete;
  ContractorSwap& operator=(const ContractorSwap&) = delete;

  void Restore() {
    if (current_ == nullptr) return;
    *current_ = saved_;
    current_ = nullptr;
  }

 private:
  int32_t* current_;
  int32_t saved_ = 0;
  Held held_{this, &ReleaseBy<ContractorSwap, &ContractorSwap::Restore>};
};

}  // namespace dravenhol
