// The two output files of a pass, the file of its index and, for a pair, the
// second file filled during the same walk, with everything a run knows of
// them: their holders (which lie in the plug-in object's fixed block), their
// capacities and states, and every message about a file that could not be
// opened, a line that was dropped or lost, or a file that is not whole.
//
// Row writers hand back a Row: the line, or the reason the record has none.
// Put is the one place that writes a line or reports its drop. A failure that
// may repeat line by line (a drop, a failed conversion) is shown for the
// file's first line; the close gives the count of the others in one message.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/host_types.h"
#include "output/output.h"

namespace dravenhol {

// The capacity of the host's shared row buffer and of a table line.
inline constexpr int32_t kRowCapacity = 5002;
// The capacity of header lines and discount lines.
inline constexpr int32_t kShortLineCapacity = 2048;
// Header lines are written with this capacity.
inline constexpr int32_t kHeaderCapacity = kShortLineCapacity;

// An output file as a pass opens it.
struct OutputFile {
  const char* name;    // under BAZA, as messages name it ("faktury.csv")
  const char* header;  // its first line
  int32_t capacity;    // the longest line, in Mazovia bytes before conversion
};

// Why a record has no line in its file.
enum class Drop : uint8_t {
  kNone,         // a line, or nothing to write and nothing to say
  kTooLong,      // the row does not fit its line; the key names the record
  kNoRowBuffer,  // the host gave no row buffer
  kNoItemFile,   // the document's item file is missing
  kItemsUnread,  // the host reported items but delivered none; the key names the document
  kUnreached,    // records could not be read; the message says which
};

// What a row writer hands back for one record.
class Row {
 public:
  // Room for a record's key: the longest text a field takes, and its terminator.
  static constexpr std::size_t kKeySize = 1024;

  // The line; null when there is nothing to write.
  static Row Line(const char* line);
  // No line, for `reason`; `key` names the record or document as the user knows it.
  static Row Dropped(Drop reason, const char* key = "");
  // Records that were not reached: the file is not whole, and `message`
  // (a complete "Uwaga" text) says why, each time.
  static Row Unreached(const char* message);

  const char* line() const { return line_; }
  Drop drop() const { return drop_; }
  const char* key() const { return key_; }
  const char* message() const { return message_; }

 private:
  Row() = default;

  const char* line_ = nullptr;
  const char* message_ = nullptr;
  Drop drop_ = Drop::kNone;
  char key_[kKeySize];  // set by the factories; only a drop's is more than empty
};

enum class Side { kPrimary, kSecondary };

// kDiscarded: nothing is opened, written or shown; the passes run as they
// would (for measuring the walk without its lines).
enum class Lines { kWritten, kDiscarded };

class OutputPair {
 public:
  OutputPair(HostHolder& primary, HostHolder& secondary, Lines lines = Lines::kWritten);
  OutputPair(const OutputPair&) = delete;
  OutputPair& operator=(const OutputPair&) = delete;

  // Initialises both holders (empty, no release function) and empties them.
  void Begin();
  // Closes any open file and destroys the holders that Begin initialised,
  // each once, also when an exception interrupts this. With `abandoned` (a
  // structured exception left the run) the open files are named later, by
  // ShowDeferredMessages.
  void End(bool abandoned);

  // Opens the file of a pass and the second file of its pair (null: none,
  // its holder is emptied) and writes their header lines. False, after the
  // messages, when either could not be opened: then neither stays open.
  bool Open(const OutputFile& file, const OutputFile* second);
  // Closes both files; names a file that did not reach the disk whole.
  void Close();

  // Writes the row's line to the file, or reports its drop.
  void Put(Side side, const Row& row);
  // Records that belong in the file will not be there: it is named as not
  // whole when it closes.
  void MarkIncomplete(Side side);
  // "Nie można otworzyć pliku", at most once per file and run.
  void NameUnopened(const char* name);

  // What a run knows of one open file besides its stream.
  struct FileState {
    const char* name;                // null while no file is open
    int32_t capacity;                // the longest line the file takes
    bool incomplete;                 // a line or the close did not reach the disk
    int32_t failedLines;             // lines lost to a failure that the user was told of once
    bool streamClosed;               // closed, its holder not yet emptied
    int64_t lines;                   // lines handed to the host, the header included
    int64_t bytes;                   // their size on disk, line ends included
    char path[kFileSystemPathSize];  // as the file system names it
  };

 private:
  struct File {
    HostHolder& holder;
    FileState state;
  };
  File& Of(Side side) { return side == Side::kPrimary ? primary_ : secondary_; }
  bool OpenFile(File& file, const OutputFile& wanted);
  void Write(File& file, const char* line, int32_t capacity);
  void DestroyHolders();

  File primary_;
  File secondary_;
  bool written_;
  int holdersReady_ = 0;  // holders that Begin initialised
  static constexpr int kMaxNamed = 16;
  const char* namedUnopened_[kMaxNamed] = {};  // names from the table of output files, which are static
  int namedCount_ = 0;
};

// Hands a pass's rows to one side of its pair.
class FileLines {
 public:
  FileLines(OutputPair& pair, Side side) : pair_(pair), side_(side) {}
  void Put(const Row& row) { pair_.Put(side_, row); }

 private:
  OutputPair& pair_;
  Side side_;
};

// The files that a run abandoned by a structured exception left cut, named
// once the command is back from the exception.
void ShowDeferredMessages();
// Forgets them: the run was unwound by an exception of the host's, and no
// message may be shown then.
void DropDeferredMessages();

}  // namespace dravenhol
