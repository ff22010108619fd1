#include "output/output_pair.h"

#include <cstdio>
#include <cstring>

#include "host/call_thunks.h"
#include "host/host_api.h"
#include "host/host_objects.h"
#include "host/mazovia.h"
#include "host/services.h"
#include "host/texts.h"
#include "output/output.h"
#include "output/run_record.h"
#include "platform/format.h"
#include "platform/platform.h"

namespace dravenhol {

namespace {

// Files whose messages wait until the command is back from a structured
// exception (names from the table of output files, which are static).
constexpr int kMaxDeferred = 16;
const char* g_deferred[kMaxDeferred];
int g_deferredCount = 0;

// Creates the directories on a (Windows code page) path and opens the file for
// writing, replacing its content, into `opened` (null when it failed).
void CreatePathAndOpen(const char* path, StreamScope* opened) {
  char work[kMaxPath + 1] = {};  // terminated whatever the host copies
  host::HostCopyTextMax(work, path, int32_t{kMaxPath});
  work[kMaxPath] = '\0';
  for (int i = 1; work[0] != '\0' && work[i] != '\0'; ++i) {
    if (work[i] != '\\' || work[i - 1] == ':') continue;
    work[i] = '\0';
    platform::MakeDirectory(work);
    work[i] = '\\';
  }
  opened->Reset(host::HostFileOpenShared(path, "wt", int32_t{0x40}, int32_t{0}, int32_t{-1}));
  HolderScope holder(static_cast<void*>(opened->get()), HostReleaseFunction{});
  holder.Get();
  holder.Destroy();
}

// Closes the stream a holder holds, if any, and empties the holder. The
// stream is closed by the host (HostFileClose, through its call thunk): it
// belongs to the host's C runtime, which need not be the module's.
void CloseFileHolder(HostHolder* holder, OutputPair::FileState* state) {
  if (host::HostHolderIsSet(holder) == 0) return;
  // A stream is closed once, even when emptying its holder is interrupted
  // and the close is taken up again on the way out.
  if (!state->streamClosed) {
    host::HostHolderApply(holder, host::ThunkOf<HostApplyFunction, host::HostFileCloseSlot>());
    state->streamClosed = true;
  }
  host::HostHolderSet(holder, static_cast<void*>(nullptr));
}

// Whether a closed file holds on disk what the module handed over: neither
// the host's printf nor its close promises to tell, and anyone may cut a
// file that is open for sharing.
bool ReachedDisk(const OutputPair::FileState& file) {
  return file.path[0] != '\0' && platform::FileSize(file.path) == file.bytes;
}

// "Uwaga": the file BAZA\<name> was not written whole.
void ShowIncomplete(const char* name) {
  char relativeName[kRelativeNameSize];
  RelativeOutputName(name, relativeName);
  ShowFormattedMessage(texts::kTitleWarning, texts::kNotWrittenWhole, 1, static_cast<const char*>(relativeName));
}

// Closes the file a holder holds, if any, and names it to the user when it
// did not reach the disk whole. The state is cleared either way.
void CloseOutputFile(HostHolder* holder, OutputPair::FileState* state, bool deferMessages) {
  const bool wasOpen = host::HostHolderIsSet(holder) != 0;
  CloseFileHolder(holder, state);
  const bool closed = !wasOpen || ReachedDisk(*state);
  const OutputPair::FileState file = *state;
  *state = OutputPair::FileState{};
  if (file.name == nullptr) return;
  RecordFileClosed(file.name, file.lines, file.bytes, wasOpen && closed && !file.incomplete && !deferMessages);
  if (deferMessages) {
    // Cut short, or never written, by the exception.
    if (g_deferredCount < kMaxDeferred) g_deferred[g_deferredCount++] = file.name;
    return;
  }
  if (!wasOpen) return;
  char relativeName[kRelativeNameSize];
  RelativeOutputName(file.name, relativeName);
  if (file.failedLines > 1)
    ShowFormattedMessage(texts::kTitleWarning, texts::kFailureRepeated, 1, static_cast<const char*>(relativeName),
                         static_cast<int>(file.failedLines - 1));
  if (!closed || file.incomplete) ShowIncomplete(file.name);
}

// "Uwaga": the line of record `record` (as the user knows the record) did not
// fit file `fileName` and was not written. A key too long for the message
// leaves it out.
void ReportLineTooLong(const char* fileName, const char* record) {
  char text[512];
  const int length = std::snprintf(text, sizeof text, "%s%s%s%s%s", texts::kLineOfRecord, record,
                                   texts::kLineDoesNotFit, fileName, texts::kLineNotWritten);
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof text)
    FormatBounded(text, sizeof text, "%s%s%s", texts::kLineWithoutKey, fileName, texts::kLineNotWritten);
  host::HostMessageBox(texts::kTitleWarning, text, int32_t{1});
}

// "Uwaga": the items of a document could not be read for file `fileName`.
void ReportItemsUnread(const char* fileName, const char* document) {
  char text[512];
  FormatBounded(text, sizeof text, "%s%s%s%s%s", texts::kItemsOfDocument, document, texts::kItemsIntoFile, fileName,
                texts::kItemsUnread);
  host::HostMessageBox(texts::kTitleWarning, text, int32_t{1});
}

// The file's first lost line, whose message the user sees; the others are
// counted for the close.
bool FirstFailure(OutputPair::FileState& state) { return state.failedLines++ == 0; }

}  // namespace

Row Row::Line(const char* line) {
  Row row;
  row.line_ = line;
  row.key_[0] = '\0';
  return row;
}

Row Row::Dropped(Drop reason, const char* key) {
  Row row;
  row.drop_ = reason;
  CopyBounded(row.key_, sizeof row.key_, key);
  return row;
}

Row Row::Unreached(const char* message) {
  Row row;
  row.drop_ = Drop::kUnreached;
  row.message_ = message;
  row.key_[0] = '\0';
  return row;
}

OutputPair::OutputPair(HostHolder& primary, HostHolder& secondary, Lines lines)
    : primary_{primary, FileState{}}, secondary_{secondary, FileState{}}, written_(lines == Lines::kWritten) {}

void OutputPair::Begin() {
  holdersReady_ = 0;
  namedCount_ = 0;
  primary_.state = FileState{};
  secondary_.state = FileState{};
  try {
    host::HostHolderInit(&primary_.holder, static_cast<void*>(nullptr), HostReleaseFunction{}, int32_t{0}, int32_t{0},
                         int32_t{0});
    ++holdersReady_;
    host::HostHolderInit(&secondary_.holder, static_cast<void*>(nullptr), HostReleaseFunction{}, int32_t{0}, int32_t{0},
                         int32_t{0});
    ++holdersReady_;
    host::HostHolderSet(&primary_.holder, static_cast<void*>(nullptr));
    host::HostHolderSet(&secondary_.holder, static_cast<void*>(nullptr));
  } catch (...) {
    // What was built is taken down in reverse order.
    DestroyHolders();
    throw;
  }
}

void OutputPair::DestroyHolders() {
  // Each holder is destroyed once, also when an exception interrupts this.
  if (holdersReady_ > 1) {
    holdersReady_ = 1;
    host::HostHolderDestroy(&secondary_.holder);
  }
  if (holdersReady_ > 0) {
    holdersReady_ = 0;
    host::HostHolderDestroy(&primary_.holder);
  }
}

void OutputPair::End(bool abandoned) {
  if (holdersReady_ > 0) CloseOutputFile(&primary_.holder, &primary_.state, abandoned);
  if (holdersReady_ > 1) CloseOutputFile(&secondary_.holder, &secondary_.state, abandoned);
  DestroyHolders();
}

bool OutputPair::OpenFile(File& file, const OutputFile& wanted) {
  char relativeName[kRelativeNameSize];
  RelativeOutputName(wanted.name, relativeName);
  // Named from the start: a run abandoned while the file opens names it too.
  file.state = FileState{wanted.name, wanted.capacity, false, 0, false, 0, 0, {}};
  StreamScope opened(&CloseHostStream);  // only if the holder never gets it
  if (FileSystemPath(relativeName, file.state.path)) CreatePathAndOpen(file.state.path, &opened);
  host::HostHolderSet(&file.holder, static_cast<void*>(opened.get()));
  opened.Release();  // the holder keeps it now
  if (host::HostHolderIsSet(&file.holder) != 0) return true;
  file.state = FileState{};
  return false;
}

bool OutputPair::Open(const OutputFile& file, const OutputFile* second) {
  if (!written_) return true;
  if (second == nullptr) host::HostHolderSet(&secondary_.holder, static_cast<void*>(nullptr));
  if (!OpenFile(primary_, file)) {
    NameUnopened(file.name);
    if (second != nullptr) ShowIncomplete(second->name);  // its pass does not run
    return false;
  }
  if (second != nullptr && !OpenFile(secondary_, *second)) {
    NameUnopened(second->name);
    primary_.state.incomplete = true;  // the first file stays empty, and is named as such
    Close();
    return false;
  }
  Write(primary_, file.header, kHeaderCapacity);
  if (second != nullptr) Write(secondary_, second->header, kHeaderCapacity);
  return true;
}

void OutputPair::Close() {
  if (!written_) return;
  CloseOutputFile(&primary_.holder, &primary_.state, false);
  CloseOutputFile(&secondary_.holder, &secondary_.state, false);
}

void OutputPair::Write(File& file, const char* line, int32_t capacity) {
  auto* stream = static_cast<HostStream*>(host::HostHolderGet(&file.holder));
  if (stream == nullptr) return;
  // The file's first lost line is the one the user is told of.
  const LineResult result = SaveInUtf(line, stream, capacity, file.state.failedLines == 0);
  if (result == LineResult::kHandedOver) {
    ++file.state.lines;
    file.state.bytes += LastLineBytes();
    return;
  }
  file.state.incomplete = true;
  ++file.state.failedLines;
}

void OutputPair::Put(Side side, const Row& row) {
  if (!written_) return;
  File& file = Of(side);
  const char* name = file.state.name != nullptr ? file.state.name : "";
  switch (row.drop()) {
    case Drop::kNone:
      if (row.line() != nullptr) Write(file, row.line(), file.state.capacity);
      return;
    case Drop::kTooLong:
      // The record has no row: the file is not whole, in the run record too.
      file.state.incomplete = true;
      if (FirstFailure(file.state)) ReportLineTooLong(name, row.key());
      return;
    case Drop::kNoRowBuffer:
      file.state.incomplete = true;
      return;
    case Drop::kNoItemFile:
      file.state.incomplete = true;
      if (FirstFailure(file.state))
        host::HostErrorMessage(texts::kTitleError, texts::kNoItemFile, int32_t{1}, texts::kModuleName);
      return;
    case Drop::kItemsUnread:
      file.state.incomplete = true;
      if (FirstFailure(file.state)) ReportItemsUnread(name, row.key());
      return;
    case Drop::kUnreached:
      file.state.incomplete = true;
      host::HostMessageBox(texts::kTitleWarning, row.message(), int32_t{1});
      return;
  }
}

void OutputPair::MarkIncomplete(Side side) { Of(side).state.incomplete = true; }

void OutputPair::NameUnopened(const char* name) {
  if (!written_) return;
  for (int i = 0; i < namedCount_; ++i)
    if (std::strcmp(namedUnopened_[i], name) == 0) return;
  char relativeName[kRelativeNameSize];
  RelativeOutputName(name, relativeName);
  ShowFormattedMessage(texts::kTitleWarning, texts::kCannotOpen, 1, static_cast<const char*>(relativeName));
  if (namedCount_ < kMaxNamed) namedUnopened_[namedCount_++] = name;
}

void ShowDeferredMessages() {
  for (int i = 0; i < g_deferredCount; ++i) ShowIncomplete(g_deferred[i]);
  g_deferredCount = 0;
}

void DropDeferredMessages() { g_deferredCount = 0; }

}  // namespace dravenhol
