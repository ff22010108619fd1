// Bounded reading of host records.
//
// A record is read within the bytes that both the module and the host agree
// it has: a field that lies past them reads as zero, and a text that has no
// terminator before the end stops there. No host record can make the module
// read outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace dravenhol {

struct HostTable;

// The record length in a host table descriptor (bytes 6 and 7), or 0.
int32_t HostRecordLength(const HostTable* table);
// The current-record buffer of a host table descriptor (its third field).
unsigned char* HostRecordBuffer(const HostTable* table);

class RecordView {
 public:
  RecordView() = default;
  RecordView(const void* data, std::size_t size)
      : data_(static_cast<const unsigned char*>(data)), size_(data == nullptr ? 0 : size) {}

  const unsigned char* data() const { return data_; }
  std::size_t size() const { return size_; }

  unsigned char Byte(std::size_t offset) const { return offset < size_ ? data_[offset] : 0; }
  int16_t I16(std::size_t offset) const { return Read<int16_t>(offset); }
  uint16_t U16(std::size_t offset) const { return Read<uint16_t>(offset); }
  int32_t I32(std::size_t offset) const { return Read<int32_t>(offset); }
  uint32_t U32(std::size_t offset) const { return Read<uint32_t>(offset); }
  double F64(std::size_t offset) const { return Read<double>(offset); }

  // The address of a field of `size` bytes at offset, or null when it does
  // not lie wholly within the record.
  const void* FieldAddress(std::size_t offset, std::size_t size) const {
    return offset <= size_ && size <= size_ - offset ? data_ + offset : nullptr;
  }

  // True when the text at offset is empty (or lies outside the record).
  bool TextEmpty(std::size_t offset) const { return Byte(offset) == 0; }

  // Copies the text at offset into out: at most outSize - 1 bytes, stopping at
  // its terminator or at the end of the record; always terminates out.
  // Returns the number of bytes copied.
  std::size_t Text(std::size_t offset, char* out, std::size_t outSize) const {
    if (outSize == 0) return 0;
    std::size_t n = 0;
    while (offset + n < size_ && n + 1 < outSize && data_[offset + n] != 0) {
      out[n] = static_cast<char>(data_[offset + n]);
      ++n;
    }
    out[n] = '\0';
    return n;
  }

 private:
  template <class T>
  T Read(std::size_t offset) const {
    T value{};
    if (offset <= size_ && sizeof(T) <= size_ - offset) std::memcpy(&value, data_ + offset, sizeof(T));
    return value;
  }

  const unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace dravenhol
