#include "tables/lookups.h"

#include "host/host_api.h"
#include "host/records/k4.h"
#include "tables/nip.h"

namespace dravenhol {

void GoodsGroupName(const int32_t* group, char (&name)[kTextAreaSize]) {
  name[0] = '\0';
  host::HostGroupName(name, int32_t{kTextAreaSize - 1}, group, int32_t{127});
  name[kTextAreaSize - 1] = '\0';
}

namespace {

// The record HostGetAttribute fills: its kind and its value.
constexpr std::size_t kAttributeSize = 408, kAttributeKind = 6, kAttributeValue = 103;

}  // namespace

void QuotedAttribute(int32_t contractor, const char* attribute, int16_t kind, char (&field)[kQuotedFieldSize]) {
  field[0] = '\0';
  alignas(8) unsigned char record[kAttributeSize] = {};
  const int32_t found = host::HostGetAttribute(int32_t{0}, contractor, int32_t{0}, int32_t{431}, attribute,
                                               static_cast<void*>(record), int32_t{0});
  if (found < 0) return;
  const RecordView view(record, sizeof record);
  if (view.I16(kAttributeKind) != kind || view.TextEmpty(kAttributeValue)) return;
  QuoteRecordText(field, view, kAttributeValue);
}

void PlaceTaxNumber(const RecordView& contractor, char (&pesel)[kQuotedFieldSize], char (&nip)[kQuotedFieldSize]) {
  nip[0] = '\0';
  char taxNumber[kSourceAreaSize];
  contractor.Text(k4::kTaxNumber, taxNumber, sizeof taxNumber);
  if (IsValidNip(taxNumber))
    QuoteField(nip, taxNumber);
  else if (pesel[0] == '\0')
    QuoteField(pesel, taxNumber);
}

}  // namespace dravenhol
