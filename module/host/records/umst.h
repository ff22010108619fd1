// Standing contract (data file Umst, 888-byte records).
#pragma once

#include <cstddef>
#include <cstdint>

namespace dravenhol::umst {

inline constexpr std::size_t kState = 2;            // i16; 2: suspended
inline constexpr std::size_t kKind = 4;             // i16
inline constexpr std::size_t kFrequency = 6;        // i16
inline constexpr std::size_t kNumber = 8;           // text
inline constexpr std::size_t kContractorKey = 27;   // text
inline constexpr std::size_t kDescription = 210;    // text
inline constexpr std::size_t kPaymentWord = 311;    // u16 payment bits
inline constexpr std::size_t kPaymentTerm = 313;    // i16, days
inline constexpr std::size_t kStartDate = 348;      // stored date
inline constexpr std::size_t kEndDate = 357;        // stored date
inline constexpr std::size_t kCreatedDate = 835;    // stored date
inline constexpr std::size_t kPriceSelector = 848;  // i16; non-zero: items at their second price
inline constexpr std::size_t kId = 854;             // i32; 0: not a contract; keys its items

inline constexpr int16_t kSuspended = 2;  // kState of a suspended contract

}  // namespace dravenhol::umst
