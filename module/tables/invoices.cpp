// faktury.csv and faktury_pozycje.csv, and the settlement walk.
#include <memory>
#include <new>

#include "host/host_api.h"
#include "host/host_objects.h"
#include "host/indexes.h"
#include "host/mazovia.h"
#include "host/records/k4_kar.h"
#include "host/records/tspr.h"
#include "host/records/tspr_dok.h"
#include "tables/documents.h"
#include "tables/row_builder.h"
#include "tables/row_context.h"
#include "tables/row_writers.h"
#include "tables/settlements.h"

namespace dravenhol {

void SumDocumentPayments(RowContext& rows, int32_t reference, int32_t contractor, double* paid,
                         char (&date)[kTextAreaSize]) {
  *paid = 0.0;
  date[0] = '\0';
  // A contractor whose entries were walked before in this run is not walked
  // again: its walk kept every reference's payment.
  SettlementCache* kept = rows.caches.settlements.get();
  if (kept == nullptr) {
    // Without memory for it, every invoice walks its contractor's entries.
    rows.caches.settlements.Keep(std::unique_ptr<SettlementCache>(new (std::nothrow) SettlementCache));
    kept = rows.caches.settlements.get();
  }
  if (kept != nullptr && kept->Find(contractor, reference, paid, date)) return;

  // The host's settlement set-up, with a work block the module never reads.
  alignas(8) unsigned char setupBlock[kUnstatedBlockSize] = {};
  host::HostSettlementSetup(static_cast<void*>(setupBlock));

  CursorScope cursor;
  ContractorSwap swap(host::HostCurrentContractorRef(), contractor);
  double sum = 0.0;
  if (cursor.Open(int32_t{kSettlementIndex})) {
    if (kept != nullptr) kept->Begin(contractor);
    while (cursor.Next()) {
      const RecordView entry = rows.Record(kK4Kar);
      if (entry.U32(k4_kar::kActive) == 0) continue;
      char entryDate[kTextAreaSize];
      bool dated = false;
      if (kept != nullptr) kept->NextEntry();
      for (std::size_t slot = 0; slot < std::size_t{k4_kar::kSlots}; ++slot) {
        if (entry.I16(k4_kar::kSlotKind + 2 * slot) != 1) continue;
        if (!dated) {
          entry.Text(k4_kar::kDate, entryDate, sizeof entryDate);
          dated = true;
        }
        const int32_t slotReference = entry.I32(k4_kar::kSlotReference + 4 * slot);
        const double amount = entry.F64(k4_kar::kSlotAmount + 8 * slot);
        if (kept != nullptr) kept->Slot(slotReference, amount, entryDate);
        if (slotReference != reference) continue;
        sum += amount;
        CopyText(date, sizeof date, entryDate);
      }
    }
    // Kept only after the whole walk: one left by an exception keeps nothing.
    if (kept != nullptr) kept->Keep();
  }
  *paid = sum;
  cursor.Close();
  swap.Restore();
}

Row WriteInvoiceRow(RowContext& rows, char* row) {
  const RecordView document = rows.Record(kTspr);
  char saleDate[kTextAreaSize], issueDate[kTextAreaSize], paymentDate[kTextAreaSize];
  CopyDateText(saleDate, document, tspr::kSaleDate);
  CopyDateText(issueDate, document, tspr::kIssueDate);

  char number[kQuotedFieldSize], remarks[kQuotedFieldSize], user[kQuotedFieldSize], customer[kQuotedFieldSize];
  QuoteRecordText(number, document, tspr::kNumber);
  if (number[0] == '\0') QuoteRecordText(number, document, tspr::kSecondNumber);
  QuoteRecordText(remarks, document, tspr::kRemarks);
  QuoteRecordText(user, document, tspr::kCreatedBy);
  QuoteRecordText(customer, document, tspr::kCustomerKey);

  double paid = 0.0;
  char storedPaymentDate[kTextAreaSize];
  SumDocumentPayments(rows, document.I32(tspr::kSettlement), document.I32(tspr::kContractor), &paid, storedPaymentDate);
  paymentDate[0] = '\0';
  if (storedPaymentDate[0] != '\0') {
    CopyText(paymentDate, sizeof paymentDate, storedPaymentDate);
    FormatDateField(paymentDate, sizeof paymentDate);
  }
  // The dates are converted after the walk: payment, issue, then sale date.
  if (issueDate[0] != '\0') FormatDateField(issueDate, sizeof issueDate);
  if (saleDate[0] != '\0') FormatDateField(saleDate, sizeof saleDate);

  RowBuilder line(row, kRowCapacity);
  line.Integer(document.I32(tspr::kDocumentId)).Text(number).Text(customer).Integer(document.I16(tspr::kType));
  line.Text(saleDate).Text(issueDate).Money(paid).Integer(document.I16(tspr::kPaymentTerm));
  for (std::size_t offset : tspr::kAmounts) line.Money(document.F64(offset));
  line.Text(remarks).Text(user).Text(paymentDate).Integer(document.I32(tspr::kContractor));
  return line.Finish(document.I32(tspr::kDocumentId));
}

namespace {

// One faktury_pozycje.csv row: the price of the document's type (odd types
// take the second price).
Row WriteInvoiceItemRow(RowContext& rows, void* item, const RecordView& document) {
  const RecordView record = rows.ItemRecord(item, kTsprDok);
  char name[kQuotedFieldSize];
  QuoteRecordText(name, record, tspr_dok::kName);
  const bool oddType = (document.I16(tspr::kType) & 1) != 0;

  char* row = host::HostScratchBuffer();
  if (row == nullptr) return Row::Dropped(Drop::kNoRowBuffer);
  RowBuilder line(row, kRowCapacity);
  line.Integer(document.I32(tspr::kDocumentId)).Text(name);
  line.Money(record.F64(oddType ? tspr_dok::kPriceB : tspr_dok::kPriceA))
      .Integer(VatRateFromCode(record.I16(tspr_dok::kVat)));
  return line.Finish(document.I32(tspr::kDocumentId));
}

constexpr DocumentItems kInvoiceItems{kInvoicesIndex, kTspr, tspr::kDocumentId, false, &WriteInvoiceItemRow};

}  // namespace

int32_t ExportInvoiceItems(RowContext& rows, FileLines& lines) {
  return ExportDocumentItems(rows, kInvoiceItems, lines);
}

}  // namespace dravenhol
