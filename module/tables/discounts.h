// kontrah_rabaty.csv: the discounts of each contractor per goods group.
//
// The host keeps one discount record per contractor (k4_tab, 11256 bytes) in
// a data file of its own. The file is read once per run into an index from
// contractor id to the non-empty entries of that contractor's first record in
// file order; each contractor's rows are then written from the index. Reading
// the file anew for every contractor would grow with contractors times
// records, hours for a medium-sized business.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "host/record.h"
#include "host/records/k4_tab.h"
#include "output/output_pair.h"

namespace dravenhol {

class RowContext;

inline constexpr int kDiscountGroups = k4_tab::kGroups;

// Entry `group` of a discount record.
struct DiscountEntry {
  int32_t percent;  // thousandths of a percent
  int16_t group;
  int16_t priceLevel;  // counted from 0
  double amount;       // ten-thousandths of the currency unit
};

// An entry with no percentage, no price level and an amount strictly within
// 0.00001 of zero (as stored) gives no row.
bool IsEmptyDiscount(const DiscountEntry& entry);

// The entries of discount record `record`, in group order, empty ones left out.
std::vector<DiscountEntry> DiscountEntriesOf(const RecordView& record);

class DiscountIndex {
 public:
  // The entries of contractor `id`'s first record, or null when it has none.
  const std::vector<DiscountEntry>* Find(int32_t id) const;
  // Keeps the record only when the contractor has none yet (file order wins).
  void Add(int32_t id, const RecordView& record);

 private:
  std::unordered_map<int32_t, std::vector<DiscountEntry>> byContractor_;
};

// Reads the discount data file into a new index, with the host's scan
// progress calls around the read. Null when the file cannot be opened. A
// record that cannot be read ends the read, handed to `lines` as records not
// reached; the index then holds what was read before it.
std::unique_ptr<DiscountIndex> ReadDiscountFile(RowContext& rows, FileLines& lines);

// The rows of the current contractor (k4) from its entries, to `lines`; of
// its rows that do not fit, the first is handed over as dropped.
void WriteDiscountRows(RowContext& rows, int32_t ownerId, const std::vector<DiscountEntry>& entries, FileLines& lines);

}  // namespace dravenhol
