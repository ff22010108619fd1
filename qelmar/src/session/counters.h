// The host's counters, which tests and the transcript read: events by name,
// calls per host function, and the closes of output streams.
#pragma once

#include <array>
#include <cstdint>

#include "functions/host_entry.h"

namespace qelmar {

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

struct HostCounters {
  std::array<int64_t, kCounterCount> counters{};
  std::array<int64_t, kHostSlotCount> calls{};  // per host function, counted by its entry step
  int64_t outputCloses = 0;                     // closes of output streams the host saw
};

const char* CounterName(int counter);

}  // namespace qelmar
