// One export session, measured: its time, its passes timed from the host's
// progress events, the host calls it made, and the memory that the module
// and the host held while it ran.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// The value of a "Key:  123 kB" line of /proc/self/status ("VmRSS:"), in
// bytes; 0 where unknown. Reads without allocating.
std::size_t StatusBytes(const char* key);

// The passes of an export: one per file of the table of output files that
// is not the second of a pair ("faktury.csv + faktury_pozycje.csv").
std::vector<std::string> PassNames();

// Calls of each host function so far, in catalogue order, and their names.
std::vector<int64_t> HostCallCounts();
const char* HostFunctionName(std::size_t slot);

// Memory while one export ran, in bytes.
//
// The module's share is what it asked for: its own heap (malloc and new from
// its code, exact; see heap_tracker.h) and the blocks it took through
// HostAlloc (the host's alloc.peakBytes). The two peaks are added, so the sum
// is an upper bound of what it held at one time.
//
// The host's share is the rest of the process's anonymous resident memory
// (RssAnon, which holds the database in memory): sampled at every output
// file's opening and closing and every 4096 lines or scan steps, minus the
// module's bytes at that moment and the tracker's own table. Resident peak is
// the peak of all resident memory of the process during the export (VmHWM,
// restarted just before it), file-backed pages included.
struct MemoryFigures {
  bool moduleHeapMeasured = false;  // false under AddressSanitizer
  std::size_t moduleHeapPeak = 0;
  std::size_t hostAllocPeak = 0;
  std::size_t anonymousBefore = 0;
  std::size_t anonymousPeak = 0;
  std::size_t hostPeak = 0;
  std::size_t residentPeak = 0;
};

struct ExportFigures {
  double seconds = 0;
  std::size_t lines = 0;
  std::size_t bytes = 0;
  std::vector<double> passSeconds;  // from the opening of a pass's first file to the closing of its last
  std::vector<int64_t> passLines;
  std::vector<int64_t> calls;  // per host function
  MemoryFigures memory;
};

// Runs sessions of the module over the loaded database with the export
// dialog answered by `method`, its files under dir/BAZA: `repeats` of them,
// keeping the fastest time of the whole and of each pass, and the highest
// memory. False after a message on standard error.
bool MeasureExport(const std::string& module, const std::string& method, const std::filesystem::path& dir, int repeats,
                   ExportFigures& figures);

// The fastest of several timings, one by one.
void KeepFastest(std::vector<double>& fastest, const std::vector<double>& seconds);
// The fastest times and the highest memory of two measures of one export
// (figures empty: the session's own).
void KeepFastest(ExportFigures& figures, const ExportFigures& session);

}  // namespace bench
