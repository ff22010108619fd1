// Files and settings: the base directory, paths, streams of the host's C
// runtime (with injected open, write and close failures, files cut at their
// close, and the structured exception in the line writer) and the settings
// file store.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "config/ini_store.h"
#include "functions/host_entry.h"
#include "functions/host_functions.h"
#include "platform/host_platform.h"
#include "session/host_state.h"
#include "session/progress.h"
#include "text/text_codec.h"

namespace qelmar::impl {

namespace {

constexpr std::size_t kPathRoom = 260;

// The module knows a stream only as the host's opaque HostStream; here it is
// the chosen runtime's FILE.
std::FILE* Own(HostStream* stream) { return reinterpret_cast<std::FILE*>(stream); }
HostStream* Handed(std::FILE* stream) { return reinterpret_cast<HostStream*>(stream); }

// True when path names relativeName (slash-separated, UTF-8) below some directory.
bool Names(const std::string& path, const std::string& relativeName) {
  std::string normal = Convert(path, kCodeFileSystem, kCodeUtf8);
  for (char& c : normal)
    if (c == '\\') c = '/';
  if (normal == relativeName) return true;
  return normal.size() > relativeName.size() &&
         normal.compare(normal.size() - relativeName.size(), relativeName.size(), relativeName) == 0 &&
         normal[normal.size() - relativeName.size() - 1] == '/';
}

bool Listed(const std::string& path, const std::vector<std::string>& names) {
  for (const std::string& name : names)
    if (Names(path, name)) return true;
  return false;
}

// A host (Mazovia) file name, relative to the base directory unless absolute.
std::string SettingsPath(const char* file) {
  std::string name = file != nullptr ? file : "";
  const bool absolute = !name.empty() && (name[0] == '/' || name[0] == '\\' || name.find(':') != std::string::npos);
  if (!absolute) name = TheHost().module.baseMazovia + "\\" + name;
  return FileSystemPath(MazoviaToFileSystem(name));
}

bool ReadWhole(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  text = content.str();
  return true;
}

// A stream opened by the runtime of the moment, counted and kept with it.
void Opened(std::FILE* stream, const StreamRuntime* runtime) {
  Count(stream != nullptr ? kStreamOpen : kStreamOpenFailed);
  if (stream != nullptr) TheHost().live.liveStreams.emplace(stream, runtime);
}

// The runtime of a stream the host handed out and has not closed; null for
// anything else, which is then left alone.
const StreamRuntime* RuntimeOf(void* stream) {
  const auto& live = TheHost().live.liveStreams;
  const auto found = live.find(stream);
  return found != live.end() ? found->second : nullptr;
}

// Cuts a closed file to size bytes, through the file system.
void Cut(const std::string& path, std::uintmax_t size) {
  std::error_code ec;
  std::filesystem::resize_file(path, size, ec);
}

// Where the file's last line begins (after the line end before it), or 0.
std::uintmax_t LastLineStart(const std::string& path) {
  std::string text;
  if (!ReadWhole(path, text) || text.size() < 2) return 0;
  const std::size_t before = text.find_last_of('\n', text.size() - 2);
  return before == std::string::npos ? 0 : before + 1;
}

}  // namespace

extern "C" const char* HOST_CDECL_ATTR HostBaseDirectory() {
  Host& host = TheHost();
  const HostConfig& config = host.config;
  if (config.baseSubdirectory.empty() && !config.baseTrailingBackslash) return host.module.baseMazovia.c_str();
  // Made again at each call from the same parts, so the text stays where it was.
  std::string& shown = host.module.baseShown;
  shown = host.module.baseMazovia;
  const auto separated = [&] { return !shown.empty() && (shown.back() == '\\' || shown.back() == '/'); };
  if (!config.baseSubdirectory.empty()) {
    if (!separated()) shown += '\\';
    shown += config.baseSubdirectory;
  }
  if (config.baseTrailingBackslash && !separated()) shown += '\\';
  return shown.c_str();
}

// Joins with a backslash, unless the host is one that only concatenates; the
// result is bounded by the 260 bytes of a path.
extern "C" char* HOST_CDECL_ATTR HostPathAppend(char* path, const char* name) {
  if (path == nullptr || name == nullptr) return path;
  std::size_t n = strnlen(path, kPathRoom - 1);
  path[n] = '\0';
  if (TheHost().config.pathAppendInserts && n > 0 && path[n - 1] != '\\' && path[n - 1] != '/' && n + 1 < kPathRoom)
    path[n++] = '\\';
  for (const char* p = name; *p != '\0' && n + 1 < kPathRoom; ++p) path[n++] = *p;
  path[n] = '\0';
  return path;
}

extern "C" HostStream* HOST_CDECL_ATTR HostFileOpenShared(const char* path, const char* mode, int32_t, int32_t,
                                                          int32_t) {
  Host& host = TheHost();
  const StreamRuntime* runtime = host.live.streams;
  if (path == nullptr || mode == nullptr || runtime == nullptr || Injected(kInjectOpenOutput) ||
      Listed(path, host.config.openFailures)) {
    Count(kStreamOpenFailed);
    return nullptr;
  }
  const std::string file = FileSystemPath(path);
  std::FILE* stream = runtime->fsopen(file.c_str(), mode, kShareDenyNone);
  Opened(stream, runtime);
  if (stream != nullptr)
    host.live.outputStreams[stream] =
        OutputStream{file, Listed(path, host.config.closeFailures), Listed(path, host.config.cutFiles)};
  ProgressOpened(stream, path);
  return Handed(stream);
}

extern "C" HostStream* HOST_CDECL_ATTR HostFileOpen(const char* path, const char* mode) {
  const StreamRuntime* runtime = TheHost().live.streams;
  if (path == nullptr || mode == nullptr || runtime == nullptr) return nullptr;
  std::FILE* stream = runtime->fopen(FileSystemPath(MazoviaToFileSystem(path)).c_str(), mode);
  Opened(stream, runtime);
  return Handed(stream);
}

extern "C" int32_t HOST_CDECL_ATTR HostFileGets(char* line, int32_t size, HostStream* stream) {
  const StreamRuntime* runtime = RuntimeOf(stream);
  if (line == nullptr || size <= 0 || runtime == nullptr) return 0;
  return runtime->fgets(line, size, Own(stream)) != nullptr ? 1 : 0;
}

// Variadic, so it takes its entry step itself. An injected write failure
// behaves as a full disk: nothing is written and the result is -1.
extern "C" int32_t HOST_CDECL_ATTR HostFilePrintf(HostStream* stream, const char* format, ...) {
  EnterHostFunction(kSlotHostFilePrintf);
  int32_t result = -1;
  const StreamRuntime* runtime = RuntimeOf(stream);
  if (!Injected(kInjectWrite) && runtime != nullptr && format != nullptr) {
    va_list arguments;
    va_start(arguments, format);
    // A line of text, as the module writes every line: the same bytes as
    // vfprintf, without parsing the format each time.
    if (std::strcmp(format, "%s\n") == 0) {
      const char* line = va_arg(arguments, const char*);
      if (line == nullptr) line = "(null)";
      const std::size_t n = std::strlen(line);
      result = runtime->fwrite(line, 1, n, Own(stream)) == n && runtime->fputc('\n', Own(stream)) != EOF
                   ? static_cast<int32_t>(n + 1)
                   : -1;
    } else {
      result = StreamPrint(*runtime, Own(stream), format, arguments);
    }
    va_end(arguments);
    ProgressLine(stream);
  }
  return HostResult(kSlotHostFilePrintf, result);
}

// Closes through the runtime that opened the stream; anything else gives EOF
// untouched. An output stream that closeOutput names loses its last line
// (closed, then cut through the file system) and the close gives EOF; one
// that cutFiles names is cut to half its size by someone else after a close
// that went well.
extern "C" int32_t HOST_CDECL_ATTR HostFileClose(HostStream* stream) {
  Host& host = TheHost();
  const StreamRuntime* runtime = RuntimeOf(stream);
  if (runtime == nullptr) return EOF;
  ProgressClosed(stream);
  host.live.liveStreams.erase(stream);
  Count(kStreamClose);
  const auto found = host.live.outputStreams.find(stream);
  const bool isOutput = found != host.live.outputStreams.end();
  OutputStream output;
  if (isOutput) {
    output = std::move(found->second);
    host.live.outputStreams.erase(found);
    ++host.counts.outputCloses;
  }
  const bool fails = isOutput && (Injected(kInjectCloseOutput) || output.closeFails);
  int32_t result = runtime->fclose(Own(stream));
  if (fails) {
    Cut(output.path, LastLineStart(output.path));
    result = EOF;
  } else if (isOutput && output.cut) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(output.path, ec);
    if (!ec) Cut(output.path, size / 2);
  }
  return result;
}

// Operation 8 reads the key through the format's pointer arguments (0 when a
// value was read); operation 9 writes the formatted arguments and saves.
extern "C" int16_t HOST_CDECL_ATTR HostIniAccess(const char* file, int32_t operation, const char* section,
                                                 const char* key, const char* format, va_list arguments) {
  if (section == nullptr || key == nullptr || format == nullptr) return -1;
  const std::string path = SettingsPath(file);
  std::string text;
  ReadWhole(path, text);
  IniFile ini(text);
  if (CallLogOn()) LogCall(Line("HostIniAccess", std::to_string(operation), section, key));
  if (operation == 8) {
    const auto value = ini.Get(section, key);
    if (!value) return 1;
    return std::vsscanf(value->c_str(), format, arguments) >= 1 ? 0 : 1;
  }
  if (operation == 9) {
    char value[1024];
    const int n = std::vsnprintf(value, sizeof value, format, arguments);
    if (n < 0) return 1;
    ini.Set(section, key, value);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << ini.Text();
    return out.good() ? 0 : 1;
  }
  return -1;
}

}  // namespace qelmar::impl
