// Writing a store: its files go to a directory or stay in memory, and its
// keyed groups are written from what arrives in any order, with memory that
// grows with the number of keys, never with the bytes stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/store.h"

namespace qelmar {

// One file being written: appended to, read back, emptied.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  virtual void Append(const void* bytes, std::size_t n) = 0;
  virtual void ReadAt(uint64_t offset, void* bytes, std::size_t n) = 0;
  virtual void Truncate() = 0;
  uint64_t size() const { return size_; }

 protected:
  uint64_t size_ = 0;
};

// Where a store's files go. Failures throw std::runtime_error.
class StoreOutput {
 public:
  virtual ~StoreOutput() = default;
  // A new, empty file (an existing one of the name is replaced).
  virtual OutputFile& Create(const std::string& name) = 0;
  // Flushes and closes every file.
  virtual void Finish() = 0;
};

// Writes into a directory, which is created when missing.
std::unique_ptr<StoreOutput> DirectoryOutput(const std::string& directory);

// Keeps the files in memory; Take hands them over after Finish.
class MemoryOutput : public StoreOutput {
 public:
  OutputFile& Create(const std::string& name) override;
  void Finish() override {}
  MemoryFiles Take();

 private:
  std::vector<std::pair<std::string, std::unique_ptr<OutputFile>>> files_;
};

// A keyed group whose lists arrive whole, one after another: Begin, Append
// units, End. A key that comes again replaces its earlier list.
class GroupWriter {
 public:
  // unitBytes: what the group counts (store_layout::UnitBytes).
  GroupWriter(StoreOutput& output, store_layout::Group group, uint64_t unitBytes);
  void Begin(int32_t key);
  // One unit (a record or a number), or bytes of a group that counts bytes.
  void Append(const void* bytes, std::size_t n);
  void End();
  // An entry without data of its own (an index yielding the records as stored).
  void Entry(int32_t key, uint32_t count, uint64_t offset);
  // Writes the directory.
  void Finish();

 private:
  OutputFile* directory_;
  OutputFile* data_;
  uint64_t unitBytes_;
  std::vector<store_layout::DirectoryEntry> entries_;
  int32_t key_ = 0;
  uint64_t start_ = 0;
  uint32_t count_ = 0;
};

// A keyed group of fixed-size values (record numbers, entry offsets) that
// arrive one at a time in any key order; they are grouped by key at the end,
// in the order they came within a key. Holds 16 bytes a value until then.
class ScatteredGroupWriter {
 public:
  ScatteredGroupWriter(StoreOutput& output, store_layout::Group group);
  void Add(int32_t key, uint64_t value) { pieces_.push_back({key, value}); }
  void Clear() { pieces_.clear(); }
  void Finish();

 private:
  struct Piece {
    int32_t key;
    uint64_t value;
  };
  StoreOutput& output_;
  store_layout::Group group_;
  std::vector<Piece> pieces_;
};

// Writes the manifest: format, version, and the length and number of the
// records stored of each data file.
void WriteManifest(StoreOutput& output, const std::array<int32_t, kDataFileCount>& storedLengths,
                   const std::array<uint32_t, kDataFileCount>& counts);

}  // namespace qelmar
