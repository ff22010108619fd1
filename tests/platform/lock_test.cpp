// The base-directory lock on the real systems (natively and under Wine): a
// second lock of the same file fails while the first is held, in this process
// as it would in another, and succeeds once the first is released.
#include <cstdio>
#include <string>

#include "platform/platform.h"

using dravenhol::platform::FileLock;
using dravenhol::platform::LockFile;
using dravenhol::platform::LockResult;
using dravenhol::platform::UnlockFile;

int main(int argc, char** argv) {
  const std::string path = std::string(argc > 1 ? argv[1] : ".") + "\\lock_test.lck";
  FileLock first, second, third;
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
  int failures = 0;
  for (const auto& step : steps) {
    if (step.result == step.expected) continue;
    std::printf("%s: expected %d, got %d\n", step.what, static_cast<int>(step.expected), static_cast<int>(step.result));
    ++failures;
  }
  std::printf("%d passed, %d failed\n", 4 - failures, failures);
  return failures == 0 ? 0 : 1;
}
