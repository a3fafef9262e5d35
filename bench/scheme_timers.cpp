// The schemes' timers. Idle: the CPU that 200 started timers with nothing due use (goal: under
// 0.1 % of one core), against 200 bare threads that wake every second, measured in the same run
// (what the timers cost when they checked every TimerInterval). Due: how soon a run starts once
// its moment comes, the clock running into it and the clock set to it (goal: within the timer's
// interval, as the per-interval check did).
//
// ORASCHEME_BENCH_IDLE_SECONDS sets how long the idle timers are watched (60 by default: every
// timer wakes about once in that time, so the figure includes its wakes).
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "app/core/SchCommon.h"
#include "bench/Repetitions.h"
#include "foundation/text/DateTime.h"
#include "platform/Clock.h"
#include "platform/PausableWorker.h"

namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

double ProcessCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return s(u.ru_utime) + s(u.ru_stime);
}

// Percent of one core used by the process while it waits for seconds; the second value is the
// wall time waited.
std::pair<double, double> CpuPercentWhileIdle(std::chrono::duration<double> seconds) {
  const double cpu0 = ProcessCpuSeconds();
  const auto t0 = Steady::now();
  std::this_thread::sleep_for(seconds);
  const double wall = std::chrono::duration<double>(Steady::now() - t0).count();
  return {100.0 * (ProcessCpuSeconds() - cpu0) / wall, wall};
}

std::chrono::duration<double> IdleSeconds() {
  const char* env = std::getenv("ORASCHEME_BENCH_IDLE_SECONDS");
  const double s = env ? std::atof(env) : 60.0;
  return std::chrono::duration<double>(s > 0 ? s : 60.0);
}

sch::TSchemeObject* AddCommandScheme(sch::TSchemeWrapper& w, int interval, int hour) {
  sch::TSchemeObject* s = w.AddScheme("s", sch::skDosCommand);
  s->FindParam("cmdfilename")->SetKeyValue("/bin/true");
  s->TimerInterval = interval;
  auto item = std::make_unique<sch::TSchemeTimeItem>();
  item->Hour = static_cast<uint16_t>(hour);
  item->Minute = 0;
  s->SchemeTime->FMode = sch::tmDay;
  s->SchemeTime->Add(std::move(item));
  s->UpdateState();
  return s;
}

// 200 timers on the wall clock, each due at a time twelve hours away (and run just now, so
// nothing is due before), then 200 bare workers that wake every second and go back to sleep.
void BM_IdleTimersAgainstBareThreads(benchmark::State& state) {
  sch::RegisterSchemeClasses();
  const int count = static_cast<int>(state.range(0));
  double timersPercent = 0, barePercent = 0, timerWakesPerSecond = 0, bareWakesPerSecond = 0;
  for (auto _ : state) {
    std::atomic<long> timerSleeps{0};
    auto context = std::make_shared<sch::RunContext>();
    context->timers.sleeps = [&](sch::TSchemeObject&, std::chrono::milliseconds) { ++timerSleeps; };
    {
      sch::TSchemeWrapper w;
      const int hour = (olv::DecodeDateTime(olv::Now()).hour + 12) % 24;
      for (int i = 0; i < count; ++i) {
        sch::TSchemeObject* s = AddCommandScheme(w, 1000, hour);
        s->LastRunTime = olv::Now();
        s->StartTimer(context);
      }
      std::this_thread::sleep_for(200ms);  // every timer has looked once and sleeps
      const long sleeps0 = timerSleeps.load();
      const auto [percent, wall] = CpuPercentWhileIdle(IdleSeconds());
      timersPercent = percent;
      timerWakesPerSecond = static_cast<double>(timerSleeps.load() - sleeps0) / wall;
      for (int i = 0; i < w.Count(); ++i) w.GetScheme(i)->StopThreads();
    }
    {
      std::atomic<long> wakes{0};
      std::vector<std::unique_ptr<plat::PausableWorker>> workers;
      for (int i = 0; i < count; ++i) {
        workers.push_back(std::make_unique<plat::PausableWorker>([&](plat::PausableWorker& self) {
          while (self.sleepFor(1000ms)) ++wakes;  // nothing due: sleep again
        }));
      }
      for (auto& w : workers) w->resume();
      std::this_thread::sleep_for(200ms);
      const long wakes0 = wakes.load();
      const auto [percent, wall] = CpuPercentWhileIdle(5s);
      barePercent = percent;
      bareWakesPerSecond = static_cast<double>(wakes.load() - wakes0) / wall;
    }
    state.SetIterationTime(1);
  }
  state.counters["timers_cpu_percent"] = timersPercent;
  state.counters["bare_cpu_percent"] = barePercent;
  state.counters["timers_over_bare"] = barePercent > 0 ? timersPercent / barePercent : 0;
  state.counters["timer_wakes_per_s"] = timerWakesPerSecond;
  state.counters["bare_wakes_per_s"] = bareWakesPerSecond;
  state.counters["goal_percent"] = 0.1;
}
BENCHMARK(BM_IdleTimersAgainstBareThreads)->Arg(200)->ArgName("timers")->UseManualTime()->Iterations(1)
    ->Apply(bench::MinMedianMax);

// A clock that runs with the wall clock from a moment of the benchmark's choosing.
class ShiftedClock : public plat::Clock {
 public:
  time_point Now() const override { return std::chrono::system_clock::now() + time_point::duration(shift_.load()); }
  // The clock shows `moment` at the wall clock's `when`.
  void Show(time_point moment, std::chrono::system_clock::time_point when) {
    shift_.store((moment - when).count());
    plat::NotifyClockSet();
  }

 private:
  std::atomic<time_point::rep> shift_{0};
};

// The delay from a run's due moment to its start notice. Running: the clock is set to show 08:00
// between 0.5 and 1.5 s from now and runs into it, as the wall clock does. Set: the clock stands
// still and is set to 08:00 at a moment unrelated to the timer's sleep, as when the wall clock is
// changed (the per-interval check needed up to an interval for either).
void DueRunStartDelay(benchmark::State& state, bool running) {
  sch::RegisterSchemeClasses();
  const int interval = static_cast<int>(state.range(0));
  const auto at = [](int day, int hour) { return olv::ToTimePoint(olv::EncodeDate(2024, 3, day) + olv::EncodeTime(hour, 0, 0, 0)); };
  ShiftedClock runningClock;
  plat::FakeClock setClock(at(6, 7));
  runningClock.Show(at(6, 7), std::chrono::system_clock::now());
  plat::SetCurrentClock(running ? static_cast<plat::Clock*>(&runningClock) : &setClock);
  sch::TSchemeWrapper w;
  std::atomic<Steady::rep> startedAt{0};
  auto context = std::make_shared<sch::RunContext>();
  context->notice = [&](sch::TSchemeObject&, int phase) {
    if (phase == sch::kSchemeRunStarted) startedAt = Steady::now().time_since_epoch().count();
  };
  sch::TSchemeObject* s = AddCommandScheme(w, interval, 8);
  s->StartTimer(context);
  double worst = 0, total = 0;
  int day = 6, n = 0;
  for (auto _ : state) {
    startedAt = 0;
    Steady::time_point due;
    if (running) {
      const auto lead = std::chrono::milliseconds(500 + 137 * n % 1000);
      const auto wallNow = std::chrono::system_clock::now();
      due = Steady::now() + lead;
      runningClock.Show(at(day, 8), wallNow + lead);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(interval / 3 + 37 * n % interval));
      due = Steady::now();
      setClock.Set(at(day, 8));
    }
    while (startedAt.load() == 0) std::this_thread::sleep_for(1ms);
    const double ms = std::chrono::duration<double, std::milli>(Steady::duration(startedAt.load()) - due.time_since_epoch()).count();
    state.SetIterationTime(ms / 1000);
    worst = std::max(worst, ms);
    total += ms;
    ++n;
    ++day;
    while (s->State.load() == sch::ssRunning) std::this_thread::sleep_for(1ms);
  }
  state.counters["worst_ms"] = worst;
  state.counters["mean_ms"] = total / n;
  state.counters["interval_ms"] = interval;
  s->StopThreads();
  plat::SetCurrentClock(nullptr);
}
void BM_DueRunStartDelayClockRunning(benchmark::State& state) { DueRunStartDelay(state, true); }
void BM_DueRunStartDelayClockSet(benchmark::State& state) { DueRunStartDelay(state, false); }
BENCHMARK(BM_DueRunStartDelayClockRunning)->Arg(1000)->Arg(200)->ArgName("interval_ms")->UseManualTime()
    ->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_DueRunStartDelayClockSet)->Arg(1000)->Arg(200)->ArgName("interval_ms")->UseManualTime()
    ->Unit(benchmark::kMillisecond)->Iterations(8);

}  // namespace
