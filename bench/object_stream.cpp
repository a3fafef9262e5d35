// Object stream throughput: a container of 20 objects, each holding 500 children with 8 KB of text
// (about 80 MB), written, read and cloned, each in a fresh process (bench/FreshProcess.h) with the
// destruction of what it made inside the time. Reported as bytes of stream per second, and as
// "vs_plain": the time of the same work on the same data held in plain standard containers
// (written with length prefixes into a std::string, read back, deep-copied), divided by ours
// (1.0 = as fast as the plain copy). Three repetitions give min, median and max.
// Both sides start from the same kind of memory: each side's data is built in its fresh process
// without freeing a tree of that size before the clock, so writing and cloning touch fresh pages
// on both sides (reading reuses, on both sides, what building the stream freed).
// The clone also reports the machine's ceiling for fresh memory: fresh_touch_ms, the time to
// first write as many freshly mapped bytes as the clone allocates (and unmap them), and
// vs_fresh_touch, that time divided by ours: how much of the clone is the page faults alone.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/mman.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <memory>
#include <string>
#include <vector>

#include "bench/FreshProcess.h"
#include "bench/Repetitions.h"

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

constexpr int kGroups = 20, kLeaves = 500;

std::string LeafText() {
  std::string text;
  while (text.size() < 8192) text += "exp system/manager file=/backup/full_~date~.dmp log=/backup/full.log 备份 ";
  text.resize(8192 - 3);  // whole characters only: the tail is ASCII
  return text;
}

std::unique_ptr<TBenchRoot> MakeRoot() {
  RegisterObjClasses({&TBenchLeaf::StaticClass(), &TBenchGroup::StaticClass(), &TBenchRoot::StaticClass()});
  auto root = std::make_unique<TBenchRoot>();
  const std::string text = LeafText();
  for (int g = 0; g < kGroups; ++g) {
    auto group = std::make_unique<TBenchGroup>();
    group->name = "scheme " + std::to_string(g);
    for (int i = 0; i < kLeaves; ++i) {
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

// The same tree in plain containers: the peer.
struct PlainLeaf {
  std::string text;
  double startTime, endTime;
  int32_t exitCode;
  bool ok;
};
struct PlainGroup {
  std::string name;
  std::vector<std::unique_ptr<PlainLeaf>> logs;
};
using PlainRoot = std::vector<std::unique_ptr<PlainGroup>>;

// The same values as MakeRoot, built straight into plain containers: building them from a tree
// and freeing the tree would hand the plain side 80 MB of touched memory before the clock.
PlainRoot MakePlain() {
  PlainRoot plain;
  const std::string text = LeafText();
  for (int g = 0; g < kGroups; ++g) {
    auto group = std::make_unique<PlainGroup>();
    group->name = "scheme " + std::to_string(g);
    for (int i = 0; i < kLeaves; ++i)
      group->logs.push_back(std::make_unique<PlainLeaf>(PlainLeaf{text, 45000.0 + i, 45000.5 + i, i % 3, true}));
    plain.push_back(std::move(group));
  }
  return plain;
}

template <class T>
void Put(std::string& out, const T& v) {
  out.append(reinterpret_cast<const char*>(&v), sizeof v);
}
void PutText(std::string& out, const std::string& text) {
  Put(out, static_cast<std::uint32_t>(text.size()));
  out += text;
}
std::string WritePlain(const PlainRoot& root) {
  std::string out;
  Put(out, static_cast<std::uint32_t>(root.size()));
  for (const auto& group : root) {
    PutText(out, group->name);
    Put(out, static_cast<std::uint32_t>(group->logs.size()));
    for (const auto& leaf : group->logs) {
      PutText(out, leaf->text);
      Put(out, leaf->startTime);
      Put(out, leaf->endTime);
      Put(out, leaf->exitCode);
      Put(out, leaf->ok);
    }
  }
  return out;
}

template <class T>
T Get(const char*& p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  p += sizeof v;
  return v;
}
std::string GetText(const char*& p) {
  const auto n = Get<std::uint32_t>(p);
  std::string text(p, n);
  p += n;
  return text;
}
PlainRoot ReadPlain(const std::string& bytes) {
  const char* p = bytes.data();
  PlainRoot root(Get<std::uint32_t>(p));
  for (auto& group : root) {
    group = std::make_unique<PlainGroup>();
    group->name = GetText(p);
    group->logs.resize(Get<std::uint32_t>(p));
    for (auto& leaf : group->logs) {
      leaf = std::make_unique<PlainLeaf>();
      leaf->text = GetText(p);
      leaf->startTime = Get<double>(p);
      leaf->endTime = Get<double>(p);
      leaf->exitCode = Get<int32_t>(p);
      leaf->ok = Get<bool>(p);
    }
  }
  return root;
}

PlainRoot ClonePlain(const PlainRoot& root) {
  PlainRoot copy;
  copy.reserve(root.size());
  for (const auto& group : root) {
    auto g = std::make_unique<PlainGroup>();
    g->name = group->name;
    g->logs.reserve(group->logs.size());
    for (const auto& leaf : group->logs) g->logs.push_back(std::make_unique<PlainLeaf>(*leaf));
    copy.push_back(std::move(g));
  }
  return copy;
}

using Clock = std::chrono::steady_clock;

// Seconds of `work` (what it makes freed inside the time) in a fresh process, after `prepare`.
template <class Prepare, class Work>
double Fresh(Prepare prepare, Work work) {
  return bench::InFreshProcess([&] {
    const auto prepared = prepare();
    const auto t0 = Clock::now();
    work(*prepared);
    return std::vector<double>{std::chrono::duration<double>(Clock::now() - t0).count()};
  })[0];
}

// The size of the stream, measured once in a child so that this process stays small.
std::int64_t StreamBytes() {
  static const std::int64_t bytes = static_cast<std::int64_t>(
      bench::InFreshProcess([] { return std::vector<double>{double(ObjectToBytes(MakeRoot().get()).size())}; })[0]);
  return bytes;
}

std::unique_ptr<PlainRoot> PreparePlain() { return std::make_unique<PlainRoot>(MakePlain()); }
std::unique_ptr<TMemoryStream> PrepareStream() {
  auto s = std::make_unique<TMemoryStream>();
  WriteObjectToStream(*s, MakeRoot().get());
  return s;
}
std::unique_ptr<std::string> PreparePlainBytes() { return std::make_unique<std::string>(WritePlain(*PreparePlain())); }

// The heap bytes a clone of the tree allocates, measured once in a child.
std::size_t CloneBytes() {
  static const std::size_t bytes = static_cast<std::size_t>(bench::InFreshProcess([] {
    const auto root = MakeRoot();
    const std::size_t before = mallinfo2().uordblks;
    auto copy = root->Clone();
    return std::vector<double>{double(mallinfo2().uordblks - before)};
  })[0]);
  return bytes;
}

// Seconds to first write `bytes` of freshly mapped memory and unmap it, in a fresh process.
double FreshTouch(std::size_t bytes) {
  return bench::InFreshProcess([bytes] {
    const auto t0 = Clock::now();
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::runtime_error("mmap failed");
    std::memset(p, 1, bytes);
    benchmark::DoNotOptimize(p);
    ::munmap(p, bytes);
    return std::vector<double>{std::chrono::duration<double>(Clock::now() - t0).count()};
  })[0];
}

void Report(benchmark::State& state, double ours, double plain) {
  state.SetIterationTime(ours);
  state.counters["vs_plain"] = plain / ours;
  state.counters["MB_per_s"] = double(StreamBytes()) / ours / 1e6;
}

void BM_Write(benchmark::State& state) {
  for (auto _ : state) {
    const double ours = Fresh(MakeRoot, [](const TBenchRoot& root) {
      TMemoryStream s;
      WriteObjectToStream(s, &root);
      benchmark::DoNotOptimize(s.Memory());
    });
    const double plain = Fresh(PreparePlain, [](const PlainRoot& root) {
      std::string bytes = WritePlain(root);
      benchmark::DoNotOptimize(bytes.data());
    });
    Report(state, ours, plain);
  }
  state.SetBytesProcessed(StreamBytes() * state.iterations());
}

void BM_Read(benchmark::State& state) {
  for (auto _ : state) {
    const double ours = Fresh(PrepareStream, [](TMemoryStream& s) {
      s.SetPosition(0);
      auto obj = ReadObjectFromStream(s);
      benchmark::DoNotOptimize(obj.get());
    });
    const double plain = Fresh(PreparePlainBytes, [](const std::string& bytes) {
      PlainRoot root = ReadPlain(bytes);
      benchmark::DoNotOptimize(root.data());
    });
    Report(state, ours, plain);
  }
  state.SetBytesProcessed(StreamBytes() * state.iterations());
}

void BM_Clone(benchmark::State& state) {
  for (auto _ : state) {
    const double ours = Fresh(MakeRoot, [](const TBenchRoot& root) {
      auto copy = root.Clone();
      benchmark::DoNotOptimize(copy.get());
    });
    const double plain = Fresh(PreparePlain, [](const PlainRoot& root) {
      PlainRoot copy = ClonePlain(root);
      benchmark::DoNotOptimize(copy.data());
    });
    const double touch = FreshTouch(CloneBytes());
    Report(state, ours, plain);
    state.counters["fresh_touch_ms"] = touch * 1e3;
    state.counters["vs_fresh_touch"] = touch / ours;
  }
  state.SetBytesProcessed(StreamBytes() * state.iterations());
}

// One list of n small records (run records without text): time per record must stay flat.
void BM_ReadLongList(benchmark::State& state) {
  RegisterObjClasses({&TBenchLeaf::StaticClass(), &TBenchGroup::StaticClass(), &TBenchRoot::StaticClass()});
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

// The fresh-process ones first, while this process holds nothing.
BENCHMARK(BM_Write)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Apply(bench::MinMedianMax);
BENCHMARK(BM_Read)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Apply(bench::MinMedianMax);
BENCHMARK(BM_Clone)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Apply(bench::MinMedianMax);
BENCHMARK(BM_ReadLongList)->RangeMultiplier(10)->Range(1000, 1000000)->Complexity(benchmark::oN);

}  // namespace
