// The texts the module shows the user (texts.inc), as Mazovia constants:
// texts::kTitleWarning and so on.
#pragma once

#include "host/mazovia.h"

namespace dravenhol::texts {

#define TEXT(Name, ...) inline constexpr const char* Name = MZ(__VA_ARGS__);
#include "host/texts.inc"
#undef TEXT

}  // namespace dravenhol::texts
