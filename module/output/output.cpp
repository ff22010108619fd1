#include "output/output.h"

#include <cstdio>
#include <cstring>

#include "host/host_api.h"
#include "host/host_objects.h"
#include "host/mazovia.h"
#include "platform/format.h"
#include "platform/platform.h"

namespace dravenhol {

namespace {

constexpr int32_t kMazovia = 1;
constexpr int32_t kWindowsCodePage = 3;
constexpr int32_t kUtf8 = 6;
// A Mazovia character takes at most three bytes in UTF-8 (the box-drawing and
// mathematical signs); the Polish letters take two.
constexpr int32_t kUtf8BytesPerCharacter = 3;

struct LineWrite {
  const char* text;
  HostStream* stream;
  int32_t capacity;
  char* converted;
  bool written;
};

// Allocation, conversion and write: the steps a structured exception may
// interrupt. The buffer is freed by the caller on every way out.
void ConvertAndWrite(void* context) {
  auto* line = static_cast<LineWrite*>(context);
  const int32_t size = kUtf8BytesPerCharacter * line->capacity + 1;
  line->converted = static_cast<char*>(host::HostAlloc(static_cast<uint32_t>(size)));
  if (line->converted == nullptr) {
    // The line is lost; the caller goes on, and the file is named as incomplete.
    host::HostShowError(static_cast<const char*>("Operacja konwersji nieudana"));
    return;
  }
  host::HostConvertText(line->converted, size, line->text, int32_t{-1}, kMazovia, kUtf8);
  line->written = host::HostFilePrintf(line->stream, "%s\n", static_cast<const char*>(line->converted)) >= 0;
}

int CloseStream(HostStream* stream) { return std::fclose(stream); }

}  // namespace

bool BaseDirectoryPath(const char* relativeName, char* path, int pathSize) {
  const char* base = host::HostBaseDirectory();
  CopyBounded(path, static_cast<std::size_t>(pathSize), base != nullptr ? base : "");
  // The host appends in place: only ask it when the result fits the path.
  if (std::strlen(path) + 1 + std::strlen(relativeName) > static_cast<std::size_t>(kMaxPath)) return false;
  host::HostPathAppend(path, relativeName);
  path[pathSize - 1] = '\0';
  return true;
}

HostStream* CreatePathAndOpen(const char* path) {
  char work[kMaxPath + 1];
  host::HostCopyTextMax(work, path, int32_t{kMaxPath});
  work[kMaxPath] = '\0';
  for (int i = 1; work[0] != '\0' && work[i] != '\0'; ++i) {
    if (work[i] != '\\' || work[i - 1] == ':') continue;
    work[i] = '\0';
    platform::MakeDirectory(work);
    work[i] = '\\';
  }
  HostHolder holder{};
  host::HostHolderInit(&holder, static_cast<void*>(host::HostFileOpenShared(path, "wt", int32_t{0x40}, int32_t{0},
                                                                              int32_t{-1})),
                       HostReleaseFunction{}, int32_t{0}, int32_t{0}, int32_t{0});
  auto* stream = static_cast<HostStream*>(host::HostHolderGet(&holder));
  host::HostHolderDestroy(&holder);
  return stream;
}

void RelativeOutputName(const char* name, char (&relativeName)[kRelativeNameSize]) {
  FormatBounded(relativeName, sizeof relativeName, "%s\\%s", kOutputDirectory, name);
}

bool OpenOutputFile(HostHolder* holder, OutputFileState* state, const char* name, int32_t capacity) {
  char relativeName[kRelativeNameSize];
  RelativeOutputName(name, relativeName);
  char path[kMaxPath + 5];
  HostStream* stream = nullptr;
  if (BaseDirectoryPath(relativeName, path, sizeof path)) {
    host::HostRecodeText(path, path, kMazovia, kWindowsCodePage);
    path[sizeof path - 1] = '\0';
    stream = CreatePathAndOpen(path);
  }
  host::HostHolderSet(holder, static_cast<void*>(stream));
  if (host::HostHolderIsSet(holder) == 0) return false;
  *state = OutputFileState{name, capacity, false};
  return true;
}

void WriteOutputLine(HostHolder* holder, OutputFileState* state, const char* line, int32_t capacity) {
  auto* stream = static_cast<HostStream*>(host::HostHolderGet(holder));
  if (stream != nullptr && !SaveInUtf(line, stream, capacity)) state->incomplete = true;
}

void CloseOutputFile(HostHolder* holder, OutputFileState* state) {
  const bool wasOpen = host::HostHolderIsSet(holder) != 0;
  const bool closed = CloseFileHolder(holder);
  if (wasOpen && (!closed || state->incomplete) && state->name != nullptr) {
    char relativeName[kRelativeNameSize];
    RelativeOutputName(state->name, relativeName);
    ShowFormattedMessage(MZ("Uwaga"), MZ("Plik %s nie został zapisany w całości.\nOperacja niekompletna!"), 1,
                         static_cast<const char*>(relativeName));
  }
  *state = OutputFileState{nullptr, 0, false};
}

void ShowOpenFailure(const char* name) {
  char relativeName[kRelativeNameSize];
  RelativeOutputName(name, relativeName);
  ShowFormattedMessage(MZ("Uwaga"), MZ("Nie można otworzyć pliku: %s"), 1, static_cast<const char*>(relativeName));
}

bool SaveInUtf(const char* text, HostStream* stream, int32_t capacity) {
  struct {
    const char* text;
    HostStream* stream;
    int32_t capacity;
  } arguments{text, stream, capacity};
  GuardScope guard("SaveInUtf", &arguments);
  LineWrite line{text, stream, capacity, nullptr, false};
  platform::StructuredFault fault{};
  const bool completed = platform::RunGuarded(&ConvertAndWrite, &line, &fault);
  if (line.converted != nullptr) host::HostFree(static_cast<void*>(line.converted));
  if (!completed) {
    if (HostReportFunction report = host::HostExceptionReporter(); report != nullptr)
      report("SaveInUtf", fault.code, fault.information, &arguments);
    guard.Leave();
    // Unwinds the run, releasing every host object on the way, and is raised
    // again as the same structured exception where the command returns to the host.
    throw LineWriterFault{fault.code};
  }
  return line.written;
}

bool CloseFileHolder(HostHolder* holder) {
  if (host::HostHolderIsSet(holder) == 0) return true;
  const int32_t result = host::HostHolderApply(holder, HostApplyFunction{&CloseStream});
  host::HostHolderSet(holder, static_cast<void*>(nullptr));
  return result == 0;
}

void ShowFormattedMessage(const char* title, const char* format, int32_t style, ...) {
  char text[3072];
  va_list arguments;
  va_start(arguments, style);
  FormatBoundedV(text, sizeof text, format, arguments);
  va_end(arguments);
  host::HostMessageBoxFormat(static_cast<void*>(nullptr), title, "%s", style, static_cast<const char*>(text));
}

int16_t AccessSettings(const char* file, int32_t operation, const char* section, const char* key,
                       const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int16_t status = host::HostIniAccess(file, operation, section, key, format, arguments);
  va_end(arguments);
  return status;
}

HostHolder* OpenTextFile(HostHolder* holder, const char* path, const char* mode) {
  host::HostHolderInit(holder, static_cast<void*>(host::HostFileOpen(path, mode)), HostReleaseFunction{},
                       int32_t{0}, int32_t{0}, int32_t{0});
  return holder;
}

extern "C" void DravenholCallThunk61();

HostHolder* OpenItemFileHolder(HostHolder* holder, int32_t index, void* key, void* auxiliary, int32_t* count) {
  static_assert(host::HostReleaseItemFileSlot == 61);
  host::HostHolderInit(holder, static_cast<void*>(host::HostOpenItemFile(index, key, auxiliary, count)),
                       reinterpret_cast<HostReleaseFunction>(&DravenholCallThunk61), int32_t{0}, int32_t{0},
                       int32_t{0});
  return holder;
}

}  // namespace dravenhol
