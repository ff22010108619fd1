#include "walker.h"

#include <chrono>
#include <unordered_set>

#include "export/output_files.h"
#include "frame/binding.h"
#include "frame/frame_state.h"
#include "host/host_api.h"
#include "host/host_objects.h"
#include "host/indexes.h"
#include "host/mazovia.h"
#include "host/records/k4.h"
#include "host/records/k9.h"
#include "host/records/tspr.h"
#include "host/records/tspr_prop.h"
#include "host/records/umst.h"
#include "host/records/umst_dok.h"
#include "host/records/w3.h"
#include "output/output.h"
#include "platform/platform.h"
#include "tables/discounts.h"
#include "tables/documents.h"
#include "tables/lookups.h"
#include "tables/run_state.h"

namespace bench {

namespace {

namespace dh = dravenhol;
namespace host = dravenhol::host;
using Clock = std::chrono::steady_clock;

// The attributes that a contractor's row reads, and the one of its discount rows.
const char* const kRowAttributes[] = {MZ("e-mail"), MZ("Dow.Os."), MZ("tel."), MZ("Umowa"), MZ("Pesel")};
const char* const kDiscountAttribute = MZ("Pesel");

// The run as the module's filters see it: the data files, their current
// records, the index being walked, the method and the goods marks.
class Walk : public dh::RunState {
 public:
  explicit Walk(int16_t method) : marks_(dh::kGoodsMarkCount, 0) {
    for (int i = 0; i < dh::kDataFileCount; ++i)
      dataFiles[i].table = host::HostTableByNumber(int32_t{dh::kDataFiles[i].number});
    for (dh::DataFile& file : dataFiles)
      if (file.table != nullptr) host::HostTablePrepare(file.table, int32_t{255});
    for (dh::DataFile& file : dataFiles) file.record = dh::HostRecordBuffer(file.table);
    sendMethod = method;
    tabIdentyf = marks_.data();
  }
  ~Walk() { ReleaseCaches(); }
  Walk(const Walk&) = delete;
  Walk& operator=(const Walk&) = delete;

  // The walk for one file and the second file of its pair.
  void Pass(const dh::OutputFileSpec& file) {
    if (file.pass == dh::Pass::Warehouses) {
      Warehouses(file);
      return;
    }
    if (file.pass == dh::Pass::Discounts) {
      host::HostDiscountPassSetupA(int32_t{-1}, int32_t{0});
      host::HostDiscountPassSetupB(int32_t{-1});
    }
    // The contractor passes walk index 198 after the file's own, with one cursor.
    const bool twice = file.pass == dh::Pass::Contractors || file.pass == dh::Pass::Discounts;
    const int16_t indexes[] = {file.index, dh::kContractorsSecondIndex};
    dh::CursorScope cursor;
    for (int i = 0; i < (twice ? 2 : 1); ++i) {
      currentIndex = indexes[i];
      if (cursor.Open(currentIndex)) {
        while (cursor.Next()) {
          RowLookUps(file);
          if (file.index == dh::kContractsIndex || file.index == dh::kInvoicesIndex) Items();
          if (file.pass == dh::Pass::Discounts) Discounts();
        }
      }
      cursor.Close();
    }
    currentIndex = 0;
  }

 private:
  // What the row writer of a record that passes the file's filter asks the host.
  void RowLookUps(const dh::OutputFileSpec& file) {
    if (file.writer.row == nullptr || (file.writer.filter != nullptr && !file.writer.filter(*this))) return;
    if (file.pass == dh::Pass::Contractors) {
      for (const char* name : kRowAttributes) Attribute(Record(dh::kK4).I32(dh::k4::kId), name);
    } else if (file.index == dh::kContractsIndex) {
      dh::PaymentKindOf(Record(dh::kUmst).U16(dh::umst::kPaymentWord));
    } else if (file.index == dh::kInvoicesIndex) {
      Settlements(Record(dh::kTspr).I32(dh::tspr::kContractor));
    } else if (file.index == dh::kGoodsIndex) {
      host::HostCurrentWarehouse();
      GroupName(Record(dh::kK9).I32(dh::k9::kGroup));
    }
  }

  static void Attribute(int32_t contractor, const char* name) {
    alignas(8) unsigned char attribute[408] = {};
    host::HostGetAttribute(int32_t{0}, contractor, int32_t{0}, int32_t{431}, name, static_cast<void*>(attribute),
                           int32_t{0});
  }

  static void GroupName(int32_t group) {
    char name[dh::kTextAreaSize];
    dh::GoodsGroupName(&group, name);
  }

  // The contractor's settlement entries, walked once per run as the
  // module's settlement cache does (again when the walk could not start).
  void Settlements(int32_t contractor) {
    if (walkedContractors_.count(contractor) != 0) return;
    unsigned char setupBlock[16] = {};
    host::HostSettlementSetup(static_cast<void*>(setupBlock));
    dh::CursorScope cursor;
    int32_t* current = host::HostCurrentContractorRef();
    const int32_t saved = current != nullptr ? *current : 0;
    if (current != nullptr) *current = contractor;
    if (cursor.Open(int32_t{dh::kSettlementIndex})) {
      walkedContractors_.insert(contractor);
      while (cursor.Next()) {
      }
    }
    cursor.Close();
    if (current != nullptr) *current = saved;
  }

  // The current document's item file; a standing contract's items are
  // prepared by the host and mark their goods.
  void Items() {
    const bool contract = currentIndex == dh::kContractsIndex;
    const dh::RecordView document = Record(contract ? dh::kUmst : dh::kTspr);
    const int32_t id = document.I32(contract ? dh::umst::kId : dh::tspr::kDocumentId);
    if (id == 0) return;
    const int32_t itemIndex = host::HostItemIndexOf(int32_t{currentIndex});
    dh::HostKey key = {};
    void* auxiliary = host::HostKeyInit(itemIndex, id, &key, int32_t{0});
    int32_t count = 0;
    dh::ItemFileScope file;
    dh::OpenItemFile(&file, itemIndex, &key, auxiliary, &count);
    if (file.get() == nullptr || count <= 0) return;
    dh::ItemArrayScope items(host::HostReadItems(file.get(), count));
    for (int32_t i = 0; contract && items.get() != nullptr && i < count; ++i) {
      void* item = items.get()[i];
      if (item == nullptr) continue;
      host::HostPrepareContractItem(int32_t{0}, item, int32_t{0}, static_cast<const void*>(document.data()));
      const uint16_t goods = ItemRecord(item, dh::kUmstDok).U16(dh::umst_dok::kGoodsId);
      if (goods >= 1 && goods < dh::kGoodsMarkCount) marks_[goods] = 1;
    }
  }

  // The discount file, read once per run through the module's own reader,
  // then the current contractor's look-ups.
  void Discounts() {
    bool anySwitch = false;
    for (std::size_t offset : dh::tspr_prop::kDiscountSwitches)
      anySwitch = anySwitch || Record(dh::kTsprProp).I16(offset) != 0;
    const int32_t id = Record(dh::kK4).I32(dh::k4::kId);
    if (!anySwitch || id == 0) return;
    if (discounts == nullptr) discounts = dh::ReadDiscountFile(*this);
    const std::vector<dh::DiscountEntry>* entries = discounts != nullptr ? discounts->Find(id) : nullptr;
    if (entries == nullptr) return;
    Attribute(id, kDiscountAttribute);
    for (const dh::DiscountEntry& entry : *entries) GroupName(entry.group);
  }

  void Warehouses(const dh::OutputFileSpec& file) {
    dh::CursorScope warehouses;
    currentIndex = file.index;
    host::HostMakeDataName(int32_t{dh::kWarehousesIndex}, static_cast<void*>(warehouses.key()), "MMM", ".UNR",
                           int32_t{117});
    if (warehouses.OpenPrepared(dataFiles[dh::kW3].table, dh::kWarehousesIndex)) {
      while (warehouses.Next()) {
        const dh::RecordView warehouse = Record(dh::kW3);
        if (warehouse.Byte(dh::w3::kName) == 0) continue;
        if (int16_t* current = host::HostCurrentWarehouse(); current != nullptr)
          *current = warehouse.I16(dh::w3::kNumber);
        dh::CursorScope goods;
        if (goods.Open(file.index))
          while (goods.Next()) RowLookUps(file);
      }
    }
    currentIndex = 0;
  }

  std::vector<int32_t> marks_;
  std::unordered_set<int32_t> walkedContractors_;
};

}  // namespace

void BindHostFunctions() {
  dh::g_frame.hostModule = dh::platform::FindLoadedModule("QELMAR");
  dh::BindAllHostFunctions();
}

std::vector<double> WalkExport(int16_t method) {
  Walk walk(method);
  std::vector<double> seconds;
  for (const dh::OutputFileSpec& file : dh::kOutputFiles) {
    if (file.second) continue;
    const auto start = Clock::now();
    walk.Pass(file);
    seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  return seconds;
}

}  // namespace bench
