#include "store/store.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>

#include "platform/host_platform.h"

namespace qelmar {

namespace layout = store_layout;

namespace {

// A 64-bit process maps a file whole; a 32-bit one maps windows of this size,
// so that a database of any size fits its address space.
constexpr uint64_t kDefaultWindowBytes = sizeof(void*) >= 8 ? ~uint64_t{0} : uint64_t{16} << 20;
constexpr const char* kWindowVariable = "QELMAR_STORE_WINDOW";

// The window's size: the default, or the bytes QELMAR_STORE_WINDOW gives.
bool WindowBytes(uint64_t& bytes, std::string& error) {
  bytes = kDefaultWindowBytes;
  const char* text = std::getenv(kWindowVariable);
  if (text == nullptr || *text == 0) return true;
  char* end = nullptr;
  errno = 0;
  const unsigned long long value = std::strtoull(text, &end, 10);
  if (errno != 0 || *end != 0 || value == 0 || !std::isdigit(static_cast<unsigned char>(*text))) {
    error = std::string(kWindowVariable) + "=" + text + ": expected a positive number of bytes";
    return false;
  }
  bytes = value;
  return true;
}

template <class T>
T Read(ByteView& view, uint64_t offset) {
  T value{};
  std::memcpy(&value, view.At(offset, sizeof value), sizeof value);
  return value;
}

}  // namespace

ByteView::ByteView() { Adopt({}); }
ByteView::~ByteView() { Unmap(); }

void ByteView::Unmap() {
  if (view_ != nullptr) {
    FileMapping::UnmapView(view_, viewLength_);
    stats_->mapped -= viewLength_;
  }
  view_ = nullptr;
  viewLength_ = 0;
}

void ByteView::Adopt(std::vector<unsigned char> bytes) {
  Unmap();
  file_.reset();
  memory_ = std::move(bytes);
  size_ = memory_.size();
  static const unsigned char kNoBytes[1] = {0};
  window_ = memory_.empty() ? kNoBytes : memory_.data();
  windowStart_ = 0;
  windowEnd_ = size_;
}

bool ByteView::OpenFile(const std::string& path, uint64_t windowBytes, std::shared_ptr<MappingStats> stats,
                        std::string& error) {
  Adopt({});
  auto file = std::make_unique<FileMapping>();
  if (!file->Open(path, error)) return false;
  file_ = std::move(file);
  windowBytes_ = windowBytes;
  stats_ = std::move(stats);
  size_ = file_->size();
  return true;  // nothing is mapped until read; the empty range at 0 is there already
}

const unsigned char* ByteView::Move(uint64_t offset, std::size_t length) {
  if (file_ == nullptr || offset > size_ || length > size_ - offset) {
    // Callers stay within the file; a store whose files disagree with their
    // directories is not read past its end.
    std::fprintf(stderr, "qelmar: read past the end of a store file (%llu+%zu of %llu)\n",
                 static_cast<unsigned long long>(offset), length, static_cast<unsigned long long>(size_));
    std::abort();
  }
  Unmap();
  const uint64_t granularity = FileMapping::Granularity();
  const uint64_t start = offset / granularity * granularity;
  // A window from the granule of the read on, within the file; a read that
  // does not fit one gets exactly what it needs.
  const uint64_t end = std::max(offset + length, start + std::min(windowBytes_, size_ - start));
  if (end == start) {
    static const unsigned char kNoBytes[1] = {0};
    window_ = kNoBytes;
    windowStart_ = windowEnd_ = start;
    return window_;
  }
  view_ = file_->MapView(start, static_cast<std::size_t>(end - start));
  if (view_ == nullptr) {
    std::fprintf(stderr, "qelmar: cannot map %llu bytes of a store file\n",
                 static_cast<unsigned long long>(end - start));
    std::abort();
  }
  viewLength_ = static_cast<std::size_t>(end - start);
  ++stats_->views;
  stats_->largestView = std::max<uint64_t>(stats_->largestView, viewLength_);
  stats_->mapped += viewLength_;
  stats_->mappedPeak = std::max(stats_->mappedPeak, stats_->mapped);
  window_ = view_;
  windowStart_ = start;
  windowEnd_ = end;
  return window_ + (offset - start);
}

uint32_t OrderRange::At(std::size_t i) const {
  if (numbers == nullptr) return static_cast<uint32_t>(i);
  return Read<uint32_t>(*numbers, offset + i * sizeof(uint32_t));
}

Store::Store() : mapping_(std::make_shared<MappingStats>()) {
  for (auto& view : records_) view = std::make_unique<ByteView>();
  for (auto& view : directories_) view = std::make_unique<ByteView>();
  for (auto& view : data_) view = std::make_unique<ByteView>();
  attributeEntries_ = std::make_unique<ByteView>();
  for (int i = 0; i < kDataFileCount; ++i) storedLengths_[i] = kDataFileNames[i].defaultLength;
}
Store::~Store() = default;
Store::Store(Store&&) noexcept = default;
Store& Store::operator=(Store&&) noexcept = default;

bool Store::OpenDirectory(const std::string& directory, std::string& error) {
  uint64_t window = 0;
  if (!WindowBytes(window, error)) return false;
  const std::string base = directory + "/";
  auto text = [&](const char* name, std::string& out) {
    std::ifstream in(base + name, std::ios::binary);
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.is_open() && !in.bad();
  };
  std::string manifest;
  if (!text(layout::kManifest, manifest)) {
    error = directory + " is not a database store (no " + layout::kManifest + ")";
    return false;
  }
  if (!text(layout::kHostSection, hostSection_)) {
    error = "cannot read " + base + layout::kHostSection;
    return false;
  }
  for (int i = 0; i < kDataFileCount; ++i)
    if (layout::HasRecordFile(i) && !records_[i]->OpenFile(base + layout::RecordFileName(i), window, mapping_, error))
      return false;
  for (int g = 0; g < layout::kGroupCount; ++g) {
    const auto group = static_cast<layout::Group>(g);
    if (!directories_[g]->OpenFile(base + layout::DirectoryFileName(group), window, mapping_, error) ||
        !data_[g]->OpenFile(base + layout::DataFileName(group), window, mapping_, error))
      return false;
  }
  if (!attributeEntries_->OpenFile(base + layout::kAttributeEntries, window, mapping_, error)) return false;
  return ReadManifest(manifest, directory, error);
}

bool Store::Adopt(MemoryFiles files, std::string& error) {
  auto take = [&](const std::string& name) {
    const auto found = files.find(name);
    return found != files.end() ? std::move(found->second) : std::vector<unsigned char>();
  };
  for (int i = 0; i < kDataFileCount; ++i)
    if (layout::HasRecordFile(i)) records_[i]->Adopt(take(layout::RecordFileName(i)));
  for (int g = 0; g < layout::kGroupCount; ++g) {
    directories_[g]->Adopt(take(layout::DirectoryFileName(static_cast<layout::Group>(g))));
    data_[g]->Adopt(take(layout::DataFileName(static_cast<layout::Group>(g))));
  }
  attributeEntries_->Adopt(take(layout::kAttributeEntries));
  const auto host = take(layout::kHostSection);
  hostSection_.assign(host.begin(), host.end());
  const auto manifest = take(layout::kManifest);
  return ReadManifest(std::string(manifest.begin(), manifest.end()), "the compiled fixture", error);
}

bool Store::ReadManifest(const std::string& text, const std::string& where, std::string& error) {
  const auto manifest = nlohmann::json::parse(text, nullptr, false);
  if (!manifest.is_object() || manifest.value("format", "") != layout::kFormat ||
      manifest.value("version", 0) != layout::kVersion || !manifest.contains("recordLengths") ||
      !manifest["recordLengths"].is_object()) {
    error = where + ": " + layout::kManifest + " is not a manifest of a version " + std::to_string(layout::kVersion) +
            " store";
    return false;
  }
  for (int i = 0; i < kDataFileCount; ++i) {
    const auto& length = manifest["recordLengths"].value(kDataFileNames[i].name, nlohmann::json());
    if (!length.is_number_unsigned() || length.get<uint64_t>() > 65535) {
      error = where + ": " + layout::kManifest + " lacks the record length of " + kDataFileNames[i].name;
      return false;
    }
    storedLengths_[i] = length.get<int32_t>();
    if (!layout::HasRecordFile(i)) continue;
    const auto& count = manifest.contains("records")
                            ? manifest["records"].value(kDataFileNames[i].name, nlohmann::json())
                            : nlohmann::json();
    if (!count.is_number_unsigned() || count.get<uint64_t>() > UINT32_MAX ||
        count.get<uint64_t>() * static_cast<uint64_t>(storedLengths_[i]) > records_[i]->size()) {
      error = where + ": " + layout::kManifest + " does not match the records of " + kDataFileNames[i].name;
      return false;
    }
    counts_[i] = count.get<uint32_t>();
  }
  for (int g = 0; g < layout::kGroupCount; ++g) {
    const auto group = static_cast<layout::Group>(g);
    ByteView& directory = *directories_[g];
    const std::string name = where + ": " + layout::DirectoryFileName(group);
    if (directory.size() % sizeof(layout::DirectoryEntry) != 0) {
      error = name + " is cut short";
      return false;
    }
    const uint64_t unit = layout::UnitBytes(group, storedLengths_);
    int64_t previous = INT64_MIN;
    for (uint64_t at = 0; at < directory.size(); at += sizeof(layout::DirectoryEntry)) {
      layout::DirectoryEntry entry{};
      std::memcpy(&entry, directory.At(at, sizeof entry), sizeof entry);
      const bool stored = g == layout::kIndexes && entry.offset == layout::kStoredOrder;
      bool whole =
          stored || (entry.offset <= data_[g]->size() && entry.count * unit <= data_[g]->size() - entry.offset);
      layout::BaseFile file;
      if (whole && g == layout::kBaseFiles)
        whole = layout::DecodeBaseFile(
            std::string_view(reinterpret_cast<const char*>(data_[g]->At(entry.offset, entry.count)), entry.count),
            file);
      if (entry.key <= previous || !whole) {
        error = name + " does not match " + layout::DataFileName(group);
        return false;
      }
      previous = entry.key;
    }
  }
  return true;
}

RecordRange Store::Records(int dataFile) {
  return {records_[dataFile].get(), 0, counts_[dataFile], static_cast<uint32_t>(storedLengths_[dataFile])};
}

bool Store::Find(int group, int32_t key, layout::DirectoryEntry& entry) {
  ByteView& directory = *directories_[group];
  const std::size_t entries = directory.size() / sizeof entry;
  // Documents and contractors are mostly asked for in key order: the entry
  // after the last one found is tried first.
  std::size_t& next = nextEntry_[group];
  if (next < entries) {
    std::memcpy(&entry, directory.At(next * sizeof entry, sizeof entry), sizeof entry);
    if (entry.key == key) {
      ++next;
      return true;
    }
  }
  std::size_t low = 0;
  std::size_t high = entries;
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    std::memcpy(&entry, directory.At(middle * sizeof entry, sizeof entry), sizeof entry);
    if (entry.key == key) {
      next = middle + 1;
      return true;
    }
    if (entry.key < key)
      low = middle + 1;
    else
      high = middle;
  }
  return false;
}

bool Store::Index(int32_t index, OrderRange& order) {
  layout::DirectoryEntry entry{};
  if (!Find(layout::kIndexes, index, entry)) return false;
  order = {entry.offset == layout::kStoredOrder ? nullptr : data_[layout::kIndexes].get(),
           entry.offset == layout::kStoredOrder ? 0 : entry.offset, entry.count};
  return true;
}

OrderRange Store::SettlementsOf(int32_t owner) {
  layout::DirectoryEntry entry{};
  if (!Find(layout::kSettlements, owner, entry)) return {data_[layout::kSettlements].get(), 0, 0};
  return {data_[layout::kSettlements].get(), entry.offset, entry.count};
}

bool Store::WarehouseGoods(int32_t warehouse, RecordRange& goods) {
  layout::DirectoryEntry entry{};
  if (!Find(layout::kWarehouseGoods, warehouse, entry)) return false;
  goods = {data_[layout::kWarehouseGoods].get(), entry.offset, entry.count, static_cast<uint32_t>(storedLengths_[kK9])};
  return true;
}

bool Store::Items(bool invoice, int32_t id, RecordRange& items) {
  const int group = invoice ? layout::kInvoiceItems : layout::kContractItems;
  layout::DirectoryEntry entry{};
  if (!Find(group, id, entry)) return false;
  items = {data_[group].get(), entry.offset, entry.count,
           static_cast<uint32_t>(storedLengths_[invoice ? kTsprDok : kUmstDok])};
  return true;
}

bool Store::FindAttribute(int32_t owner, std::string_view name, Attribute& attribute) {
  layout::DirectoryEntry entry{};
  if (!Find(layout::kAttributes, owner, entry)) return false;
  auto read = [this](uint64_t at, std::size_t length) { return attributeEntries_->At(at, length); };
  for (uint32_t i = 0; i < entry.count; ++i) {
    const auto at = Read<uint64_t>(*data_[layout::kAttributes], entry.offset + i * sizeof(uint64_t));
    Attribute found = layout::DecodeAttribute(read, at);
    if (found.name == name) {
      attribute = std::move(found);
      return true;
    }
  }
  return false;
}

bool Store::Name(layout::Group group, int32_t number, std::string& name) {
  layout::DirectoryEntry entry{};
  if (!Find(group, number, entry)) return false;
  name.assign(reinterpret_cast<const char*>(data_[group]->At(entry.offset, entry.count)), entry.count);
  return true;
}

std::vector<BaseFile> Store::BaseFiles() {
  std::vector<BaseFile> files;
  ByteView& directory = *directories_[layout::kBaseFiles];
  ByteView& data = *data_[layout::kBaseFiles];
  for (uint64_t at = 0; at + sizeof(layout::DirectoryEntry) <= directory.size(); at += sizeof(layout::DirectoryEntry)) {
    layout::DirectoryEntry entry{};
    std::memcpy(&entry, directory.At(at, sizeof entry), sizeof entry);
    const auto* bytes = reinterpret_cast<const char*>(data.At(entry.offset, entry.count));
    BaseFile file;
    layout::DecodeBaseFile(std::string_view(bytes, entry.count), file);  // checked when the store was opened
    files.push_back(std::move(file));
  }
  return files;
}

}  // namespace qelmar
