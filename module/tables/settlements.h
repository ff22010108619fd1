// The settlement walk: what a contractor's entries pay of a document, and
// what the walk found, by contractor, for the rest of the run.
//
// Walking a contractor's settlement entries (index 53) for every one of its
// invoices costs invoices times entries: minutes for a large customer with
// years of payments. One walk instead collects every paying slot (kind 1, in
// an active entry) of every reference; later invoices of the same contractor
// read their paid amount and payment date from here.
//
// Each reference's sum adds its slots in walk order, starting from 0.0, so it
// is bit for bit the sum that a walk for that one reference gives; its date
// is that of the last paying entry in walk order.
//
// Memory stays within a byte budget of 24 MB (how long the cache lives is
// declared with the run's caches, row_context.h). The kept results lie in two arenas (16 bytes for each
// paid reference of every kept contractor, with its date as a number when it
// has the host's eight digits; other date texts) and a map from contractor to
// its span: the standard database (a million invoices, 100,000 contractors)
// takes about 20 MB.
// When a walk would take the cache past its budget, every kept contractor is
// dropped at once and collection starts afresh (each is then walked once more
// at most); one whose results alone exceed the budget is not kept (its
// invoices walk again).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tables/fields.h"

namespace dravenhol {

class SettlementCache {
 public:
  static constexpr std::size_t kDefaultBudget = std::size_t{24} << 20;

  explicit SettlementCache(std::size_t budget = kDefaultBudget) : budget_(budget) {}
  SettlementCache(const SettlementCache&) = delete;
  SettlementCache& operator=(const SettlementCache&) = delete;

  // The payment of `reference` when the contractor's walk is kept: the sum
  // and the date (empty when nothing paid it). False when it is not kept.
  bool Find(int32_t contractor, int32_t reference, double* paid, char (&date)[kTextAreaSize]);

  // One walk of a contractor's entries, collected in order: Begin, then per
  // active entry NextEntry and a Slot for each kind-1 slot, then Keep once
  // the walk went through. A walk that is not kept leaves nothing behind. Out
  // of memory, the walk is simply not kept.
  void Begin(int32_t contractor);
  void NextEntry();
  // `date` is the entry's date text, taken once per entry.
  void Slot(int32_t reference, double amount, const char* date);
  void Keep();

 private:
  struct Paid {
    int32_t reference;
    uint32_t date;  // offset into dates_
    double sum;
  };
  // A kept contractor, in an open-addressed table by contractor id.
  struct Span {
    int32_t contractor;
    uint32_t first;  // into paid_; kEmpty marks a free slot
    uint32_t count;
    uint32_t next;  // after the reference found last: invoices mostly come in reference order
  };
  static constexpr uint32_t kEmpty = ~uint32_t{0};
  struct Collected {
    int32_t reference;
    uint32_t date;
    double amount;
  };

  void KeepCollected();
  void DropAll();
  // The slot of a contractor: its own, or the free one where it would go.
  Span& SlotOf(int32_t contractor);
  // Makes room for one more contractor within the table's load.
  void Grow();

  std::size_t budget_;
  std::vector<Paid> paid_;   // contractor after contractor, each by reference
  std::string dates_;        // zero-terminated texts
  std::vector<Span> spans_;  // a power of two, at most half full
  std::size_t kept_ = 0;

  // The walk being collected.
  bool collecting_ = false;
  int32_t contractor_ = 0;
  bool entryDated_ = false;
  uint32_t entryDate_ = 0;
  std::vector<Collected> slots_;
  std::string slotDates_;
};

class RowContext;

// Sums what the contractor's settlement entries pay of one document: every
// slot of kind 1 whose reference is the document's, in active entries. The
// date is that of the last paying entry in cursor order, empty when nothing
// was paid. The host's current contractor is swapped in for the walk and put
// back afterwards.
void SumDocumentPayments(RowContext& rows, int32_t reference, int32_t contractor, double* paid,
                         char (&date)[kTextAreaSize]);

}  // namespace dravenhol
