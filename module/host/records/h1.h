// User (data file h1, 468-byte records).
#pragma once

#include <cstddef>

namespace dravenhol::h1 {

inline constexpr std::size_t kState = 2;        // i16; 1: active
inline constexpr std::size_t kName = 4;         // text, the whole name
inline constexpr std::size_t kIdentifier = 35;  // text, the user's short id
inline constexpr std::size_t kThird = 40;       // text; a record with all three texts empty is no user

}  // namespace dravenhol::h1
