// faktury.csv and faktury_pozycje.csv, the settlement walk, and the item
// export that invoices and standing contracts share.
#include <algorithm>
#include <cstring>

#include "export/output.h"
#include "host/host_api.h"
#include "host/mazovia.h"
#include "tables/documents.h"
#include "host/host_objects.h"
#include "tables/row_builder.h"
#include "tables/row_writers.h"
#include "ui/plugin.h"

namespace dravenhol {

namespace {

// Sales document (Tspr).
constexpr std::size_t kTsprNumber = 2, kTsprSecondNumber = 19, kTsprCustomerKey = 36, kTsprType = 219,
                      kTsprSaleDate = 221, kTsprIssueDate = 230, kTsprPaymentTerm = 257, kTsprGrossTotal = 259,
                      kTsprGrossExempt = 363, kTsprRemarks = 436, kTsprUser = 539, kTsprContractor = 1453,
                      kTsprSettlement = 1461, kTsprDocumentId = 1465;
// The eleven amount columns from gross total to gross at 0%, skipping 331..347.
constexpr std::size_t kTsprAmounts[] = {259, 267, 275, 283, 291, 299, 307, 315, 323, 355, kTsprGrossExempt};

// Settlement entry (k4_kar).
constexpr std::size_t kKarDate = 336, kKarSlotKind = 588, kKarSlotAmount = 612, kKarSlotReference = 711,
                      kKarActive = 763;
constexpr int kSettlementSlots = 12;
constexpr int32_t kSettlementIndex = 53;

// Sales document item (Tspr_dok).
constexpr std::size_t kItemName = 2, kItemPriceA = 150, kItemVat = 166, kItemPriceB = 192;

// Standing contract (Umst): the id that keys its items.
constexpr std::size_t kUmstId = 854;

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
};

}  // namespace

void SumDocumentPayments(CDravenhol& plugin, int32_t reference, int32_t contractor, double* paid,
                         char (&date)[kTextAreaSize]) {
  *paid = 0.0;
  date[0] = '\0';
  // The host's settlement set-up, with a work block the module never reads.
  unsigned char setupBlock[16] = {};
  host::HostSettlementSetup(static_cast<void*>(setupBlock));

  CursorScope cursor;
  ContractorSwap swap(host::HostCurrentContractorRef(), contractor);
  double sum = 0.0;
  if (cursor.Open(kSettlementIndex)) {
    while (cursor.Next()) {
      const RecordView entry = plugin.Record(kK4Kar);
      if (entry.U32(kKarActive) == 0) continue;
      for (int slot = 0; slot < kSettlementSlots; ++slot) {
        if (entry.I32(kKarSlotReference + 4 * slot) != reference || entry.I16(kKarSlotKind + 2 * slot) != 1)
          continue;
        sum += entry.F64(kKarSlotAmount + 8 * slot);
        entry.Text(kKarDate, date, sizeof date);
      }
    }
  }
  *paid = sum;
  cursor.Close();
  swap.Restore();
}

char* WriteInvoiceRow(CDravenhol& plugin, char* row) {
  const RecordView document = plugin.Record(kTspr);
  char saleDate[kTextAreaSize], issueDate[kTextAreaSize], paymentDate[kTextAreaSize];
  CopyDateText(saleDate, document, kTsprSaleDate);
  CopyDateText(issueDate, document, kTsprIssueDate);

  char number[kQuotedFieldSize], remarks[kQuotedFieldSize], user[kQuotedFieldSize], customer[kQuotedFieldSize];
  QuoteRecordText(number, document, kTsprNumber);
  if (number[0] == '\0') QuoteRecordText(number, document, kTsprSecondNumber);
  QuoteRecordText(remarks, document, kTsprRemarks);
  QuoteRecordText(user, document, kTsprUser);
  QuoteRecordText(customer, document, kTsprCustomerKey);

  double paid = 0.0;
  char storedPaymentDate[kTextAreaSize];
  SumDocumentPayments(plugin, document.I32(kTsprSettlement), document.I32(kTsprContractor), &paid,
                      storedPaymentDate);
  paymentDate[0] = '\0';
  if (storedPaymentDate[0] != '\0') {
    CopyText(paymentDate, sizeof paymentDate, storedPaymentDate);
    FormatDateField(paymentDate, sizeof paymentDate);
  }
  // The dates are converted after the walk: payment, issue, then sale date.
  if (issueDate[0] != '\0') FormatDateField(issueDate, sizeof issueDate);
  if (saleDate[0] != '\0') FormatDateField(saleDate, sizeof saleDate);

  RowBuilder line(row, kRowCapacity);
  line.Integer(document.I32(kTsprDocumentId)).Text(number).Text(customer).Integer(document.I16(kTsprType));
  line.Text(saleDate).Text(issueDate).Money(paid).Integer(document.I16(kTsprPaymentTerm));
  static_assert(kTsprAmounts[0] == kTsprGrossTotal);
  for (std::size_t offset : kTsprAmounts) line.Money(document.F64(offset));
  line.Text(remarks).Text(user).Text(paymentDate).Integer(document.I32(kTsprContractor));
  if (!line.fits()) ReportLineTooLong("faktury.csv", document.I32(kTsprDocumentId));
  return line.line();
}

RecordView ItemRecord(const CDravenhol& plugin, const void* item, DataFileId file) {
  const int32_t hostLength = HostRecordLength(plugin.dataFiles[file].table);
  const int32_t length = std::min(hostLength, kDataFiles[file].recordLength);
  return RecordView(item, length > 0 ? static_cast<std::size_t>(length) : 0);
}

void WriteItemRow(CDravenhol& plugin, void* item, const RecordView& document) {
  if (plugin.currentIndex == 72) {
    WriteContractItemRow(plugin, item, document);
    return;
  }
  if (plugin.currentIndex != 811) return;

  const RecordView record = ItemRecord(plugin, item, kTsprDok);
  char name[kQuotedFieldSize];
  QuoteRecordText(name, record, kItemName);
  const bool oddType = (document.I16(kTsprType) & 1) != 0;

  char* row = host::HostScratchBuffer();
  if (row == nullptr) return;
  RowBuilder line(row, kRowCapacity);
  line.Integer(document.I32(kTsprDocumentId)).Text(name);
  line.Money(record.F64(oddType ? kItemPriceB : kItemPriceA)).Integer(VatRateFromCode(record.I16(kItemVat)));
  if (!line.fits()) {
    ReportLineTooLong("faktury_pozycje.csv", document.I32(kTsprDocumentId));
    return;
  }
  plugin.WriteSecondary(line.line(), kRowCapacity);
}

int32_t ExportDocumentItems(CDravenhol& plugin) {
  DataFileId documentFile;
  std::size_t idOffset;
  if (plugin.currentIndex == 811) {
    documentFile = kTspr;
    idOffset = kTsprDocumentId;
  } else if (plugin.currentIndex == 72) {
    documentFile = kUmst;
    idOffset = kUmstId;
  } else {
    return 0;
  }
  const RecordView document = plugin.Record(documentFile);
  const int32_t documentId = document.I32(idOffset);
  if (documentId == 0) return 0;

  const int32_t itemIndex = host::HostItemIndexOf(int32_t{plugin.currentIndex});
  HostKey key;
  std::memset(&key, 0, sizeof key);
  void* auxiliary = host::HostKeyInit(itemIndex, documentId, &key, int32_t{0});

  int32_t count = 0;
  HostHolder holder;
  OpenItemFileHolder(&holder, itemIndex, &key, auxiliary, &count);
  ItemFileScope file(static_cast<HostItemFile*>(host::HostHolderGet(&holder)));
  host::HostHolderDestroy(&holder);
  if (file.get() == nullptr) {
    host::HostErrorMessage(MZ("Błąd"), MZ("Brak pliku dokumentu!"), int32_t{1}, "Dravenhol");
    return 1;
  }

  if (count > 0) {
    ItemArrayScope items(host::HostReadItems(file.get(), count));
    if (items.get() == nullptr) {
      // The host reported items but delivered none: say so rather than
      // leaving the document without its items unnoticed.
      ReportItemsUnread(plugin.currentIndex == 72 ? "umowy.csv" : "faktury_pozycje.csv", documentId);
    } else {
      for (int32_t i = 0; i < count; ++i) {
        if (items.get()[i] != nullptr) WriteItemRow(plugin, items.get()[i], document);
      }
    }
    items.Free();
  }
  file.Close();
  return 0;
}

}  // namespace dravenhol
