// The record store's value storage against plain std::string storage, in the same run:
// - strings of mixed sizes allocated and freed through the string heap, against std::string slots;
// - 100 MB appended to a blob in pieces and read back, against one std::string.
// Compare the *_Heap / *_String and *_Blob / *_String pairs; the ratio is their time quotient.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "dataaccess/Blob.h"
#include "dataaccess/StringHeap.h"

namespace {

constexpr int kSlots = 20000;
constexpr int kOps = 200000;

// Mostly short values, some up to the largest class, a few large chunks.
std::vector<int> MixedSizes() {
  std::mt19937 rng(42);
  std::vector<int> sizes(kOps);
  for (int& s : sizes) {
    int kind = static_cast<int>(rng() % 100);
    s = kind < 70 ? 1 + static_cast<int>(rng() % 40) : kind < 97 ? 41 + static_cast<int>(rng() % 1960) : 2001 + static_cast<int>(rng() % 6000);
  }
  return sizes;
}

std::vector<int> SlotOrder() {
  std::mt19937 rng(7);
  std::vector<int> slots(kOps);
  for (int& s : slots) s = static_cast<int>(rng() % kSlots);
  return slots;
}

const std::string& Payload() {
  static const std::string payload(8192, 'p');
  return payload;
}

void BM_MixedStrings_Heap(benchmark::State& state) {
  const auto sizes = MixedSizes();
  const auto order = SlotOrder();
  for (auto _ : state) {
    da::TStringHeap heap;
    std::vector<void*> slots(kSlots, nullptr);
    for (int i = 0; i < kOps; ++i) {
      void*& slot = slots[static_cast<std::size_t>(order[static_cast<std::size_t>(i)])];
      heap.DisposeBuf(slot);
      const int size = sizes[static_cast<std::size_t>(i)];
      slot = heap.NewBuf(size);
      std::memcpy(slot, Payload().data(), static_cast<std::size_t>(size));
    }
    for (void* p : slots) heap.DisposeBuf(p);
    benchmark::DoNotOptimize(slots.data());
  }
  state.SetItemsProcessed(state.iterations() * kOps);
}
BENCHMARK(BM_MixedStrings_Heap)->Unit(benchmark::kMillisecond);

void BM_MixedStrings_String(benchmark::State& state) {
  const auto sizes = MixedSizes();
  const auto order = SlotOrder();
  for (auto _ : state) {
    std::vector<std::string> slots(kSlots);
    for (int i = 0; i < kOps; ++i) {
      std::string& slot = slots[static_cast<std::size_t>(order[static_cast<std::size_t>(i)])];
      // A fresh string each time, as a record value is replaced, not grown in place.
      slot = std::string(Payload().data(), static_cast<std::size_t>(sizes[static_cast<std::size_t>(i)]));
    }
    benchmark::DoNotOptimize(slots.data());
  }
  state.SetItemsProcessed(state.iterations() * kOps);
}
BENCHMARK(BM_MixedStrings_String)->Unit(benchmark::kMillisecond);

constexpr std::size_t kBlobTotal = 100u << 20;

void BM_Blob100MB_Blob(benchmark::State& state) {
  const auto chunk = static_cast<std::uint32_t>(state.range(0));
  std::string in(chunk, 'b'), out(chunk, 0);
  for (auto _ : state) {
    auto* blob = new da::TBlob();
    for (std::uint32_t pos = 0; pos < kBlobTotal; pos += chunk) blob->Write(pos, chunk, in.data());
    std::uint64_t sum = 0;
    for (std::uint32_t pos = 0; pos < kBlobTotal; pos += chunk) sum += blob->Read(pos, chunk, out.data());
    benchmark::DoNotOptimize(sum);
    blob->Release();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBlobTotal * 2));
}
BENCHMARK(BM_Blob100MB_Blob)->Arg(65514)->Arg(16384)->Unit(benchmark::kMillisecond);

void BM_Blob100MB_String(benchmark::State& state) {
  const auto chunk = static_cast<std::size_t>(state.range(0));
  std::string in(chunk, 'b'), out(chunk, 0);
  for (auto _ : state) {
    std::string value;
    for (std::size_t pos = 0; pos < kBlobTotal; pos += chunk) value.append(in);
    std::uint64_t sum = 0;
    for (std::size_t pos = 0; pos < kBlobTotal; pos += chunk) {
      std::size_t n = std::min(chunk, value.size() - pos);
      std::memcpy(out.data(), value.data() + pos, n);
      sum += n;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBlobTotal * 2));
}
BENCHMARK(BM_Blob100MB_String)->Arg(65514)->Arg(16384)->Unit(benchmark::kMillisecond);

}  // namespace
