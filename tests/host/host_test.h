// Shared helpers: host functions bound by number from the loaded QELMAR, as
// the module binds them, and a fresh host per test.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "host/host_api.h"
#include "platform/guard.h"
#include "platform/platform.h"
#include "qelmar/qelmar.h"

// The host's bare structured exception on Linux: a C++ exception of this
// class (at global scope, as the host names it), which carries the record.
struct StructuredException {
  uint32_t code;
  uint32_t flags;
  uint32_t parameterCount;
  uintptr_t parameters[15];
};

namespace qelmar_test {

template <class Fn>
Fn Bind(uint16_t number) {
  namespace platform = dravenhol::platform;
  return reinterpret_cast<Fn>(platform::ExportByNumber(platform::FindLoadedModule("QELMAR"), number));
}

// The host function of that catalogue name, e.g. HOST(HostCursorNext)(&cursor).
#define HOST(Name)                                   \
  (::qelmar_test::Bind<::dravenhol::host::Name##Fn>( \
      ::dravenhol::host::kHostFunctions[::dravenhol::host::Name##Slot].number))

// The code of the host fault (a structured exception or an SE_Exception)
// that left body: an SE_Exception taken as the module's line writer takes
// it, a bare one as the host's frame would; 0 when none did.
inline uint32_t FaultOf(const std::function<void()>& body) {
  struct Run {
    std::function<void()> body;
    uint32_t code = 0;
  } run{body};
  const dravenhol::platform::GuardHooks hooks{
      [](const dravenhol::platform::HostFault& fault, void* context) { static_cast<Run*>(context)->code = fault.code; },
      nullptr};
  try {
    dravenhol::platform::RunGuarded([](void* context) { static_cast<Run*>(context)->body(); }, &run, hooks);
  } catch (const StructuredException& e) {
    run.code = e.code;
  }
  return run.code;
}

inline void Load(const std::string& json) {
  char error[512] = "";
  ASSERT_EQ(QelmarLoadFixture(json.data(), json.size(), error, sizeof error), 0) << error;
}

inline std::string LoadError(const std::string& json) {
  char error[512] = "";
  EXPECT_EQ(QelmarLoadFixture(json.data(), json.size(), error, sizeof error), -1);
  return error;
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline std::string LastLine() {
  const size_t n = QelmarTranscriptCount();
  return n == 0 ? std::string() : QelmarTranscriptLine(n - 1);
}

// A fresh host with an empty database and its own base directory.
class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    base_ = std::filesystem::temp_directory_path() /
            (std::string("qelmar-") + info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(base_);
    std::filesystem::create_directories(base_);
    QelmarSetBaseDirectory(base_.string().c_str());
    QelmarReset();
  }
  void TearDown() override { std::filesystem::remove_all(base_); }

  std::filesystem::path base_;
};

// The record buffer of a data file, as the module finds it in the descriptor.
inline unsigned char* RecordBuffer(dravenhol::HostTable* table) {
  unsigned char* buffer = nullptr;
  std::memcpy(&buffer, reinterpret_cast<unsigned char*>(table) + 8, sizeof buffer);
  return buffer;
}

inline int16_t RecordLength(dravenhol::HostTable* table) {
  int16_t length = 0;
  std::memcpy(&length, reinterpret_cast<unsigned char*>(table) + 6, sizeof length);
  return length;
}

template <class T>
T At(const unsigned char* record, size_t offset) {
  T value;
  std::memcpy(&value, record + offset, sizeof value);
  return value;
}

}  // namespace qelmar_test
