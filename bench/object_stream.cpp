// Object stream throughput: a container of 20 objects, each holding 500 children with 8 KB of text
// (about 80 MB), written, read and cloned. Reported as bytes of stream per second.
#include <benchmark/benchmark.h>

#include "foundation/objects/ObjLists.h"
#include "foundation/objects/ObjStream.h"
#include "foundation/objects/OlvStringList.h"

using namespace olv;

namespace {

class TBenchLeaf : public TBaseObject {
  OLV_CLASS(TBenchLeaf, TBaseObject)
 public:
  std::string text;
  double startTime = 0, endTime = 0;
  int32_t exitCode = 0;
  bool ok = false;
  void EnumProps(PropMode m, TPropEnumProc& p) override {
    TBaseObject::EnumProps(m, p);
    p.Report<pkString>("RunScripts", text, true);
    p.Report<pkDateTime>("StartTime", startTime, true);
    p.Report<pkDateTime>("EndTime", endTime, true);
    p.Report<pkBoolean>("IsSucceed", ok, true);
    p.Report<pkInteger>("ExitCode", exitCode, exitCode != 0);
  }
};

class TBenchGroup : public TBaseObject {
  OLV_CLASS(TBenchGroup, TBaseObject)
 public:
  std::string name;
  std::unique_ptr<TList> logs = std::make_unique<TList>();
  void EnumProps(PropMode m, TPropEnumProc& p) override {
    TBaseObject::EnumProps(m, p);
    p.Report<pkString>("SchName", name, !name.empty());
    p.ReportObjectList("LogList", logs, logs && logs->Count() > 0);
  }
};

class TBenchRoot : public TBaseObject {
  OLV_CLASS(TBenchRoot, TBaseObject)
 public:
  std::unique_ptr<OlvStringList> list = std::make_unique<OlvStringList>();
  void EnumProps(PropMode m, TPropEnumProc& p) override {
    TBaseObject::EnumProps(m, p);
    p.ReportObjectList("List", list, list && list->Count() > 0);
  }
};

std::unique_ptr<TBenchRoot> MakeRoot() {
  RegisterObjClasses({&TBenchLeaf::StaticClass(), &TBenchGroup::StaticClass(), &TBenchRoot::StaticClass()});
  auto root = std::make_unique<TBenchRoot>();
  std::string text;
  while (text.size() < 8192) text += "exp system/manager file=/backup/full_~date~.dmp log=/backup/full.log 备份 ";
  text.resize(8192 - 3);  // whole characters only: the tail is ASCII
  for (int g = 0; g < 20; ++g) {
    auto group = std::make_unique<TBenchGroup>();
    group->name = "scheme " + std::to_string(g);
    for (int i = 0; i < 500; ++i) {
      auto leaf = std::make_unique<TBenchLeaf>();
      leaf->text = text;
      leaf->startTime = 45000 + i;
      leaf->endTime = 45000.5 + i;
      leaf->ok = true;
      leaf->exitCode = i % 3;
      group->logs->Add(std::move(leaf));
    }
    const std::string name = group->name;
    root->list->AddObject(name, group.release());
  }
  return root;
}

const TBenchRoot& Root() {
  static const auto root = MakeRoot();
  return *root;
}

void BM_Write(benchmark::State& state) {
  const TBenchRoot& root = Root();
  int64_t bytes = 0;
  for (auto _ : state) {
    TMemoryStream s;
    s.Reserve(90 << 20);
    WriteObjectToStream(s, &root);
    bytes = s.Size();
    benchmark::DoNotOptimize(s.Memory());
  }
  state.SetBytesProcessed(bytes * state.iterations());
}

void BM_Read(benchmark::State& state) {
  TMemoryStream s;
  WriteObjectToStream(s, &Root());
  for (auto _ : state) {
    s.SetPosition(0);
    auto obj = ReadObjectFromStream(s);
    benchmark::DoNotOptimize(obj.get());
  }
  state.SetBytesProcessed(s.Size() * state.iterations());
}

void BM_Clone(benchmark::State& state) {
  const TBenchRoot& root = Root();
  const int64_t bytes = static_cast<int64_t>(ObjectToBytes(&root).size());
  for (auto _ : state) {
    auto copy = root.Clone();
    benchmark::DoNotOptimize(copy.get());
  }
  state.SetBytesProcessed(bytes * state.iterations());
}

// One list of n small records (run records without text): time per record must stay flat.
void BM_ReadLongList(benchmark::State& state) {
  Root();
  TBenchGroup group;
  for (int64_t i = 0; i < state.range(0); ++i) {
    auto leaf = std::make_unique<TBenchLeaf>();
    leaf->exitCode = 1;
    group.logs->Add(std::move(leaf));
  }
  TMemoryStream s;
  WriteObjectToStream(s, &group);
  for (auto _ : state) {
    s.SetPosition(0);
    auto obj = ReadObjectFromStream(s);
    benchmark::DoNotOptimize(obj.get());
  }
  state.SetComplexityN(state.range(0));
  state.SetItemsProcessed(state.range(0) * state.iterations());
}

BENCHMARK(BM_ReadLongList)->RangeMultiplier(10)->Range(1000, 1000000)->Complexity(benchmark::oN);
BENCHMARK(BM_Write)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Read)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Clone)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
