// Standing-contract item (data file Umst_dok, 422-byte records), as the
// host's item reader delivers it.
#pragma once

#include <cstddef>

namespace dravenhol::umst_dok {

inline constexpr std::size_t kName = 2;       // text
inline constexpr std::size_t kPriceA = 158;   // f64 money
inline constexpr std::size_t kVat = 166;      // i16 VAT code
inline constexpr std::size_t kPriceB = 176;   // f64 money
inline constexpr std::size_t kGoodsId = 418;  // 16-bit goods id

}  // namespace dravenhol::umst_dok
