// Warehouse (data file w3, 216-byte records).
#pragma once

#include <cstddef>

namespace dravenhol::w3 {

inline constexpr std::size_t kNumber = 2;  // i16 warehouse number
inline constexpr std::size_t kName = 4;    // text; empty: the warehouse is not in use

}  // namespace dravenhol::w3
