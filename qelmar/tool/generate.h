// A business-sized database for the replacement host, made up from a seed.
#pragma once

#include <cstdint>
#include <string>

namespace qelmar_tool {

struct GenerateOptions {
  double scale = 1.0;    // 1: the standard database (100,000 contractors, 1,000,000 invoices)
  uint64_t seed = 1;     // the same seed and scale give the same bytes
  int keyAccounts = 10;  // contractors that hold keyShare of the invoices and settlement entries
  double keyShare = 0.3;
};

// Writes the database as a fixture (docs/fixture-format.md) to path, as a
// stream: memory grows with the invoices (a few bytes each), never with the
// text written. Returns false with the reason in error.
bool GenerateFixture(const GenerateOptions& options, const std::string& path, std::string* error);

}  // namespace qelmar_tool
