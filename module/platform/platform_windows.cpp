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

bool RemoveFile(const char* path) { return DeleteFileA(path) != FALSE; }

LockResult LockFile(const char* path, FileLock* lock) {
  HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LockResult::kUnavailable;
  OVERLAPPED at{};
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    const bool busy = GetLastError() == ERROR_LOCK_VIOLATION;
    CloseHandle(file);
    return busy ? LockResult::kBusy : LockResult::kUnavailable;
  }
  lock->handle = reinterpret_cast<intptr_t>(file);
  return LockResult::kLocked;
}

void UnlockFile(FileLock* lock) {
  if (lock->handle == -1) return;
  HANDLE file = reinterpret_cast<HANDLE>(lock->handle);
  OVERLAPPED at{};
  UnlockFileEx(file, 0, 1, 0, &at);
  CloseHandle(file);
  lock->handle = -1;
}

bool RewriteLockedFile(FileLock* lock, const char* data, std::size_t size) {
  if (lock->handle == -1) return false;
  HANDLE file = reinterpret_cast<HANDLE>(lock->handle);
  if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER || !SetEndOfFile(file)) return false;
  DWORD written = 0;
  return WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

// Structured exceptions on i686: a registration record on the thread's handler
// chain (fs:[0]). The handler takes the first pass of any exception raised
// below it and records it; it then has the system unwind every frame between
// the fault and the record (RtlUnwind runs their termination handlers and
// unlinks them), lets onFault release what the abandoned frames held, unlinks
// the record and resumes RunGuarded through __builtin_longjmp.
namespace {

struct GuardRecord {
  GuardRecord* next;
  void* handler;
  void* resume[5];
  StructuredFault* fault;
  void (*onFault)();
};

GuardRecord* ChainHead() {
  GuardRecord* head;
  __asm__ volatile("movl %%fs:0, %0" : "=r"(head));
  return head;
}

void SetChainHead(GuardRecord* head) { __asm__ volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }

constexpr DWORD kUnwindFlags = 0x6;  // EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND

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
  if ((exception->ExceptionFlags & kUnwindFlags) != 0) return ExceptionContinueSearch;
  auto* record = static_cast<GuardRecord*>(establisher);
  record->fault->code = exception->ExceptionCode;
  record->fault->information = exception->ExceptionAddress;
  DravenholUnwindTo(record, exception);
  if (record->onFault != nullptr) record->onFault();
  SetChainHead(record->next);
  __builtin_longjmp(record->resume, 1);
}

bool RunGuarded(void (*body)(void*), void* context, StructuredFault* fault, void (*onFault)()) {
  GuardRecord record{};
  record.handler = reinterpret_cast<void*>(&DravenholGuardHandler);
  record.fault = fault;
  record.onFault = onFault;
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
