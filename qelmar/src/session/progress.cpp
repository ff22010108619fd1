#include "session/progress.h"

#include <string>
#include <unordered_map>

#include "qelmar/qelmar.h"

namespace qelmar {

namespace {

struct OutputFile {
  std::string name;
  int64_t lines = 0;
};

QelmarProgressSink g_sink = nullptr;
void* g_context = nullptr;
std::unordered_map<void*, OutputFile> g_files;

void Tell(int32_t event, const OutputFile* file, int32_t record = 0, int32_t count = 0) {
  const QelmarProgress progress{event, file != nullptr ? file->name.c_str() : "", file != nullptr ? file->lines : 0,
                                record, count};
  g_sink(&progress, g_context);
}

}  // namespace

void ProgressOpened(void* stream, const char* path) {
  if (g_sink == nullptr || stream == nullptr || path == nullptr) return;
  std::string name(path);
  if (const auto cut = name.find_last_of("\\/"); cut != std::string::npos) name.erase(0, cut + 1);
  OutputFile& file = g_files[stream] = OutputFile{name, 0};
  Tell(QELMAR_PROGRESS_OPENED, &file);
}

void ProgressLine(void* stream) {
  if (g_sink == nullptr) return;
  const auto found = g_files.find(stream);
  if (found == g_files.end()) return;
  ++found->second.lines;
  Tell(QELMAR_PROGRESS_LINE, &found->second);
}

void ProgressClosed(void* stream) {
  if (g_sink == nullptr) return;
  const auto found = g_files.find(stream);
  if (found == g_files.end()) return;
  Tell(QELMAR_PROGRESS_CLOSED, &found->second);
  g_files.erase(found);
}

void ProgressScan(int32_t record, int32_t count) {
  if (g_sink != nullptr) Tell(QELMAR_PROGRESS_SCAN, nullptr, record, count);
}

}  // namespace qelmar

extern "C" QELMAR_API void QelmarSetProgressSink(QelmarProgressSink sink, void* context) {
  qelmar::g_sink = sink;
  qelmar::g_context = context;
  qelmar::g_files.clear();
}
