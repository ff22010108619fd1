// Person names: the list of first names (imiona.txt) and the test against it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tables/fields.h"

namespace dravenhol {

class RowContext;

// The first names of imiona.txt in the host's base directory, read once per
// run: each line upper-cased (a to z), its carriage returns and line feeds
// removed; blanks stay part of the name, an empty line is an empty name.
class FirstNameList {
 public:
  // Reads the file; a missing file gives an empty list.
  static std::unique_ptr<FirstNameList> Load();
  bool Contains(const char* upperCased) const;

 private:
  std::vector<std::string> names_;  // in file order
};

// Upper-cases text in place (a to z only, whatever the answer) and tells
// whether it is a line of imiona.txt. The list is read on the first call of
// a run and kept among the run's caches.
bool IsFirstName(RowContext& rows, char* text);

// a to z become A to Z; every other byte stays.
void UpperCaseAscii(char* text);

// Imie and Nazwisko of a contractor whose name is stored surname first. When
// the text after the first blank is a first name, the surname is the text
// before it and the first name that text upper-cased, each only put between
// apostrophes (empty parts stay empty fields). Otherwise the whole name is
// the quoted surname and the first name is empty.
void SplitContractorName(RowContext& rows, const char* name, char (&firstName)[kQuotedFieldSize],
                         char (&surname)[kQuotedFieldSize]);

// Imie and Nazwisko of a user name, taken as written. Without a blank the
// whole name is the quoted surname. Otherwise the text after the first blank
// is the first name when the list knows it (the text before it then being the
// surname), else the surname (the text before it then being the first name);
// the parts are only put between apostrophes, the tail even when empty.
void SplitUserName(RowContext& rows, const char* name, char (&firstName)[kQuotedFieldSize],
                   char (&surname)[kQuotedFieldSize]);

}  // namespace dravenhol
