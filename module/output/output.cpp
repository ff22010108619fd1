#include "output/output.h"

#include <cstdio>
#include <cstring>

#include "host/host_api.h"
#include "host/host_objects.h"
#include "host/mazovia.h"
#include "host/services.h"
#include "host/texts.h"
#include "output/run_record.h"
#include "platform/format.h"
#include "platform/guard.h"
#include "platform/platform.h"

namespace dravenhol {

namespace {

constexpr int32_t kMazovia = 1;
constexpr int32_t kWindowsCodePage = 3;
constexpr int32_t kUtf8 = 6;
// A Mazovia character takes at most three bytes in UTF-8 (the box-drawing and
// mathematical signs); the Polish letters take two.
constexpr int32_t kUtf8BytesPerCharacter = 3;

// The size on disk of the last line written: the stream is in text mode, so
// every line feed, the line's own end included, becomes CR LF.
int64_t g_lineBytes = 0;
int64_t DiskBytes(const char* converted) {
  int64_t bytes = 2;
  for (const char* c = converted; *c != '\0'; ++c) bytes += *c == '\n' ? 2 : 1;
  return bytes;
}

struct LineWrite {
  const char* text;
  HostStream* stream;
  int32_t capacity;
  bool reportConversionFailure;
  char* converted;
  LineResult result;
  const void* arguments;  // SaveInUtf's, as the host's report takes them
  uint32_t faultCode;
};

// Allocation, conversion and write: the steps a structured exception may
// interrupt. The buffer is freed by the caller on every way out. The stream
// is the host's, of the host's runtime: the module only hands it the line.
// Whether the line reached the disk is told when the file is closed.
void ConvertAndWrite(void* context) {
  auto* line = static_cast<LineWrite*>(context);
  const int32_t size = kUtf8BytesPerCharacter * line->capacity + 1;
  line->converted = static_cast<char*>(host::HostAlloc(static_cast<uint32_t>(size)));
  if (line->converted == nullptr) {
    line->result = LineResult::kConversionFailed;
    if (line->reportConversionFailure) host::HostShowError(texts::kConversionFailed);
    return;
  }
  host::HostConvertText(line->converted, size, line->text, int32_t{-1}, kMazovia, kUtf8);
  line->converted[size - 1] = '\0';
  g_lineBytes = DiskBytes(line->converted);
  host::HostFilePrintf(line->stream, "%s\n", static_cast<const char*>(line->converted));
  line->result = LineResult::kHandedOver;
}

// A fault of the host's inside the write: reported to the host's report
// function while the fault's frames are still there.
void ReportFault(const platform::HostFault& fault, void* context) {
  auto* line = static_cast<LineWrite*>(context);
  line->faultCode = fault.code;
  if (HostReportFunction report = host::HostExceptionReporter(); report != nullptr)
    report("SaveInUtf", fault.code, fault.information, line->arguments);
}

// The conversion buffer, on every way out of the write: also when an
// exception of the host's unwinds it.
void FreeConverted(void* context) {
  auto* line = static_cast<LineWrite*>(context);
  if (line->converted != nullptr) host::HostFree(static_cast<void*>(line->converted));
  line->converted = nullptr;
}

}  // namespace

void RelativeOutputName(const char* name, char (&relativeName)[kRelativeNameSize]) {
  FormatBounded(relativeName, sizeof relativeName, "%s\\%s", kOutputDirectory, name);
}

int64_t LastLineBytes() { return g_lineBytes; }

bool BaseDirectoryPath(const char* relativeName, char* path, int pathSize) {
  // The host appends in place, into room for the longest base and name it
  // can be given: whether it puts a backslash between them is the host's, so
  // the joined path is measured, not the parts.
  char joined[kMaxPath + 1 + kRelativeNameSize + 1];
  const char* base = host::HostBaseDirectory();
  if (base == nullptr) base = "";
  if (std::strlen(base) > static_cast<std::size_t>(kMaxPath) ||
      std::strlen(relativeName) >= static_cast<std::size_t>(kRelativeNameSize))
    return false;
  CopyBounded(joined, sizeof joined, base);
  host::HostPathAppend(joined, relativeName);
  joined[sizeof joined - 1] = '\0';
  // A host that bounds its paths may have cut the name: then it is not the
  // joined path's end.
  const std::size_t length = std::strlen(joined), nameLength = std::strlen(relativeName);
  if (length < std::strlen(base) + nameLength || std::strcmp(joined + length - nameLength, relativeName) != 0)
    return false;
  if (length > static_cast<std::size_t>(kMaxPath) || length >= static_cast<std::size_t>(pathSize)) return false;
  CopyBounded(path, static_cast<std::size_t>(pathSize), joined);
  return true;
}

bool FileSystemPath(const char* relativeName, char (&path)[kFileSystemPathSize]) {
  if (!BaseDirectoryPath(relativeName, path, sizeof path)) return false;
  // What the file system needs for the name, from the module's own table: a
  // character that the system's code page lacks would name some other file.
  char16_t wide[kFileSystemPathSize];
  int length = 0;
  for (; path[length] != '\0'; ++length) {
    wide[length] = static_cast<char16_t>(mazovia::ToUnicode(static_cast<unsigned char>(path[length])));
  }
  const int needed = platform::FileSystemLength(wide, length);
  if (needed < 0 || needed > kMaxPath) return false;
  host::HostRecodeText(path, path, kMazovia, kWindowsCodePage);
  path[sizeof path - 1] = '\0';
  // A recoding that cut the name or gave it another length names another
  // file, and so does a '?': no Windows name may hold one, and a recoding
  // puts it for a character it lacks, whatever the length.
  return std::strlen(path) == static_cast<std::size_t>(needed) && std::strchr(path, '?') == nullptr;
}

bool EmptyEarlierOutputFile(const char* name) {
  char relativeName[kRelativeNameSize];
  RelativeOutputName(name, relativeName);
  char path[kFileSystemPathSize];
  if (!FileSystemPath(relativeName, path)) return true;  // its open will say so
  return platform::TruncateFile(path) != platform::TruncateResult::kFailed;
}

bool BaseDirectoryLock::Take() {
  char path[kFileSystemPathSize];
  if (!FileSystemPath(kLockFileName, path)) return true;  // the opens will tell
  const platform::LockResult result = platform::LockFile(path, &lock_);
  if (result != platform::LockResult::kBusy) return true;
  char directory[kFileSystemPathSize];
  if (!BaseDirectoryPath(kOutputDirectory, directory, sizeof directory)) directory[0] = '\0';
  ShowFormattedMessage(texts::kTitleWarning, texts::kExportRunning, 1, static_cast<const char*>(directory));
  return false;
}

void BaseDirectoryLock::Release() {
  EndRunRecord(&lock_);
  platform::UnlockFile(&lock_);
}

void BaseDirectoryLock::BeginRecord(const char* method, const char* const* names, int count) {
  BeginRunRecord(&lock_, method, names, count);
}

LineResult SaveInUtf(const char* text, HostStream* stream, int32_t capacity, bool reportConversionFailure) {
  struct {
    const char* text;
    HostStream* stream;
    int32_t capacity;
  } arguments{text, stream, capacity};
  GuardScope guard("SaveInUtf", &arguments);
  LineWrite line{text,       stream, capacity, reportConversionFailure, nullptr, LineResult::kConversionFailed,
                 &arguments, 0};
  const platform::GuardHooks hooks{&ReportFault, &FreeConverted};
  const bool completed = platform::RunGuarded(&ConvertAndWrite, &line, hooks);
  FreeConverted(&line);
  if (!completed) {
    guard.Leave();
    // Unwinds the run, releasing every host object on the way, and is raised
    // again as a structured exception of the same code where the command
    // returns to the host.
    throw LineWriterFault{line.faultCode};
  }
  return line.result;
}

}  // namespace dravenhol
