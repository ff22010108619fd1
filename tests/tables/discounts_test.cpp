// Contractor discounts: entry emptiness, row text, the one read per run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qelmar_host.h"
#include "tables/discounts.h"
#include "tables/row_writers.h"

namespace dravenhol {
namespace {

using testing::Json;
using testing::QelmarHost;
using testing::QelmarRun;
using testing::ToUtf8;

Json DiscountRecord(int32_t owner) { return {{"contractorId", owner}}; }

void SetEntry(Json& record, int group, int32_t percent, int16_t level, double amount) {
  const std::string at = std::to_string(group);
  record["percent"][at] = percent;
  record["priceLevel"][at] = level;
  record["amountDiscount"][at] = amount;
}

// A database with the discount data file's records, the discount switch on
// (the third) and the host's other data.
Json Database(const Json& records, const Json& more = Json::object()) {
  Json database = more;
  database["tables"]["Tspr_prop"] = Json::array({{{"discountSwitch3", 1}}});
  database["tables"]["k4_tab"] = records;
  return database;
}

Json Contractor(int32_t id, const std::string& symbol, const std::string& taxNumber) {
  return {{"symbol", symbol}, {"taxNumber", taxNumber}, {"contractorId", id}};
}

void SetContractor(QelmarRun& run, int32_t id, const std::string& symbol, const std::string& taxNumber) {
  run.Place(kK4, Contractor(id, symbol, taxNumber));
}

struct DiscountRun : QelmarRun {
  explicit DiscountRun(const Json& database) : QelmarRun(database) { OpenOutputs("kontrah_rabaty.csv"); }
};

// The calls of the discount data file: its opens and record reads.
int64_t DiscountFileOpens() { return QelmarHost::Counter("calls.HostOpenItemFile"); }
int64_t DiscountRecordReads() { return QelmarHost::Counter("calls.HostReadItemRecord"); }

TEST(DiscountEntry, IsEmptyOnlyWithoutPercentPriceLevelAndAmount) {
  const struct {
    DiscountEntry entry;
    bool empty;
  } cases[] = {
      {{0, 0, 0, 0.0}, true},       {{12500, 0, 0, 0.0}, false}, {{0, 0, 2, 0.0}, false},
      {{0, 0, -1, 0.0}, false},     {{0, 0, 0, 1.0}, false},     {{0, 0, 0, 0.000001}, true},
      {{0, 0, 0, -0.000001}, true}, {{0, 0, 0, 0.00001}, false},  // the bounds themselves are not "strictly between"
      {{0, 0, 0, -0.00001}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsEmptyDiscount(c.entry), c.empty) << "amount " << c.entry.amount;
}

TEST(EksportujRabaty, WritesOneRowPerNonEmptyGroupOfTheFirstRecord) {
  Json unowned = DiscountRecord(0);
  SetEntry(unowned, 0, 1000, 0, 0);
  Json first = DiscountRecord(4711);
  SetEntry(first, 0, 12500, 0, 0);
  SetEntry(first, 1, 0, 2, 0);
  SetEntry(first, 2, 0, 0, 1);         // 0.0001 prints as 0.00 but is not empty
  SetEntry(first, 3, 0, 0, 0.000001);  // empty
  SetEntry(first, 4, 0, 0, -0.00001);
  SetEntry(first, 5, 0, -1, 0);
  SetEntry(first, 449, 5000, 1, 25000);
  Json second = DiscountRecord(4711);  // a later record of the same contractor is not used
  SetEntry(second, 10, 99000, 0, 0);
  DiscountRun run(Database(Json::array({unowned, first, second}), {{"groups", {{"0", "Narzędzia"}, {"1", "Gr;1"}}}}));
  SetContractor(run, 4711, "K001", "123-456-32-18");

  EXPECT_EQ(EksportujRabaty(run.rows, run.primary), 0);
  const std::vector<std::string> expected = {
      "4711;'K001';'123-456-32-18';Narzędzia;0;12.50;0.00;1;",
      "4711;'K001';'123-456-32-18';Gr;1;1;0.00;0.00;3;",
      "4711;'K001';'123-456-32-18';brak grupy;2;0.00;0.00;1;",
      "4711;'K001';'123-456-32-18';brak grupy;4;0.00;-0.00;1;",
      "4711;'K001';'123-456-32-18';brak grupy;5;0.00;0.00;0;",
      "4711;'K001';'123-456-32-18';brak grupy;449;5.00;2.50;2;",
  };
  EXPECT_EQ(run.PrimaryLines(), expected);
  EXPECT_TRUE(run.host.messages.empty());
}

TEST(EksportujRabaty, ChoosesTheTaxColumnLikeTheContractorRow) {
  const struct {
    std::string taxNumber;
    std::string pesel;  // the "Pesel" attribute, kind 0; empty: none
    std::string column;
  } cases[] = {
      {"123-456-32-18", "44051401358", "'123-456-32-18'"},  // a valid NIP wins over the attribute
      {"1234563219", "44051401358", "'44051401358'"},       // otherwise the attribute
      {"1234563219", "", "'1234563219'"},                   // otherwise the tax number
      {"", "", ""},
  };
  for (const auto& c : cases) {
    Json record = DiscountRecord(815);
    SetEntry(record, 3, 2000, 0, 0);
    Json attributes =
        Json::array({{{"contractor", 815}, {"name", "tel."}, {"value", "600"}}});  // no other attribute is looked at
    if (!c.pesel.empty())
      attributes.push_back({{"contractor", 815}, {"name", "Pesel"}, {"kind", 0}, {"value", c.pesel}});
    DiscountRun run(Database(Json::array({record}), {{"attributes", attributes}}));
    SetContractor(run, 815, "K'2", c.taxNumber);
    EksportujRabaty(run.rows, run.primary);
    EXPECT_EQ(run.PrimaryLines(), std::vector<std::string>{"815;'K\\'2';" + c.column + ";brak grupy;3;2.00;0.00;1;"})
        << "tax number " << c.taxNumber;
  }
}

TEST(EksportujRabaty, ReadsTheDiscountFileOncePerRun) {
  Json records = Json::array();
  for (int32_t id = 1; id <= 5; ++id) {
    Json record = DiscountRecord(id);
    SetEntry(record, id, 1000 * id, 0, 0);
    records.push_back(record);
  }
  DiscountRun run(Database(records));
  for (int32_t id : {3, 1, 9, 5, 3}) {  // 9 has no record; 3 comes twice, as index 198 can repeat it
    SetContractor(run, id, "S", "");
    EksportujRabaty(run.rows, run.primary);
  }
  EXPECT_EQ(run.PrimaryLines(),
            (std::vector<std::string>{"3;'S';;brak grupy;3;3.00;0.00;1;", "1;'S';;brak grupy;1;1.00;0.00;1;",
                                      "5;'S';;brak grupy;5;5.00;0.00;1;", "3;'S';;brak grupy;3;3.00;0.00;1;"}));
  EXPECT_EQ(DiscountFileOpens(), 1);
  EXPECT_EQ(DiscountRecordReads(), 5);

  std::vector<std::string> expectedCalls = {"HostMakeDataName", "HostOpenItemFile", "HostScanBegin"};
  for (int r = 0; r < 5; ++r)
    expectedCalls.insert(expectedCalls.end(), {"HostScanStep", "HostScanIdle", "HostReadItemRecord"});
  expectedCalls.insert(expectedCalls.end(), {"HostScanEnd", "HostCloseItemFile"});
  EXPECT_EQ(run.host.calls, expectedCalls);
}

TEST(EksportujRabaty, AFailedReadShowsItsMessageOnceAndKeepsWhatWasRead) {
  Json records = Json::array();
  for (int32_t id = 1; id <= 4; ++id) {
    Json record = DiscountRecord(id);
    SetEntry(record, 0, 1000, 0, 0);
    records.push_back(record);
  }
  // The read of the third record (record 2) fails.
  DiscountRun run(Database(records, {{"host", {{"failures", {{"discountRead", {{"call", 3}}}}}}}}));
  for (int32_t id : {4, 1, 2, 3}) {
    SetContractor(run, id, "S", "");
    EksportujRabaty(run.rows, run.primary);
  }
  // Records 0 and 1 were read before the failure; 2 and 3 were not reached.
  EXPECT_EQ(run.PrimaryLines(),
            (std::vector<std::string>{"1;'S';;brak grupy;0;1.00;0.00;1;", "2;'S';;brak grupy;0;1.00;0.00;1;"}));
  ASSERT_EQ(run.host.messages.size(), 1u);
  EXPECT_EQ(run.host.messages[0].title, "Uwaga");
  EXPECT_EQ(run.host.messages[0].text,
            "\x01"
            "cB\x92\x86"
            "d od_fseek w EksportujRabaty!\nOperacja niekompletna!\x01");
  const std::vector<std::string> tail(run.host.calls.end() - 3, run.host.calls.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"HostMessageBox", "HostCloseItemFile", "HostScanEnd"}));
  EXPECT_EQ(DiscountFileOpens(), 1);
}

TEST(EksportujRabaty, DoesNothingWithoutSwitchesContractorOrFile) {
  {
    QelmarRun run;  // all three switches off
    run.OpenOutputs();
    SetContractor(run, 1, "S", "");
    EXPECT_EQ(EksportujRabaty(run.rows, run.primary), 1);
    EXPECT_TRUE(run.host.calls.empty());
  }
  {
    DiscountRun run(Database(Json::array()));
    SetContractor(run, 0, "S", "");
    EXPECT_EQ(EksportujRabaty(run.rows, run.primary), 0);
    EXPECT_TRUE(run.host.calls.empty());
  }
  {
    // A missing file: no rows, no message, tried again for the next contractor.
    DiscountRun run(Database(Json::array(), {{"host", {{"failures", {{"discountFileMissing", true}}}}}}));
    SetContractor(run, 1, "S", "");
    EksportujRabaty(run.rows, run.primary);
    SetContractor(run, 2, "S", "");
    EksportujRabaty(run.rows, run.primary);
    EXPECT_EQ(DiscountFileOpens(), 2);
    EXPECT_TRUE(run.PrimaryLines().empty());
    EXPECT_TRUE(run.host.messages.empty());
  }
}

TEST(EksportujRabaty, RowsThatDoNotFitAreReportedOncePerContractor) {
  Json record = DiscountRecord(7);
  SetEntry(record, 0, 1000, 0, 0);
  SetEntry(record, 1, 1000, 0, 0);
  DiscountRun run(Database(Json::array({record}), {{"groups", {{"0", std::string(255, 'G')}}}}));
  // A tax number of 1000 apostrophes, written from its field on across the
  // fields after it, quotes to 2002 characters: with group 0's long name the
  // row passes 2047 characters, with "brak grupy" it fits.
  Json contractor = Contractor(7, "S", "");
  contractor[testing::FromField(kK4, "taxNumber")] = std::string(1000, '\'');
  run.Place(kK4, contractor);
  EksportujRabaty(run.rows, run.primary);
  const std::vector<std::string> lines = run.PrimaryLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].size(), 2034u);
  EXPECT_EQ(lines[0].rfind(";brak grupy;1;1.00;0.00;1;"), 2034u - 26u);
  ASSERT_EQ(run.host.messages.size(), 1u);
  EXPECT_NE(ToUtf8(run.host.messages[0].text).find("rekordu 7 nie mieści się w pliku BAZA\\kontrah_rabaty.csv"),
            std::string::npos);
}

}  // namespace
}  // namespace dravenhol
