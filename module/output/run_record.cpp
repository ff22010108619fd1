#include "output/run_record.h"

#include <cstring>

#include "platform/format.h"

namespace dravenhol {

namespace {

enum class FileState { kPending, kWhole, kIncomplete };

struct RecordedFile {
  const char* name;
  int64_t lines;
  int64_t bytes;
  FileState state;
};

// One run at a time: the record lives from BeginRunRecord to EndRunRecord.
struct Record {
  platform::FileLock* lock = nullptr;
  const char* method = "";
  RecordedFile files[kMaxRecordedFiles] = {};
  int count = 0;
};
Record g_record;

const char* StateWord(const RecordedFile& file, bool ended) {
  switch (file.state) {
    case FileState::kWhole:
      return "whole";
    case FileState::kIncomplete:
      return "incomplete";
    case FileState::kPending:
      break;
  }
  return ended ? "unfinished" : "pending";
}

// Rewrites the whole record. A record that cannot be written is left as it
// is: the files and the messages the user sees do not depend on it.
void Write(bool ended) {
  if (g_record.lock == nullptr) return;
  bool whole = true;
  for (int i = 0; i < g_record.count; ++i) whole = whole && g_record.files[i].state == FileState::kWhole;
  const char* state = !ended ? "in progress" : whole ? "complete" : "incomplete";
  char text[96 * (kMaxRecordedFiles + 3)];
  int length = FormatBounded(text, sizeof text, "version %s\r\nmethod %s\r\nstate %s\r\n", DRAVENHOL_VERSION,
                             g_record.method, state);
  for (int i = 0; i < g_record.count; ++i) {
    const RecordedFile& file = g_record.files[i];
    length += FormatBounded(text + length, sizeof text - static_cast<std::size_t>(length),
                            "file %.40s lines %lld bytes %lld %s\r\n", file.name, static_cast<long long>(file.lines),
                            static_cast<long long>(file.bytes), StateWord(file, ended));
  }
  platform::RewriteLockedFile(g_record.lock, text, static_cast<std::size_t>(length));
}

}  // namespace

void BeginRunRecord(platform::FileLock* lock, const char* method, const char* const* names, int count) {
  g_record = Record{};
  if (lock == nullptr || lock->handle == platform::FileLock{}.handle) return;  // no lock, no record
  g_record.lock = lock;
  g_record.method = method;
  for (int i = 0; i < count && i < kMaxRecordedFiles; ++i)
    g_record.files[g_record.count++] = RecordedFile{names[i], 0, 0, FileState::kPending};
  Write(false);
}

void RecordFileClosed(const char* name, int64_t lines, int64_t bytes, bool whole) {
  for (int i = 0; i < g_record.count; ++i) {
    RecordedFile& file = g_record.files[i];
    if (std::strcmp(file.name, name) != 0) continue;
    file = RecordedFile{file.name, lines, bytes, whole ? FileState::kWhole : FileState::kIncomplete};
    Write(false);
    return;
  }
}

void EndRunRecord(const platform::FileLock* lock) {
  if (lock != g_record.lock) return;
  Write(true);
  g_record = Record{};
}

}  // namespace dravenhol
