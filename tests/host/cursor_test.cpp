// Walking the store: index order, settlement entries of the current
// contractor, goods as the current warehouse presents them, item files and
// the discount data file, attributes and names.
#include <vector>

#include "host_test.h"

namespace {

using namespace qelmar_test;
using dravenhol::HostCursor;
using dravenhol::HostKey;

class CursorTest : public HostTest {
 protected:
  // The 16-bit (or 32-bit) field at offset of every record that the index yields.
  template <class T>
  std::vector<int> Walk(int32_t index, int32_t tableNumber, size_t offset) {
    HostCursor cursor{};
    HostKey key{};
    HOST(HostKeyInit)(index, 0, &key, 0);
    std::vector<int> values;
    if (HOST(HostCursorOpen)(&cursor, nullptr, index, &key, 0, 0) != 0)
      while (HOST(HostCursorNext)(&cursor) == 1)
        values.push_back(At<T>(RecordBuffer(HOST(HostTableByNumber)(tableNumber)), offset));
    HOST(HostCursorClose)(&cursor);
    HOST(HostCursorDestroy)(&cursor);
    return values;
  }
};

constexpr const char* kContractors = R"({"tables": {"k4": [
    {"contractorId": 10}, {"contractorId": 20}, {"contractorId": 30}]},
  "indexes": {"198": [2, 0, 2]}})";

TEST_F(CursorTest, IndexesYieldTheirRecordsInIndexOrder) {
  Load(kContractors);
  EXPECT_EQ(Walk<int32_t>(6, 35, 1532), (std::vector<int>{10, 20, 30}));
  EXPECT_EQ(Walk<int32_t>(198, 35, 1532), (std::vector<int>{30, 10, 30}));
  EXPECT_EQ(Walk<int32_t>(811, 44, 1465), std::vector<int>{});
  EXPECT_EQ(QelmarCounter("cursor.open"), 3);
  EXPECT_EQ(QelmarCounter("cursor.next"), 6);
  EXPECT_EQ(QelmarCounter("cursor.close"), 3);
  EXPECT_EQ(QelmarCounter("cursor.destroy"), 3);
  EXPECT_EQ(QelmarCounter("cursor.live"), 0);
}

// A host that leaves garbage where a record carries no value: outside every
// field, and after each text's terminator. The values stay as they are.
TEST_F(CursorTest, RecordGarbageLeavesEveryValue) {
  Load(R"({"host": {"recordGarbage": true},
           "tables": {"k4": [{"symbol": "AB", "name": "", "amount": 2.5, "contractorId": 7}]}})");
  HostCursor cursor{};
  ASSERT_EQ(HOST(HostCursorOpen)(&cursor, nullptr, 6, nullptr, 0, 0), 1);
  ASSERT_EQ(HOST(HostCursorNext)(&cursor), 1);
  const unsigned char* record = RecordBuffer(HOST(HostTableByNumber)(35));
  // symbol at 2 (17 bytes), name at 19 (101), amount at 343, contractorId at 1532
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(record) + 2), "AB");
  EXPECT_EQ(record[19], 0);
  EXPECT_EQ(At<double>(record, 343), 2.5);
  EXPECT_EQ(At<int32_t>(record, 1532), 7);
  struct Unused {
    std::size_t from, to;
  };
  // bytes 0-1, symbol after "AB", name after its terminator, between amount and
  // balance, createdBy after its terminator (createdBy 958-1531 is empty)
  for (const Unused& u : {Unused{0, 2}, Unused{5, 19}, Unused{20, 120}, Unused{351, 359}, Unused{959, 1532}}) {
    int zeros = 0;
    for (std::size_t i = u.from; i < u.to; ++i) zeros += record[i] == 0 ? 1 : 0;
    EXPECT_EQ(zeros, 0) << u.from << ".." << u.to;
  }
  HOST(HostCursorClose)(&cursor);
  HOST(HostCursorDestroy)(&cursor);
}

TEST_F(CursorTest, UnknownIndexOrAbsentFileDoesNotOpen) {
  Load(R"({"host": {"recordLengths": {"h1": "absent"}}, "tables": {"k4": [{"contractorId": 1}]}})");
  EXPECT_EQ(Walk<int32_t>(77, 35, 1532), std::vector<int>{});
  EXPECT_EQ(Walk<int16_t>(34, 63, 2), std::vector<int>{});
  EXPECT_EQ(QelmarCounter("cursor.openFailed"), 2);
  EXPECT_EQ(QelmarCounter("cursor.live"), 0);  // closing a cursor that did not open is the rule
}

TEST_F(CursorTest, SettlementIndexFollowsTheCurrentContractor) {
  Load(R"({"tables": {"k4_kar": [
      {"owner": 1, "active": 11}, {"owner": 2, "active": 21}, {"owner": 1, "active": 12}]}})");
  int32_t* current = HOST(HostCurrentContractorRef)();
  *current = 1;
  EXPECT_EQ(Walk<int32_t>(53, 36, 763), (std::vector<int>{11, 12}));
  *current = 2;
  EXPECT_EQ(Walk<int32_t>(53, 36, 763), (std::vector<int>{21}));
  *current = 3;
  EXPECT_EQ(Walk<int32_t>(53, 36, 763), std::vector<int>{});
  EXPECT_EQ(QelmarCounter("currentContractor"), 3);
}

TEST_F(CursorTest, GoodsIndexPresentsTheCurrentWarehouse) {
  Load(R"({"tables": {"k9": [{"goodsId": 1, "stock": 100}, {"goodsId": 2, "stock": 200}]},
    "warehouseGoods": {"5": [{"record": 1, "stock": 7}, 0]}})");
  int16_t* warehouse = HOST(HostCurrentWarehouse)();
  *warehouse = 5;
  EXPECT_EQ(Walk<int16_t>(4, 49, 1022), (std::vector<int>{2, 1}));
  EXPECT_EQ(Walk<int32_t>(4, 49, 175), (std::vector<int>{7, 100}));
  *warehouse = 6;  // a warehouse without a list presents the goods as stored
  EXPECT_EQ(Walk<int32_t>(4, 49, 175), (std::vector<int>{100, 200}));
}

TEST_F(CursorTest, ItemFilesHoldEachDocumentsItems) {
  Load(R"({"invoiceItems": {"1001": [{"name": "A", "vat": 33}, {"name": "B", "vat": 18}]},
    "contractItems": {"7": [{"goodsId": 4}]},
    "host": {"failures": {"missingItemFile": {"invoices": [1002]}}}})");
  const int32_t index = HOST(HostItemIndexOf)(811);
  HostKey key{};
  void* aux = HOST(HostKeyInit)(index, 1001, &key, 0);
  int32_t count = -1;
  dravenhol::HostItemFile* file = HOST(HostOpenItemFile)(index, &key, aux, &count);
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(count, 2);
  void** items = HOST(HostReadItems)(file, count);
  ASSERT_NE(items, nullptr);
  EXPECT_STREQ(static_cast<const char*>(items[0]) + 2, "A");
  EXPECT_EQ(At<int16_t>(static_cast<const unsigned char*>(items[1]), 166), 18);
  HOST(HostFreeItems)(items);
  HOST(HostCloseItemFile)(&file);
  EXPECT_EQ(file, nullptr);

  // A document without items has an empty item file; an injected one has none.
  aux = HOST(HostKeyInit)(index, 1003, &key, 0);
  file = HOST(HostOpenItemFile)(index, &key, aux, &count);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(count, 0);
  HOST(HostReleaseItemFile)(file);
  aux = HOST(HostKeyInit)(index, 1002, &key, 0);
  EXPECT_EQ(HOST(HostOpenItemFile)(index, &key, aux, &count), nullptr);

  const int32_t contractIndex = HOST(HostItemIndexOf)(72);
  aux = HOST(HostKeyInit)(contractIndex, 7, &key, 0);
  file = HOST(HostOpenItemFile)(contractIndex, &key, aux, &count);
  ASSERT_EQ(count, 1);
  items = HOST(HostReadItems)(file, count);
  EXPECT_EQ(At<int16_t>(static_cast<const unsigned char*>(items[0]), 418), 4);
  HOST(HostFreeItems)(items);
  HOST(HostCloseItemFile)(&file);
  HOST(HostCloseItemFile)(&file);  // closing twice is harmless

  EXPECT_EQ(QelmarCounter("itemFile.live"), 0);
  EXPECT_EQ(QelmarCounter("items.live"), 0);
  EXPECT_EQ(QelmarCounter("itemFile.release"), 1);
}

TEST_F(CursorTest, DiscountFileReadsRecordByRecord) {
  Load(R"({"tables": {"k4_tab": [{"contractorId": 1}, {"contractorId": 2}, {"contractorId": 3}]},
    "host": {"failures": {"discountRead": {"call": 2}}}})");
  dravenhol::HostTable* table = HOST(HostTableByNumber)(167);
  HostKey name{};
  HOST(HostMakeDataName)(223, &name, "MMM", ".UNR", 85);
  EXPECT_STREQ(reinterpret_cast<const char*>(name.storage), "MMM223.UNR");
  int32_t count = 0;
  dravenhol::HostItemFile* file = HOST(HostOpenItemFile)(223, &name, table, &count);
  ASSERT_EQ(count, 3);
  EXPECT_EQ(HOST(HostReadItemRecord)(0, 2, table, 0, file), 1);
  EXPECT_EQ(At<int32_t>(RecordBuffer(table), 11252), 3);
  EXPECT_EQ(HOST(HostReadItemRecord)(0, 1, table, 0, file), 0);
  EXPECT_EQ(HOST(HostReadItemRecord)(0, 3, table, 0, file), 0);
  HOST(HostCloseItemFile)(&file);
  EXPECT_EQ(HOST(HostReadItemRecord)(0, 0, table, 0, file), 0);

  ASSERT_EQ(QelmarConfigure(R"({"failures": {"discountFileMissing": true}})", nullptr, 0), 0);
  EXPECT_EQ(HOST(HostOpenItemFile)(223, &name, HOST(HostTableByNumber)(167), &count), nullptr);
}

TEST_F(CursorTest, AttributesGroupsAndPaymentMethods) {
  Load(R"({"attributes": [{"contractor": 4, "name": "e-mail", "kind": 0, "value": "ząb@example.pl"},
                          {"contractor": 4, "name": "Umowa", "kind": 3, "value": "skan"}],
           "groups": {"3": "Napoje gazowane"}, "paymentMethods": {"2": "Przelew"}})");
  unsigned char record[408];
  std::memset(record, 0xAA, sizeof record);
  EXPECT_GE(HOST(HostGetAttribute)(0, 4, 0, 431, "Umowa", record, 0), 0);
  EXPECT_EQ(At<int16_t>(record, 6), 3);
  EXPECT_STREQ(reinterpret_cast<const char*>(record + 103), "skan");
  EXPECT_EQ(record[407], 0);
  EXPECT_GE(HOST(HostGetAttribute)(0, 4, 0, 431, "e-mail", record, 0), 0);
  EXPECT_EQ(record[104], 0x86);  // ą in Mazovia
  EXPECT_LT(HOST(HostGetAttribute)(0, 4, 0, 431, "tel.", record, 0), 0);
  EXPECT_LT(HOST(HostGetAttribute)(0, 5, 0, 431, "e-mail", record, 0), 0);

  char name[8];
  const int32_t group = 3;
  HOST(HostGroupName)(name, sizeof name, &group, 127);
  EXPECT_STREQ(name, "Napoje ");  // bounded by the caller's area
  const int32_t unknown = 4;
  HOST(HostGroupName)(name, sizeof name, &unknown, 127);
  EXPECT_STREQ(name, "");
  EXPECT_STREQ(HOST(HostPaymentMethodName)(2), "Przelew");
  EXPECT_STREQ(HOST(HostPaymentMethodName)(-1), "");
}

}  // namespace
