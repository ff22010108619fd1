// Settlement entry (data file k4_kar, 767-byte records): up to twelve slots,
// each paying (kind 1) or charging an amount against a document reference.
#pragma once

#include <cstddef>

namespace dravenhol::k4_kar {

inline constexpr std::size_t kDate = 336;  // stored date
inline constexpr int kSlots = 12;
inline constexpr std::size_t kSlotKind = 588;       // i16 x 12; 1: a payment
inline constexpr std::size_t kSlotAmount = 612;     // f64 x 12, money
inline constexpr std::size_t kSlotReference = 711;  // i32 x 12, the document's settlement reference
inline constexpr std::size_t kActive = 763;         // u32; 0: the entry is void

}  // namespace dravenhol::k4_kar
