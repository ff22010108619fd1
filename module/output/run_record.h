// The state of the last run, kept in the lock file beside BAZA for whoever
// reads the files: a program that imports them can tell a whole export from
// one that failed or is still being written.
//
// A few lines of ASCII text, each ended by CR LF:
//
//   version 1.0
//   method Universal
//   state in progress | complete | incomplete
//   file umowystale.csv lines 1 bytes 215 whole
//   ...one line per output file, in the order the run fills them
//
// A file is "pending" until its pass closes it, then "whole" or
// "incomplete"; one that the run never closed (not opened, or cut short) is
// "unfinished" once the run ends.
// "lines" counts the lines written, the header included (a line whose text
// holds a line break counts once); "bytes" is the file's size on disk.
// "complete" means every file is whole. A run that dies leaves "in progress".
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace dravenhol {

// The most files one record lists.
inline constexpr int kMaxRecordedFiles = 16;

// Starts the record of a run in the file `lock` holds: in progress, every
// file pending. `method` and the names stay valid until EndRunRecord.
void BeginRunRecord(platform::FileLock* lock, const char* method, const char* const* names, int count);
// An output file was closed: its lines and bytes, and whether it reached the disk whole.
void RecordFileClosed(const char* name, int64_t lines, int64_t bytes, bool whole);
// The run is over (also when it was abandoned): writes its final state, when
// the record is the one in the file `lock` holds.
void EndRunRecord(const platform::FileLock* lock);

}  // namespace dravenhol
