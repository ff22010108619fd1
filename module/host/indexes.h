// The host indexes that an export run walks, by their numbers.
#pragma once

#include <cstdint>

namespace dravenhol {

inline constexpr int16_t kContractsIndex = 72;           // Umst: standing contracts
inline constexpr int16_t kInvoicesIndex = 811;           // Tspr: sales documents
inline constexpr int16_t kContractorsIndex = 6;          // k4, first walk
inline constexpr int16_t kContractorsSecondIndex = 198;  // k4, second walk into the same file
inline constexpr int16_t kWarehousesIndex = 3;           // w3
inline constexpr int16_t kGoodsIndex = 4;                // k9 as the current warehouse presents them
inline constexpr int16_t kUsersIndex = 34;               // h1
inline constexpr int16_t kSettlementIndex = 53;          // k4_kar of the host's current contractor

}  // namespace dravenhol
