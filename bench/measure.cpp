#include "measure.h"

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "export/output_files.h"
#include "heap_tracker.h"
#include "qelmar/qelmar.h"

namespace bench {

namespace {

namespace fs = std::filesystem;
namespace dh = dravenhol;

const char* const kHostFunctions[] = {
#define HOST_FN(slot, number, Name, Ret, Conv, Params) #Name,
#include "host/host_catalogue.inc"
#undef HOST_FN
};

constexpr std::size_t kFileCount = dh::kOutputFiles.size();
constexpr unsigned kStepsPerSample = 4096;

// Restarts the process's resident peak (VmHWM).
void RestartResidentPeak() {
  const int fd = open("/proc/self/clear_refs", O_WRONLY | O_CLOEXEC);
  if (fd < 0) return;
  if (write(fd, "5", 1) != 1) std::fputs("export_bench: the resident peak could not be restarted\n", stderr);
  close(fd);
}

// What the progress sink sees of one session.
struct Probe {
  Clock::time_point opened[kFileCount] = {};
  Clock::time_point closed[kFileCount] = {};
  int64_t lines[kFileCount] = {};
  bool seen[kFileCount] = {};
  unsigned steps = 0;
  MemoryFigures* memory = nullptr;

  void Sample() const {
    const std::size_t anonymous = StatusBytes("RssAnon:");
    const int64_t hostAlloc = QelmarCounter("alloc.liveBytes");
    const std::size_t module = ModuleHeapBytes() + static_cast<std::size_t>(std::max<int64_t>(hostAlloc, 0));
    const std::size_t notHost = module + HeapTrackerTableBytes();
    memory->anonymousPeak = std::max(memory->anonymousPeak, anonymous);
    memory->hostPeak = std::max(memory->hostPeak, anonymous > notHost ? anonymous - notHost : 0);
  }
};

int FileNumber(const char* name) {
  for (std::size_t i = 0; i < kFileCount; ++i)
    if (std::strcmp(dh::kOutputFiles[i].file.name, name) == 0) return static_cast<int>(i);
  return -1;
}

void OnProgress(const QelmarProgress* progress, void* context) {
  auto* probe = static_cast<Probe*>(context);
  if (progress->event == QELMAR_PROGRESS_LINE || progress->event == QELMAR_PROGRESS_SCAN) {
    if (++probe->steps % kStepsPerSample == 0) probe->Sample();
    return;
  }
  const auto now = Clock::now();
  const int file = FileNumber(progress->file);
  if (file >= 0 && progress->event == QELMAR_PROGRESS_OPENED) {
    probe->opened[file] = now;
    probe->seen[file] = true;
  } else if (file >= 0 && progress->event == QELMAR_PROGRESS_CLOSED) {
    probe->closed[file] = now;
    probe->lines[file] = progress->lines;
  }
  probe->Sample();
}

// A pass runs from the opening of its first file to the closing of its last.
void PassFigures(const Probe& probe, ExportFigures& figures) {
  for (std::size_t i = 0; i < kFileCount; ++i) {
    if (!dh::kOutputFiles[i].second) {
      figures.passSeconds.push_back(0);
      figures.passLines.push_back(0);
    }
    if (!probe.seen[i]) continue;
    figures.passLines.back() += probe.lines[i];
    if (dh::kOutputFiles[i].second) continue;
    const std::size_t last = i + 1 < kFileCount && dh::kOutputFiles[i + 1].second ? i + 1 : i;
    if (probe.seen[last])
      figures.passSeconds.back() = std::chrono::duration<double>(probe.closed[last] - probe.opened[i]).count();
  }
}

}  // namespace

std::size_t StatusBytes(const char* key) {
  char text[8192];
  const int fd = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  const ssize_t n = read(fd, text, sizeof text - 1);
  close(fd);
  if (n <= 0) return 0;
  text[n] = '\0';
  const char* at = std::strstr(text, key);
  return at == nullptr ? 0 : std::strtoull(at + std::strlen(key), nullptr, 10) * 1024;
}

std::vector<std::string> PassNames() {
  std::vector<std::string> names;
  for (const dh::OutputFileEntry& file : dh::kOutputFiles) {
    if (file.second && !names.empty())
      names.back() += std::string(" + ") + file.file.name;
    else
      names.emplace_back(file.file.name);
  }
  return names;
}

std::vector<int64_t> HostCallCounts() {
  std::vector<int64_t> counts;
  for (const char* name : kHostFunctions) counts.push_back(QelmarCounter((std::string("calls.") + name).c_str()));
  return counts;
}

const char* HostFunctionName(std::size_t slot) { return slot < std::size(kHostFunctions) ? kHostFunctions[slot] : ""; }

// One session, its figures in `figures`.
bool MeasureSession(const std::string& module, const std::string& method, const fs::path& dir, ExportFigures& figures) {
  fs::remove_all(dir);
  fs::create_directories(dir);
  MemoryFigures& memory = figures.memory;
  Probe probe;
  probe.memory = &memory;
  malloc_trim(0);  // what earlier work freed leaves the resident figures
  memory.anonymousBefore = StatusBytes("RssAnon:");
  RestartResidentPeak();
  const std::vector<int64_t> before = HostCallCounts();
  QelmarSetProgressSink(&OnProgress, &probe);
  ResetModuleHeapPeak();
  TrackModuleHeap(true);
  probe.Sample();

  QelmarSession session{};
  const auto start = Clock::now();
  const int result = QelmarRunSession(module.c_str(), &session);
  figures.seconds = Seconds(start);

  probe.Sample();
  TrackModuleHeap(false);
  QelmarSetProgressSink(nullptr, nullptr);
  memory.residentPeak = StatusBytes("VmHWM:");
  memory.moduleHeapMeasured = HeapTrackerActive();
  memory.moduleHeapPeak = ModuleHeapPeak();
  memory.hostAllocPeak = static_cast<std::size_t>(std::max<int64_t>(QelmarCounter("alloc.peakBytes"), 0));
  if (result != 0 || session.faulted != 0 || session.commandRan == 0) {
    std::fprintf(stderr, "%s: the session failed (%d)\n", method.c_str(), result);
    return false;
  }

  const std::vector<int64_t> after = HostCallCounts();
  for (std::size_t f = 0; f < before.size(); ++f) figures.calls.push_back(after[f] - before[f]);
  for (const dh::OutputFileEntry& file : dh::kOutputFiles) {
    std::ifstream in(dir / "BAZA" / file.file.name, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    figures.bytes += text.size();
    figures.lines += static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  }
  PassFigures(probe, figures);
  return true;
}

void KeepFastest(std::vector<double>& fastest, const std::vector<double>& seconds) {
  if (fastest.empty()) {
    fastest = seconds;
    return;
  }
  for (std::size_t i = 0; i < fastest.size() && i < seconds.size(); ++i) fastest[i] = std::min(fastest[i], seconds[i]);
}

bool MeasureExport(const std::string& module, const std::string& method, const fs::path& dir, int repeats,
                   ExportFigures& figures) {
  fs::create_directories(dir);
  QelmarSetBaseDirectory(dir.string().c_str());
  char error[1024];
  if (QelmarConfigure(("{\"dialog\": \"" + method + "\"}").c_str(), error, sizeof error) != 0) {
    std::fprintf(stderr, "%s\n", error);
    return false;
  }
  figures = ExportFigures{};
  for (int i = 0; i < std::max(repeats, 1); ++i) {
    ExportFigures session;
    if (!MeasureSession(module, method, dir, session)) return false;
    KeepFastest(figures, session);
  }
  return true;
}

void KeepFastest(ExportFigures& figures, const ExportFigures& session) {
  if (figures.passSeconds.empty()) {
    figures = session;
    return;
  }
  figures.seconds = std::min(figures.seconds, session.seconds);
  KeepFastest(figures.passSeconds, session.passSeconds);
  MemoryFigures& m = figures.memory;
  const MemoryFigures& s = session.memory;
  m.moduleHeapPeak = std::max(m.moduleHeapPeak, s.moduleHeapPeak);
  m.hostAllocPeak = std::max(m.hostAllocPeak, s.hostAllocPeak);
  m.anonymousPeak = std::max(m.anonymousPeak, s.anonymousPeak);
  m.hostPeak = std::max(m.hostPeak, s.hostPeak);
  m.residentPeak = std::max(m.residentPeak, s.residentPeak);
}

}  // namespace bench
