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

bool IsExportedContract(const RunState& run) {
  return run.sendMethod == kInterkam && run.Record(kUmst).I32(umst::kId) != 0;
}

bool IsExportedInvoice(const RunState& run) { return run.Record(kTspr).I32(tspr::kDocumentId) != 0; }

bool IsExportedContractor(const RunState& run) {
  const RecordView contractor = run.Record(kK4);
  if (run.sendMethod != kInterkam) return contractor.I32(k4::kId) != 0;
  const unsigned char first = contractor.Byte(k4::kSymbol);
  const double amount = contractor.F64(k4::kFilterAmount);
  return first >= '0' && first <= '9' && (amount <= -kAmountEpsilon || amount >= kAmountEpsilon);
}

bool IsExportedGoods(const RunState& run) {
  // Marks are kept by the 16 bits read without sign (see the contract items).
  const uint16_t id = run.Record(kK9).U16(k9::kId);
  if (id == 0) return false;
  if (run.sendMethod != kInterkam) return true;
  return id >= 1 && id < kGoodsMarkCount && run.tabIdentyf != nullptr && run.tabIdentyf[id] != 0;
}

bool IsExportedUser(const RunState& run) {
  const RecordView user = run.Record(kH1);
  return user.Byte(h1::kName) != 0 || user.Byte(h1::kIdentifier) != 0 || user.Byte(h1::kThird) != 0;
}

}  // namespace dravenhol
