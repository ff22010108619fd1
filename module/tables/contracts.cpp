// umowystale.csv and umowy.csv: standing contracts, their items and the
// goods marks that the goods export reads under Interkam.
#include <cstring>

#include "host/host_api.h"
#include "host/indexes.h"
#include "host/records/umst.h"
#include "host/records/umst_dok.h"
#include "tables/documents.h"
#include "tables/row_builder.h"
#include "tables/row_context.h"
#include "tables/row_writers.h"

namespace dravenhol {

namespace {

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

Row WriteStandingContractRow(RowContext& rows, char* row) {
  const RecordView contract = rows.Record(kUmst);
  char number[kSourceAreaSize];
  contract.Text(umst::kNumber, number, sizeof number);
  char contractor[kQuotedFieldSize], description[kQuotedFieldSize];
  QuoteRecordText(contractor, contract, umst::kContractorKey);
  QuoteRecordText(description, contract, umst::kDescription);
  char start[kTextAreaSize], end[kTextAreaSize], created[kTextAreaSize];
  DateField(start, contract, umst::kStartDate);
  DateField(end, contract, umst::kEndDate);
  DateField(created, contract, umst::kCreatedDate);

  RowBuilder line(row, kRowCapacity);
  line.Integer(contract.I32(umst::kId)).Integer(contract.I16(umst::kState) == umst::kSuspended ? 1 : 0);
  line.Integer(contract.I16(umst::kKind) == 1 ? 1 : 3).Integer(contract.I16(umst::kFrequency));
  line.Text(number).Text(contractor).Text(description).Integer(PaymentKindOf(contract.U16(umst::kPaymentWord)));
  line.Integer(contract.I16(umst::kPaymentTerm)).Integer(1).Text(start).Text(end).Text(created).Tail(";");
  return line.Finish(contract.I32(umst::kId));
}

namespace {

// One umowy.csv row, and the mark of its goods.
Row WriteContractItemRow(RowContext& rows, void* item, const RecordView& contract) {
  host::HostPrepareContractItem(int32_t{0}, item, int32_t{0}, static_cast<const void*>(contract.data()));
  const RecordView record = rows.ItemRecord(item, kUmstDok);

  char number[kQuotedFieldSize], name[kQuotedFieldSize];
  QuoteRecordText(number, contract, umst::kNumber);
  QuoteRecordText(name, record, umst_dok::kName);
  const int16_t goodsId = record.I16(umst_dok::kGoodsId);
  const bool priceB = contract.I16(umst::kPriceSelector) != 0;

  char* row = host::HostScratchBuffer();
  // The goods occur in a standing contract whether or not its row fits.
  rows.marks.Mark(record, umst_dok::kGoodsId);
  if (row == nullptr) return Row::Dropped(Drop::kNoRowBuffer);
  RowBuilder line(row, kRowCapacity);
  line.Integer(contract.I32(umst::kId)).Text(number).Integer(goodsId).Text(name);
  line.Money(record.F64(priceB ? umst_dok::kPriceB : umst_dok::kPriceA))
      .Integer(VatRateFromCode(record.I16(umst_dok::kVat)));
  return line.Finish(contract.I32(umst::kId));
}

constexpr DocumentItems kContractItems{kContractsIndex, kUmst, umst::kId, true, &WriteContractItemRow};

}  // namespace

int32_t ExportContractItems(RowContext& rows, FileLines& lines) {
  return ExportDocumentItems(rows, kContractItems, lines);
}

}  // namespace dravenhol
