// Expands a 1 MB text holding about 11k macro references to 100 names through a run's list,
// against the same expansion done with a plain std::unordered_map from name to value (find the
// signs, look the name up, append the value) in the same run. Reports MB/s and "ratio": our time
// divided by the map's (1.0 = as fast). Three repetitions give min, median and max. The heap
// keeps freed memory as in the program (olv::KeepFreedMemory).
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <unordered_map>

#include "bench/Repetitions.h"
#include "foundation/base/HeapPolicy.h"
#include "foundation/expr/OlvMacro.h"

namespace {

using namespace olv;
using Clock = std::chrono::steady_clock;

std::string MakeText() {
  std::string text;
  const std::string filler(90, 'x');
  for (int i = 0; text.size() < (1u << 20); ++i) {
    text += filler;
    text += "~M" + std::to_string(i % 100) + "~";
  }
  return text;
}

std::string ExpandWithMap(const std::unordered_map<std::string, std::string>& values, const std::string& text) {
  std::string out;
  out.reserve(text.size());
  std::string name;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t start = text.find('~', pos);
    const std::size_t end = start == std::string::npos ? start : text.find('~', start + 1);
    if (end == std::string::npos) break;
    out.append(text, pos, start - pos);
    name.assign(text, start + 1, end - start - 1);
    const auto it = values.find(name);
    if (it != values.end()) out += it->second;
    pos = end + 1;
  }
  out.append(text, pos);
  return out;
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

void BM_ExpandMacros(benchmark::State& state) {
  KeepFreedMemory();  // as the program's start-up does
  auto run = NewRunMacros();
  std::unordered_map<std::string, std::string> map;
  for (int i = 0; i < 100; ++i) {
    run->SetMacro("M" + std::to_string(i), "value-" + std::to_string(i));
    map["M" + std::to_string(i)] = "value-" + std::to_string(i);
  }
  const std::string text = MakeText();
  std::size_t refs = 0;
  for (char c : text) refs += c == '~';
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    std::string t = text;  // expanded in place
    auto t0 = Clock::now();
    run->ExpandMacros(t);
    benchmark::DoNotOptimize(t.data());
    const double s = Seconds(t0);
    ours += s;
    t0 = Clock::now();
    std::string peer = ExpandWithMap(map, text);
    benchmark::DoNotOptimize(peer.data());
    theirs += Seconds(t0);
    if (peer != t) state.SkipWithError("the expansions differ");
    state.SetIterationTime(s);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["references"] = static_cast<double>(refs / 2);
  state.counters["ratio"] = ours / theirs;
}
BENCHMARK(BM_ExpandMacros)->UseManualTime()->Unit(benchmark::kMillisecond)->Apply(bench::MinMedianMax);

}  // namespace

BENCHMARK_MAIN();
