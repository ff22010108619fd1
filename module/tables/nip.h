// The tax-number test: is a contractor's tax number a Polish NIP?
#pragma once

namespace dravenhol {

// True when text, with its blanks and hyphens left out, has the NIP check
// digit: the first nine digits weighted 6, 5, 7, 2, 3, 4, 5, 6, 7, the sum
// modulo 11 (10 counting as 0) equal to the check character. The check
// character is the tenth digit, or the last character when there are fewer
// digits before it. Other characters before the digits (a country prefix)
// are passed over. A text with more than ten digits (an eleven-digit PESEL)
// is never a NIP, and at least six digits must be counted.
bool IsValidNip(const char* text);

}  // namespace dravenhol
