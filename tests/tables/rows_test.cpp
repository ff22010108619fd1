// The row writers: invoices with their settlement walk and items, standing
// contracts with their items and payment kinds, goods, users, contractors.
#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "qelmar_host.h"
#include "tables/documents.h"
#include "tables/row_writers.h"
#include "tables/settlements.h"

namespace dravenhol {
namespace {

using testing::Json;
using testing::QelmarHost;
using testing::QelmarRun;
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

// A settlement entry of the contractor `owner`, which index 53 yields while
// that contractor is the host's current one.
// A database with the first-names list "JAN" in its base directory.
Json WithFirstNames(Json database = Json::object()) {
  database["files"]["imiona.txt"] = "JAN\n";
  return database;
}

Json SettlementEntry(int32_t owner, int32_t active, const std::string& date) {
  return {{"owner", owner}, {"active", active}, {"date", date}};
}

void SetSlot(Json& entry, int slot, int16_t kind, int32_t reference, double amount) {
  const std::string at = std::to_string(slot);
  entry["slotKind"][at] = kind;
  entry["slotDocument"][at] = reference;
  entry["slotAmount"][at] = amount;
}

// A sales document with every exported field set.
Json Invoice() {
  return {
      {"number", "FV/1/2026"},  {"number2", "PA/9"},
      {"customerKey", "K001"},  {"type", 3},
      {"saleDate", "20261207"}, {"issueDate", "20261208"},
      {"paymentTerm", 14},      {"grossTotal", 1234500},
      {"netTotal", 1003700},    {"vatTotal", 230800},
      {"gross23", 1234500},     {"net23", 1003700},
      {"vat23", 230800},        {"gross8", 108000},
      {"net8", 100000},         {"vat8", 8000},
      {"other1", 999999},       {"other2", 999999},  // the three others are not exported
      {"other3", 999999},       {"gross0", 10000},
      {"grossExempt", -40},     {"remarks", "Uwagi 'pilne'; zapłacić"},
      {"createdBy", "ADMIN"},   {"contractorId", 4711},
      {"settlementRef", 99},    {"documentId", 1001},
  };
}

TEST(WriteInvoiceRow, FormatsTheDocumentWithItsPayments) {
  Json paying = SettlementEntry(4711, 1, "20261210");
  SetSlot(paying, 0, 1, 99, 5000);
  SetSlot(paying, 1, 2, 99, 7777);  // another kind of slot
  SetSlot(paying, 2, 1, 98, 7777);  // another document
  Json inactive = SettlementEntry(4711, 0, "20261211");
  SetSlot(inactive, 0, 1, 99, 100000);
  Json later = SettlementEntry(4711, 1, "20261215");
  SetSlot(later, 11, 1, 99, 2500);
  Json other = SettlementEntry(4711, 1, "20261220");
  SetSlot(other, 3, 1, 98, 2500);
  Json elsewhere = SettlementEntry(77, 1, "20261230");  // the current contractor's own entry
  SetSlot(elsewhere, 0, 1, 99, 100000);
  QelmarRun run(Json{{"host", {{"currentContractor", 77}}},
                     {"tables", {{"k4_kar", Json::array({paying, inactive, later, other, elsewhere})}}}});
  run.Place(kTspr, Invoice());

  EXPECT_EQ(LineOf(WriteInvoiceRow(run.rows, QelmarHost::Scratch())),
            "1001;'FV/1/2026';'K001';3;'2026-12-07';'2026-12-08';0.75;14;123.45;100.37;23.08;123.45;100.37;"
            "23.08;10.80;10.00;0.80;1.00;-0.00;'Uwagi \\'pilne\\'; zapłacić';'ADMIN';'2026-12-15';4711");
  EXPECT_EQ(run.host.contractorDuringWalk, 4711);
  EXPECT_EQ(QelmarHost::Counter("currentContractor"), 77);
  EXPECT_EQ(run.host.calls, (std::vector<std::string>{"HostSettlementSetup", "HostKeyInit", "HostCursorOpen",
                                                      "HostCursorClose", "HostCursorDestroy"}));
}

TEST(WriteInvoiceRow, FallsBackToTheSecondNumberAndShowsNothingPaid) {
  for (bool cursorFails : {false, true}) {
    // The settlement cursor fails to open where the host has no settlement data file.
    QelmarRun run(cursorFails ? Json{{"host", {{"recordLengths", {{"k4_kar", "absent"}}}}}} : Json::object());
    Json invoice = Invoice();
    invoice["number"] = "";
    invoice["saleDate"] = "";
    invoice["remarks"] = "";  // no separator inside a field, for Fields()
    run.Place(kTspr, invoice);
    const std::vector<std::string> fields = Fields(LineOf(WriteInvoiceRow(run.rows, QelmarHost::Scratch())));
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
  Json entries = Json::array();
  for (int32_t contractor = 1; contractor <= 4; ++contractor) {
    for (int e = 0; e < 6 * contractor; ++e) {
      Json entry = SettlementEntry(contractor, e % 5 == 4 ? 0 : 1, "2026120" + std::to_string(e % 10));
      for (int slot = 0; slot < 12; ++slot) {
        // Amounts whose sum depends on the order of adding.
        const double amounts[] = {1e20, 1.0, -1e20, 0.1, 3.3e-5};
        SetSlot(entry, slot, int16_t(slot % 4 == 3 ? 2 : 1), (e * 7 + slot * 3) % 11,
                amounts[(e + slot) % 5] * contractor);
      }
      entries.push_back(entry);
    }
  }
  const Json database = {{"tables", {{"k4_kar", entries}}}};
  std::vector<std::pair<int32_t, int32_t>> invoices;  // contractor, reference
  invoices.reserve(60);
  for (int i = 0; i < 60; ++i) invoices.emplace_back(1 + (i * 3) % 5, (i * 13) % 12);

  struct Payment {
    double paid = 0.0;
    char date[kTextAreaSize] = {};
  };
  std::vector<Payment> expected(invoices.size());  // each from a run of its own
  for (std::size_t i = 0; i < invoices.size(); ++i) {
    QelmarRun own(database);
    SumDocumentPayments(own.rows, invoices[i].second, invoices[i].first, &expected[i].paid, expected[i].date);
  }
  for (std::size_t budget : {SettlementCache::kDefaultBudget, std::size_t{600}, std::size_t{0}}) {
    QelmarRun kept(database);
    kept.caches.settlements.Keep(std::make_unique<SettlementCache>(budget));
    for (std::size_t i = 0; i < invoices.size(); ++i) {
      Payment payment;
      SumDocumentPayments(kept.rows, invoices[i].second, invoices[i].first, &payment.paid, payment.date);
      EXPECT_EQ(std::bit_cast<uint64_t>(payment.paid), std::bit_cast<uint64_t>(expected[i].paid)) << budget << " " << i;
      EXPECT_STREQ(payment.date, expected[i].date) << budget << " " << i;
    }
    EXPECT_EQ(QelmarHost::Counter("currentContractor"), 0);
    const int walks = kept.host.Count("HostCursorOpen");
    EXPECT_EQ(kept.host.Count("HostSettlementSetup"), walks);
    // Once per contractor; with no room for a contractor's results, once per invoice.
    EXPECT_EQ(walks, budget == SettlementCache::kDefaultBudget ? 5 : 60) << budget;
  }
}

Json InvoiceItem(const std::string& name, double priceA, double priceB, int16_t vat) {
  return {{"name", name}, {"priceA", priceA}, {"priceB", priceB}, {"vat", vat}};
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
    QelmarRun run(Json{{"invoiceItems",
                        {{"1001", Json::array({InvoiceItem("Młotek", 123000, 150000, 33),
                                               InvoiceItem("Śruba 'M5'", 500, 600, 18)})}}}});
    run.OpenOutputs();
    Json invoice = Invoice();
    invoice["type"] = c.type;
    run.Place(kTspr, invoice);
    EXPECT_EQ(ExportInvoiceItems(run.rows, run.secondary), 0);
    EXPECT_EQ(run.SecondaryLines(), c.rows);
    EXPECT_EQ(run.host.calls, (std::vector<std::string>{"HostKeyInit", "HostOpenItemFile", "HostReadItems",
                                                        "HostFreeItems", "HostCloseItemFile"}));
  }
}

TEST(ExportDocumentItems, HandlesMissingAndEmptyItemFiles) {
  {
    QelmarRun run(
        Json{{"host",
              {{"failures",
                {{"missingItemFile", {{"invoices", Json::array({1001})}}}}}}}});  // no item file: the message, result 1
    run.OpenOutputs();
    run.Place(kTspr, Invoice());
    EXPECT_EQ(ExportInvoiceItems(run.rows, run.secondary), 1);
    ASSERT_EQ(run.host.messages.size(), 1u);
    EXPECT_EQ(ToUtf8(run.host.messages[0].title), "Błąd");
    EXPECT_EQ(run.host.messages[0].text, "Brak pliku dokumentu!");
    EXPECT_TRUE(run.SecondaryLines().empty());
  }
  {
    QelmarRun run;  // no items: nothing read, the file still closed
    run.OpenOutputs();
    run.Place(kTspr, Invoice());
    EXPECT_EQ(ExportInvoiceItems(run.rows, run.secondary), 0);
    EXPECT_EQ(run.host.Count("HostReadItems"), 0);
    EXPECT_EQ(run.host.Count("HostCloseItemFile"), 1);
  }
  {
    // Items that the host cannot deliver are reported, the file closed.
    QelmarRun run(Json{{"host", {{"failures", {{"itemRead", true}}}}},
                       {"invoiceItems", {{"1001", Json::array({InvoiceItem("A", 1, 1, 0)})}}}});
    run.OpenOutputs("faktury.csv", "faktury_pozycje.csv");
    run.Place(kTspr, Invoice());
    EXPECT_EQ(ExportInvoiceItems(run.rows, run.secondary), 0);
    ASSERT_EQ(run.host.messages.size(), 1u);
    EXPECT_EQ(ToUtf8(run.host.messages[0].text),
              "Nie można odczytać pozycji dokumentu 1001 do pliku BAZA\\faktury_pozycje.csv!\nOperacja niekompletna!");
    EXPECT_EQ(run.host.Count("HostCloseItemFile"), 1);
  }
  for (auto exporter : {&ExportInvoiceItems, &ExportContractItems}) {
    QelmarRun run;  // a document with id 0 has no items
    EXPECT_EQ(exporter(run.rows, run.secondary), 0);
    EXPECT_TRUE(run.host.calls.empty());
  }
}

Json Contract() {
  return {{"state", 2},
          {"kind", 1},
          {"frequency", 3},
          {"number", "U/7'1"},
          {"contractorKey", "K001"},
          {"description", "Abonament"},
          {"paymentWord", 0x20},
          {"paymentTerm", 7},
          {"startDate", "20260101"},
          {"endDate", "20261231"},
          {"createdDate", "20251215"},
          {"contractId", 501}};
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
    QelmarRun run;
    Json contract = Contract();
    contract["state"] = c.state;
    contract["kind"] = c.kind;
    if (c.datesEmpty)
      for (const char* date : {"startDate", "endDate", "createdDate"}) contract[date] = "";
    run.Place(kUmst, contract);
    EXPECT_EQ(LineOf(WriteStandingContractRow(run.rows, QelmarHost::Scratch())), c.row);
  }
}

TEST(ExportDocumentItems, WritesContractItemsAndMarksTheirGoods) {
  for (int16_t selector : {0, 1}) {
    auto item = [](int16_t goods, const std::string& name) {
      return Json{{"name", name}, {"priceA", 10000}, {"priceB", 20000}, {"vat", 33}, {"goodsId", goods}};
    };
    QelmarRun run(
        Json{{"contractItems",
              {{"501", Json::array({item(42, "Internet"), item(0, "Opłata"), item(-5, "X"), item(32767, "Y")})}}}});
    run.OpenOutputs();
    Json contract = Contract();
    contract["priceSelector"] = selector;
    run.Place(kUmst, contract);
    ASSERT_TRUE(run.marks.Allocate());
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
  QelmarHost host;
  for (const auto& c : cases) EXPECT_EQ(PaymentKindOf(c.word), c.kind) << "word 0x" << std::hex << c.word;
}

TEST(PaymentKindOf, NamesTheMethodThroughTheHost) {
  const struct {
    const char* name;  // null: the host has none (its name is empty)
    int method;
    int16_t kind;
  } cases[] = {
      {"Przelew", 2, 2},    {"", 2, 0},        {nullptr, 2, 0},   {"Kompensata", 4, 5},
      {"kompensata", 4, 5}, {"BARTER", 5, 6},  {"Umowa", 6, 7},   {"umowa ", 6, 0},
      {"gotówka", 7, 0},    {"umowa", -32, 7}, {"Barter", -1, 6},
  };
  for (const auto& c : cases) {
    QelmarHost host(c.name != nullptr ? Json{{"paymentMethods", {{std::to_string(c.method), c.name}}}}
                                      : Json::object());
    EXPECT_EQ(PaymentKindOf(static_cast<uint16_t>((c.method & 0x3F) << 9)), c.kind) << "method " << c.method;
  }
}

TEST(WriteGoodsRow, FormatsNineteenFieldsWithTheWarehouse) {
  QelmarRun run(Json{{"host", {{"currentWarehouse", 2}}}, {"groups", {{"7", "Narzędzia"}}}});
  Json goods = {{"name", "Młotek"},
                {"symbol", "MLT"},
                {"plu", "123"},
                {"unit", "szt"},
                {"stock", 1500},
                {"vat", 33},
                {"purchaseNet", 100000},
                {"net1", 150000},
                {"net2", 140000},
                {"gross1", 184500},
                {"supplierSymbol", "DOST'A"},
                {"shortName", "Mł."},
                {"group", 7},
                {"pkwiu", "25.73"},
                {"goodsId", 42}};
  run.Place(kK9, goods);
  EXPECT_EQ(LineOf(WriteGoodsRow(run.rows, QelmarHost::Scratch())),
            "42;2;'Młotek';'MLT';'123';1.500;10.00;18.45;15.00;14.00;23;'szt';'DOST\\'A';'Mł.';'Narzędzia';'25.73';;;");

  goods["stock"] = -250;
  goods["group"] = 8;  // a group without a name
  run.Place(kK9, goods);
  const std::vector<std::string> fields = Fields(LineOf(WriteGoodsRow(run.rows, QelmarHost::Scratch())));
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
    QelmarRun run(WithFirstNames());
    run.Place(kH1, {{"state", c.state}, {"name", c.name}, {"id", "JK"}});
    EXPECT_EQ(LineOf(WriteUserRow(run.rows, QelmarHost::Scratch())), c.row);
  }
}

Json Contractor(const std::string& taxNumber) {
  return {{"symbol", "K001"},          {"name", "Kowalski Jan"}, {"address", "ul. Długa 5/7 00-950 Warszawa"},
          {"taxNumber", taxNumber},    {"account", "PL61 1090"}, {"balance", 12345},
          {"createdDate", "20261207"}, {"createdBy", "ADMIN"},   {"contractorId", 4711}};
}

// An attribute of contractor 4711.
Json Attribute(const char* name, int16_t kind, const std::string& value) {
  return {{"contractor", 4711}, {"name", name}, {"kind", kind}, {"value", value}};
}

TEST(FormatContractorRow, CombinesRecordAttributesAddressAndName) {
  QelmarRun run(WithFirstNames(
      {{"attributes",
        {Attribute("e-mail", 0, "jan@x.pl"), Attribute("Dow.Os.", 0, "ABC123"), Attribute("tel.", 0, "600 100 200"),
         Attribute("Umowa", 3, "\\\\srv\\umowy\\4711.pdf"), Attribute("Pesel", 0, "44051401358")}}}));
  run.Place(kK4, Contractor("123-456-32-18"));
  EXPECT_EQ(LineOf(FormatContractorRow(run.rows, QelmarHost::Scratch())),
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
    QelmarRun run(WithFirstNames(c.peselAttribute.empty()
                                     ? Json::object()
                                     : Json{{"attributes", Json::array({Attribute("Pesel", 0, c.peselAttribute)})}}));
    run.Place(kK4, Contractor(c.taxNumber));
    const std::vector<std::string> fields = Fields(LineOf(FormatContractorRow(run.rows, QelmarHost::Scratch())));
    ASSERT_EQ(fields.size(), 27u);
    EXPECT_EQ(fields[3], c.pesel) << c.taxNumber;
    EXPECT_EQ(fields[4], c.nip) << c.taxNumber;
  }
}

TEST(FormatContractorRow, TakesAttributesOnlyOfTheirKind) {
  // The host has no "tel." attribute for the contractor.
  QelmarRun run(WithFirstNames({{"attributes",
                                 {Attribute("Umowa", 0, "umowa.pdf"),  // a plain text, not a link
                                  Attribute("e-mail", 3, "jan@x.pl"),  // a link, not a text
                                  Attribute("Dow.Os.", 0, ""), Attribute("Pesel", 3, "44051401358")}}}));
  Json contractor = Contractor("");
  contractor["createdDate"] = "";
  contractor["balance"] = -50000;
  contractor["name"] = "O'Brien";
  run.Place(kK4, contractor);
  const std::vector<std::string> fields = Fields(LineOf(FormatContractorRow(run.rows, QelmarHost::Scratch())));
  ASSERT_EQ(fields.size(), 27u);
  for (int column : {3, 5, 6, 7, 8, 9, 22, 24}) EXPECT_EQ(fields[column], "") << "column " << column + 1;
  EXPECT_EQ(fields[1], "");
  EXPECT_EQ(fields[2], "'O\\'Brien'");
  EXPECT_EQ(fields[21], "-5.00");
  EXPECT_EQ(fields[23], "1");
}

TEST(RowWriters, ARowLongerThanTheBufferIsReportedNotWritten) {
  QelmarRun run(WithFirstNames());
  run.OpenOutputs("kontrahenci.csv");
  // Texts without terminators run to the end of the record: far more than
  // 5001 characters quoted. The apostrophes are written from the first
  // field on across the others.
  Json contractor = Contractor("");
  contractor[testing::FromField(kK4, "symbol")] = std::string(1498, '\'');
  run.Place(kK4, contractor);
  const Row row = FormatContractorRow(run.rows, QelmarHost::Scratch());
  EXPECT_EQ(row.line(), nullptr);
  run.output.Put(Side::kPrimary, row);
  ASSERT_EQ(run.host.messages.size(), 1u);
  EXPECT_EQ(ToUtf8(run.host.messages[0].text),
            "Wiersz rekordu 4711 nie mieści się w pliku BAZA\\kontrahenci.csv i nie został zapisany!\n"
            "Operacja niekompletna!");
}

}  // namespace
}  // namespace dravenhol
