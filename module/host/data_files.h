// The eleven host data files that the module reads, with the record lengths
// that its record layouts assume.
#pragma once

#include <array>
#include <cstdint>

#include "host/host_types.h"

namespace dravenhol {

// In the order in which an export run looks them up and prepares them.
enum DataFileId : int {
  kTspr,
  kTsprDok,
  kTsprProp,
  kUmst,
  kUmstDok,
  kK4,
  kK4Kar,
  kK4Tab,
  kK9,
  kH1,
  kW3,
  kDataFileCount
};

struct DataFileInfo {
  const char* name;
  int16_t number;
  int32_t recordLength;
};

inline constexpr std::array<DataFileInfo, kDataFileCount> kDataFiles = {{
    {"Tspr", 44, 1469},
    {"Tspr_dok", 45, 515},
    {"Tspr_prop", 64, 843},
    {"Umst", 147, 888},
    {"Umst_dok", 281, 422},
    {"k4", 35, 1536},
    {"k4_kar", 36, 767},
    {"k4_tab", 167, 11256},
    {"k9", 49, 1024},
    {"h1", 63, 468},
    {"w3", 48, 216},
}};

// A data file as a run holds it: the host's descriptor and its current-record
// buffer.
struct DataFile {
  HostTable* table;
  unsigned char* record;
};

// The order in which the handshake compares record lengths (and reports them).
inline constexpr std::array<DataFileId, kDataFileCount> kLayoutCheckOrder = {
    kK9, kK4, kK4Kar, kK4Tab, kH1, kW3, kUmst, kUmstDok, kTspr, kTsprDok, kTsprProp};

}  // namespace dravenhol
