// Placeholder row writers until the table exporters land.
#include "tables/row_writers.h"

namespace dravenhol {

char* WriteStandingContractRow(CDravenhol&, char* row) { return row; }
char* WriteInvoiceRow(CDravenhol&, char* row) { return row; }
char* FormatContractorRow(CDravenhol&, char* row) { return row; }
char* WriteGoodsRow(CDravenhol&, char* row) { return row; }
char* WriteUserRow(CDravenhol&, char* row) { return row; }
int32_t ExportDocumentItems(CDravenhol&) { return 0; }
int32_t EksportujRabaty(CDravenhol&) { return 0; }
void ReleaseRunCaches(CDravenhol&) {}

}  // namespace dravenhol
