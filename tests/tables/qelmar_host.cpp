// The replacement host bound in-process, and the recorder of the followed calls.
#include "qelmar_host.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <type_traits>

#include "export/output_files.h"
#include "host/binding.h"
#include "host/record.h"
#include "platform/platform.h"
#include "qelmar/qelmar.h"

namespace dravenhol::testing {

namespace {

QelmarHost* current = nullptr;

[[noreturn]] void Stop(const std::string& what) {
  std::fprintf(stderr, "replacement host: %s\n", what.c_str());
  std::abort();
}

ModuleHandle Library() {
  static const ModuleHandle library = platform::FindLoadedModule("QELMAR");
  if (library == nullptr) Stop("QELMAR is not loaded");
  return library;
}

// A host function as QELMAR exports it, called directly (not through the
// module's table).
template <class Fn>
Fn Export(int slot) {
  return reinterpret_cast<Fn>(platform::ExportByNumber(Library(), host::kHostFunctions[slot].number));
}

// The module's table bound to QELMAR, as the module's binding pass leaves it.
struct Bound {
  void* slots[host::kHostFunctionCount];
};
const Bound& BoundTable() {
  static const Bound bound = [] {
    Bound table{};
    void* saved[host::kHostFunctionCount];
    std::memcpy(saved, HostFunctionTable, sizeof saved);
    g_binding.hostModule = Library();
    BindAllHostFunctions();
    if (g_binding.missingCount != 0) Stop("QELMAR lacks host functions");
    std::memcpy(table.slots, HostFunctionTable, sizeof table.slots);
    std::memcpy(HostFunctionTable, saved, sizeof saved);
    return table;
  }();
  return bound;
}

// Host function names by slot, from the catalogue.
constexpr const char* kFunctionNames[] = {
#define HOST_FN(slot, number, Name, Ret, Conv, Params) #Name,
#include "host/host_catalogue.inc"
#undef HOST_FN
};
static_assert(std::size(kFunctionNames) == host::kHostFunctionCount);

// The recorder: each followed function notes its call and passes it on to
// QELMAR's, unchanged. The tables' tests run natively, where a function's
// calling convention is the plain one.
template <int kSlot, class Plain>
struct Follow;
template <int kSlot, class R, class... A>
struct Follow<kSlot, R (*)(A...)> {
  static R Call(A... arguments) {
    current->calls.emplace_back(kFunctionNames[kSlot]);
    return reinterpret_cast<R (*)(A...)>(BoundTable().slots[kSlot])(arguments...);
  }
};

int32_t MessageBoxFollowed(const char* title, const char* text, int32_t style) {
  current->messages.push_back({title, text});
  return Follow<host::HostMessageBoxSlot, host::HostMessageBoxPlain>::Call(title, text, style);
}
int32_t ErrorMessageFollowed(const char* title, const char* text, int32_t style, const char* module) {
  current->messages.push_back({title, text});
  return Follow<host::HostErrorMessageSlot, host::HostErrorMessagePlain>::Call(title, text, style, module);
}
void ShowErrorFollowed(const char* text) {
  current->messages.push_back({"", text});
  reinterpret_cast<host::HostShowErrorPlain>(BoundTable().slots[host::HostShowErrorSlot])(text);
}
int16_t CursorOpenFollowed(HostCursor* self, HostTable* table, int32_t index, HostKey* key, int32_t a, int32_t b) {
  if (index == 53) current->contractorDuringWalk = static_cast<int32_t>(QelmarHost::Counter("currentContractor"));
  return Follow<host::HostCursorOpenSlot, host::HostCursorOpenPlain>::Call(self, table, index, key, a, b);
}

#define FOLLOWED(Name, function)                                                                             \
  do {                                                                                                       \
    static_assert(std::is_same_v<host::Name##Fn, host::Name##Plain>, "a convention of its own");             \
    HostFunctionTable[host::Name##Slot] = reinterpret_cast<void*>(static_cast<host::Name##Plain>(function)); \
  } while (false)
#define FOLLOW(Name) FOLLOWED(Name, (&Follow<host::Name##Slot, host::Name##Plain>::Call))

void InstallRecorder() {
  FOLLOWED(HostMessageBox, &MessageBoxFollowed);
  FOLLOWED(HostErrorMessage, &ErrorMessageFollowed);
  FOLLOWED(HostShowError, &ShowErrorFollowed);
  FOLLOWED(HostCursorOpen, &CursorOpenFollowed);
  FOLLOW(HostSettlementSetup);
  FOLLOW(HostPrepareContractItem);
  FOLLOW(HostKeyInit);
  FOLLOW(HostCursorClose);
  FOLLOW(HostCursorDestroy);
  FOLLOW(HostOpenItemFile);
  FOLLOW(HostReleaseItemFile);
  FOLLOW(HostCloseItemFile);
  FOLLOW(HostReadItems);
  FOLLOW(HostFreeItems);
  FOLLOW(HostMakeDataName);
  FOLLOW(HostReadItemRecord);
  FOLLOW(HostScanBegin);
  FOLLOW(HostScanStep);
  FOLLOW(HostScanIdle);
  FOLLOW(HostScanEnd);
}

#undef FOLLOW
#undef FOLLOWED

// One base directory per process, emptied for every database.
const std::filesystem::path& BaseDirectory() {
  static const std::filesystem::path base =
      std::filesystem::temp_directory_path() / ("dravenhol-tables-" + std::to_string(getpid()));
  return base;
}

// Leaves in the base directory only the files that the database names (which
// it writes again) and the output directory, whose files each run truncates
// as it opens them: a fuzzer makes thousands of hosts, and files created and
// removed anew each time would take most of its time.
void ClearBaseDirectory(const Json& database) {
  const std::filesystem::path& base = BaseDirectory();
  std::filesystem::create_directories(base);
  const Json* files = database.contains("files") ? &database["files"] : nullptr;
  for (const auto& entry : std::filesystem::directory_iterator(base)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_directory() && name == "BAZA") continue;
    if (files != nullptr && files->contains(name) && !(*files)[name].is_null()) continue;
    std::filesystem::remove_all(entry.path());
  }
}

std::string Converted(const std::string& text, int32_t from, int32_t to) {
  static const auto convert = Export<host::HostConvertTextFn>(host::HostConvertTextSlot);
  std::string out(4 * text.size() + 1, '\0');
  const int32_t n =
      convert(out.data(), static_cast<int32_t>(out.size()), text.c_str(), static_cast<int32_t>(text.size()), from, to);
  out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return out;
}

constexpr int32_t kMazoviaCode = 1;
constexpr int32_t kUtf8Code = 6;

}  // namespace

QelmarHost::QelmarHost(const Json& database) : previous_(current) {
  const Bound& bound = BoundTable();
  ClearBaseDirectory(database);
  QelmarSetBaseDirectory(BaseDirectory().string().c_str());
  QelmarReset();
  const std::string text = database.dump();
  char error[512] = "";
  if (QelmarLoadFixture(text.data(), text.size(), error, sizeof error) != 0) Stop(error);
  QelmarWriteBaseFiles();

  std::memcpy(saved_, HostFunctionTable, sizeof saved_);
  std::memcpy(HostFunctionTable, bound.slots, sizeof bound.slots);
  current = this;
  InstallRecorder();
}

QelmarHost::~QelmarHost() {
  std::memcpy(HostFunctionTable, saved_, sizeof saved_);
  current = previous_;
}

QelmarHost& QelmarHost::Current() { return *current; }

int QelmarHost::Count(const std::string& name) const {
  int n = 0;
  for (const std::string& call : calls) n += call == name ? 1 : 0;
  return n;
}

int64_t QelmarHost::Counter(const char* name) { return QelmarCounter(name); }

char* QelmarHost::Scratch() { return Export<host::HostScratchBufferFn>(host::HostScratchBufferSlot)(); }

std::filesystem::path QelmarHost::Base() { return BaseDirectory(); }

QelmarRun::QelmarRun(const Json& database) : host(database) {
  for (int file = 0; file < kDataFileCount; ++file) {
    HostTable* table = host::HostTableByNumber(int32_t{kDataFiles[file].number});
    block.dataFiles[file] = DataFile{table, table != nullptr ? HostRecordBuffer(table) : nullptr};
  }
  output.Begin();
}

QelmarRun::~QelmarRun() {
  output.End(false);
  marks.Free();
}

void QelmarRun::Place(DataFileId file, const Json& record) {
  const std::string text = record.dump();
  char error[512] = "";
  if (QelmarSetCurrentRecord(kDataFiles[file].name, text.data(), text.size(), error, sizeof error) != 0)
    Stop(std::string(kDataFiles[file].name) + ": " + error);
}

namespace {
int32_t CapacityOf(const char* name) {
  for (const OutputFileEntry& entry : kOutputFiles)
    if (std::strcmp(entry.file.name, name) == 0) return entry.file.capacity;
  return kRowCapacity;
}

// The file's lines without the empty header line and without line ends.
std::vector<std::string> Written(const std::string& name) {
  std::fflush(nullptr);  // QELMAR's streams are the C library's
  std::ifstream in(BaseDirectory() / "BAZA" / name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  std::vector<std::string> lines = SplitLines(text.str());
  if (!lines.empty()) lines.erase(lines.begin());
  for (std::string& line : lines)
    if (!line.empty() && line.back() == '\r') line.pop_back();
  return lines;
}
}  // namespace

void QelmarRun::OpenOutputs(const char* primaryName, const char* secondaryName) {
  primaryName_ = primaryName;
  secondaryName_ = secondaryName;
  const OutputFile first{primaryName, "", CapacityOf(primaryName)};
  const OutputFile second{secondaryName, "", CapacityOf(secondaryName)};
  if (!output.Open(first, &second)) Stop("the output files did not open");
}

std::vector<std::string> QelmarRun::PrimaryLines() const { return Written(primaryName_); }
std::vector<std::string> QelmarRun::SecondaryLines() const { return Written(secondaryName_); }

std::string FromField(DataFileId file, const char* field, const char* type) {
  const int64_t offset = QelmarFieldOffset(kDataFiles[file].name, field);
  if (offset < 0) Stop(std::string("no field ") + field + " in " + kDataFiles[file].name);
  return "@" + std::to_string(offset) + "/" + type;
}

std::string ToMazovia(const std::string& utf8) { return Converted(utf8, kUtf8Code, kMazoviaCode); }

std::string ToUtf8(const std::string& mazovia) { return Converted(mazovia, kMazoviaCode, kUtf8Code); }

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

}  // namespace dravenhol::testing
