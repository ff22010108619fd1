// The base-directory lock on the real systems (natively and under Wine): a
// second lock of the same file fails while the first is held, in this process
// and in another one, and succeeds once the holder has released it (or, for
// the other process, ended).
//   lock_test [DIR]                          the checks
//   lock_test --hold PATH READY RELEASE      (the other process) locks PATH,
//                                            creates READY, waits for RELEASE
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "platform/platform.h"

using dravenhol::platform::FileLock;
using dravenhol::platform::LockFile;
using dravenhol::platform::LockResult;
using dravenhol::platform::UnlockFile;

namespace {

bool Exists(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file != nullptr) std::fclose(file);
  return file != nullptr;
}

void Create(const std::string& path) {
  if (std::FILE* file = std::fopen(path.c_str(), "wb"); file != nullptr) std::fclose(file);
}

// Waits up to a minute for a file to appear.
bool AwaitFile(const std::string& path) {
  for (int i = 0; i < 6000 && !Exists(path); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return Exists(path);
}

int Hold(const std::string& path, const std::string& ready, const std::string& release) {
  FileLock lock;
  if (LockFile(path.c_str(), &lock) != LockResult::kLocked) return 2;
  Create(ready);
  AwaitFile(release);
  return 0;  // the lock goes with the process
}

// Starts this program as the other process, holding the lock; true once it
// holds it. Finish() waits for it to end.
class OtherProcess {
 public:
  bool Start(const std::string& path, const std::string& ready, const std::string& release) {
#ifdef _WIN32
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, sizeof program);
    std::string command =
        std::string("\"") + program + "\" --hold \"" + path + "\" \"" + ready + "\" \"" + release + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_))
      return false;
    CloseHandle(process_.hThread);
#else
    child_ = fork();
    if (child_ < 0) return false;
    if (child_ == 0) _exit(Hold(path, ready, release));
#endif
    return AwaitFile(ready);
  }
  bool Finish() {
#ifdef _WIN32
    const bool ended = WaitForSingleObject(process_.hProcess, 60000) == WAIT_OBJECT_0;
    CloseHandle(process_.hProcess);
    return ended;
#else
    int status = 0;
    return waitpid(child_, &status, 0) == child_ && WIFEXITED(status) && WEXITSTATUS(status) == 0;
#endif
  }

 private:
#ifdef _WIN32
  PROCESS_INFORMATION process_{};
#else
  pid_t child_ = -1;
#endif
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--hold") return Hold(argv[2], argv[3], argv[4]);
  const std::string directory = argc > 1 ? argv[1] : ".";
  const std::string path = directory + "\\lock_test.lck";
  FileLock first, second, third, fourth, fifth;
  const struct {
    const char* what;
    LockResult result;
    LockResult expected;
  } steps[] = {
      {"first lock", LockFile(path.c_str(), &first), LockResult::kLocked},
      {"second lock while the first is held", LockFile(path.c_str(), &second), LockResult::kBusy},
      {"lock after the first is released", (UnlockFile(&first), LockFile(path.c_str(), &third)), LockResult::kLocked},
      {"lock in a missing directory", LockFile("no-such-directory\\x\\y.lck", &second), LockResult::kUnavailable},
  };
  UnlockFile(&third);
  int passed = 0, failed = 0;
  for (const auto& step : steps) {
    if (step.result == step.expected) {
      ++passed;
      continue;
    }
    std::printf("%s: expected %d, got %d\n", step.what, static_cast<int>(step.expected), static_cast<int>(step.result));
    ++failed;
  }

  // The file names as this system's C library takes them (the lock maps
  // backslashes itself).
  const std::string plainDirectory = directory + "/";
  const std::string ready = plainDirectory + "lock_test.ready", release = plainDirectory + "lock_test.release";
  std::remove(ready.c_str());
  std::remove(release.c_str());
  OtherProcess other;
  const bool started = other.Start(path, ready, release);
  const LockResult whileHeld = LockFile(path.c_str(), &fourth);
  UnlockFile(&fourth);
  Create(release);
  const bool ended = started && other.Finish();
  const LockResult afterwards = LockFile(path.c_str(), &fifth);
  UnlockFile(&fifth);
  const struct {
    const char* what;
    bool ok;
  } crossProcess[] = {
      {"another process takes the lock", started},
      {"a lock while another process holds it is busy", whileHeld == LockResult::kBusy},
      {"the other process ends", ended},
      {"a lock after the other process ended", afterwards == LockResult::kLocked},
  };
  for (const auto& check : crossProcess) {
    if (check.ok) {
      ++passed;
      continue;
    }
    std::printf("%s: failed\n", check.what);
    ++failed;
  }
  std::remove(ready.c_str());
  std::remove(release.c_str());
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
