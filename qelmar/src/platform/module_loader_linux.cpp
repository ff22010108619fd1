#include <dlfcn.h>
#include <link.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/module_loader.h"

namespace qelmar::loader {

namespace {

// One entry of a library's export directory.
struct NumberedExport {
  uint64_t number;
  void* address;
};

const NumberedExport* ExportDirectory(ModuleHandle module) {
  return static_cast<const NumberedExport*>(dlsym(module, "ordinal_exports"));
}

}  // namespace

ModuleHandle LoadModule(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }

void UnloadModule(ModuleHandle module) {
  if (module != nullptr) dlclose(module);
}

const char* ModuleSuffix() { return ".so"; }

void* ExportByNumber(ModuleHandle module, uint16_t number) {
  if (module == nullptr) return nullptr;
  for (const NumberedExport* entry = ExportDirectory(module); entry != nullptr && entry->number != 0; ++entry)
    if (entry->number == number) return entry->address;
  return nullptr;
}

ModuleHandle FindLoadedModule(const char* name) {
  const std::string soname = std::string(name) + ".so";
  void* handle = dlopen(soname.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle);  // keep the reference count as it was
  return handle;
}

uint32_t ModuleFileName(ModuleHandle module, char* path, uint32_t size) {
  if (size == 0) return 0;
  path[0] = '\0';
  link_map* map = nullptr;
  if (module == nullptr || dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return 0;
  std::snprintf(path, size, "%s", map->l_name);
  return static_cast<uint32_t>(std::strlen(path));
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
          const auto& header = info->dlpi_phdr[i];
          if (header.p_type == PT_LOAD && (header.p_flags & PF_W) != 0)
            s->visit(reinterpret_cast<void*>(info->dlpi_addr + header.p_vaddr), header.p_memsz, s->context);
        }
        return 1;
      },
      &search);
}

}  // namespace qelmar::loader
