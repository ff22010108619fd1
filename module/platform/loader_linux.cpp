#include <dlfcn.h>
#include <link.h>

#include <cstring>

#include "platform/loader.h"
#include "platform/ordinal_exports_linux.h"

namespace dravenhol::platform {

ModuleHandle LoadModule(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }

void UnloadModule(ModuleHandle module) {
  if (module != nullptr) dlclose(module);
}

const char* ModuleSuffix() { return ".so"; }

bool WithdrawExport(ModuleHandle module, uint16_t number) {
  OrdinalExport* entry = ExportDirectory(module);
  for (; entry != nullptr && entry->number != 0; ++entry)
    if (entry->number == number) {
      entry->address = nullptr;
      return true;
    }
  return false;
}

void ForEachWritableRange(ModuleHandle module, void (*visit)(void*, std::size_t, void*), void* context) {
  link_map* map = nullptr;
  if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return;
  struct Search {
    link_map* map;
    void (*visit)(void*, std::size_t, void*);
    void* context;
  } search{map, visit, context};
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) -> int {
        auto* s = static_cast<Search*>(data);
        if (info->dlpi_addr != s->map->l_addr) return 0;
        for (int i = 0; i < info->dlpi_phnum; ++i) {
          const auto& ph = info->dlpi_phdr[i];
          if (ph.p_type == PT_LOAD && (ph.p_flags & PF_W) != 0)
            s->visit(reinterpret_cast<void*>(info->dlpi_addr + ph.p_vaddr), ph.p_memsz, s->context);
        }
        return 1;
      },
      &search);
}

}  // namespace dravenhol::platform
