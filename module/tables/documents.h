// What the item exporters of sales documents and standing contracts share
// (the item walk of the current document), the settlement walk of the
// invoice rows and the payment kind of the contract rows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/data_files.h"
#include "host/record.h"
#include "output/output_pair.h"
#include "tables/fields.h"

namespace dravenhol {

class RowContext;

// The documents of one index and how their items become rows.
struct DocumentItems {
  int16_t index;         // the documents' index: 811 sales documents, 72 standing contracts
  DataFileId document;   // their data file
  std::size_t idOffset;  // the document id in its record
  bool marksGoods;       // the items mark their goods: items not read leave the marks incomplete
  // One item's row (a line of null: no row buffer).
  Row (*writeItemRow)(RowContext& rows, void* item, const RecordView& document);
};

// Reads the items of the current document through the host and hands one
// row per item, in the host's order, to `lines`. A missing item file, or
// items the host reported but did not deliver, are handed over as drops.
// Returns 1 after the item file was missing, else 0.
int32_t ExportDocumentItems(RowContext& rows, const DocumentItems& items, FileLines& lines);

// SposobPlatnosci of a standing contract's 16-bit payment word, 0 to 7.
int16_t PaymentKindOf(uint16_t word);

}  // namespace dravenhol
