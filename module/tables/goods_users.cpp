// magazyn.csv (goods of the current warehouse) and uzytkownicy.csv (users).
#include "host/host_api.h"
#include "host/records/h1.h"
#include "host/records/k9.h"
#include "tables/fields.h"
#include "tables/lookups.h"
#include "tables/names.h"
#include "tables/numbers.h"
#include "tables/row_builder.h"
#include "tables/row_context.h"
#include "tables/row_writers.h"

namespace dravenhol {

Row WriteGoodsRow(RowContext& rows, char* row) {
  const RecordView goods = rows.Record(kK9);
  const int16_t* warehouse = host::HostCurrentWarehouse();

  char name[kQuotedFieldSize], symbol[kQuotedFieldSize], plu[kQuotedFieldSize], unit[kQuotedFieldSize],
      supplier[kQuotedFieldSize], shortName[kQuotedFieldSize], group[kQuotedFieldSize], pkwiu[kQuotedFieldSize],
      description[kQuotedFieldSize];
  QuoteRecordText(name, goods, k9::kName);
  QuoteRecordText(symbol, goods, k9::kSymbol);
  QuoteRecordText(plu, goods, k9::kPlu);
  QuoteRecordText(unit, goods, k9::kUnit);
  QuoteRecordText(supplier, goods, k9::kSupplierSymbol);
  QuoteRecordText(shortName, goods, k9::kShortName);
  QuoteRecordText(pkwiu, goods, k9::kPkwiu);
  QuoteRecordText(description, goods, k9::kDescription);
  char groupName[kTextAreaSize];
  // The host reads the group number from the record itself (a short record
  // lends a copy).
  const int32_t shortRecordGroup = goods.I32(k9::kGroup);
  const void* groupField = goods.FieldAddress(k9::kGroup, sizeof(int32_t));
  GoodsGroupName(groupField != nullptr ? static_cast<const int32_t*>(groupField) : &shortRecordGroup, groupName);
  QuoteField(group, groupName);

  RowBuilder line(row, kRowCapacity);
  line.Integer(goods.I16(k9::kId)).Integer(warehouse != nullptr ? *warehouse : 0);
  line.Text(name).Text(symbol).Text(plu).Fixed(QuantityValue(goods.I32(k9::kStock)), 3);
  line.Money(goods.F64(k9::kPurchaseNet)).Money(goods.F64(k9::kGross1)).Money(goods.F64(k9::kNet1));
  line.Money(goods.F64(k9::kNet2)).Integer(VatRateFromCode(goods.I16(k9::kVat)));
  line.Text(unit).Text(supplier).Text(shortName).Text(group).Text(pkwiu).Text(description).Tail(";;");
  return line.Finish(goods.I16(k9::kId));
}

Row WriteUserRow(RowContext& rows, char* row) {
  const RecordView user = rows.Record(kH1);
  char identifier[kQuotedFieldSize], whole[kQuotedFieldSize], firstName[kQuotedFieldSize], surname[kQuotedFieldSize];
  QuoteRecordText(identifier, user, h1::kIdentifier);
  QuoteRecordText(whole, user, h1::kName);
  char name[kSourceAreaSize];
  user.Text(h1::kName, name, sizeof name);
  SplitUserName(rows, name, firstName, surname);

  RowBuilder line(row, kRowCapacity);
  line.Text(identifier).Text(firstName).Text(surname).Text(whole);
  line.Integer(user.I16(h1::kState) == 1 ? 1 : 0).Tail(";");
  if (line.fits()) return line.Finish("");
  // The user is known by the identifier.
  static_assert(kSourceAreaSize <= Row::kKeySize);
  char key[kSourceAreaSize];
  user.Text(h1::kIdentifier, key, sizeof key);
  return line.Finish(key);
}

}  // namespace dravenhol
