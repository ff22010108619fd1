// The row writers and record exporters that the table of output files names.
//
// A row writer formats the current record of its table into the host's row
// buffer (kRowCapacity bytes), without line end, and hands back the line, or
// the reason the record has none (a row that does not fit is not cut: it is
// dropped, with the record's key). A record exporter hands the lines it makes
// for the current record of the walk, one by one, to its file. Neither
// writes nor reports anything itself: the output pair does.
#pragma once

#include <cstdint>

#include "output/output_pair.h"

namespace dravenhol {

class RowContext;

Row WriteStandingContractRow(RowContext& rows, char* row);  // index 72, umowystale.csv
Row WriteInvoiceRow(RowContext& rows, char* row);           // index 811, faktury.csv
Row FormatContractorRow(RowContext& rows, char* row);       // indexes 6 and 198, kontrahenci.csv
Row WriteGoodsRow(RowContext& rows, char* row);             // index 4, magazyn.csv
Row WriteUserRow(RowContext& rows, char* row);              // index 34, uzytkownicy.csv

// The items of the current standing contract (index 72), to umowy.csv, and
// the marks of their goods; of the current sales document (index 811), to
// faktury_pozycje.csv. Return 1 after the item file was missing, else 0.
int32_t ExportContractItems(RowContext& rows, FileLines& lines);
int32_t ExportInvoiceItems(RowContext& rows, FileLines& lines);

// Discount rows of the current contractor, to kontrah_rabaty.csv. Returns 1
// when the discount switches are all off, else 0.
int32_t EksportujRabaty(RowContext& rows, FileLines& lines);

}  // namespace dravenhol
