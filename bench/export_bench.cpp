// The export of one database, measured in one run:
//
//   export_bench --db FIXTURE [--growth-db SMALLER] [--module PATH] [--base DIR]
//                [--method universal|interkam]... [--sqlite3 PROGRAM] [--repeat N]
//
// For each method: the export alone, after the database is open (one whole
// session, timed, its passes timed from the host's progress events, with its
// host calls and the memory of the module and of the host); the walk
// (walker.h: the module's own run with no line written, per pass, with its
// host calls beside the export's), so that the export less the walk is the
// writing of the lines; the floor, a bare writer of the same lines; and the
// peer, sqlite3 writing the same rows to CSV (peer.h). With --growth-db, the
// smaller database's exports too, and each pass's time growth between the
// two. Last, the ratios against their targets. Each export and each walk
// runs --repeat times (3) and the fastest time counts, whole and per pass; so do
// the floor and the peer.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "heap_tracker.h"
#include "measure.h"
#include "peer.h"
#include "qelmar/qelmar.h"
#include "walker.h"

namespace {

namespace fs = std::filesystem;
using namespace bench;

constexpr double kMB = 1e6;
constexpr double kMaxGrowth = 4.4;
// Passes shorter than this on the larger database are timed too coarsely to
// judge their growth; they are shown, not flagged.
constexpr double kShortestJudgedPass = 0.005;

struct Options {
  std::string db;
  std::string growthDb;
  std::string module = DRAVENHOL_MODULE_PATH;
  std::string base = "export-bench";
  std::vector<std::string> methods;
  std::string sqlite3 = "sqlite3";
  int repeats = 3;
};

struct MethodFigures {
  std::string method;
  ExportFigures exported;
  std::vector<double> walkSeconds;
  std::vector<int64_t> walkCalls;
  WriteFigures floor;
  WriteFigures peer;
  ExportFigures smaller;  // the export of the growth database
  ExportFigures larger;   // the export of the database, in turns with the smaller one
};

double MB(std::size_t bytes) { return static_cast<double>(bytes) / kMB; }

// Opens a database for the benchmark: the one place that says how.
// A store directory is opened as it is; a fixture file is read whole into a
// store in memory (within the fixture limit).
bool LoadDatabase(const std::string& path, std::string& error) {
  char text[1024] = "";
  std::error_code ec;
  const int result = std::filesystem::is_directory(path, ec) ? QelmarOpenStore(path.c_str(), text, sizeof text)
                                                             : QelmarLoadFixtureFile(path.c_str(), text, sizeof text);
  if (result == 0) return true;
  error = text;
  return false;
}

bool LoadTimed(const std::string& path) {
  std::string error;
  const auto start = Clock::now();
  if (!LoadDatabase(path, error)) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
    return false;
  }
  const double seconds = Seconds(start);
  std::printf("database %s: loaded in %.2f s, resident %.0f MB\n", path.c_str(), seconds, MB(StatusBytes("VmRSS:")));
  return true;
}

int16_t MethodNumber(const std::string& method) { return method == "interkam" ? 1 : 0; }

double Sum(const std::vector<double>& values) {
  double sum = 0;
  for (const double v : values) sum += v;
  return sum;
}

double CallsPerLine(const std::vector<int64_t>& calls, std::size_t lines) {
  int64_t sum = 0;
  for (const int64_t c : calls) sum += c;
  return lines != 0 ? static_cast<double>(sum) / static_cast<double>(lines) : 0;
}

void PrintPasses(const MethodFigures& m) {
  const std::vector<std::string> names = PassNames();
  std::printf("  %-40s %9s %11s %9s %9s\n", "pass", "export s", "walk s", "writing s", "lines");
  for (std::size_t p = 0; p < names.size(); ++p) {
    const double exported = m.exported.passSeconds[p];
    const double walked = p < m.walkSeconds.size() ? m.walkSeconds[p] : 0;
    std::printf("  %-40s %9.3f %11.3f %9.3f %9lld\n", names[p].c_str(), exported, walked, exported - walked,
                static_cast<long long>(m.exported.passLines[p]));
  }
  const double walked = Sum(m.walkSeconds);
  std::printf("  %-40s %9.3f %11.3f %9.3f %9zu\n", "whole session", m.exported.seconds, walked,
              m.exported.seconds - walked, m.exported.lines);
}

// Host functions that the export also calls outside its walk: for its output
// files (their paths, their holders, the copy of a path as it opens one; item
// files are opened through a holder by both), for the line writer's buffers,
// and for the data-file look-ups of the handshake's record-length check.
bool AlsoForLines(const std::string& name) {
  for (const char* also :
       {"HostHolderInit", "HostHolderGet", "HostHolderSet", "HostHolderIsSet", "HostHolderDestroy", "HostBaseDirectory",
        "HostPathAppend", "HostCopyTextMax", "HostFree", "HostTableByNumber", "HostFileClose"})
    if (name == also) return true;
  return false;
}

// The walk's host calls beside the export's, function by function; then the
// functions only the export calls (building and writing lines), the most
// called first.
void PrintCalls(const std::vector<MethodFigures>& figures) {
  std::printf("\n== host calls: the export and the walk ==\n  %-26s", "function");
  for (const MethodFigures& m : figures) std::printf(" %12s %10s", (m.method + " export").c_str(), "walk");
  std::printf("\n");
  const std::size_t count = figures.front().walkCalls.size();
  std::vector<std::pair<int64_t, std::size_t>> lineOnly;
  bool footnote = false;
  for (std::size_t f = 0; f < count; ++f) {
    const std::string name = HostFunctionName(f);
    bool walked = false;
    int64_t exported = 0;
    for (const MethodFigures& m : figures) {
      walked = walked || m.walkCalls[f] != 0;
      exported += m.exported.calls[f];
    }
    if (!walked) {
      if (exported != 0) lineOnly.emplace_back(exported, f);
      continue;
    }
    std::string mark;
    std::printf("  %-26s", (name + (AlsoForLines(name) ? " *" : "")).c_str());
    for (const MethodFigures& m : figures) {
      const int64_t e = m.exported.calls[f], w = m.walkCalls[f];
      std::printf(" %12lld %10lld", static_cast<long long>(e), static_cast<long long>(w));
      const bool differs = AlsoForLines(name) ? w > e : std::llabs(e - w) * 100 > e;
      if (differs) mark = "   << differs by more than 1%";
    }
    footnote = footnote || AlsoForLines(name);
    std::printf("%s\n", mark.c_str());
  }
  if (footnote) std::printf("  * the export also calls it for its output files and lines, or at the handshake\n");
  std::sort(lineOnly.rbegin(), lineOnly.rend());
  std::printf("  only the export, writing lines:\n");
  std::size_t shown = 0;
  int64_t rest = 0;
  for (const auto& [calls, f] : lineOnly) {
    if (shown == 8) {
      rest += calls;
      continue;
    }
    ++shown;
    std::printf("  %-26s", HostFunctionName(f));
    for (const MethodFigures& m : figures)
      std::printf(" %12lld %10s", static_cast<long long>(m.exported.calls[f]), "-");
    std::printf("\n");
  }
  if (shown < lineOnly.size())
    std::printf("  and %zu more functions, %lld calls in all\n", lineOnly.size() - shown, static_cast<long long>(rest));
  std::printf("  %-26s", "host calls a line");
  for (const MethodFigures& m : figures)
    std::printf(" %12.2f %10.2f", CallsPerLine(m.exported.calls, m.exported.lines),
                CallsPerLine(m.walkCalls, m.exported.lines));
  std::printf("\n");
}

void PrintMemory(const MemoryFigures& memory) {
  if (memory.moduleHeapMeasured)
    std::printf("  module memory: %.2f MB own heap + %.2f MB through HostAlloc = %.2f MB at most\n",
                MB(memory.moduleHeapPeak), MB(memory.hostAllocPeak), MB(memory.moduleHeapPeak + memory.hostAllocPeak));
  else
    std::printf("  module memory: own heap not measured (AddressSanitizer), %.2f MB through HostAlloc\n",
                MB(memory.hostAllocPeak));
  std::printf(
      "  host memory: %.0f MB (anonymous resident %.0f MB at most, %.0f MB before the export);"
      " resident peak %.0f MB\n",
      MB(memory.hostPeak), MB(memory.anonymousPeak), MB(memory.anonymousBefore), MB(memory.residentPeak));
}

void PrintWrite(const char* what, const WriteFigures& figures) {
  if (!figures.ran) {
    std::printf("  %-8s not run: %s\n", what, figures.note.c_str());
    return;
  }
  std::printf("  %-8s %.3f s, %.1f MB/s (%zu rows, %.1f MB)\n", what, figures.seconds,
              MB(figures.bytes) / figures.seconds, figures.rows, MB(figures.bytes));
}

void PrintMethod(const MethodFigures& m) {
  const ExportFigures& e = m.exported;
  std::printf("\n== %s ==\n", m.method.c_str());
  std::printf("  export   %.3f s, %zu lines, %.0f lines/s, %.1f MB/s\n", e.seconds, e.lines,
              static_cast<double>(e.lines) / e.seconds, MB(e.bytes) / e.seconds);
  PrintPasses(m);
  PrintMemory(e.memory);
  PrintWrite("floor", m.floor);
  PrintWrite("sqlite3", m.peer);
}

// Each pass's time on the larger database over its time on the smaller, with
// the ratio of their lines. Gives each method's worst judged ratio.
std::vector<double> PrintGrowth(const std::vector<MethodFigures>& figures, const Options& options) {
  const std::vector<std::string> names = PassNames();
  std::printf("\n== growth: %s -> %s, time x (lines x) ==\n  %-40s", options.growthDb.c_str(), options.db.c_str(),
              "pass");
  for (const MethodFigures& m : figures) std::printf(" %20s", m.method.c_str());
  std::printf("\n");
  std::vector<double> worst(figures.size(), 0);
  for (std::size_t p = 0; p < names.size(); ++p) {
    std::printf("  %-40s", names[p].c_str());
    std::string flags;
    for (std::size_t i = 0; i < figures.size(); ++i) {
      const ExportFigures &large = figures[i].larger, &small = figures[i].smaller;
      const double time = small.passSeconds[p] > 0 ? large.passSeconds[p] / small.passSeconds[p] : 0;
      const double lines = small.passLines[p] > 0
                               ? static_cast<double>(large.passLines[p]) / static_cast<double>(small.passLines[p])
                               : 0;
      std::printf("    %6.2fx (%6.2fx)", time, lines);
      if (large.passSeconds[p] < kShortestJudgedPass) {
        if (flags.empty()) flags = "   (too short to judge)";
        continue;
      }
      worst[i] = std::max(worst[i], time);
      if (time > kMaxGrowth) flags = "   << above 4.4x";
    }
    std::printf("%s\n", flags.c_str());
  }
  return worst;
}

// One line of the targets table: each method's value, the target, the verdict.
void Target(const char* what, const std::vector<double>& values, const char* target, bool met) {
  std::printf("  %-34s", what);
  for (const double v : values) std::printf(" %10.2f", v);
  std::printf("   %-10s %s\n", target, met ? "met" : "MISSED");
}

void PrintTargets(const std::vector<MethodFigures>& figures, const std::vector<double>& growth) {
  std::printf("\n== against the targets ==\n  %-34s", "");
  for (const MethodFigures& m : figures) std::printf(" %10s", m.method.c_str());
  std::printf("   target\n");
  std::vector<double> overFloor, shareOverFloor, overPeer, memory, calls;
  bool floorMet = true, shareMet = true, peerMet = true, memoryMet = true, peerRan = true;
  for (const MethodFigures& m : figures) {
    const double floor = m.floor.ran ? m.floor.seconds : 0;
    const double share = m.exported.seconds - Sum(m.walkSeconds);
    overFloor.push_back(floor > 0 ? m.exported.seconds / floor : 0);
    shareOverFloor.push_back(floor > 0 ? share / floor : 0);
    overPeer.push_back(m.peer.ran ? m.exported.seconds / m.peer.seconds : 0);
    const MemoryFigures& mem = m.exported.memory;
    memory.push_back(MB(mem.moduleHeapPeak + mem.hostAllocPeak));
    calls.push_back(CallsPerLine(m.exported.calls, m.exported.lines));
    floorMet = floorMet && overFloor.back() <= 2;
    shareMet = shareMet && shareOverFloor.back() <= 1;
    peerRan = peerRan && m.peer.ran;
    peerMet = peerMet && m.peer.ran && overPeer.back() < 1;
    memoryMet = memoryMet && mem.moduleHeapMeasured && memory.back() < 32;
  }
  Target("export / floor", overFloor, "<= 2", floorMet);
  Target("writing share / floor", shareOverFloor, "<= 1", shareMet);
  if (peerRan) Target("export / sqlite3", overPeer, "< 1", peerMet);
  Target("module memory, MB", memory, "< 32", memoryMet);
  if (!growth.empty())
    Target("growth, worst judged pass", growth, "<= 4.4",
           std::all_of(growth.begin(), growth.end(), [](double g) { return g <= kMaxGrowth; }));
  std::printf("  %-34s", "host calls a line");
  for (const double c : calls) std::printf(" %10.2f", c);
  std::printf("\n");
}

int Run(const Options& options) {
  StartHeapTracker();
  if (!LoadTimed(options.db)) return 2;
  BindHostFunctions();

  std::vector<MethodFigures> figures;
  for (const std::string& method : options.methods) {
    MethodFigures m;
    m.method = method;
    const fs::path dir = fs::absolute(fs::path(options.base) / method);
    if (!MeasureExport(options.module, method, dir, options.repeats, m.exported)) return 3;
    const std::vector<int64_t> before = HostCallCounts();
    for (int i = 0; i < options.repeats; ++i) {
      KeepFastest(m.walkSeconds, WalkExport(MethodNumber(method)));
      if (i == 0) {
        const std::vector<int64_t> after = HostCallCounts();
        for (std::size_t f = 0; f < before.size(); ++f) m.walkCalls.push_back(after[f] - before[f]);
      }
    }
    figures.push_back(std::move(m));
  }
  // The comparisons after every export, so that none of their memory is in
  // an export's figures.
  for (MethodFigures& m : figures) {
    const fs::path dir = fs::absolute(fs::path(options.base) / m.method);
    // The floor and the peer, like the export, count their fastest run.
    for (int i = 0; i < options.repeats; ++i) {
      WriteFigures floor = BareWriter(dir / "BAZA", dir / "floor");
      if (i == 0 || (floor.ran && floor.seconds < m.floor.seconds)) m.floor = floor;
      WriteFigures peer = SqlitePeer(options.sqlite3, dir / "BAZA", dir / "sqlite3");
      if (i == 0 || (peer.ran && peer.seconds < m.peer.seconds)) m.peer = peer;
    }
    PrintMethod(m);
  }
  PrintCalls(figures);

  std::vector<double> growth;
  if (!options.growthDb.empty()) {
    std::printf("\n");
    if (!LoadTimed(options.growthDb)) return 2;
    // The two databases take turns (a store opens in milliseconds), so that
    // a slow spell of a shared machine falls on both alike.
    for (MethodFigures& m : figures) {
      m.larger = ExportFigures{};
      for (int i = 0; i < std::max(options.repeats, 1); ++i) {
        ExportFigures small, large;
        std::string error;
        if (!LoadDatabase(options.growthDb, error) ||
            !MeasureExport(options.module, m.method, fs::absolute(fs::path(options.base) / "growth" / m.method), 1,
                           small) ||
            !LoadDatabase(options.db, error) ||
            !MeasureExport(options.module, m.method, fs::absolute(fs::path(options.base) / m.method), 1, large)) {
          std::fprintf(stderr, "%s\n", error.c_str());
          return 3;
        }
        KeepFastest(m.smaller, small);
        KeepFastest(m.larger, large);
      }
    }
    growth = PrintGrowth(figures, options);
  }
  PrintTargets(figures, growth);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    Options options;
    CLI::App app{"The export of one database, measured against a bare writer and sqlite3"};
    app.add_option("--db", options.db, "The database (fixture) to export")->required();
    app.add_option("--growth-db", options.growthDb, "A smaller database: each pass's time growth between the two");
    app.add_option("--module", options.module, "The module")->capture_default_str();
    app.add_option("--base", options.base, "Where the files go")->capture_default_str();
    app.add_option("--method", options.methods, "universal or interkam (default both)")
        ->check(CLI::IsMember({"universal", "interkam"}));
    app.add_option("--sqlite3", options.sqlite3, "The sqlite3 program")->capture_default_str();
    app.add_option("--repeat", options.repeats, "Sessions and walks per method; the fastest counts")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    CLI11_PARSE(app, argc, argv);
    if (options.methods.empty()) options.methods = {"universal", "interkam"};
    return Run(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "export_bench: %s\n", e.what());
    return 1;
  }
}
