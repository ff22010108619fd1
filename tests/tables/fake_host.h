// A small in-process host for unit tests of the table exporters.
//
// FakeHost binds its own functions into the HostFunctionTable for its
// lifetime (every other slot is null, so an unexpected call returns zero) and
// puts the previous slots back when it goes. Its state is plain data that a
// test fills before the call and inspects afterwards. FakeRun adds a run
// with the eleven data files, the run's owners as the driver builds them, and
// an output pair whose two files are captured.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/data_files.h"
#include "host/host_api.h"
#include "host/run_block.h"
#include "output/output_pair.h"
#include "tables/goods_marks.h"
#include "tables/row_context.h"

namespace dravenhol::testing {

using Bytes = std::vector<unsigned char>;

struct Message {
  std::string title;
  std::string text;  // Mazovia bytes as the module passed them
};

struct Attribute {
  int32_t result = 0;  // negative: the host has no such attribute
  int16_t kind = 0;
  std::string value;
};

class FakeHost {
 public:
  FakeHost();
  ~FakeHost();
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  static FakeHost& Current();

  // Every host call, by name, in order (only the calls the tables make).
  std::vector<std::string> calls;
  std::vector<Message> messages;
  int Count(const std::string& name) const;

  char scratch[5002] = {};
  int16_t warehouse = 0;
  int32_t currentContractor = 0;
  std::map<std::pair<int32_t, std::string>, Attribute> attributes;  // (contractor, name)
  std::map<int32_t, std::string> groupNames;
  std::map<int32_t, std::string> paymentMethods;  // method -> name (null when absent)

  // Settlement entries that a cursor over index 53 yields into settlementBuffer.
  std::vector<Bytes> settlements;
  // When not empty: the entries index 53 yields by the current contractor instead.
  std::map<int32_t, std::vector<Bytes>> settlementsOf;
  unsigned char* settlementBuffer = nullptr;
  bool settlementCursorFails = false;
  int32_t contractorDuringWalk = 0;

  // Item files by document id (absent: no file); item records as delivered.
  std::map<int32_t, std::vector<Bytes>> itemFiles;
  bool readItemsFails = false;

  // The discount data file: records copied into discountBuffer on each read.
  bool discountFileMissing = false;
  std::vector<Bytes> discountRecords;
  int32_t failReadAt = -1;
  unsigned char* discountBuffer = nullptr;
  int32_t discountFileOpens = 0;
  int32_t discountRecordReads = 0;

  // imiona.txt in the base directory; absent: no file.
  std::optional<std::string> firstNamesFile;
  int32_t firstNamesOpens = 0;

  // Stored dates are "YYYYMMDD"; anything else shows as "??".
  // Trim removes leading and trailing blanks.

  // The base directory the host names; output files are created under it.
  std::string baseDirectory = "C:\\Dane";
  // The streams that HostFileOpenShared opened, in order (closed by their owner).
  std::vector<std::FILE*> sharedStreams;

  // The text written to a stream so far.
  static std::string Contents(std::FILE* stream);

 private:
  void* saved_[host::kHostFunctionCount];
};

// Zero-filled records for the eleven data files, with host descriptors.
class FakeRun {
 public:
  FakeRun();
  ~FakeRun();
  Bytes& record(DataFileId file) { return records_[file]; }
  // Opens the pair's two files under those names (capacities from the table
  // of output files), in a directory of the test's, with empty headers.
  void OpenOutputs(const char* primaryName = "", const char* secondaryName = "");
  // The lines written so far after the header (UTF-8, without line ends).
  std::vector<std::string> PrimaryLines() const;
  std::vector<std::string> SecondaryLines() const;

  FakeHost host;
  RunBlock block = {};
  GoodsMarks marks{block.tabIdentyf};
  RunCaches caches;
  RowContext rows{block, marks, caches};
  OutputPair output{block.primaryFile, block.secondaryFile};
  FileLines primary{output, Side::kPrimary};
  FileLines secondary{output, Side::kSecondary};

 private:
  struct Descriptor {
    unsigned char bytes[16];
  };
  Descriptor descriptors_[kDataFileCount] = {};
  Bytes records_[kDataFileCount];
  std::FILE* primary_ = nullptr;
  std::FILE* secondary_ = nullptr;
};

// Record writers.
void PutText(Bytes& record, std::size_t offset, const std::string& text);
void PutI16(Bytes& record, std::size_t offset, int16_t value);
void PutI32(Bytes& record, std::size_t offset, int32_t value);
void PutF64(Bytes& record, std::size_t offset, double value);

// UTF-8 test text to Mazovia bytes and back.
std::string ToMazovia(const std::string& utf8);
std::string ToUtf8(const std::string& mazovia);
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace dravenhol::testing
