#include "session/session.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "functions/host_exceptions.h"
#include "functions/host_functions.h"
#include "platform/host_platform.h"
#include "platform/module_loader.h"
#include "session/host_state.h"
#include "text/text_codec.h"

namespace qelmar {

namespace {

using HandshakeFn = int32_t(HOST_CDECL_ATTR*)(dravenhol::HostCallback callback, char* description);
using ActivateFn = int32_t(HOST_CDECL_ATTR*)(int32_t value);
using StampEntryFn = int32_t(HOST_CDECL_ATTR*)(int32_t value);

constexpr uint16_t kHandshake = 30001;
constexpr uint16_t kActivate = 30008;
constexpr std::size_t kDescriptionRoom = 512;

// featureWord as the module initialises it, then the host module's name.
constexpr unsigned char kStampPattern[12] = {0xFF, 0xFF, 0xFF, 0xFF, 'Q', 'E', 'L', 'M', 'A', 'R', 0, 0};
// stampEntry follows the name directly.
constexpr std::size_t kStampEntryOffset = sizeof kStampPattern;

// The scan reads the module's data as the host program does, across the
// module's variables, so it is kept out of the address sanitizer's checks.
__attribute__((no_sanitize("address"))) bool StampAt(const unsigned char* bytes) {
  for (std::size_t i = 0; i < sizeof kStampPattern; ++i)
    if (bytes[i] != kStampPattern[i]) return false;
  return true;
}

void FindStamp(void* begin, std::size_t size, void* context) {
  auto*& found = *static_cast<unsigned char**>(context);
  auto* bytes = static_cast<unsigned char*>(begin);
  if (found != nullptr || size < kStampEntryOffset + sizeof(void*)) return;
  for (std::size_t i = 0; i + kStampEntryOffset + sizeof(void*) <= size; i += 4) {
    if (!StampAt(bytes + i)) continue;
    found = bytes + i;
    return;
  }
}

std::string Hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

}  // namespace

bool AttachModule(void* module) {
  Host& host = TheHost();
  unsigned char* stamp = nullptr;
  loader::ForEachWritableRange(module, &FindStamp, &stamp);
  host.module.stamp = stamp;
  if (stamp == nullptr) return false;
  if (!host.config.featureUntouched) std::memcpy(stamp, &host.config.featureWord, sizeof host.config.featureWord);
  return true;
}

bool CallStampEntry(int32_t argument, int32_t& result) {
  const auto* stamp = static_cast<const unsigned char*>(TheHost().module.stamp);
  if (stamp == nullptr) return false;
  StampEntryFn entry = nullptr;
  std::memcpy(&entry, stamp + kStampEntryOffset, sizeof entry);
  if (entry == nullptr) return false;
  result = entry(argument);
  return true;
}

void WriteBaseFiles() {
  Host& host = TheHost();
  for (const BaseFile& file : host.data.store.BaseFiles()) {
    const std::string path =
        FileSystemPath(host.module.baseDirectory + "/" + Convert(file.name, kCodeUtf8, kCodeFileSystem));
    if (!file.content) {
      std::remove(path.c_str());
      continue;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << *file.content;
  }
}

int RunSession(const char* modulePath, QelmarSession& session) {
  Host& host = TheHost();
  session = QelmarSession{};
  SetMissingExports(host.config.missingFunctions.data(), host.config.missingFunctions.size());
  WriteBaseFiles();
  ApplyInitialState(host);
  host.module.commandRegistered = false;
  // The peak of the bytes handed out through HostAlloc is each session's own.
  host.counts.counters[kAllocPeakBytes] = host.counts.counters[kAllocLiveBytes];

  void* module = loader::LoadModule(modulePath);
  if (module == nullptr) return -1;
  session.loaded = 1;
  const auto handshake = reinterpret_cast<HandshakeFn>(loader::ExportByNumber(module, kHandshake));
  const auto activate = reinterpret_cast<ActivateFn>(loader::ExportByNumber(module, kActivate));
  if (handshake == nullptr || activate == nullptr) {
    loader::UnloadModule(module);
    return -2;
  }
  session.stampFound = AttachModule(module) ? 1 : 0;
  if (!session.stampFound) Record("ModuleStampMissing");

  // The host passes its export 30006 as the callback.
  auto callback = reinterpret_cast<dravenhol::HostCallback>(&impl::QelmarHostCallback);
  std::vector<char> description(kDescriptionRoom, '\0');
  session.handshake = handshake(callback, description.data());
  description.back() = '\0';
  Record(Line("Handshake", std::to_string(session.handshake), QuoteForTranscript(description.data())));

  // A host activates the module when it accepted the handshake and the host
  // has every feature the module needs (featureWord 0); otherwise it asks the
  // module to explain.
  uint32_t featureWord = 0;
  if (host.module.stamp != nullptr) std::memcpy(&featureWord, host.module.stamp, sizeof featureWord);
  session.activation = host.config.activation >= 0                  ? host.config.activation
                       : session.handshake == 0 && featureWord == 0 ? 0
                                                                    : 1;
  Record(Line("Activate", std::to_string(session.activation)));
  activate(session.activation);

  session.commandRegistered = host.module.commandRegistered ? 1 : 0;
  if (host.module.commandRegistered && host.module.commandHandler != nullptr) {
    Record(Line("Command", std::to_string(host.module.command.command)));
    session.commandRan = 1;
    host.live.lastRaise = RaisedException{};
    ProbeException arrived{};
    if (!RunCommandFrame(reinterpret_cast<ProbeCommand>(host.module.commandHandler), host.config.resumeStructured,
                         &arrived)) {
      Record("CommandFrameMissing");  // no probe beside the library
      session.faulted = 1;
    } else if (arrived.form != kProbeNothing) {
      session.faulted = 1;
      session.faultCode = arrived.code;
    }
    RecordArrival(host, arrived);
    if (host.module.stateFlags != host.config.stateFlags)
      Record(Line("StateFlagsChanged", Hex32(host.module.stateFlags)));
  }
  if (const int32_t live = LiveHostExceptions(); live != 0) Record(Line("ExceptionObjectsLeft", std::to_string(live)));

  // The unload step: a handshake without a callback.
  Record("Unload");
  handshake(nullptr, nullptr);
  host.module.stamp = nullptr;
  host.module.commandHandler = nullptr;
  loader::UnloadModule(module);
  return 0;
}

}  // namespace qelmar
