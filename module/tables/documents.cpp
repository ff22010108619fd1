#include "tables/documents.h"

#include <cstring>

#include "host/host_api.h"
#include "host/host_objects.h"
#include "host/services.h"
#include "output/output.h"
#include "tables/numbers.h"
#include "tables/row_context.h"

namespace dravenhol {

int32_t ExportDocumentItems(RowContext& rows, const DocumentItems& items, FileLines& lines) {
  const RecordView document = rows.Record(items.document);
  const int32_t documentId = document.I32(items.idOffset);
  if (documentId == 0) return 0;

  const int32_t itemIndex = host::HostItemIndexOf(int32_t{items.index});
  HostKey key;
  std::memset(&key, 0, sizeof key);
  void* auxiliary = host::HostKeyInit(itemIndex, documentId, &key, int32_t{0});

  int32_t count = 0;
  ItemFileScope file;
  OpenItemFile(&file, itemIndex, &key, auxiliary, &count);
  if (file.get() == nullptr) {
    if (items.marksGoods) rows.marks.SetIncomplete();
    lines.Put(Row::Dropped(Drop::kNoItemFile));  // the document's items are missing from the file
    return 1;
  }

  if (count > 0) {
    ItemArrayScope delivered(host::HostReadItems(file.get(), count));
    if (delivered.get() == nullptr) {
      // The host reported items but delivered none: say so rather than
      // leaving the document without its items unnoticed.
      if (items.marksGoods) rows.marks.SetIncomplete();
      char number[kNumberTextSize];
      FormatInteger(documentId, number, sizeof number);
      lines.Put(Row::Dropped(Drop::kItemsUnread, number));
    } else {
      for (int32_t i = 0; i < count; ++i) {
        if (void* item = delivered.get()[i]; item != nullptr) lines.Put(items.writeItemRow(rows, item, document));
      }
    }
    delivered.Free();
  }
  file.Close();
  return 0;
}

}  // namespace dravenhol
