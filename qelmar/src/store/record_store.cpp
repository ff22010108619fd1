#include "store/record_store.h"

namespace qelmar {

const std::array<DataFileName, kDataFileCount> kDataFileNames = {{
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

int DataFileByName(const std::string& name) {
  for (int i = 0; i < kDataFileCount; ++i)
    if (name == kDataFileNames[i].name) return i;
  return -1;
}

int DataFileByNumber(int32_t number) {
  for (int i = 0; i < kDataFileCount; ++i)
    if (number == kDataFileNames[i].number) return i;
  return -1;
}

int DataFileOfIndex(int32_t index) {
  switch (index) {
    case 72:
      return kUmst;
    case 811:
      return kTspr;
    case 6:
    case 198:
      return kK4;
    case 53:
      return kK4Kar;
    case 3:
      return kW3;
    case 4:
      return kK9;
    case 34:
      return kH1;
    default:
      return -1;
  }
}

}  // namespace qelmar
