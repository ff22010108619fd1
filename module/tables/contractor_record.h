// Where the contractor record (data file k4) keeps the fields the module reads.
#pragma once

#include <cstddef>

namespace dravenhol {

constexpr std::size_t kK4Symbol = 2, kK4Name = 19, kK4Address = 120, kK4TaxNumber = 176, kK4Account = 239,
                      kK4FilterAmount = 343, kK4Balance = 359, kK4Created = 949, kK4CreatedBy = 958, kK4Id = 1532;

}  // namespace dravenhol
