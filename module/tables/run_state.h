// The state of one export run as the row writers see it: the host data files
// and their current records, the index being walked, the sending method, the
// goods marks, the two output files of the current table and what the row
// writers keep for the run.
//
// The driver's run (export/) builds on it, and the plug-in object the host
// sees (ui/) carries the run right after its dialog base, so the fields up to
// tabIdentyf keep the order and offsets the object has always had.
#pragma once

#include <cstdint>

#include "host/data_files.h"
#include "host/host_types.h"
#include "host/record.h"
#include "output/output.h"

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

class DiscountIndex;
class FirstNameList;
class SettlementCache;

class RunState {
 public:
  // Construction and destruction make no host calls: Begin and End do, at
  // the moments the plug-in object's own construction and destruction choose.
  RunState() = default;
  RunState(const RunState&) = delete;
  RunState& operator=(const RunState&) = delete;

  // Initialises both file holders (empty, no release function) and the fields.
  void Begin();
  // Frees the marks and the row writers' caches, closes any open output file
  // and destroys both holders (those that Begin initialised). A run abandoned
  // by a structured exception names its open files later, once the command
  // is back from the exception (ShowDeferredMessages).
  void End(bool abandoned = false);

  // The current record of a data file, bounded by both sides' record length.
  RecordView Record(DataFileId file) const;
  // A record that the host's item reader delivered for data file `file`.
  RecordView ItemRecord(const void* item, DataFileId file) const;

  // One line to the primary or secondary output file, within the file's
  // capacity; a line that does not reach the file marks it incomplete.
  void WritePrimary(const char* line);
  void WriteSecondary(const char* line);
  // Closes both output files; names a file that did not reach the disk whole.
  void CloseOutputFiles();
  // The names of the open output files ("faktury.csv"), for messages; empty
  // when none is open.
  const char* PrimaryName() const;
  const char* SecondaryName() const;
  // A line of the primary or secondary file was lost to a failure that may
  // repeat line by line: true for the file's first, whose message the user
  // sees (NoteLineFailure).
  bool FirstPrimaryFailure() { return NoteLineFailure(&primaryState); }
  bool FirstSecondaryFailure() { return NoteLineFailure(&secondaryState); }

  // Frees what the row writers keep for the run (first names, discount index,
  // settlement walks).
  void ReleaseCaches();
  // Ends a pass: the settlement results serve the invoice pass only, and give
  // their memory back before the next pass takes its own.
  void EndPass();
  // The settlement walks kept for the run, made on first use; null when
  // memory runs out (every invoice then walks its contractor's entries).
  SettlementCache* Settlements();

  // The host-visible part: order and offsets are fixed.
  int16_t currentIndex = 0;
  DataFile dataFiles[kDataFileCount] = {};
  HostHolder primaryFile = {};
  HostHolder secondaryFile = {};
  int16_t sendMethod = kUniversal;
  int32_t* tabIdentyf = nullptr;

  // Run bookkeeping.
  OutputFileState primaryState = {};
  OutputFileState secondaryState = {};
  DiscountIndex* discounts = nullptr;      // built on the first discount look-up of a run
  FirstNameList* firstNames = nullptr;     // imiona.txt, read on the first name look-up of a run
  SettlementCache* settlements = nullptr;  // made on the first settlement walk of a run
  bool marksIncomplete = false;            // a standing contract's items could not mark their goods
  int holdersReady = 0;                    // file holders that Begin initialised

 private:
  void DestroyHolders();
};

}  // namespace dravenhol
