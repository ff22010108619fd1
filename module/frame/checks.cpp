#include "frame/checks.h"

#include <algorithm>
#include <cstddef>

#include "frame/frame_state.h"
#include "host/binding.h"
#include "host/data_files.h"
#include "host/host_api.h"
#include "host/mazovia.h"
#include "host/record.h"
#include "host/stamp.h"
#include "host/texts.h"
#include "platform/format.h"

namespace dravenhol {

namespace {

TableLayoutEntry g_layoutEntries[kDataFileCount];

void ShowStop(const char* text) {
  host::HostAlertBox(int32_t{15000}, texts::kTitleStop, "%s", int32_t{0xF001}, int32_t{0x6E2E}, text);
}

}  // namespace

int32_t ReportMissingHostFunctions(char* buffer, MissingReport when) {
  buffer[0] = '\0';
  const int32_t count = g_binding.missingCount;
  if (count == 0) return 0;
  char list[256];
  if (count == 1) {
    FormatBounded(list, sizeof list, texts::kMissingFunctionOne, g_binding.missingNumbers[0]);
  } else {
    uint16_t sorted[kRecordedMissingNumbers];
    const int n = std::min<int32_t>(count, kRecordedMissingNumbers);
    for (int i = 0; i < n; ++i) {  // insertion sort of at most eight numbers
      int j = i;
      for (; j > 0 && sorted[j - 1] > g_binding.missingNumbers[i]; --j) sorted[j] = sorted[j - 1];
      sorted[j] = g_binding.missingNumbers[i];
    }
    int used = FormatBounded(list, sizeof list, "%s", texts::kMissingFunctionsMany);
    for (int i = 0; i < n; ++i) used += FormatBounded(list + used, sizeof list - used, " %hu,", sorted[i]);
    if (used > 0 && list[used - 1] == ',') list[used - 1] = '\0';
  }
  // At the activation the module is not loaded; at the command it is, and
  // only the export is refused.
  const char* closing = when == MissingReport::kAtActivation ? texts::kPluginNotLoaded : texts::kExportNotCarriedOut;
  FormatBounded(buffer, kMessageBufferSize, texts::kMissingFunctions, kPluginDescription, list,
                count == 1 ? texts::kMissingPronounOne : texts::kMissingPronounMany, closing);
  return count;
}

bool ExportFunctionsMissing() {
  // Called only outside an export: at the handshake, the activation, the
  // install notice and the unload.
  constexpr int kFrameOnly[] = {host::HostCheckModuleSlot,     host::HostInterfaceVersionSlot,
                                host::HostRegisterCommandSlot, host::HostUnregisterCommandSlot,
                                host::HostNoticeBoxSlot,       host::HostIniAccessSlot,
                                host::HostAlertBoxSlot};
  for (int slot = 0; slot < host::kHostFunctionCount; ++slot) {
    if (HostFunctionTable[slot] != nullptr || host::kHostFunctions[slot].neverCalled) continue;
    if (std::find(std::begin(kFrameOnly), std::end(kFrameOnly), slot) == std::end(kFrameOnly)) return true;
  }
  return false;
}

int32_t CheckTableLayouts() {
  g_frame.mismatchList = nullptr;
  TableLayoutEntry** tail = &g_frame.mismatchList;
  int32_t count = 0;
  for (int i = 0; i < kDataFileCount; ++i) {
    const DataFileInfo& file = kDataFiles[kLayoutCheckOrder[i]];
    TableLayoutEntry& entry = g_layoutEntries[i];
    entry.moduleLength = file.recordLength;
    entry.hostLength = HostRecordLength(host::HostTableByNumber(int32_t{file.number}));
    entry.name = file.name;
    entry.next = nullptr;
    if (entry.moduleLength != entry.hostLength) {
      *tail = &entry;
      tail = &entry.next;
      ++count;
    }
  }
  return count;
}

int32_t ReportTableLayouts(char* buffer) {
  buffer[0] = '\0';
  if (g_frame.mismatchList == nullptr) return 0;
  int used = FormatBounded(buffer, kMessageBufferSize, texts::kLayoutsDiffer, kPluginDescription,
                           g_frame.baseName != nullptr ? g_frame.baseName : "");
  for (const TableLayoutEntry* entry = g_frame.mismatchList; entry != nullptr; entry = entry->next) {
    char hostLength[16];
    if (entry->hostLength == 0)
      FormatBounded(hostLength, sizeof hostLength, "%s", texts::kLayoutAbsent);
    else
      FormatBounded(hostLength, sizeof hostLength, "%d", static_cast<int>(entry->hostLength));
    used += FormatBounded(buffer + used, kMessageBufferSize - used, texts::kLayoutRow, entry->name,
                          static_cast<int>(entry->moduleLength), hostLength);
  }
  FormatBounded(buffer + used, kMessageBufferSize - used, texts::kLayoutsModuleNotLoaded,
                g_frame.baseName != nullptr ? g_frame.baseName : "");
  return -1;
}

int32_t RecheckHost() {
  if (host::HostCheckModule(g_frame.ownModule, static_cast<char*>(nullptr), int32_t{0}) != 0) return -1;
  if (host::HostInterfaceVersion() != kInterfaceVersion) return -1;
  if (CheckTableLayouts() != 0) return -1;
  return 0;
}

void ExplainRefusal() {
  if (g_frame.hostCallback != nullptr) g_frame.hostCallback(1, -1);
  char buffer[kMessageBufferSize];
  buffer[0] = '\0';
  const char* baseName = g_frame.baseName != nullptr ? g_frame.baseName : "";

  // The host may have changed the word since the module was loaded: read it
  // anew from memory, byte by byte (the stamp is packed), little-endian.
  const auto* word =
      reinterpret_cast<const volatile unsigned char*>(&g_moduleStamp) + offsetof(ModuleStamp, featureWord);
  uint32_t features = 0;
  for (int i = 3; i >= 0; --i) features = features << 8 | word[i];
  if (features != 0) {
    FormatBounded(buffer, sizeof buffer, texts::kFeaturesMissing, static_cast<unsigned>(features), kPluginDescription);
    ShowStop(buffer);
    return;
  }
  if (ReportMissingHostFunctions(buffer) != 0) {
    ShowStop(buffer);
    return;
  }
  if (ReportTableLayouts(buffer) != 0) {
    ShowStop(buffer);
    return;
  }
  if (host::HostCheckModule(g_frame.ownModule, buffer, int32_t{kMessageBufferSize}) != 0) {
    buffer[kMessageBufferSize - 1] = '\0';  // the host's text, whatever it wrote
    ShowStop(buffer);
    return;
  }
  // The last two messages are formats that the host fills with the base name.
  if (RecheckHost() != 0) {
    host::HostAlertBox(int32_t{15000}, texts::kTitleStop, texts::kVersionsDiffer, int32_t{0xF001}, int32_t{0x6E2E},
                       baseName, baseName);
    return;
  }
  host::HostAlertBox(int32_t{15000}, texts::kTitleStop, texts::kNotInitialised, int32_t{0xF001}, int32_t{0x6E2E},
                     baseName);
}

}  // namespace dravenhol
