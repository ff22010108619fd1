// dravenhol-host: plays the host program for one session with the module,
// against a database fixture, and prints what the module shows.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>

#include <CLI/CLI.hpp>

#include "generate.h"
#include "platform/module_loader.h"
#include "progress_display.h"
#include "qelmar/qelmar.h"

extern const char* const kSampleFixture;

namespace {

namespace fs = std::filesystem;

struct Options {
  std::string db;
  std::string base = ".";
  std::string method;
  std::string module;
  std::string transcript;
  std::string host;
  std::string streamRuntime;
  bool callLog = false;
};

struct Output {
  std::ofstream transcript;
  qelmar_tool::ProgressDisplay* progress = nullptr;
};

void PrintLine(const char* line, void* context) {
  auto* output = static_cast<Output*>(context);
  // A transcript line on a terminal starts where the progress line was.
  if (output->progress != nullptr) output->progress->ClearLine();
  std::fputs(line, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  if (output->transcript.is_open()) output->transcript << line << '\n' << std::flush;
}

// The directory of this program: QELMAR lies beside it.
fs::path ProgramDirectory() {
  char path[4096];
  qelmar::loader::ModuleFileName(qelmar::loader::FindLoadedModule("QELMAR"), path, sizeof path);
  return fs::path(path).parent_path();
}

fs::path DefaultModule() {
  const std::string name = std::string("dravenhol") + qelmar::loader::ModuleSuffix();
  fs::path beside = ProgramDirectory() / name;
  if (fs::exists(beside)) return beside;
  return ProgramDirectory().parent_path() / "module" / name;
}

bool Configure(const std::string& json) {
  char error[512];
  if (QelmarConfigure(json.c_str(), error, sizeof error) == 0) return true;
  std::cerr << "dravenhol-host: host settings: " << error << '\n';
  return false;
}

// A store directory made for one run, removed when the run ends.
class ScratchStore {
 public:
  ScratchStore() {
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const fs::path candidate = base / ("dravenhol-store-" + std::to_string(random()));
      if (fs::create_directory(candidate, ec)) path_ = candidate;
    }
  }
  ~ScratchStore() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  ScratchStore(const ScratchStore&) = delete;
  ScratchStore& operator=(const ScratchStore&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// Opens the database: the bundled sample, a store directory, or a fixture
// file compiled into a scratch store first.
bool OpenDatabase(const std::string& db, ScratchStore& scratch) {
  char error[1024];
  std::error_code ec;
  int result = 0;
  if (db.empty()) {
    result = QelmarLoadFixture(kSampleFixture, std::char_traits<char>::length(kSampleFixture), error, sizeof error);
  } else if (fs::is_directory(db, ec)) {
    result = QelmarOpenStore(db.c_str(), error, sizeof error);
  } else if (scratch.path().empty()) {
    std::snprintf(error, sizeof error, "no room for a scratch store in %s",
                  fs::temp_directory_path(ec).string().c_str());
    result = -1;
  } else {
    const std::string store = scratch.path().string();
    result = QelmarBuildStore(db.c_str(), store.c_str(), error, sizeof error);
    if (result == 0) result = QelmarOpenStore(store.c_str(), error, sizeof error);
  }
  if (result == 0) return true;
  std::cerr << "dravenhol-host: " << (db.empty() ? "bundled sample" : db) << ": " << error << '\n';
  return false;
}

int Export(const Options& options) {
  ScratchStore scratch;
  if (!OpenDatabase(options.db, scratch)) return 2;
  if (!options.host.empty() && !Configure(options.host)) return 2;
  if (!options.method.empty() && !Configure("{\"dialog\": \"" + options.method + "\"}")) return 2;
  if (options.callLog && !Configure("{\"callLog\": true}")) return 2;
  if (!options.streamRuntime.empty() && !Configure("{\"streamRuntime\": \"" + options.streamRuntime + "\"}")) return 2;

  std::error_code ec;
  const fs::path base = fs::absolute(options.base, ec);
  fs::create_directories(base, ec);
  QelmarSetBaseDirectory(base.string().c_str());

  Output output;
  if (!options.transcript.empty()) {
    output.transcript.open(options.transcript, std::ios::binary | std::ios::trunc);
    if (!output.transcript) {
      std::cerr << "dravenhol-host: cannot write " << options.transcript << '\n';
      return 2;
    }
  }
  const fs::path module = options.module.empty() ? DefaultModule() : fs::path(options.module);
  QelmarSession session{};
  qelmar_tool::ProgressDisplay progress;
  output.progress = &progress;
  QelmarSetTranscriptSink(&PrintLine, &output);
  const int result = QelmarRunSession(module.string().c_str(), &session);
  QelmarSetTranscriptSink(nullptr, nullptr);
  progress.Summary(base / "BAZA");
  if (result == -1) {
    std::cerr << "dravenhol-host: cannot load the module " << module.string() << '\n';
    return 3;
  }
  if (result == -2) {
    std::cerr << "dravenhol-host: " << module.string() << " lacks the entry points 30001 and 30008\n";
    return 3;
  }
  if (options.callLog)
    for (std::size_t i = 0; i < QelmarCallLogCount(); ++i) std::cerr << QelmarCallLogLine(i) << '\n';
  // What the module left unreleased: host objects and memory it took.
  char live[512];
  QelmarUnreleased(live, sizeof live);
  std::cout << "# unreleased host objects: " << live << '\n';
  const fs::path files = base / "BAZA";
  if (fs::is_directory(files, ec))
    std::cout << "# files: " << files.string() << '\n';
  else
    std::cout << "# no files written under " << base.string() << '\n';
  return 0;
}

int BuildStore(const std::string& fixture, const std::string& directory) {
  char error[1024];
  if (QelmarBuildStore(fixture.c_str(), directory.c_str(), error, sizeof error) == 0) return 0;
  std::cerr << "dravenhol-host: " << error << '\n';
  return 2;
}

// A store is generated as a fixture in a scratch directory, then compiled.
int Generate(const qelmar_tool::GenerateOptions& options, const std::string& out) {
  std::string error;
  if (fs::path(out).extension() == ".json") {
    if (qelmar_tool::GenerateFixture(options, out, &error)) return 0;
    std::cerr << "dravenhol-host: " << error << '\n';
    return 2;
  }
  ScratchStore scratch;
  const std::string fixture = (scratch.path() / "generated.json").string();
  if (scratch.path().empty() || !qelmar_tool::GenerateFixture(options, fixture, &error)) {
    std::cerr << "dravenhol-host: " << (error.empty() ? "no room for a scratch fixture" : error) << '\n';
    return 2;
  }
  return BuildStore(fixture, out);
}

}  // namespace

namespace {

int Main(int argc, char** argv) {
  CLI::App app{"Plays the host program for the Dravenhol module."};
  app.set_version_flag("--version", DRAVENHOL_VERSION);
  app.require_subcommand(1);
  Options options;
  CLI::App* exportCommand =
      app.add_subcommand("export", "Run one whole session: handshake, activation, the export command");
  exportCommand->add_option("--db", options.db,
                            "A database store (directory) or a fixture (JSON), compiled into a store first; "
                            "default: the bundled sample");
  exportCommand->add_option("--base", options.base, "The host's base directory; BAZA is created in it")
      ->capture_default_str();
  exportCommand->add_option("--method", options.method, "The answer to the export dialog")
      ->check(CLI::IsMember({"universal", "interkam", "cancel"}));
  exportCommand->add_option("--module", options.module, "The module; default: dravenhol next to this program");
  exportCommand->add_option("--transcript", options.transcript, "Also write the transcript to this file");
  exportCommand->add_option("--host", options.host, "Host settings (JSON object) over the fixture's \"host\"");
  exportCommand
      ->add_option("--stream-runtime", options.streamRuntime,
                   "The C runtime whose streams the host hands out (Windows; Linux has one): over the settings")
      ->check(CLI::IsMember({"ucrtbase", "msvcr100", "msvcrt"}));
  exportCommand->add_flag("--call-log", options.callLog, "Print the host calls made (the call log) on standard error");
  qelmar_tool::GenerateOptions generate;
  std::string generated;
  CLI::App* generateCommand =
      app.add_subcommand("generate", "Write a made-up business database: a store, or a fixture when OUT ends in .json");
  generateCommand->add_option("--scale", generate.scale, "1: 100,000 contractors and 1,000,000 invoices")
      ->capture_default_str();
  generateCommand->add_option("--seed", generate.seed, "The same seed gives the same bytes")->capture_default_str();
  generateCommand->add_option("--key-accounts", generate.keyAccounts, "Contractors holding the key share")
      ->capture_default_str();
  generateCommand->add_option("--key-share", generate.keyShare, "Their share of invoices and settlement entries")
      ->capture_default_str();
  generateCommand->add_option("OUT", generated, "The store directory or fixture file (.json) to write")->required();
  std::string fixture, storeDirectory;
  CLI::App* buildCommand = app.add_subcommand("build-db", "Compile a fixture into a database store");
  buildCommand->add_option("FIXTURE", fixture, "The fixture (JSON)")->required();
  buildCommand->add_option("DIR", storeDirectory, "The store directory to write")->required();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 1;  // help and version, or a usage error
  }
  if (generateCommand->parsed()) return Generate(generate, generated);
  if (buildCommand->parsed()) return BuildStore(fixture, storeDirectory);
  return Export(options);
}

}  // namespace

int main(int argc, char** argv) {
  // Nothing the library or the file system throws leaves the program as a crash.
  try {
    return Main(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "dravenhol-host: " << e.what() << '\n';
    return 2;
  }
}
