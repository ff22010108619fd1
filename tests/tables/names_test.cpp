// The first-names list and the two name splits.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "qelmar_host.h"
#include "tables/names.h"

namespace dravenhol {
namespace {

using testing::Json;
using testing::QelmarHost;
using testing::QelmarRun;
using testing::ToMazovia;
using testing::ToUtf8;

// A database whose base directory holds imiona.txt (UTF-8 here, Mazovia on disk).
Json FirstNames(const std::string& list) { return {{"files", {{"imiona.txt", list}}}}; }

struct Lookup {
  std::optional<std::string> file;  // imiona.txt (UTF-8 here, Mazovia on disk); none: no file
  std::string text;
  bool isFirstName;
  std::string upperCased;
};

TEST(IsFirstName, ComparesUpperCasedTextWithTheLinesOfTheList) {
  const Lookup cases[] = {
      {"Jan\n", "jan", true, "JAN"},
      {"Jan\n", "JAN", true, "JAN"},
      {"Anna\nJan", "Jan", true, "JAN"},  // a last line without a line end
      {"JAN \n", "JAN", false, "JAN"},    // blanks are part of a name
      {"Jan\r\n", "jan", true, "JAN"},    // carriage returns and line feeds go
      {"\nJan\n", "", true, ""},          // an empty line is an empty name
      {"Jan\n", "", false, ""},
      {"Jan\n", "kowalski", false, "KOWALSKI"},  // upper-cased whatever the answer
      {"łukasz\n", "łukasz", true, "łUKASZ"},    // Polish letters keep their case
      {"ŁUKASZ\n", "łukasz", false, "łUKASZ"},
      {std::nullopt, "jan", false, "JAN"},  // no file: nothing is a first name
      {std::nullopt, "", false, ""},
      {std::string(300, 'A') + "\n", std::string(42, 'a'), true, std::string(42, 'A')},  // pieces of 258
      {std::string(300, 'A') + "\n", std::string(300, 'a'), false, std::string(300, 'A')},
  };
  for (const Lookup& c : cases) {
    QelmarRun run(c.file ? FirstNames(*c.file) : Json::object());
    std::string text = ToMazovia(c.text);
    EXPECT_EQ(IsFirstName(run.rows, text.data()), c.isFirstName) << "text: " << c.text;
    EXPECT_EQ(ToUtf8(text), c.upperCased);
  }
}

TEST(IsFirstName, ReadsTheListOncePerRun) {
  {
    QelmarRun run(FirstNames("JAN\nANNA\n"));
    for (const char* name : {"jan", "anna", "ewa", "jan"}) {
      std::string text = name;
      IsFirstName(run.rows, text.data());
    }
    EXPECT_EQ(QelmarHost::Counter("calls.HostFileOpen"), 1);
    std::string ewa = "ewa";
    EXPECT_FALSE(IsFirstName(run.rows, ewa.data()));
  }
  {
    QelmarRun missing;  // a missing file is not looked for again within the run
    std::string jan = "jan";
    EXPECT_FALSE(IsFirstName(missing.rows, jan.data()));
    EXPECT_FALSE(IsFirstName(missing.rows, jan.data()));
    EXPECT_EQ(QelmarHost::Counter("calls.HostFileOpen"), 1);
  }
}

struct NameCase {
  std::string list;  // imiona.txt
  std::string name;
  std::string firstName, surname;
};

TEST(SplitContractorName, CutsSurnameFirstNamesAtTheFirstBlank) {
  const NameCase cases[] = {
      {"JAN\n", "Kowalski Jan", "'JAN'", "'Kowalski'"},
      {"JAN\n", "Jan Kowalski", "", "'Jan Kowalski'"},
      {"JAN\n", "Kowalski Jan Maria", "", "'Kowalski Jan Maria'"},  // the whole rest is looked up
      {"JAN MARIA\n", "Kowalski Jan Maria", "'JAN MARIA'", "'Kowalski'"},
      {"JAN\n", "O'Brien Jan", "'JAN'", "'O'Brien'"},  // name parts are not escaped
      {"JAN\n", "O'Brien", "", "'O\\'Brien'"},         // a whole name is quoted
      {"JAN\n", " Jan", "'JAN'", ""},                  // nothing before the blank
      {"\nJAN\n", "Kowalski ", "", "'Kowalski'"},      // an empty first name stays empty
      {"JAN\n", "Kowalski ", "", "'Kowalski '"},
      {"JAN\n", "", "", ""},
      {"", "Kowalski Jan", "", "'Kowalski Jan'"},
  };
  for (const NameCase& c : cases) {
    QelmarRun run(FirstNames(c.list));
    char firstName[kQuotedFieldSize], surname[kQuotedFieldSize];
    SplitContractorName(run.rows, ToMazovia(c.name).c_str(), firstName, surname);
    EXPECT_EQ(ToUtf8(firstName), c.firstName) << "name: " << c.name;
    EXPECT_EQ(ToUtf8(surname), c.surname) << "name: " << c.name;
  }
}

TEST(SplitUserName, TakesThePartsAsWritten) {
  const NameCase cases[] = {
      {"JAN\n", "Jan Kowalski", "'Jan'", "'Kowalski'"},
      {"JAN\n", "Kowalski Jan", "'Jan'", "'Kowalski'"},
      {"JAN\n", "Jan Maria Kowalski", "'Jan'", "'Maria Kowalski'"},  // MARIA KOWALSKI is looked up
      {"JAN\n", "Kowalski", "", "'Kowalski'"},
      {"JAN\n", "O'Neil", "", "'O\\'Neil'"},
      {"JAN\n", "Jan O'Neil", "'Jan'", "'O'Neil'"},
      {"JAN\n", "Jan ", "'Jan'", "''"},  // the tail is written even when empty
      {"JAN\n", " Kowalski", "", "'Kowalski'"},
      {"JAN\n", "", "", ""},
      {"", "Kowalski Jan", "'Kowalski'", "'Jan'"},
  };
  for (const NameCase& c : cases) {
    QelmarRun run(FirstNames(c.list));
    char firstName[kQuotedFieldSize], surname[kQuotedFieldSize];
    SplitUserName(run.rows, ToMazovia(c.name).c_str(), firstName, surname);
    EXPECT_EQ(ToUtf8(firstName), c.firstName) << "name: " << c.name;
    EXPECT_EQ(ToUtf8(surname), c.surname) << "name: " << c.name;
  }
}

}  // namespace
}  // namespace dravenhol
