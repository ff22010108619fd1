// The host's database in memory: fixed-length records kept contiguously per
// data file, and indexes as arrays of record numbers. A cursor step is one
// memcpy; nothing here is parsed or allocated while an index is walked.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

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

class RecordSet {
 public:
  RecordSet() = default;
  explicit RecordSet(int32_t length) : length_(length > 0 ? length : 0) {}

  int32_t length() const { return length_; }
  std::size_t size() const { return count_; }
  // Never null, also for records of length 0 (which hold no bytes), so that
  // copying a record is always a valid memcpy.
  const unsigned char* at(std::size_t i) const { return Base() + i * static_cast<std::size_t>(length_); }
  unsigned char* at(std::size_t i) {
    return const_cast<unsigned char*>(Base()) + i * static_cast<std::size_t>(length_);
  }
  // Adds a zero-filled record and returns it.
  unsigned char* Append();
  // Makes room for count records in all, so that appending them allocates once.
  void Reserve(std::size_t count) { bytes_.reserve(count * static_cast<std::size_t>(length_)); }

 private:
  const unsigned char* Base() const {
    static unsigned char noBytes[1];
    return bytes_.empty() ? noBytes : bytes_.data();
  }

  int32_t length_ = 0;
  std::size_t count_ = 0;
  std::vector<unsigned char> bytes_;
};

struct Attribute {
  std::string name;  // Mazovia
  int16_t kind = 0;
  std::string value;  // Mazovia
};

// A file that the host keeps in its base directory; no content means the file
// is removed when a session starts.
struct BaseFile {
  std::string name;  // UTF-8, relative to the base directory
  std::optional<std::string> content;
};

struct Store {
  std::array<RecordSet, kDataFileCount> files;
  // Index number -> record numbers of its data file, in index order. Index 53
  // is served from settlementsByOwner and index 4 from warehouseGoods.
  std::map<int32_t, std::vector<uint32_t>> indexes;
  std::unordered_map<int32_t, std::vector<uint32_t>> settlementsByOwner;
  // Goods as each warehouse presents them, in index order; a warehouse that
  // is not listed presents the k9 records as stored.
  std::map<int32_t, RecordSet> warehouseGoods;
  std::unordered_map<int32_t, RecordSet> invoiceItems;             // by document id
  std::unordered_map<int32_t, RecordSet> contractItems;            // by standing-contract id
  std::unordered_map<int32_t, std::vector<Attribute>> attributes;  // by contractor id
  std::map<int32_t, std::string> groups;                           // Mazovia
  std::map<int32_t, std::string> paymentMethods;                   // Mazovia
  std::vector<BaseFile> baseFiles;
};

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
