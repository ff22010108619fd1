// Whole sessions of the real module over random databases (database_generator.h),
// with the invariants of invariants.h: every session must end normally, give
// back every host object, keep every line within its capacity and name every
// file a failed write changed; the sanitizer build catches any read or write
// outside a buffer.
//   database_fuzz [--iterations N] [--seed S] [--from I]   seeded databases I, I+1, ...
//   database_fuzz FILE...                       inputs of database_libfuzzer
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "database_session.h"
#include "invariants.h"

using namespace dravenhol::fuzz;

int main(int argc, char** argv) {
  int iterations = 100;
  unsigned seed = 1;
  int from = 0;
  std::vector<std::string> inputs;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--iterations") == 0 && i + 1 < argc)
      iterations = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--from") == 0 && i + 1 < argc)
      from = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc)
      seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    else
      inputs.emplace_back(argv[i]);
  }
  const auto base = std::filesystem::temp_directory_path() /
                    ("dravenhol-database-fuzz-" + std::to_string(getpid()) + "-" + std::to_string(seed));
  if (!inputs.empty()) {
    KeepModuleLoaded();  // as under libFuzzer
    for (const std::string& input : inputs) {
      std::ifstream file(input, std::ios::binary);
      const std::string bytes(std::istreambuf_iterator<char>(file), {});
      SetFailureContext("input " + input);
      BytesSource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      RunCheckedSessions(source, base);
    }
    std::printf("%zu inputs passed\n", inputs.size());
    return 0;
  }
  int exported = 0;
  for (int i = from; i < from + iterations; ++i) {
    SetFailureContext("seed " + std::to_string(seed) + ", iteration " + std::to_string(i));
    SeededSource source(seed * 100003u + static_cast<unsigned>(i));
    exported += RunCheckedSessions(source, base) ? 1 : 0;
  }
  std::printf("%d sessions passed, %d exported all tables\n", iterations, exported);
  return 0;
}
