// Lexing long runs of symbol characters ("((((...", as a filter of deeply nested parentheses
// gives) must cost time in proportion to the run: the benchmark reports the time of 64,000
// symbols over the time of 16,000 (near 4 when linear), and, as the peer measured in the same
// run, the time per lexeme of as many identifiers separated by blanks.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "dataaccess/VtParser.h"

namespace {

double SecondsToLex(const std::string& text) {
  const auto start = std::chrono::steady_clock::now();
  da::TParser parser(text.c_str());
  std::string lexem;
  std::size_t count = 0;
  while (parser.GetNext(lexem) != da::lcEnd) ++count;
  benchmark::DoNotOptimize(count);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string Identifiers(std::size_t n) {
  std::string text;
  for (std::size_t i = 0; i < n; ++i) text += "a ";
  return text;
}

void BM_SymbolRun(benchmark::State& state) {
  const std::string short16k(16000, '('), long64k(64000, '(');
  const std::string idents64k = Identifiers(64000);
  double s16 = 0, s64 = 0, ident = 0;
  for (auto _ : state) {
    s16 += SecondsToLex(short16k);
    s64 += SecondsToLex(long64k);
    ident += SecondsToLex(idents64k);
  }
  state.counters["ratio_64k_to_16k"] = s64 / s16;
  state.counters["ns_per_symbol_64k"] = 1e9 * s64 / (64000.0 * static_cast<double>(state.iterations()));
  state.counters["symbol_vs_identifier"] = s64 / ident;
}
BENCHMARK(BM_SymbolRun)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
