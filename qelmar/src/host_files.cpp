// Files and settings: the base directory, paths, streams (with injected open,
// write and close failures and the structured exception in the line writer)
// and the settings file store.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "host_entry.h"
#include "host_functions.h"
#include "host_platform.h"
#include "host_state.h"
#include "ini_store.h"
#include "progress.h"
#include "text_codec.h"

namespace qelmar::impl {

namespace {

constexpr std::size_t kPathRoom = 260;

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
  if (!absolute) name = TheHost().baseMazovia + "\\" + name;
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

void Opened(std::FILE* stream) {
  Count(stream != nullptr ? kStreamOpen : kStreamOpenFailed);
  if (stream != nullptr) TheHost().liveStreams.insert(stream);
}

}  // namespace

}  // namespace qelmar::impl

namespace qelmar {

bool StreamClosing(void* stream) {
  ProgressClosed(stream);
  Host& host = TheHost();
  if (host.liveStreams.erase(stream) == 0) return false;
  Count(kStreamClose);
  const auto output = host.outputStreams.find(stream);
  if (output == host.outputStreams.end()) return false;
  const bool named = output->second;
  host.outputStreams.erase(output);
  ++host.outputCloses;
  return Injected(kInjectCloseOutput) || named;
}

}  // namespace qelmar

namespace qelmar::impl {

extern "C" const char* HOST_CDECL_ATTR HostBaseDirectory() { return TheHost().baseMazovia.c_str(); }

// Joins with a backslash; the result is bounded by the 260 bytes of a path.
extern "C" char* HOST_CDECL_ATTR HostPathAppend(char* path, const char* name) {
  if (path == nullptr || name == nullptr) return path;
  std::size_t n = strnlen(path, kPathRoom - 1);
  path[n] = '\0';
  if (n > 0 && path[n - 1] != '\\' && path[n - 1] != '/' && n + 1 < kPathRoom) path[n++] = '\\';
  for (const char* p = name; *p != '\0' && n + 1 < kPathRoom; ++p) path[n++] = *p;
  path[n] = '\0';
  return path;
}

extern "C" HostStream* HOST_CDECL_ATTR HostFileOpenShared(const char* path, const char* mode, int32_t, int32_t,
                                                          int32_t) {
  Host& host = TheHost();
  if (path == nullptr || mode == nullptr || Injected(kInjectOpenOutput) || Listed(path, host.config.openFailures)) {
    Count(kStreamOpenFailed);
    return nullptr;
  }
  std::FILE* stream = OpenSharedStream(FileSystemPath(path), mode);
  Opened(stream);
  if (stream != nullptr) host.outputStreams[stream] = Listed(path, host.config.closeFailures);
  ProgressOpened(stream, path);
  return stream;
}

extern "C" HostStream* HOST_CDECL_ATTR HostFileOpen(const char* path, const char* mode) {
  if (path == nullptr || mode == nullptr) return nullptr;
  std::FILE* stream = OpenStream(FileSystemPath(MazoviaToFileSystem(path)), mode);
  Opened(stream);
  return stream;
}

extern "C" int32_t HOST_CDECL_ATTR HostFileGets(char* line, int32_t size, HostStream* stream) {
  if (line == nullptr || size <= 0 || stream == nullptr) return 0;
  return std::fgets(line, size, stream) != nullptr ? 1 : 0;
}

// Variadic, so it takes its entry step itself. An injected write failure
// behaves as a full disk: nothing is written, the result is -1 and the
// stream's error indicator is set.
extern "C" int32_t HOST_CDECL_ATTR HostFilePrintf(HostStream* stream, const char* format, ...) {
  EnterHostFunction(kSlotHostFilePrintf);
  int32_t result = -1;
  if (Injected(kInjectWrite)) {
    if (stream != nullptr) MarkWriteError(stream);
  } else if (stream != nullptr && format != nullptr) {
    va_list arguments;
    va_start(arguments, format);
    // A line of text, as the module writes every line: the same bytes as
    // vfprintf, without parsing the format each time.
    if (std::strcmp(format, "%s\n") == 0) {
      const char* line = va_arg(arguments, const char*);
      if (line == nullptr) line = "(null)";
      const std::size_t n = std::strlen(line);
      result =
          std::fwrite(line, 1, n, stream) == n && std::fputc('\n', stream) != EOF ? static_cast<int32_t>(n + 1) : -1;
    } else {
      result = std::vfprintf(stream, format, arguments);
    }
    va_end(arguments);
    ProgressLine(stream);
  }
  return HostResult(kSlotHostFilePrintf, result);
}

extern "C" int32_t HOST_CDECL_ATTR HostFileClose(HostStream* stream) {
  if (stream == nullptr) return EOF;
  const bool fails = StreamClosing(stream);
  const int result = std::fclose(stream);
  return fails ? EOF : result;
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
