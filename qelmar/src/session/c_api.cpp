// The named C API of qelmar.h. Each entry catches everything, so that no C++
// exception leaves the library.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "config/host_settings.h"
#include "fixture/fixture.h"
#include "fixture/fixture_records.h"
#include "fixture/json_reading.h"
#include "platform/host_platform.h"
#include "qelmar/qelmar.h"
#include "session/host_state.h"
#include "session/session.h"
#include "store/layouts.h"
#include "store/record_store.h"

namespace qelmar {

namespace {

// The host settings merged over the database's "host" section since it was
// loaded.
std::string& Overrides() {
  static std::string overrides;
  return overrides;
}

void CopyOut(char* error, size_t size, const std::string& text) {
  if (error != nullptr && size > 0) std::snprintf(error, size, "%s", text.c_str());
}

// Reads the configuration again: the database's "host" section with the
// settings over it.
bool Configure(const std::string& overrides, std::string& error) {
  Host& host = TheHost();
  HostConfig config;
  if (!ReadHostSettings(host.data.store.hostSection(), overrides, config, error)) return false;
  // Streams already open stay with the runtime that opened them.
  const StreamRuntime* streams = LoadStreamRuntime(config.streamRuntime, error);
  if (streams == nullptr) {
    error = "host.streamRuntime: " + error;
    return false;
  }
  host.live.streams = streams;
  host.config = std::move(config);
  RebuildTables(host);
  ApplyInitialState(host);
  Overrides() = overrides;
  return true;
}

// Replaces database and configuration; keeps transcript, counters and sink.
bool Install(Store store, std::string& error) {
  Host& host = TheHost();
  host.data.store = std::move(store);
  host.data.paymentMethodNames.clear();
  // The current sales-settings record is the first of Tspr_prop.
  const RecordRange props = host.data.store.Records(kTsprProp);
  host.data.currentProp.assign(props.length, 0);
  if (props.count > 0) std::memcpy(host.data.currentProp.data(), props.At(0), props.length);
  return Configure("", error);
}

bool Load(const std::string& text, std::string& error) {
  MemoryOutput output;
  Store store;
  return CompileFixtureText(text, output, error) && store.Adopt(output.Take(), error) &&
         Install(std::move(store), error);
}

void ResetHost() {
  Host& host = TheHost();
  const std::string base = host.module.baseDirectory;
  const QelmarLineSink sink = host.log.sink;
  void* const sinkContext = host.log.sinkContext;
  host = Host{};
  host.log.sink = sink;
  host.log.sinkContext = sinkContext;
  SetBaseDirectory(host, base);
  std::string error;
  Load("{}", error);
}

template <class F>
auto Guarded(F body, decltype(body()) failure) -> decltype(body()) {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

}  // namespace

}  // namespace qelmar

using namespace qelmar;

extern "C" {

QELMAR_API void QelmarReset(void) {
  Guarded([] { return ResetHost(), 0; }, 0);
}

QELMAR_API int QelmarLoadFixture(const char* json, size_t length, char* error, size_t errorSize) {
  return Guarded(
      [&] {
        std::string message;
        if (json != nullptr && Load(std::string(json, length), message)) return 0;
        CopyOut(error, errorSize, json == nullptr ? "no fixture" : message);
        ResetHost();
        return -1;
      },
      -1);
}

QELMAR_API int QelmarLoadFixtureFile(const char* path, char* error, size_t errorSize) {
  return Guarded(
      [&] {
        std::string json, message;
        if (!ReadFixtureFile(path != nullptr ? path : "(null)", json, message)) {
          CopyOut(error, errorSize, message);
          return -1;
        }
        return QelmarLoadFixture(json.data(), json.size(), error, errorSize);
      },
      -1);
}

QELMAR_API int QelmarBuildStore(const char* fixturePath, const char* directory, char* error, size_t errorSize) {
  return Guarded(
      [&] {
        std::string message;
        if (fixturePath == nullptr || directory == nullptr) {
          CopyOut(error, errorSize, "no fixture or no directory");
          return -1;
        }
        std::unique_ptr<StoreOutput> output;
        try {
          output = DirectoryOutput(directory);
        } catch (const std::exception& e) {
          CopyOut(error, errorSize, e.what());
          return -1;
        }
        if (CompileFixtureFile(fixturePath, *output, message)) return 0;
        CopyOut(error, errorSize, message);
        return -1;
      },
      -1);
}

QELMAR_API int QelmarOpenStore(const char* directory, char* error, size_t errorSize) {
  return Guarded(
      [&] {
        std::string message;
        Store store;
        if (directory != nullptr && store.OpenDirectory(directory, message) && Install(std::move(store), message))
          return 0;
        CopyOut(error, errorSize, directory == nullptr ? "no directory" : message);
        ResetHost();
        return -1;
      },
      -1);
}

QELMAR_API int QelmarConfigure(const char* json, char* error, size_t errorSize) {
  return Guarded(
      [&] {
        std::string message;
        std::string overrides = Overrides();
        if (json != nullptr && MergeHostOverrides(overrides, json, message) && Configure(overrides, message)) return 0;
        CopyOut(error, errorSize, json == nullptr ? "no settings" : message);
        return -1;
      },
      -1);
}

QELMAR_API void QelmarSetBaseDirectory(const char* path) {
  Guarded([&] { return SetBaseDirectory(TheHost(), path != nullptr ? path : ""), 0; }, 0);
}

QELMAR_API void QelmarSetTranscriptSink(QelmarLineSink sink, void* context) {
  TheHost().log.sink = sink;
  TheHost().log.sinkContext = context;
}

QELMAR_API size_t QelmarTranscriptCount(void) { return TheHost().log.transcript.size(); }

QELMAR_API const char* QelmarTranscriptLine(size_t index) {
  const auto& lines = TheHost().log.transcript;
  return index < lines.size() ? lines[index].c_str() : nullptr;
}

QELMAR_API void QelmarTranscriptClear(void) { TheHost().log.transcript.clear(); }

QELMAR_API size_t QelmarCallLogCount(void) { return TheHost().log.callLog.size(); }

QELMAR_API const char* QelmarCallLogLine(size_t index) {
  const auto& lines = TheHost().log.callLog;
  return index < lines.size() ? lines[index].c_str() : nullptr;
}

QELMAR_API int64_t QelmarCounter(const char* name) {
  int64_t value = -1;
  return Guarded([&] { return name != nullptr && ReadCounter(name, value) ? value : int64_t{-1}; }, int64_t{-1});
}

QELMAR_API size_t QelmarInjectionCount(void) { return kInjectionCount; }

QELMAR_API const char* QelmarInjectionName(size_t index) {
  return index < kInjectionCount ? InjectionName(static_cast<int>(index)) : nullptr;
}

QELMAR_API size_t QelmarUnreleased(char* text, size_t size) {
  return Guarded(
      [&] {
        const std::string live = Unreleased();
        CopyOut(text, size, live.empty() ? "none" : live.substr(1));
        return live.empty() ? size_t{0} : static_cast<size_t>(std::count(live.begin(), live.end(), ' '));
      },
      size_t{0});
}

QELMAR_API int QelmarRunSession(const char* modulePath, QelmarSession* session) {
  return Guarded(
      [&] {
        QelmarSession local{};
        const int result = RunSession(modulePath != nullptr ? modulePath : "", local);
        if (session != nullptr) *session = local;
        return result;
      },
      -1);
}

QELMAR_API int QelmarCallStampEntry(int32_t argument, int32_t* result) {
  int32_t value = 0;
  if (!CallStampEntry(argument, value)) return -1;
  if (result != nullptr) *result = value;
  return 0;
}

QELMAR_API int QelmarAttachModule(void* module) { return module != nullptr && AttachModule(module) ? 1 : 0; }

QELMAR_API int QelmarRegisteredCommand(QelmarCommand* command) {
  const Host& host = TheHost();
  if (!host.module.commandRegistered) return 0;
  if (command != nullptr) *command = host.module.command;
  return 1;
}

QELMAR_API size_t QelmarDialogTemplate(void* buffer, size_t size) {
  const auto& bytes = TheHost().module.dialogTemplate;
  if (buffer != nullptr && !bytes.empty()) std::memcpy(buffer, bytes.data(), std::min(size, bytes.size()));
  return bytes.size();
}

QELMAR_API int QelmarSetCurrentRecord(const char* dataFile, const char* json, size_t length, char* error,
                                      size_t errorSize) {
  return Guarded(
      [&] {
        Host& host = TheHost();
        const int file = DataFileByName(dataFile != nullptr ? dataFile : "");
        if (file < 0 || json == nullptr || host.config.absent[file]) {
          CopyOut(error, errorSize, file < 0 ? "no such data file" : json == nullptr ? "no record" : "absent");
          return -1;
        }
        const std::size_t size = static_cast<std::size_t>(std::max(host.config.recordLengths[file], 0));
        std::vector<unsigned char> record(size, 0);
        try {
          const json_reading::Json object = json_reading::Parse(std::string_view(json, length), "record");
          FillRecord(object, file, RecordOut{record.data(), record.size()}, kDataFileNames[file].name);
        } catch (const json_reading::FixtureError& e) {
          CopyOut(error, errorSize, e.what());
          return -1;
        }
        if (size > 0) std::memcpy(host.data.tables[file].buffer, record.data(), size);
        if (host.config.recordGarbage) ForEachUnusedRun(file, host.data.tables[file].buffer, size, &FillWithGarbage);
        return 0;
      },
      -1);
}

QELMAR_API int64_t QelmarFieldOffset(const char* dataFile, const char* field) {
  const FieldDef* found =
      dataFile != nullptr && field != nullptr ? FindField(DataFileByName(dataFile), field) : nullptr;
  return found != nullptr ? int64_t{found->offset} : int64_t{-1};
}

QELMAR_API void QelmarWriteBaseFiles(void) {
  Guarded([] { return WriteBaseFiles(), 0; }, 0);
}

QELMAR_API void QelmarApplyExports(void) {
  const auto& missing = TheHost().config.missingFunctions;
  SetMissingExports(missing.data(), missing.size());
}

}  // extern "C"
