// The first-names list.
#include "tables/names.h"

#include <cstring>
#include <memory>
#include <new>

#include "host/host_api.h"
#include "host/services.h"
#include "output/output.h"
#include "tables/row_context.h"

namespace dravenhol {

namespace {

// HostFileGets reads at most 258 characters of a line and keeps its line feed;
// a longer line comes in pieces, each piece a name of its own.
constexpr int32_t kLineArea = 259;

void RemoveLineEnds(char* line) {
  char* out = line;
  for (const char* in = line; *in != '\0'; ++in)
    if (*in != '\r' && *in != '\n') *out++ = *in;
  *out = '\0';
}

}  // namespace

void UpperCaseAscii(char* text) {
  for (; *text != '\0'; ++text)
    if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - 'a' + 'A');
}

std::unique_ptr<FirstNameList> FirstNameList::Load() {
  Owned<FirstNameList> list(new FirstNameList);
  char path[kMaxPath + 1];
  if (!BaseDirectoryPath("imiona.txt", path, static_cast<int>(sizeof path)))
    return std::unique_ptr<FirstNameList>(list.Release());

  StreamScope input(&CloseHostStream);
  OpenInputFile(&input, path, "rt");
  HostStream* stream = input.get();
  if (stream == nullptr) return std::unique_ptr<FirstNameList>(list.Release());

  char line[kLineArea + 1] = {};  // terminated whatever the host reads into it
  try {
    while (host::HostFileGets(line, kLineArea, stream) != 0) {
      line[kLineArea] = '\0';
      UpperCaseAscii(line);
      RemoveLineEnds(line);
      list->names_.emplace_back(line);
    }
  } catch (const std::bad_alloc&) {
    // Out of memory: the names read so far are what the run knows.
  }
  input.Close();
  return std::unique_ptr<FirstNameList>(list.Release());
}

// The host's own comparison decides, line by line in file order, as it would
// over the file itself.
bool FirstNameList::Contains(const char* upperCased) const {
  for (const std::string& name : names_)
    if (host::HostCompareText(upperCased, name.c_str(), int32_t{0x7fffffff}) == 0) return true;
  return false;
}

bool IsFirstName(RowContext& rows, char* text) {
  UpperCaseAscii(text);
  if (rows.caches.firstNames.get() == nullptr) {
    try {
      rows.caches.firstNames.Keep(FirstNameList::Load());
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  return rows.caches.firstNames.get()->Contains(text);
}

namespace {

// A name part: at most 256 characters and the terminator.
constexpr std::size_t kNamePartSize = 257;

}  // namespace

void SplitContractorName(RowContext& rows, const char* name, char (&firstName)[kQuotedFieldSize],
                         char (&surname)[kQuotedFieldSize]) {
  firstName[0] = '\0';
  char work[kTextAreaSize] = {};  // terminated whatever the host copies
  host::HostCopyTextMax(work, name, static_cast<int32_t>(kTextAreaSize - 1));
  work[kTextAreaSize - 1] = '\0';
  char* blank = std::strchr(work, ' ');
  if (blank != nullptr) {
    char first[kTextAreaSize] = {};
    host::HostCopyTextMax(first, blank + 1, static_cast<int32_t>(kTextAreaSize - 1));
    first[kTextAreaSize - 1] = '\0';
    if (IsFirstName(rows, first)) {
      *blank = '\0';  // work now holds the surname
      surname[0] = '\0';
      if (work[0] != '\0') WrapInApostrophes(surname, sizeof surname, work);
      if (first[0] != '\0') WrapInApostrophes(firstName, sizeof firstName, first);
      return;
    }
  }
  QuoteField(surname, name);
}

void SplitUserName(RowContext& rows, const char* name, char (&firstName)[kQuotedFieldSize],
                   char (&surname)[kQuotedFieldSize]) {
  firstName[0] = '\0';
  surname[0] = '\0';
  char work[kNamePartSize] = {};  // terminated whatever the host copies
  host::HostCopyTextMax(work, name, static_cast<int32_t>(kNamePartSize - 1));
  work[kNamePartSize - 1] = '\0';
  char* blank = std::strchr(work, ' ');
  if (blank == nullptr) {
    QuoteField(surname, name);
    return;
  }
  *blank = '\0';
  const char* head = work;
  const char* tail = blank + 1;
  char lookedUp[kNamePartSize] = {};
  host::HostCopyTextMax(lookedUp, tail, static_cast<int32_t>(kNamePartSize - 1));
  lookedUp[kNamePartSize - 1] = '\0';
  const bool tailIsFirstName = IsFirstName(rows, lookedUp);
  char(&tailField)[kQuotedFieldSize] = tailIsFirstName ? firstName : surname;
  char(&headField)[kQuotedFieldSize] = tailIsFirstName ? surname : firstName;
  WrapInApostrophes(tailField, sizeof tailField, tail);
  if (head[0] != '\0') WrapInApostrophes(headField, sizeof headField, head);
}

}  // namespace dravenhol
