// Calls through host-function slots before binding: the lazy entry binds the
// slot on the spot and the call reaches the host function with its arguments,
// object pointer and registers intact; a missing function ends in a trap that
// returns 0 and leaves the caller's stack as it was. The program exports its
// own stand-ins for a few host functions by number and is its own host module.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "frame/frame_state.h"
#include "host/binding.h"
#include "host/host_api.h"

using namespace dravenhol;

namespace {

int g_passed = 0;
int g_failed = 0;

void Check(bool ok, const char* what) {
  if (ok) {
    ++g_passed;
  } else {
    ++g_failed;
    std::printf("FAILED: %s\n", what);
  }
}

HostCursor g_cursor;
int g_cursorCalls = 0;
void* g_seenSelf = nullptr;

}  // namespace

extern "C" {

// The call thunk of HostCursorOpen's slot, defined with the binding stubs.
void DravenholCallThunk13();

// HostCursorNext: thiscall on i686, the object in ECX.
int32_t HOST_THIS_ATTR StandInCursorNext(HostCursor* self) {
  g_seenSelf = self;
  return ++g_cursorCalls == 1 ? 1 : 0;
}

// HostCopyTextMax: three stack arguments and a result.
char* HOST_CDECL_ATTR StandInCopyTextMax(char* destination, const char* source, int32_t limit) {
  std::snprintf(destination, static_cast<std::size_t>(limit) + 1, "%s", source);
  return destination;
}

// HostMessageBoxFormat: variadic, with a floating-point argument in the list.
int32_t HOST_CDECL_ATTR StandInMessageBoxFormat(void* owner, const char* title, const char* format, int32_t style,
                                                ...) {
  char text[128];
  va_list arguments;
  va_start(arguments, style);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  return owner == nullptr && std::strcmp(title, "T") == 0 && style == 7 && std::strcmp(text, "1.5 x 42") == 0 ? 77 : -1;
}

}  // extern "C"

int main() {
  // The program is the host module: a null handle means the main program.
  g_binding.hostModule = nullptr;

  // Thiscall through the lazy entry keeps the object pointer.
  auto next = reinterpret_cast<host::HostCursorNextFn>(HostFunctionTable[host::HostCursorNextSlot]);
  Check(next(&g_cursor) == 1, "first call through the lazy entry returns the host's result");
  Check(g_seenSelf == &g_cursor, "the object pointer reaches the host function");
  Check(HostFunctionTable[host::HostCursorNextSlot] != reinterpret_cast<void*>(next), "the slot is now bound");
  Check(host::HostCursorNext(&g_cursor) == 0 && g_cursorCalls == 2, "the second call goes straight there");

  // Stack arguments and the result.
  char copy[8] = {};
  auto copyText = reinterpret_cast<host::HostCopyTextMaxFn>(HostFunctionTable[host::HostCopyTextMaxSlot]);
  Check(copyText(copy, "abcdefghij", 5) == copy && std::strcmp(copy, "abcde") == 0, "stack arguments arrive");

  // Variadic arguments, floating point included.
  auto box = reinterpret_cast<host::HostMessageBoxFormatFn>(HostFunctionTable[host::HostMessageBoxFormatSlot]);
  Check(box(nullptr, "T", "%.1f x %d", 7, 1.5, 42) == 77, "variadic arguments arrive");

  // A function the host lacks: thiscall with 20 bytes of stack arguments.
  // The trap must pop them, or the locals below would be lost.
  volatile int guardBefore = 0x1234;
  HostKey key{};
  auto open = reinterpret_cast<host::HostCursorOpenFn>(HostFunctionTable[host::HostCursorOpenSlot]);
  const int16_t opened = open(&g_cursor, nullptr, 72, &key, 0, 0);
  volatile int guardAfter = 0x5678;
  Check(opened == 0, "a missing function returns 0");
  Check(guardBefore == 0x1234 && guardAfter == 0x5678, "the caller's stack is intact after the trap");
  Check(HostFunctionTable[host::HostCursorOpenSlot] == nullptr, "the missing slot holds null");
  Check(g_binding.missingCount == 1 && g_binding.missingNumbers[0] == 52278, "the missing number is recorded");

  // The binding pass leaves bound slots alone and records each missing number once.
  BindAllHostFunctions();
  Check(HostFunctionTable[host::HostCopyTextMaxSlot] == reinterpret_cast<void*>(&StandInCopyTextMax),
        "a slot bound by a lazy call stays bound");
  Check(g_binding.missingCount == host::kHostFunctionCount - 3, "every other number is missing once");
  Check(
      host::HostCursorOpen(&g_cursor, static_cast<HostTable*>(nullptr), int32_t{72}, &key, int32_t{0}, int32_t{0}) == 0,
      "a typed call to a missing function is not made");

  // A call thunk of a missing slot continues into the trap as well.
  static_assert(host::HostCursorOpenSlot == 13);
  auto thunk = reinterpret_cast<host::HostCursorOpenFn>(&DravenholCallThunk13);
  volatile int guardThunk = 0x9abc;
  Check(thunk(&g_cursor, nullptr, 72, &key, 0, 0) == 0 && guardThunk == 0x9abc, "a missing thunk traps cleanly");

  std::printf("%d passed, %d failed\n", g_passed, g_failed);
  return g_failed == 0 ? 0 : 1;
}
