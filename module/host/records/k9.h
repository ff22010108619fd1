// Goods (data file k9, 1024-byte records).
#pragma once

#include <cstddef>

namespace dravenhol::k9 {

inline constexpr std::size_t kName = 2;              // text
inline constexpr std::size_t kSymbol = 123;          // text
inline constexpr std::size_t kPlu = 140;             // text
inline constexpr std::size_t kUnit = 157;            // text
inline constexpr std::size_t kStock = 175;           // i32, thousandths
inline constexpr std::size_t kVat = 227;             // i16 VAT code
inline constexpr std::size_t kPurchaseNet = 231;     // f64 money
inline constexpr std::size_t kNet1 = 247;            // f64 money
inline constexpr std::size_t kNet2 = 255;            // f64 money
inline constexpr std::size_t kGross1 = 327;          // f64 money
inline constexpr std::size_t kSupplierSymbol = 457;  // text
inline constexpr std::size_t kShortName = 483;       // text
inline constexpr std::size_t kGroup = 524;           // i32 goods group
inline constexpr std::size_t kPkwiu = 528;           // text
inline constexpr std::size_t kDescription = 606;     // text
inline constexpr std::size_t kId = 1022;             // 16-bit goods id; 0: not goods

}  // namespace dravenhol::k9
