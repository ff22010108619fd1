// The discounts pass of a medium-sized business: 10,000 contractors and
// 10,000 discount records at the replacement host's record length (about
// 11 kB each). Reading the discount file anew for every contractor would read
// about 0.5 TB; the pass reads it once.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "host/host_objects.h"
#include "qelmar_host.h"
#include "tables/row_writers.h"

namespace dravenhol {
namespace {

using testing::Json;

constexpr int32_t kContractors = 10000;
constexpr int32_t kDiscountRecords = 10000;
// The goods groups that the discounts are spread over (a record has room for
// more).
constexpr int kGroups = 400;

// Contractors 1 to contractors, and the discount records in reverse contractor
// order, each with three discounts; the last contractors' records come first
// in the file. The first discount switch is on.
Json Database(int32_t contractors, int32_t records) {
  Json k4 = Json::array();
  for (int32_t id = 1; id <= contractors; ++id)
    k4.push_back({{"symbol", "K001"}, {"taxNumber", "123-456-32-18"}, {"contractorId", id}});
  Json k4Tab = Json::array();
  for (int32_t r = 0; r < records; ++r)
    k4Tab.push_back({{"contractorId", records - r},
                     {"percent", {{std::to_string(r % kGroups), 12500}}},
                     {"priceLevel", {{std::to_string((r + 1) % kGroups), 2}}},
                     {"amountDiscount", {{std::to_string((r + 2) % kGroups), 25000}}}});
  return {{"tables", {{"Tspr_prop", Json::array({{{"discountSwitch1", 1}}})}, {"k4", k4}, {"k4_tab", k4Tab}}}};
}

// The index that yields every contractor, in file order.
constexpr int32_t kContractorIndex = 6;

void DiscountsPass(benchmark::State& state) {
  const auto contractors = static_cast<int32_t>(state.range(0));
  const auto records = static_cast<int32_t>(state.range(1));
  const Json database = Database(contractors, records);
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop
    state.PauseTiming();
    auto run = std::make_unique<testing::QelmarRun>(database);
    run->OpenOutputs();
    state.ResumeTiming();

    // Each contractor becomes the current k4 record as the contractors' pass
    // makes it: through the host's cursor.
    CursorScope cursor;
    if (cursor.Open(kContractorIndex))
      while (cursor.Next()) EksportujRabaty(run->rows, run->primary);
    cursor.Close();

    state.PauseTiming();
    const int64_t reads = testing::QelmarHost::Counter("calls.HostReadItemRecord");
    benchmark::DoNotOptimize(reads);
    state.counters["record_reads"] = static_cast<double>(reads);
    run.reset();
    state.ResumeTiming();
  }
}

BENCHMARK(DiscountsPass)
    ->Args({kContractors, kDiscountRecords})
    ->Args({1000, 1000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
}  // namespace dravenhol
