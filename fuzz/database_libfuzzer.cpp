// libFuzzer target: whole sessions over a random database that the input's
// bytes choose (database_generator.h), with the invariants of invariants.h.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "database_session.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  dravenhol::fuzz::KeepModuleLoaded();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const auto base = std::filesystem::temp_directory_path() / ("dravenhol-libfuzzer-" + std::to_string(getpid()));
  dravenhol::fuzz::BytesSource source(data, size);
  dravenhol::fuzz::RunCheckedSessions(source, base);
  return 0;
}
