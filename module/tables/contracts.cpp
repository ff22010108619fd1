// umowystale.csv and umowy.csv: standing contracts, their items and the
// goods marks that the goods export reads under Interkam.
#include <cstring>

#include "host/host_api.h"
#include "tables/documents.h"
#include "tables/row_builder.h"
#include "tables/row_writers.h"
#include "ui/plugin.h"

namespace dravenhol {

namespace {

// Standing contract (Umst).
constexpr std::size_t kUmstState = 2, kUmstKind = 4, kUmstFrequency = 6, kUmstNumber = 8, kUmstContractor = 27,
                      kUmstDescription = 210, kUmstPaymentWord = 311, kUmstPaymentTerm = 313, kUmstStart = 348,
                      kUmstEnd = 357, kUmstCreated = 835, kUmstPriceSelector = 848, kUmstId = 854;
constexpr int16_t kSuspended = 2;

// Standing-contract item (Umst_dok).
constexpr std::size_t kItemName = 2, kItemPriceA = 158, kItemVat = 166, kItemPriceB = 176, kItemGoodsId = 418;

// Payment word bits.
constexpr uint16_t kB5 = 1u << 5, kB6 = 1u << 6, kB7 = 1u << 7, kB8 = 1u << 8;
constexpr uint16_t kBits6To14 = 0x7FC0, kBits8To14 = 0x7F00;

// The 6-bit payment-method number of bits 9 to 14, two's complement.
int PaymentMethodOf(uint16_t word) {
  const int raw = (word >> 9) & 0x3F;
  return raw >= 32 ? raw - 64 : raw;
}

void LowerCaseAscii(char* text) {
  for (; *text != '\0'; ++text)
    if (*text >= 'A' && *text <= 'Z') *text = static_cast<char>(*text - 'A' + 'a');
}

}  // namespace

int16_t PaymentKindOf(uint16_t word) {
  const int method = PaymentMethodOf(word);
  if (word & kB5) {
    if (method != 0) return 3;
    if ((word & kBits6To14) == 0) return 1;
    return 0;
  }
  if ((word & kB6) && !(word & kB7) && (word & kBits8To14) == 0) return 4;
  if ((word & (kB6 | kB7 | kB8)) || method == 0) return 0;

  char name[kTextAreaSize];
  CopyText(name, sizeof name, host::HostPaymentMethodName(int32_t{method}));
  LowerCaseAscii(name);
  if (name[0] == '\0') return 0;
  if (method == 2) return 2;
  if (std::strcmp(name, "kompensata") == 0) return 5;
  if (std::strcmp(name, "barter") == 0) return 6;
  if (std::strcmp(name, "umowa") == 0) return 7;
  return 0;
}

char* WriteStandingContractRow(CDravenhol& plugin, char* row) {
  const RecordView contract = plugin.Record(kUmst);
  char number[kSourceAreaSize];
  contract.Text(kUmstNumber, number, sizeof number);
  char contractor[kQuotedFieldSize], description[kQuotedFieldSize];
  QuoteRecordText(contractor, contract, kUmstContractor);
  QuoteRecordText(description, contract, kUmstDescription);
  char start[kTextAreaSize], end[kTextAreaSize], created[kTextAreaSize];
  DateField(start, contract, kUmstStart);
  DateField(end, contract, kUmstEnd);
  DateField(created, contract, kUmstCreated);

  RowBuilder line(row, kRowCapacity);
  line.Integer(contract.I32(kUmstId)).Integer(contract.I16(kUmstState) == kSuspended ? 1 : 0);
  line.Integer(contract.I16(kUmstKind) == 1 ? 1 : 3).Integer(contract.I16(kUmstFrequency));
  line.Text(number).Text(contractor).Text(description).Integer(PaymentKindOf(contract.U16(kUmstPaymentWord)));
  line.Integer(contract.I16(kUmstPaymentTerm)).Integer(1).Text(start).Text(end).Text(created).Tail(";");
  if (!line.fits()) ReportLineTooLong("umowystale.csv", contract.I32(kUmstId));
  return line.line();
}

void WriteContractItemRow(CDravenhol& plugin, void* item, const RecordView& contract) {
  host::HostPrepareContractItem(int32_t{0}, item, int32_t{0}, static_cast<const void*>(contract.data()));
  const RecordView record = ItemRecord(plugin, item, kUmstDok);

  char number[kQuotedFieldSize], name[kQuotedFieldSize];
  QuoteRecordText(number, contract, kUmstNumber);
  QuoteRecordText(name, record, kItemName);
  const int16_t goodsId = record.I16(kItemGoodsId);
  const bool priceB = contract.I16(kUmstPriceSelector) != 0;

  char* row = host::HostScratchBuffer();
  if (row != nullptr) {
    RowBuilder line(row, kRowCapacity);
    line.Integer(contract.I32(kUmstId)).Text(number).Integer(goodsId).Text(name);
    line.Money(record.F64(priceB ? kItemPriceB : kItemPriceA)).Integer(VatRateFromCode(record.I16(kItemVat)));
    if (line.fits())
      plugin.WriteSecondary(line.line(), kRowCapacity);
    else
      ReportLineTooLong("umowy.csv", contract.I32(kUmstId));
  }
  // The goods occur in a standing contract whether or not its row fitted. The
  // mark is taken from the same 16 bits read without sign, so that ids from
  // 32768 to 64999 (printed negative) are marked too.
  const uint16_t mark = record.U16(kItemGoodsId);
  if (mark >= 1 && mark < kGoodsMarkCount && plugin.tabIdentyf != nullptr) plugin.tabIdentyf[mark] = 1;
}

}  // namespace dravenhol
