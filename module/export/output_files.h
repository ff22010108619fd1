// The table of output files (output_files.inc) as the driver reads it, and
// the filters that decide which records get a line.
#pragma once

#include <array>
#include <cstdint>

#include "host/indexes.h"
#include "output/output_pair.h"
#include "tables/row_context.h"
#include "tables/row_writers.h"

namespace dravenhol {

enum class Pass { Index, Contractors, Discounts, Warehouses };

using RowFilter = bool (*)(const RowContext& rows);
using RowWriter = Row (*)(RowContext& rows, char* row);
using RecordExporter = int32_t (*)(RowContext& rows, FileLines& lines);

// What fills a file: a line per record that passes the filter, built by the
// row writer; or the lines an exporter hands over for each record of the walk.
struct FileWriter {
  RowFilter filter;
  RowWriter row;
  RecordExporter exporter;
};
constexpr FileWriter RowsOf(RowFilter filter, RowWriter row) { return FileWriter{filter, row, nullptr}; }
constexpr FileWriter LinesOf(RecordExporter exporter) { return FileWriter{nullptr, nullptr, exporter}; }

struct OutputFileEntry {
  OutputFile file;
  Pass pass;
  int16_t index;
  FileWriter writer;
  bool second;
};

// The filters of the files that take a line per record.
bool IsExportedContract(const RowContext& rows);    // Interkam only, with a contract id
bool IsExportedInvoice(const RowContext& rows);     // a document id
bool IsExportedContractor(const RowContext& rows);  // Universal: an id; Interkam: a numeric symbol and an amount
bool IsExportedGoods(const RowContext& rows);       // a goods id; Interkam: marked by a contract item
bool IsExportedUser(const RowContext& rows);        // not all three texts empty

#define OUTPUT_FILE(name, header, pass, index, writer, capacity, second) \
  OutputFileEntry{{name, header, capacity}, Pass::pass, index, writer, second},
inline constexpr std::array kOutputFiles = {
#include "export/output_files.inc"
};
#undef OUTPUT_FILE

}  // namespace dravenhol
