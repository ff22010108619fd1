#include "functions/host_entry.h"

#include <array>

#include "functions/catalogue.h"
#include "functions/host_exceptions.h"
#include "functions/host_functions.h"
#include "platform/host_platform.h"
#include "session/host_state.h"

namespace qelmar {

static_assert(kHostSlotCount == catalogue::kFunctionCount);

namespace {

// Per function: its slot and its definition, with the catalogue's type.
#define HOST_FN(slot, number, Name, Ret, Conv, Params)            \
  struct Name##Target {                                           \
    static constexpr int kSlot = slot;                            \
    static constexpr catalogue::Name##Fn kFunction = &impl::Name; \
  };
#include "host/host_catalogue.inc"
#undef HOST_FN

// The entry step of a function of parameters A..., in both conventions; the
// export table takes the one of the function's convention. Arguments are
// passed on as they came (all are pointers, integers and va_list).
template <class Target, class Plain>
struct Entry;
template <class Target, class R, class... A>
struct Entry<Target, R (*)(A...)> {
  static R HOST_CDECL_ATTR Cdecl(A... arguments) {
    EnterHostFunction(Target::kSlot);
    return Target::kFunction(arguments...);
  }
  static R HOST_THIS_ATTR This(A... arguments) {
    EnterHostFunction(Target::kSlot);
    return Target::kFunction(arguments...);
  }
};

template <class Plain>
inline constexpr bool kVariadic = false;
template <class R, class... A>
inline constexpr bool kVariadic<R (*)(A..., ...)> = true;

template <class Target, class Plain, bool kThis>
void* EntryAddress() {
  if constexpr (kVariadic<Plain>)
    return reinterpret_cast<void*>(Target::kFunction);  // takes the entry step itself
  else if constexpr (kThis)
    return reinterpret_cast<void*>(&Entry<Target, Plain>::This);
  else
    return reinterpret_cast<void*>(&Entry<Target, Plain>::Cdecl);
}

struct Function {
  const char* name;
  uint16_t number;
  void* entry;
};

const std::array<Function, kHostSlotCount>& Functions() {
  static const std::array<Function, kHostSlotCount> functions = {{
#define HOST_FN(slot, number, Name, Ret, Conv, Params) \
  {#Name, number, EntryAddress<Name##Target, catalogue::Name##Plain, catalogue::kThis_##Conv>()},
#include "host/host_catalogue.inc"
#undef HOST_FN
  }};
  return functions;
}

// The export table gives the entry steps from the moment the library is
// loaded, before any session or test reaches a host function.
const bool kEntriesInstalled = (SetMissingExports(nullptr, 0), true);

}  // namespace

void EnterHostFunction(int slot) {
  Host& host = TheHost();
  const int64_t call = ++host.counts.calls[slot];
  for (const RaiseAt& raise : host.config.raises)
    if (raise.slot == slot && raise.call == call) RaiseFromHost(raise);
}

void RaiseFromHost(const RaiseAt& raise) {
  Host& host = TheHost();
  host.live.lastRaise = RaisedException{true, InsideGuardOf("SaveInUtf"), {}};
  RaiseHostException(raise.form, raise.code, TranslatorInformation(raise.code), &host.live.lastRaise.facts);
}

int HostSlotByName(const std::string& name) {
  for (int slot = 0; slot < kHostSlotCount; ++slot)
    if (name == Functions()[slot].name) return slot;
  return -1;
}

int HostSlotByNumber(int64_t number) {
  for (int slot = 0; slot < kHostSlotCount; ++slot)
    if (number == Functions()[slot].number) return slot;
  return -1;
}

const char* HostFunctionName(int slot) { return Functions()[slot].name; }

uint16_t HostFunctionNumber(int slot) { return Functions()[slot].number; }

void* HostEntryAddress(int slot) {
  (void)kEntriesInstalled;
  return Functions()[slot].entry;
}

int32_t HostResult(int slot, int32_t real) {
  const auto& results = TheHost().config.results;
  const auto found = results.find(slot);
  return found != results.end() ? found->second : real;
}

}  // namespace qelmar
