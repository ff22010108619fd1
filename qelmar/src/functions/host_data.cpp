// Data files, keys and cursors. A cursor keeps its whole state inside the
// module's 192 bytes: where the records lie, the order to take them in and how
// far it has got. HostCursorNext copies one stored record into the data file's
// record buffer and does nothing else.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "functions/host_functions.h"
#include "session/host_state.h"
#include "store/layouts.h"

namespace qelmar::impl {

namespace {

constexpr uint32_t kOpenMagic = 0x4E505543;    // "CUPN"
constexpr uint32_t kClosedMagic = 0x534C4355;  // "UCLS"

struct CursorState {
  uint32_t magic;
  int32_t index;
  RecordRange records;
  OrderRange order;  // record numbers; without numbers the records as stored
  uint32_t position;
  std::size_t length;  // bytes copied from a record
  std::size_t rest;    // bytes of the buffer past them, zeroed
  unsigned char* buffer;
  int32_t dataFile;
};
// The module clears the cursor's last 32-bit field before opening; the
// state stays clear of it.
static_assert(sizeof(CursorState) <= sizeof(HostCursor) - 4);

CursorState* StateOf(HostCursor* cursor) { return reinterpret_cast<CursorState*>(cursor->storage); }

TableDescriptor* Descriptor(HostTable* table) {
  Host& host = TheHost();
  for (auto& descriptor : host.data.tables)
    if (reinterpret_cast<HostTable*>(&descriptor) == table) return &descriptor;
  return nullptr;
}

// Points the cursor at what the index yields now: index 53 follows the
// current contractor, index 4 the current warehouse. Records are stored at
// the length the fixture had; the host's configured length may differ, and
// the buffer takes what fits, zero beyond.
bool Aim(Host& host, int32_t index, CursorState& state) {
  const int file = DataFileOfIndex(index);
  if (file < 0 || host.config.absent[file]) return false;
  Store& store = host.data.store;
  state.records = store.Records(file);
  state.order = OrderRange{};
  if (index == 53) {
    state.order = store.SettlementsOf(host.module.currentContractor);
  } else if (index == 4) {
    store.WarehouseGoods(host.module.currentWarehouse, state.records);
    state.order.count = state.records.count;
  } else if (!store.Index(index, state.order)) {
    state.order = OrderRange{};
  }
  state.position = 0;
  const std::size_t configured = host.config.recordLengths[file] > 0 ? host.config.recordLengths[file] : 0;
  state.length = std::min<std::size_t>(state.records.length, configured);
  state.rest = configured - state.length;
  state.buffer = host.data.tables[file].buffer;
  state.dataFile = file;
  return true;
}

}  // namespace

extern "C" HostTable* HOST_CDECL_ATTR HostTableByNumber(int32_t number) {
  Host& host = TheHost();
  LogCall(Line("HostTableByNumber", std::to_string(number)));
  const int file = DataFileByNumber(number);
  if (file < 0 || host.config.absent[file]) return nullptr;
  return reinterpret_cast<HostTable*>(&host.data.tables[file]);
}

extern "C" void HOST_CDECL_ATTR HostTablePrepare(HostTable* table, int32_t mode) {
  Count(kTablePrepare);
  Host& host = TheHost();
  const TableDescriptor* descriptor = Descriptor(table);
  if (descriptor != nullptr && descriptor->dataFile == kTsprProp && !host.data.currentProp.empty() &&
      host.config.recordLengths[kTsprProp] > 0) {
    const auto length = static_cast<std::size_t>(host.config.recordLengths[kTsprProp]);
    std::memcpy(descriptor->buffer, host.data.currentProp.data(),
                std::min<std::size_t>(host.data.currentProp.size(), length));
    if (host.config.recordGarbage) ForEachUnusedRun(kTsprProp, descriptor->buffer, length, &FillWithGarbage);
  }
  if (CallLogOn())
    LogCall(Line("HostTablePrepare", std::to_string(descriptor != nullptr ? descriptor->number : -1),
                 std::to_string(mode)));
}

extern "C" void* HOST_CDECL_ATTR HostKeyInit(int32_t index, int32_t value, HostKey* key, int32_t) {
  Count(kKeyInit);
  if (key != nullptr) {
    std::memset(key->storage, 0, sizeof key->storage);
    std::memcpy(key->storage, &index, sizeof index);
    std::memcpy(key->storage + 4, &value, sizeof value);
  }
  // The auxiliary value of an item key names the item kind for HostOpenItemFile.
  static int32_t invoiceItems = kInvoiceItemIndex;
  static int32_t contractItems = kContractItemIndex;
  if (index == kInvoiceItemIndex) return &invoiceItems;
  if (index == kContractItemIndex) return &contractItems;
  return nullptr;
}

extern "C" int32_t HOST_CDECL_ATTR HostItemIndexOf(int32_t index) {
  if (index == 811) return kInvoiceItemIndex;
  if (index == 72) return kContractItemIndex;
  return 0;
}

extern "C" int16_t HOST_THIS_ATTR HostCursorOpen(HostCursor* self, HostTable* table, int32_t index, HostKey*, int32_t,
                                                 int32_t) {
  Host& host = TheHost();
  if (self == nullptr) return 0;
  CursorState state{};
  const bool known = table == nullptr || Descriptor(table) != nullptr;
  host.live.liveCursors.insert(self);  // open until closed, also when the open fails
  if (!known || !Aim(host, index, state)) {
    StateOf(self)->magic = kClosedMagic;
    Count(kCursorOpenFailed);
    LogCall(Line("HostCursorOpen", std::to_string(index), "failed"));
    return 0;
  }
  state.magic = kOpenMagic;
  state.index = index;
  std::memcpy(self->storage, &state, sizeof state);
  Count(kCursorOpen);
  if (CallLogOn()) LogCall(Line("HostCursorOpen", std::to_string(index), std::to_string(state.order.count)));
  return 1;
}

extern "C" int32_t HOST_THIS_ATTR HostCursorNext(HostCursor* self) {
  if (self == nullptr) return 0;
  CursorState* state = StateOf(self);
  if (state->magic != kOpenMagic || state->position >= state->order.count) return 0;
  const uint32_t n = state->order.At(state->position);
  if (n >= state->records.count) return 0;
  std::memcpy(state->buffer, state->records.At(n), state->length);
  if (state->rest > 0) std::memset(state->buffer + state->length, 0, state->rest);
  if (TheHost().config.recordGarbage)
    ForEachUnusedRun(state->dataFile, state->buffer, state->length + state->rest, &FillWithGarbage);
  ++state->position;
  Count(kCursorNext);
  return 1;
}

extern "C" void HOST_THIS_ATTR HostCursorClose(HostCursor* self) {
  Count(kCursorClose);
  if (TheHost().live.liveCursors.erase(self) == 0) Count(kCursorCloseUnopened);
  if (self != nullptr) StateOf(self)->magic = kClosedMagic;
  LogCall("HostCursorClose");
}

extern "C" void HOST_THIS_ATTR HostCursorDestroy(HostCursor* self) {
  Count(kCursorDestroy);
  if (self != nullptr) std::memset(self->storage, 0, sizeof(CursorState));
  LogCall("HostCursorDestroy");
}

extern "C" int32_t* HOST_CDECL_ATTR HostCurrentContractorRef() { return &TheHost().module.currentContractor; }

extern "C" int16_t* HOST_CDECL_ATTR HostCurrentWarehouse() { return &TheHost().module.currentWarehouse; }

extern "C" void HOST_CDECL_ATTR HostMakeDataName(int32_t kind, void* name, const char* prefix, const char* suffix,
                                                 int32_t mode) {
  if (name != nullptr)
    std::snprintf(static_cast<char*>(name), sizeof(HostKey), "%s%d%s", prefix != nullptr ? prefix : "", kind,
                  suffix != nullptr ? suffix : "");
  if (CallLogOn()) LogCall(Line("HostMakeDataName", std::to_string(kind), std::to_string(mode)));
}

}  // namespace qelmar::impl
