// Skin packages: decoding the program's own package and a 4 MB text, and loading the skin up to a
// ready model. The peer, measured in the same run on the same bytes, is zlib's inflate of the same
// data deflated at level 6.
// Counters: out_MBps is our decoder's output rate (goal: at least 30); vs_zlib our rate divided
// by inflate's (above 1 = faster); load_ms the time to a ready model (goal: under 50);
// load_vs_decode how much building the model adds to unpacking the package.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "resources/EmbeddedSkin.h"
#include "skin/Lzh.h"
#include "skin/SkinData.h"
#include "tools/skinkit/LzhEncoder.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

Bytes Deflate(const Bytes& data) {
  uLongf size = compressBound(data.size());
  Bytes out(size);
  if (compress2(out.data(), &size, data.data(), data.size(), 6) != Z_OK) throw std::runtime_error("deflate");
  out.resize(size);
  return out;
}

Bytes Inflate(const Bytes& packed, std::size_t size) {
  Bytes out(size);
  uLongf n = size;
  if (uncompress(out.data(), &n, packed.data(), packed.size()) != Z_OK || n != size)
    throw std::runtime_error("inflate");
  return out;
}

// A log-like text: words, numbers and line ends, as the program's own texts are.
Bytes Text(std::size_t size) {
  const char* words[] = {"scheme ", "export ", "import ", "dump ", "ORACLE ", "run ", "record ", "\r\n",
                         "= ", "skin ", "frame ", "caption "};
  std::mt19937 gen(11);
  std::string s;
  while (s.size() < size) {
    s += words[gen() % 12];
    if (gen() % 5 == 0) s += std::to_string(gen() % 100000) + " ";
  }
  s.resize(size);
  return Bytes(s.begin(), s.end());
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Decodes `package` (ours) and `deflated` (the peer) alternately; both yield `size` bytes.
void DecodeAgainstZlib(benchmark::State& state, const Bytes& package, const Bytes& deflated, std::size_t size) {
  double ours = 0, peer = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    Bytes a = skin::TLZH::Decode(package);
    auto t1 = Clock::now();
    Bytes b = Inflate(deflated, size);
    auto t2 = Clock::now();
    benchmark::DoNotOptimize(a.data());
    benchmark::DoNotOptimize(b.data());
    ours += Seconds(t1 - t0);
    peer += Seconds(t2 - t1);
  }
  const double bytes = static_cast<double>(size) * static_cast<double>(state.iterations());
  state.counters["out_MBps"] = bytes / ours / 1e6;
  state.counters["zlib_MBps"] = bytes / peer / 1e6;
  state.counters["vs_zlib"] = peer / ours;
  state.counters["ratio_packed"] = static_cast<double>(package.size()) / static_cast<double>(size);
  state.counters["ratio_zlib"] = static_cast<double>(deflated.size()) / static_cast<double>(size);
}

void BM_DecodeOurPackage(benchmark::State& state) {
  const auto embedded = resources::EmbeddedSkinPackage();
  const Bytes package(embedded.begin(), embedded.end());
  const Bytes container = skin::TLZH::Decode(package);
  DecodeAgainstZlib(state, package, Deflate(container), container.size());
}
BENCHMARK(BM_DecodeOurPackage)->Unit(benchmark::kMillisecond);

void BM_DecodeText4MB(benchmark::State& state) {
  const Bytes text = Text(4u << 20);
  DecodeAgainstZlib(state, skinkit::LzhEncode(text), Deflate(text), text.size());
}
BENCHMARK(BM_DecodeText4MB)->Unit(benchmark::kMillisecond);

void BM_LoadOurSkin(benchmark::State& state) {
  const auto embedded = resources::EmbeddedSkinPackage();
  const Bytes package(embedded.begin(), embedded.end());
  double load = 0, decode = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    skin::TSkinData data;
    if (!data.SetPackage(package)) throw std::runtime_error("our skin did not load");
    auto t1 = Clock::now();
    Bytes container = skin::TLZH::Decode(package);
    auto t2 = Clock::now();
    benchmark::DoNotOptimize(container.data());
    load += Seconds(t1 - t0);
    decode += Seconds(t2 - t1);
  }
  state.counters["load_ms"] = load * 1e3 / static_cast<double>(state.iterations());
  state.counters["load_vs_decode"] = load / decode;
}
BENCHMARK(BM_LoadOurSkin)->Unit(benchmark::kMillisecond);

}  // namespace
