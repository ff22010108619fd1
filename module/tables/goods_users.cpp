// magazyn.csv (goods of the current warehouse) and uzytkownicy.csv (users).
#include "host/host_api.h"
#include "tables/fields.h"
#include "tables/lookups.h"
#include "tables/names.h"
#include "tables/numbers.h"
#include "tables/row_builder.h"
#include "tables/row_writers.h"
#include "ui/plugin.h"

namespace dravenhol {

namespace {

// Goods (k9).
constexpr std::size_t kK9Name = 2, kK9Symbol = 123, kK9Plu = 140, kK9Unit = 157, kK9Stock = 175, kK9Vat = 227,
                      kK9PurchaseNet = 231, kK9Net1 = 247, kK9Net2 = 255, kK9Gross1 = 327, kK9Supplier = 457,
                      kK9ShortName = 483, kK9Group = 524, kK9Pkwiu = 528, kK9Description = 606, kK9Id = 1022;

// User (h1).
constexpr std::size_t kH1State = 2, kH1Name = 4, kH1Identifier = 35;

}  // namespace

void GoodsGroupName(int32_t group, char (&name)[kTextAreaSize]) {
  name[0] = '\0';
  host::HostGroupName(name, int32_t{kTextAreaSize - 1}, &group, int32_t{127});
  name[kTextAreaSize - 1] = '\0';
}

char* WriteGoodsRow(CDravenhol& plugin, char* row) {
  const RecordView goods = plugin.Record(kK9);
  const int16_t* warehouse = host::HostCurrentWarehouse();

  char name[kQuotedFieldSize], symbol[kQuotedFieldSize], plu[kQuotedFieldSize], unit[kQuotedFieldSize],
      supplier[kQuotedFieldSize], shortName[kQuotedFieldSize], group[kQuotedFieldSize], pkwiu[kQuotedFieldSize],
      description[kQuotedFieldSize];
  QuoteRecordText(name, goods, kK9Name);
  QuoteRecordText(symbol, goods, kK9Symbol);
  QuoteRecordText(plu, goods, kK9Plu);
  QuoteRecordText(unit, goods, kK9Unit);
  QuoteRecordText(supplier, goods, kK9Supplier);
  QuoteRecordText(shortName, goods, kK9ShortName);
  QuoteRecordText(pkwiu, goods, kK9Pkwiu);
  QuoteRecordText(description, goods, kK9Description);
  char groupName[kTextAreaSize];
  GoodsGroupName(goods.I32(kK9Group), groupName);
  QuoteField(group, groupName);

  RowBuilder line(row, kRowCapacity);
  line.Integer(goods.I16(kK9Id)).Integer(warehouse != nullptr ? *warehouse : 0);
  line.Text(name).Text(symbol).Text(plu).Fixed(QuantityValue(goods.I32(kK9Stock)), 3);
  line.Money(goods.F64(kK9PurchaseNet)).Money(goods.F64(kK9Gross1)).Money(goods.F64(kK9Net1));
  line.Money(goods.F64(kK9Net2)).Integer(VatRateFromCode(goods.I16(kK9Vat)));
  line.Text(unit).Text(supplier).Text(shortName).Text(group).Text(pkwiu).Text(description).Tail(";;");
  if (!line.fits()) ReportLineTooLong("magazyn.csv", goods.I16(kK9Id));
  return line.line();
}

char* WriteUserRow(CDravenhol& plugin, char* row) {
  const RecordView user = plugin.Record(kH1);
  char identifier[kQuotedFieldSize], whole[kQuotedFieldSize], firstName[kQuotedFieldSize],
      surname[kQuotedFieldSize];
  QuoteRecordText(identifier, user, kH1Identifier);
  QuoteRecordText(whole, user, kH1Name);
  char name[kSourceAreaSize];
  user.Text(kH1Name, name, sizeof name);
  SplitUserName(plugin, name, firstName, surname);

  RowBuilder line(row, kRowCapacity);
  line.Text(identifier).Text(firstName).Text(surname).Text(whole);
  line.Integer(user.I16(kH1State) == 1 ? 1 : 0).Tail(";");
  if (!line.fits()) {
    char key[kSourceAreaSize];
    user.Text(kH1Identifier, key, sizeof key);
    ReportLineTooLong("uzytkownicy.csv", key);
  }
  return line.line();
}

}  // namespace dravenhol
