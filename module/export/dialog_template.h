// The export dialog in the host's dialog-template format.
#pragma once

#include <array>
#include <cstdint>

namespace dravenhol {

inline constexpr int16_t kExportDialogNumber = 21135;
inline constexpr int16_t kDialogAccepted = 0x5001;
inline constexpr int16_t kDialogCancelled = 0x5002;

extern const std::array<unsigned char, 208> kExportDialogTemplate;

}  // namespace dravenhol
