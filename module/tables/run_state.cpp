#include "tables/run_state.h"

#include <algorithm>
#include <new>

#include "host/host_api.h"
#include "tables/discounts.h"
#include "tables/names.h"
#include "tables/settlements.h"

namespace dravenhol {

namespace {

RecordView Bounded(const void* data, const HostTable* table, DataFileId file) {
  const int32_t length = std::min(HostRecordLength(table), kDataFiles[file].recordLength);
  return RecordView(data, length > 0 ? static_cast<std::size_t>(length) : 0);
}

}  // namespace

void RunState::Begin() {
  holdersReady = 0;
  try {
    host::HostHolderInit(&primaryFile, static_cast<void*>(nullptr), HostReleaseFunction{}, int32_t{0}, int32_t{0},
                         int32_t{0});
    ++holdersReady;
    host::HostHolderInit(&secondaryFile, static_cast<void*>(nullptr), HostReleaseFunction{}, int32_t{0}, int32_t{0},
                         int32_t{0});
    ++holdersReady;
    currentIndex = 0;
    for (DataFile& file : dataFiles) file = DataFile{nullptr, nullptr};
    host::HostHolderSet(&primaryFile, static_cast<void*>(nullptr));
    host::HostHolderSet(&secondaryFile, static_cast<void*>(nullptr));
    tabIdentyf = nullptr;
    sendMethod = kUniversal;
    primaryState = OutputFileState{};
    secondaryState = OutputFileState{};
    discounts = nullptr;
    firstNames = nullptr;
    settlements = nullptr;
    marksIncomplete = false;
  } catch (...) {
    // What was built is taken down in reverse order.
    DestroyHolders();
    throw;
  }
}

void RunState::DestroyHolders() {
  // Each holder is destroyed once, also when an exception interrupts this.
  if (holdersReady > 1) {
    holdersReady = 1;
    host::HostHolderDestroy(&secondaryFile);
  }
  if (holdersReady > 0) {
    holdersReady = 0;
    host::HostHolderDestroy(&primaryFile);
  }
}

void RunState::End(bool abandoned) {
  if (int32_t* marks = tabIdentyf; marks != nullptr) {
    tabIdentyf = nullptr;
    host::HostFree(static_cast<void*>(marks));
  }
  ReleaseCaches();
  if (holdersReady > 0) CloseOutputFile(&primaryFile, &primaryState, abandoned);
  if (holdersReady > 1) CloseOutputFile(&secondaryFile, &secondaryState, abandoned);
  currentIndex = 0;
  DestroyHolders();
}

RecordView RunState::Record(DataFileId file) const {
  return Bounded(dataFiles[file].record, dataFiles[file].table, file);
}

RecordView RunState::ItemRecord(const void* item, DataFileId file) const {
  return Bounded(item, dataFiles[file].table, file);
}

void RunState::WritePrimary(const char* line) {
  WriteOutputLine(&primaryFile, &primaryState, line, primaryState.capacity);
}

void RunState::WriteSecondary(const char* line) {
  WriteOutputLine(&secondaryFile, &secondaryState, line, secondaryState.capacity);
}

void RunState::CloseOutputFiles() {
  CloseOutputFile(&primaryFile, &primaryState);
  CloseOutputFile(&secondaryFile, &secondaryState);
}

const char* RunState::PrimaryName() const { return primaryState.name != nullptr ? primaryState.name : ""; }

const char* RunState::SecondaryName() const { return secondaryState.name != nullptr ? secondaryState.name : ""; }

void RunState::ReleaseCaches() {
  delete discounts;
  discounts = nullptr;
  delete firstNames;
  firstNames = nullptr;
  delete settlements;
  settlements = nullptr;
}

void RunState::EndPass() {
  delete settlements;
  settlements = nullptr;
}

SettlementCache* RunState::Settlements() {
  if (settlements == nullptr) settlements = new (std::nothrow) SettlementCache;
  return settlements;
}

}  // namespace dravenhol
