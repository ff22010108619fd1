// The export driver: one run from the dialog to the final message.
#include "export/export_run.h"
#include "export/dialog_template.h"
#include "host/host_api.h"
#include "host/host_objects.h"
#include "host/mazovia.h"
#include "host/records/w3.h"
#include "host/services.h"
#include "host/texts.h"
#include "output/output.h"
#include "platform/format.h"

namespace dravenhol {

ExportRun::ExportRun(RunBlock& block, Lines lines)
    : block_(block),
      output_(block.primaryFile, block.secondaryFile, lines),
      marks_(block.tabIdentyf),
      rows_(block, marks_, caches_) {}

void ExportRun::Begin() {
  block_.currentIndex = 0;
  for (DataFile& file : block_.dataFiles) file = DataFile{nullptr, nullptr};
  block_.sendMethod = kUniversal;
  block_.tabIdentyf = nullptr;
  output_.Begin();
}

void ExportRun::End(bool abandoned) {
  marks_.Free();
  caches_.EndRun();
  block_.currentIndex = 0;
  output_.End(abandoned);
}

int32_t ExportRun::Run() {
  int32_t dialogData = 0;  // the dialog always opens with the first method selected
  const int16_t answer = host::HostRunDialog(static_cast<const void*>(kExportDialogTemplate.data()),
                                             int32_t{kExportDialogNumber}, static_cast<void*>(&dialogData), int32_t{0});
  if (answer != kDialogAccepted) return 0;
  if (PrepareExport(static_cast<int16_t>(dialogData)) != 0) return 0;

  BaseDirectoryLock lock;
  if (!lock.Take()) return 0;
  const char* names[kOutputFiles.size()];
  for (std::size_t i = 0; i < kOutputFiles.size(); ++i) names[i] = kOutputFiles[i].file.name;
  lock.BeginRecord(rows_.interkam() ? "Interkam" : "Universal", names, static_cast<int>(kOutputFiles.size()));
  // A run that stops part-way must not leave files of an earlier run beside
  // its own: the files are emptied first, and each pass writes its own. A
  // file that cannot be emptied is named now, and not again by its pass.
  for (const OutputFileEntry& entry : kOutputFiles)
    if (!EmptyEarlierOutputFile(entry.file.name)) output_.NameUnopened(entry.file.name);

  ExportPasses();

  char path[kFileSystemPathSize];
  if (!BaseDirectoryPath(kOutputDirectory, path, sizeof path)) {
    const char* base = host::HostBaseDirectory();
    CopyBounded(path, sizeof path, base != nullptr ? base : "");
  }
  ShowFormattedMessage(texts::kTitleWarning, texts::kFilesCreated, 1, static_cast<const char*>(path));
  return 0;
}

void ExportRun::ExportPasses(void (*afterPass)(void* context), void* context) {
  for (std::size_t i = 0; i < kOutputFiles.size(); ++i) {
    if (kOutputFiles[i].second) continue;
    const bool paired = i + 1 < kOutputFiles.size() && kOutputFiles[i + 1].second;
    ExportTable(kOutputFiles[i], paired ? &kOutputFiles[i + 1] : nullptr);
    caches_.EndPass();
    if (afterPass != nullptr) afterPass(context);
  }
}

int32_t ExportRun::PrepareExport(int16_t method) {
  for (int i = 0; i < kDataFileCount; ++i)
    block_.dataFiles[i].table = host::HostTableByNumber(int32_t{kDataFiles[i].number});
  for (const DataFile& file : block_.dataFiles) {
    if (file.table == nullptr) {
      host::HostMessageBox(texts::kTitleWarning, texts::kDiskErrorInitial, int32_t{1});
      return 1;
    }
  }
  for (DataFile& file : block_.dataFiles) host::HostTablePrepare(file.table, int32_t{255});
  for (DataFile& file : block_.dataFiles) file.record = HostRecordBuffer(file.table);
  block_.sendMethod = method;
  if (!marks_.Allocate()) {
    host::HostMessageBox(texts::kTitleWarning, texts::kMemoryErrorMarks, int32_t{1});
    return 1;
  }
  return 0;
}

void ExportRun::ExportTable(const OutputFileEntry& file, const OutputFileEntry* second) {
  if (file.pass == Pass::Warehouses) {
    ExportWarehouses(file);
    return;
  }
  CursorScope cursor;
  block_.currentIndex = file.index;
  if (OpenOutputFiles(file, second) != 0) {
    if (file.index == kContractsIndex) marks_.SetIncomplete();  // no contract marks its goods
    return;
  }
  if (file.pass == Pass::Discounts) {
    host::HostDiscountPassSetupA(int32_t{-1}, int32_t{0});
    host::HostDiscountPassSetupB(int32_t{-1});
  }
  FileLines primary(output_, Side::kPrimary), secondary(output_, Side::kSecondary);
  for (;;) {
    if (cursor.Open(block_.currentIndex)) {
      while (cursor.Next()) {
        ExportRecord(file);
        if (second != nullptr && second->writer.exporter != nullptr) second->writer.exporter(rows_, secondary);
        if (file.writer.exporter != nullptr) file.writer.exporter(rows_, primary);
      }
    }
    cursor.Close();
    const bool twice = file.pass == Pass::Contractors || file.pass == Pass::Discounts;
    if (!twice || block_.currentIndex != file.index) break;
    block_.currentIndex = kContractorsSecondIndex;  // both indexes write into the same file
  }
  output_.Close();
  block_.currentIndex = 0;
}

int32_t ExportRun::OpenOutputFiles(const OutputFileEntry& file, const OutputFileEntry* second) {
  return output_.Open(file.file, second != nullptr ? &second->file : nullptr) ? 0 : 1;
}

void ExportRun::ExportRecord(const OutputFileEntry& file) {
  if (file.writer.row == nullptr) return;
  if (file.writer.filter != nullptr && !file.writer.filter(rows_)) return;
  char* row = host::HostScratchBuffer();
  output_.Put(Side::kPrimary, row != nullptr ? file.writer.row(rows_, row) : Row::Dropped(Drop::kNoRowBuffer));
}

void ExportRun::ExportWarehouses(const OutputFileEntry& file) {
  CursorScope cursor;
  block_.currentIndex = file.index;
  if (OpenOutputFiles(file, nullptr) != 0) return;
  host::HostMakeDataName(int32_t{kWarehousesIndex}, static_cast<void*>(cursor.key()), "MMM", ".UNR", int32_t{117});
  if (cursor.OpenPrepared(block_.dataFiles[kW3].table, kWarehousesIndex)) {
    while (cursor.Next()) {
      const RecordView warehouse = rows_.Record(kW3);
      if (warehouse.Byte(w3::kName) == 0) continue;
      if (int16_t* current = host::HostCurrentWarehouse(); current != nullptr) *current = warehouse.I16(w3::kNumber);
      ExportWarehouseGoods(file);
    }
  }
  cursor.Close();
  // Under Interkam the goods are those the contracts marked: contracts whose
  // items could not be read leave goods out of the file.
  if (rows_.interkam() && marks_.incomplete()) output_.MarkIncomplete(Side::kPrimary);
  output_.Close();
  block_.currentIndex = 0;
}

void ExportRun::ExportWarehouseGoods(const OutputFileEntry& file) {
  CursorScope cursor;
  if (cursor.Open(file.index))
    while (cursor.Next()) ExportRecord(file);
  cursor.Close();
}

}  // namespace dravenhol
