// faktury.csv and faktury_pozycje.csv, the settlement walk, and the item
// export that invoices and standing contracts share.
#include <algorithm>
#include <cstring>

#include "host/host_api.h"
#include "host/host_objects.h"
#include "host/indexes.h"
#include "host/mazovia.h"
#include "host/records/k4_kar.h"
#include "host/records/tspr.h"
#include "host/records/tspr_dok.h"
#include "host/records/umst.h"
#include "output/output.h"
#include "tables/documents.h"
#include "tables/row_builder.h"
#include "tables/row_writers.h"
#include "tables/run_state.h"
#include "tables/settlements.h"

namespace dravenhol {

namespace {

// Puts the host's current contractor back on every way out.
class ContractorSwap {
 public:
  ContractorSwap(int32_t* current, int32_t contractor) : current_(current) {
    if (current_ == nullptr) return;
    saved_ = *current_;
    *current_ = contractor;
  }
  ~ContractorSwap() { Restore(); }
  ContractorSwap(const ContractorSwap&) = delete;
  ContractorSwap& operator=(const ContractorSwap&) = delete;
  void Restore() {
    if (current_ == nullptr) return;
    *current_ = saved_;
    current_ = nullptr;
  }

 private:
  int32_t* current_;
  int32_t saved_ = 0;
  Held held_{this, &ReleaseBy<ContractorSwap, &ContractorSwap::Restore>};
};

}  // namespace

void SumDocumentPayments(RunState& run, int32_t reference, int32_t contractor, double* paid,
                         char (&date)[kTextAreaSize]) {
  *paid = 0.0;
  date[0] = '\0';
  // A contractor whose entries were walked before in this run is not walked
  // again: its walk kept every reference's payment.
  SettlementCache* kept = run.Settlements();
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
      const RecordView entry = run.Record(kK4Kar);
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

char* WriteInvoiceRow(RunState& run, char* row) {
  const RecordView document = run.Record(kTspr);
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
  SumDocumentPayments(run, document.I32(tspr::kSettlement), document.I32(tspr::kContractor), &paid, storedPaymentDate);
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
  if (!line.fits() && run.FirstPrimaryFailure()) ReportLineTooLong(run.PrimaryName(), document.I32(tspr::kDocumentId));
  return line.line();
}

void WriteItemRow(RunState& run, void* item, const RecordView& document) {
  if (run.currentIndex == kContractsIndex) {
    WriteContractItemRow(run, item, document);
    return;
  }
  if (run.currentIndex != kInvoicesIndex) return;

  const RecordView record = run.ItemRecord(item, kTsprDok);
  char name[kQuotedFieldSize];
  QuoteRecordText(name, record, tspr_dok::kName);
  const bool oddType = (document.I16(tspr::kType) & 1) != 0;

  char* row = host::HostScratchBuffer();
  if (row == nullptr) return;
  RowBuilder line(row, kRowCapacity);
  line.Integer(document.I32(tspr::kDocumentId)).Text(name);
  line.Money(record.F64(oddType ? tspr_dok::kPriceB : tspr_dok::kPriceA))
      .Integer(VatRateFromCode(record.I16(tspr_dok::kVat)));
  if (!line.fits()) {
    if (run.FirstSecondaryFailure()) ReportLineTooLong(run.SecondaryName(), document.I32(tspr::kDocumentId));
    return;
  }
  run.WriteSecondary(line.line());
}

int32_t ExportDocumentItems(RunState& run) {
  DataFileId documentFile;
  std::size_t idOffset;
  if (run.currentIndex == kInvoicesIndex) {
    documentFile = kTspr;
    idOffset = tspr::kDocumentId;
  } else if (run.currentIndex == kContractsIndex) {
    documentFile = kUmst;
    idOffset = umst::kId;
  } else {
    return 0;
  }
  const RecordView document = run.Record(documentFile);
  const int32_t documentId = document.I32(idOffset);
  if (documentId == 0) return 0;

  const int32_t itemIndex = host::HostItemIndexOf(int32_t{run.currentIndex});
  HostKey key;
  std::memset(&key, 0, sizeof key);
  void* auxiliary = host::HostKeyInit(itemIndex, documentId, &key, int32_t{0});

  int32_t count = 0;
  ItemFileScope file;
  OpenItemFile(&file, itemIndex, &key, auxiliary, &count);
  // A contract whose items are not read cannot mark their goods.
  const bool contract = run.currentIndex == kContractsIndex;
  if (file.get() == nullptr) {
    if (contract) run.marksIncomplete = true;
    run.secondaryState.incomplete = true;  // the document's items are missing from the file
    if (run.FirstSecondaryFailure())
      host::HostErrorMessage(MZ("Błąd"), MZ("Brak pliku dokumentu!"), int32_t{1}, "Dravenhol");
    return 1;
  }

  if (count > 0) {
    ItemArrayScope items(host::HostReadItems(file.get(), count));
    if (items.get() == nullptr) {
      // The host reported items but delivered none: say so rather than
      // leaving the document without its items unnoticed.
      if (contract) run.marksIncomplete = true;
      run.secondaryState.incomplete = true;
      if (run.FirstSecondaryFailure()) ReportItemsUnread(run.SecondaryName(), documentId);
    } else {
      for (int32_t i = 0; i < count; ++i) {
        if (items.get()[i] != nullptr) WriteItemRow(run, items.get()[i], document);
      }
    }
    items.Free();
  }
  file.Close();
  return 0;
}

}  // namespace dravenhol
