// Fuzz entry for the text rules: address splitting, quoting, the NIP test and
// the name splits. Each input is checked against properties that hold for
// every text, not against expected values:
//  - address splitting keeps every letter and digit of the line (only blanks,
//    punctuation and the letters of the flat markers m / lok may go);
//  - a quoted field is empty or wrapped in apostrophes, every inner apostrophe
//    is escaped, it does not end in a backslash, and it unescapes to the
//    source's first 1023 characters without their trailing backslashes;
//  - a text with more than ten digits is never a NIP;
//  - a contractor record made of the text gives a row that fits its capacity
//    (invariants.h), or none;
//  - nothing is written past an area (checked by the sanitizers).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "invariants.h"
#include "qelmar_host.h"
#include "tables/address.h"
#include "tables/fields.h"
#include "tables/names.h"
#include "tables/nip.h"
#include "tables/row_writers.h"

namespace {

using namespace dravenhol;

[[noreturn]] void Fail(const char* what, const std::string& input) {
  std::fprintf(stderr, "%s\ninput (%zu bytes): %s\n", what, input.size(), input.c_str());
  std::abort();
}

bool MayBeDropped(unsigned char c) {
  if (c <= 0x20 || c == 0x7F) return true;
  if (c >= 0x80 || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return false;
  return true;
}

void CheckAddress(const std::string& text) {
  AddressPieces pieces;
  SplitAddress(text.c_str(), pieces);
  std::size_t counts[256] = {};
  const std::string line = text.substr(0, 255);
  for (unsigned char c : line) ++counts[c];
  std::size_t kept[256] = {};
  for (const char* piece : {pieces.street, pieces.house, pieces.flat, pieces.postcode, pieces.city}) {
    if (strnlen(piece, kTextAreaSize) >= kTextAreaSize) Fail("address piece not terminated", text);
    for (const char* c = piece; *c != '\0'; ++c) ++kept[static_cast<unsigned char>(*c)];
  }
  for (int c = 1; c < 256; ++c) {
    if (MayBeDropped(static_cast<unsigned char>(c))) continue;
    const bool marker = c == 'm' || c == 'l' || c == 'o' || c == 'k';
    if (marker ? kept[c] > counts[c] : kept[c] != counts[c]) Fail("address text lost or invented", text);
  }
}

void CheckQuoting(const std::string& text) {
  char field[kQuotedFieldSize];
  QuoteField(field, text.c_str());
  const std::string quoted = field;
  if (text.empty()) {
    if (!quoted.empty()) Fail("empty text quoted", text);
    return;
  }
  if (quoted.size() < 2 || quoted.front() != '\'' || quoted.back() != '\'') Fail("field not wrapped", text);
  const std::string inner = quoted.substr(1, quoted.size() - 2);
  if (!inner.empty() && inner.back() == '\\') Fail("closing apostrophe escaped", text);
  std::string unescaped;
  for (std::size_t i = 0; i < inner.size(); ++i) {
    if (inner[i] == '\'') Fail("apostrophe not escaped", text);
    if (inner[i] == '\\' && i + 1 < inner.size() && inner[i + 1] == '\'') {
      unescaped += '\'';
      ++i;
    } else {
      unescaped += inner[i];
    }
  }
  std::string expected = text.substr(0, kMaxFieldSource);
  while (!expected.empty() && expected.back() == '\\') expected.pop_back();
  if (unescaped != expected) Fail("quoted field does not give back its text", text);
}

void CheckNip(const std::string& text) {
  int digits = 0;
  std::size_t kept = 0;
  for (char c : text) {
    if (kept == 100) break;
    if (c == ' ' || c == '-') continue;
    ++kept;
    digits += (c >= '0' && c <= '9') ? 1 : 0;
  }
  if (IsValidNip(text.c_str()) && digits > 10) Fail("more than ten digits taken for a NIP", text);
}

testing::Json FirstNames(const char* list) { return {{"files", {{"imiona.txt", list}}}}; }

void CheckNames(const std::string& text) {
  testing::QelmarRun run(FirstNames("JAN\nMARIA\n\n"));
  char firstName[kQuotedFieldSize], surname[kQuotedFieldSize];
  SplitContractorName(run.rows, text.c_str(), firstName, surname);
  SplitUserName(run.rows, text.c_str(), firstName, surname);
  std::string copy = text;
  IsFirstName(run.rows, copy.data());
  for (char c : copy)
    if (c >= 'a' && c <= 'z') Fail("text not upper-cased", text);
}

// The bytes from the contractor record's first field on (as far as the
// record reaches), unterminated when they are long enough, so that every text
// field of the row takes a piece of them.
void CheckContractorRow(const std::string& bytes) {
  testing::QelmarRun run(FirstNames("JAN\nMARIA\n"));
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) hex.append({kDigits[c >> 4], kDigits[c & 15]});
  run.Place(kK4, {{testing::FromField(kK4, "symbol", "bytes"), hex}});
  run.OpenOutputs("kontrahenci.csv");
  run.output.Put(Side::kPrimary, FormatContractorRow(run.rows, testing::QelmarHost::Scratch()));
  for (const std::string& line : run.PrimaryLines()) fuzz::CheckLineFits("kontrahenci.csv", line, kRowCapacity);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // One text: up to the first terminator, at most 2000 bytes.
  const std::string bytes(reinterpret_cast<const char*>(data), size < 2000 ? size : 2000);
  const std::string text = bytes.c_str();
  const testing::QelmarHost host;
  CheckAddress(text);
  CheckQuoting(text);
  CheckNip(text);
  CheckNames(text);
  CheckContractorRow(bytes);
  return 0;
}
