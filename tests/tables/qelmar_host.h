// The replacement host in-process, for the unit tests of the table exporters,
// the benchmarks and the fuzzers.
//
// QelmarHost loads a database (a fixture of the replacement host, built by
// the test) into a reset QELMAR and binds the module's HostFunctionTable to
// QELMAR's exports for its lifetime, as the module binds them; the previous
// slots come back when it goes. Every text, date, file and record rule is
// QELMAR's own. The host calls that the tables' tests follow (data files,
// items, scans, messages) pass through a recorder on their way to QELMAR,
// which keeps their names in order and the messages as the module passed
// them, and changes nothing. A host made while another lives replaces that
// one's database; the other's recorder is back when it goes.
//
// QelmarRun adds a run with the eleven data files as QELMAR describes them,
// the run's owners as the driver builds them, and an output pair whose files
// QELMAR writes under a base directory of the test's. Records are placed in a
// data file's current-record buffer from fixture record objects, through
// QELMAR's own record layouts.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "host/data_files.h"
#include "host/host_api.h"
#include "host/run_block.h"
#include "output/output_pair.h"
#include "tables/goods_marks.h"
#include "tables/row_context.h"

namespace dravenhol::testing {

// Fixtures and their records, with keys in the order written (a record's
// keys are applied in that order).
using Json = nlohmann::ordered_json;

struct Message {
  std::string title;
  std::string text;  // Mazovia bytes as the module passed them
};

class QelmarHost {
 public:
  // database: a fixture (docs/fixture-format.md); its "files" are written
  // into a fresh base directory.
  explicit QelmarHost(const Json& database = Json::object());
  ~QelmarHost();
  QelmarHost(const QelmarHost&) = delete;
  QelmarHost& operator=(const QelmarHost&) = delete;

  static QelmarHost& Current();

  // The followed host calls, by name, in order.
  std::vector<std::string> calls;
  std::vector<Message> messages;
  int Count(const std::string& name) const;
  // The current contractor when the module last opened a settlement cursor
  // (index 53).
  int32_t contractorDuringWalk = 0;

  // QELMAR's counter or state value of that name ("currentContractor",
  // "calls.HostOpenItemFile", ...).
  static int64_t Counter(const char* name);
  // The host's shared row buffer (HostScratchBuffer).
  static char* Scratch();
  // The base directory that QELMAR names.
  static std::filesystem::path Base();

 private:
  void* saved_[host::kHostFunctionCount];
  QelmarHost* previous_;  // the host this one stands in for while it lives
};

class QelmarRun {
 public:
  explicit QelmarRun(const Json& database = Json::object());
  ~QelmarRun();
  QelmarRun(const QelmarRun&) = delete;
  QelmarRun& operator=(const QelmarRun&) = delete;

  // Fills the data file's current-record buffer from a fixture record object
  // (zero bytes first), as a cursor would leave it.
  void Place(DataFileId file, const Json& record);
  // Opens the pair's two files under those names (capacities from the table
  // of output files), with empty headers.
  void OpenOutputs(const char* primaryName = "pierwszy.csv", const char* secondaryName = "drugi.csv");
  // The lines written so far after the header (UTF-8, without line ends).
  std::vector<std::string> PrimaryLines() const;
  std::vector<std::string> SecondaryLines() const;

  QelmarHost host;
  RunBlock block = {};
  GoodsMarks marks{block.tabIdentyf};
  RunCaches caches;
  RowContext rows{block, marks, caches};
  OutputPair output{block.primaryFile, block.secondaryFile};
  FileLines primary{output, Side::kPrimary};
  FileLines secondary{output, Side::kSecondary};

 private:
  std::string primaryName_;
  std::string secondaryName_;
};

// The key of a fixture record that writes a value of that type ("text",
// "bytes", ...) from the named field's offset in QELMAR's layout of the data
// file on, across the fields after it: "@176/text".
std::string FromField(DataFileId file, const char* field, const char* type = "text");

// UTF-8 test text to Mazovia bytes and back, by QELMAR's conversion.
std::string ToMazovia(const std::string& utf8);
std::string ToUtf8(const std::string& mazovia);
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace dravenhol::testing
