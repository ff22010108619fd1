// What the user would see: message boxes, the export dialog, the install
// notice, plus the module checks, command registration, state flags and the
// host callback. Every message becomes one transcript line.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "functions/host_entry.h"
#include "functions/host_functions.h"
#include "session/host_state.h"
#include "text/text_codec.h"

namespace qelmar::impl {

namespace {

constexpr std::size_t kMessageRoom = 8192;
constexpr std::size_t kTemplateLimit = 65536;

std::string Quoted(const char* mazovia) { return QuoteForTranscript(mazovia != nullptr ? mazovia : ""); }

// The host formats printf-style messages itself, bounded by its buffer.
std::string Formatted(const char* format, va_list arguments) {
  if (format == nullptr) return {};
  char text[kMessageRoom];
  const int n = std::vsnprintf(text, sizeof text, format, arguments);
  text[sizeof text - 1] = '\0';
  return n < 0 ? std::string() : std::string(text);
}

void Message(const std::string& line) {
  Count(kMessages);
  Record(line);
}

}  // namespace

extern "C" int32_t HOST_CDECL_ATTR HostCheckModule(ModuleHandle, char* text, int32_t textSize) {
  const HostConfig& config = TheHost().config;
  LogCall(Line("HostCheckModule", std::to_string(textSize)));
  if (text != nullptr && textSize > 0) {
    const std::size_t n = std::min(config.checkText.size(), static_cast<std::size_t>(textSize) - 1);
    std::memcpy(text, config.checkText.data(), n);
    text[n] = '\0';
  }
  return config.checkVerdict;
}

extern "C" int32_t HOST_CDECL_ATTR HostInterfaceVersion() {
  LogCall("HostInterfaceVersion");
  return TheHost().config.interfaceVersion;
}

extern "C" int32_t HOST_CDECL_ATTR HostRegisterCommand(const CommandRecord* command) {
  Host& host = TheHost();
  if (command == nullptr) return -1;
  host.module.commandRegistered = true;
  host.module.command = QelmarCommand{};
  host.module.command.flags = command->flags;
  host.module.command.command = command->command;
  host.module.command.reserved = command->reserved;
  host.module.command.handler = reinterpret_cast<void*>(command->handler);
  const std::string title = MazoviaToUtf8(command->title != nullptr ? command->title : "");
  std::snprintf(host.module.command.title, sizeof host.module.command.title, "%s", title.c_str());
  host.module.commandHandler = reinterpret_cast<void*>(command->handler);
  Record(Line("HostRegisterCommand", std::to_string(command->command), Quoted(command->title)));
  return 0;
}

extern "C" void HOST_CDECL_ATTR HostUnregisterCommand(int32_t command) {
  Host& host = TheHost();
  if (host.module.commandRegistered && static_cast<int32_t>(host.module.command.command) == command)
    host.module.commandRegistered = false;
  Record(Line("HostUnregisterCommand", std::to_string(command)));
}

// HostAlertBox and HostMessageBoxFormat are variadic: they take their entry
// step themselves.
extern "C" int32_t HOST_CDECL_ATTR HostAlertBox(int32_t, const char* title, const char* format, int32_t, int32_t code,
                                                ...) {
  EnterHostFunction(kSlotHostAlertBox);
  va_list arguments;
  va_start(arguments, code);
  const std::string text = Formatted(format, arguments);
  va_end(arguments);
  Message(Line("HostAlertBox", Quoted(title), QuoteForTranscript(text)));
  return 0;
}

extern "C" int32_t HOST_CDECL_ATTR HostMessageBoxFormat(void*, const char* title, const char* format, int32_t style,
                                                        ...) {
  EnterHostFunction(kSlotHostMessageBoxFormat);
  va_list arguments;
  va_start(arguments, style);
  const std::string text = Formatted(format, arguments);
  va_end(arguments);
  Message(Line("HostMessageBoxFormat", Quoted(title), QuoteForTranscript(text)));
  return 1;
}

extern "C" int32_t HOST_CDECL_ATTR HostMessageBox(const char* title, const char* text, int32_t) {
  Message(Line("HostMessageBox", Quoted(title), Quoted(text)));
  return 1;
}

extern "C" int32_t HOST_CDECL_ATTR HostErrorMessage(const char* title, const char* text, int32_t, const char* module) {
  Message(Line("HostErrorMessage", Quoted(title), Quoted(text), Quoted(module)));
  return 1;
}

extern "C" void HOST_CDECL_ATTR HostShowError(const char* text) { Message(Line("HostShowError", Quoted(text))); }

// Leaves the configured answer in the flag ("do not ask again" when non-zero).
extern "C" int32_t HOST_CDECL_ATTR HostNoticeBox(int32_t, int16_t* flag, int32_t, const char* text) {
  Message(Line("HostNoticeBox", Quoted(text)));
  if (flag != nullptr) *flag = TheHost().config.noticeAnswer;
  return 0;
}

// The template: 4 bytes giving the length of the rest, then the header whose
// title starts at byte 28. The answer is the configured one.
extern "C" int16_t HOST_CDECL_ATTR HostRunDialog(const void* dialogTemplate, int32_t dialog, void* data, int32_t) {
  constexpr std::size_t kTitleOffset = 28;
  Host& host = TheHost();
  std::string title;
  host.module.dialogTemplate.clear();
  if (dialogTemplate != nullptr) {
    const auto* bytes = static_cast<const unsigned char*>(dialogTemplate);
    uint32_t rest = 0;
    std::memcpy(&rest, bytes, sizeof rest);
    const std::size_t size = std::min<std::size_t>(std::size_t{4} + rest, kTemplateLimit);
    host.module.dialogTemplate.assign(bytes, bytes + size);
    for (std::size_t i = kTitleOffset; i < size && bytes[i] != 0; ++i) title += static_cast<char>(bytes[i]);
  }
  static constexpr const char* kAnswers[] = {"universal", "interkam", "cancel"};
  const DialogAnswer answer = host.config.dialog;
  Message(Line("HostRunDialog", std::to_string(dialog), QuoteForTranscript(title), kAnswers[static_cast<int>(answer)]));
  if (answer == DialogAnswer::kCancel) return 0x5002;
  if (data != nullptr) *static_cast<int32_t*>(data) = answer == DialogAnswer::kInterkam ? 1 : 0;
  return 0x5001;
}

extern "C" uint32_t HOST_CDECL_ATTR HostGetStateFlags() { return TheHost().module.stateFlags; }

extern "C" void HOST_CDECL_ATTR HostSetStateFlags(uint32_t bits, int32_t on) {
  Host& host = TheHost();
  host.module.stateFlags = on != 0 ? host.module.stateFlags | bits : host.module.stateFlags & ~bits;
  if (CallLogOn()) {
    char line[64];
    std::snprintf(line, sizeof line, "HostSetStateFlags 0x%X %d", bits, on);
    LogCall(line);
  }
}

extern "C" int32_t HOST_CDECL_ATTR QelmarHostCallback(int32_t a, int32_t b) {
  Count(kCallbackCalls);
  Record(Line("HostCallback", std::to_string(a), std::to_string(b)));
  return 0;
}

}  // namespace qelmar::impl
