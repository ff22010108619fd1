// Sales document item (data file Tspr_dok, 515-byte records), as the host's
// item reader delivers it.
#pragma once

#include <cstddef>

namespace dravenhol::tspr_dok {

inline constexpr std::size_t kName = 2;      // text
inline constexpr std::size_t kPriceA = 150;  // f64 money, for even document types
inline constexpr std::size_t kVat = 166;     // i16 VAT code
inline constexpr std::size_t kPriceB = 192;  // f64 money, for odd document types

}  // namespace dravenhol::tspr_dok
