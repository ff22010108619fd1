// Contractor discounts: entry emptiness, row text, the one read per run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_host.h"
#include "tables/discounts.h"
#include "tables/row_writers.h"

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

constexpr std::size_t kPercent = 452, kLevel = 2252, kAmount = 3152, kOwner = 11252;

Bytes DiscountRecord(int32_t owner) {
  Bytes record(11256, 0);
  PutI32(record, kOwner, owner);
  return record;
}

void SetEntry(Bytes& record, int group, int32_t percent, int16_t level, double amount) {
  PutI32(record, kPercent + 4 * group, percent);
  PutI16(record, kLevel + 2 * group, level);
  PutF64(record, kAmount + 8 * group, amount);
}

void SetContractor(FakeRun& run, int32_t id, const std::string& symbol, const std::string& taxNumber) {
  Bytes& k4 = run.record(kK4);
  std::fill(k4.begin(), k4.end(), 0);
  PutText(k4, 2, ToMazovia(symbol));
  PutText(k4, 176, taxNumber);
  PutI32(k4, 1532, id);
}

struct DiscountRun : FakeRun {
  DiscountRun() {
    PutI16(record(kTsprProp), 545, 1);
    OpenOutputs("kontrah_rabaty.csv");
  }
};

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
  DiscountRun run;
  Bytes unowned = DiscountRecord(0);
  SetEntry(unowned, 0, 1000, 0, 0);
  Bytes first = DiscountRecord(4711);
  SetEntry(first, 0, 12500, 0, 0);
  SetEntry(first, 1, 0, 2, 0);
  SetEntry(first, 2, 0, 0, 1);         // 0.0001 prints as 0.00 but is not empty
  SetEntry(first, 3, 0, 0, 0.000001);  // empty
  SetEntry(first, 4, 0, 0, -0.00001);
  SetEntry(first, 5, 0, -1, 0);
  SetEntry(first, 449, 5000, 1, 25000);
  Bytes second = DiscountRecord(4711);  // a later record of the same contractor is not used
  SetEntry(second, 10, 99000, 0, 0);
  run.host.discountRecords = {unowned, first, second};
  run.host.groupNames = {{0, ToMazovia("Narzędzia")}, {1, "Gr;1"}};
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
    DiscountRun run;
    Bytes record = DiscountRecord(815);
    SetEntry(record, 3, 2000, 0, 0);
    run.host.discountRecords = {record};
    if (!c.pesel.empty()) run.host.attributes[{815, "Pesel"}] = {0, 0, c.pesel};
    run.host.attributes[{815, "tel."}] = {0, 0, "600"};  // no other attribute is looked at
    SetContractor(run, 815, "K'2", c.taxNumber);
    EksportujRabaty(run.rows, run.primary);
    EXPECT_EQ(run.PrimaryLines(), std::vector<std::string>{"815;'K\\'2';" + c.column + ";brak grupy;3;2.00;0.00;1;"})
        << "tax number " << c.taxNumber;
  }
}

TEST(EksportujRabaty, ReadsTheDiscountFileOncePerRun) {
  DiscountRun run;
  for (int32_t id = 1; id <= 5; ++id) {
    Bytes record = DiscountRecord(id);
    SetEntry(record, id, 1000 * id, 0, 0);
    run.host.discountRecords.push_back(record);
  }
  for (int32_t id : {3, 1, 9, 5, 3}) {  // 9 has no record; 3 comes twice, as index 198 can repeat it
    SetContractor(run, id, "S", "");
    EksportujRabaty(run.rows, run.primary);
  }
  EXPECT_EQ(run.PrimaryLines(),
            (std::vector<std::string>{"3;'S';;brak grupy;3;3.00;0.00;1;", "1;'S';;brak grupy;1;1.00;0.00;1;",
                                      "5;'S';;brak grupy;5;5.00;0.00;1;", "3;'S';;brak grupy;3;3.00;0.00;1;"}));
  EXPECT_EQ(run.host.discountFileOpens, 1);
  EXPECT_EQ(run.host.discountRecordReads, 5);

  std::vector<std::string> expectedCalls = {"HostMakeDataName", "HostOpenItemFile", "HostScanBegin"};
  for (int r = 0; r < 5; ++r)
    expectedCalls.insert(expectedCalls.end(), {"HostScanStep", "HostScanIdle", "HostReadItemRecord"});
  expectedCalls.insert(expectedCalls.end(), {"HostScanEnd", "HostCloseItemFile"});
  EXPECT_EQ(run.host.calls, expectedCalls);
}

TEST(EksportujRabaty, AFailedReadShowsItsMessageOnceAndKeepsWhatWasRead) {
  DiscountRun run;
  for (int32_t id = 1; id <= 4; ++id) {
    Bytes record = DiscountRecord(id);
    SetEntry(record, 0, 1000, 0, 0);
    run.host.discountRecords.push_back(record);
  }
  run.host.failReadAt = 2;
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
  EXPECT_EQ(run.host.discountFileOpens, 1);
}

TEST(EksportujRabaty, DoesNothingWithoutSwitchesContractorOrFile) {
  {
    FakeRun run;  // all three switches off
    run.OpenOutputs();
    SetContractor(run, 1, "S", "");
    EXPECT_EQ(EksportujRabaty(run.rows, run.primary), 1);
    EXPECT_TRUE(run.host.calls.empty());
  }
  {
    DiscountRun run;
    SetContractor(run, 0, "S", "");
    EXPECT_EQ(EksportujRabaty(run.rows, run.primary), 0);
    EXPECT_TRUE(run.host.calls.empty());
  }
  {
    DiscountRun run;  // a missing file: no rows, no message, tried again for the next contractor
    run.host.discountFileMissing = true;
    SetContractor(run, 1, "S", "");
    EksportujRabaty(run.rows, run.primary);
    SetContractor(run, 2, "S", "");
    EksportujRabaty(run.rows, run.primary);
    EXPECT_EQ(run.host.discountFileOpens, 2);
    EXPECT_TRUE(run.PrimaryLines().empty());
    EXPECT_TRUE(run.host.messages.empty());
  }
}

TEST(EksportujRabaty, RowsThatDoNotFitAreReportedOncePerContractor) {
  DiscountRun run;
  Bytes record = DiscountRecord(7);
  SetEntry(record, 0, 1000, 0, 0);
  SetEntry(record, 1, 1000, 0, 0);
  run.host.discountRecords = {record};
  run.host.groupNames = {{0, std::string(255, 'G')}};
  SetContractor(run, 7, "S", "");
  // A tax number of 1000 apostrophes quotes to 2002 characters: with group 0's long name the row
  // passes 2047 characters, with "brak grupy" it fits.
  std::fill(run.record(kK4).begin() + 176, run.record(kK4).begin() + 1176, '\'');
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
