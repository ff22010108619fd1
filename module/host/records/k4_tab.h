// Contractor discounts (data file k4_tab, 11256-byte records): one entry per
// goods group.
#pragma once

#include <cstddef>

namespace dravenhol::k4_tab {

inline constexpr int kGroups = 450;
inline constexpr std::size_t kPercent = 452;      // i32 x 450, thousandths of a percent
inline constexpr std::size_t kPriceLevel = 2252;  // i16 x 450, counted from 0
inline constexpr std::size_t kAmount = 3152;      // f64 x 450, money
inline constexpr std::size_t kOwner = 11252;      // i32 contractor id; 0: no owner

}  // namespace dravenhol::k4_tab
