// Reading fixtures: records as the host lays them out from named fields,
// typed fields at offsets and raw bytes; record lengths; fixture errors.
#include "host_test.h"

namespace {

using namespace qelmar_test;
using dravenhol::HostTable;

class FixtureTest : public HostTest {
 protected:
  // Loads the fixture and brings the first record of index 811 (Tspr) into its buffer.
  const unsigned char* FirstInvoice(const std::string& json) {
    Load(json);
    dravenhol::HostCursor cursor{};
    dravenhol::HostKey key{};
    HOST(HostKeyInit)(811, 0, &key, 0);
    EXPECT_NE(HOST(HostCursorOpen)(&cursor, nullptr, 811, &key, 0, 0), 0);
    EXPECT_EQ(HOST(HostCursorNext)(&cursor), 1);
    HOST(HostCursorClose)(&cursor);
    HOST(HostCursorDestroy)(&cursor);
    return RecordBuffer(HOST(HostTableByNumber)(44));
  }
};

TEST_F(FixtureTest, NamedFieldsLandAtTheHostsOffsets) {
  const unsigned char* r = FirstInvoice(R"({"tables": {"Tspr": [{
      "number": "FV/1/2024", "type": -3, "saleDate": "2024-01-15", "grossTotal": 1230000,
      "remarks": "Zażółć gęślą jaźń", "contractorId": 7, "settlementRef": 501, "documentId": 1001}]}})");
  EXPECT_STREQ(reinterpret_cast<const char*>(r + 2), "FV/1/2024");
  EXPECT_EQ(At<int16_t>(r, 219), -3);
  EXPECT_STREQ(reinterpret_cast<const char*>(r + 221), "20240115");
  EXPECT_EQ(At<double>(r, 259), 1230000.0);  // money is given as stored: ten-thousandths
  EXPECT_EQ(At<int32_t>(r, 1453), 7);
  EXPECT_EQ(At<int32_t>(r, 1461), 501);
  EXPECT_EQ(At<int32_t>(r, 1465), 1001);
  // Texts are stored in Mazovia: ż 0xA7, ó 0xA2, ł 0x92, ć 0x8D, ę 0x91, ś 0x9E, ą 0x86, ź 0xA6, ń 0xA4.
  const unsigned char expected[] = {'Z',  'a', 0xA7, 0xA2, 0x92, 0x8D, ' ',  'g',  0x91,
                                    0x9E, 'l', 0x86, ' ',  'j',  'a',  0xA6, 0xA4, 0};
  EXPECT_EQ(std::memcmp(r + 436, expected, sizeof expected), 0);
}

TEST_F(FixtureTest, TypedFieldsAndRawBytesGiveExactBytes) {
  const unsigned char* r = FirstInvoice(R"({"tables": {"Tspr": [{
      "raw": "01 02 03 04 05",
      "@3/u16": "0xBEEF", "@1461/i32": -2, "@1465/u32": 4294967295, "@259/f64": 0.5,
      "@600/text": "Ł", "@610/bytes": "ff00ff", "@620/date": "2026-12-07"}]}})");
  const unsigned char head[] = {0x01, 0x02, 0x03, 0xEF, 0xBE};
  EXPECT_EQ(std::memcmp(r, head, sizeof head), 0);
  EXPECT_EQ(At<int32_t>(r, 1461), -2);
  EXPECT_EQ(At<uint32_t>(r, 1465), 0xFFFFFFFFu);
  EXPECT_EQ(At<double>(r, 259), 0.5);
  EXPECT_EQ(r[600], 0x9C);
  EXPECT_EQ(r[601], 0);
  EXPECT_EQ(r[610], 0xFF);
  EXPECT_EQ(r[611], 0x00);
  EXPECT_EQ(r[612], 0xFF);
  EXPECT_STREQ(reinterpret_cast<const char*>(r + 620), "20261207");
}

// A key written twice keeps its first place and takes its last value, in a
// record of a few keys and in one of many (found through the key hash).
TEST_F(FixtureTest, RepeatedKeysKeepTheirFirstPlaceAndTakeTheirLastValue) {
  for (const int comments : {0, 100}) {
    std::string filler;
    for (int i = 0; i < comments; ++i) filler += "\"#" + std::to_string(i) + "\": 0, ";
    const unsigned char* r =
        FirstInvoice(R"({"tables": {"Tspr": [{"number": "AAAA", "@2/text": "X", )" + filler + R"("number": "B"}]}})");
    // "B" was written in the first key's place, then "X" over it; "AAAA" never.
    EXPECT_STREQ(reinterpret_cast<const char*>(r + 2), "X") << comments;
    EXPECT_EQ(r[4], 0) << comments;
  }
}

TEST_F(FixtureTest, RepeatedFieldsTakeListsOrIndexedObjects) {
  Load(R"({"tables": {"k4_tab": [{"contractorId": 3, "percent": {"449": 2500}, "priceLevel": [null, 2],
           "amountDiscount": {"0": 100.5}}]}})");
  HostTable* table = HOST(HostTableByNumber)(167);
  int32_t count = -1;
  dravenhol::HostItemFile* file = HOST(HostOpenItemFile)(223, nullptr, table, &count);
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(count, 1);
  ASSERT_EQ(HOST(HostReadItemRecord)(0, 0, table, 0, file), 1);
  const unsigned char* r = RecordBuffer(table);
  EXPECT_EQ(At<int32_t>(r, 452 + 449 * 4), 2500);
  EXPECT_EQ(At<int16_t>(r, 2252), 0);
  EXPECT_EQ(At<int16_t>(r, 2252 + 2), 2);
  EXPECT_EQ(At<double>(r, 3152), 100.5);
  EXPECT_EQ(At<int32_t>(r, 11252), 3);
  HOST(HostCloseItemFile)(&file);
}

TEST_F(FixtureTest, RecordLengthsShapeDescriptorsAndRecords) {
  Load(R"({"host": {"recordLengths": {"Tspr": 1470, "h1": 65535, "k4_tab": "absent"}}})");
  EXPECT_EQ(RecordLength(HOST(HostTableByNumber)(44)), 1470);
  EXPECT_EQ(RecordLength(HOST(HostTableByNumber)(63)), -1);
  EXPECT_EQ(RecordLength(HOST(HostTableByNumber)(35)), 1536);
  EXPECT_EQ(HOST(HostTableByNumber)(167), nullptr);
  EXPECT_EQ(HOST(HostTableByNumber)(999), nullptr);

  // A field past the host's record length is not stored; the rest is.
  const unsigned char* r = FirstInvoice(R"({"host": {"recordLengths": {"Tspr": 1000}},
      "tables": {"Tspr": [{"number": "A", "documentId": 5}]}})");
  EXPECT_EQ(RecordLength(HOST(HostTableByNumber)(44)), 1000);
  EXPECT_STREQ(reinterpret_cast<const char*>(r + 2), "A");
}

TEST_F(FixtureTest, CurrentSalesSettingsAreInTheirBuffer) {
  Load(R"({"tables": {"Tspr_prop": [{"discountSwitch1": 1, "discountSwitch2": 2, "discountSwitch3": 3}]}})");
  HostTable* table = HOST(HostTableByNumber)(64);
  HOST(HostTablePrepare)(table, 255);
  const unsigned char* r = RecordBuffer(table);
  EXPECT_EQ(At<int16_t>(r, 68), 1);
  EXPECT_EQ(At<int16_t>(r, 745), 2);
  EXPECT_EQ(At<int16_t>(r, 545), 3);
}

TEST_F(FixtureTest, MistakesAreReportedWithTheirPlace) {
  EXPECT_EQ(LoadError(R"({"tables": {"k4": [{"nazwa": "x"}]}})"), "tables.k4[0].nazwa: no such field in k4");
  EXPECT_EQ(LoadError(R"({"tables": {"h1": [{"id": "ABCDEF"}]}})"), "tables.h1[0].id: text of 6 bytes does not fit 4");
  EXPECT_EQ(LoadError(R"({"tables": {"w3": [{"name": "Łódź €"}]}})"),
            "tables.w3[0].name: character \"€\" has no Mazovia code");
  EXPECT_EQ(LoadError(R"({"tabels": {}})"), "tabels: unknown section");
  EXPECT_EQ(LoadError(R"({"tables": {"Tspr": [{"@12/i8": 1}]}})").substr(0, 19), "tables.Tspr[0].@12/");
  EXPECT_EQ(LoadError(R"({"tables": {"w3": [{"number": 70000}]}})"), "tables.w3[0].number: 70000 is out of range");
  EXPECT_EQ(LoadError(R"({"indexes": {"6": [0]}})"), "indexes.6: 0 is out of range");
  EXPECT_EQ(LoadError(R"({"tables": {"Tspr_dok": []}})"),
            "tables.Tspr_dok: items belong in \"invoiceItems\" and \"contractItems\"");
  EXPECT_FALSE(LoadError("{").empty());
  // A failed load leaves an empty host behind, not half a database.
  EXPECT_EQ(RecordLength(HOST(HostTableByNumber)(44)), 1469);
}

TEST_F(FixtureTest, WrongTypesAndDeepNestingAreReportedWithTheirPlace) {
  const std::string deep = std::string(65, '[') + std::string(65, ']');
  const struct {
    std::string fixture;
    std::string error;
  } cases[] = {
      {R"({"host": {"failures": {"discountFileMissing": 1}}})",
       "host.failures.discountFileMissing: expected true or false"},
      {R"({"host": {"failures": {"missingItemFile": {"invoices": 1001}}}})",
       "host.failures.missingItemFile.invoices: expected a list of document ids"},
      {R"({"host": {"failures": {"missingItemFile": 1}}})",
       R"(host.failures.missingItemFile: expected {"invoices": [...], "contracts": [...]})"},
      {R"({"host": {"recordLengths": ["k9"]}})",
       "host.recordLengths: expected an object of record lengths by data file name"},
      {R"({"host": {"missingFunctions": {"a": 1}}})",
       "host.missingFunctions: expected a list of host function numbers"},
      {R"({"indexes": 6})", "indexes: expected an object of record numbers by index"},
      {R"({"files": {"a.txt": {"utf8": 1}}})", "files.a.txt.utf8: expected a text"},
      {R"({"host": {"failures": {"alloc": {"cal": 2}}}})",
       R"(host.failures.alloc.cal: expected "call", "from" or "count")"},
      {R"({"host": {"failures": {"raise": {"function": "HostNothing"}}}})",
       R"(host.failures.raise.function: no host function "HostNothing")"},
      {R"({"host": {"failures": {"raise": [{"function": 12345}]}}})",
       "host.failures.raise[0].function: no host function number 12345"},
      {R"({"#": )" + deep + "}", "fixture: arrays and objects nested deeper than 64 levels at line 1, column 70"},
  };
  for (const auto& c : cases) EXPECT_EQ(LoadError(c.fixture), c.error) << c.fixture;

  // The settings merge refuses deep nesting before it copies anything.
  Load("{}");
  char error[256];
  const std::string settings = "{\"#\": " + std::string(30000, '[') + std::string(30000, ']') + "}";
  EXPECT_EQ(QelmarConfigure(settings.c_str(), error, sizeof error), -1);
  EXPECT_STREQ(error, "host settings: arrays and objects nested deeper than 64 levels at line 1, column 70");
}

// A fixture is read one section value at a time: a section written twice
// takes its last value, and a syntax error is placed in the whole text, also
// one in a comment or in a section's earlier value.
TEST_F(FixtureTest, SectionsTakeTheirLastValueAndSyntaxErrorsTheirPlaceInTheWholeText) {
  auto records = [](int32_t index) {
    dravenhol::HostCursor cursor{};
    int count = 0;
    if (HOST(HostCursorOpen)(&cursor, nullptr, index, nullptr, 0, 0) != 0)
      while (HOST(HostCursorNext)(&cursor) != 0) ++count;
    HOST(HostCursorClose)(&cursor);
    return count;
  };
  Load(R"({"tables": {"w3": [{}, {}]}, "#": [1, 2], "tables": {"k4": [{}], "k4": [{}, {}, {}]}})");
  EXPECT_EQ(records(3), 0);
  EXPECT_EQ(records(6), 3);
  for (const char* fixture : {"{\"tables\": {},\n  \"groups\": {\"1\": x}}", "{\"#\": 1,\n  \"#\": [1,,2]}",
                              "{\"tables\":\n  [,], \"tables\": {}}", "{\"tables\": {}\n  \"groups\": {}}"})
    EXPECT_NE(LoadError(fixture).find("line 2, column"), std::string::npos) << fixture << ": " << LoadError(fixture);
}

TEST_F(FixtureTest, OnlyRegularFilesWithinTheLimitAreRead) {
  char error[256];
  const std::string directory = base_.string();
  EXPECT_EQ(QelmarLoadFixtureFile(directory.c_str(), error, sizeof error), -1);
  EXPECT_EQ(error, directory + " is a directory, not a fixture file");
#ifndef _WIN32
  EXPECT_EQ(QelmarLoadFixtureFile("/dev/zero", error, sizeof error), -1);
  EXPECT_STREQ(error, "/dev/zero is not a regular file (a device, pipe or socket): not read");
  const std::string large = (base_ / "large.json").string();
  std::ofstream(large) << "{}";
  std::filesystem::resize_file(large, (std::uintmax_t{256} << 20) + 1);  // sparse
  EXPECT_EQ(QelmarLoadFixtureFile(large.c_str(), error, sizeof error), -1);
  EXPECT_EQ(error, large + " is larger than the fixture limit of 256 MiB");
#endif
}

TEST_F(FixtureTest, RecordsOfLengthZeroAreCopiedAsNothing) {
  Load(R"({"host": {"recordLengths": {"k9": 0, "Tspr_prop": 0, "Tspr_dok": 0, "k4_tab": 0}},
    "tables": {"k9": [{}], "Tspr_prop": [{}], "k4_tab": [{}]}, "warehouseGoods": {"0": [0]},
    "invoiceItems": {"1": [{}]}})");
  dravenhol::HostCursor cursor{};
  ASSERT_EQ(HOST(HostCursorOpen)(&cursor, nullptr, 4, nullptr, 0, 0), 1);
  EXPECT_EQ(HOST(HostCursorNext)(&cursor), 1);
  HOST(HostCursorClose)(&cursor);
  dravenhol::HostKey key{};
  const int32_t index = HOST(HostItemIndexOf)(811);
  int32_t count = 0;
  dravenhol::HostItemFile* file = HOST(HostOpenItemFile)(index, &key, HOST(HostKeyInit)(index, 1, &key, 0), &count);
  ASSERT_EQ(count, 1);
  HOST(HostFreeItems)(HOST(HostReadItems)(file, count));
  HOST(HostCloseItemFile)(&file);
  dravenhol::HostTable* discounts = HOST(HostTableByNumber)(167);
  file = HOST(HostOpenItemFile)(223, &key, discounts, &count);
  EXPECT_EQ(HOST(HostReadItemRecord)(0, 0, discounts, 0, file), 1);
  HOST(HostCloseItemFile)(&file);
  HOST(HostTablePrepare)(HOST(HostTableByNumber)(64), 255);
  EXPECT_EQ(QelmarCounter("unreleased"), 0);
}

TEST_F(FixtureTest, SettingsMergeOverTheFixture) {
  Load(R"({"host": {"interfaceVersion": 111, "noticeAnswer": 0}, "tables": {"w3": [{"number": 1}]}})");
  char error[256];
  ASSERT_EQ(QelmarConfigure(R"({"interfaceVersion": 113, "recordLengths": {"w3": 300}})", error, sizeof error), 0)
      << error;
  EXPECT_EQ(HOST(HostInterfaceVersion)(), 113);
  EXPECT_EQ(RecordLength(HOST(HostTableByNumber)(48)), 300);
  int16_t flag = 5;
  HOST(HostNoticeBox)(0x684, &flag, 0, "x");
  EXPECT_EQ(flag, 0);  // the fixture's own settings stay unless overridden
  EXPECT_EQ(QelmarConfigure(R"({"dialog": "maybe"})", error, sizeof error), -1);
  EXPECT_STREQ(error, "host.dialog: expected \"universal\", \"interkam\" or \"cancel\"");
}

}  // namespace
