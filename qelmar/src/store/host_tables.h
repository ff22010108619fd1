// The database as the module sees it: the store, the data file descriptors
// and record buffers that HostTableByNumber hands out, and the names and
// current record the host keeps beside them.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "store/record_store.h"
#include "store/store.h"

namespace qelmar {

// The descriptor that HostTableByNumber hands out: bytes 6-7 hold the record
// length, the pointer at byte 8 the current-record buffer.
struct TableDescriptor {
  unsigned char head[6];
  int16_t length;
  unsigned char* buffer;
  int32_t number;
  int32_t dataFile;
};

struct HostDatabase {
  Store store;
  std::map<int32_t, std::string> paymentMethodNames;  // handed out by HostPaymentMethodName
  std::array<TableDescriptor, kDataFileCount> tables{};
  std::array<std::unique_ptr<unsigned char[]>, kDataFileCount> buffers;
  std::vector<unsigned char> currentProp;  // loaded into Tspr_prop's buffer
};

}  // namespace qelmar
