// What the row writers keep for one run: the first names and the discount index.
#include "tables/discounts.h"
#include "tables/names.h"
#include "tables/row_writers.h"
#include "ui/plugin.h"

namespace dravenhol {

void ReleaseRunCaches(CDravenhol& plugin) {
  delete plugin.discounts;
  plugin.discounts = nullptr;
  delete plugin.firstNames;
  plugin.firstNames = nullptr;
}

}  // namespace dravenhol
