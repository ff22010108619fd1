// Failures injected by call number, structured exceptions at the nth call of
// any host function, and results given regardless of what happened; what a
// sweep over a run reads: the calls of each kind and what is left unreleased.
#include <functional>
#include <vector>

#include "host_test.h"

namespace {

using namespace qelmar_test;

// How the module closes an output stream: the host's HostFileClose, through
// the holder.
int HOST_CDECL_ATTR CloseStream(dravenhol::HostStream* stream) { return HOST(HostFileClose)(stream); }

class InjectionTest : public HostTest {
 protected:
  dravenhol::HostStream* Open(const std::string& name) {
    return HOST(HostFileOpenShared)((base_.string() + "\\" + name).c_str(), "wt", 0x40, 0, -1);
  }

  int32_t CloseThroughHolder(dravenhol::HostStream* stream) {
    dravenhol::HostHolder holder{};
    HOST(HostHolderInit)(&holder, stream, nullptr, 0, 0, 0);
    const int32_t result = HOST(HostHolderApply)(&holder, &CloseStream);
    HOST(HostHolderDestroy)(&holder);
    return result;
  }

  // One call of a kind, made the module's way; true when it succeeded.
  bool Attempt(const std::string& kind, int n) {
    const std::string name = kind + std::to_string(n) + ".csv";
    if (kind == "alloc" || kind == "allocZeroed") {
      void* block = kind == "alloc" ? HOST(HostAlloc)(16) : HOST(HostAllocZeroed)(16);
      HOST(HostFree)(block);
      return block != nullptr;
    }
    if (kind == "openOutput" || kind == "write" || kind == "closeOutput") {
      dravenhol::HostStream* stream = Open(name);
      if (stream == nullptr) return false;
      bool written = true;
      if (kind == "write") written = HOST(HostFilePrintf)(stream, "%s\n", "x") == 2;
      const bool closed = CloseThroughHolder(stream) == 0;
      if (kind == "write") {
        EXPECT_EQ(ReadFile(base_ / name), written ? "x\r\n" : "") << name;
      }
      return written && closed;
    }
    const bool discounts = kind == "discountRead";
    dravenhol::HostKey key{};
    const int32_t index = discounts ? 223 : HOST(HostItemIndexOf)(811);
    void* auxiliary = discounts ? HOST(HostTableByNumber)(167) : HOST(HostKeyInit)(index, 1001, &key, 0);
    int32_t count = 0;
    dravenhol::HostItemFile* file = HOST(HostOpenItemFile)(index, &key, auxiliary, &count);
    if (file == nullptr) return false;
    bool read = true;
    if (kind == "itemRead") {
      void** items = HOST(HostReadItems)(file, count);
      HOST(HostFreeItems)(items);
      read = items != nullptr;
    }
    if (discounts) read = HOST(HostReadItemRecord)(0, 0, static_cast<dravenhol::HostTable*>(auxiliary), 0, file) == 1;
    HOST(HostCloseItemFile)(&file);
    return read;
  }
};

constexpr const char* kDatabase = R"("tables": {"k4_tab": [{"contractorId": 1}]},
                                     "invoiceItems": {"1001": [{"name": "A"}]})";

TEST_F(InjectionTest, EachKindFailsAtTheChosenCallOnlyAndCountsItsCalls) {
  for (std::size_t i = 0; i < QelmarInjectionCount(); ++i) {
    const std::string kind = QelmarInjectionName(i);
    SCOPED_TRACE(kind);
    QelmarReset();
    Load(std::string("{") + kDatabase + R"(, "host": {"failures": {")" + kind + R"(": {"call": 2}}}})");
    std::vector<bool> succeeded;
    for (int n = 1; n <= 3; ++n) succeeded.push_back(Attempt(kind, n));
    EXPECT_EQ(succeeded, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(QelmarCounter((std::string("inject.") + kind + ".calls").c_str()), 3);
    EXPECT_EQ(QelmarCounter("unreleased"), 0);
  }
  char text[64];
  EXPECT_EQ(QelmarUnreleased(text, sizeof text), 0u);
  EXPECT_STREQ(text, "none");
  dravenhol::HostStream* open = Open("open.csv");
  EXPECT_EQ(QelmarUnreleased(text, sizeof text), 1u);
  EXPECT_STREQ(text, "stream.live=1");
  HOST(HostFileClose)(open);
}

TEST_F(InjectionTest, AStructuredExceptionAtTheNthCallOfAnyHostFunction) {
  dravenhol::HostCursor cursor{};
  struct Case {
    const char* raise;
    uint32_t code;
    const char* counter;
    std::function<void()> call;
  };
  const std::vector<Case> cases = {
      {R"({"function": "HostCursorNext", "call": 2, "code": "0xC0000094"})", 0xC0000094u, "calls.HostCursorNext",
       [&] {
         HOST(HostCursorNext)
         (&cursor);
       }},
      {R"({"function": 21284, "call": 2})", 0xC0000005u, "calls.HostAlloc",
       [] {
         HOST(HostFree)
         (HOST(HostAlloc)(4));
       }},
      {R"([{"function": "HostMessageBoxFormat", "call": 2, "code": 7}])", 7u, "calls.HostMessageBoxFormat",
       [] {
         HOST(HostMessageBoxFormat)
         (nullptr, "T", "%d", 0, 1);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.raise);
    QelmarReset();
    Load(std::string(R"({"tables": {"k4": [{}, {}, {}]}, "host": {"failures": {"raise": )") + c.raise + "}}}");
    ASSERT_EQ(HOST(HostCursorOpen)(&cursor, nullptr, 6, nullptr, 0, 0), 1);
    std::vector<uint32_t> faults;
    for (int n = 1; n <= 3; ++n) faults.push_back(FaultOf(c.call));
    EXPECT_EQ(faults, (std::vector<uint32_t>{0, c.code, 0}));
    EXPECT_EQ(QelmarCounter(c.counter), 3);
    HOST(HostCursorClose)(&cursor);
    HOST(HostCursorDestroy)(&cursor);
  }
}

TEST_F(InjectionTest, OverriddenResultsLeaveTheStreamOperationsAsTheyAre) {
  Load(R"({"host": {"results": {"HostHolderApply": 7, "HostFilePrintf": 0}, "failures": {"write": 2}}})");
  dravenhol::HostStream* stream = Open("r.csv");
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(HOST(HostFilePrintf)(stream, "%s\n", "a"), 0);
  EXPECT_EQ(HOST(HostFilePrintf)(stream, "%s\n", "b"), 0);  // failed, as the file shows
  EXPECT_EQ(CloseThroughHolder(stream), 7);
  EXPECT_EQ(ReadFile(base_ / "r.csv"), "a\r\n");
  EXPECT_EQ(QelmarCounter("stream.live"), 0);
  char error[256];
  EXPECT_EQ(QelmarConfigure(R"({"results": {"HostCursorNext": 1}})", error, sizeof error), -1);
  EXPECT_STREQ(error, "host.results.HostCursorNext: only the results of HostHolderApply and HostFilePrintf can be set");
}

}  // namespace
