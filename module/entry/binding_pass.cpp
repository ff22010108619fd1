// The binding pass: the first static initialisation of the module, right
// after the attach step.
#include "host/binding.h"

namespace {

__attribute__((constructor(102))) void BindHostFunctions() { dravenhol::BindAllHostFunctions(); }

}  // namespace
