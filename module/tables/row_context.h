// What the row writers and filters of a run see: the current records of the
// host's data files, the sending method, the goods marks and the caches that
// the writers keep, each with its lifetime.
#pragma once

#include <memory>

#include "host/data_files.h"
#include "host/record.h"
#include "host/run_block.h"
#include "tables/discounts.h"
#include "tables/goods_marks.h"
#include "tables/names.h"
#include "tables/settlements.h"

namespace dravenhol {

enum class CacheLifetime {
  kRun,   // kept until the run ends
  kPass,  // given back at the end of each pass, before the next takes its own
};

// One cache of the run: made on first use by its writer, freed when its
// lifetime ends.
template <class T, CacheLifetime Lifetime>
class RunCache {
 public:
  T* get() const { return object_.get(); }
  void Keep(std::unique_ptr<T> object) { object_ = std::move(object); }
  void EndPass() {
    if constexpr (Lifetime == CacheLifetime::kPass) object_.reset();
  }
  void EndRun() { object_.reset(); }

 private:
  std::unique_ptr<T> object_;
};

// Every cache of a run, and how long each is kept.
struct RunCaches {
  RunCache<DiscountIndex, CacheLifetime::kRun> discounts;       // the discount data file, read on the first look-up
  RunCache<FirstNameList, CacheLifetime::kRun> firstNames;      // imiona.txt, read on the first name look-up
  RunCache<SettlementCache, CacheLifetime::kPass> settlements;  // the invoice pass's settlement walks

  void EndPass() {
    discounts.EndPass();
    firstNames.EndPass();
    settlements.EndPass();
  }
  void EndRun() {
    discounts.EndRun();
    firstNames.EndRun();
    settlements.EndRun();
  }
};

class RowContext {
 public:
  RowContext(const RunBlock& block, GoodsMarks& goodsMarks, RunCaches& runCaches)
      : marks(goodsMarks), caches(runCaches), block_(block) {}

  // The current record of a data file, bounded by both sides' record length.
  RecordView Record(DataFileId file) const;
  // A record that the host's item reader delivered for data file `file`.
  RecordView ItemRecord(const void* item, DataFileId file) const;
  HostTable* Table(DataFileId file) const { return block_.dataFiles[file].table; }
  bool interkam() const { return block_.sendMethod == kInterkam; }

  GoodsMarks& marks;
  RunCaches& caches;

 private:
  const RunBlock& block_;
};

}  // namespace dravenhol
