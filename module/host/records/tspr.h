// Sales document (data file Tspr, 1469-byte records): the fields the module reads.
#pragma once

#include <cstddef>

namespace dravenhol::tspr {

inline constexpr std::size_t kNumber = 2;         // text; empty for some documents
inline constexpr std::size_t kSecondNumber = 19;  // text; the number when kNumber is empty
inline constexpr std::size_t kCustomerKey = 36;   // text
inline constexpr std::size_t kType = 219;         // i16; odd types price items at the second price
inline constexpr std::size_t kSaleDate = 221;     // stored date
inline constexpr std::size_t kIssueDate = 230;    // stored date
inline constexpr std::size_t kPaymentTerm = 257;  // i16, days
inline constexpr std::size_t kGrossTotal = 259;   // f64 money
inline constexpr std::size_t kGrossExempt = 363;  // f64 money
inline constexpr std::size_t kRemarks = 436;      // text
inline constexpr std::size_t kCreatedBy = 539;    // text, the user who created it
inline constexpr std::size_t kContractor = 1453;  // i32 contractor id
inline constexpr std::size_t kSettlement = 1461;  // i32, the reference its settlement slots carry
inline constexpr std::size_t kDocumentId = 1465;  // i32; 0: not a document

// The eleven amount columns from gross total to gross at 0% and exempt, in
// column order (the three amounts at 331, 339 and 347 are not exported).
inline constexpr std::size_t kAmounts[] = {kGrossTotal, 267, 275, 283, 291, 299, 307, 315, 323, 355, kGrossExempt};

}  // namespace dravenhol::tspr
