// Compression and expansion of a large dump-like file through CompressFile / DecompressFile,
// against gzip -6 and pigz -6 (compression) and gzip -d (expansion) on the same file, each
// measured in the same iteration as ours, and the peak memory of this process.
//
// The file is generated in /tmp (ORASCHEME_BENCH_DUMP_MIB sets its size, 1024 by default) and
// removed at exit. Our functions flush their output to disk before renaming it into place;
// the references are therefore timed both bare and followed by a sync of their output file.
// Counters: vs_<peer> and vs_<peer>_sync are the peer's time divided by ours (1.0 = equal, above
// 1 = faster); size_vs_gzip is our file's size over gzip's; cores is the number of cores our
// compression used (the row "one_core" runs on one core); max_rss_MiB is this process's peak
// resident memory so far. Three repetitions give min, median and max of each figure. Without
// pigz on PATH its counters are left out, with a message.
#include <benchmark/benchmark.h>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "bench/Repetitions.h"
#include "foundation/files/CompressedFile.h"
#include "foundation/files/ParallelDeflate.h"

namespace {

class BenchFiles {
 public:
  BenchFiles() {
    std::string pattern = "/tmp/orascheme-bench-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    const char* mib = std::getenv("ORASCHEME_BENCH_DUMP_MIB");
    size_ = std::uint64_t(mib ? std::atoll(mib) : 1024) << 20;
    Generate();
  }
  ~BenchFiles() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string path(const char* name) const { return (dir_ / name).string(); }
  std::uint64_t size() const { return size_; }

 private:
  // Records in the manner of an export dump: table markers, row headers with length bytes,
  // growing keys, names from a small vocabulary, dates, amounts and free text.
  void Generate() {
    static const char* const words[] = {"ACME", "Northwind", "Shanghai", "warehouse", "invoice", "PENDING",
                                        "SHIPPED", "return", "Beijing", "credit", "Berlin", "order",
                                        "customer", "discount", "express", "Hangzhou"};
    std::FILE* f = std::fopen(path("dump.dmp").c_str(), "wb");
    if (!f) throw std::runtime_error("cannot create the dump file");
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    auto next = [&state] {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      return state;
    };
    std::string chunk;
    chunk.reserve(1 << 20);
    std::uint64_t written = 0, row = 0;
    char line[256];
    while (written < size_) {
      chunk.clear();
      while (chunk.size() < (1 << 20) - 256) {
        if (row % 50000 == 0) {
          chunk += "TABLE \"ORDERS_" + std::to_string(row / 50000) + "\"\nCREATE TABLE \"ORDERS\" (\"ID\" NUMBER, ...)\n";
        }
        const std::uint64_t r = next();
        // Row header: a length word in binary, as column data in a dump carries.
        const int n = std::snprintf(line + 2, sizeof line - 2,
                                    "%08llu|%s %s|20%02u-%02u-%02u|%u.%02u|%s|%s|",
                                    static_cast<unsigned long long>(row), words[r >> 16 & 15], words[r >> 20 & 7],
                                    unsigned(r >> 24 & 3) + 21, unsigned(r >> 28 & 7) + 1, unsigned(r >> 32 & 15) + 10,
                                    unsigned(r >> 40 & 0x3FF), unsigned(r >> 8 & 3) * 25, words[r >> 36 & 3],
                                    (r >> 50 & 7) == 0 ? "remark: delivered late, customer notified by phone" : "");
        line[0] = char(n & 0xFF);
        line[1] = char(n >> 8);
        chunk.append(line, std::size_t(n) + 2);
        chunk += '\n';
        ++row;
      }
      const std::size_t take = std::size_t(std::min<std::uint64_t>(chunk.size(), size_ - written));
      if (std::fwrite(chunk.data(), 1, take, f) != take) throw std::runtime_error("cannot write the dump file");
      written += take;
    }
    if (std::fclose(f) != 0) throw std::runtime_error("cannot write the dump file");
  }

  std::filesystem::path dir_;
  std::uint64_t size_ = 0;
};

BenchFiles& Files() {
  static BenchFiles files;
  return files;
}

double MaxRssMiB(int who) {
  rusage usage{};
  ::getrusage(who, &usage);
  return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

double Seconds(const std::function<void()>& run) {
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

bool HavePigz() {
  static const bool have = std::system("command -v pigz >/dev/null 2>&1") == 0;
  return have;
}

// A peer's time to write `out`, bare and followed by a sync of its output.
struct PeerTime {
  double bare = 0, sync = 0;
};
PeerTime RunPeer(const std::string& command, const std::string& out) {
  PeerTime t;
  t.bare = Seconds([&] { Shell(command); });
  t.sync = t.bare + Seconds([&] { Shell("sync '" + out + "'"); });
  return t;
}

void Compare(benchmark::State& state, const char* peer, const PeerTime& t, double ours) {
  state.counters[std::string("vs_") + peer] = t.bare / ours;
  state.counters[std::string("vs_") + peer + "_sync"] = t.sync / ours;
}

// Runs `work` with this thread bound to one core when `oneCore`, as on a one-core machine.
void OnCores(bool oneCore, const std::function<void()>& work) {
  cpu_set_t saved;
  ::sched_getaffinity(0, sizeof saved, &saved);
  if (oneCore) {
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
      if (CPU_ISSET(cpu, &saved)) {
        CPU_SET(cpu, &one);
        break;
      }
    ::sched_setaffinity(0, sizeof one, &one);
  }
  work();
  ::sched_setaffinity(0, sizeof saved, &saved);
}

void BM_Compress(benchmark::State& state, bool oneCore) {
  const std::string in = Files().path("dump.dmp"), gz = Files().path("dump.gz"), pz = Files().path("dump.pigz"),
                    out = Files().path("dump.olvek");
  if (!oneCore && !HavePigz()) std::fprintf(stderr, "pigz is not installed: its comparison is skipped\n");
  unsigned cores = 0;
  for (auto _ : state) {
    const PeerTime gzip = RunPeer("gzip -6 -c '" + in + "' > '" + gz + "'", gz);
    PeerTime pigz;
    if (!oneCore && HavePigz()) pigz = RunPeer("pigz -6 -c '" + in + "' > '" + pz + "'", pz);
    double ours = 0;
    OnCores(oneCore, [&] {
      cores = olv::AvailableCores();
      ours = Seconds([&] { olv::CompressFile(in, out); });
    });
    state.SetIterationTime(ours);
    Compare(state, "gzip", gzip, ours);
    if (pigz.bare > 0) Compare(state, "pigz", pigz, ours);
  }
  state.SetBytesProcessed(std::int64_t(Files().size()) * state.iterations());
  state.counters["cores"] = cores;
  state.counters["size_vs_gzip"] = double(std::filesystem::file_size(out)) / double(std::filesystem::file_size(gz));
  state.counters["max_rss_MiB"] = MaxRssMiB(RUSAGE_SELF);
  std::filesystem::remove(pz);
}

void BM_Expand(benchmark::State& state) {
  const std::string gz = Files().path("dump.gz"), in = Files().path("dump.olvek"), out = Files().path("dump.expanded"),
                    gunzipped = Files().path("dump.gunzip");
  if (!std::filesystem::exists(in)) olv::CompressFile(Files().path("dump.dmp"), in);
  if (!std::filesystem::exists(gz)) Shell("gzip -6 -c '" + Files().path("dump.dmp") + "' > '" + gz + "'");
  for (auto _ : state) {
    const PeerTime gzip = RunPeer("gzip -d -c '" + gz + "' > '" + gunzipped + "'", gunzipped);
    const double ours = Seconds([&] {
      if (!olv::DecompressFile(in, out)) throw std::runtime_error("not compressed");
    });
    state.SetIterationTime(ours);
    Compare(state, "gzip", gzip, ours);
  }
  if (std::filesystem::file_size(out) != Files().size()) state.SkipWithError("expanded size differs");
  std::filesystem::remove(out);
  std::filesystem::remove(gunzipped);
  state.SetBytesProcessed(std::int64_t(Files().size()) * state.iterations());
  state.counters["max_rss_MiB"] = MaxRssMiB(RUSAGE_SELF);
}

void Statistics(benchmark::internal::Benchmark* b) {
  b->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Apply(bench::MinMedianMax);
}

BENCHMARK_CAPTURE(BM_Compress, every_core, false)->Apply(Statistics);
BENCHMARK_CAPTURE(BM_Compress, one_core, true)->Apply(Statistics);
BENCHMARK(BM_Expand)->Apply(Statistics);

}  // namespace
