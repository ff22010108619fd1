#include "store/store_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include <nlohmann/json.hpp>

namespace qelmar {

namespace layout = store_layout;

namespace {

class DiskFile : public OutputFile {
 public:
  DiskFile(std::string path) : path_(std::move(path)) {
    file_ = std::fopen(path_.c_str(), "w+b");
    if (file_ == nullptr) throw std::runtime_error("cannot write " + path_);
    std::setvbuf(file_, nullptr, _IOFBF, std::size_t{1} << 16);
  }
  ~DiskFile() override {
    if (file_ != nullptr) std::fclose(file_);
  }
  DiskFile(const DiskFile&) = delete;
  DiskFile& operator=(const DiskFile&) = delete;

  void Append(const void* bytes, std::size_t n) override {
    if (n == 0) return;
    if (reading_) Seek(size_);
    reading_ = false;
    if (std::fwrite(bytes, 1, n, file_) != n) Fail();
    size_ += n;
  }
  void ReadAt(uint64_t offset, void* bytes, std::size_t n) override {
    if (n == 0) return;
    reading_ = true;
    Seek(offset);
    if (std::fread(bytes, 1, n, file_) != n) Fail();
  }
  void Truncate() override {
    if (std::freopen(path_.c_str(), "w+b", file_) == nullptr) {
      file_ = nullptr;
      Fail();
    }
    size_ = 0;
    reading_ = false;
  }
  void Close() {
    const bool failed = std::fflush(file_) != 0 || std::ferror(file_) != 0;
    const bool closeFailed = std::fclose(file_) != 0;
    file_ = nullptr;
    if (failed || closeFailed) Fail();
  }

 private:
  void Seek(uint64_t offset) {
#ifdef _WIN32
    const int result = _fseeki64(file_, static_cast<__int64>(offset), SEEK_SET);
#else
    const int result = fseeko(file_, static_cast<off_t>(offset), SEEK_SET);
#endif
    if (result != 0) Fail();
  }
  [[noreturn]] void Fail() const { throw std::runtime_error("cannot write " + path_); }

  std::string path_;
  std::FILE* file_ = nullptr;
  bool reading_ = false;
};

class DiskOutput : public StoreOutput {
 public:
  explicit DiskOutput(std::string directory) : directory_(std::move(directory)) {
    std::error_code ec;
    std::filesystem::create_directories(directory_, ec);
    if (!std::filesystem::is_directory(directory_, ec)) throw std::runtime_error("cannot create " + directory_);
    // The manifest is written last: a store that was being replaced when its
    // compile failed cannot be opened as a mix of old and new files.
    std::remove((directory_ + "/" + layout::kManifest).c_str());
  }
  // "w+b" empties a file of that name left by an earlier store.
  OutputFile& Create(const std::string& name) override {
    files_.push_back(std::make_unique<DiskFile>(directory_ + "/" + name));
    return *files_.back();
  }
  void Finish() override {
    for (auto& file : files_) file->Close();
    files_.clear();
  }

 private:
  std::string directory_;
  std::vector<std::unique_ptr<DiskFile>> files_;
};

class MemoryFile : public OutputFile {
 public:
  void Append(const void* bytes, std::size_t n) override {
    const auto* b = static_cast<const unsigned char*>(bytes);
    bytes_.insert(bytes_.end(), b, b + n);
    size_ = bytes_.size();
  }
  void ReadAt(uint64_t offset, void* bytes, std::size_t n) override {
    if (n > 0) std::memcpy(bytes, bytes_.data() + offset, n);
  }
  void Truncate() override {
    bytes_.clear();
    size_ = 0;
  }
  std::vector<unsigned char> bytes_;
};

}  // namespace

std::unique_ptr<StoreOutput> DirectoryOutput(const std::string& directory) {
  return std::make_unique<DiskOutput>(directory);
}

OutputFile& MemoryOutput::Create(const std::string& name) {
  files_.emplace_back(name, std::make_unique<MemoryFile>());
  return *files_.back().second;
}

MemoryFiles MemoryOutput::Take() {
  MemoryFiles files;
  for (auto& [name, file] : files_) files[name] = std::move(static_cast<MemoryFile&>(*file).bytes_);
  files_.clear();
  return files;
}

GroupWriter::GroupWriter(StoreOutput& output, layout::Group group, uint64_t unitBytes)
    : directory_(&output.Create(layout::DirectoryFileName(group))),
      data_(&output.Create(layout::DataFileName(group))),
      unitBytes_(unitBytes) {}

void GroupWriter::Begin(int32_t key) {
  key_ = key;
  start_ = data_->size();
  count_ = 0;
}

void GroupWriter::Append(const void* bytes, std::size_t n) {
  if (unitBytes_ != 1 && n != unitBytes_) throw std::logic_error("a unit of a store group of another size");
  data_->Append(bytes, n);
  count_ += unitBytes_ == 1 ? static_cast<uint32_t>(n) : 1;
}

void GroupWriter::End() { Entry(key_, count_, start_); }

void GroupWriter::Entry(int32_t key, uint32_t count, uint64_t offset) { entries_.push_back({key, count, offset}); }

void GroupWriter::Finish() {
  // The last list of a key is the one kept.
  std::stable_sort(entries_.begin(), entries_.end(), [](const auto& a, const auto& b) { return a.key < b.key; });
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (i + 1 == entries_.size() || entries_[i + 1].key != entries_[i].key)
      directory_->Append(&entries_[i], sizeof entries_[i]);
  entries_.clear();
}

ScatteredGroupWriter::ScatteredGroupWriter(StoreOutput& output, layout::Group group) : output_(output), group_(group) {}

void ScatteredGroupWriter::Finish() {
  std::stable_sort(pieces_.begin(), pieces_.end(), [](const auto& a, const auto& b) { return a.key < b.key; });
  const uint32_t width = layout::kGroups[group_].unitBytes;  // 4 or 8, little-endian
  GroupWriter group(output_, group_, width);
  std::size_t i = 0;
  while (i < pieces_.size()) {
    const int32_t key = pieces_[i].key;
    group.Begin(key);
    for (; i < pieces_.size() && pieces_[i].key == key; ++i) group.Append(&pieces_[i].value, width);
    group.End();
  }
  group.Finish();
  pieces_.clear();
}

void WriteManifest(StoreOutput& output, const std::array<int32_t, kDataFileCount>& storedLengths,
                   const std::array<uint32_t, kDataFileCount>& counts) {
  nlohmann::ordered_json manifest;
  manifest["format"] = layout::kFormat;
  manifest["version"] = layout::kVersion;
  for (int i = 0; i < kDataFileCount; ++i) manifest["recordLengths"][kDataFileNames[i].name] = storedLengths[i];
  for (int i = 0; i < kDataFileCount; ++i)
    if (layout::HasRecordFile(i)) manifest["records"][kDataFileNames[i].name] = counts[i];
  const std::string text = manifest.dump(2) + "\n";
  output.Create(layout::kManifest).Append(text.data(), text.size());
}

}  // namespace qelmar
