// The output layer's ground: paths under the host's base directory, the lock
// of a run and the line writer SaveInUtf. The output files of a pass are the
// output pair's (output_pair.h).
#pragma once

#include <cstdarg>
#include <cstdint>

#include "host/held.h"
#include "host/host_types.h"
#include "platform/platform.h"

namespace dravenhol {

// The longest path the module builds, without its terminator.
inline constexpr int kMaxPath = 259;
// Room for such a path: its terminator, and a few bytes that let a recoding
// that lengthens it be told from one that fits.
inline constexpr int kFileSystemPathSize = kMaxPath + 5;

// Builds the path of a file under the host's base directory into path
// (at least kMaxPath + 1 bytes), in the host's code page. Returns false when
// the result would not fit.
bool BaseDirectoryPath(const char* relativeName, char* path, int pathSize);

// The path of a file under the base directory as the file system sees it:
// built, then recoded from Mazovia to the Windows code page. False when it
// does not fit, when the system's code page lacks one of its characters, or
// when the recoding cut it.
bool FileSystemPath(const char* relativeName, char (&path)[kFileSystemPathSize]);

// Empties BAZA\<name> where it exists, so that nothing of an earlier export is
// left beside the files of this one. False when a file is there and cannot
// be emptied (the caller names it).
bool EmptyEarlierOutputFile(const char* name);

// One export at a time per base directory: an exclusive lock on a file beside
// BAZA, which the system drops if the process dies. Released on every way
// out, a structured exception's included.
inline constexpr const char* kLockFileName = "BAZA.lck";
class BaseDirectoryLock {
 public:
  BaseDirectoryLock() = default;
  ~BaseDirectoryLock() { Release(); }
  BaseDirectoryLock(const BaseDirectoryLock&) = delete;
  BaseDirectoryLock& operator=(const BaseDirectoryLock&) = delete;

  // Takes the lock. False, after a message naming the directory, when
  // another export holds it; true also when no lock file can be made there
  // (the files could not be written there either, and their opens say so).
  bool Take();
  void Release();
  // Starts the record of this run in the lock file (run_record.h); its final
  // state is written when the lock is released.
  void BeginRecord(const char* method, const char* const* names, int count);

 private:
  platform::FileLock lock_;
  Held held_{this, &ReleaseBy<BaseDirectoryLock, &BaseDirectoryLock::Release>};
};

// The directory under the base directory that receives the output files.
inline constexpr const char* kOutputDirectory = "BAZA";

// Room for "BAZA\\" and a file name: every name under the base directory.
inline constexpr int kRelativeNameSize = 64;
// "BAZA\\<name>": the name by which messages show an output file.
void RelativeOutputName(const char* name, char (&relativeName)[kRelativeNameSize]);

// The host's SE_Exception inside the line writer, after it was reported to
// the host: it unwinds the run and leaves the command as a structured
// exception of its code.
struct LineWriterFault {
  uint32_t code;
};

enum class LineResult { kHandedOver, kConversionFailed };

// Converts a Mazovia line to UTF-8 and hands it with its line end to the
// host's printf. Tells whether it was handed over or could not be converted
// (then, with reportConversionFailure, the user is told so, inside the host's
// guard). Throws LineWriterFault when the host's SE_Exception interrupted
// the write.
LineResult SaveInUtf(const char* text, HostStream* stream, int32_t capacity, bool reportConversionFailure);
// The size on disk of the last line SaveInUtf handed over, its line end included.
int64_t LastLineBytes();

}  // namespace dravenhol
