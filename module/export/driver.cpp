// The export driver: one run from the dialog to the final message.
#include "export/dialog_template.h"
#include "export/export_run.h"
#include "host/host_api.h"
#include "host/host_objects.h"
#include "host/mazovia.h"
#include "host/records/w3.h"
#include "output/output.h"
#include "platform/format.h"

namespace dravenhol {

int32_t ExportRun::Run() {
  int32_t dialogData = 0;  // the dialog always opens with the first method selected
  const int16_t answer = host::HostRunDialog(static_cast<const void*>(kExportDialogTemplate.data()),
                                             int32_t{kExportDialogNumber}, static_cast<void*>(&dialogData), int32_t{0});
  if (answer != kDialogAccepted) return 0;
  if (PrepareExport(static_cast<int16_t>(dialogData)) != 0) return 0;

  BaseDirectoryLock lock;
  if (!lock.Take()) return 0;
  const char* names[kOutputFiles.size()];
  for (std::size_t i = 0; i < kOutputFiles.size(); ++i) names[i] = kOutputFiles[i].name;
  lock.BeginRecord(sendMethod == kInterkam ? "Interkam" : "Universal", names, static_cast<int>(kOutputFiles.size()));
  // A run that stops part-way must not leave files of an earlier run beside
  // its own: the files are emptied first, and each pass writes its own. A
  // file that cannot be emptied is named now, and not again by its pass.
  for (std::size_t i = 0; i < kOutputFiles.size(); ++i) {
    if (EmptyEarlierOutputFile(kOutputFiles[i].name)) continue;
    ShowOpenFailure(kOutputFiles[i].name);
    namedUnopened_ |= 1u << i;
  }

  for (std::size_t i = 0; i < kOutputFiles.size(); ++i) {
    if (kOutputFiles[i].second) continue;
    const bool paired = i + 1 < kOutputFiles.size() && kOutputFiles[i + 1].second;
    ExportTable(kOutputFiles[i], paired ? &kOutputFiles[i + 1] : nullptr);
    EndPass();
  }

  char path[kMaxPath + 5];
  if (!BaseDirectoryPath(kOutputDirectory, path, sizeof path)) {
    const char* base = host::HostBaseDirectory();
    CopyBounded(path, sizeof path, base != nullptr ? base : "");
  }
  ShowFormattedMessage(MZ("Uwaga"), "Pliki uworzono w katalogu:\n%s", 1, static_cast<const char*>(path));
  return 0;
}

int32_t ExportRun::PrepareExport(int16_t method) {
  for (int i = 0; i < kDataFileCount; ++i) dataFiles[i].table = host::HostTableByNumber(int32_t{kDataFiles[i].number});
  for (const DataFile& file : dataFiles) {
    if (file.table == nullptr) {
      host::HostMessageBox(MZ("Uwaga"), MZ("Błąd operacji dyskowej-Initial!\nOperacja niekompletna!"), int32_t{1});
      return 1;
    }
  }
  for (DataFile& file : dataFiles) host::HostTablePrepare(file.table, int32_t{255});
  for (DataFile& file : dataFiles) file.record = HostRecordBuffer(file.table);
  sendMethod = method;
  tabIdentyf = static_cast<int32_t*>(host::HostAllocZeroed(uint32_t{kGoodsMarkCount * sizeof(int32_t)}));
  if (tabIdentyf == nullptr) {
    host::HostMessageBox(MZ("Uwaga"), MZ("Błąd operacji na pamięci-tabIdentyf!\nOperacja niekompletna!"), int32_t{1});
    return 1;
  }
  return 0;
}

void ExportRun::ExportTable(const OutputFileSpec& file, const OutputFileSpec* second) {
  if (file.pass == Pass::Warehouses) {
    ExportWarehouses(file);
    return;
  }
  CursorScope cursor;
  currentIndex = file.index;
  if (OpenOutputFiles(file, second) != 0) {
    if (file.index == kContractsIndex) marksIncomplete = true;  // no contract marks its goods
    return;
  }
  if (file.pass == Pass::Discounts) {
    host::HostDiscountPassSetupA(int32_t{-1}, int32_t{0});
    host::HostDiscountPassSetupB(int32_t{-1});
  }
  for (;;) {
    if (cursor.Open(currentIndex)) {
      while (cursor.Next()) {
        ExportRecord(file);
        if (second != nullptr && second->writer.exporter != nullptr) second->writer.exporter(*this);
        if (file.writer.exporter != nullptr) file.writer.exporter(*this);
      }
    }
    cursor.Close();
    const bool twice = file.pass == Pass::Contractors || file.pass == Pass::Discounts;
    if (!twice || currentIndex != file.index) break;
    currentIndex = kContractorsSecondIndex;  // both indexes write into the same file
  }
  CloseOutputFiles();
  currentIndex = 0;
}

int32_t ExportRun::OpenOutputFiles(const OutputFileSpec& file, const OutputFileSpec* second) {
  if (second == nullptr) host::HostHolderSet(&secondaryFile, static_cast<void*>(nullptr));
  if (!OpenOutputFile(&primaryFile, &primaryState, file.name, file.capacity)) {
    ShowOpenFailureOnce(file);
    if (second != nullptr) ShowIncomplete(second->name);  // its pass does not run
    return 1;
  }
  if (second != nullptr && !OpenOutputFile(&secondaryFile, &secondaryState, second->name, second->capacity)) {
    ShowOpenFailureOnce(*second);
    primaryState.incomplete = true;  // the first file stays empty, and is named as such
    CloseOutputFiles();
    return 1;
  }
  WriteOutputLine(&primaryFile, &primaryState, file.header, kHeaderCapacity);
  if (second != nullptr) WriteOutputLine(&secondaryFile, &secondaryState, second->header, kHeaderCapacity);
  return 0;
}

void ExportRun::ShowOpenFailureOnce(const OutputFileSpec& file) {
  const auto bit = 1u << static_cast<unsigned>(&file - kOutputFiles.data());
  if ((namedUnopened_ & bit) == 0) ShowOpenFailure(file.name);
  namedUnopened_ |= bit;
}

void ExportRun::ExportRecord(const OutputFileSpec& file) {
  if (file.writer.row == nullptr) return;
  if (file.writer.filter != nullptr && !file.writer.filter(*this)) return;
  char* row = host::HostScratchBuffer();
  if (row == nullptr) return;
  // A row that does not fit its line is not written (its writer told the user).
  if (const char* line = file.writer.row(*this, row); line != nullptr) WritePrimary(line);
}

void ExportRun::ExportWarehouses(const OutputFileSpec& file) {
  CursorScope cursor;
  currentIndex = file.index;
  if (OpenOutputFiles(file, nullptr) != 0) return;
  host::HostMakeDataName(int32_t{kWarehousesIndex}, static_cast<void*>(cursor.key()), "MMM", ".UNR", int32_t{117});
  if (cursor.OpenPrepared(dataFiles[kW3].table, kWarehousesIndex)) {
    while (cursor.Next()) {
      const RecordView warehouse = Record(kW3);
      if (warehouse.Byte(w3::kName) == 0) continue;
      if (int16_t* current = host::HostCurrentWarehouse(); current != nullptr) *current = warehouse.I16(w3::kNumber);
      ExportWarehouseGoods(file);
    }
  }
  cursor.Close();
  // Under Interkam the goods are those the contracts marked: contracts whose
  // items could not be read leave goods out of the file.
  if (sendMethod == kInterkam && marksIncomplete) primaryState.incomplete = true;
  CloseOutputFiles();
  currentIndex = 0;
}

void ExportRun::ExportWarehouseGoods(const OutputFileSpec& file) {
  CursorScope cursor;
  if (cursor.Open(file.index))
    while (cursor.Next()) ExportRecord(file);
  cursor.Close();
}

}  // namespace dravenhol
