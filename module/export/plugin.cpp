#include "export/plugin.h"

#include <cstddef>
#include <exception>
#include <new>

#include "host/call_thunks.h"
#include "host/host_api.h"
#include "platform/type_information.h"

namespace dravenhol {

namespace {

// Slot 0: the deleting destructor, thiscall like the host's virtual operations.
void* HOST_THIS_ATTR DeletingDestructor(CDravenhol* self, uint32_t flags) {
  self->~CDravenhol();
  if ((flags & 1) != 0) ::operator delete(self);
  // The ABI's deleting destructor gives its object's address back; the
  // caller never reads through it.
  return self;  // NOLINT(clang-analyzer-cplusplus.NewDelete)
}

template <int Slot>
const void* Thunk() {
  return reinterpret_cast<const void*>(host::kCallThunks[Slot]);
}

}  // namespace

namespace {

// The table as the system's C++ ABI lays it out: the type information
// precedes slot 0, so that the host's runtime can ask the object for its type
// (CDravenhol, with WDialogBase as its only base).
struct VirtualTable {
  platform::VirtualTablePrefix prefix;
  const void* slots[35];
};
static_assert(offsetof(VirtualTable, slots) == sizeof(platform::VirtualTablePrefix));

// Slot 0 is the module's own destructor; slots 1 to 34 are the dialog base's
// operations, implemented by the host and reached through call thunks.
const VirtualTable kVirtualTable = {platform::SingleBaseClassPrefix<CDravenhol, "CDravenhol", "WDialogBase">(),
                                    {
                                        reinterpret_cast<const void*>(&DeletingDestructor),
                                        Thunk<host::HostDialogBaseSlot1Slot>(),
                                        Thunk<host::HostDialogBaseSlot2Slot>(),
                                        Thunk<host::HostDialogBaseSlot3Slot>(),
                                        Thunk<host::HostDialogBaseSlot4Slot>(),
                                        Thunk<host::HostDialogBaseSlot5Slot>(),
                                        Thunk<host::HostDialogBaseSlot6Slot>(),
                                        Thunk<host::HostDialogBaseSlot7Slot>(),
                                        Thunk<host::HostDialogBaseSlot8Slot>(),
                                        Thunk<host::HostDialogBaseSlot9Slot>(),
                                        Thunk<host::HostDialogBaseSlot10Slot>(),
                                        Thunk<host::HostDialogBaseSlot11Slot>(),
                                        Thunk<host::HostDialogBaseSlot12Slot>(),
                                        Thunk<host::HostDialogBaseSlot13Slot>(),
                                        Thunk<host::HostDialogBaseSlot14Slot>(),
                                        Thunk<host::HostDialogBaseSlot15Slot>(),
                                        Thunk<host::HostDialogBaseSlot16Slot>(),
                                        Thunk<host::HostDialogBaseSlot17Slot>(),
                                        Thunk<host::HostDialogBaseSlot18Slot>(),
                                        Thunk<host::HostDialogBaseSlot19Slot>(),
                                        Thunk<host::HostDialogBaseSlot20Slot>(),
                                        Thunk<host::HostDialogBaseSlot21Slot>(),
                                        Thunk<host::HostDialogBaseSlot22Slot>(),
                                        Thunk<host::HostDialogBaseSlot23Slot>(),
                                        Thunk<host::HostDialogBaseSlot24Slot>(),
                                        Thunk<host::HostDialogBaseSlot25Slot>(),
                                        Thunk<host::HostDialogBaseSlot26Slot>(),
                                        Thunk<host::HostDialogBaseSlot27Slot>(),
                                        Thunk<host::HostDialogBaseSlot28Slot>(),
                                        Thunk<host::HostDialogBaseSlot29Slot>(),
                                        Thunk<host::HostDialogBaseSlot30Slot>(),
                                        Thunk<host::HostDialogBaseSlot31Slot>(),
                                        Thunk<host::HostDialogBaseSlot32Slot>(),
                                        Thunk<host::HostDialogBaseSlot33Slot>(),
                                        Thunk<host::HostDialogBaseSlot34Slot>(),
                                    }};

}  // namespace

const void* const* const kCDravenholVirtualTable = kVirtualTable.slots;

// The run's fields lie where the object has always kept them, right after
// the dialog base (on i686 and on x86-64). Both compilers lay out this
// single-inheritance object as offsetof assumes.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(CDravenhol, block) == sizeof(WDialogBase));
static_assert(offsetof(CDravenhol, block.currentIndex) == (sizeof(void*) == 4 ? 8 : 16));
static_assert(offsetof(CDravenhol, block.dataFiles) == (sizeof(void*) == 4 ? 12 : 24));
static_assert(offsetof(CDravenhol, block.primaryFile) == (sizeof(void*) == 4 ? 100 : 200));
static_assert(offsetof(CDravenhol, block.secondaryFile) == (sizeof(void*) == 4 ? 120 : 224));
static_assert(offsetof(CDravenhol, block.sendMethod) == (sizeof(void*) == 4 ? 140 : 248));
static_assert(offsetof(CDravenhol, block.tabIdentyf) == (sizeof(void*) == 4 ? 144 : 256));
#pragma GCC diagnostic pop

CDravenhol::CDravenhol() {
  host::HostDialogBaseConstruct(static_cast<WDialogBase*>(this));
  baseBuilt_ = true;
  try {
    vtable = kCDravenholVirtualTable;
    run.Begin();
  } catch (...) {
    host::HostDialogBaseDestroy(static_cast<WDialogBase*>(this));
    baseBuilt_ = false;
    throw;
  }
}

CDravenhol::~CDravenhol() noexcept(false) {
  vtable = kCDravenholVirtualTable;
  // An exception passing through (the host's on Linux, or the line
  // writer's) ends the run as a fault does on Windows. One raised by the
  // host during the tear-down itself goes on to the host once the rest is
  // taken down (on Windows the guard's release does that).
  try {
    TearDown(std::uncaught_exceptions() > 0);
  } catch (...) {
    TearDown(true);
    throw;
  }
}

void CDravenhol::TearDown(bool abandoned) {
  if (!baseBuilt_) return;
  // An exception of the host's inside End is unwound through Abandon, which
  // takes the rest of End up again; the base part goes last.
  run.End(abandoned);
  baseBuilt_ = false;
  host::HostDialogBaseDestroy(static_cast<WDialogBase*>(this));
}

int32_t CDravenhol::RunExport() {
  CDravenhol plugin;  // closes its files and frees the marks on every way out
  return plugin.run.Run();
}

}  // namespace dravenhol
