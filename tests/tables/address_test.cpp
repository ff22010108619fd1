// Address splitting: the written examples and the lossless choices.
#include <gtest/gtest.h>

#include <string>

#include "qelmar_host.h"
#include "tables/address.h"

namespace dravenhol {
namespace {

using testing::QelmarHost;
using testing::ToMazovia;
using testing::ToUtf8;

struct Pieces {
  std::string street, house, flat, postcode, city;
  bool operator==(const Pieces&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Pieces& p) {
  return out << "street [" << p.street << "] house [" << p.house << "] flat [" << p.flat << "] postcode [" << p.postcode
             << "] city [" << p.city << "]";
}

Pieces Split(const std::string& line) {
  AddressPieces pieces;
  SplitAddress(ToMazovia(line).c_str(), pieces);
  return {ToUtf8(pieces.street), ToUtf8(pieces.house), ToUtf8(pieces.flat), ToUtf8(pieces.postcode),
          ToUtf8(pieces.city)};
}

struct Case {
  std::string line;
  Pieces expected;
};

void Check(const Case (&cases)[], std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(Split(cases[i].line), cases[i].expected) << cases[i].line;
}

TEST(SplitAddress, RecognisesBothLayouts) {
  QelmarHost host;
  const Case cases[] = {
      // Street, postcode, city.
      {"ul. Długa 5/7 00-950 Warszawa", {"ul. Długa", "5", "7", "00-950", "Warszawa"}},
      {"OS. Kwiatowe 3 00-950 Kraków", {"OS. Kwiatowe", "3", "", "00-950", "Kraków"}},
      {"Długa 5 00-950 Warszawa", {"Długa", "5", "", "00-950", "Warszawa"}},
      // Postcode, city, street: after a prefix, or in the second half from column 25.
      {"00-950 Warszawa ul. Długa 5", {"ul. Długa", "5", "", "00-950", "Warszawa"}},
      {"00-950 Warszawa          Długa 5", {"Długa", "5", "", "00-950", "Warszawa"}},
      {"22-100 Chełm Wólka 12", {"", "", "", "22-100", "Chełm Wólka 12"}},
      // Neither: the whole line is the city.
      {"Warszawa", {"", "", "", "", "Warszawa"}},
      {"", {"", "", "", "", ""}},
      // A postcode needs a non-digit after it; the characters before it are not looked at.
      {"00-9501 X", {"", "", "", "", "00-9501 X"}},
      {"1200-950 X", {"12", "", "", "00-950", "X"}},
  };
  Check(cases, std::size(cases));
}

TEST(SplitAddress, CutsFlatAndHouseNumbersOffTheStreet) {
  QelmarHost host;
  const Case cases[] = {
      {"Długa 5 m 3 00-950 X", {"Długa", "5", "3", "00-950", "X"}},
      {"Długa 5 m. 3 00-950 X", {"Długa", "5", "3", "00-950", "X"}},
      {"Długa 5 lok 3 00-950 X", {"Długa", "5", "3", "00-950", "X"}},
      {"Długa 5 lok. 3 00-950 X", {"Długa", "5", "3", "00-950", "X"}},
      {"Długa 5m3 00-950 X", {"Długa", "5", "3", "00-950", "X"}},
      {"Długa 5m.3 00-950 X", {"Długa", "5", "3", "00-950", "X"}},
      {"Długa 5/7 m 3 00-950 X", {"Długa", "5", "7 m 3", "00-950", "X"}},  // "/" is tried first
      {"Armii Krajowej 7m2 00-950 X", {"Armii Krajowej", "7", "2", "00-950", "X"}},
      {"Mickiewicza 5 00-950 X", {"Mickiewicza", "5", "", "00-950", "X"}},
      {"Długa 5 M 3 00-950 X", {"Długa 5 M", "3", "", "00-950", "X"}},  // only a lower-case m marks a flat
      {"Długa 5 lok.3 00-950 X", {"Długa 5 lok", "3", "", "00-950", "X"}},
      {"Długa 12a 00-950 X", {"Długa", "12a", "", "00-950", "X"}},
      {"Długa 12-14 00-950 X", {"Długa", "12-14", "", "00-950", "X"}},
      {"12 00-950 X", {"12", "", "", "00-950", "X"}},  // a number alone stays the street
  };
  Check(cases, std::size(cases));
}

TEST(SplitAddress, KeepsTextWhereTheLayoutsGiveNothing) {
  QelmarHost host;
  const Case cases[] = {
      // A street prefix without a postcode: the city is what stands before the street.
      {"ul. Długa 5", {"ul. Długa", "5", "", "", ""}},
      {"Warszawa ul. Długa 5", {"ul. Długa", "5", "", "", "Warszawa"}},
      // A line that ends with its postcode.
      {"ul. Długa 5 00-950", {"ul. Długa", "5", "", "00-950", ""}},
      {"Długa 5 00-950", {"Długa", "5", "", "00-950", ""}},
      {"00-950", {"", "", "", "00-950", ""}},
      // A street prefix right after the postcode.
      {"00-950 ul. Długa 5", {"ul. Długa", "5", "", "00-950", ""}},
      {"00-950ul. Długa 5", {"ul. Długa", "5", "", "00-950", ""}},
  };
  Check(cases, std::size(cases));
}

TEST(SplitAddress, NeverDropsLettersOrDigits) {
  QelmarHost host;
  const Case cases[] = {
      // A city written right after the postcode keeps its first letter.
      {"00-950Warszawa", {"", "", "", "00-950", "Warszawa"}},
      // Text before the street prefix stays in the street; before the postcode, in the city.
      {"Firma ul. Długa 5 00-950 Warszawa", {"Firma ul. Długa", "5", "", "00-950", "Warszawa"}},
      {"Polska 00-950 Warszawa ul. Długa 5", {"ul. Długa", "5", "", "00-950", "Polska Warszawa"}},
      // No house number at the end: only trailing blanks and punctuation go.
      {"ul. Kwiatowa, 00-950 X", {"ul. Kwiatowa", "", "", "00-950", "X"}},
      {"ul. Nowa 00-950 X", {"ul. Nowa", "", "", "00-950", "X"}},
      {"Długa 5 m.12 00-950 X", {"Długa 5", "", "12", "00-950", "X"}},
      // A number glued to the street name takes no letter with it.
      {"Długa5 00-950 X", {"Długa", "5", "", "00-950", "X"}},
      // A flat separator without a number, or with words before the number, cuts nothing.
      {"Kwiatowa/Róży 5 00-950 X", {"Kwiatowa/Róży", "5", "", "00-950", "X"}},
      {"Al. Jana m Pawła 5 00-950 X", {"Al. Jana m Pawła", "5", "", "00-950", "X"}},
  };
  Check(cases, std::size(cases));
}

TEST(SplitAddress, UsesTheFirst255CharactersAndStaysWithinItsPieces) {
  QelmarHost host;
  const std::string line = "ul. " + std::string(300, 'x') + " 5";
  const Pieces pieces = Split(line);
  EXPECT_EQ(pieces.street, "ul. " + std::string(251, 'x'));
  EXPECT_EQ(pieces.house, "");
}

}  // namespace
}  // namespace dravenhol
