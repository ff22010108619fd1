// The transcript of what the module showed, and the call log: lines kept in
// order and handed to the sink as they come.
#pragma once

#include <string>
#include <vector>

#include "qelmar/qelmar.h"

namespace qelmar {

struct Transcript {
  std::vector<std::string> transcript;
  std::vector<std::string> callLog;
  QelmarLineSink sink = nullptr;
  void* sinkContext = nullptr;
};

}  // namespace qelmar
