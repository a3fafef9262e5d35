// Compiles and evaluates 100k small expressions (arithmetic, comparisons, a function call and a
// variable). Reports compiles/s and evaluations/s; "allocs_per_eval" counts heap allocations per
// evaluated tree and must stay 0 for trees of numbers.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "bench/AllocationCounter.h"
#include "foundation/expr/OlvExp.h"

namespace {

using namespace olv;

// Abs(A): the absolute value, of A's type.
class TBenchAbs : public TFunction {
  OLV_CLASS(TBenchAbs, TFunction)
 public:
  void DoCalculate() override {
    const TExpression* a = GetParam(0);
    if (DataType == TExpDataType::Integer) {
      const std::int32_t v = a->AsInteger();
      Value.Int = v < 0 ? WrapNeg(v) : v;
    } else {
      const long double v = a->AsReal();
      Value.Float = v < 0 ? -v : v;
    }
  }
};

constexpr int kCount = 100000;

struct Fixture {
  Fixture() : vars(&GlobalVarList(), true), translator(&vars) {
    RegisterLanguageFunctions(translator.FunctionList());
    translator.FunctionList().RegisterFunction("Abs", TBenchAbs::StaticClass());
    vars.SetVar("x", MakeIntConstant(17));
    texts.reserve(kCount);
    for (int i = 0; i < kCount; ++i) {
      const std::string a = std::to_string(i % 97 + 1), b = std::to_string(i % 13 + 2),
                        c = std::to_string(i % 7 + 1);
      switch (i % 4) {
        case 0: texts.push_back("x * " + a + " + " + b + " - (x / " + c + ")"); break;
        case 1: texts.push_back("Abs(x - " + a + ") > " + b); break;
        case 2: texts.push_back("(x + " + a + ") * " + b + " >= " + c + " & x <> " + a); break;
        default: texts.push_back(a + ".5 * x + Abs(" + b + " - x) / 2"); break;
      }
    }
  }
  TVarList vars;
  TExpTranslator translator;
  std::vector<std::string> texts;
};

Fixture& Shared() {
  static Fixture f;
  return f;
}

void BM_Compile100k(benchmark::State& state) {
  Fixture& f = Shared();
  for (auto _ : state) {
    for (const auto& t : f.texts) {
      auto r = f.translator.Translate(t);
      if (!r.Node) state.SkipWithError(("no compile: " + r.GetErrorInfo()).c_str());
      benchmark::DoNotOptimize(r.Node);
    }
  }
  state.SetItemsProcessed(state.iterations() * kCount);
  state.counters["compiles/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kCount, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Compile100k)->Unit(benchmark::kMillisecond);

void BM_Evaluate100k(benchmark::State& state) {
  Fixture& f = Shared();
  std::vector<std::unique_ptr<TExpression>> trees;
  trees.reserve(kCount);
  for (const auto& t : f.texts) trees.push_back(std::move(f.translator.Translate(t).Node));
  std::uint32_t stamp = 1;
  long long allocs = 0, evals = 0;
  for (auto _ : state) {
    ++stamp;
    const long long before = gAllocations.load(std::memory_order_relaxed);
    for (auto& tree : trees) {
      tree->Calculate(stamp);
      benchmark::DoNotOptimize(tree->Value.Int);
    }
    allocs += gAllocations.load(std::memory_order_relaxed) - before;
    evals += kCount;
  }
  state.SetItemsProcessed(state.iterations() * kCount);
  state.counters["evaluations/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kCount, benchmark::Counter::kIsRate);
  state.counters["allocs_per_eval"] = evals ? static_cast<double>(allocs) / evals : 0;
}
BENCHMARK(BM_Evaluate100k)->Unit(benchmark::kMillisecond);

}  // namespace
