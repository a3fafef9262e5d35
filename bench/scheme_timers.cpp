// The schemes' timers: what 200 started timers with nothing due cost (goal: well under 1% of
// one core), and how soon a run starts once its moment has come (goal: within the timer's
// interval plus 50 ms).
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include <benchmark/benchmark.h>

#include "app/core/SchCommon.h"
#include "foundation/text/DateTime.h"
#include "platform/Clock.h"

namespace {

using namespace std::chrono_literals;

double ProcessCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return s(u.ru_utime) + s(u.ru_stime);
}

sch::TSchemeObject* AddCommandScheme(sch::TSchemeWrapper& w, int interval, int hour) {
  sch::TSchemeObject* s = w.AddScheme("s", sch::skDosCommand);
  s->FindParam("cmdfilename")->SetKeyValue("/bin/true");
  s->TimerInterval = interval;
  auto item = std::make_unique<sch::TSchemeTimeItem>();
  item->Hour = hour;
  item->Minute = 0;
  s->SchemeTime->FMode = sch::tmDay;
  s->SchemeTime->Add(std::move(item));
  return s;
}

void BM_IdleSchemeTimers(benchmark::State& state) {
  sch::RegisterSchemeClasses();
  plat::FakeClock clock(olv::ToTimePoint(olv::EncodeDate(2024, 3, 6) + olv::EncodeTime(1, 0, 0, 0)));
  plat::SetCurrentClock(&clock);
  sch::TSchemeWrapper w;
  const int count = static_cast<int>(state.range(0));
  for (int i = 0; i < count; ++i) AddCommandScheme(w, 1000, 23)->StartTimer();  // due at 23:00 only
  std::this_thread::sleep_for(200ms);
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    const double cpu0 = ProcessCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(5s);
    wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    cpu = ProcessCpuSeconds() - cpu0;
    state.SetIterationTime(wall);
  }
  state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / wall;
  for (int i = 0; i < w.Count(); ++i) w.GetScheme(i)->StopThreads();
  plat::SetCurrentClock(nullptr);
}
BENCHMARK(BM_IdleSchemeTimers)->Arg(200)->ArgName("schemes")->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

// The clock jumps to the run time at a moment unrelated to the timer's sleep; the time until the
// run's start notice is measured. Worst case is one whole interval.
void BM_DueRunStartLatency(benchmark::State& state) {
  sch::RegisterSchemeClasses();
  const int interval = static_cast<int>(state.range(0));
  plat::FakeClock clock(olv::ToTimePoint(olv::EncodeDate(2024, 3, 6) + olv::EncodeTime(7, 0, 0, 0)));
  plat::SetCurrentClock(&clock);
  sch::TSchemeWrapper w;
  std::atomic<std::chrono::steady_clock::rep> startedAt{0};
  auto context = std::make_shared<sch::RunContext>();
  context->notice = [&](sch::TSchemeObject&, int param) {
    if (param == 0) startedAt = std::chrono::steady_clock::now().time_since_epoch().count();
  };
  sch::TSchemeObject* s = AddCommandScheme(w, interval, 8);
  s->StartTimer(context);
  double worst = 0, total = 0;
  int day = 6, n = 0;
  for (auto _ : state) {
    std::this_thread::sleep_for(std::chrono::milliseconds(interval / 3 + 37 * n % interval));
    startedAt = 0;
    const auto t0 = std::chrono::steady_clock::now();
    clock.Set(olv::ToTimePoint(olv::EncodeDate(2024, 3, day) + olv::EncodeTime(8, 0, 0, 0)));
    while (startedAt.load() == 0) std::this_thread::sleep_for(1ms);
    const double ms = std::chrono::duration<double, std::milli>(
                          std::chrono::steady_clock::duration(startedAt.load()) - t0.time_since_epoch())
                          .count();
    state.SetIterationTime(ms / 1000);
    worst = std::max(worst, ms);
    total += ms;
    ++n;
    ++day;
    while (s->State.load() == sch::ssRunning) std::this_thread::sleep_for(1ms);
  }
  state.counters["worst_ms"] = worst;
  state.counters["mean_ms"] = total / n;
  state.counters["goal_ms"] = interval + 50;
  s->StopThreads();
  plat::SetCurrentClock(nullptr);
}
BENCHMARK(BM_DueRunStartLatency)->Arg(1000)->Arg(200)->ArgName("interval_ms")->UseManualTime()
    ->Unit(benchmark::kMillisecond)->Iterations(8);

}  // namespace
