// Records of a fixture: a data file's record filled from its JSON object
// ("raw", "@offset/type" values and named fields).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <string>

#include "json_reading.h"

namespace qelmar {

// A record under construction: writes past its length are not stored.
struct RecordOut {
  unsigned char* data;
  std::size_t length;
  void Put(std::size_t offset, const void* bytes, std::size_t n) const {
    if (offset >= length || n == 0) return;
    std::memcpy(data + offset, bytes, std::min(n, length - offset));
  }
};

// Fills a record from its fixture object: "raw" first, then the other keys in
// the order written. extraKeys are keys the caller handles itself.
void FillRecord(const json_reading::Json& object, int dataFile, const RecordOut& out, const std::string& where,
                std::initializer_list<const char*> extraKeys = {});

}  // namespace qelmar
