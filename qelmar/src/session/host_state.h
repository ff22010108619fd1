// Everything the replacement host keeps: its configuration, its database, the
// data file descriptors and record buffers, the counters that tests read and
// the transcript of what the module showed.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "functions/host_entry.h"
#include "probe.h"
#include "qelmar/qelmar.h"
#include "store/store.h"

namespace qelmar {

enum class DialogAnswer { kUniversal, kInterkam, kCancel };

// Failure in the Nth and following calls of a function; 0 = never.
struct CallFailure {
  int64_t from = 0;
  int64_t count = -1;  // how many calls fail; -1 = all from then on
  bool Fails(int64_t call) const { return from > 0 && call >= from && (count < 0 || call < from + count); }
};

// The kinds of failure that can be injected by call number
// (host.failures.<kind>); a run's calls of each kind are counted as
// "inject.<kind>.calls". closeOutput counts the closes of output streams that
// the host sees, every other kind the calls of one host function.
// clang-format off
#define QELMAR_INJECTIONS(X)                                        \
  X(kInjectAlloc, "alloc", kSlotHostAlloc)                          \
  X(kInjectAllocZeroed, "allocZeroed", kSlotHostAllocZeroed)        \
  X(kInjectOpenOutput, "openOutput", kSlotHostFileOpenShared)       \
  X(kInjectWrite, "write", kSlotHostFilePrintf)                     \
  X(kInjectCloseOutput, "closeOutput", -1)                          \
  X(kInjectItemFile, "itemFile", kSlotHostOpenItemFile)             \
  X(kInjectItemRead, "itemRead", kSlotHostReadItems)                \
  X(kInjectDiscountRead, "discountRead", kSlotHostReadItemRecord)
// clang-format on

enum Injection : int {
#define QELMAR_INJECTION_ENUM(id, name, slot) id,
  QELMAR_INJECTIONS(QELMAR_INJECTION_ENUM)
#undef QELMAR_INJECTION_ENUM
      kInjectionCount
};
const char* InjectionName(int kind);

// An exception raised at the call-th call of a host function, in one of the
// forms of probe.h: a structured exception (the default), the host's
// SE_Exception, or its HostError.
struct RaiseAt {
  int slot = -1;
  int64_t call = 0;
  uint32_t code = 0xC0000005u;
  uint32_t form = kProbeStructured;
};

// The last exception a host function raised, and whether it was raised
// inside the module's line writer (its SaveInUtf guard entered).
struct RaisedException {
  bool any = false;
  bool inLineWriter = false;
  ProbeException facts{};
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
  std::vector<std::string> cutFiles;       // likewise: cut to half their size by someone at the close
  std::set<int32_t> missingInvoiceItemFiles;
  std::set<int32_t> missingContractItemFiles;
  bool discountFileMissing = false;
  std::array<CallFailure, kInjectionCount> injections{};
  std::vector<RaiseAt> raises;
  bool resumeStructured = false;   // the command's frame continues structured exceptions
  bool recodeBack = true;          // HostRecodeText converts in every direction, not only 1 to 3
  std::map<int, int32_t> results;  // by slot: the result a host function gives instead of the real one
  // Behaviours left to the host, each a variation the module must not depend on.
  std::string streamRuntime = "ucrtbase";  // the C runtime of its streams (Windows; one on Linux)
  bool pathAppendInserts = true;           // HostPathAppend puts a backslash between directory and name
  bool baseTrailingBackslash = false;      // HostBaseDirectory ends with a backslash
  std::string baseSubdirectory;            // Mazovia: HostBaseDirectory names this directory below the base
  std::size_t scratchSize = 5002;          // HostScratchBuffer's bytes
  bool scratchGarbage = false;             // HostScratchBuffer is refilled with non-zero garbage at each call
  bool recordGarbage = false;              // bytes of a record that carry no value are garbage
  bool recodeDrops = false;                // HostRecodeText drops a character the target lacks (not '?')

  HostConfig();
};

// clang-format off
#define QELMAR_COUNTERS(X)                                            \
  X(kCursorOpen, "cursor.open")                                       \
  X(kCursorOpenFailed, "cursor.openFailed")                           \
  X(kCursorClose, "cursor.close")                                     \
  X(kCursorCloseUnopened, "cursor.closeUnopened")                     \
  X(kCursorDestroy, "cursor.destroy")                                 \
  X(kCursorNext, "cursor.next")                                       \
  X(kKeyInit, "key.init")                                             \
  X(kItemFileOpen, "itemFile.open")                                   \
  X(kItemFileClose, "itemFile.close")                                 \
  X(kItemFileRelease, "itemFile.release")                             \
  X(kItemsRead, "items.read")                                         \
  X(kItemsFree, "items.free")                                         \
  X(kAllocFailed, "alloc.failed")                                     \
  X(kAllocLiveBytes, "alloc.liveBytes")                               \
  X(kAllocPeakBytes, "alloc.peakBytes")                               \
  X(kFreeCalls, "free.calls")                                         \
  X(kFreeInvalid, "free.invalid")                                     \
  X(kHolderInit, "holder.init")                                       \
  X(kHolderDestroy, "holder.destroy")                                 \
  X(kHolderApply, "holder.apply")                                     \
  X(kGuardEnter, "guard.enter")                                       \
  X(kGuardLeave, "guard.leave")                                       \
  X(kGuardMismatch, "guard.mismatch")                                 \
  X(kDialogConstruct, "dialogBase.construct")                         \
  X(kDialogDestroy, "dialogBase.destroy")                             \
  X(kDialogSlots, "dialogBase.slots")                                 \
  X(kDialogVirtualTableMismatch, "dialogBase.virtualTableMismatch")   \
  X(kStreamOpen, "stream.open")                                       \
  X(kStreamOpenFailed, "stream.openFailed")                           \
  X(kStreamClose, "stream.close")                                     \
  X(kScanBegin, "scan.begin")                                         \
  X(kScanStep, "scan.step")                                           \
  X(kScanIdle, "scan.idle")                                           \
  X(kScanEnd, "scan.end")                                             \
  X(kDiscountSetupA, "discountSetupA")                                \
  X(kDiscountSetupB, "discountSetupB")                                \
  X(kTablePrepare, "tablePrepare")                                    \
  X(kPrepareContractItem, "prepareContractItem")                      \
  X(kSettlementSetup, "settlementSetup")                              \
  X(kStampTargetCalls, "stampTarget.calls")                           \
  X(kStampResolves, "stampTarget.resolves")                           \
  X(kCallbackCalls, "callback.calls")                                 \
  X(kReportCalls, "exceptionReport.calls")                            \
  X(kMessages, "messages")
// clang-format on

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
struct StreamRuntime;

// An output stream: its file (a file system path), and what its close does
// besides closing.
struct OutputStream {
  std::string path;
  bool closeFails = false;  // closeOutput names it: the close loses the last line
  bool cut = false;         // cutFiles names it: cut to half its size, then closed normally
};

// One freed memory block kept for the next request of its size: the module
// takes and gives back a conversion buffer of one size for every line it
// writes. Under AddressSanitizer every block is really freed, so that a use
// after free is still seen.
class SpareBlock {
 public:
  SpareBlock() = default;
  ~SpareBlock() { std::free(block_); }
  SpareBlock(const SpareBlock&) = delete;
  SpareBlock& operator=(const SpareBlock&) = delete;
  SpareBlock(SpareBlock&& other) noexcept { Swap(other); }
  SpareBlock& operator=(SpareBlock&& other) noexcept {
    SpareBlock gone;
    Swap(other);
    other.Swap(gone);
    return *this;
  }
  // The kept block when it has that size, or null.
  void* Take(std::size_t size) {
    if (block_ == nullptr || size_ != size) return nullptr;
    return std::exchange(block_, nullptr);
  }
  // Keeps a freed block when none is kept; false when the caller frees it.
  bool Keep(void* block, std::size_t size);

 private:
  void Swap(SpareBlock& other) noexcept {
    std::swap(block_, other.block_);
    std::swap(size_, other.size_);
  }
  void* block_ = nullptr;
  std::size_t size_ = 0;
};

struct Host {
  HostConfig config;
  Store store;
  std::map<int32_t, std::string> paymentMethodNames;  // handed out by HostPaymentMethodName
  std::array<TableDescriptor, kDataFileCount> tables{};
  std::array<std::unique_ptr<unsigned char[]>, kDataFileCount> buffers;
  std::vector<unsigned char> currentProp;  // loaded into Tspr_prop's buffer

  int32_t currentContractor = 0;
  int16_t currentWarehouse = 0;
  uint32_t stateFlags = 0;
  std::string baseDirectory = ".";  // file system path
  std::string baseMazovia;          // the base directory in Mazovia
  std::string baseShown;            // what HostBaseDirectory returns when it differs from that

  std::array<int64_t, kCounterCount> counters{};
  std::array<int64_t, kHostSlotCount> calls{};  // per host function, counted by its entry step
  int64_t outputCloses = 0;                     // closes of output streams the host saw
  std::vector<std::string> transcript;
  std::vector<std::string> callLog;
  QelmarLineSink sink = nullptr;
  void* sinkContext = nullptr;

  std::unordered_set<const void*> liveCursors;  // opened (or failed to open) and not closed since
  // HostAlloc blocks not yet freed, with the sizes asked for.
  std::unordered_map<void*, std::size_t> liveBlocks;
  SpareBlock spareBlock;
  std::unordered_set<ItemFile*> liveItemFiles;
  std::unordered_set<void*> liveItemArrays;
  // Streams opened here and not yet closed through HostFileClose, with the
  // runtime that opened them.
  std::unordered_map<void*, const StreamRuntime*> liveStreams;
  // The output streams (HostFileOpenShared) among them.
  std::unordered_map<void*, OutputStream> outputStreams;
  const StreamRuntime* streams = nullptr;  // the runtime that opens streams now
  std::unique_ptr<char[]> scratch;         // HostScratchBuffer's
  std::size_t scratchSize = 0;
  uint32_t garbage = 0x2545F491u;  // the state of the garbage's generator
  const void* topGuard = nullptr;
  RaisedException lastRaise;
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

// Fills bytes with garbage: never a zero byte, different at each call.
void FillGarbage(Host& host, unsigned char* bytes, std::size_t count);
// The same for the one host (a fill function for ForEachUnusedRun).
void FillWithGarbage(unsigned char* bytes, std::size_t count);

inline void Count(Counter counter) { ++TheHost().counters[counter]; }
const char* CounterName(int counter);

// Calls of a kind so far, and whether the latest one is to fail. Called after
// the call was counted (by the entry step, or by StreamClosing).
int64_t InjectionCalls(Injection kind);
bool Injected(Injection kind);

// A counter or state value by name (docs/fixture-format.md, "Counters");
// false for an unknown name.
bool ReadCounter(const std::string& name, int64_t& value);
// What the module left unreleased: " cursor.live=1 alloc.live=2", or empty.
std::string Unreleased();

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
