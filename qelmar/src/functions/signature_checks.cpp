// Every host function of this library has the exact type that the
// catalogue gives it: return type, parameters and calling convention.
#include <type_traits>

#include "functions/catalogue.h"
#include "functions/host_functions.h"

namespace qelmar::impl {

// NOLINTBEGIN(bugprone-macro-parentheses): Name is a function's name.
#define HOST_FN(slot, number, Name, Ret, Conv, Params)                \
  static_assert(std::is_same_v<decltype(&Name), catalogue::Name##Fn>, \
                "host function " #Name " (" #number ") differs from the catalogue");
// NOLINTEND(bugprone-macro-parentheses)
#include "host/host_catalogue.inc"
#undef HOST_FN

static_assert(std::is_same_v<decltype(&QelmarHostCallback), dravenhol::HostCallback>);

}  // namespace qelmar::impl
