// Shared by the invoice and standing-contract exporters: the settlement walk,
// the item rows and the payment kind.
#pragma once

#include <cstdint>

#include "host/data_files.h"
#include "host/record.h"
#include "tables/fields.h"

namespace dravenhol {

class RunState;

// Sums what the contractor's settlement entries pay of one document: every
// slot of kind 1 whose reference is the document's, in active entries. The
// date is that of the last paying entry in cursor order, empty when nothing
// was paid. The host's current contractor is swapped in for the walk and put
// back afterwards.
void SumDocumentPayments(RunState& run, int32_t reference, int32_t contractor, double* paid,
                         char (&date)[kTextAreaSize]);

// Formats and writes one item row to the secondary file: faktury_pozycje.csv
// for index 811, umowy.csv (and the goods mark) for index 72, nothing else.
void WriteItemRow(RunState& run, void* item, const RecordView& document);
void WriteContractItemRow(RunState& run, void* item, const RecordView& contract);

// SposobPlatnosci of a standing contract's 16-bit payment word, 0 to 7.
int16_t PaymentKindOf(uint16_t word);

}  // namespace dravenhol
