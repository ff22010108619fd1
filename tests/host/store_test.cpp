// The database store: its files as documented, what opening refuses, and a
// fixture compiled as a stream, in memory that does not grow with the text.
#include <functional>

#include <nlohmann/json.hpp>

#include "host_test.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using namespace qelmar_test;
namespace fs = std::filesystem;

struct Entry {
  int32_t key;
  uint32_t count;
  uint64_t offset;
};

std::vector<Entry> Directory(const fs::path& path) {
  const std::string bytes = ReadFile(path);
  std::vector<Entry> entries(bytes.size() / sizeof(Entry));
  if (!entries.empty()) std::memcpy(entries.data(), bytes.data(), entries.size() * sizeof(Entry));
  EXPECT_EQ(bytes.size() % sizeof(Entry), 0u) << path;
  return entries;
}

class StoreTest : public HostTest {
 protected:
  // Writes the fixture to a file and compiles it into a store directory.
  fs::path Build(const std::string& fixture) {
    const fs::path file = base_ / "fixture.json";
    std::ofstream(file, std::ios::binary) << fixture;
    fs::path store = base_ / "store";
    char error[512] = "";
    EXPECT_EQ(QelmarBuildStore(file.string().c_str(), store.string().c_str(), error, sizeof error), 0) << error;
    return store;
  }
  std::string OpenError(const fs::path& store) {
    char error[512] = "";
    EXPECT_EQ(QelmarOpenStore(store.string().c_str(), error, sizeof error), -1);
    return error;
  }
};

TEST_F(StoreTest, FilesAreLaidOutAsDocumented) {
  const fs::path store = Build(R"({"host": {"recordLengths": {"w3": 100}},
      "tables": {"k4": [{"contractorId": 1}, {"contractorId": 2}], "w3": [{}, {}, {}],
                 "k4_kar": [{"owner": 9}, {"owner": 2}, {"owner": 9}]},
      "indexes": {"6": [1, 0]},
      "invoiceItems": {"7": [{}, {}], "3": [{}], "7": [{}]},
      "attributes": [{"contractor": 2, "name": "a", "value": "x"}, {"contractor": 1, "name": "b"},
                     {"contractor": 2, "name": "c", "kind": 3, "value": "yz"}]})");
  const auto manifest = nlohmann::json::parse(ReadFile(store / "store.json"));
  EXPECT_EQ(manifest["format"], "dravenhol-store");
  EXPECT_EQ(manifest["version"], 1);
  EXPECT_EQ(manifest["recordLengths"]["w3"], 100);
  EXPECT_EQ(manifest["records"]["k4"], 2);
  EXPECT_EQ(fs::file_size(store / "k4.rec"), 2u * 1536);
  EXPECT_EQ(fs::file_size(store / "w3.rec"), 3u * 100);
  EXPECT_EQ(ReadFile(store / "host.json"), R"({"recordLengths":{"w3":100}})");

  // Keys sorted, each once; a list written again replaces the earlier one.
  const auto items = Directory(store / "invoiceItems.dir");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].key, 3);
  EXPECT_EQ(items[1].key, 7);
  EXPECT_EQ(items[1].count, 1u);
  EXPECT_EQ(items[1].offset, 3u * 515);

  // An index of its own lists record numbers; the others yield the records as stored.
  for (const Entry& index : Directory(store / "indexes.dir")) {
    if (index.key == 6) {
      EXPECT_EQ(index.count, 2u);
      uint32_t numbers[2];
      std::memcpy(numbers, ReadFile(store / "indexes.dat").data() + index.offset, sizeof numbers);
      EXPECT_EQ(numbers[0], 1u);
      EXPECT_EQ(numbers[1], 0u);
    } else if (index.key == 3) {
      EXPECT_EQ(index.count, 3u);
      EXPECT_EQ(index.offset, ~uint64_t{0});
    }
  }

  // Settlement entries by owner in file order; attributes by contractor in fixture order.
  const auto owners = Directory(store / "settlements.dir");
  ASSERT_EQ(owners.size(), 2u);
  EXPECT_EQ(owners[1].key, 9);
  uint32_t entries[2];
  std::memcpy(entries, ReadFile(store / "settlements.dat").data() + owners[1].offset, sizeof entries);
  EXPECT_EQ(entries[0], 0u);
  EXPECT_EQ(entries[1], 2u);
  const auto attributes = Directory(store / "attributes.dir");
  ASSERT_EQ(attributes.size(), 2u);
  EXPECT_EQ(attributes[1].key, 2);
  EXPECT_EQ(attributes[1].count, 2u);

  // The store opens, and serves what it holds.
  char error[512] = "";
  ASSERT_EQ(QelmarOpenStore(store.string().c_str(), error, sizeof error), 0) << error;
  char attribute[408] = {};
  ASSERT_EQ(HOST(HostGetAttribute)(0, 2, 0, 0, "c", attribute, 0), 0);
  EXPECT_EQ(attribute[6], 3);
  EXPECT_STREQ(attribute + 103, "yz");
  EXPECT_EQ(RecordLength(HOST(HostTableByNumber)(48)), 100);
}

TEST_F(StoreTest, OpeningRefusesWhatIsNotAWholeStore) {
  EXPECT_EQ(OpenError(base_), base_.string() + " is not a database store (no store.json)");
  const fs::path store = Build(R"({"tables": {"k4": [{}]}, "invoiceItems": {"1": [{}]}, "files": {"a": "b"}})");
  const struct {
    const char* file;
    std::function<void(const fs::path&)> damage;
    std::string error;
  } cases[] = {
      {"invoiceItems.dir", [](const fs::path& p) { fs::resize_file(p, 15); },
       store.string() + ": invoiceItems.dir is cut short"},
      {"invoiceItems.dat", [](const fs::path& p) { fs::resize_file(p, 514); },
       store.string() + ": invoiceItems.dir does not match invoiceItems.dat"},
      {"files.dat",
       [](const fs::path& p) { std::fstream(p, std::ios::in | std::ios::out | std::ios::binary) << "\xff"; },
       store.string() + ": files.dir does not match files.dat"},
      {"k4.rec", [](const fs::path& p) { fs::resize_file(p, 1535); },
       store.string() + ": store.json does not match the records of k4"},
      {"store.json", [](const fs::path& p) { std::ofstream(p) << R"({"format": "dravenhol-store", "version": 2})"; },
       store.string() + ": store.json is not a manifest of a version 1 store"},
      {"k9.rec", [](const fs::path& p) { fs::remove(p); }, "cannot read " + (store / "k9.rec").string()},
  };
  for (const auto& c : cases) {
    const fs::path copy = base_ / "copy";
    fs::remove_all(copy);
    fs::copy(store, copy);
    c.damage(copy / c.file);
    std::string expected = c.error;
    for (const std::string from = store.string(); expected.find(from) != std::string::npos;)
      expected.replace(expected.find(from), from.size(), copy.string());
    EXPECT_EQ(OpenError(copy), expected) << c.file;
  }
}

// A store read through a window far smaller than its files: every window,
// also those that start past the window's own size, stays within it, and the
// records read through them are the ones stored.
TEST_F(StoreTest, WindowsSmallerThanTheFilesStayWithinTheirSize) {
  constexpr int kInvoices = 1000;  // 1,469,000 bytes of Tspr: five windows and part of a sixth
  constexpr uint64_t kWindow = 256 << 10;
  std::string fixture = R"({"tables": {"Tspr": [)";
  for (int i = 0; i < kInvoices; ++i)
    fixture += (i > 0 ? "," : "") + std::string(R"({"documentId": )") + std::to_string(i + 1) + "}";
  const fs::path store = Build(fixture + "]}}");
  auto setWindow = [](const char* bytes) {
#ifdef _WIN32
    _putenv_s("QELMAR_STORE_WINDOW", bytes);
#else
    bytes[0] != 0 ? setenv("QELMAR_STORE_WINDOW", bytes, 1) : unsetenv("QELMAR_STORE_WINDOW");
#endif
  };
  setWindow("12x");
  EXPECT_EQ(OpenError(store), "QELMAR_STORE_WINDOW=12x: expected a positive number of bytes");
  setWindow(std::to_string(kWindow).c_str());
  char error[512] = "";
  const int opened = QelmarOpenStore(store.string().c_str(), error, sizeof error);
  setWindow("");
  ASSERT_EQ(opened, 0) << error;

  dravenhol::HostCursor cursor{};
  dravenhol::HostKey key{};
  HOST(HostKeyInit)(811, 0, &key, 0);
  ASSERT_NE(HOST(HostCursorOpen)(&cursor, nullptr, 811, &key, 0, 0), 0);
  int expected = 1;
  while (HOST(HostCursorNext)(&cursor) == 1) {
    ASSERT_EQ(At<int32_t>(RecordBuffer(HOST(HostTableByNumber)(44)), 1465), expected);
    ++expected;
  }
  HOST(HostCursorClose)(&cursor);
  HOST(HostCursorDestroy)(&cursor);
  EXPECT_EQ(expected, kInvoices + 1);
  EXPECT_EQ(QelmarCounter("store.largestView"), static_cast<int64_t>(kWindow));
  EXPECT_GE(QelmarCounter("store.views"), 6);
}

#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__)
// A fixture of 50 MB compiles in a child process whose peak resident memory
// stays far below the fixture's size.
TEST_F(StoreTest, CompilingTakesMemoryByKeysNotByBytes) {
  const fs::path file = base_ / "large.json";
  {
    std::ofstream out(file, std::ios::binary);
    out << R"({"tables": {"Tspr": [)";
    const std::string invoice = R"({"number": "FV/2026/000001", "remarks": ")" + std::string(100, 'x') + R"("})";
    for (int i = 0; i < 120000; ++i) out << (i > 0 ? ",\n" : "") << invoice;
    out << R"(]}, "invoiceItems": {)";
    const std::string item = R"({"name": ")" + std::string(140, 'y') + R"("})";
    for (int i = 0; i < 120000; ++i) out << (i > 0 ? ",\n" : "") << '"' << i << R"(": [)" << item << ',' << item << ']';
    out << "}}";
  }
  ASSERT_GT(fs::file_size(file), 45u << 20);
  const pid_t child = fork();
  if (child == 0) {
    char error[512];
    const int result = QelmarBuildStore(file.c_str(), (base_ / "store").c_str(), error, sizeof error);
    if (result != 0) std::fprintf(stderr, "%s\n", error);
    _exit(result == 0 ? 0 : 1);
  }
  int status = 0;
  rusage usage{};
  ASSERT_EQ(wait4(child, &status, 0, &usage), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_LT(usage.ru_maxrss, 32 << 10) << "kB at the peak";  // less than 32 MB
}
#endif

}  // namespace
