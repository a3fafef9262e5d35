// Throughput of the text services that run per line of a log, per run record and per expression
// value: Format, FormatDateTime, FormatFloat, wildcard matching and comment stripping.
#include <benchmark/benchmark.h>

#include <string>

#include "foundation/base/OlvPub.h"

namespace {

void BM_FormatMixed(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(olv::Format("%d %s %g %.2f %x %5s", {42, "text", 2.5, 3.14159, 255, "ab"}));
}
BENCHMARK(BM_FormatMixed);

void BM_FormatGeneralFloat(benchmark::State& state) {
  double v = 0.1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(olv::Format("%g", {v}));
    v += 1.37;
  }
}
BENCHMARK(BM_FormatGeneralFloat);

void BM_FormatDateTime(benchmark::State& state) {
  const double t = olv::EncodeDate(2004, 3, 2) + olv::EncodeTime(6, 5, 9, 7);
  for (auto _ : state) benchmark::DoNotOptimize(olv::FormatDateTime("yyyy.mm.dd hh:nn:ss.zzz", t));
}
BENCHMARK(BM_FormatDateTime);

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
