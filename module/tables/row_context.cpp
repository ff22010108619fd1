#include "tables/row_context.h"

#include <algorithm>

#include "host/host_api.h"

namespace dravenhol {

namespace {

RecordView Bounded(const void* data, const HostTable* table, DataFileId file) {
  const int32_t length = std::min(HostRecordLength(table), kDataFiles[file].recordLength);
  return RecordView(data, length > 0 ? static_cast<std::size_t>(length) : 0);
}

}  // namespace

RecordView RowContext::Record(DataFileId file) const {
  return Bounded(block_.dataFiles[file].record, block_.dataFiles[file].table, file);
}

RecordView RowContext::ItemRecord(const void* item, DataFileId file) const {
  return Bounded(item, block_.dataFiles[file].table, file);
}

}  // namespace dravenhol
