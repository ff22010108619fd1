// Contractor (data file k4, 1536-byte records).
#pragma once

#include <cstddef>

namespace dravenhol::k4 {

inline constexpr std::size_t kSymbol = 2;          // text
inline constexpr std::size_t kName = 19;           // text, surname first
inline constexpr std::size_t kAddress = 120;       // text, one line
inline constexpr std::size_t kTaxNumber = 176;     // text: NIP or another tax number
inline constexpr std::size_t kAccount = 239;       // text
inline constexpr std::size_t kFilterAmount = 343;  // f64; Interkam exports contractors where it is not zero
inline constexpr std::size_t kBalance = 359;       // f64 money
inline constexpr std::size_t kCreatedDate = 949;   // stored date
inline constexpr std::size_t kCreatedBy = 958;     // text
inline constexpr std::size_t kId = 1532;           // i32; 0: not a contractor

}  // namespace dravenhol::k4
