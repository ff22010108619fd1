#include "tables/settlements.h"

#include <algorithm>
#include <new>

namespace dravenhol {

namespace {

// What a kept contractor costs beyond its two arrays: list node, map node.
constexpr std::size_t kKeptOverhead = 96;

}  // namespace

bool SettlementCache::Find(int32_t contractor, int32_t reference, double* paid, char (&date)[kTextAreaSize]) {
  const auto found = byContractor_.find(contractor);
  if (found == byContractor_.end()) return false;
  recent_.splice(recent_.begin(), recent_, found->second);
  const Kept& kept = *found->second;
  const auto at = std::lower_bound(kept.paid.begin(), kept.paid.end(), reference,
                                   [](const Paid& p, int32_t r) { return p.reference < r; });
  if (at == kept.paid.end() || at->reference != reference) {
    *paid = 0.0;
    date[0] = '\0';
  } else {
    *paid = at->sum;
    CopyText(date, sizeof date, kept.dates.c_str() + at->date);
  }
  return true;
}

void SettlementCache::Begin(int32_t contractor) {
  collecting_ = true;
  contractor_ = contractor;
  entryDated_ = false;
  slots_.clear();
  dates_.clear();
}

void SettlementCache::NextEntry() { entryDated_ = false; }

void SettlementCache::Slot(int32_t reference, double amount, const char* date) {
  if (!collecting_) return;
  try {
    if (!entryDated_) {
      entryDate_ = static_cast<uint32_t>(dates_.size());
      dates_.append(date);
      dates_.push_back('\0');
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
  if (slots_.capacity() * sizeof(Collected) + dates_.capacity() > budget_ / 4) {
    std::vector<Collected>().swap(slots_);
    std::string().swap(dates_);
  }
}

void SettlementCache::KeepCollected() {
  try {
    // Equal references keep their walk order, so each sum adds its slots in
    // the order a walk for that reference adds them.
    std::stable_sort(slots_.begin(), slots_.end(),
                     [](const Collected& a, const Collected& b) { return a.reference < b.reference; });
    Kept kept{contractor_, {}, {}, 0};
    for (std::size_t i = 0; i < slots_.size();) {
      double sum = 0.0;
      std::size_t j = i;
      for (; j < slots_.size() && slots_[j].reference == slots_[i].reference; ++j) sum += slots_[j].amount;
      kept.paid.push_back(Paid{slots_[i].reference, slots_[j - 1].date, sum});
      i = j;
    }
    kept.paid.shrink_to_fit();
    kept.dates = dates_;
    kept.bytes = kKeptOverhead + kept.paid.capacity() * sizeof(Paid) + kept.dates.capacity();
    if (kept.bytes > budget_) return;

    const auto existing = byContractor_.find(contractor_);
    if (existing != byContractor_.end()) Drop(existing->second);
    while (bytes_ + kept.bytes > budget_ && !recent_.empty()) Drop(std::prev(recent_.end()));
    recent_.push_front(std::move(kept));
    try {
      byContractor_.emplace(contractor_, recent_.begin());
    } catch (const std::bad_alloc&) {
      recent_.pop_front();
      return;
    }
    bytes_ += recent_.front().bytes;
  } catch (const std::bad_alloc&) {
    // Not kept: the contractor's next invoice walks again.
  }
}

void SettlementCache::Drop(std::list<Kept>::iterator kept) {
  bytes_ -= kept->bytes;
  byContractor_.erase(kept->contractor);
  recent_.erase(kept);
}

}  // namespace dravenhol
