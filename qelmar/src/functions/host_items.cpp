// Item files (the items of one document, or the discount data file), contractor
// attributes, goods group and payment method names, and the host's progress
// and pass hooks, which only count and log.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "functions/host_functions.h"
#include "session/host_state.h"
#include "session/progress.h"
#include "store/layouts.h"

namespace qelmar {

struct ItemFile {
  RecordRange records;  // no records: a document without items
  int dataFile;         // Tspr_dok, Umst_dok or k4_tab (the discount data file)
};

}  // namespace qelmar

namespace qelmar::impl {

namespace {

HostItemFile* AsHandle(ItemFile* file) { return reinterpret_cast<HostItemFile*>(file); }

ItemFile* Live(const void* handle) {
  auto& live = TheHost().live.liveItemFiles;
  auto* file = static_cast<ItemFile*>(const_cast<void*>(handle));
  return live.count(file) != 0 ? file : nullptr;
}

bool Discard(ItemFile* file) {
  if (Live(file) == nullptr) return false;
  TheHost().live.liveItemFiles.erase(file);
  delete file;
  return true;
}

std::size_t CountOf(const ItemFile* file) { return file->records.count; }

// The bytes of a record the host hands out: its configured length.
std::size_t ConfiguredLength(int dataFile) {
  return static_cast<std::size_t>(std::max(TheHost().config.recordLengths[dataFile], 0));
}

}  // namespace

extern "C" HostItemFile* HOST_CDECL_ATTR HostOpenItemFile(int32_t index, void* key, void* auxiliary, int32_t* count) {
  Host& host = TheHost();
  if (count != nullptr) *count = 0;
  ItemFile file{RecordRange{}, kTsprDok};
  if (index == kInvoiceItemIndex || index == kContractItemIndex) {
    int32_t document = 0;
    if (key != nullptr) std::memcpy(&document, static_cast<const unsigned char*>(key) + 4, sizeof document);
    const bool invoice = index == kInvoiceItemIndex;
    const auto& missing = invoice ? host.config.missingInvoiceItemFiles : host.config.missingContractItemFiles;
    if (CallLogOn()) LogCall(Line("HostOpenItemFile", std::to_string(index), std::to_string(document)));
    if (missing.count(document) != 0 || Injected(kInjectItemFile)) return nullptr;
    file.dataFile = invoice ? kTsprDok : kUmstDok;
    host.data.store.Items(invoice, document, file.records);
  } else if (index == kDiscountFileKind) {
    LogCall(Line("HostOpenItemFile", std::to_string(index)));
    if (host.config.discountFileMissing || host.config.absent[kK4Tab] || Injected(kInjectItemFile)) return nullptr;
    if (auxiliary != nullptr && auxiliary != &host.data.tables[kK4Tab]) return nullptr;
    file.records = host.data.store.Records(kK4Tab);
    file.dataFile = kK4Tab;
  } else {
    return nullptr;
  }
  auto* open = new ItemFile(file);
  host.live.liveItemFiles.insert(open);
  Count(kItemFileOpen);
  if (count != nullptr) *count = static_cast<int32_t>(CountOf(open));
  return AsHandle(open);
}

// One block: count + 1 pointers (the last null), then the records' copies.
extern "C" void** HOST_CDECL_ATTR HostReadItems(HostItemFile* handle, int32_t count) {
  Host& host = TheHost();
  const ItemFile* file = Live(handle);
  if (file == nullptr || file->dataFile == kK4Tab || count <= 0 || Injected(kInjectItemRead)) return nullptr;
  const std::size_t n = static_cast<std::size_t>(count);
  const std::size_t length = ConfiguredLength(file->dataFile);
  const std::size_t stored = std::min<std::size_t>(length, file->records.length);
  const std::size_t pointers = (n + 1) * sizeof(void*);
  auto* block = static_cast<unsigned char*>(std::calloc(1, pointers + n * length));
  if (block == nullptr) return nullptr;
  auto** items = reinterpret_cast<void**>(block);
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char* copy = block + pointers + i * length;
    if (i < CountOf(file)) std::memcpy(copy, file->records.At(i), stored);
    if (host.config.recordGarbage) ForEachUnusedRun(file->dataFile, copy, length, &FillWithGarbage);
    items[i] = copy;
  }
  host.live.liveItemArrays.insert(block);
  Count(kItemsRead);
  return items;
}

extern "C" void HOST_CDECL_ATTR HostFreeItems(void** items) {
  Host& host = TheHost();
  if (items == nullptr) return;
  if (host.live.liveItemArrays.erase(items) == 0) {
    Count(kFreeInvalid);
    return;
  }
  std::free(items);
  Count(kItemsFree);
}

extern "C" int32_t HOST_CDECL_ATTR HostReadItemRecord(int32_t, int32_t record, HostTable* table, int32_t,
                                                      HostItemFile* handle) {
  Host& host = TheHost();
  const ItemFile* file = Live(handle);
  if (file == nullptr || file->dataFile != kK4Tab || record < 0 || static_cast<std::size_t>(record) >= CountOf(file))
    return 0;
  if (Injected(kInjectDiscountRead)) return 0;
  if (table != reinterpret_cast<HostTable*>(&host.data.tables[kK4Tab])) return 0;
  const std::size_t configured = ConfiguredLength(kK4Tab);
  const std::size_t length = std::min<std::size_t>(file->records.length, configured);
  std::memcpy(host.data.tables[kK4Tab].buffer, file->records.At(static_cast<std::size_t>(record)), length);
  std::memset(host.data.tables[kK4Tab].buffer + length, 0, configured - length);
  if (host.config.recordGarbage)
    ForEachUnusedRun(kK4Tab, host.data.tables[kK4Tab].buffer, configured, &FillWithGarbage);
  return 1;
}

extern "C" void HOST_CDECL_ATTR HostCloseItemFile(HostItemFile** file) {
  if (file == nullptr) return;
  if (Discard(Live(*file))) Count(kItemFileClose);
  *file = nullptr;
}

// The release function of an item file's holder: closes a file still open.
extern "C" void HOST_CDECL_ATTR HostReleaseItemFile(void* file) {
  Count(kItemFileRelease);
  Discard(Live(file));
}

extern "C" void HOST_CDECL_ATTR HostPrepareContractItem(int32_t, void*, int32_t, const void*) {
  Count(kPrepareContractItem);
  LogCall("HostPrepareContractItem");
}

extern "C" void HOST_CDECL_ATTR HostSettlementSetup(void*) {
  Count(kSettlementSetup);
  LogCall("HostSettlementSetup");
}

// Fills the 408-byte attribute record: kind at byte 6, value from byte 103.
extern "C" int32_t HOST_CDECL_ATTR HostGetAttribute(int32_t, int32_t owner, int32_t, int32_t, const char* name,
                                                    void* attribute, int32_t) {
  constexpr std::size_t kRecordSize = 408;
  constexpr std::size_t kKindOffset = 6;
  constexpr std::size_t kValueOffset = 103;
  Host& host = TheHost();
  if (name == nullptr || attribute == nullptr) return -1;
  Attribute found;
  if (!host.data.store.FindAttribute(owner, name, found)) return -1;
  auto* record = static_cast<unsigned char*>(attribute);
  // Bytes that carry no value: zero, or garbage on a host that leaves them.
  if (host.config.recordGarbage)
    FillGarbage(host, record, kRecordSize);
  else
    std::memset(record, 0, kRecordSize);
  std::memcpy(record + kKindOffset, &found.kind, sizeof found.kind);
  const std::size_t n = std::min(found.value.size(), kRecordSize - kValueOffset - 1);
  std::memcpy(record + kValueOffset, found.value.data(), n);
  record[kValueOffset + n] = '\0';
  return 0;
}

extern "C" void HOST_CDECL_ATTR HostGroupName(char* name, int32_t nameSize, const int32_t* group, int32_t) {
  if (name == nullptr || nameSize <= 0) return;
  name[0] = '\0';
  if (group == nullptr) return;
  std::string found;
  if (!TheHost().data.store.Name(store_layout::kGoodsGroups, *group, found)) return;
  const std::size_t n = std::min(found.size(), static_cast<std::size_t>(nameSize) - 1);
  std::memcpy(name, found.data(), n);
  name[n] = '\0';
}

extern "C" const char* HOST_CDECL_ATTR HostPaymentMethodName(int32_t method) {
  // The name stays valid until the next database: each is kept once asked for.
  auto& names = TheHost().data.paymentMethodNames;
  auto found = names.find(method);
  if (found == names.end()) {
    std::string name;
    TheHost().data.store.Name(store_layout::kPaymentMethods, method, name);
    found = names.emplace(method, std::move(name)).first;
  }
  return found->second.c_str();
}

extern "C" void HOST_CDECL_ATTR HostScanBegin(int32_t kind) {
  Count(kScanBegin);
  if (CallLogOn()) LogCall(Line("HostScanBegin", std::to_string(kind)));
}

extern "C" void HOST_CDECL_ATTR HostScanStep(int32_t record, int32_t count) {
  Count(kScanStep);
  ProgressScan(record, count);
  if (CallLogOn()) LogCall(Line("HostScanStep", std::to_string(record), std::to_string(count)));
}

extern "C" void HOST_CDECL_ATTR HostScanIdle(int32_t value) {
  Count(kScanIdle);
  if (CallLogOn()) LogCall(Line("HostScanIdle", std::to_string(value)));
}

extern "C" void HOST_CDECL_ATTR HostScanEnd() {
  Count(kScanEnd);
  LogCall("HostScanEnd");
}

extern "C" void HOST_CDECL_ATTR HostDiscountPassSetupA(int32_t a, int32_t b) {
  Count(kDiscountSetupA);
  if (CallLogOn()) LogCall(Line("HostDiscountPassSetupA", std::to_string(a), std::to_string(b)));
}

extern "C" void HOST_CDECL_ATTR HostDiscountPassSetupB(int32_t a) {
  Count(kDiscountSetupB);
  if (CallLogOn()) LogCall(Line("HostDiscountPassSetupB", std::to_string(a)));
}

}  // namespace qelmar::impl
