// CDravenhol: the plug-in object that carries one export run.
//
// It derives from the host's dialog base: the host builds and destroys the
// base part and implements 34 of its virtual operations; the module supplies
// the virtual table itself (slot 0 its own destructor, the rest call thunks
// into the host), so its layout does not depend on the compiler's ABI. The
// run's fixed block follows the base part, then the run that works on it.
#pragma once

#include <cstdint>

#include "export/export_run.h"
#include "host/held.h"
#include "host/host_types.h"
#include "host/run_block.h"

namespace dravenhol {

class CDravenhol : public WDialogBase {
 public:
  CDravenhol();
  ~CDravenhol() noexcept(false);
  CDravenhol(const CDravenhol&) = delete;
  CDravenhol& operator=(const CDravenhol&) = delete;

  // Builds the object for one run, runs the export and destroys the object,
  // which closes any file still open and frees the goods marks. Returns 0.
  static int32_t RunExport();

  RunBlock block = {};  // the fields the host may read, at their fixed offsets
  ExportRun run{block};

 private:
  // Takes the run and the base part down; with `abandoned` (a structured
  // exception left the run), the open files are named later.
  void TearDown(bool abandoned);
  void Abandon() { TearDown(true); }

  bool baseBuilt_ = false;
  Held held_{this, &ReleaseBy<CDravenhol, &CDravenhol::Abandon>};
};

// The virtual table of CDravenhol: 35 slots; the type information precedes slot 0.
extern const void* const* const kCDravenholVirtualTable;

}  // namespace dravenhol
