// Address splitting.
#include "tables/address.h"

#include <cstring>

#include "host/host_api.h"

namespace dravenhol {

namespace {

// The column at which the second half of a two-half address line begins.
constexpr int kSecondHalf = 25;
constexpr int kPostcodeLength = 6;
constexpr const char* kStreetPrefixes[] = {"ul.", "os.", "al."};
constexpr const char* kFlatSeparators[] = {"/", " m ", " m. ", " lok ", " lok. "};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// Blanks, control characters and ASCII punctuation may be dropped between
// pieces; everything else (letters, digits, Polish letters) is address text.
bool IsDroppable(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u <= 0x20 || u == 0x7F) return true;
  return u < 0x80 && !IsDigit(c) && !IsLetter(c);
}

bool HasText(const char* text, int begin, int end) {
  for (int i = begin; i < end; ++i)
    if (!IsDroppable(text[i])) return true;
  return false;
}

bool PostcodeAt(const char* text, int i, int length) {
  if (i + kPostcodeLength > length) return false;
  return IsDigit(text[i]) && IsDigit(text[i + 1]) && text[i + 2] == '-' && IsDigit(text[i + 3]) &&
         IsDigit(text[i + 4]) && IsDigit(text[i + 5]) && !IsDigit(text[i + 6]);
}

bool StreetPrefixAt(const char* text, int i, int length) {
  if (i + 3 > length) return false;
  for (const char* prefix : kStreetPrefixes) {
    if (Lower(text[i]) == prefix[0] && Lower(text[i + 1]) == prefix[1] && Lower(text[i + 2]) == prefix[2]) return true;
  }
  return false;
}

// Appends text[begin, end) to piece (which stays terminated and bounded).
void AppendRange(AddressPiece& piece, const char* text, int begin, int end) {
  std::size_t n = std::strlen(piece);
  for (int i = begin; i < end && n + 1 < kTextAreaSize; ++i) piece[n++] = text[i];
  piece[n] = '\0';
}

void SetRange(AddressPiece& piece, const char* text, int begin, int end) {
  piece[0] = '\0';
  AppendRange(piece, text, begin, end);
}

bool IsHouseNumberCharacter(const char* street, int i) {
  const char c = street[i];
  return IsDigit(c) || c == '-' || c == '/' || (IsLetter(c) && i > 0 && IsDigit(street[i - 1]));
}

}  // namespace

void SplitAddressLine(const char* line, AddressPiece& street, AddressPiece& postcode, AddressPiece& city) {
  street[0] = postcode[0] = city[0] = '\0';
  // Terminated before the host copies in, whatever the host writes.
  char work[kTextAreaSize] = {};
  host::HostCopyTextMax(work, line, static_cast<int32_t>(kTextAreaSize - 1));
  work[kTextAreaSize - 1] = '\0';
  const int length = static_cast<int>(std::strlen(work));

  // The last postcode (Q) and the last street prefix (S) on the line.
  int q = -1;
  int s = -1;
  for (int i = 0; i < length; ++i) {
    if (PostcodeAt(work, i, length)) q = i;
    if (StreetPrefixAt(work, i, length)) s = i;
  }
  // P: where the city is expected, after the postcode and one separator.
  int p = -1;
  if (q >= 0) {
    p = q + kPostcodeLength + 1;
    if (p > length)
      p = length;  // the line ends with its postcode: no city after it
    else if (!IsDroppable(work[q + kPostcodeLength]))
      p = q + kPostcodeLength;  // a city written right after the postcode
  }
  if (s < 0 && q >= 0) s = (q == 0) ? kSecondHalf : 0;

  if (q >= 0 && q < p && p < s) {
    // Postcode, city, street. Text before the postcode joins the city.
    SetRange(postcode, work, q, q + kPostcodeLength);
    const int cityEnd = s < length ? s : length;
    if (HasText(work, 0, q)) {
      SetRange(city, work, 0, q);
      AppendRange(city, work, p, cityEnd);
    } else {
      SetRange(city, work, p, cityEnd);
    }
    if (s < length) SetRange(street, work, s, length);
  } else if (q >= 0 && s >= 0 && s < q) {
    // Street, postcode, city. Text before the street prefix stays in the street.
    SetRange(postcode, work, q, q + kPostcodeLength);
    SetRange(city, work, p, length);
    SetRange(street, work, HasText(work, 0, s) ? 0 : s, q);
  } else if (q < 0 && s < 0) {
    SetRange(city, work, 0, length);
  } else if (q < 0) {
    // A street prefix without a postcode: the city before it, if any.
    SetRange(city, work, 0, s);
    SetRange(street, work, s, length);
  } else {
    // A street prefix right after the postcode: no city after the postcode.
    SetRange(postcode, work, q, q + kPostcodeLength);
    SetRange(city, work, 0, q);
    SetRange(street, work, s, length);
  }

  host::HostTrimText(city);
  host::HostTrimText(postcode);
  host::HostTrimText(street);
  city[kTextAreaSize - 1] = postcode[kTextAreaSize - 1] = street[kTextAreaSize - 1] = '\0';
}

void CutFlatNumber(AddressPiece& street, AddressPiece& flat, const char* separator) {
  char* occurrence = std::strstr(street, separator);
  if (occurrence == nullptr) return;
  const char* after = occurrence + std::strlen(separator);
  const char* digit = after;
  while (*digit != '\0' && !IsDigit(*digit)) ++digit;
  if (*digit == '\0') return;                                      // no number after it: not a flat number
  if (HasText(after, 0, static_cast<int>(digit - after))) return;  // words before the number
  CopyText(flat, kTextAreaSize, digit);
  *occurrence = '\0';
}

void CutFlatNumberAfterM(AddressPiece& street, AddressPiece& flat) {
  for (int i = 0; street[i] != '\0'; ++i) {
    if (street[i] != 'm') continue;
    int digit = -1;
    if (IsDigit(street[i + 1]))
      digit = i + 1;
    else if (street[i + 1] == '.' && IsDigit(street[i + 2]))
      digit = i + 2;
    if (digit < 0) continue;
    CopyText(flat, kTextAreaSize, street + digit);
    street[i] = '\0';
    return;
  }
}

void CutHouseNumber(AddressPiece& street, AddressPiece& house) {
  house[0] = '\0';
  const int length = static_cast<int>(strnlen(street, kTextAreaSize - 1));
  if (length <= 1) return;
  int i = length - 1;
  while (i >= 1 && IsHouseNumberCharacter(street, i)) --i;
  if (i == 0) return;  // a number alone, or one character and a number: no street to split off

  if (i == length - 1) {
    // No house number at the end: only trailing blanks and punctuation go.
    int end = length;
    while (end > 0 && IsDroppable(street[end - 1])) --end;
    street[end] = '\0';
    return;
  }
  CopyText(house, kTextAreaSize, street + i + 1);
  // The blank before the number goes; a letter or digit stays with the street.
  street[IsDroppable(street[i]) ? i : i + 1] = '\0';
}

void SplitAddress(const char* line, AddressPieces& pieces) {
  SplitAddressLine(line, pieces.street, pieces.postcode, pieces.city);
  pieces.flat[0] = '\0';
  for (const char* separator : kFlatSeparators) {
    CutFlatNumber(pieces.street, pieces.flat, separator);
    if (pieces.flat[0] != '\0') break;
  }
  if (pieces.flat[0] == '\0') CutFlatNumberAfterM(pieces.street, pieces.flat);
  CutHouseNumber(pieces.street, pieces.house);
}

}  // namespace dravenhol
