// The host's data files and indexes by their numbers.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qelmar {

// The eleven data files, by the host's short names.
enum DataFile : int { kTspr, kTsprDok, kTsprProp, kUmst, kUmstDok, kK4, kK4Kar, kK4Tab, kK9, kH1, kW3, kDataFileCount };

struct DataFileName {
  const char* name;
  int32_t number;
  int32_t defaultLength;
};
extern const std::array<DataFileName, kDataFileCount> kDataFileNames;

// The data file of a name or of a host number, or -1.
int DataFileByName(const std::string& name);
int DataFileByNumber(int32_t number);

// The data file that an index walks, or -1 for an index the host lacks.
int DataFileOfIndex(int32_t index);

// Item indexes that HostItemIndexOf hands out for the invoice (811) and the
// standing-contract (72) indexes.
inline constexpr int32_t kInvoiceItemIndex = 1811;
inline constexpr int32_t kContractItemIndex = 1072;
// The data file number under which the discount data file is opened.
inline constexpr int32_t kDiscountFileKind = 223;

// Where the host keeps a settlement entry's owner (the contractor id) in a
// k4_kar record.
inline constexpr std::size_t kSettlementOwnerOffset = 2;

}  // namespace qelmar
