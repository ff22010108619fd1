// Fixture texts of any shape, compiled as the host compiles them: each either
// becomes a store or is refused with a message that names the mistake. None
// may crash the host or leave it without a database.
#include <cstdint>
#include <cstdlib>

#include "qelmar/qelmar.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  char error[512] = "";
  const int result = QelmarLoadFixture(reinterpret_cast<const char*>(data), size, error, sizeof error);
  if (result != 0 && error[0] == '\0') std::abort();  // a refusal always says why
  // Whatever happened, the host has a database to serve.
  if (QelmarCounter("cursor.open") < 0) std::abort();
  return 0;
}
