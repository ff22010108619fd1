// One export run: the dialog, the preparation of the host data files, the
// table passes in the order of the table of output files, and the final
// message.
//
// The run's host-visible fields lie in the plug-in object's fixed block; the
// rest has an owner each: the output pair (the files of a pass and every
// message about them), the goods marks, the writers' caches, and the
// context through which the row writers see the records, marks and caches.
#pragma once

#include <cstdint>

#include "export/output_files.h"
#include "host/run_block.h"
#include "output/output_pair.h"
#include "tables/goods_marks.h"
#include "tables/row_context.h"

namespace dravenhol {

class ExportRun {
 public:
  // Construction and destruction make no host calls: Begin and End do, at
  // the moments the plug-in object's own construction and destruction choose.
  explicit ExportRun(RunBlock& block, Lines lines = Lines::kWritten);
  ExportRun(const ExportRun&) = delete;
  ExportRun& operator=(const ExportRun&) = delete;

  // Clears the block and initialises both file holders.
  void Begin();
  // Frees the marks and the caches, closes any open output file and destroys
  // the holders that Begin initialised. A run abandoned by a structured
  // exception names its open files later, once the command is back from the
  // exception (ShowDeferredMessages).
  void End(bool abandoned = false);

  // The whole run after the plug-in object was built: dialog, preparation,
  // passes, final message. Returns 0.
  int32_t Run();

  // Looks up and prepares the eleven data files and allocates the goods
  // marks. Returns 0, or 1 after its message was shown.
  int32_t PrepareExport(int16_t method);
  // Every pass, in the order of the table of output files; after each,
  // afterPass(context) when given.
  void ExportPasses(void (*afterPass)(void* context) = nullptr, void* context = nullptr);
  // One pass: opens the file (and its pair's second file), walks the host's
  // records as the file's pass says, closes the files.
  void ExportTable(const OutputFileEntry& file, const OutputFileEntry* second);
  // The line of the current record in the file, when the record passes.
  void ExportRecord(const OutputFileEntry& file);

 private:
  // Opens the pass's files and writes their headers. Returns 0, or 1 after
  // the open-failure message was shown.
  int32_t OpenOutputFiles(const OutputFileEntry& file, const OutputFileEntry* second);
  // The goods pass: each warehouse in use, then its goods.
  void ExportWarehouses(const OutputFileEntry& file);
  void ExportWarehouseGoods(const OutputFileEntry& file);

  RunBlock& block_;
  OutputPair output_;
  GoodsMarks marks_;
  RunCaches caches_;
  RowContext rows_;
};

}  // namespace dravenhol
