#include "database_session.h"

#include <dlfcn.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "export/output_files.h"
#include "invariants.h"
#include "qelmar/qelmar.h"

namespace dravenhol::fuzz {

namespace fs = std::filesystem;

namespace {

struct RunResult {
  OutputFiles files;
  std::vector<std::string> transcript;
  int64_t printfCalls = 0;
};

RunResult RunOnce(const Json& fixture, const fs::path& base) {
  fs::remove_all(base);
  fs::create_directories(base);
  QelmarReset();
  QelmarSetBaseDirectory(base.c_str());
  const std::string text = fixture.dump();
  char error[512] = {};
  if (QelmarLoadFixture(text.data(), text.size(), error, sizeof error) != 0)
    Fail(std::string("the fixture did not load: ") + error, text);
  QelmarSession session{};
  const int result = QelmarRunSession(DRAVENHOL_MODULE, &session);
  RunResult run;
  for (std::size_t i = 0; i < QelmarTranscriptCount(); ++i) run.transcript.emplace_back(QelmarTranscriptLine(i));
  std::string transcript;
  for (const std::string& line : run.transcript) transcript += line + "\n";
  if (result != 0 || !session.commandRan || session.faulted) Fail("the session did not end normally", transcript);
  for (const char* live : {"cursor.live", "alloc.live", "itemFile.live", "items.live", "guard.depth"})
    if (QelmarCounter(live) != 0) Fail(std::string("host objects left behind: ") + live, transcript);
  run.printfCalls = QelmarCounter("printf.calls");
  if (fs::exists(base / "BAZA"))
    for (const auto& file : fs::directory_iterator(base / "BAZA")) {
      std::ifstream stream(file.path(), std::ios::binary);
      run.files[file.path().filename().string()] = std::string(std::istreambuf_iterator<char>(stream), {});
    }
  CheckOutputLines(run.files);
  return run;
}

}  // namespace

bool RunCheckedSessions(Source& source, const fs::path& base) {
  Json fixture = RandomFixture(source);
  const RunResult clean = RunOnce(fixture, base);
  if (const auto named = FilesNamedIncomplete(clean.transcript); !named.empty())
    Fail("BAZA\\" + named.front() + " named incomplete though no write failed", fixture.dump());

  std::vector<std::string> closeFailures;
  const Json failures = RandomWriteFailures(source, clean.printfCalls, closeFailures);
  if (!failures.empty()) {
    fixture["host"]["failures"] = failures;
    const RunResult failed = RunOnce(fixture, base);
    CheckFailedWritesNamed(clean.files, failed.files, closeFailures, failed.transcript);
  }
  fs::remove_all(base);
  return clean.files.count(kOutputFiles.back().file.name) != 0;  // the run reached its last file
}

void KeepModuleLoaded() {
  static void* const module = dlopen(DRAVENHOL_MODULE, RTLD_NOW | RTLD_NODELETE);
  static_cast<void>(module);
}

}  // namespace dravenhol::fuzz
