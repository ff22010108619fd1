// Sales settings (data file Tspr_prop, 843 bytes): the discount switches.
#pragma once

#include <cstddef>

namespace dravenhol::tspr_prop {

// i16 each; discounts are exported when any is set.
inline constexpr std::size_t kDiscountSwitches[] = {68, 745, 545};

}  // namespace dravenhol::tspr_prop
