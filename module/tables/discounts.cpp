// Contractor discounts.
#include "tables/discounts.h"

#include <new>

#include "host/host_api.h"
#include "host/host_objects.h"
#include "host/indexes.h"
#include "host/mazovia.h"
#include "host/records/k4.h"
#include "host/records/k4_tab.h"
#include "host/records/tspr_prop.h"
#include "host/services.h"
#include "host/texts.h"
#include "output/output.h"
#include "tables/lookups.h"
#include "tables/nip.h"
#include "tables/numbers.h"
#include "tables/row_builder.h"
#include "tables/row_context.h"
#include "tables/row_writers.h"

namespace dravenhol {

namespace {

constexpr int32_t kDiscountFileKind = 223;
constexpr int32_t kScanKind = 812;
constexpr std::size_t kNameAreaSize = 260;

// The host's layout markers (0x01 'c' ... 0x01) belong to the message text.
constexpr const char* kReadFailure = texts::kSeekErrorDiscounts;

}  // namespace

bool IsEmptyDiscount(const DiscountEntry& entry) {
  return entry.percent == 0 && entry.priceLevel == 0 && entry.amount > -0.00001 && entry.amount < 0.00001;
}

std::vector<DiscountEntry> DiscountEntriesOf(const RecordView& record) {
  std::vector<DiscountEntry> entries;
  for (std::size_t group = 0; group < std::size_t{kDiscountGroups}; ++group) {
    const DiscountEntry entry{record.I32(k4_tab::kPercent + 4 * group), static_cast<int16_t>(group),
                              record.I16(k4_tab::kPriceLevel + 2 * group), record.F64(k4_tab::kAmount + 8 * group)};
    if (!IsEmptyDiscount(entry)) entries.push_back(entry);
  }
  return entries;
}

const std::vector<DiscountEntry>* DiscountIndex::Find(int32_t id) const {
  const auto found = byContractor_.find(id);
  return found == byContractor_.end() ? nullptr : &found->second;
}

void DiscountIndex::Add(int32_t id, const RecordView& record) {
  if (byContractor_.count(id) != 0) return;
  byContractor_.emplace(id, DiscountEntriesOf(record));
}

std::unique_ptr<DiscountIndex> ReadDiscountFile(RowContext& rows, FileLines& lines) {
  HostTable* const tab = rows.Table(kK4Tab);
  char name[kNameAreaSize] = {};
  host::HostMakeDataName(kDiscountFileKind, static_cast<void*>(name), "MMM", ".UNR", int32_t{85});

  int32_t count = 0;
  ItemFileScope file;
  OpenItemFile(&file, kDiscountFileKind, name, tab, &count);
  if (file.get() == nullptr) return nullptr;

  Owned<DiscountIndex> index(new DiscountIndex);
  ScanScope scan(kScanKind);
  for (int32_t r = 0; r < count; ++r) {
    host::HostScanStep(r, count);
    host::HostScanIdle(int32_t{0});
    const char* failure = nullptr;
    if (host::HostReadItemRecord(int32_t{0}, r, tab, int32_t{0}, file.get()) == 0) {
      failure = kReadFailure;
    } else {
      const RecordView record = rows.Record(kK4Tab);
      const int32_t owner = record.I32(k4_tab::kOwner);
      try {
        if (owner != 0) index->Add(owner, record);
      } catch (const std::bad_alloc&) {
        failure = texts::kMemoryErrorDiscounts;
      }
    }
    if (failure != nullptr) {
      // The contractors whose records were not reached get no rows.
      lines.Put(Row::Unreached(failure));
      file.Close();
      scan.End();
      return std::unique_ptr<DiscountIndex>(index.Release());
    }
  }
  scan.End();
  file.Close();
  return std::unique_ptr<DiscountIndex>(index.Release());
}

void WriteDiscountRows(RowContext& rows, int32_t ownerId, const std::vector<DiscountEntry>& entries, FileLines& lines) {
  const RecordView contractor = rows.Record(kK4);
  char pesel[kQuotedFieldSize], nip[kQuotedFieldSize], symbol[kQuotedFieldSize];
  QuotedAttribute(contractor.I32(k4::kId), MZ("Pesel"), kPlainAttribute, pesel);
  PlaceTaxNumber(contractor, pesel, nip);
  QuoteRecordText(symbol, contractor, k4::kSymbol);
  const char* taxField = nip[0] != '\0' ? nip : pesel;

  bool reported = false;
  for (const DiscountEntry& entry : entries) {
    char group[kTextAreaSize];
    const int32_t groupNumber = entry.group;  // the group number i, as the host reads it
    GoodsGroupName(&groupNumber, group);
    char row[kShortLineCapacity];
    RowBuilder line(row, sizeof row);
    line.Integer(ownerId).Text(symbol).Text(taxField).Text(group[0] != '\0' ? group : "brak grupy");
    line.Integer(entry.group).Fixed(PercentValue(entry.percent), 2).Money(entry.amount);
    line.Integer(entry.priceLevel + 1).Tail(";");
    if (line.fits() || !reported) lines.Put(line.Finish(ownerId));
    reported = reported || !line.fits();  // one drop per contractor
  }
}

int32_t EksportujRabaty(RowContext& rows, FileLines& lines) {
  const RecordView switches = rows.Record(kTsprProp);
  bool anySwitch = false;
  for (std::size_t offset : tspr_prop::kDiscountSwitches) anySwitch = anySwitch || switches.I16(offset) != 0;
  if (!anySwitch) return 1;
  const RecordView contractor = rows.Record(kK4);
  const int32_t id = contractor.I32(k4::kId);
  if (id == 0) return 0;

  try {
    // A file that could not be opened is tried again for the next contractor.
    if (rows.caches.discounts.get() == nullptr) rows.caches.discounts.Keep(ReadDiscountFile(rows, lines));
    const DiscountIndex* index = rows.caches.discounts.get();
    if (index == nullptr) return 0;
    if (const std::vector<DiscountEntry>* entries = index->Find(id); entries != nullptr)
      WriteDiscountRows(rows, id, *entries, lines);
  } catch (const std::bad_alloc&) {
    lines.Put(Row::Unreached(texts::kMemoryErrorDiscounts));
  }
  return 0;
}

}  // namespace dravenhol
