#include <windows.h>

#include <cstring>

#include "platform/guard.h"
#include "platform/msvc_abi_windows.h"

namespace dravenhol::platform {

// A guard on i686 is a registration record on the thread's handler chain
// (fs:[0]). In the first pass its handler lets every exception go on to the
// next handler, but for the host's SE_Exception when its hooks take faults. In the unwind pass (a
// handler of the host's, further out, has taken the exception and the system
// is unwinding the frames below it) the handler gives back what the guarded
// frames hold; the module's own frames have no handlers of their own.
namespace {

struct GuardRecord {
  GuardRecord* next;
  void* handler;
  void* resume[5];
  const GuardHooks* hooks;
  void* context;
};

GuardRecord* ChainHead() {
  GuardRecord* head;
  __asm__ volatile("movl %%fs:0, %0" : "=r"(head));
  return head;
}

void SetChainHead(GuardRecord* head) { __asm__ volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }

constexpr DWORD kUnwindFlags = 0x6;  // EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND

// A C++ exception of the host's that can be caught as its SE_Exception (the
// host may declare it a class or a struct): its code and information, and
// what destroys the thrown object.
bool HostSEException(const EXCEPTION_RECORD* exception, HostFault* fault, const msvc::ThrowInfo** throwInfo,
                     char** object) {
  if (exception->ExceptionCode != msvc::kCxxExceptionCode || exception->NumberParameters < 3) return false;
  const ULONG_PTR magic = exception->ExceptionInformation[0];
  if (magic < msvc::kCxxMagicFirst || magic > msvc::kCxxMagicLast) return false;
  auto* thrown = reinterpret_cast<char*>(exception->ExceptionInformation[1]);
  const auto* info = reinterpret_cast<const msvc::ThrowInfo*>(exception->ExceptionInformation[2]);
  if (thrown == nullptr || info == nullptr || info->catchableTypes == nullptr) return false;
  const msvc::CatchableTypeArray* types = info->catchableTypes;
  for (int32_t i = 0; i < types->count; ++i) {
    const msvc::CatchableType* type = types->types[i];
    if (type == nullptr || type->type == nullptr) continue;
    const char* name = type->type->name;
    if (std::strcmp(name, ".?AVSE_Exception@@") != 0 && std::strcmp(name, ".?AUSE_Exception@@") != 0) continue;
    const char* se = msvc::Displaced(thrown, type->thisDisplacement);
    std::memcpy(&fault->code, se, sizeof fault->code);
    std::memcpy(&fault->information, se + sizeof(uint32_t), sizeof fault->information);
    *throwInfo = info;
    *object = thrown;
    return true;
  }
  return false;
}

}  // namespace

// UnwindTo(frame, exception): RtlUnwind(frame, continuation, exception, 0)
// with the continuation right after the call, as the system's own handlers
// call it; RtlUnwind does not keep the callee-saved registers, so they are
// saved around it.
extern "C" void __cdecl DravenholUnwindTo(void* frame, EXCEPTION_RECORD* exception);
__asm__(
    ".text\n"
    ".globl _DravenholUnwindTo\n"
    "_DravenholUnwindTo:\n"
    "  pushl %ebp\n"
    "  pushl %ebx\n"
    "  pushl %esi\n"
    "  pushl %edi\n"
    "  pushl $0\n"        // ReturnValue
    "  pushl 28(%esp)\n"  // ExceptionRecord
    "  pushl $1f\n"       // TargetIp
    "  pushl 32(%esp)\n"  // TargetFrame
    "  call _RtlUnwind@16\n"
    "1:\n"
    "  popl %edi\n"
    "  popl %esi\n"
    "  popl %ebx\n"
    "  popl %ebp\n"
    "  ret\n");

extern "C" EXCEPTION_DISPOSITION __cdecl DravenholGuardHandler(EXCEPTION_RECORD* exception, void* establisher, CONTEXT*,
                                                               void*) {
  auto* record = static_cast<GuardRecord*>(establisher);
  const GuardHooks& hooks = *record->hooks;
  if ((exception->ExceptionFlags & kUnwindFlags) != 0) {
    if (hooks.onUnwind != nullptr) hooks.onUnwind(record->context);
    return ExceptionContinueSearch;
  }
  if (hooks.onFault == nullptr) return ExceptionContinueSearch;
  HostFault fault{};
  const msvc::ThrowInfo* throwInfo = nullptr;
  char* object = nullptr;
  // A bare structured exception, and any C++ exception but SE_Exception, is
  // the host's business: it goes on as it was raised, continuable where it
  // was, and the guarded frames are given back if the host unwinds them.
  if (!HostSEException(exception, &fault, &throwInfo, &object)) return ExceptionContinueSearch;
  // As a catch clause: the frames below the guard are unwound, the clause
  // runs on top of the fault's frames, and the caught object is destroyed.
  // RtlUnwind marks the record as unwinding; the report sees it as raised.
  const DWORD flags = exception->ExceptionFlags;
  DravenholUnwindTo(record, exception);
  exception->ExceptionFlags = flags;
  hooks.onFault(fault, record->context);
  if (throwInfo != nullptr && throwInfo->destroy != nullptr) throwInfo->destroy(object);
  SetChainHead(record->next);
  __builtin_longjmp(record->resume, 1);
}

bool RunGuarded(void (*body)(void*), void* context, const GuardHooks& hooks) {
  GuardRecord record{};
  record.handler = reinterpret_cast<void*>(&DravenholGuardHandler);
  record.hooks = &hooks;
  record.context = context;
  if (__builtin_setjmp(record.resume) != 0) return false;
  record.next = ChainHead();
  SetChainHead(&record);
  body(context);
  SetChainHead(record.next);
  return true;
}

void RaiseStructured(uint32_t code) { RaiseException(code, 0, 0, nullptr); }

}  // namespace dravenhol::platform
