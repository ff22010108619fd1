#include "tables/settlements.h"

#include <algorithm>
#include <memory>
#include <new>

#include "host/host_api.h"
#include "host/host_objects.h"
#include "host/indexes.h"
#include "host/records/k4_kar.h"
#include "tables/row_context.h"

namespace dravenhol {

namespace {

// What one kept contractor costs in the table beyond its arenas: up to four
// slots, as the table grows.
constexpr std::size_t kContractorOverhead = 64;

// A date of eight digits (the host's YYYYMMDD) is kept as its number with
// this bit; any other text in the dates arena.
constexpr uint32_t kDigitDate = 0x80000000u;

bool EightDigits(const char* text) {
  for (int i = 0; i < 8; ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return text[8] == '\0';
}

}  // namespace

bool SettlementCache::Find(int32_t contractor, int32_t reference, double* paid, char (&date)[kTextAreaSize]) {
  if (spans_.empty()) return false;
  Span& span = SlotOf(contractor);
  if (span.first == kEmpty) return false;
  const auto begin = paid_.begin() + span.first;
  const auto end = begin + span.count;
  auto at = begin + span.next;
  if (at == end || at->reference != reference)
    at = std::lower_bound(begin, end, reference, [](const Paid& p, int32_t r) { return p.reference < r; });
  if (at == end || at->reference != reference) {
    *paid = 0.0;
    date[0] = '\0';
    return true;
  }
  span.next = static_cast<uint32_t>(at - begin) + 1;
  *paid = at->sum;
  if ((at->date & kDigitDate) != 0) {
    uint32_t digits = at->date & ~kDigitDate;
    date[8] = '\0';
    for (int i = 7; i >= 0; --i, digits /= 10) date[i] = static_cast<char>('0' + digits % 10);
  } else {
    CopyText(date, sizeof date, dates_.c_str() + at->date);
  }
  return true;
}

void SettlementCache::Begin(int32_t contractor) {
  collecting_ = true;
  contractor_ = contractor;
  entryDated_ = false;
  slots_.clear();
  slotDates_.clear();
}

void SettlementCache::NextEntry() { entryDated_ = false; }

void SettlementCache::Slot(int32_t reference, double amount, const char* date) {
  if (!collecting_) return;
  try {
    if (!entryDated_) {
      entryDate_ = static_cast<uint32_t>(slotDates_.size());
      slotDates_.append(date);
      slotDates_.push_back('\0');
      entryDated_ = true;
    }
    slots_.push_back(Collected{reference, entryDate_, amount});
  } catch (const std::bad_alloc&) {
    collecting_ = false;
  }
}

void SettlementCache::Keep() {
  if (!collecting_) return;
  collecting_ = false;
  KeepCollected();
  // A large customer's walk leaves no large scratch behind.
  if (slots_.capacity() * sizeof(Collected) + slotDates_.capacity() > budget_ / 4) {
    std::vector<Collected>().swap(slots_);
    std::string().swap(slotDates_);
  }
}

void SettlementCache::KeepCollected() {
  // Equal references keep their walk order, so each sum adds its slots in
  // the order a walk for that reference adds them.
  std::stable_sort(slots_.begin(), slots_.end(),
                   [](const Collected& a, const Collected& b) { return a.reference < b.reference; });
  std::size_t references = 0;
  for (std::size_t i = 0; i < slots_.size(); ++i)
    references += i == 0 || slots_[i].reference != slots_[i - 1].reference ? 1 : 0;
  // The arenas as they will be with this contractor, grown by half at a time.
  auto grown = [](std::size_t capacity, std::size_t size) {
    return size <= capacity ? capacity : std::max(capacity + capacity / 2, size);
  };
  auto projected = [&] {
    return grown(paid_.capacity(), paid_.size() + references) * sizeof(Paid) +
           grown(dates_.capacity(), dates_.size() + slotDates_.size()) +
           ((kept_ + 1) * 2 <= spans_.size() ? spans_.size() : std::max<std::size_t>(spans_.size() * 2, 64)) *
               sizeof(Span);
  };
  if ((references * sizeof(Paid) + slotDates_.size() + kContractorOverhead) * 2 > budget_) return;
  if (projected() > budget_) DropAll();
  if (projected() > budget_) return;
  try {
    paid_.reserve(grown(paid_.capacity(), paid_.size() + references));
    dates_.reserve(grown(dates_.capacity(), dates_.size() + slotDates_.size()));
    const auto first = static_cast<uint32_t>(paid_.size());
    for (std::size_t i = 0; i < slots_.size();) {
      double sum = 0.0;
      std::size_t j = i;
      for (; j < slots_.size() && slots_[j].reference == slots_[i].reference; ++j) sum += slots_[j].amount;
      const char* text = slotDates_.c_str() + slots_[j - 1].date;
      uint32_t date = static_cast<uint32_t>(dates_.size());
      if (EightDigits(text)) {
        uint32_t digits = 0;
        for (int k = 0; k < 8; ++k) digits = digits * 10 + static_cast<uint32_t>(text[k] - '0');
        date = kDigitDate | digits;
      } else {
        dates_.append(text);
        dates_.push_back('\0');
      }
      paid_.push_back(Paid{slots_[i].reference, date, sum});
      i = j;
    }
    Grow();
    SlotOf(contractor_) = Span{contractor_, first, static_cast<uint32_t>(references), 0};
    ++kept_;
  } catch (const std::bad_alloc&) {
    // Not kept: the contractor's next invoice walks again. What the arenas
    // took for it stays unreferenced until they are dropped.
  }
}

void SettlementCache::DropAll() {
  std::vector<Paid>().swap(paid_);
  std::string().swap(dates_);
  std::vector<Span>().swap(spans_);
  kept_ = 0;
}

SettlementCache::Span& SettlementCache::SlotOf(int32_t contractor) {
  const std::size_t mask = spans_.size() - 1;
  uint32_t hash = static_cast<uint32_t>(contractor) * 0x9E3779B1u;
  hash ^= hash >> 15;
  std::size_t at = hash & mask;
  while (spans_[at].first != kEmpty && spans_[at].contractor != contractor) at = (at + 1) & mask;
  return spans_[at];
}

void SettlementCache::Grow() {
  if ((kept_ + 1) * 2 <= spans_.size()) return;
  std::vector<Span> old(std::max<std::size_t>(spans_.size() * 2, 64), Span{0, kEmpty, 0, 0});
  old.swap(spans_);
  for (const Span& span : old)
    if (span.first != kEmpty) SlotOf(span.contractor) = span;
}

void SumDocumentPayments(RowContext& rows, int32_t reference, int32_t contractor, double* paid,
                         char (&date)[kTextAreaSize]) {
  *paid = 0.0;
  date[0] = '\0';
  // A contractor whose entries were walked before in this run is not walked
  // again: its walk kept every reference's payment.
  SettlementCache* kept = rows.caches.settlements.get();
  if (kept == nullptr) {
    // Without memory for it, every invoice walks its contractor's entries.
    rows.caches.settlements.Keep(std::unique_ptr<SettlementCache>(new (std::nothrow) SettlementCache));
    kept = rows.caches.settlements.get();
  }
  if (kept != nullptr && kept->Find(contractor, reference, paid, date)) return;

  // The host's settlement set-up, with a work block the module never reads.
  alignas(8) unsigned char setupBlock[kUnstatedBlockSize] = {};
  host::HostSettlementSetup(static_cast<void*>(setupBlock));

  CursorScope cursor;
  ContractorSwap swap(host::HostCurrentContractorRef(), contractor);
  double sum = 0.0;
  if (cursor.Open(int32_t{kSettlementIndex})) {
    if (kept != nullptr) kept->Begin(contractor);
    while (cursor.Next()) {
      const RecordView entry = rows.Record(kK4Kar);
      if (entry.U32(k4_kar::kActive) == 0) continue;
      char entryDate[kTextAreaSize];
      bool dated = false;
      if (kept != nullptr) kept->NextEntry();
      for (std::size_t slot = 0; slot < std::size_t{k4_kar::kSlots}; ++slot) {
        if (entry.I16(k4_kar::kSlotKind + 2 * slot) != 1) continue;
        if (!dated) {
          entry.Text(k4_kar::kDate, entryDate, sizeof entryDate);
          dated = true;
        }
        const int32_t slotReference = entry.I32(k4_kar::kSlotReference + 4 * slot);
        const double amount = entry.F64(k4_kar::kSlotAmount + 8 * slot);
        if (kept != nullptr) kept->Slot(slotReference, amount, entryDate);
        if (slotReference != reference) continue;
        sum += amount;
        CopyText(date, sizeof date, entryDate);
      }
    }
    // Kept only after the whole walk: one left by an exception keeps nothing.
    if (kept != nullptr) kept->Keep();
  }
  *paid = sum;
  cursor.Close();
  swap.Restore();
}

}  // namespace dravenhol
