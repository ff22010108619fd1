#include "host_state.h"

#include <algorithm>
#include <cstring>

#include "text_codec.h"

namespace qelmar {

HostConfig::HostConfig() {
  for (int i = 0; i < kDataFileCount; ++i) recordLengths[i] = kDataFileNames[i].defaultLength;
}

Host& TheHost() {
  static Host host;
  static const bool ready = [] {
    SetBaseDirectory(host, ".");
    RebuildTables(host);
    ApplyInitialState(host);
    return true;
  }();
  (void)ready;
  return host;
}

void RebuildTables(Host& host) {
  for (int i = 0; i < kDataFileCount; ++i) {
    const int32_t length = host.config.recordLengths[i];
    const std::size_t bufferSize = length > 0 ? static_cast<std::size_t>(length) : 1;
    host.buffers[i] = std::make_unique<unsigned char[]>(bufferSize);
    TableDescriptor& table = host.tables[i];
    std::memset(&table, 0, sizeof table);
    table.length = static_cast<int16_t>(static_cast<uint16_t>(length));
    table.buffer = host.buffers[i].get();
    table.number = kDataFileNames[i].number;
    table.dataFile = i;
  }
  const std::size_t propLength = host.config.recordLengths[kTsprProp] > 0 ? host.config.recordLengths[kTsprProp] : 0;
  const std::size_t n = std::min(propLength, host.currentProp.size());
  if (n > 0) std::memcpy(host.buffers[kTsprProp].get(), host.currentProp.data(), n);
}

void ApplyInitialState(Host& host) {
  host.stateFlags = host.config.stateFlags;
  host.currentContractor = host.config.currentContractor;
  host.currentWarehouse = host.config.currentWarehouse;
}

void SetBaseDirectory(Host& host, const std::string& path) {
  host.baseDirectory = path.empty() ? "." : path;
  host.baseMazovia = FileSystemToMazovia(host.baseDirectory);
}

const char* CounterName(int counter) {
  static constexpr const char* kNames[] = {
#define QELMAR_COUNTER_NAME(id, name) name,
      QELMAR_COUNTERS(QELMAR_COUNTER_NAME)
#undef QELMAR_COUNTER_NAME
  };
  return counter >= 0 && counter < kCounterCount ? kNames[counter] : nullptr;
}

void Record(const std::string& line) {
  Host& host = TheHost();
  host.transcript.push_back(line);
  if (host.sink != nullptr) host.sink(line.c_str(), host.sinkContext);
}

bool CallLogOn() { return TheHost().config.callLog; }

void LogCall(const std::string& line) {
  if (CallLogOn()) TheHost().callLog.push_back(line);
}

}  // namespace qelmar
