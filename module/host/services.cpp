#include "host/services.h"

#include <cstdarg>

#include "host/call_thunks.h"

namespace dravenhol {

int16_t AccessSettings(const char* file, int32_t operation, const char* section, const char* key, const char* format,
                       ...) {
  va_list arguments;
  va_start(arguments, format);
  const int16_t status = host::HostIniAccess(file, operation, section, key, format, arguments);
  va_end(arguments);
  return status;
}

void OpenInputFile(StreamScope* input, const char* path, const char* mode) {
  input->Reset(host::HostFileOpen(path, mode));
  HolderScope holder(static_cast<void*>(input->get()), HostReleaseFunction{});
  holder.Get();
  holder.Destroy();
}

void CloseHostStream(HostStream* stream) { host::HostFileClose(stream); }

void OpenItemFile(ItemFileScope* file, int32_t index, void* key, void* auxiliary, int32_t* count) {
  file->Reset(host::HostOpenItemFile(index, key, auxiliary, count));
  HolderScope holder(static_cast<void*>(file->get()),
                     host::ThunkOf<HostReleaseFunction, host::HostReleaseItemFileSlot>());
  holder.Get();
  holder.Destroy();
}

}  // namespace dravenhol
