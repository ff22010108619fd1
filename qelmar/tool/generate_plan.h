// The database being generated: its sizes and seed, and what more than one
// section draws from (ids, sale dates, who issues an invoice, its items).
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "generate_values.h"
#include "json_writer.h"

namespace qelmar_tool {

// The database being written.
struct Plan {
  int64_t contractors, invoices, contracts, goods, users, groups;
  int keyAccounts;
  double keyShare;
  uint64_t seed;

  // Key accounts are every spacing()th contractor from the first.
  int64_t spacing() const { return contractors / keyAccounts; }
  bool IsKeyAccount(int64_t c) const { return c % spacing() == 0 && c / spacing() < keyAccounts; }
  Rng Random(Purpose purpose, int64_t record) const { return Rng(seed, purpose, static_cast<uint64_t>(record)); }
};

inline int32_t ContractorId(int64_t index) { return static_cast<int32_t>(index + 1); }
inline int32_t DocumentId(int64_t invoice) { return static_cast<int32_t>(invoice + 1); }
inline int32_t SettlementRef(int64_t invoice) { return static_cast<int32_t>(invoice + 10000001); }
inline int32_t GoodsId(int64_t goods) { return static_cast<int32_t>(goods + 1); }

// The sale date of invoice i: ten years, in order.
inline int64_t DayOf(const Plan& p, int64_t invoice) {
  return kFirstDay + invoice * kDays / std::max<int64_t>(1, p.invoices);
}

// The contractor that issues invoice i: a key account with the key share.
int64_t OwnerOf(const Plan& p, int64_t invoice);

// One invoice's items and totals, in ten-thousandths.
struct Item {
  std::string name;
  int64_t net, gross;
  int16_t vat;
};
struct Invoice {
  Item items[3];
  int64_t gross = 0, net = 0, vat = 0;
  int64_t bucket[4][3] = {};  // by VatRate::bucket: gross, net, VAT
};
Invoice InvoiceOf(const Plan& p, int64_t i);

// The section "tables": the records of every data file.
void WriteTables(JsonWriter& out, const Plan& p);

}  // namespace qelmar_tool
