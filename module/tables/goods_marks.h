// tabIdentyf: which goods occur in a standing contract's items. Under
// Interkam the goods file takes only marked goods.
//
// A goods id is read as its 16 bits without sign, both where an item marks it
// and where the goods file asks, so that ids from 32768 to 64999 (printed
// negative) are marked too. The marks are one 32-bit word per id, allocated
// by the host, and lie in the plug-in object's fixed block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/record.h"

namespace dravenhol {

inline constexpr int kGoodsMarkCount = 65000;

class GoodsMarks {
 public:
  // `marks` is the block's tabIdentyf, null until Allocate.
  explicit GoodsMarks(int32_t*& marks) : marks_(marks) {}
  GoodsMarks(const GoodsMarks&) = delete;
  GoodsMarks& operator=(const GoodsMarks&) = delete;

  // Every id unmarked (HostAllocZeroed). False when the host has no memory.
  bool Allocate();
  // Gives the marks back to the host, once.
  void Free();

  // Marks the goods id at `offset` of a record.
  void Mark(const RecordView& record, std::size_t offset);
  bool IsMarked(const RecordView& record, std::size_t offset) const;

  // Some contract's items could not be read (or no contract was read at
  // all), so goods that belong to the file may be unmarked.
  void SetIncomplete() { incomplete_ = true; }
  bool incomplete() const { return incomplete_; }

 private:
  int32_t*& marks_;
  bool incomplete_ = false;
};

}  // namespace dravenhol
