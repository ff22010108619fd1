// The row writers and record exporters that the export driver calls.
//
// A row writer formats the current record of its table into the host's row
// buffer (kRowCapacity bytes), without line end, and returns the buffer. A row
// that does not fit the buffer is not cut: the writer shows an "Uwaga" message
// naming the file and the record and returns null, and the driver writes no
// line for that record. A record exporter writes its own lines for the
// current record of the walk.
#pragma once

#include <cstdint>

namespace dravenhol {

class RunState;

char* WriteStandingContractRow(RunState& run, char* row);  // index 72, umowystale.csv
char* WriteInvoiceRow(RunState& run, char* row);           // index 811, faktury.csv
char* FormatContractorRow(RunState& run, char* row);       // indexes 6 and 198, kontrahenci.csv
char* WriteGoodsRow(RunState& run, char* row);             // index 4, magazyn.csv
char* WriteUserRow(RunState& run, char* row);              // index 34, uzytkownicy.csv

// Items of the current document (index 811) or standing contract (index 72),
// written to the secondary file. Returns 1 after a "Brak pliku dokumentu!".
int32_t ExportDocumentItems(RunState& run);

// Discount rows of the current contractor, written to the primary file.
// Returns 1 when the discount switches are all off, else 0.
int32_t EksportujRabaty(RunState& run);

}  // namespace dravenhol
