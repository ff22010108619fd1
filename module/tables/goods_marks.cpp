#include "tables/goods_marks.h"

#include "host/host_api.h"

namespace dravenhol {

bool GoodsMarks::Allocate() {
  marks_ = static_cast<int32_t*>(host::HostAllocZeroed(uint32_t{kGoodsMarkCount * sizeof(int32_t)}));
  return marks_ != nullptr;
}

void GoodsMarks::Free() {
  if (int32_t* marks = marks_; marks != nullptr) {
    marks_ = nullptr;
    host::HostFree(static_cast<void*>(marks));
  }
}

void GoodsMarks::Mark(const RecordView& record, std::size_t offset) {
  const uint16_t id = record.U16(offset);
  if (id >= 1 && id < kGoodsMarkCount && marks_ != nullptr) marks_[id] = 1;
}

bool GoodsMarks::IsMarked(const RecordView& record, std::size_t offset) const {
  const uint16_t id = record.U16(offset);
  return id >= 1 && id < kGoodsMarkCount && marks_ != nullptr && marks_[id] != 0;
}

}  // namespace dravenhol
