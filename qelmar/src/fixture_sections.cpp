#include "fixture_sections.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

#include "fixture_records.h"
#include "host_settings.h"
#include "layouts.h"

namespace qelmar {

using namespace json_reading;
namespace layout = store_layout;

namespace {

class HostSection : public SectionReader {
 public:
  explicit HostSection(Compilation& c) : c_(c) {}
  Shape shape() const override { return Shape::kWhole; }
  void Whole(Json& value) override {
    ReadHostSection(value, c_.config);
    c_.hostText = value.dump();
  }
  // The record files, at the lengths the host section gives.
  void Finish() override {
    for (int i = 0; i < kDataFileCount; ++i) {
      // An absent data file keeps its default length; no length is below 0.
      c_.storedLengths[i] = std::max(c_.config.recordLengths[i], 0);
      if (layout::HasRecordFile(i)) c_.records[i] = &c_.output.Create(layout::RecordFileName(i));
    }
  }

 private:
  Compilation& c_;
};

class TablesSection : public SectionReader {
 public:
  explicit TablesSection(Compilation& c) : c_(c), settlements_(c.output, layout::kSettlements) {}
  Shape shape() const override { return Shape::kMembers; }
  void WrongRoot(Json&) override { Fail("tables", "expected an object of record lists by data file name"); }
  bool BeginMember(const std::string& name) override {
    if (IsComment(name)) return false;
    file_ = DataFileByName(name);
    if (file_ < 0) Fail("tables." + name, "no such data file");
    if (file_ == kTsprDok || file_ == kUmstDok)
      Fail("tables." + name, "items belong in \"invoiceItems\" and \"contractItems\"");
    // A data file written again takes its last list.
    c_.records[file_]->Truncate();
    c_.counts[file_] = 0;
    if (file_ == kK4Kar) settlements_.Clear();
    return true;
  }
  void NotList(const std::string& name, Json&) override { Fail("tables." + name, "expected a list of records"); }
  void Element(const std::string& name, std::size_t index, Json& value) override {
    const RecordOut out = c_.Record(file_);
    FillRecord(value, file_, out, "tables." + name + "[" + std::to_string(index) + "]");
    c_.records[file_]->Append(out.data, out.length);
    if (file_ == kK4Kar) {
      int32_t owner = 0;
      if (out.length >= kSettlementOwnerOffset + sizeof owner)
        std::memcpy(&owner, out.data + kSettlementOwnerOffset, sizeof owner);
      settlements_.Add(owner, c_.counts[file_]);
    }
    ++c_.counts[file_];
  }
  void Finish() override { settlements_.Finish(); }

 private:
  Compilation& c_;
  ScatteredGroupWriter settlements_;  // index 53: k4_kar records by owner
  int file_ = -1;
};

// A section of lists by key, each list one group of the store: every element
// it takes adds one record (or number) to the group of the member's key.
class KeyedListSection : public SectionReader {
 public:
  KeyedListSection(Compilation& c, layout::Group group)
      : c_(c), writer_(c.output, group, layout::UnitBytes(group, c.storedLengths)) {}
  Shape shape() const override { return Shape::kMembers; }
  void EndMember(const std::string&) override { writer_.End(); }
  void Finish() override { writer_.Finish(); }

 protected:
  void BeginList(int32_t key) { writer_.Begin(key); }
  void Add(const void* bytes, std::size_t n) { writer_.Append(bytes, n); }

  Compilation& c_;
  GroupWriter writer_;
};

class IndexesSection : public KeyedListSection {
 public:
  explicit IndexesSection(Compilation& c) : KeyedListSection(c, layout::kIndexes) {
    // Without a list of its own, an index yields its data file as stored.
    for (const int32_t index : {72, 811, 6, 3, 34})
      writer_.Entry(index, c.counts[DataFileOfIndex(index)], layout::kStoredOrder);
    writer_.Entry(198, 0, 0);
  }
  void WrongRoot(Json&) override { Fail("indexes", "expected an object of record numbers by index"); }
  bool BeginMember(const std::string& key) override {
    if (IsComment(key)) return false;
    at_ = "indexes." + key;
    const auto index = static_cast<int32_t>(Integer(Json(key), at_, INT32_MIN, INT32_MAX));
    if (index == 4) Fail(at_, "index 4 follows the current warehouse: use \"warehouseGoods\"");
    if (index == 53) Fail(at_, "index 53 follows the current contractor: give k4_kar records an \"owner\"");
    file_ = DataFileOfIndex(index);
    if (file_ < 0) Fail(at_, "the host has no such index");
    BeginList(index);
    return true;
  }
  void NotList(const std::string&, Json&) override { Fail(at_, "expected a list of record numbers"); }
  void Element(const std::string&, std::size_t, Json& value) override {
    const auto n = static_cast<uint32_t>(Integer(value, at_, 0, static_cast<int64_t>(c_.counts[file_]) - 1));
    Add(&n, sizeof n);
  }

 private:
  std::string at_;
  int file_ = -1;
};

class WarehouseGoodsSection : public KeyedListSection {
 public:
  explicit WarehouseGoodsSection(Compilation& c) : KeyedListSection(c, layout::kWarehouseGoods) {}
  void WrongRoot(Json&) override { Fail("warehouseGoods", "expected an object of goods lists by warehouse number"); }
  bool BeginMember(const std::string& key) override {
    if (IsComment(key)) return false;
    at_ = "warehouseGoods." + key;
    BeginList(static_cast<int32_t>(Integer(Json(key), at_, -32768, 32767)));
    return true;
  }
  void NotList(const std::string&, Json&) override { Fail(at_, "expected a list"); }
  // A k9 record number, or {"record": n, ...} with fields over that record.
  void Element(const std::string&, std::size_t index, Json& entry) override {
    const std::string item = at_ + "[" + std::to_string(index) + "]";
    const Json& position = entry.is_object() ? entry.value("record", Json()) : entry;
    if (position.is_null()) Fail(item, "expected a k9 record number or {\"record\": n, ...}");
    const auto n = static_cast<uint64_t>(Integer(position, item, 0, static_cast<int64_t>(c_.counts[kK9]) - 1));
    const RecordOut out = c_.Record(kK9);
    c_.records[kK9]->ReadAt(n * out.length, out.data, out.length);
    if (entry.is_object()) FillRecord(entry, kK9, out, item, {"record"});
    Add(out.data, out.length);
  }

 private:
  std::string at_;
};

class ItemsSection : public KeyedListSection {
 public:
  ItemsSection(Compilation& c, bool invoices)
      : KeyedListSection(c, invoices ? layout::kInvoiceItems : layout::kContractItems),
        where_(invoices ? "invoiceItems" : "contractItems"),
        file_(invoices ? kTsprDok : kUmstDok) {}
  void WrongRoot(Json&) override { Fail(where_, "expected an object of item lists by id"); }
  bool BeginMember(const std::string& key) override {
    if (IsComment(key)) return false;
    BeginList(static_cast<int32_t>(Integer(Json(key), where_, INT32_MIN, INT32_MAX)));
    return true;
  }
  void NotList(const std::string& key, Json&) override { Fail(where_ + "." + key, "expected a list of records"); }
  void Element(const std::string& key, std::size_t index, Json& value) override {
    const RecordOut out = c_.Record(file_);
    FillRecord(value, file_, out, where_ + "." + key + "[" + std::to_string(index) + "]");
    Add(out.data, out.length);
  }

 private:
  std::string where_;
  int file_;
};

class AttributesSection : public SectionReader {
 public:
  explicit AttributesSection(Compilation& c)
      : entries_(c.output.Create(layout::kAttributeEntries)), owners_(c.output, layout::kAttributes) {}
  Shape shape() const override { return Shape::kElements; }
  void WrongRoot(Json&) override { Fail("attributes", "expected a list"); }
  void Element(const std::string&, std::size_t index, Json& entry) override {
    const std::string at = "attributes[" + std::to_string(index) + "]";
    if (!entry.is_object() || !entry.contains("contractor") || !entry.contains("name"))
      Fail(at, "expected {\"contractor\": id, \"name\": ..., \"kind\": k, \"value\": ...}");
    layout::AttributeEntry attribute;
    attribute.name = Text(entry["name"], at + ".name");
    attribute.kind = static_cast<int16_t>(Integer(entry.value("kind", Json(0)), at + ".kind", -32768, 32767));
    attribute.value = Text(entry.value("value", Json("")), at + ".value");
    const auto contractor = static_cast<int32_t>(Integer(entry["contractor"], at, INT32_MIN, INT32_MAX));
    owners_.Add(contractor, entries_.size());
    const std::string bytes = layout::EncodeAttribute(attribute);
    entries_.Append(bytes.data(), bytes.size());
  }
  void Finish() override { owners_.Finish(); }

 private:
  OutputFile& entries_;
  ScatteredGroupWriter owners_;  // entry offsets by contractor
};

// Names by number, built whole (a few hundred at most).
class NamesSection : public SectionReader {
 public:
  NamesSection(Compilation& c, layout::Group group)
      : writer_(c.output, group, layout::UnitBytes(group, c.storedLengths)), where_(layout::kGroups[group].fileName) {}
  Shape shape() const override { return Shape::kWhole; }
  void Whole(Json& names) override {
    if (!names.is_object()) Fail(where_, "expected an object of names by number");
    std::map<int32_t, std::string> sorted;
    for (const auto& [key, name] : names.items())
      if (!IsComment(key))
        sorted[static_cast<int32_t>(Integer(Json(key), where_, INT32_MIN, INT32_MAX))] = Text(name, where_ + "." + key);
    for (const auto& [number, name] : sorted) {
      writer_.Begin(number);
      writer_.Append(name.data(), name.size());
      writer_.End();
    }
  }
  void Finish() override { writer_.Finish(); }

 private:
  GroupWriter writer_;
  std::string where_;
};

// Files of the base directory, in the order written.
class FilesSection : public SectionReader {
 public:
  explicit FilesSection(Compilation& c)
      : writer_(c.output, layout::kBaseFiles, layout::UnitBytes(layout::kBaseFiles, c.storedLengths)) {}
  Shape shape() const override { return Shape::kWhole; }
  void Whole(Json& files) override {
    if (!files.is_object()) Fail("files", "expected an object of file contents by name");
    int32_t position = 0;
    for (const auto& [name, value] : files.items()) {
      if (IsComment(name)) continue;
      const std::string at = "files." + name;
      std::optional<std::string> content;
      if (value.is_string()) {
        content = Text(value, at);
      } else if (value.is_object() && value.contains("hex")) {
        const auto bytes = Hex(value["hex"], at + ".hex");
        content = std::string(bytes.begin(), bytes.end());
      } else if (value.is_object() && value.contains("utf8")) {
        if (!value["utf8"].is_string()) Fail(at + ".utf8", "expected a text");
        content = value["utf8"].get<std::string>();
      } else if (!value.is_null()) {
        Fail(at, "expected a text, {\"hex\": ...}, {\"utf8\": ...} or null");
      }
      const std::string bytes = layout::EncodeBaseFile({name, std::move(content)});
      writer_.Begin(position++);
      writer_.Append(bytes.data(), bytes.size());
      writer_.End();
    }
  }
  void Finish() override { writer_.Finish(); }

 private:
  GroupWriter writer_;
};

// A reader of a section, with what tells it apart from its kind's others.
template <class Section, auto... kind>
std::unique_ptr<SectionReader> Make(Compilation& c) {
  return std::make_unique<Section>(c, kind...);
}

// The sections in the order they are read: a later one may need what an
// earlier one wrote (the record lengths of "host", the record counts of
// "tables").
constexpr FixtureSection kSections[] = {
    {"host", Make<HostSection>},
    {"tables", Make<TablesSection>},
    {"indexes", Make<IndexesSection>},
    {"warehouseGoods", Make<WarehouseGoodsSection>},
    {"invoiceItems", Make<ItemsSection, true>},
    {"contractItems", Make<ItemsSection, false>},
    {"attributes", Make<AttributesSection>},
    {"groups", Make<NamesSection, layout::kGoodsGroups>},
    {"paymentMethods", Make<NamesSection, layout::kPaymentMethods>},
    {"files", Make<FilesSection>},
};

}  // namespace

std::span<const FixtureSection> FixtureSections() { return kSections; }

}  // namespace qelmar
