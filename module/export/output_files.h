// The table of output files (output_files.inc) as the driver reads it, and
// the filters that decide which records get a line.
#pragma once

#include <array>
#include <cstdint>

#include "host/indexes.h"
#include "tables/row_writers.h"
#include "tables/run_state.h"

namespace dravenhol {

enum class Pass { Index, Contractors, Discounts, Warehouses };

using RowFilter = bool (*)(const RunState& run);
using RowWriter = char* (*)(RunState& run, char* row);
using RecordExporter = int32_t (*)(RunState& run);

// What fills a file: a line per record that passes the filter, built by the
// row writer; or the lines an exporter writes for each record of the walk.
struct FileWriter {
  RowFilter filter;
  RowWriter row;
  RecordExporter exporter;
};
constexpr FileWriter RowsOf(RowFilter filter, RowWriter row) { return FileWriter{filter, row, nullptr}; }
constexpr FileWriter LinesOf(RecordExporter exporter) { return FileWriter{nullptr, nullptr, exporter}; }

struct OutputFileSpec {
  const char* name;
  const char* header;
  Pass pass;
  int16_t index;
  FileWriter writer;
  int32_t capacity;
  bool second;
};

// Header lines are written with this capacity.
inline constexpr int32_t kHeaderCapacity = kShortLineCapacity;

// The filters of the files that take a line per record.
bool IsExportedContract(const RunState& run);    // Interkam only, with a contract id
bool IsExportedInvoice(const RunState& run);     // a document id
bool IsExportedContractor(const RunState& run);  // Universal: an id; Interkam: a numeric symbol and an amount
bool IsExportedGoods(const RunState& run);       // a goods id; Interkam: marked by a contract item
bool IsExportedUser(const RunState& run);        // not all three texts empty

#define OUTPUT_FILE(name, header, pass, index, writer, capacity, second) \
  OutputFileSpec{name, header, Pass::pass, index, writer, capacity, second},
inline constexpr std::array kOutputFiles = {
#include "export/output_files.inc"
};
#undef OUTPUT_FILE

}  // namespace dravenhol
