// The fake host's functions and state.
#include "fake_host.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "export/output_files.h"
#include "host/mazovia.h"
#include "tables/row_writers.h"

namespace dravenhol::testing {

namespace {

FakeHost* current = nullptr;

void Log(const char* name) { current->calls.emplace_back(name); }

struct FakeItemFile {
  bool discounts;
  int32_t document;
};

struct HolderState {
  void* value;
  HostReleaseFunction release;
};
static_assert(sizeof(HolderState) <= sizeof(HostHolder));

struct CursorState {
  int32_t index;
  std::size_t position;
};
static_assert(sizeof(CursorState) <= 188);

int dummyAuxiliary = 0;
constexpr int32_t kItemIndexBase = 1000;

char* CopyTextMax(char* destination, const char* source, int32_t limit) {
  int32_t n = 0;
  while (n < limit && source[n] != '\0') {
    destination[n] = source[n];
    ++n;
  }
  destination[n] = '\0';
  return destination;
}
int32_t AdjustFieldText(char*) { return 0; }
char* DateToText(char* display, const char* stored) {
  display[0] = '\0';
  if (std::strlen(stored) == 8) {
    const char d[] = {stored[6], stored[7], '.',       stored[4], stored[5], '.',
                      stored[0], stored[1], stored[2], stored[3], '\0'};
    std::memcpy(display, d, sizeof d);
  }
  return display;
}
char* TrimText(char* text) {
  std::size_t begin = 0;
  while (text[begin] == ' ') ++begin;
  std::size_t end = std::strlen(text);
  while (end > begin && text[end - 1] == ' ') --end;
  std::memmove(text, text + begin, end - begin);
  text[end - begin] = '\0';
  return text;
}
char* ScratchBuffer() { return current->scratch; }
int32_t MessageBox(const char* title, const char* text, int32_t) {
  Log("HostMessageBox");
  current->messages.push_back({title, text});
  return 0;
}
int32_t ErrorMessage(const char* title, const char* text, int32_t, const char*) {
  Log("HostErrorMessage");
  current->messages.push_back({title, text});
  return 0;
}
void ShowError(const char* text) { current->messages.push_back({"", text}); }
int32_t GetAttribute(int32_t, int32_t owner, int32_t, int32_t, const char* name, void* attribute, int32_t) {
  const auto found = current->attributes.find({owner, name});
  if (found == current->attributes.end()) return -1;
  auto* record = static_cast<unsigned char*>(attribute);
  std::memcpy(record + 6, &found->second.kind, 2);
  CopyTextMax(reinterpret_cast<char*>(record) + 103, found->second.value.c_str(), 304);
  return found->second.result;
}
void GroupName(char* name, int32_t size, const int32_t* group, int32_t) {
  const auto found = current->groupNames.find(*group);
  CopyTextMax(name, found == current->groupNames.end() ? "" : found->second.c_str(), size);
}
int16_t* CurrentWarehouse() { return &current->warehouse; }
int32_t* CurrentContractorRef() { return &current->currentContractor; }
void SettlementSetup(void*) { Log("HostSettlementSetup"); }
const char* PaymentMethodName(int32_t method) {
  const auto found = current->paymentMethods.find(method);
  return found == current->paymentMethods.end() ? nullptr : found->second.c_str();
}
void PrepareContractItem(int32_t, void*, int32_t, const void*) { Log("HostPrepareContractItem"); }

void* KeyInit(int32_t index, int32_t value, HostKey* key, int32_t) {
  Log("HostKeyInit");
  std::memcpy(key->storage, &index, 4);
  std::memcpy(key->storage + 4, &value, 4);
  return &dummyAuxiliary;
}
int16_t CursorOpen(HostCursor* self, HostTable*, int32_t index, HostKey*, int32_t, int32_t) {
  Log("HostCursorOpen");
  CursorState state{index, 0};
  std::memcpy(self->storage, &state, sizeof state);
  if (index == 53) {
    current->contractorDuringWalk = current->currentContractor;
    return current->settlementCursorFails ? 0 : 1;
  }
  return 0;
}
int32_t CursorNext(HostCursor* self) {
  CursorState state;
  std::memcpy(&state, self->storage, sizeof state);
  static const std::vector<Bytes> none;
  const auto of = current->settlementsOf.find(current->currentContractor);
  const std::vector<Bytes>& entries = current->settlementsOf.empty()       ? current->settlements
                                      : of == current->settlementsOf.end() ? none
                                                                           : of->second;
  if (state.index != 53 || state.position >= entries.size()) return 0;
  const Bytes& entry = entries[state.position++];
  std::memcpy(current->settlementBuffer, entry.data(), entry.size());
  std::memcpy(self->storage, &state, sizeof state);
  return 1;
}
void CursorClose(HostCursor*) { Log("HostCursorClose"); }
void CursorDestroy(HostCursor*) { Log("HostCursorDestroy"); }

int32_t ItemIndexOf(int32_t index) { return kItemIndexBase + index; }
HostItemFile* OpenItemFile(int32_t index, void* key, void*, int32_t* count) {
  Log("HostOpenItemFile");
  *count = 0;
  if (index == 223) {
    ++current->discountFileOpens;
    if (current->discountFileMissing) return nullptr;
    *count = static_cast<int32_t>(current->discountRecords.size());
    return reinterpret_cast<HostItemFile*>(new FakeItemFile{true, 0});
  }
  int32_t document = 0;
  std::memcpy(&document, static_cast<HostKey*>(key)->storage + 4, 4);
  const auto found = current->itemFiles.find(document);
  if (found == current->itemFiles.end()) return nullptr;
  *count = static_cast<int32_t>(found->second.size());
  return reinterpret_cast<HostItemFile*>(new FakeItemFile{false, document});
}
void ReleaseItemFile(void*) { Log("HostReleaseItemFile"); }
void CloseItemFile(HostItemFile** file) {
  Log("HostCloseItemFile");
  delete reinterpret_cast<FakeItemFile*>(*file);
  *file = nullptr;
}
void** ReadItems(HostItemFile* file, int32_t count) {
  Log("HostReadItems");
  if (current->readItemsFails) return nullptr;
  const auto& items = current->itemFiles[reinterpret_cast<FakeItemFile*>(file)->document];
  auto** array = static_cast<void**>(std::calloc(static_cast<std::size_t>(count) + 1, sizeof(void*)));
  for (int32_t i = 0; i < count; ++i) {
    array[i] = std::malloc(items[i].size());
    std::memcpy(array[i], items[i].data(), items[i].size());
  }
  return array;
}
void FreeItems(void** items) {
  Log("HostFreeItems");
  for (void** item = items; *item != nullptr; ++item) std::free(*item);
  std::free(items);
}
void MakeDataName(int32_t, void* name, const char* prefix, const char* suffix, int32_t) {
  Log("HostMakeDataName");
  std::snprintf(static_cast<char*>(name), 260, "%s%s", prefix, suffix);
}
int32_t ReadItemRecord(int32_t, int32_t record, HostTable*, int32_t, HostItemFile*) {
  Log("HostReadItemRecord");
  ++current->discountRecordReads;
  if (record == current->failReadAt) return 0;
  const Bytes& bytes = current->discountRecords[static_cast<std::size_t>(record)];
  std::memcpy(current->discountBuffer, bytes.data(), bytes.size());
  return 1;
}
void ScanBegin(int32_t) { Log("HostScanBegin"); }
void ScanStep(int32_t, int32_t) { Log("HostScanStep"); }
void ScanIdle(int32_t) { Log("HostScanIdle"); }
void ScanEnd() { Log("HostScanEnd"); }

void HolderInit(HostHolder* self, void* value, HostReleaseFunction release, int32_t, int32_t, int32_t) {
  HolderState state{value, release};
  std::memcpy(self->storage, &state, sizeof state);
}
HolderState HolderOf(HostHolder* self) {
  HolderState state;
  std::memcpy(&state, self->storage, sizeof state);
  return state;
}
void HolderSet(HostHolder* self, void* value) {
  HolderState state = HolderOf(self);
  state.value = value;
  std::memcpy(self->storage, &state, sizeof state);
}
void* HolderGet(HostHolder* self) { return HolderOf(self).value; }
int32_t HolderIsSet(HostHolder* self) { return HolderOf(self).value != nullptr; }
void HolderDestroy(HostHolder*) {}
int32_t HolderApply(HostHolder* self, HostApplyFunction function) {
  return function(static_cast<HostStream*>(HolderOf(self).value));
}

const char* BaseDirectory() { return current->baseDirectory.c_str(); }
HostStream* FileOpenShared(const char*, const char*, int32_t, int32_t, int32_t) {
  std::FILE* stream = std::tmpfile();
  current->sharedStreams.push_back(stream);
  return stream;
}
char* RecodeText(char* destination, const char* source, int32_t, int32_t) {
  if (destination != source) std::strcpy(destination, source);
  return destination;
}
char* PathAppend(char* path, const char* name) {
  std::strcat(path, "\\");
  std::strcat(path, name);
  return path;
}
HostStream* FileOpen(const char* path, const char*) {
  const std::size_t length = std::strlen(path);
  if (length < 10 || std::strcmp(path + length - 10, "imiona.txt") != 0 || !current->firstNamesFile) return nullptr;
  ++current->firstNamesOpens;
  std::FILE* stream = std::tmpfile();
  std::fwrite(current->firstNamesFile->data(), 1, current->firstNamesFile->size(), stream);
  std::rewind(stream);
  return stream;
}
int32_t FileGets(char* line, int32_t size, HostStream* stream) {
  return std::fgets(line, size, stream) != nullptr ? 1 : 0;
}
int32_t FileClose(HostStream* stream) { return std::fclose(stream); }
int32_t CompareText(const char* a, const char* b, int32_t) { return std::strcmp(a, b); }

void GuardEnter(HostGuard*, const char*, const void*) {}
void GuardLeave(HostGuard*) {}
void* Alloc(uint32_t size) { return std::malloc(size); }
void* AllocZeroed(uint32_t size) { return std::calloc(size, 1); }
void Free(void* block) { std::free(block); }
int32_t ConvertText(char* destination, int32_t size, const char* source, int32_t, int32_t, int32_t) {
  int32_t n = 0;
  for (const char* c = source; *c != '\0'; ++c) {
    char bytes[4];
    const int length = mazovia::EncodeUtf8(mazovia::ToUnicode(static_cast<unsigned char>(*c)), bytes);
    if (n + length >= size) break;
    std::memcpy(destination + n, bytes, static_cast<std::size_t>(length));
    n += length;
  }
  destination[n] = '\0';
  return n;
}
int32_t FilePrintf(HostStream* stream, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int result = std::vfprintf(stream, format, arguments);
  va_end(arguments);
  return result;
}

template <class Fn>
void Bind(int slot, Fn function) {
  HostFunctionTable[slot] = reinterpret_cast<void*>(function);
}

}  // namespace

#define BIND(Name, function) Bind(host::Name##Slot, static_cast<host::Name##Fn>(&function))

FakeHost::FakeHost() {
  std::memcpy(saved_, HostFunctionTable, sizeof saved_);
  for (void*& slot : HostFunctionTable) slot = nullptr;
  current = this;
  BIND(HostCopyTextMax, CopyTextMax);
  BIND(HostAdjustFieldText, AdjustFieldText);
  BIND(HostDateToText, DateToText);
  BIND(HostTrimText, TrimText);
  BIND(HostScratchBuffer, ScratchBuffer);
  BIND(HostMessageBox, MessageBox);
  BIND(HostErrorMessage, ErrorMessage);
  BIND(HostShowError, ShowError);
  BIND(HostGetAttribute, GetAttribute);
  BIND(HostGroupName, GroupName);
  BIND(HostCurrentWarehouse, CurrentWarehouse);
  BIND(HostCurrentContractorRef, CurrentContractorRef);
  BIND(HostSettlementSetup, SettlementSetup);
  BIND(HostPaymentMethodName, PaymentMethodName);
  BIND(HostPrepareContractItem, PrepareContractItem);
  BIND(HostKeyInit, KeyInit);
  BIND(HostCursorOpen, CursorOpen);
  BIND(HostCursorNext, CursorNext);
  BIND(HostCursorClose, CursorClose);
  BIND(HostCursorDestroy, CursorDestroy);
  BIND(HostItemIndexOf, ItemIndexOf);
  BIND(HostOpenItemFile, OpenItemFile);
  BIND(HostReleaseItemFile, ReleaseItemFile);
  BIND(HostCloseItemFile, CloseItemFile);
  BIND(HostReadItems, ReadItems);
  BIND(HostFreeItems, FreeItems);
  BIND(HostMakeDataName, MakeDataName);
  BIND(HostReadItemRecord, ReadItemRecord);
  BIND(HostScanBegin, ScanBegin);
  BIND(HostScanStep, ScanStep);
  BIND(HostScanIdle, ScanIdle);
  BIND(HostScanEnd, ScanEnd);
  BIND(HostHolderInit, HolderInit);
  BIND(HostHolderSet, HolderSet);
  BIND(HostHolderGet, HolderGet);
  BIND(HostHolderIsSet, HolderIsSet);
  BIND(HostHolderDestroy, HolderDestroy);
  BIND(HostHolderApply, HolderApply);
  BIND(HostBaseDirectory, BaseDirectory);
  BIND(HostPathAppend, PathAppend);
  BIND(HostFileOpen, FileOpen);
  BIND(HostFileGets, FileGets);
  BIND(HostFileClose, FileClose);
  BIND(HostCompareText, CompareText);
  BIND(HostGuardEnter, GuardEnter);
  BIND(HostGuardLeave, GuardLeave);
  BIND(HostAlloc, Alloc);
  BIND(HostAllocZeroed, AllocZeroed);
  BIND(HostFileOpenShared, FileOpenShared);
  BIND(HostRecodeText, RecodeText);
  BIND(HostFree, Free);
  BIND(HostConvertText, ConvertText);
  BIND(HostFilePrintf, FilePrintf);
}

#undef BIND

FakeHost::~FakeHost() {
  std::memcpy(HostFunctionTable, saved_, sizeof saved_);
  current = nullptr;
}

FakeHost& FakeHost::Current() { return *current; }

int FakeHost::Count(const std::string& name) const {
  int n = 0;
  for (const std::string& call : calls) n += call == name ? 1 : 0;
  return n;
}

std::string FakeHost::Contents(std::FILE* stream) {
  std::fflush(stream);
  const long end = std::ftell(stream);
  std::string text(static_cast<std::size_t>(end), '\0');
  std::rewind(stream);
  const std::size_t read = std::fread(text.data(), 1, text.size(), stream);
  text.resize(read);
  std::fseek(stream, 0, SEEK_END);
  return text;
}

FakeRun::FakeRun() {
  for (int file = 0; file < kDataFileCount; ++file) {
    records_[file].assign(static_cast<std::size_t>(kDataFiles[file].recordLength), 0);
    const auto length = static_cast<int16_t>(kDataFiles[file].recordLength);
    unsigned char* buffer = records_[file].data();
    std::memcpy(descriptors_[file].bytes + 6, &length, 2);
    std::memcpy(descriptors_[file].bytes + 8, &buffer, sizeof buffer);
    block.dataFiles[file] = DataFile{reinterpret_cast<HostTable*>(&descriptors_[file]), buffer};
  }
  host.settlementBuffer = records_[kK4Kar].data();
  host.discountBuffer = records_[kK4Tab].data();
  output.Begin();
}

FakeRun::~FakeRun() {
  output.End(false);
  marks.Free();
}

namespace {
int32_t CapacityOf(const char* name) {
  for (const OutputFileEntry& entry : kOutputFiles)
    if (std::strcmp(entry.file.name, name) == 0) return entry.file.capacity;
  return kRowCapacity;
}
}  // namespace

void FakeRun::OpenOutputs(const char* primaryName, const char* secondaryName) {
  // The directories are made where the test may write; the streams are the
  // fake host's own.
  const std::filesystem::path base = std::filesystem::temp_directory_path() / "dravenhol-tables-test";
  std::filesystem::create_directories(base);
  host.baseDirectory = base.string();
  const OutputFile first{primaryName, "", CapacityOf(primaryName)};
  const OutputFile second{secondaryName, "", CapacityOf(secondaryName)};
  const std::size_t opened = host.sharedStreams.size();
  if (!output.Open(first, &second) || host.sharedStreams.size() != opened + 2) std::abort();
  primary_ = host.sharedStreams[opened];
  secondary_ = host.sharedStreams[opened + 1];
}

namespace {
// Without the empty header line.
std::vector<std::string> Written(std::FILE* stream) {
  std::vector<std::string> lines = SplitLines(FakeHost::Contents(stream));
  if (!lines.empty()) lines.erase(lines.begin());
  return lines;
}
}  // namespace

std::vector<std::string> FakeRun::PrimaryLines() const { return Written(primary_); }
std::vector<std::string> FakeRun::SecondaryLines() const { return Written(secondary_); }

void PutText(Bytes& record, std::size_t offset, const std::string& text) {
  std::memcpy(record.data() + offset, text.c_str(), text.size() + 1);
}
void PutI16(Bytes& record, std::size_t offset, int16_t value) { std::memcpy(record.data() + offset, &value, 2); }
void PutI32(Bytes& record, std::size_t offset, int32_t value) { std::memcpy(record.data() + offset, &value, 4); }
void PutF64(Bytes& record, std::size_t offset, double value) { std::memcpy(record.data() + offset, &value, 8); }

std::string ToMazovia(const std::string& utf8) {
  std::string out;
  for (std::size_t pos = 0; pos < utf8.size();) {
    const int byte = mazovia::FromUnicode(mazovia::DecodeUtf8(utf8.data(), utf8.size(), pos));
    out.push_back(static_cast<char>(byte < 0 ? '?' : byte));
  }
  return out;
}

std::string ToUtf8(const std::string& mazovia) {
  std::string out;
  for (char c : mazovia) {
    char bytes[4];
    out.append(bytes,
               static_cast<std::size_t>(mazovia::EncodeUtf8(mazovia::ToUnicode(static_cast<unsigned char>(c)), bytes)));
  }
  return out;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

}  // namespace dravenhol::testing
