// The host's exceptions on Linux: C++ exceptions of the host's classes. The
// module's guard knows SE_Exception and StructuredException by name and by
// their first fields.
#include <cstdint>
#include <string>

#include "platform/host_platform.h"

namespace {

int32_t g_liveExceptions = 0;
uintptr_t g_serial = 0;

// Counts its objects, and numbers them, so that the frame can tell the
// thrown object from another one.
struct Counted {
  Counted() : serial(++g_serial) { ++g_liveExceptions; }
  Counted(const Counted& other) : serial(other.serial) { ++g_liveExceptions; }
  Counted& operator=(const Counted&) = delete;
  ~Counted() { --g_liveExceptions; }
  uintptr_t serial;
};

}  // namespace

struct SE_Exception {
  uint32_t code;
  void* information;
  Counted counted;
};
struct HostError {
  uint32_t code;
  Counted counted;
};
// A bare structured exception: its record.
struct StructuredException {
  uint32_t code;
  uint32_t flags;
  uint32_t parameterCount;
  uintptr_t parameters[15];
};

namespace qelmar {

namespace {

// Where the access violation of a structured raise "read".
constexpr uintptr_t kFaultAddress = 0x10;

ProbeException Facts(uint32_t form, uint32_t code, uintptr_t information, uintptr_t serial) {
  ProbeException facts{};
  facts.form = form;
  facts.code = code;
  facts.information = information;
  facts.parameters[1] = serial;
  return facts;
}

ProbeException Facts(const StructuredException& e) {
  ProbeException facts{};
  facts.form = kProbeStructured;
  facts.code = e.code;
  facts.recordCode = e.code;
  facts.flags = e.flags;
  facts.parameterCount = e.parameterCount;
  for (uint32_t i = 0; i < 4 && i < e.parameterCount; ++i) facts.parameters[i] = e.parameters[i];
  return facts;
}

}  // namespace

void RaiseHostException(uint32_t form, uint32_t code, uintptr_t information, ProbeException* raised) {
  if (form == kProbeSEException) {
    SE_Exception e{code, reinterpret_cast<void*>(information), {}};
    *raised = Facts(form, code, information, e.counted.serial);
    throw e;
  }
  if (form == kProbeHostError) {
    HostError e{code, {}};
    *raised = Facts(form, code, 0, e.counted.serial);
    throw e;
  }
  const StructuredException e{code, 0, 2, {0, kFaultAddress}};
  *raised = Facts(e);
  throw e;
}

bool RunCommandFrame(ProbeCommand command, bool, ProbeException* arrived) {
  *arrived = ProbeException{};
  try {
    command();
  } catch (const SE_Exception& e) {
    *arrived = Facts(kProbeSEException, e.code, reinterpret_cast<uintptr_t>(e.information), e.counted.serial);
  } catch (const HostError& e) {
    *arrived = Facts(kProbeHostError, e.code, 0, e.counted.serial);
  } catch (const StructuredException& e) {
    *arrived = Facts(e);
  } catch (...) {
    *arrived = Facts(kProbeOtherCxx, 0, 0, 0);
  }
  return true;
}

int32_t LiveHostExceptions() { return g_liveExceptions; }

bool InformationRecords(const void* information, const ProbeException& raised) {
  if (information == nullptr) return false;
  const ProbeException facts = Facts(*static_cast<const StructuredException*>(information));
  return facts.code == raised.code && facts.flags == raised.flags && facts.parameterCount == raised.parameterCount &&
         facts.parameters[1] == raised.parameters[1];
}

bool AskDialogType(void*, std::string*, int32_t*) { return false; }

}  // namespace qelmar
