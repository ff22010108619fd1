// The section "tables": users, goods, contractors, their discounts and
// settlement entries, invoices and standing contracts, one function a record.
#include <algorithm>
#include <vector>

#include "generate_plan.h"

namespace qelmar_tool {

int64_t OwnerOf(const Plan& p, int64_t invoice) {
  Rng rng = p.Random(Purpose::kOwner, invoice);
  if (rng.Chance(p.keyShare)) return rng.Below(p.keyAccounts) * p.spacing();
  for (;;) {
    const int64_t c = rng.Below(p.contractors);
    if (!p.IsKeyAccount(c)) return c;
  }
}

Invoice InvoiceOf(const Plan& p, int64_t i) {
  Rng rng = p.Random(Purpose::kInvoiceItems, i);
  Invoice invoice;
  for (Item& item : invoice.items) {
    const int64_t goods = rng.Below(p.goods);
    item.name = GoodsName(goods);
    item.vat = rng.Pick(kVatCodes);
    item.net = rng.Between(1, 50000) * 100;
    const VatRate rate = VatOf(item.vat);
    item.gross = item.net + (item.net * rate.percent / 100 + 50) / 100 * 100;
    invoice.bucket[rate.bucket][0] += item.gross;
    invoice.bucket[rate.bucket][1] += item.net;
    invoice.bucket[rate.bucket][2] += item.gross - item.net;
    invoice.gross += item.gross;
    invoice.net += item.net;
    invoice.vat += item.gross - item.net;
  }
  return invoice;
}

namespace {

// A list of count records in the table, one a line.
template <class Write>
void WriteTable(JsonWriter& out, const char* name, int64_t count, Write write) {
  out.Key(name).Array(JsonWriter::kLines);
  for (int64_t i = 0; i < count; ++i) write(i);
  out.End();
}

void WriteWarehouses(JsonWriter& out) {
  static const char* const kNames[] = {"Magazyn główny", "Hurtownia Łódź", "Sklep 'Pod Zegarem'"};
  out.Key("w3").Array();
  for (int w = 0; w < 3; ++w) out.Object().Field("number", w + 1).Field("name", kNames[w]).End();
  out.End();
}

void WriteUser(JsonWriter& out, const Plan& p, int64_t u) {
  Rng rng = p.Random(Purpose::kUser, u);
  out.Object().Field("state", rng.Below(3));
  out.Field("name", PersonName(rng, rng.Chance(0.5)).substr(0, 30));
  out.Field("id", u < 1000 ? Format("U%03lld", u) : Format("%04lld", u % 10000));
  out.Field("third", rng.Chance(0.5) ? "księgowa" : "magazynier 'nocny'").End();
}

void WriteGoods(JsonWriter& out, const Plan& p, int64_t g) {
  Rng rng = p.Random(Purpose::kGoods, g);
  const int64_t net = rng.Between(1, 50000) * 100;
  const int16_t vat = rng.Pick(kVatCodes);
  const std::string name = GoodsName(g);
  out.Object().Field("goodsId", GoodsId(g)).Field("name", name);
  out.Field("symbol", Format("T-%06lld", GoodsId(g))).Field("plu", Format("590%010lld", rng.Below(10000000000ll)));
  out.Field("unit", rng.Pick(kUnits)).Field("stock", rng.Between(-100, 100000) * 10).Field("vat", vat);
  out.Field("purchaseNet", net * 8 / 10).Field("net1", net).Field("net2", net * 9 / 10);
  out.Field("gross1", net + net * VatOf(vat).percent / 100);
  out.Field("supplierSymbol", rng.Chance(0.5) ? "DOST'01" : "HURT\\02").Field("shortName", name.substr(0, 30));
  out.Field("group", rng.Below(p.groups))
      .Field("pkwiu", Format("%02lld.%02lld.%02lld.0", rng.Between(10, 99), rng.Below(100), rng.Below(100)));
  out.Field("description", rng.Chance(0.5) ? "" : "Opis towaru: wymiary 10x20; 'gatunek I'; ą ę ł ó ś ż ź ć ń").End();
}

void WriteContractor(JsonWriter& out, const Plan& p, int64_t c) {
  Rng rng = p.Random(Purpose::kContractor, c);
  const int32_t id = ContractorId(c);
  const int64_t kind = rng.Below(10);  // 0-5 people (both orders), 6-9 firms
  std::string name = kind < 3 ? PersonName(rng, true) : kind < 6 ? PersonName(rng, false) : rng.Pick(kFirms);
  if (p.IsKeyAccount(c)) name = std::string(rng.Pick(kFirms)) + " S.A.";
  std::string tax;
  const int64_t taxKind = rng.Below(20);
  if (kind >= 6 || taxKind < 10)
    tax = Nip(rng);
  else if (taxKind < 17)
    tax = Pesel(rng);
  out.Object().Field("symbol", rng.Chance(0.9) ? Format("%05lld", id) : Format("K-%lld", id));
  out.Field("name", name).Field("address", Address(rng)).Field("taxNumber", tax);
  out.Field("account", Format("PL%02lld 1090 1014 0000 %04lld %08lld", rng.Between(10, 99), rng.Below(10000),
                              rng.Below(100000000)));
  out.Field("amount", rng.Chance(0.2) ? 0 : rng.Between(-500000, 5000000) * 100);
  out.Field("balance", rng.Between(-200000, 200000) * 100);
  out.Field("createdDate", DateOf(kFirstDay - 400 + rng.Below(4000)));
  out.Field("createdBy", rng.Chance(0.5) ? "Administrator" : PersonName(rng, false));
  out.Field("contractorId", id).End();
}

// A discount record: percentages and price levels in a few groups, sometimes
// an amount in the first.
void WriteDiscount(JsonWriter& out, const Plan& p, int64_t c) {
  Rng rng = p.Random(Purpose::kDiscount, c);
  out.Object().Field("contractorId", ContractorId(c));
  const int64_t count = rng.Between(1, 5);
  std::vector<int64_t> chosen;
  for (int64_t g = 0; g < count; ++g) chosen.push_back(rng.Below(p.groups));
  std::sort(chosen.begin(), chosen.end());
  chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
  out.Key("percent").Object();
  for (const int64_t g : chosen) out.Field(std::to_string(g), rng.Between(1, 30) * 500);
  out.End().Key("priceLevel").Object();
  for (const int64_t g : chosen) out.Field(std::to_string(g), rng.Below(3));
  out.End();
  if (rng.Chance(0.3))
    out.Key("amountDiscount").Object().Field(std::to_string(chosen[0]), rng.Between(1, 500) * 100).End();
  out.End();
}

// A slot of a settlement entry.
struct Slot {
  int16_t kind;
  int32_t reference;
  int64_t amount;
  int64_t day;  // the invoice's sale date
};

// The settlement entries of one contractor, from its invoices in date order:
// most are paid in one slot, some in two entries, some in part, some not at
// all; a few slots charge (kind 2) and a few entries are void.
void WriteSettlements(JsonWriter& out, const Plan& p, int64_t contractor, const std::vector<int64_t>& invoices) {
  Rng rng = p.Random(Purpose::kSettlements, contractor);
  std::vector<Slot> slots, later;
  for (const int64_t i : invoices) {
    const int64_t gross = InvoiceOf(p, i).gross;
    const int64_t day = DayOf(p, i);
    const int64_t roll = rng.Below(100);
    if (roll < 60) {
      slots.push_back(Slot{1, SettlementRef(i), gross, day});
    } else if (roll < 75) {
      const int64_t part = gross / 3 / 100 * 100;
      slots.push_back(Slot{1, SettlementRef(i), part, day});
      later.push_back(Slot{1, SettlementRef(i), gross - part, day + 30});
    } else if (roll < 85) {
      slots.push_back(Slot{1, SettlementRef(i), gross / 2 / 100 * 100, day});
    } else if (roll < 90) {
      slots.push_back(Slot{2, SettlementRef(i), gross, day});
    }
    // else: not paid at all.
  }
  slots.insert(slots.end(), later.begin(), later.end());
  // About five slots an entry, at most twelve; a contractor without invoices
  // still has one entry (an opening balance, paying nothing).
  const int64_t entries = std::max<int64_t>(1, static_cast<int64_t>((slots.size() + 4) / 5));
  std::size_t next = 0;
  for (int64_t e = 0; e < entries || next < slots.size(); ++e) {
    const std::size_t left = slots.size() - next;
    const std::size_t take = std::min<std::size_t>(
        e + 1 >= entries ? left : std::min<std::size_t>(left, static_cast<std::size_t>(rng.Between(1, 9))), 12);
    const bool active = !rng.Chance(0.03);
    out.Object().Field("owner", ContractorId(contractor)).Field("active", active ? 1 : 0);
    // Paid some days after the latest document it settles.
    int64_t day = kFirstDay - 30;
    for (std::size_t k = 0; k < take; ++k) day = std::max(day, slots[next + k].day);
    out.Field("date", DateOf(day + rng.Below(45)));
    const auto slotsOf = [&](const char* key, auto value) {
      out.Key(key).Array();
      for (std::size_t k = 0; k < take; ++k) out.Int(value(slots[next + k]));
      out.End();
    };
    slotsOf("slotKind", [](const Slot& slot) { return int64_t{slot.kind}; });
    slotsOf("slotAmount", [](const Slot& slot) { return slot.amount; });
    slotsOf("slotDocument", [](const Slot& slot) { return int64_t{slot.reference}; });
    out.End();
    next += take;
  }
}

// Settlement entries by contractor: its invoices found by counting.
void WriteSettlementTable(JsonWriter& out, const Plan& p) {
  std::vector<uint32_t> start(static_cast<std::size_t>(p.contractors) + 1, 0);
  std::vector<uint32_t> owner(static_cast<std::size_t>(p.invoices));
  for (int64_t i = 0; i < p.invoices; ++i) {
    owner[i] = static_cast<uint32_t>(OwnerOf(p, i));
    ++start[owner[i] + 1];
  }
  for (std::size_t c = 1; c < start.size(); ++c) start[c] += start[c - 1];
  std::vector<uint32_t> byOwner(owner.size());
  std::vector<uint32_t> fill(start.begin(), start.end() - 1);
  for (int64_t i = 0; i < p.invoices; ++i) byOwner[fill[owner[i]]++] = static_cast<uint32_t>(i);
  out.Key("k4_kar").Array(JsonWriter::kLines);
  std::vector<int64_t> invoices;
  for (int64_t c = 0; c < p.contractors; ++c) {
    invoices.assign(byOwner.begin() + start[c], byOwner.begin() + start[c + 1]);
    if (invoices.empty() && p.Random(Purpose::kIdleContractor, c).Chance(0.5)) continue;
    WriteSettlements(out, p, c, invoices);
  }
  out.End();
}

void WriteInvoice(JsonWriter& out, const Plan& p, int64_t i) {
  Rng rng = p.Random(Purpose::kInvoice, i);
  const Invoice invoice = InvoiceOf(p, i);
  const int64_t owner = OwnerOf(p, i);
  const int64_t day = DayOf(p, i);
  out.Object().Field("number", rng.Chance(0.02) ? "" : Format("FV/%lld/%lld", i + 1, 2015 + (day - kFirstDay) / 365));
  out.Field("number2", Format("PA/%lld", i + 1));
  out.Field("customerKey", Format("%05lld", ContractorId(owner)));
  out.Field("type", rng.Below(4));
  out.Field("saleDate", DateOf(day));
  out.Field("issueDate", DateOf(day + rng.Below(3)));
  out.Field("paymentTerm", rng.Pick(kPaymentTerms));
  out.Field("grossTotal", invoice.gross).Field("netTotal", invoice.net).Field("vatTotal", invoice.vat);
  out.Field("gross23", invoice.bucket[0][0]).Field("net23", invoice.bucket[0][1]).Field("vat23", invoice.bucket[0][2]);
  out.Field("gross8", invoice.bucket[1][0]).Field("net8", invoice.bucket[1][1]).Field("vat8", invoice.bucket[1][2]);
  out.Field("gross0", invoice.bucket[2][0]).Field("grossExempt", invoice.bucket[3][0]);
  out.Field("remarks", rng.Pick(kRemarks));
  out.Field("createdBy", Format("U%03lld", rng.Below(std::min<int64_t>(p.users, 1000))));
  out.Field("contractorId", ContractorId(owner));
  out.Field("settlementRef", SettlementRef(i));
  out.Field("documentId", DocumentId(i)).End();
}

void WriteContract(JsonWriter& out, const Plan& p, int64_t k) {
  Rng rng = p.Random(Purpose::kContract, k);
  const int64_t contractor = rng.Below(p.contractors);
  const int64_t day = kFirstDay + rng.Below(kDays);
  const int64_t method = rng.Between(1, 6);
  static constexpr int64_t kFlags[] = {0, 0, 32, 64, 128};
  const int64_t flags = rng.Pick(kFlags);
  out.Object().Field("state", rng.Below(3)).Field("kind", rng.Below(3));
  out.Field("frequency", rng.Between(1, 12))
      .Field("number", Format("UM/%lld/%lld", k + 1, 2015 + (day - kFirstDay) / 365));
  out.Field("contractorKey", Format("%05lld", ContractorId(contractor))).Field("description", rng.Pick(kDescriptions));
  out.Field("paymentWord", (method << 9) | flags).Field("paymentTerm", rng.Pick(kContractPaymentTerms));
  out.Field("startDate", DateOf(day))
      .Field("endDate", DateOf(day + 730))
      .Field("createdDate", DateOf(day - rng.Below(30)));
  out.Field("priceSelector", rng.Below(2)).Field("contractId", k + 1).End();
}

}  // namespace

void WriteTables(JsonWriter& out, const Plan& p) {
  out.Key("tables").Object(JsonWriter::kBlock);
  out.Key("Tspr_prop").Array().Object().Field("discountSwitch3", 1).End().End();
  WriteWarehouses(out);
  WriteTable(out, "h1", p.users, [&](int64_t u) { WriteUser(out, p, u); });
  WriteTable(out, "k9", p.goods, [&](int64_t g) { WriteGoods(out, p, g); });
  WriteTable(out, "k4", p.contractors, [&](int64_t c) { WriteContractor(out, p, c); });
  WriteTable(out, "k4_tab", p.contractors, [&](int64_t c) { WriteDiscount(out, p, c); });
  WriteSettlementTable(out, p);
  WriteTable(out, "Tspr", p.invoices, [&](int64_t i) { WriteInvoice(out, p, i); });
  WriteTable(out, "Umst", p.contracts, [&](int64_t k) { WriteContract(out, p, k); });
  out.End();
}

}  // namespace qelmar_tool
