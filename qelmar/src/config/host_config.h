// The host's configuration: what a fixture's "host" section and the host
// settings choose, from record lengths to the failures injected by call
// number. Read by every host function, changed only by the settings.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "functions/host_entry.h"
#include "probe.h"
#include "store/record_store.h"

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

}  // namespace qelmar
