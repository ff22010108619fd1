#include "ui/plugin.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <typeinfo>

#include "export/output.h"
#include "host/host_api.h"
#include "host/mazovia.h"
#include "tables/row_writers.h"

extern "C" {
#define HOST_FN(slot, number, Name, Ret, Conv, Params) void DravenholCallThunk##slot();
#include "host/host_catalogue.inc"
#undef HOST_FN
}

namespace dravenhol {

namespace {

// Slot 0: the deleting destructor, thiscall like the host's virtual operations.
void* HOST_THIS_ATTR DeletingDestructor(CDravenhol* self, uint32_t flags) {
  self->~CDravenhol();
  if ((flags & 1) != 0) ::operator delete(self, sizeof(CDravenhol));
  return self;
}

#define HOST_FN(slot, number, Name, Ret, Conv, Params) &DravenholCallThunk##slot,
constexpr void (*kCallThunks[host::kHostFunctionCount])() = {
#include "host/host_catalogue.inc"
};
#undef HOST_FN

template <int Slot>
const void* Thunk() {
  return reinterpret_cast<const void*>(kCallThunks[Slot]);
}

}  // namespace

namespace {

// The table as the Itanium C++ ABI lays it out: the offset to the top of the
// object and the type information precede slot 0, so that the object can be
// asked for its type (CDravenhol, with WDialogBase as its only base).
struct VirtualTable {
  std::ptrdiff_t offsetToTop;
  const std::type_info* type;
  const void* slots[35];
};

// Slot 0 is the module's own destructor; slots 1 to 34 are the dialog base's
// operations, implemented by the host and reached through call thunks.
const VirtualTable kVirtualTable = {0, &typeid(CDravenhol), {
    reinterpret_cast<const void*>(&DeletingDestructor),
    Thunk<host::HostDialogBaseSlot1Slot>(),  Thunk<host::HostDialogBaseSlot2Slot>(),
    Thunk<host::HostDialogBaseSlot3Slot>(),  Thunk<host::HostDialogBaseSlot4Slot>(),
    Thunk<host::HostDialogBaseSlot5Slot>(),  Thunk<host::HostDialogBaseSlot6Slot>(),
    Thunk<host::HostDialogBaseSlot7Slot>(),  Thunk<host::HostDialogBaseSlot8Slot>(),
    Thunk<host::HostDialogBaseSlot9Slot>(),  Thunk<host::HostDialogBaseSlot10Slot>(),
    Thunk<host::HostDialogBaseSlot11Slot>(), Thunk<host::HostDialogBaseSlot12Slot>(),
    Thunk<host::HostDialogBaseSlot13Slot>(), Thunk<host::HostDialogBaseSlot14Slot>(),
    Thunk<host::HostDialogBaseSlot15Slot>(), Thunk<host::HostDialogBaseSlot16Slot>(),
    Thunk<host::HostDialogBaseSlot17Slot>(), Thunk<host::HostDialogBaseSlot18Slot>(),
    Thunk<host::HostDialogBaseSlot19Slot>(), Thunk<host::HostDialogBaseSlot20Slot>(),
    Thunk<host::HostDialogBaseSlot21Slot>(), Thunk<host::HostDialogBaseSlot22Slot>(),
    Thunk<host::HostDialogBaseSlot23Slot>(), Thunk<host::HostDialogBaseSlot24Slot>(),
    Thunk<host::HostDialogBaseSlot25Slot>(), Thunk<host::HostDialogBaseSlot26Slot>(),
    Thunk<host::HostDialogBaseSlot27Slot>(), Thunk<host::HostDialogBaseSlot28Slot>(),
    Thunk<host::HostDialogBaseSlot29Slot>(), Thunk<host::HostDialogBaseSlot30Slot>(),
    Thunk<host::HostDialogBaseSlot31Slot>(), Thunk<host::HostDialogBaseSlot32Slot>(),
    Thunk<host::HostDialogBaseSlot33Slot>(), Thunk<host::HostDialogBaseSlot34Slot>(),
}};

}  // namespace

const void* const* const kCDravenholVirtualTable = kVirtualTable.slots;

CDravenhol::CDravenhol() {
  host::HostDialogBaseConstruct(static_cast<WDialogBase*>(this));
  int holders = 0;
  try {
    vtable = kCDravenholVirtualTable;
    host::HostHolderInit(&primaryFile, static_cast<void*>(nullptr), HostReleaseFunction{}, int32_t{0}, int32_t{0},
                         int32_t{0});
    ++holders;
    host::HostHolderInit(&secondaryFile, static_cast<void*>(nullptr), HostReleaseFunction{}, int32_t{0}, int32_t{0},
                         int32_t{0});
    ++holders;
    currentIndex = 0;
    for (DataFile& file : dataFiles) file = DataFile{nullptr, nullptr};
    host::HostHolderSet(&primaryFile, static_cast<void*>(nullptr));
    host::HostHolderSet(&secondaryFile, static_cast<void*>(nullptr));
    tabIdentyf = nullptr;
    sendMethod = kUniversal;
    primaryState = OutputFileState{nullptr, false};
    secondaryState = OutputFileState{nullptr, false};
    discounts = nullptr;
    firstNames = nullptr;
  } catch (...) {
    // What was built is taken down in reverse order.
    if (holders > 1) host::HostHolderDestroy(&secondaryFile);
    if (holders > 0) host::HostHolderDestroy(&primaryFile);
    host::HostDialogBaseDestroy(static_cast<WDialogBase*>(this));
    throw;
  }
}

CDravenhol::~CDravenhol() {
  vtable = kCDravenholVirtualTable;
  if (tabIdentyf != nullptr) host::HostFree(static_cast<void*>(tabIdentyf));
  tabIdentyf = nullptr;
  ReleaseRunCaches(*this);
  CloseOutputFiles();
  currentIndex = 0;
  host::HostHolderDestroy(&secondaryFile);
  host::HostHolderDestroy(&primaryFile);
  host::HostDialogBaseDestroy(static_cast<WDialogBase*>(this));
}

RecordView CDravenhol::Record(DataFileId file) const {
  const DataFile& data = dataFiles[file];
  const int32_t hostLength = HostRecordLength(data.table);
  const int32_t length = std::min(hostLength, kDataFiles[file].recordLength);
  return RecordView(data.record, length > 0 ? static_cast<std::size_t>(length) : 0);
}

void CDravenhol::WritePrimary(const char* line, int32_t capacity) {
  auto* stream = static_cast<HostStream*>(host::HostHolderGet(&primaryFile));
  if (stream != nullptr && !SaveInUtf(line, stream, capacity)) primaryState.incomplete = true;
}

void CDravenhol::WriteSecondary(const char* line, int32_t capacity) {
  auto* stream = static_cast<HostStream*>(host::HostHolderGet(&secondaryFile));
  if (stream != nullptr && !SaveInUtf(line, stream, capacity)) secondaryState.incomplete = true;
}

void CDravenhol::CloseOutputFiles() {
  CloseOutput(&primaryFile, &primaryState);
  CloseOutput(&secondaryFile, &secondaryState);
}

// Closes one output file; a file that did not reach the disk whole is named
// to the user, since its table is incomplete.
void CDravenhol::CloseOutput(HostHolder* holder, OutputFileState* state) {
  const bool wasOpen = host::HostHolderIsSet(holder) != 0;
  const bool closed = CloseFileHolder(holder);
  if (wasOpen && (!closed || state->incomplete) && state->relativeName != nullptr)
    ShowFormattedMessage(MZ("Uwaga"), MZ("Plik %s nie został zapisany w całości.\nOperacja niekompletna!"), 1,
                         state->relativeName);
  *state = OutputFileState{nullptr, false};
}

}  // namespace dravenhol
