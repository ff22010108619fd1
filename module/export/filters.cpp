// Which records of a walk get a line in their file.
#include "export/output_files.h"
#include "host/records/h1.h"
#include "host/records/k4.h"
#include "host/records/k9.h"
#include "host/records/tspr.h"
#include "host/records/umst.h"

namespace dravenhol {

namespace {
constexpr double kAmountEpsilon = 0.00001;
}  // namespace

bool IsExportedContract(const RowContext& rows) { return rows.interkam() && rows.Record(kUmst).I32(umst::kId) != 0; }

bool IsExportedInvoice(const RowContext& rows) { return rows.Record(kTspr).I32(tspr::kDocumentId) != 0; }

bool IsExportedContractor(const RowContext& rows) {
  const RecordView contractor = rows.Record(kK4);
  if (!rows.interkam()) return contractor.I32(k4::kId) != 0;
  const unsigned char first = contractor.Byte(k4::kSymbol);
  const double amount = contractor.F64(k4::kFilterAmount);
  return first >= '0' && first <= '9' && (amount <= -kAmountEpsilon || amount >= kAmountEpsilon);
}

bool IsExportedGoods(const RowContext& rows) {
  const RecordView goods = rows.Record(kK9);
  if (goods.U16(k9::kId) == 0) return false;
  return !rows.interkam() || rows.marks.IsMarked(goods, k9::kId);
}

bool IsExportedUser(const RowContext& rows) {
  const RecordView user = rows.Record(kH1);
  return user.Byte(h1::kName) != 0 || user.Byte(h1::kIdentifier) != 0 || user.Byte(h1::kThird) != 0;
}

}  // namespace dravenhol
