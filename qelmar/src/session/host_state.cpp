#include "session/host_state.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/host_platform.h"
#include "text/text_codec.h"

namespace qelmar {

HostConfig::HostConfig() {
  for (int i = 0; i < kDataFileCount; ++i) recordLengths[i] = kDataFileNames[i].defaultLength;
}

#if defined(__SANITIZE_ADDRESS__)
#define QELMAR_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QELMAR_ADDRESS_SANITIZER 1
#endif
#endif

bool SpareBlock::Keep(void* block, std::size_t size) {
#ifdef QELMAR_ADDRESS_SANITIZER
  (void)block;
  (void)size;
  return false;
#else
  if (block_ != nullptr) return false;
  block_ = block;
  size_ = size;
  return true;
#endif
}

Host& TheHost() {
  // Made once, ready before first use; every host function asks for it.
  static Host& host = []() -> Host& {
    static Host made;
    std::string error;  // without the runtime, every open fails
    made.live.streams = LoadStreamRuntime(made.config.streamRuntime, error);
    SetBaseDirectory(made, ".");
    RebuildTables(made);
    ApplyInitialState(made);
    return made;
  }();
  return host;
}

void RebuildTables(Host& host) {
  for (int i = 0; i < kDataFileCount; ++i) {
    const int32_t length = host.config.recordLengths[i];
    const std::size_t bufferSize = length > 0 ? static_cast<std::size_t>(length) : 1;
    host.data.buffers[i] = std::make_unique<unsigned char[]>(bufferSize);
    TableDescriptor& table = host.data.tables[i];
    std::memset(&table, 0, sizeof table);
    table.length = static_cast<int16_t>(static_cast<uint16_t>(length));
    table.buffer = host.data.buffers[i].get();
    table.number = kDataFileNames[i].number;
    table.dataFile = i;
  }
  const std::size_t propLength = host.config.recordLengths[kTsprProp] > 0 ? host.config.recordLengths[kTsprProp] : 0;
  const std::size_t n = std::min(propLength, host.data.currentProp.size());
  if (n > 0) std::memcpy(host.data.buffers[kTsprProp].get(), host.data.currentProp.data(), n);
}

// xorshift32, one step per four bytes; a zero byte becomes 0xA5.
void FillGarbage(Host& host, unsigned char* bytes, std::size_t count) {
  uint32_t x = host.live.garbage;
  for (std::size_t i = 0; i < count; i += 4) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    for (std::size_t k = 0; k < 4 && i + k < count; ++k) {
      const auto byte = static_cast<unsigned char>(x >> (8 * k));
      bytes[i + k] = byte != 0 ? byte : 0xA5;
    }
  }
  host.live.garbage = x;
}

void FillWithGarbage(unsigned char* bytes, std::size_t count) { FillGarbage(TheHost(), bytes, count); }

void ApplyInitialState(Host& host) {
  host.module.stateFlags = host.config.stateFlags;
  host.module.currentContractor = host.config.currentContractor;
  host.module.currentWarehouse = host.config.currentWarehouse;
}

void SetBaseDirectory(Host& host, const std::string& path) {
  host.module.baseDirectory = path.empty() ? "." : path;
  host.module.baseMazovia = FileSystemToMazovia(host.module.baseDirectory);
}

const char* CounterName(int counter) {
  static constexpr const char* kNames[] = {
#define QELMAR_COUNTER_NAME(id, name) name,
      QELMAR_COUNTERS(QELMAR_COUNTER_NAME)
#undef QELMAR_COUNTER_NAME
  };
  return counter >= 0 && counter < kCounterCount ? kNames[counter] : nullptr;
}

namespace {

struct InjectionKind {
  const char* name;
  int slot;  // the host function whose calls are counted; -1: closes of output streams
};

constexpr InjectionKind kInjectionKinds[] = {
#define QELMAR_INJECTION_KIND(id, name, slot) {name, slot},
    QELMAR_INJECTIONS(QELMAR_INJECTION_KIND)
#undef QELMAR_INJECTION_KIND
};

// Earlier names of call counts.
struct Alias {
  const char* name;
  Injection kind;
};
constexpr Alias kAliases[] = {{"alloc.calls", kInjectAlloc},
                              {"allocZeroed.calls", kInjectAllocZeroed},
                              {"printf.calls", kInjectWrite},
                              {"discount.read", kInjectDiscountRead}};

// Host objects that the module took and has not given back, by counter name.
constexpr const char* kLiveCounters[] = {"cursor.live", "alloc.live",  "itemFile.live", "items.live",
                                         "guard.depth", "stream.live", "holder.live",   "dialogBase.live"};

int64_t LiveValue(const Host& host, const std::string& name) {
  if (name == "alloc.live") return static_cast<int64_t>(host.live.liveBlocks.size());
  if (name == "itemFile.live") return static_cast<int64_t>(host.live.liveItemFiles.size());
  if (name == "items.live") return static_cast<int64_t>(host.live.liveItemArrays.size());
  if (name == "stream.live") return static_cast<int64_t>(host.live.liveStreams.size());
  if (name == "cursor.live") return static_cast<int64_t>(host.live.liveCursors.size());
  if (name == "holder.live") return host.counts.counters[kHolderInit] - host.counts.counters[kHolderDestroy];
  if (name == "dialogBase.live") return host.counts.counters[kDialogConstruct] - host.counts.counters[kDialogDestroy];
  if (name == "guard.depth") return host.live.guardDepth;
  return 0;
}

}  // namespace

const char* InjectionName(int kind) {
  return kind >= 0 && kind < kInjectionCount ? kInjectionKinds[kind].name : nullptr;
}

int64_t InjectionCalls(Injection kind) {
  const Host& host = TheHost();
  const int slot = kInjectionKinds[kind].slot;
  return slot >= 0 ? host.counts.calls[slot] : host.counts.outputCloses;
}

bool Injected(Injection kind) { return TheHost().config.injections[kind].Fails(InjectionCalls(kind)); }

bool ReadCounter(const std::string& name, int64_t& value) {
  const Host& host = TheHost();
  for (int i = 0; i < kCounterCount; ++i)
    if (name == CounterName(i)) return value = host.counts.counters[i], true;
  for (const char* live : kLiveCounters)
    if (name == live) return value = LiveValue(host, name), true;
  if (name == "unreleased") {
    value = 0;
    for (const char* live : kLiveCounters) value += std::abs(LiveValue(host, live));
    return true;
  }
  for (const Alias& alias : kAliases)
    if (name == alias.name) return value = InjectionCalls(alias.kind), true;
  const std::string_view inject = "inject.", calls = ".calls";
  if (name.starts_with(inject) && name.ends_with(calls) && name.size() > inject.size() + calls.size()) {
    const std::string kind = name.substr(inject.size(), name.size() - inject.size() - calls.size());
    for (int k = 0; k < kInjectionCount; ++k)
      if (kind == kInjectionKinds[k].name) return value = InjectionCalls(static_cast<Injection>(k)), true;
    return false;
  }
  if (name.starts_with("calls.")) {
    const int slot = HostSlotByName(name.substr(6));
    if (slot < 0) return false;
    value = host.counts.calls[slot];
    return true;
  }
  const MappingStats& mapping = host.data.store.mapping();
  if (name == "store.views") return value = mapping.views, true;
  if (name == "store.largestView") return value = static_cast<int64_t>(mapping.largestView), true;
  if (name == "store.mappedPeak") return value = static_cast<int64_t>(mapping.mappedPeak), true;
  if (name == "stateFlags") return value = host.module.stateFlags, true;
  if (name == "currentContractor") return value = host.module.currentContractor, true;
  if (name == "currentWarehouse") return value = host.module.currentWarehouse, true;
  return false;
}

std::string Unreleased() {
  const Host& host = TheHost();
  std::string live;
  for (const char* counter : kLiveCounters)
    if (const int64_t n = LiveValue(host, counter); n != 0) {
      live += ' ';
      live += counter;
      live += '=';
      live += std::to_string(n);
    }
  return live;
}

void Record(const std::string& line) {
  Host& host = TheHost();
  host.log.transcript.push_back(line);
  if (host.log.sink != nullptr) host.log.sink(line.c_str(), host.log.sinkContext);
}

bool CallLogOn() { return TheHost().config.callLog; }

void LogCall(const std::string& line) {
  if (CallLogOn()) TheHost().log.callLog.push_back(line);
}

}  // namespace qelmar
