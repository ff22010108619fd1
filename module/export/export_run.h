// One export run: the dialog, the preparation of the host data files, the
// table passes in the order of the table of output files, and the final
// message. The plug-in object carries the run; the row writers see it as
// its RunState.
#pragma once

#include <cstdint>

#include "export/output_files.h"
#include "tables/run_state.h"

namespace dravenhol {

class ExportRun : public RunState {
 public:
  // The whole run after the plug-in object was built: dialog, preparation,
  // passes, final message. Returns 0.
  int32_t Run();

  // Looks up and prepares the eleven data files and allocates the goods
  // marks. Returns 0, or 1 after its message was shown.
  int32_t PrepareExport(int16_t method);
  // One pass: opens the file (and its pair's second file), walks the host's
  // records as the file's pass says, closes the files.
  void ExportTable(const OutputFileSpec& file, const OutputFileSpec* second);
  // Opens the pass's files and writes their headers. Returns 0, or 1 after
  // the open-failure message was shown.
  int32_t OpenOutputFiles(const OutputFileSpec& file, const OutputFileSpec* second);
  // The line of the current record in the file, when the record passes.
  void ExportRecord(const OutputFileSpec& file);

 private:
  // Walks currentIndex (then index 198 for the contractor passes) and hands
  // every record to the pass's writers.
  void WalkIndex(const OutputFileSpec& file, const OutputFileSpec* second);
  // The goods pass: each warehouse in use, then its goods.
  void ExportWarehouses(const OutputFileSpec& file);
  void ExportWarehouseGoods(const OutputFileSpec& file);
  // "Nie można otworzyć pliku", at most once per file and run.
  void ShowOpenFailureOnce(const OutputFileSpec& file);

  uint32_t namedUnopened_ = 0;  // files of the table named as not opened, by position
};

}  // namespace dravenhol
