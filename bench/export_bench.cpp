// The export of one database, measured: the fixture is loaded once, then one
// whole session runs per method, each timed alone, with the host calls it
// made; last, a bare writer writes the same lines again as the floor.
//
//   export_bench --db FIXTURE [--module PATH] [--base DIR] [--method universal|interkam]...
//
// The bare writer holds the export's own lines in memory as Mazovia text and
// writes them with a 256-entry UTF-8 table and fprintf, line by line: the same
// bytes with no formatting and no host.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/mazovia.h"
#include "qelmar/qelmar.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const char* const kHostFunctions[] = {
#define HOST_FN(slot, number, Name, Ret, Conv, Params) #Name,
#include "host/host_catalogue.inc"
#undef HOST_FN
};

const char* const kOutputFiles[] = {"umowystale.csv",  "umowy.csv",          "faktury.csv", "faktury_pozycje.csv",
                                    "kontrahenci.csv", "kontrah_rabaty.csv", "magazyn.csv", "uzytkownicy.csv"};

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::vector<int64_t> CallCounts() {
  std::vector<int64_t> counts;
  for (const char* name : kHostFunctions) counts.push_back(QelmarCounter((std::string("calls.") + name).c_str()));
  return counts;
}

// The peak resident set of this process so far (VmHWM), in kB; 0 where unknown.
long PeakResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return 0;
}

// Mazovia text of a UTF-8 line (the export's lines hold only Mazovia characters).
std::string ToMazovia(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const int byte = dravenhol::mazovia::FromUnicode(dravenhol::mazovia::DecodeUtf8(utf8.data(), utf8.size(), i));
    out += static_cast<char>(byte < 0 ? '?' : byte);
  }
  return out;
}

// Writes every line of the export again from memory; gives the seconds taken.
double BareWriter(const fs::path& from, const fs::path& to, std::size_t* bytes) {
  std::vector<std::vector<std::string>> files;
  for (const char* name : kOutputFiles) {
    std::ifstream in(from / name, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(ToMazovia(line));
    }
    files.push_back(std::move(lines));
  }
  std::string table[256];
  for (int b = 0; b < 256; ++b) {
    char utf8[4];
    table[b].assign(utf8, static_cast<std::size_t>(dravenhol::mazovia::EncodeUtf8(
                              dravenhol::mazovia::ToUnicode(static_cast<unsigned char>(b)), utf8)));
  }
  fs::create_directories(to);
  *bytes = 0;
  const auto start = Clock::now();
  for (std::size_t f = 0; f < files.size(); ++f) {
    std::FILE* out = std::fopen((to / kOutputFiles[f]).string().c_str(), "wb");
    if (out == nullptr) return -1;
    char utf8[4 * 5002 + 3];
    for (const std::string& line : files[f]) {
      std::size_t n = 0;
      for (const char c : line)
        for (const char u : table[static_cast<unsigned char>(c)]) utf8[n++] = u;
      utf8[n] = '\0';
      *bytes += static_cast<std::size_t>(std::fprintf(out, "%s\r\n", utf8));
    }
    std::fclose(out);
  }
  return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  std::string db, module, base = "export-bench";
  std::vector<std::string> methods;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--db") == 0)
      db = argv[i + 1];
    else if (std::strcmp(argv[i], "--module") == 0)
      module = argv[i + 1];
    else if (std::strcmp(argv[i], "--base") == 0)
      base = argv[i + 1];
    else if (std::strcmp(argv[i], "--method") == 0)
      methods.push_back(argv[i + 1]);
  }
  if (db.empty() || module.empty()) {
    std::fprintf(stderr, "usage: export_bench --db FIXTURE --module PATH [--base DIR] [--method M]...\n");
    return 1;
  }
  if (methods.empty()) methods = {"universal", "interkam"};

  char error[1024];
  auto start = Clock::now();
  if (QelmarLoadFixtureFile(db.c_str(), error, sizeof error) != 0) {
    std::fprintf(stderr, "%s: %s\n", db.c_str(), error);
    return 2;
  }
  std::printf("load: %.2f s, peak resident %ld MB\n", Seconds(start), PeakResidentKb() / 1024);

  fs::path lastFiles;
  for (const std::string& method : methods) {
    const fs::path dir = fs::absolute(fs::path(base) / method);
    fs::remove_all(dir);
    fs::create_directories(dir);
    QelmarSetBaseDirectory(dir.string().c_str());
    if (QelmarConfigure(("{\"dialog\": \"" + method + "\"}").c_str(), error, sizeof error) != 0) {
      std::fprintf(stderr, "%s\n", error);
      return 2;
    }
    const std::vector<int64_t> before = CallCounts();
    QelmarSession session{};
    start = Clock::now();
    const int result = QelmarRunSession(module.c_str(), &session);
    const double seconds = Seconds(start);
    if (result != 0 || session.faulted) {
      std::fprintf(stderr, "%s: the session failed (%d)\n", method.c_str(), result);
      return 3;
    }
    const std::vector<int64_t> after = CallCounts();
    std::size_t lines = 0, bytes = 0;
    for (const char* name : kOutputFiles) {
      std::ifstream in(dir / "BAZA" / name, std::ios::binary);
      const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      bytes += text.size();
      for (const char c : text) lines += c == '\n';
    }
    int64_t calls = 0;
    for (std::size_t f = 0; f < before.size(); ++f) calls += after[f] - before[f];
    std::printf("%s: %.3f s, %zu lines, %.0f lines/s, %.1f MB/s, %.2f host calls a line\n", method.c_str(), seconds,
                lines, static_cast<double>(lines) / seconds, static_cast<double>(bytes) / 1e6 / seconds,
                static_cast<double>(calls) / static_cast<double>(lines));
    for (const char* name : {"HostCursorOpen", "HostCursorNext", "HostSettlementSetup", "HostOpenItemFile",
                             "HostGetAttribute", "HostFilePrintf"}) {
      for (std::size_t f = 0; f < before.size(); ++f)
        if (std::strcmp(kHostFunctions[f], name) == 0)
          std::printf("  %-22s %lld\n", name, static_cast<long long>(after[f] - before[f]));
    }
    lastFiles = dir / "BAZA";
  }
  std::printf("peak resident after the exports: %ld MB\n", PeakResidentKb() / 1024);

  std::size_t bytes = 0;
  const double floor = BareWriter(lastFiles, fs::path(base) / "floor", &bytes);
  std::printf("bare writer (%s's lines): %.3f s, %.1f MB/s\n", methods.back().c_str(), floor,
              static_cast<double>(bytes) / 1e6 / floor);
  return 0;
}
