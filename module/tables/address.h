// Splitting a contractor's one-line address into street, house number, flat
// number, postcode and city.
//
// The line holds street and postcode with city in either order, sometimes as
// two fixed-width halves of 25 characters. The split recognises a Polish
// postcode (NN-NNN), the street prefixes "ul.", "os." and "al.", the usual
// flat-number separators and the shape of a house number. It never loses
// address text: every letter and digit of the line ends up in some piece;
// only blanks, punctuation and the flat markers themselves ("/", " m ",
// " lok. ", the m of "5m3") are dropped.
#pragma once

#include "tables/fields.h"

namespace dravenhol {

using AddressPiece = char[kTextAreaSize];

struct AddressPieces {
  AddressPiece street;
  AddressPiece postcode;
  AddressPiece city;
  AddressPiece house;
  AddressPiece flat;
};

// The whole split of the first 255 characters of line.
void SplitAddress(const char* line, AddressPieces& pieces);

// The first cut: street, postcode and city, each trimmed by the host.
void SplitAddressLine(const char* line, AddressPiece& street, AddressPiece& postcode, AddressPiece& city);

// The flat number after the first occurrence of separator in street: from
// the first digit after it to the end; the street then ends before the
// separator. Nothing changes when no digit follows, or when other text
// stands between the separator and that digit.
void CutFlatNumber(AddressPiece& street, AddressPiece& flat, const char* separator);

// The flat number after a lower-case m directly followed by a digit or by a
// full stop and a digit ("5m3", "5m.3"); the street ends before the m.
void CutFlatNumberAfterM(AddressPiece& street, AddressPiece& flat);

// The house number at the end of the street ("5", "12a", "12-14", "5/7"),
// and the street without it. A street that does not end in a house-number
// character keeps all its letters and digits and gets no house number.
void CutHouseNumber(AddressPiece& street, AddressPiece& house);

}  // namespace dravenhol
