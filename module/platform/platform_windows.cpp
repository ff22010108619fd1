#include <direct.h>
#include <windows.h>

#include "platform/platform.h"

namespace dravenhol::platform {

ModuleHandle FindLoadedModule(const char* name) { return GetModuleHandleA(name); }

uint32_t ModuleFileName(ModuleHandle module, char* path, uint32_t size) {
  if (size == 0) return 0;
  path[0] = '\0';
  const DWORD n = GetModuleFileNameA(static_cast<HMODULE>(module), path, size);
  path[size - 1] = '\0';  // older systems leave a cut name unterminated
  return n;
}

void* ExportByNumber(ModuleHandle module, uint16_t number) {
  HMODULE handle = module != nullptr ? static_cast<HMODULE>(module) : GetModuleHandleA(nullptr);
  return reinterpret_cast<void*>(GetProcAddress(handle, MAKEINTRESOURCEA(number)));
}

bool DebuggerPresent() { return IsDebuggerPresent() != FALSE; }

void DebugOutput(const char* text) { OutputDebugStringA(text); }

int MakeDirectory(const char* path) { return _mkdir(path); }

// Structured exceptions on i686: a registration record on the thread's handler
// chain (fs:[0]). The handler takes the first pass of any exception raised
// below it, records it, unlinks the record and resumes RunGuarded through
// __builtin_longjmp, abandoning the body's frames.
namespace {

struct GuardRecord {
  GuardRecord* next;
  void* handler;
  void* resume[5];
  StructuredFault* fault;
};

GuardRecord* ChainHead() {
  GuardRecord* head;
  __asm__ volatile("movl %%fs:0, %0" : "=r"(head));
  return head;
}

void SetChainHead(GuardRecord* head) { __asm__ volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }

constexpr DWORD kUnwindFlags = 0x6;  // EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND

extern "C" EXCEPTION_DISPOSITION __cdecl DravenholGuardHandler(EXCEPTION_RECORD* exception, void* establisher,
                                                               CONTEXT*, void*) {
  if ((exception->ExceptionFlags & kUnwindFlags) != 0) return ExceptionContinueSearch;
  auto* record = static_cast<GuardRecord*>(establisher);
  record->fault->code = exception->ExceptionCode;
  record->fault->information = exception->ExceptionAddress;
  SetChainHead(record->next);
  __builtin_longjmp(record->resume, 1);
}

}  // namespace

bool RunGuarded(void (*body)(void*), void* context, StructuredFault* fault) {
  GuardRecord record{};
  record.handler = reinterpret_cast<void*>(&DravenholGuardHandler);
  record.fault = fault;
  if (__builtin_setjmp(record.resume) != 0) return false;
  record.next = ChainHead();
  SetChainHead(&record);
  body(context);
  SetChainHead(record.next);
  return true;
}

void RaiseStructured(uint32_t code) {
  RaiseException(code, 0, 0, nullptr);
  __builtin_unreachable();
}

}  // namespace dravenhol::platform
