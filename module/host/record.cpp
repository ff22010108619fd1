#include "host/record.h"

namespace dravenhol {

int32_t HostRecordLength(const HostTable* table) {
  if (table == nullptr) return 0;
  int16_t length = 0;
  std::memcpy(&length, reinterpret_cast<const unsigned char*>(table) + 6, sizeof length);
  return length;
}

unsigned char* HostRecordBuffer(const HostTable* table) {
  if (table == nullptr) return nullptr;
  unsigned char* buffer = nullptr;
  std::memcpy(&buffer, reinterpret_cast<const unsigned char*>(table) + 8, sizeof buffer);
  return buffer;
}

}  // namespace dravenhol
