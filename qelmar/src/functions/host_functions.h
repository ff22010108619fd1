// Declarations of the replacement host's 113 functions, generated from the
// module's catalogue, so that each definition must have exactly the catalogue's
// signature and calling convention (signature_checks.cpp asserts it).
#pragma once

#include "host/host_types.h"

namespace qelmar::impl {

using namespace dravenhol;

#define HOST_FN(slot, number, Name, Ret, Conv, Params) extern "C" Ret Conv##_ATTR Name Params;
#include "host/host_catalogue.inc"
#undef HOST_FN

// Export 30006: the host callback that the module receives at attach.
extern "C" int32_t HOST_CDECL_ATTR QelmarHostCallback(int32_t a, int32_t b);

}  // namespace qelmar::impl
