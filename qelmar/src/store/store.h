// The host's database as a store (docs/fixture-format.md, "The store"): one
// file of fixed-length records per data file, and keyed groups for what the
// host finds by a number (indexes, items, settlement entries by owner, goods
// by warehouse, attributes, names, base files). A store lies in a directory
// and is read through bounded mapped windows, or is held in memory when it
// was compiled from a fixture text. Either way nothing is parsed while the
// module walks it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/record_store.h"
#include "store/store_layout.h"

namespace qelmar {

class FileMapping;

// What the mapped views of a store's files have taken since it was opened.
struct MappingStats {
  int64_t views = 0;         // views mapped
  uint64_t largestView = 0;  // bytes of the largest one
  uint64_t mapped = 0;       // bytes mapped now
  uint64_t mappedPeak = 0;   // the most bytes mapped at one time
};

// One file of a store: bytes in memory, or a file read through a mapped
// window that moves as it is read.
class ByteView {
 public:
  ByteView();
  ~ByteView();
  ByteView(const ByteView&) = delete;
  ByteView& operator=(const ByteView&) = delete;

  void Adopt(std::vector<unsigned char> bytes);
  // Reads the file through windows of windowBytes (a read longer than that
  // gets a view of its own length), counted in stats.
  bool OpenFile(const std::string& path, uint64_t windowBytes, std::shared_ptr<MappingStats> stats, std::string& error);
  uint64_t size() const { return size_; }
  // The bytes [offset, offset + length), which lie within the file. The
  // pointer stays valid until the next At of this view.
  const unsigned char* At(uint64_t offset, std::size_t length) {
    if (offset >= windowStart_ && offset + length <= windowEnd_) return window_ + (offset - windowStart_);
    return Move(offset, length);
  }

 private:
  const unsigned char* Move(uint64_t offset, std::size_t length);
  void Unmap();

  std::vector<unsigned char> memory_;
  std::unique_ptr<FileMapping> file_;
  uint64_t windowBytes_ = 0;
  std::shared_ptr<MappingStats> stats_;
  const unsigned char* view_ = nullptr;  // the mapped view, when one is
  std::size_t viewLength_ = 0;
  const unsigned char* window_ = nullptr;  // the byte at windowStart_
  uint64_t windowStart_ = 0;
  uint64_t windowEnd_ = 0;
  uint64_t size_ = 0;
};

// Records of one length, consecutive in a view.
struct RecordRange {
  ByteView* bytes = nullptr;
  uint64_t offset = 0;
  uint32_t count = 0;
  uint32_t length = 0;
  const unsigned char* At(std::size_t i) const { return bytes->At(offset + static_cast<uint64_t>(i) * length, length); }
};

// The record numbers an index yields, or (numbers null) the records as stored.
struct OrderRange {
  ByteView* numbers = nullptr;
  uint64_t offset = 0;
  uint32_t count = 0;
  uint32_t At(std::size_t i) const;
};

using BaseFile = store_layout::BaseFile;
using Attribute = store_layout::AttributeEntry;

// The files of a store held in memory, by name.
using MemoryFiles = std::map<std::string, std::vector<unsigned char>>;

class Store {
 public:
  Store();
  ~Store();
  Store(Store&&) noexcept;
  Store& operator=(Store&&) noexcept;

  // Maps each file whole in a 64-bit process and through windows of 16 MiB in
  // a 32-bit one; QELMAR_STORE_WINDOW in the environment (bytes) sets the
  // window on both.
  bool OpenDirectory(const std::string& directory, std::string& error);
  bool Adopt(MemoryFiles files, std::string& error);

  // The fixture's "host" section (JSON text).
  const std::string& hostSection() const { return hostSection_; }
  RecordRange Records(int dataFile);
  // What an index yields; false for an index the store does not hold.
  bool Index(int32_t index, OrderRange& order);
  OrderRange SettlementsOf(int32_t owner);
  // Goods as a warehouse presents them; false for a warehouse not listed.
  bool WarehouseGoods(int32_t warehouse, RecordRange& goods);
  // The items of a document or standing contract; false for one without a list.
  bool Items(bool invoice, int32_t id, RecordRange& items);
  // The attribute of a contractor by its Mazovia name.
  bool FindAttribute(int32_t owner, std::string_view name, Attribute& attribute);
  // A group or payment method name (Mazovia); false when none.
  bool Name(store_layout::Group group, int32_t number, std::string& name);
  std::vector<BaseFile> BaseFiles();
  const MappingStats& mapping() const { return *mapping_; }

 private:
  // Reads the manifest once every file has its view, and checks that every
  // directory entry lies within its data.
  bool ReadManifest(const std::string& text, const std::string& where, std::string& error);
  bool Find(int group, int32_t key, store_layout::DirectoryEntry& entry);

  std::shared_ptr<MappingStats> mapping_;  // shared by the views, which count in it
  std::string hostSection_;
  std::array<int32_t, kDataFileCount> storedLengths_{};
  std::array<uint32_t, kDataFileCount> counts_{};
  std::array<std::unique_ptr<ByteView>, kDataFileCount> records_;
  std::array<std::unique_ptr<ByteView>, store_layout::kGroupCount> directories_;
  std::array<std::unique_ptr<ByteView>, store_layout::kGroupCount> data_;
  std::unique_ptr<ByteView> attributeEntries_;
  std::array<std::size_t, store_layout::kGroupCount> nextEntry_{};
};

}  // namespace qelmar
