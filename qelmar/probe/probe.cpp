// The host probe, built with Microsoft's C++ ABI: see probe.h. It includes no
// header of the system or of a runtime; the few declarations it needs are
// its own, and msvcrt.dll supplies the C++ runtime (__CxxFrameHandler3,
// _CxxThrowException, __RTtypeid, __RTDynamicCast, type_info::name).
#include "probe.h"

// The class that typeid returns; msvcrt.dll implements name().
class type_info {
 public:
  virtual ~type_info();
  const char* name() const;

 private:
  mutable void* undecorated_;
  char decorated_[1];
};

// Every module built with Microsoft's compiler carries its own type_info
// virtual table, which its type descriptors point at; msvcrt.dll exports
// none. Nothing ever destroys a type descriptor, so its one slot stays empty.
extern "C" const void* const kTypeInfoVirtualTable[1] __asm__("??_7type_info@@6B@") = {nullptr};

extern "C" {
struct SystemExceptionRecord {
  uint32_t code;
  uint32_t flags;
  SystemExceptionRecord* next;
  void* address;
  uint32_t parameterCount;
  uintptr_t parameters[15];
};
struct SystemExceptionPointers {
  SystemExceptionRecord* record;
  void* context;
};
__declspec(dllimport) void __stdcall RaiseException(uint32_t code, uint32_t flags, uint32_t count,
                                                    const uintptr_t* arguments);
void* _exception_info();
}
// GetExceptionInformation(): valid only in a filter expression.
#define EXCEPTION_INFORMATION (static_cast<SystemExceptionPointers*>(_exception_info()))

namespace {

constexpr int kContinueExecution = -1;
constexpr int kContinueSearch = 0;
constexpr int kExecuteHandler = 1;
constexpr uint32_t kCxxExceptionCode = 0xE06D7363;
constexpr uint32_t kNoncontinuable = 1;
// Where the access violation of a structured raise "read".
constexpr uintptr_t kFaultAddress = 0x10;

int32_t g_liveExceptions = 0;

}  // namespace

// The host's exception classes: the translator's (its code and information
// first, as the module reads them) and another one of its own.
class SE_Exception {
 public:
  SE_Exception(uint32_t c, uintptr_t i) : code(c), information(i) { ++g_liveExceptions; }
  SE_Exception(const SE_Exception& other) : code(other.code), information(other.information) { ++g_liveExceptions; }
  ~SE_Exception() { --g_liveExceptions; }
  uint32_t code;
  uintptr_t information;
};

class HostError {
 public:
  explicit HostError(uint32_t c) : code(c) { ++g_liveExceptions; }
  HostError(const HostError& other) : code(other.code) { ++g_liveExceptions; }
  ~HostError() { --g_liveExceptions; }
  uint32_t code;
};

// The host's view of the plug-in object, and a class it has nothing to do with.
class WDialogBase {
 public:
  virtual ~WDialogBase();
};
class CDravenhol : public WDialogBase {};
class Unrelated {
 public:
  virtual ~Unrelated();
};

namespace {

void NoteRecord(const SystemExceptionRecord* record, ProbeException* facts) {
  facts->recordCode = record->code;
  facts->flags = record->flags;
  facts->parameterCount = record->parameterCount;
  for (uint32_t i = 0; i < 4; ++i) facts->parameters[i] = i < record->parameterCount ? record->parameters[i] : 0;
}

// The frame, from the inside out: what reaches it, then its typed catch
// clauses, then its structured-exception handler.
int ObserveArrival(SystemExceptionPointers* pointers, ProbeException* arrived) {
  NoteRecord(pointers->record, arrived);
  return kContinueSearch;
}

int32_t Observed(ProbeCommand command, ProbeException* arrived) {
  __try {
    return command();
  } __except (ObserveArrival(EXCEPTION_INFORMATION, arrived)) {
    return 0;
  }
}

int32_t Typed(ProbeCommand command, ProbeException* arrived) {
  try {
    return Observed(command, arrived);
  } catch (SE_Exception& e) {
    arrived->form = kProbeSEException;
    arrived->code = e.code;
    arrived->information = e.information;
  } catch (HostError& e) {
    arrived->form = kProbeHostError;
    arrived->code = e.code;
  }
  return 0;
}

int FrameFilter(SystemExceptionPointers* pointers, int32_t resume, ProbeException* arrived) {
  const SystemExceptionRecord* record = pointers->record;
  if (record->code != kCxxExceptionCode && resume != 0 && (record->flags & kNoncontinuable) == 0) {
    ++arrived->resumed;
    return kContinueExecution;
  }
  arrived->form = record->code == kCxxExceptionCode ? kProbeOtherCxx : kProbeStructured;
  arrived->code = record->code;
  return kExecuteHandler;
}

void Throw(uint32_t form, uint32_t code, uintptr_t information) {
  if (form == kProbeSEException) throw SE_Exception(code, information);
  if (form == kProbeHostError) throw HostError(code);
  const uintptr_t arguments[2] = {0, kFaultAddress};
  RaiseException(code, 0, 2, arguments);
}

int NoteRaise(SystemExceptionPointers* pointers, ProbeException* raised) {
  NoteRecord(pointers->record, raised);
  return kContinueSearch;
}

int32_t AskDialog(void* object, char* name, uint32_t nameSize) {
  auto* base = static_cast<WDialogBase*>(object);
  const char* text = typeid(*base).name();
  uint32_t n = 0;
  for (; text != nullptr && text[n] != '\0' && n + 1 < nameSize; ++n) name[n] = text[n];
  if (nameSize > 0) name[n] = '\0';
  int32_t answers = 0;
  if (static_cast<void*>(dynamic_cast<CDravenhol*>(base)) == object) answers |= 1;
  if (dynamic_cast<Unrelated*>(base) == nullptr) answers |= 2;
  return answers;
}

}  // namespace

extern "C" {

int32_t PROBE_CDECL ProbeRunCommand(ProbeCommand command, int32_t resume, ProbeException* arrived) {
  *arrived = ProbeException{};
  __try {
    return Typed(command, arrived);
  } __except (FrameFilter(EXCEPTION_INFORMATION, resume, arrived)) {
    return 0;
  }
}

void PROBE_CDECL ProbeRaise(uint32_t form, uint32_t code, uintptr_t information, ProbeException* raised) {
  *raised = ProbeException{};
  raised->form = form;
  raised->code = code;
  raised->information = form == kProbeSEException ? information : 0;
  __try {
    Throw(form, code, information);
  } __except (NoteRaise(EXCEPTION_INFORMATION, raised)) {
  }
}

int32_t PROBE_CDECL ProbeLiveExceptions() { return g_liveExceptions; }

int32_t PROBE_CDECL ProbeDialogType(void* object, char* name, uint32_t nameSize) {
  if (nameSize > 0) name[0] = '\0';
  __try {
    return AskDialog(object, name, nameSize);
  } __except (kExecuteHandler) {
    return -1;
  }
}

}  // extern "C"
