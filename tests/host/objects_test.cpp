// Host objects in the module's storage (holders, guards, the dialog base),
// memory blocks with injected failures, and the stamp target.
#include "host_test.h"

namespace {

using namespace qelmar_test;
using dravenhol::HostGuard;
using dravenhol::HostHolder;

int g_released = 0;
void HOST_CDECL_ATTR Release(void*) { ++g_released; }
int HOST_CDECL_ATTR Apply(dravenhol::HostStream* stream) { return stream != nullptr ? 42 : -42; }

class ObjectsTest : public HostTest {};

TEST_F(ObjectsTest, HoldersNeverReleaseWhatTheyHold) {
  g_released = 0;
  HostHolder holder;
  std::memset(&holder, 0xCC, sizeof holder);
  int value = 0;
  HOST(HostHolderInit)(&holder, nullptr, &Release, 0, 0, 0);
  EXPECT_EQ(HOST(HostHolderIsSet)(&holder), 0);
  EXPECT_EQ(HOST(HostHolderApply)(&holder, &Apply), -1);  // nothing to apply to
  HOST(HostHolderSet)(&holder, &value);
  EXPECT_EQ(HOST(HostHolderIsSet)(&holder), 1);
  EXPECT_EQ(HOST(HostHolderGet)(&holder), &value);
  EXPECT_EQ(HOST(HostHolderGet)(&holder), &value);  // getting does not empty it
  EXPECT_EQ(HOST(HostHolderApply)(&holder, &Apply), 42);
  HOST(HostHolderSet)(&holder, nullptr);
  HOST(HostHolderSet)(&holder, &value);
  HOST(HostHolderDestroy)(&holder);
  EXPECT_EQ(g_released, 0);
  EXPECT_EQ(QelmarCounter("holder.init"), QelmarCounter("holder.destroy"));
}

TEST_F(ObjectsTest, GuardsNestAndMismatchesAreCounted) {
  HostGuard outer{}, inner{};
  HOST(HostGuardEnter)(&outer, "SaveInUtf", nullptr);
  HOST(HostGuardEnter)(&inner, "Inner", nullptr);
  EXPECT_EQ(QelmarCounter("guard.depth"), 2);
  HOST(HostGuardLeave)(&outer);  // out of order
  EXPECT_EQ(QelmarCounter("guard.mismatch"), 1);
  HOST(HostGuardLeave)(&inner);
  HOST(HostGuardLeave)(&outer);
  EXPECT_EQ(QelmarCounter("guard.depth"), 0);
  EXPECT_EQ(QelmarCounter("guard.mismatch"), 1);
}

TEST_F(ObjectsTest, MemoryIsCountedAndFailsWhereConfigured) {
  Load(R"({"host": {"failures": {"alloc": {"from": 2, "count": 1}, "allocZeroed": true}}})");
  void* a = HOST(HostAlloc)(10);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(HOST(HostAlloc)(10), nullptr);
  void* b = HOST(HostAlloc)(0);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(HOST(HostAllocZeroed)(4), nullptr);
  EXPECT_EQ(QelmarCounter("alloc.failed"), 2);
  EXPECT_EQ(QelmarCounter("alloc.live"), 2);
  EXPECT_EQ(QelmarCounter("alloc.liveBytes"), 10);
  HOST(HostFree)(a);
  HOST(HostFree)(b);
  int foreign = 0;
  HOST(HostFree)(&foreign);  // not the host's: counted, left alone
  HOST(HostFree)(nullptr);
  EXPECT_EQ(QelmarCounter("alloc.live"), 0);
  EXPECT_EQ(QelmarCounter("free.invalid"), 1);
  EXPECT_EQ(QelmarCounter("alloc.liveBytes"), 0);
  EXPECT_EQ(QelmarCounter("alloc.peakBytes"), 10);  // the failed calls handed out nothing

  ASSERT_EQ(QelmarConfigure(R"({"failures": {"allocZeroed": false}})", nullptr, 0), 0);
  auto* zeroed = static_cast<unsigned char*>(HOST(HostAllocZeroed)(260000));
  ASSERT_NE(zeroed, nullptr);
  EXPECT_EQ(zeroed[0] | zeroed[259999], 0);
  HOST(HostFree)(zeroed);
}

TEST_F(ObjectsTest, DialogBaseAndStampTarget) {
  dravenhol::WDialogBase base{};
  HOST(HostDialogBaseConstruct)(&base);
  EXPECT_NE(base.hostPart, nullptr);
  EXPECT_EQ(HOST(HostDialogBaseSlot1)(&base), 1);
  EXPECT_EQ(HOST(HostDialogBaseSlot34)(&base), 34);
  HOST(HostDialogBaseDestroy)(&base);
  EXPECT_EQ(QelmarCounter("dialogBase.construct"), 1);
  EXPECT_EQ(QelmarCounter("dialogBase.destroy"), 1);
  EXPECT_EQ(QelmarCounter("dialogBase.slots"), 2);

  using Target = int32_t(HOST_CDECL_ATTR*)(int32_t);
  auto target = reinterpret_cast<Target>(HOST(HostStampTarget)());
  EXPECT_EQ(target(41), 42);
  EXPECT_EQ(QelmarCounter("stampTarget.calls"), 1);
  EXPECT_EQ(QelmarCallStampEntry(1, nullptr), -1);  // no module attached
}

TEST_F(ObjectsTest, ModuleChecksAndStateFlags) {
  Load(R"({"host": {"checkModule": 3, "checkModuleText": "Brak licencji na moduł", "interfaceVersion": 111,
                    "stateFlags": "0x8001"}})");
  char text[8];
  EXPECT_EQ(HOST(HostCheckModule)(nullptr, text, sizeof text), 3);
  EXPECT_STREQ(text, "Brak li");
  EXPECT_EQ(HOST(HostCheckModule)(nullptr, nullptr, 0), 3);
  EXPECT_EQ(HOST(HostInterfaceVersion)(), 111);
  EXPECT_EQ(HOST(HostGetStateFlags)(), 0x8001u);
  HOST(HostSetStateFlags)(0x8000, 0);
  HOST(HostSetStateFlags)(0x10, 1);
  EXPECT_EQ(HOST(HostGetStateFlags)(), 0x11u);
}

}  // namespace
