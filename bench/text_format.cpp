// Throughput of the text services that run per line of a log, per run record and per expression
// value: Format, FormatDateTime and FormatFloat, against the C library doing the same work in the
// same run (snprintf, gmtime_r + strftime), each producing a std::string as ours does; wildcard
// matching and comment stripping on their own. Each compared case times 1000 calls of ours and
// 1000 of the peer per iteration and reports "ratio": our time over the peer's (1.0 = as fast).
// Three repetitions give min, median and max. FormatFloat's pictures have no peer in the C
// library (no thousands grouping in the "C" locale).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

#include "bench/Repetitions.h"
#include "foundation/startup/OlvPub.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBatch = 1000;

template <class Ours, class Peer>
void Compare(benchmark::State& state, Ours ours, Peer peer) {
  double oursTotal = 0, peerTotal = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    for (int i = 0; i < kBatch; ++i) benchmark::DoNotOptimize(ours(i));
    const double o = std::chrono::duration<double>(Clock::now() - t0).count();
    t0 = Clock::now();
    for (int i = 0; i < kBatch; ++i) benchmark::DoNotOptimize(peer(i));
    peerTotal += std::chrono::duration<double>(Clock::now() - t0).count();
    oursTotal += o;
    state.SetIterationTime(o);
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
  state.counters["ratio"] = oursTotal / peerTotal;
}

template <class... Args>
std::string Printf(const char* format, Args... args) {
  char buf[256];
  const int n = std::snprintf(buf, sizeof buf, format, args...);
  return std::string(buf, static_cast<std::size_t>(n));
}

void Batched(benchmark::internal::Benchmark* b) {
  b->UseManualTime()->Apply(bench::MinMedianMax);
}

void BM_FormatMixed(benchmark::State& state) {
  Compare(
      state, [](int i) { return olv::Format("%d %s %g %.2f %x %5s", {42 + i, "text", 2.5, 3.14159, 255, "ab"}); },
      [](int i) { return Printf("%d %s %.15g %.2f %X %5s", 42 + i, "text", 2.5, 3.14159, 255, "ab"); });
}
BENCHMARK(BM_FormatMixed)->Apply(Batched);

void BM_FormatInteger(benchmark::State& state) {
  Compare(
      state, [](int i) { return olv::Format("row %d of %d", {i * 7919, 1000000}); },
      [](int i) { return Printf("row %d of %d", i * 7919, 1000000); });
}
BENCHMARK(BM_FormatInteger)->Apply(Batched);

void BM_FormatGeneralFloat(benchmark::State& state) {
  Compare(
      state, [](int i) { return olv::Format("%g", {0.1 + i * 1.37}); },
      [](int i) { return Printf("%.15g", 0.1 + i * 1.37); });
}
BENCHMARK(BM_FormatGeneralFloat)->Apply(Batched);

void BM_FormatFixed(benchmark::State& state) {
  Compare(
      state, [](int i) { return olv::Format("%.2f", {i * 12.345}); },
      [](int i) { return Printf("%.2f", i * 12.345); });
}
BENCHMARK(BM_FormatFixed)->Apply(Batched);

void BM_FormatText(benchmark::State& state) {
  Compare(
      state, [](int) { return olv::Format("%-12s|%8s|%.3s", {"scheme", "exp", "abcdef"}); },
      [](int) { return Printf("%-12s|%8s|%.3s", "scheme", "exp", "abcdef"); });
}
BENCHMARK(BM_FormatText)->Apply(Batched);

// 2004-03-02 06:05:09 plus i seconds, as a day number and as a time_t.
const double kDay = olv::EncodeDate(2004, 3, 2) + olv::EncodeTime(6, 5, 9, 0);
double DayNumber(int i) { return kDay + i / 86400.0; }
std::string Strftime(const char* format, int i) {
  const std::time_t t = 1078207509 + i;
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[128];
  return std::string(buf, std::strftime(buf, sizeof buf, format, &tm));
}

void BM_FormatDateTime(benchmark::State& state) {
  Compare(
      state, [](int i) { return olv::FormatDateTime("yyyy.mm.dd hh:nn:ss", DayNumber(i)); },
      [](int i) { return Strftime("%Y.%m.%d %H:%M:%S", i); });
}
BENCHMARK(BM_FormatDateTime)->Apply(Batched);

void BM_FormatDateTimeNames(benchmark::State& state) {
  Compare(
      state, [](int i) { return olv::FormatDateTime("dddd, mmmm dd, yyyy", DayNumber(i * 3600)); },
      [](int i) { return Strftime("%A, %B %d, %Y", i * 3600); });
}
BENCHMARK(BM_FormatDateTimeNames)->Apply(Batched);

void BM_FormatFloatPicture(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(olv::FormatFloat("#,##0.00", 1234567.891));
}
BENCHMARK(BM_FormatFloatPicture);

void BM_MatchWildcardBacktracking(benchmark::State& state) {
  const std::string text(static_cast<std::size_t>(state.range(0)), 'a');
  for (auto _ : state) benchmark::DoNotOptimize(olv::MatchWildcard(text, "*a*a*a*b", true));
}
BENCHMARK(BM_MatchWildcardBacktracking)->Arg(64)->Arg(1024);

void BM_StripCommentsScript(benchmark::State& state) {
  std::string script;
  for (int i = 0; i < 1000; ++i) script += "select 'http://host' from dual; // note\r\n{ block } (* old *)\r\n";
  for (auto _ : state) {
    std::string t = script;
    benchmark::DoNotOptimize(olv::StripComments(t));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * script.size()));
}
BENCHMARK(BM_StripCommentsScript);

}  // namespace
