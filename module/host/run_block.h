// The fields of the plug-in object that follow its dialog base: the index
// being walked, the data files, the two output file holders, the sending
// method and the goods marks. They keep the order and offsets the object has
// always had, for the host may read them; nothing else of a run lies here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "host/data_files.h"
#include "host/host_types.h"

namespace dravenhol {

enum SendMethod : int16_t { kUniversal = 0, kInterkam = 1 };

struct RunBlock {
  int16_t currentIndex;
  DataFile dataFiles[kDataFileCount];
  HostHolder primaryFile;
  HostHolder secondaryFile;
  int16_t sendMethod;
  int32_t* tabIdentyf;
};

static_assert(std::is_standard_layout_v<RunBlock> && std::is_trivially_copyable_v<RunBlock>);
static_assert(offsetof(RunBlock, currentIndex) == 0);
static_assert(offsetof(RunBlock, dataFiles) == (sizeof(void*) == 4 ? 4 : 8));
static_assert(offsetof(RunBlock, primaryFile) == (sizeof(void*) == 4 ? 92 : 184));
static_assert(offsetof(RunBlock, secondaryFile) == (sizeof(void*) == 4 ? 112 : 208));
static_assert(offsetof(RunBlock, sendMethod) == (sizeof(void*) == 4 ? 132 : 232));
static_assert(offsetof(RunBlock, tabIdentyf) == (sizeof(void*) == 4 ? 136 : 240));

}  // namespace dravenhol
