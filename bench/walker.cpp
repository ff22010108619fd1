#include "walker.h"

#include <chrono>

#include "export/export_run.h"
#include "frame/frame_state.h"
#include "host/binding.h"
#include "host/run_block.h"
#include "platform/platform.h"

namespace bench {

namespace {

namespace dh = dravenhol;
using Clock = std::chrono::steady_clock;

struct PassClock {
  Clock::time_point start;
  std::vector<double> seconds;
};

void AfterPass(void* context) {
  auto* clock = static_cast<PassClock*>(context);
  const Clock::time_point now = Clock::now();
  clock->seconds.push_back(std::chrono::duration<double>(now - clock->start).count());
  clock->start = now;
}

}  // namespace

void BindHostFunctions() {
  dh::g_binding.hostModule = dh::platform::FindLoadedModule("QELMAR");
  dh::BindAllHostFunctions();
}

std::vector<double> WalkExport(int16_t method) {
  dh::RunBlock block = {};
  dh::ExportRun run(block, dh::Lines::kDiscarded);
  run.Begin();
  PassClock clock;
  if (run.PrepareExport(method) == 0) {
    clock.start = Clock::now();
    run.ExportPasses(&AfterPass, &clock);
  }
  run.End();
  return clock.seconds;
}

}  // namespace bench
