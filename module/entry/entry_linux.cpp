// The attach step on Linux: the module's first constructor, ahead of the
// binding pass (binding_pass.cpp) and of all other static initialisation.
#include <dlfcn.h>

#include "frame/frame_state.h"

namespace {

__attribute__((constructor(101))) void AttachModule() {
  Dl_info info{};
  void* own = nullptr;
  if (dladdr(reinterpret_cast<void*>(&AttachModule), &info) != 0 && info.dli_fname != nullptr) {
    own = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
    if (own != nullptr) dlclose(own);  // keep the reference count as it was
  }
  dravenhol::OnProcessAttach(own);
}

}  // namespace
