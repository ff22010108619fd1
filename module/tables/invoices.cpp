// faktury.csv and faktury_pozycje.csv.

#include "host/host_api.h"
#include "host/indexes.h"
#include "host/mazovia.h"
#include "host/records/tspr.h"
#include "host/records/tspr_dok.h"
#include "tables/documents.h"
#include "tables/row_builder.h"
#include "tables/row_context.h"
#include "tables/row_writers.h"
#include "tables/settlements.h"

namespace dravenhol {

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
