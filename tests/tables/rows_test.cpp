// The row writers: invoices with their settlement walk and items, standing
// contracts with their items and payment kinds, goods, users, contractors.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fake_host.h"
#include "tables/documents.h"
#include "tables/row_writers.h"
#include "tables/settlements.h"

namespace dravenhol {
namespace {

using testing::Bytes;
using testing::FakeRun;
using testing::PutF64;
using testing::PutI16;
using testing::PutI32;
using testing::PutText;
using testing::ToMazovia;
using testing::ToUtf8;

// The line a row writer handed back, or "(none)".
std::string LineOf(const Row& row) { return row.line() == nullptr ? "(none)" : ToUtf8(row.line()); }

std::vector<std::string> Fields(const std::string& row) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t end; (end = row.find(';', start)) != std::string::npos; start = end + 1)
    fields.push_back(row.substr(start, end - start));
  fields.push_back(row.substr(start));
  return fields;
}

Bytes SettlementEntry(int32_t active, const std::string& date) {
  Bytes entry(767, 0);
  PutI32(entry, 763, active);
  PutText(entry, 336, date);
  return entry;
}

void SetSlot(Bytes& entry, int slot, int16_t kind, int32_t reference, double amount) {
  PutI16(entry, 588 + 2 * slot, kind);
  PutI32(entry, 711 + 4 * slot, reference);
  PutF64(entry, 612 + 8 * slot, amount);
}

// A sales document with every exported field set.
void SetInvoice(FakeRun& run) {
  Bytes& d = run.record(kTspr);
  PutText(d, 2, "FV/1/2026");
  PutText(d, 19, "PA/9");
  PutText(d, 36, "K001");
  PutI16(d, 219, 3);
  PutText(d, 221, "20261207");
  PutText(d, 230, "20261208");
  PutI16(d, 257, 14);
  const double amounts[] = {1234500, 1003700, 230800, 1234500, 1003700, 230800, 108000, 100000, 8000};
  for (int i = 0; i < 9; ++i) PutF64(d, 259 + 8 * i, amounts[i]);
  for (std::size_t offset : {331, 339, 347}) PutF64(d, offset, 999999);  // not exported
  PutF64(d, 355, 10000);
  PutF64(d, 363, -40);
  PutText(d, 436, ToMazovia("Uwagi 'pilne'; zapłacić"));
  PutText(d, 539, "ADMIN");
  PutI32(d, 1453, 4711);
  PutI32(d, 1461, 99);
  PutI32(d, 1465, 1001);
}

TEST(WriteInvoiceRow, FormatsTheDocumentWithItsPayments) {
  FakeRun run;
  SetInvoice(run);
  Bytes paying = SettlementEntry(1, "20261210");
  SetSlot(paying, 0, 1, 99, 5000);
  SetSlot(paying, 1, 2, 99, 7777);  // another kind of slot
  SetSlot(paying, 2, 1, 98, 7777);  // another document
  Bytes inactive = SettlementEntry(0, "20261211");
  SetSlot(inactive, 0, 1, 99, 100000);
  Bytes later = SettlementEntry(1, "20261215");
  SetSlot(later, 11, 1, 99, 2500);
  Bytes other = SettlementEntry(1, "20261220");
  SetSlot(other, 3, 1, 98, 2500);
  run.host.settlements = {paying, inactive, later, other};
  run.host.currentContractor = 77;

  EXPECT_EQ(LineOf(WriteInvoiceRow(run.rows, run.host.scratch)),
            "1001;'FV/1/2026';'K001';3;'2026-12-07';'2026-12-08';0.75;14;123.45;100.37;23.08;123.45;100.37;"
            "23.08;10.80;10.00;0.80;1.00;-0.00;'Uwagi \\'pilne\\'; zapłacić';'ADMIN';'2026-12-15';4711");
  EXPECT_EQ(run.host.contractorDuringWalk, 4711);
  EXPECT_EQ(run.host.currentContractor, 77);
  EXPECT_EQ(run.host.calls, (std::vector<std::string>{"HostSettlementSetup", "HostKeyInit", "HostCursorOpen",
                                                      "HostCursorClose", "HostCursorDestroy"}));
}

TEST(WriteInvoiceRow, FallsBackToTheSecondNumberAndShowsNothingPaid) {
  for (bool cursorFails : {false, true}) {
    FakeRun run;
    SetInvoice(run);
    PutText(run.record(kTspr), 2, "");
    PutText(run.record(kTspr), 221, "");
    PutText(run.record(kTspr), 436, "");  // no separator inside a field, for Fields()
    run.host.settlementCursorFails = cursorFails;
    const std::vector<std::string> fields = Fields(LineOf(WriteInvoiceRow(run.rows, run.host.scratch)));
    ASSERT_EQ(fields.size(), 23u);
    EXPECT_EQ(fields[1], "'PA/9'");
    EXPECT_EQ(fields[4], "");  // an empty date is an empty field
    EXPECT_EQ(fields[6], "0.00");
    EXPECT_EQ(fields[21], "");
    EXPECT_EQ(run.host.Count("HostCursorClose"), 1);
    EXPECT_EQ(run.host.Count("HostCursorDestroy"), 1);
  }
}

// The walk kept per contractor must give every invoice what a walk of its
// own gives, bit for bit, in any order of invoices and with contractors
// dropped from a small budget; and a kept contractor is walked only once.
TEST(SumDocumentPayments, KeptWalksGiveWhatAWalkOfEachInvoiceGives) {
  std::map<int32_t, std::vector<Bytes>> entries;
  for (int32_t contractor = 1; contractor <= 4; ++contractor) {
    for (int e = 0; e < 6 * contractor; ++e) {
      Bytes entry = SettlementEntry(e % 5 == 4 ? 0 : 1, "2026120" + std::to_string(e % 10));
      for (int slot = 0; slot < 12; ++slot) {
        // Amounts whose sum depends on the order of adding.
        const double amounts[] = {1e20, 1.0, -1e20, 0.1, 3.3e-5};
        SetSlot(entry, slot, int16_t(slot % 4 == 3 ? 2 : 1), (e * 7 + slot * 3) % 11,
                amounts[(e + slot) % 5] * contractor);
      }
      entries[contractor].push_back(entry);
    }
  }
  std::vector<std::pair<int32_t, int32_t>> invoices;  // contractor, reference
  for (int i = 0; i < 60; ++i) invoices.emplace_back(1 + (i * 3) % 5, (i * 13) % 12);

  struct Payment {
    double paid = 0.0;
    char date[kTextAreaSize] = {};
  };
  std::vector<Payment> expected(invoices.size());  // each from a run of its own
  for (std::size_t i = 0; i < invoices.size(); ++i) {
    FakeRun own;
    own.host.settlementsOf = entries;
    SumDocumentPayments(own.rows, invoices[i].second, invoices[i].first, &expected[i].paid, expected[i].date);
  }
  for (std::size_t budget : {SettlementCache::kDefaultBudget, std::size_t{600}, std::size_t{0}}) {
    FakeRun kept;
    kept.host.settlementsOf = entries;
    kept.caches.settlements.Keep(std::make_unique<SettlementCache>(budget));
    for (std::size_t i = 0; i < invoices.size(); ++i) {
      Payment payment;
      SumDocumentPayments(kept.rows, invoices[i].second, invoices[i].first, &payment.paid, payment.date);
      EXPECT_EQ(std::memcmp(&payment.paid, &expected[i].paid, sizeof payment.paid), 0) << budget << " " << i;
      EXPECT_STREQ(payment.date, expected[i].date) << budget << " " << i;
    }
    EXPECT_EQ(kept.host.currentContractor, 0);
    const int walks = kept.host.Count("HostCursorOpen");
    EXPECT_EQ(kept.host.Count("HostSettlementSetup"), walks);
    // Once per contractor; with no room for a contractor's results, once per invoice.
    EXPECT_EQ(walks, budget == SettlementCache::kDefaultBudget ? 5 : 60) << budget;
  }
}

Bytes InvoiceItem(const std::string& name, double priceA, double priceB, int16_t vat) {
  Bytes item(515, 0);
  PutText(item, 2, ToMazovia(name));
  PutF64(item, 150, priceA);
  PutF64(item, 192, priceB);
  PutI16(item, 166, vat);
  return item;
}

TEST(ExportDocumentItems, WritesTheInvoiceItemsWithThePriceOfTheDocumentType) {
  const struct {
    int16_t type;
    std::vector<std::string> rows;
  } cases[] = {
      {3, {"1001;'Młotek';15.00;23", "1001;'Śruba \\'M5\\'';0.06;8"}},  // odd type: price B
      {2, {"1001;'Młotek';12.30;23", "1001;'Śruba \\'M5\\'';0.05;8"}},  // even type: price A
  };
  for (const auto& c : cases) {
    FakeRun run;
    run.OpenOutputs();
    SetInvoice(run);
    PutI16(run.record(kTspr), 219, c.type);
    run.host.itemFiles[1001] = {InvoiceItem("Młotek", 123000, 150000, 33), InvoiceItem("Śruba 'M5'", 500, 600, 18)};
    EXPECT_EQ(ExportInvoiceItems(run.rows, run.secondary), 0);
    EXPECT_EQ(run.SecondaryLines(), c.rows);
    EXPECT_EQ(run.host.calls, (std::vector<std::string>{"HostKeyInit", "HostOpenItemFile", "HostReadItems",
                                                        "HostFreeItems", "HostCloseItemFile"}));
  }
}

TEST(ExportDocumentItems, HandlesMissingAndEmptyItemFiles) {
  {
    FakeRun run;  // no item file: the message, result 1
    run.OpenOutputs();
    SetInvoice(run);
    EXPECT_EQ(ExportInvoiceItems(run.rows, run.secondary), 1);
    ASSERT_EQ(run.host.messages.size(), 1u);
    EXPECT_EQ(ToUtf8(run.host.messages[0].title), "Błąd");
    EXPECT_EQ(run.host.messages[0].text, "Brak pliku dokumentu!");
    EXPECT_TRUE(run.SecondaryLines().empty());
  }
  {
    FakeRun run;  // no items: nothing read, the file still closed
    run.OpenOutputs();
    SetInvoice(run);
    run.host.itemFiles[1001] = {};
    EXPECT_EQ(ExportInvoiceItems(run.rows, run.secondary), 0);
    EXPECT_EQ(run.host.Count("HostReadItems"), 0);
    EXPECT_EQ(run.host.Count("HostCloseItemFile"), 1);
  }
  {
    FakeRun run;  // items that the host cannot deliver are reported, the file closed
    run.OpenOutputs("faktury.csv", "faktury_pozycje.csv");
    SetInvoice(run);
    run.host.itemFiles[1001] = {InvoiceItem("A", 1, 1, 0)};
    run.host.readItemsFails = true;
    EXPECT_EQ(ExportInvoiceItems(run.rows, run.secondary), 0);
    ASSERT_EQ(run.host.messages.size(), 1u);
    EXPECT_EQ(ToUtf8(run.host.messages[0].text),
              "Nie można odczytać pozycji dokumentu 1001 do pliku BAZA\\faktury_pozycje.csv!\nOperacja niekompletna!");
    EXPECT_EQ(run.host.Count("HostCloseItemFile"), 1);
  }
  for (auto exporter : {&ExportInvoiceItems, &ExportContractItems}) {
    FakeRun run;  // a document with id 0 has no items
    EXPECT_EQ(exporter(run.rows, run.secondary), 0);
    EXPECT_TRUE(run.host.calls.empty());
  }
}

void SetContract(FakeRun& run) {
  Bytes& c = run.record(kUmst);
  PutI16(c, 2, 2);
  PutI16(c, 4, 1);
  PutI16(c, 6, 3);
  PutText(c, 8, "U/7'1");
  PutText(c, 27, "K001");
  PutText(c, 210, "Abonament");
  PutI16(c, 311, 0x20);
  PutI16(c, 313, 7);
  PutText(c, 348, "20260101");
  PutText(c, 357, "20261231");
  PutText(c, 835, "20251215");
  PutI32(c, 854, 501);
}

TEST(WriteStandingContractRow, FormatsFourteenFieldsEndingInASeparator) {
  const struct {
    int16_t state, kind;
    bool datesEmpty;
    std::string row;
  } cases[] = {
      {2, 1, false, "501;1;1;3;U/7'1;'K001';'Abonament';1;7;1;'2026-01-01';'2026-12-31';'2025-12-15';"},
      {1, 0, false, "501;0;3;3;U/7'1;'K001';'Abonament';1;7;1;'2026-01-01';'2026-12-31';'2025-12-15';"},
      {3, 2, true, "501;0;3;3;U/7'1;'K001';'Abonament';1;7;1;;;;"},
  };
  for (const auto& c : cases) {
    FakeRun run;
    SetContract(run);
    PutI16(run.record(kUmst), 2, c.state);
    PutI16(run.record(kUmst), 4, c.kind);
    if (c.datesEmpty)
      for (std::size_t offset : {348, 357, 835}) PutText(run.record(kUmst), offset, "");
    EXPECT_EQ(LineOf(WriteStandingContractRow(run.rows, run.host.scratch)), c.row);
  }
}

TEST(ExportDocumentItems, WritesContractItemsAndMarksTheirGoods) {
  for (int16_t selector : {0, 1}) {
    FakeRun run;
    run.OpenOutputs();
    SetContract(run);
    PutI16(run.record(kUmst), 848, selector);
    ASSERT_TRUE(run.marks.Allocate());
    auto item = [](int16_t goods, const std::string& name) {
      Bytes record(422, 0);
      PutText(record, 2, ToMazovia(name));
      PutF64(record, 158, 10000);
      PutF64(record, 176, 20000);
      PutI16(record, 166, 33);
      PutI16(record, 418, goods);
      return record;
    };
    run.host.itemFiles[501] = {item(42, "Internet"), item(0, "Opłata"), item(-5, "X"), item(32767, "Y")};
    EXPECT_EQ(ExportContractItems(run.rows, run.secondary), 0);
    const std::string price = selector != 0 ? "2.00" : "1.00";
    EXPECT_EQ(run.SecondaryLines(),
              (std::vector<std::string>{
                  "501;'U/7\\'1';42;'Internet';" + price + ";23", "501;'U/7\\'1';0;'Opłata';" + price + ";23",
                  "501;'U/7\\'1';-5;'X';" + price + ";23", "501;'U/7\\'1';32767;'Y';" + price + ";23"}));
    EXPECT_EQ(run.block.tabIdentyf[42], 1);
    EXPECT_EQ(run.block.tabIdentyf[32767], 1);
    EXPECT_EQ(run.block.tabIdentyf[0], 0);
    EXPECT_EQ(run.host.Count("HostPrepareContractItem"), 4);
  }
}

TEST(PaymentKindOf, FollowsTheFirstRuleThatApplies) {
  constexpr uint16_t b5 = 1 << 5, b6 = 1 << 6, b7 = 1 << 7, b8 = 1 << 8;
  auto method = [](int m) { return static_cast<uint16_t>((m & 0x3F) << 9); };
  const struct {
    uint16_t word;
    int16_t kind;
  } cases[] = {
      {b5, 1},
      {static_cast<uint16_t>(b5 | method(3)), 3},
      {static_cast<uint16_t>(b5 | method(-1)), 3},
      {static_cast<uint16_t>(b5 | b6), 0},
      {static_cast<uint16_t>(b5 | b8), 0},
      {b6, 4},
      {static_cast<uint16_t>(b6 | 0x801F), 4},  // bits 0 to 4 and 15 are not read
      {static_cast<uint16_t>(b6 | b7), 0},
      {static_cast<uint16_t>(b6 | b8), 0},
      {static_cast<uint16_t>(b6 | method(1)), 0},
      {b7, 0},
      {b8, 0},
      {0, 0},
      {0x801F, 0},
  };
  testing::FakeHost host;
  for (const auto& c : cases) EXPECT_EQ(PaymentKindOf(c.word), c.kind) << "word 0x" << std::hex << c.word;
}

TEST(PaymentKindOf, NamesTheMethodThroughTheHost) {
  const struct {
    int method;
    const char* name;  // null: the host has none
    int16_t kind;
  } cases[] = {
      {2, "Przelew", 2},    {2, "", 0},        {2, nullptr, 0},   {4, "Kompensata", 5},
      {4, "kompensata", 5}, {5, "BARTER", 6},  {6, "Umowa", 7},   {6, "umowa ", 0},
      {7, "gotówka", 0},    {-32, "umowa", 7}, {-1, "Barter", 6},
  };
  for (const auto& c : cases) {
    testing::FakeHost host;
    if (c.name != nullptr) host.paymentMethods[c.method] = ToMazovia(c.name);
    EXPECT_EQ(PaymentKindOf(static_cast<uint16_t>((c.method & 0x3F) << 9)), c.kind) << "method " << c.method;
  }
}

TEST(WriteGoodsRow, FormatsNineteenFieldsWithTheWarehouse) {
  FakeRun run;
  Bytes& g = run.record(kK9);
  PutText(g, 2, ToMazovia("Młotek"));
  PutText(g, 123, "MLT");
  PutText(g, 140, "123");
  PutText(g, 157, "szt");
  PutI32(g, 175, 1500);
  PutI16(g, 227, 33);
  PutF64(g, 231, 100000);
  PutF64(g, 247, 150000);
  PutF64(g, 255, 140000);
  PutF64(g, 327, 184500);
  PutText(g, 457, "DOST'A");
  PutText(g, 483, ToMazovia("Mł."));
  PutI32(g, 524, 7);
  PutText(g, 528, "25.73");
  PutI16(g, 1022, 42);
  run.host.warehouse = 2;
  run.host.groupNames[7] = ToMazovia("Narzędzia");
  EXPECT_EQ(LineOf(WriteGoodsRow(run.rows, run.host.scratch)),
            "42;2;'Młotek';'MLT';'123';1.500;10.00;18.45;15.00;14.00;23;'szt';'DOST\\'A';'Mł.';'Narzędzia';'25.73';;;");

  PutI32(g, 175, -250);
  PutI32(g, 524, 8);  // a group without a name
  const std::vector<std::string> fields = Fields(LineOf(WriteGoodsRow(run.rows, run.host.scratch)));
  ASSERT_EQ(fields.size(), 19u);
  EXPECT_EQ(fields[5], "-0.250");
  EXPECT_EQ(fields[14], "");
}

TEST(WriteUserRow, SplitsTheNameAndEndsInASeparator) {
  const struct {
    int16_t state;
    std::string name, row;
  } cases[] = {
      {1, "Jan Kowalski", "'JK';'Jan';'Kowalski';'Jan Kowalski';1;"},
      {1, "Kowalski Jan", "'JK';'Jan';'Kowalski';'Kowalski Jan';1;"},
      {2, "Jan O'Neil", "'JK';'Jan';'O'Neil';'Jan O\\'Neil';0;"},
      {0, "Kowalski", "'JK';;'Kowalski';'Kowalski';0;"},
      {1, "", "'JK';;;;1;"},
  };
  for (const auto& c : cases) {
    FakeRun run;
    run.host.firstNamesFile = "JAN\n";
    PutI16(run.record(kH1), 2, c.state);
    PutText(run.record(kH1), 4, c.name);
    PutText(run.record(kH1), 35, "JK");
    EXPECT_EQ(LineOf(WriteUserRow(run.rows, run.host.scratch)), c.row);
  }
}

void SetContractor(FakeRun& run, const std::string& taxNumber) {
  Bytes& k = run.record(kK4);
  PutText(k, 2, "K001");
  PutText(k, 19, "Kowalski Jan");
  PutText(k, 120, ToMazovia("ul. Długa 5/7 00-950 Warszawa"));
  PutText(k, 176, taxNumber);
  PutText(k, 239, "PL61 1090");
  PutF64(k, 359, 12345);
  PutText(k, 949, "20261207");
  PutText(k, 958, "ADMIN");
  PutI32(k, 1532, 4711);
  run.host.firstNamesFile = "JAN\n";
}

TEST(FormatContractorRow, CombinesRecordAttributesAddressAndName) {
  FakeRun run;
  SetContractor(run, "123-456-32-18");
  run.host.attributes[{4711, "e-mail"}] = {0, 0, "jan@x.pl"};
  run.host.attributes[{4711, "Dow.Os."}] = {0, 0, "ABC123"};
  run.host.attributes[{4711, "tel."}] = {5, 0, "600 100 200"};
  run.host.attributes[{4711, "Umowa"}] = {0, 3, "\\\\srv\\umowy\\4711.pdf"};
  run.host.attributes[{4711, "Pesel"}] = {0, 0, "44051401358"};
  EXPECT_EQ(LineOf(FormatContractorRow(run.rows, run.host.scratch)),
            "'K001';'JAN';'Kowalski';'44051401358';'123-456-32-18';;'ABC123';'600 100 200';;'jan@x.pl';"
            "'Warszawa';'ul. Długa';'5';'7';'00-950';'Warszawa';'ul. Długa';'5';'7';'00-950';'PL61 1090';1.23;"
            "'\\\\srv\\umowy\\4711.pdf';1;'2026-12-07';'ADMIN';4711");
}

TEST(FormatContractorRow, PutsTheTaxNumberInNipOrPesel) {
  const struct {
    std::string taxNumber, peselAttribute, pesel, nip;
  } cases[] = {
      {"123-456-32-18", "", "", "'123-456-32-18'"},
      {"123-456-32-18", "44051401358", "'44051401358'", "'123-456-32-18'"},
      {"1234563219", "", "'1234563219'", ""},
      {"1234563219", "44051401358", "'44051401358'", ""},  // the attribute wins, the number is not written
      {"44051401359", "", "'44051401359'", ""},            // a PESEL in the tax-number field
      {"1234567890", "", "", "'1234567890'"},
      {"", "", "", ""},
  };
  for (const auto& c : cases) {
    FakeRun run;
    SetContractor(run, c.taxNumber);
    if (!c.peselAttribute.empty()) run.host.attributes[{4711, "Pesel"}] = {0, 0, c.peselAttribute};
    const std::vector<std::string> fields = Fields(LineOf(FormatContractorRow(run.rows, run.host.scratch)));
    ASSERT_EQ(fields.size(), 27u);
    EXPECT_EQ(fields[3], c.pesel) << c.taxNumber;
    EXPECT_EQ(fields[4], c.nip) << c.taxNumber;
  }
}

TEST(FormatContractorRow, TakesAttributesOnlyOfTheirKind) {
  FakeRun run;
  SetContractor(run, "");
  run.host.attributes[{4711, "Umowa"}] = {0, 0, "umowa.pdf"};  // a plain text, not a link
  run.host.attributes[{4711, "e-mail"}] = {0, 3, "jan@x.pl"};  // a link, not a text
  run.host.attributes[{4711, "tel."}] = {-1, 0, "600"};        // the host has none
  run.host.attributes[{4711, "Dow.Os."}] = {0, 0, ""};
  run.host.attributes[{4711, "Pesel"}] = {0, 3, "44051401358"};
  PutText(run.record(kK4), 949, "");
  PutF64(run.record(kK4), 359, -50000);
  PutText(run.record(kK4), 19, "O'Brien");
  const std::vector<std::string> fields = Fields(LineOf(FormatContractorRow(run.rows, run.host.scratch)));
  ASSERT_EQ(fields.size(), 27u);
  for (int column : {3, 5, 6, 7, 8, 9, 22, 24}) EXPECT_EQ(fields[column], "") << "column " << column + 1;
  EXPECT_EQ(fields[1], "");
  EXPECT_EQ(fields[2], "'O\\'Brien'");
  EXPECT_EQ(fields[21], "-5.00");
  EXPECT_EQ(fields[23], "1");
}

TEST(RowWriters, ARowLongerThanTheBufferIsReportedNotWritten) {
  FakeRun run;
  run.OpenOutputs("kontrahenci.csv");
  SetContractor(run, "");
  // Texts without terminators run to the end of the record: far more than 5001 characters quoted.
  std::fill(run.record(kK4).begin() + 2, run.record(kK4).begin() + 1500, '\'');
  const Row row = FormatContractorRow(run.rows, run.host.scratch);
  EXPECT_EQ(row.line(), nullptr);
  run.output.Put(Side::kPrimary, row);
  ASSERT_EQ(run.host.messages.size(), 1u);
  EXPECT_EQ(ToUtf8(run.host.messages[0].text),
            "Wiersz rekordu 4711 nie mieści się w pliku BAZA\\kontrahenci.csv i nie został zapisany!\n"
            "Operacja niekompletna!");
}

}  // namespace
}  // namespace dravenhol
