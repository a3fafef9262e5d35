// What idle timer threads cost: 200 workers that wake every 1000 ms, find nothing to do and sleep
// again, as the timers of 200 schemes with nothing due do. Goal: well under 1% of one core.
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/PausableWorker.h"

namespace {

using namespace std::chrono_literals;

double processCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return s(u.ru_utime) + s(u.ru_stime);
}

void BM_IdleWorkers(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  std::atomic<long> wakeups{0};
  std::vector<std::unique_ptr<plat::PausableWorker>> workers;
  for (int i = 0; i < count; ++i) {
    workers.push_back(std::make_unique<plat::PausableWorker>([&](plat::PausableWorker& self) {
      while (self.sleepFor(1000ms)) ++wakeups;  // nothing due: sleep again
    }));
  }
  for (auto& w : workers) w->resume();
  std::this_thread::sleep_for(200ms);  // let every thread reach its first sleep

  double cpu = 0, wall = 0;
  for (auto _ : state) {
    const double cpu0 = processCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(5s);
    wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    cpu = processCpuSeconds() - cpu0;
    state.SetIterationTime(wall);
  }
  state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / wall;
  state.counters["wakeups_per_s"] = static_cast<double>(wakeups.load()) / (wall + 0.2);
  for (auto& w : workers) w->quit();
  workers.clear();
}
BENCHMARK(BM_IdleWorkers)->Arg(200)->ArgName("workers")->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
