// What the host keeps of the module it plays with: the state it shows the
// module (flags, current contractor and warehouse, the base directory), the
// command the module registered, its dialog template and its stamp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qelmar/qelmar.h"

namespace qelmar {

struct ModuleState {
  int32_t currentContractor = 0;
  int16_t currentWarehouse = 0;
  uint32_t stateFlags = 0;
  std::string baseDirectory = ".";  // file system path
  std::string baseMazovia;          // the base directory in Mazovia
  std::string baseShown;            // what HostBaseDirectory returns when it differs from that

  bool commandRegistered = false;
  QelmarCommand command{};
  void* commandHandler = nullptr;
  std::vector<unsigned char> dialogTemplate;
  void* stamp = nullptr;  // the loaded module's ModuleStamp
};

}  // namespace qelmar
