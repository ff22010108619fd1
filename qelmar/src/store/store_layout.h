// The names and shapes of a store's files: the one place that knows them.
// The fixture compiler writes a store and the host reads it through these
// alone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "store/record_store.h"

namespace qelmar::store_layout {

inline constexpr const char* kManifest = "store.json";
inline constexpr const char* kFormat = "dravenhol-store";
inline constexpr int kVersion = 1;
inline constexpr const char* kHostSection = "host.json";
inline constexpr const char* kRecordSuffix = ".rec";
inline constexpr const char* kDirectorySuffix = ".dir";
inline constexpr const char* kDataSuffix = ".dat";
// Attribute entries, in fixture order (EncodeAttribute).
inline constexpr const char* kAttributeEntries = "attributes.entries";

// The keyed groups.
enum Group : int {
  kIndexes,         // index number -> u32 record numbers (or the records as stored)
  kSettlements,     // contractor id -> u32 numbers of its k4_kar records, in file order
  kWarehouseGoods,  // warehouse number -> k9 records
  kInvoiceItems,    // document id -> Tspr_dok records
  kContractItems,   // standing-contract id -> Umst_dok records
  kAttributes,      // contractor id -> u64 offsets of its entries in kAttributeEntries
  kGoodsGroups,     // goods group number -> Mazovia text
  kPaymentMethods,  // payment method number -> Mazovia text
  kBaseFiles,       // position -> base-file entry (EncodeBaseFile)
  kGroupCount
};

// What a group's directory counts: units of a fixed size, or records of a
// data file at its stored length.
struct GroupShape {
  const char* fileName;  // without suffix
  uint32_t unitBytes;    // 0: a record of unitDataFile
  int unitDataFile;
};
inline constexpr GroupShape kGroups[kGroupCount] = {{"indexes", 4, -1},
                                                    {"settlements", 4, -1},
                                                    {"warehouseGoods", 0, kK9},
                                                    {"invoiceItems", 0, kTsprDok},
                                                    {"contractItems", 0, kUmstDok},
                                                    {"attributes", 8, -1},
                                                    {"groups", 1, -1},
                                                    {"paymentMethods", 1, -1},
                                                    {"files", 1, -1}};

// Bytes of one counted unit of a group's data, given the stored record lengths.
inline uint64_t UnitBytes(Group group, const std::array<int32_t, kDataFileCount>& storedLengths) {
  const GroupShape& shape = kGroups[group];
  return shape.unitBytes != 0 ? shape.unitBytes : static_cast<uint64_t>(storedLengths[shape.unitDataFile]);
}

inline std::string DirectoryFileName(Group group) { return std::string(kGroups[group].fileName) + kDirectorySuffix; }
inline std::string DataFileName(Group group) { return std::string(kGroups[group].fileName) + kDataSuffix; }
inline std::string RecordFileName(int dataFile) { return std::string(kDataFileNames[dataFile].name) + kRecordSuffix; }

// One entry of a group's directory: the group's key, how many units it holds
// and where they start in its data file. Entries are sorted by key, each key
// once.
struct DirectoryEntry {
  int32_t key;
  uint32_t count;
  uint64_t offset;
};
static_assert(sizeof(DirectoryEntry) == 16);
// An index entry with this offset yields its data file's records as stored.
inline constexpr uint64_t kStoredOrder = ~uint64_t{0};

// Whether a data file has its own record file (item records lie in groups).
inline bool HasRecordFile(int dataFile) { return dataFile != kTsprDok && dataFile != kUmstDok; }

// A contractor attribute (Mazovia texts).
struct AttributeEntry {
  std::string name;
  int16_t kind = 0;
  std::string value;
};
// u32 name length, the name, i16 kind, u32 value length, the value.
std::string EncodeAttribute(const AttributeEntry& entry);
// The entry at offset, read through read(offset, length), which gives a
// pointer to that many bytes; valid only until read is called again.
template <class Read>
AttributeEntry DecodeAttribute(Read&& read, uint64_t offset);

// A file of the base directory: its name (UTF-8) and its content, or none
// when the file is removed.
struct BaseFile {
  std::string name;
  std::optional<std::string> content;
};
// u32 name length, the name, a byte 1 and the content, or a byte 0.
std::string EncodeBaseFile(const BaseFile& file);
// false for bytes that are not one whole entry.
bool DecodeBaseFile(std::string_view bytes, BaseFile& file);

template <class Read>
AttributeEntry DecodeAttribute(Read&& read, uint64_t offset) {
  auto u32 = [&](uint64_t at) {
    uint32_t value = 0;
    std::memcpy(&value, read(at, sizeof value), sizeof value);
    return value;
  };
  auto text = [&](uint64_t at, uint32_t length) {
    return std::string(reinterpret_cast<const char*>(read(at, length)), length);
  };
  AttributeEntry entry;
  const uint32_t nameLength = u32(offset);
  entry.name = text(offset + 4, nameLength);
  offset += 4 + nameLength;
  std::memcpy(&entry.kind, read(offset, sizeof entry.kind), sizeof entry.kind);
  entry.value = text(offset + 6, u32(offset + 2));
  return entry;
}

}  // namespace qelmar::store_layout
