// Everything the replacement host keeps: its configuration, its database, the
// data file descriptors and record buffers, the counters that tests read and
// the transcript of what the module showed.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "qelmar/qelmar.h"
#include "record_store.h"

namespace qelmar {

enum class DialogAnswer { kUniversal, kInterkam, kCancel };

// Failure in the Nth and following calls of a function; 0 = never.
struct CallFailure {
  int64_t from = 0;
  int64_t count = -1;  // how many calls fail; -1 = all from then on
  bool Fails(int64_t call) const { return from > 0 && call >= from && (count < 0 || call < from + count); }
};

struct HostConfig {
  int32_t interfaceVersion = 112;
  int32_t checkVerdict = 0;
  std::string checkText;  // Mazovia
  std::vector<uint16_t> missingFunctions;
  std::array<int32_t, kDataFileCount> recordLengths{};  // set from kDataFileNames
  std::array<bool, kDataFileCount> absent{};
  bool featureUntouched = false;
  uint32_t featureWord = 0;
  uint32_t stateFlags = 0;
  int16_t noticeAnswer = 1;
  int32_t activation = -1;  // the value for export 30008; -1: decided by the handshake
  DialogAnswer dialog = DialogAnswer::kUniversal;
  bool callLog = false;
  int32_t currentContractor = 0;
  int16_t currentWarehouse = 0;
  // Injected failures.
  std::vector<std::string> openFailures;   // relative names, '/' separated
  std::vector<std::string> closeFailures;  // likewise
  std::set<int32_t> missingInvoiceItemFiles;
  std::set<int32_t> missingContractItemFiles;
  bool discountFileMissing = false;
  int64_t discountReadFailsAt = -1;
  CallFailure alloc;
  CallFailure allocZeroed;
  int64_t printfRaisesAt = 0;
  uint32_t printfRaiseCode = 0xC0000005u;
  int64_t printfFailsFrom = 0;

  HostConfig();
};

#define QELMAR_COUNTERS(X)                                                                                 \
  X(kCursorOpen, "cursor.open") X(kCursorOpenFailed, "cursor.openFailed") X(kCursorClose, "cursor.close")  \
  X(kCursorDestroy, "cursor.destroy") X(kCursorNext, "cursor.next") X(kKeyInit, "key.init")                \
  X(kItemFileOpen, "itemFile.open") X(kItemFileClose, "itemFile.close")                                  \
  X(kItemFileRelease, "itemFile.release") X(kItemsRead, "items.read") X(kItemsFree, "items.free")         \
  X(kDiscountRead, "discount.read") X(kAllocCalls, "alloc.calls") X(kAllocZeroedCalls, "allocZeroed.calls") \
  X(kAllocFailed, "alloc.failed") X(kFreeCalls, "free.calls") X(kFreeInvalid, "free.invalid")             \
  X(kHolderInit, "holder.init") X(kHolderDestroy, "holder.destroy") X(kHolderApply, "holder.apply")       \
  X(kGuardEnter, "guard.enter") X(kGuardLeave, "guard.leave") X(kGuardMismatch, "guard.mismatch")         \
  X(kDialogConstruct, "dialogBase.construct") X(kDialogDestroy, "dialogBase.destroy")                     \
  X(kDialogSlots, "dialogBase.slots") X(kDialogVirtualTableMismatch, "dialogBase.virtualTableMismatch") X(kStreamOpen, "stream.open") X(kStreamOpenFailed, "stream.openFailed") \
  X(kStreamClose, "stream.close") X(kPrintfCalls, "printf.calls") X(kScanBegin, "scan.begin")             \
  X(kScanStep, "scan.step") X(kScanIdle, "scan.idle") X(kScanEnd, "scan.end")                             \
  X(kDiscountSetupA, "discountSetupA") X(kDiscountSetupB, "discountSetupB") X(kTablePrepare, "tablePrepare") \
  X(kPrepareContractItem, "prepareContractItem") X(kSettlementSetup, "settlementSetup")                   \
  X(kStampTargetCalls, "stampTarget.calls") X(kStampResolves, "stampTarget.resolves") X(kCallbackCalls, "callback.calls")                           \
  X(kReportCalls, "exceptionReport.calls") X(kMessages, "messages")

enum Counter : int {
#define QELMAR_COUNTER_ENUM(id, name) id,
  QELMAR_COUNTERS(QELMAR_COUNTER_ENUM)
#undef QELMAR_COUNTER_ENUM
      kCounterCount
};

// The descriptor that HostTableByNumber hands out: bytes 6-7 hold the record
// length, the pointer at byte 8 the current-record buffer.
struct TableDescriptor {
  unsigned char head[6];
  int16_t length;
  unsigned char* buffer;
  int32_t number;
  int32_t dataFile;
};

struct ItemFile;

struct Host {
  HostConfig config;
  Store store;
  std::array<TableDescriptor, kDataFileCount> tables{};
  std::array<std::unique_ptr<unsigned char[]>, kDataFileCount> buffers;
  std::vector<unsigned char> currentProp;  // loaded into Tspr_prop's buffer

  int32_t currentContractor = 0;
  int16_t currentWarehouse = 0;
  uint32_t stateFlags = 0;
  std::string baseDirectory = ".";  // file system path
  std::string baseMazovia;          // what HostBaseDirectory returns

  std::array<int64_t, kCounterCount> counters{};
  std::vector<std::string> transcript;
  std::vector<std::string> callLog;
  QelmarLineSink sink = nullptr;
  void* sinkContext = nullptr;

  std::unordered_set<void*> liveBlocks;
  std::unordered_set<ItemFile*> liveItemFiles;
  std::unordered_set<void*> liveItemArrays;
  std::unordered_set<void*> liveStreams;  // streams opened here and not yet closed
  const void* topGuard = nullptr;
  int64_t guardDepth = 0;

  bool commandRegistered = false;
  QelmarCommand command{};
  void* commandHandler = nullptr;
  std::vector<unsigned char> dialogTemplate;
  void* stamp = nullptr;  // the loaded module's ModuleStamp
};

Host& TheHost();

// Rebuilds descriptors and record buffers from the configured record lengths,
// and puts the current Tspr_prop record into its buffer.
void RebuildTables(Host& host);
// Applies the configured initial state (flags, current contractor/warehouse).
void ApplyInitialState(Host& host);
void SetBaseDirectory(Host& host, const std::string& path);

inline void Count(Counter counter) { ++TheHost().counters[counter]; }
const char* CounterName(int counter);

// Parts joined by single blanks: Line("HostCallback", "1", "-1").
template <class... Parts>
std::string Line(const Parts&... parts) {
  std::string line;
  ((line.empty() ? void() : void(line += ' '), line += parts), ...);
  return line;
}

// One transcript line (already formatted and escaped).
void Record(const std::string& line);
// One call-log line, built only when the call log is on.
bool CallLogOn();
void LogCall(const std::string& line);

}  // namespace qelmar
