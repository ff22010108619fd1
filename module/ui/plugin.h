// CDravenhol: the plug-in object that carries one export run.
//
// It derives from the host's dialog base: the host builds and destroys the
// base part and implements 34 of its virtual operations; the module supplies
// the virtual table itself (slot 0 its own destructor, the rest call thunks
// into the host), so its layout does not depend on the compiler's ABI.
#pragma once

#include <cstdint>

#include "host/data_files.h"
#include "host/host_types.h"
#include "host/record.h"

namespace dravenhol {

enum SendMethod : int16_t { kUniversal = 0, kInterkam = 1 };

inline constexpr int kGoodsMarkCount = 65000;
// The capacity of the host's shared row buffer and of a table line.
inline constexpr int32_t kRowCapacity = 5002;
// The capacity of header lines and discount lines.
inline constexpr int32_t kShortLineCapacity = 2048;

struct DataFile {
  HostTable* table;
  unsigned char* record;
};

// One output file of a table pass: the host holder of its stream and what the
// run knows about it.
struct OutputFileState {
  const char* relativeName;  // "BAZA\\faktury.csv", for messages
  bool incomplete;           // a write or the close failed
};

class DiscountIndex;
class FirstNameList;

class CDravenhol : public WDialogBase {
 public:
  CDravenhol();
  ~CDravenhol();
  CDravenhol(const CDravenhol&) = delete;
  CDravenhol& operator=(const CDravenhol&) = delete;

  // The driver (export/driver.cpp).
  static int32_t RunExport();
  int32_t PrepareExport(int16_t method);
  void ExportTable(int16_t index, bool discountsPass);
  int32_t OpenOutputFiles(bool discountsPass);
  void ExportRecord(bool discountsPass);
  void ExportWarehouses();
  void ExportWarehouseGoods();

  // The current record of a data file, bounded by both sides' record length.
  RecordView Record(DataFileId file) const;
  // Writes one line to the primary or secondary output file; a line that did
  // not reach the stream marks the file incomplete.
  void WritePrimary(const char* line, int32_t capacity);
  void WriteSecondary(const char* line, int32_t capacity);
  // Closes both output files; names a file that did not reach the disk whole.
  void CloseOutputFiles();

  // Fields read by the row writers. The order and the first field's offset
  // (right after the dialog base) are part of the object's layout.
  int16_t currentIndex;
  DataFile dataFiles[kDataFileCount];
  HostHolder primaryFile;
  HostHolder secondaryFile;
  int16_t sendMethod;
  int32_t* tabIdentyf;

  // Run bookkeeping that the host never sees.
  OutputFileState primaryState;
  OutputFileState secondaryState;
  DiscountIndex* discounts;    // built on the first discount look-up of a run
  FirstNameList* firstNames;   // imiona.txt, read on the first name look-up of a run

 private:
  void CloseOutput(HostHolder* holder, OutputFileState* state);
};

// The virtual table of CDravenhol: 35 slots; the type information precedes slot 0.
extern const void* const* const kCDravenholVirtualTable;

}  // namespace dravenhol
