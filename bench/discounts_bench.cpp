// The discounts pass of a medium-sized business: 10,000 contractors and
// 10,000 discount records of 11,256 bytes. Reading the discount file anew for
// every contractor would read about 0.5 TB; the pass reads it once.
#include <benchmark/benchmark.h>

#include <memory>

#include "fake_host.h"
#include "tables/row_writers.h"

namespace dravenhol {
namespace {

using testing::Bytes;

constexpr int32_t kContractors = 10000;
constexpr int32_t kDiscountRecords = 10000;

void DiscountsPass(benchmark::State& state) {
  const auto contractors = static_cast<int32_t>(state.range(0));
  const auto records = static_cast<int32_t>(state.range(1));
  for (auto _ : state) {
    state.PauseTiming();
    auto run = std::make_unique<testing::FakeRun>();
    run->OpenOutputs();
    testing::PutI16(run->record(kTsprProp), 68, 1);
    // Records in reverse contractor order, each with three discounts; the
    // last contractors' records come first in the file.
    run->host.discountRecords.reserve(static_cast<std::size_t>(records));
    for (int32_t r = 0; r < records; ++r) {
      Bytes record(11256, 0);
      testing::PutI32(record, 11252, records - r);
      testing::PutI32(record, 452 + 4 * (r % 450), 12500);
      testing::PutI16(record, 2252 + 2 * ((r + 1) % 450), 2);
      testing::PutF64(record, 3152 + 8 * ((r + 2) % 450), 25000);
      run->host.discountRecords.push_back(std::move(record));
    }
    testing::PutText(run->record(kK4), 2, "K001");
    testing::PutText(run->record(kK4), 176, "123-456-32-18");
    state.ResumeTiming();

    for (int32_t id = 1; id <= contractors; ++id) {
      testing::PutI32(run->record(kK4), 1532, id);
      EksportujRabaty(run->rows, run->primary);
    }

    state.PauseTiming();
    benchmark::DoNotOptimize(run->host.discountRecordReads);
    state.counters["record_reads"] = run->host.discountRecordReads;
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
