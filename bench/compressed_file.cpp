// Compression and expansion of a large dump-like file through CompressFile / DecompressFile,
// against gzip -6 on the same file in the same run, and the peak memory of this process.
//
// The file is generated in /tmp (ORASCHEME_BENCH_DUMP_MIB sets its size, 1024 by default) and
// removed at exit. Our functions flush their output to disk before renaming it into place;
// the reference is therefore timed both bare and followed by a sync of its output file.
// Counters: vs_gzip and vs_gzip_sync are our throughput divided by the reference's (1.0 =
// equal, above 1 = faster); max_rss_MiB is this process's peak resident memory so far.
#include <benchmark/benchmark.h>

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

#include "foundation/files/CompressedFile.h"

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

// Seconds of the reference runs, filled by the gzip benchmarks that run first.
double gzipCompress = 0, gzipCompressSync = 0, gzipExpand = 0, gzipExpandSync = 0;

double Seconds(const std::function<void()>& run) {
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

void Report(benchmark::State& state, double seconds, double reference, double referenceSync) {
  state.SetIterationTime(seconds);
  state.SetBytesProcessed(std::int64_t(Files().size()));
  if (reference > 0) state.counters["vs_gzip"] = reference / seconds;
  if (referenceSync > 0) state.counters["vs_gzip_sync"] = referenceSync / seconds;
}

void BM_Gzip6Compress(benchmark::State& state) {
  const std::string in = Files().path("dump.dmp"), out = Files().path("dump.gz");
  for (auto _ : state) {
    const double bare = Seconds([&] { Shell("gzip -6 -c '" + in + "' > '" + out + "'"); });
    const double sync = Seconds([&] { Shell("sync '" + out + "'"); });
    gzipCompress = bare;
    gzipCompressSync = bare + sync;
    state.SetIterationTime(bare);
    state.counters["with_sync_s"] = bare + sync;
  }
  state.SetBytesProcessed(std::int64_t(Files().size()));
}

void BM_Gzip6Expand(benchmark::State& state) {
  const std::string in = Files().path("dump.gz"), out = Files().path("dump.gunzip");
  for (auto _ : state) {
    const double bare = Seconds([&] { Shell("gzip -d -c '" + in + "' > '" + out + "'"); });
    const double sync = Seconds([&] { Shell("sync '" + out + "'"); });
    gzipExpand = bare;
    gzipExpandSync = bare + sync;
    state.SetIterationTime(bare);
    state.counters["with_sync_s"] = bare + sync;
  }
  std::filesystem::remove(out);
  std::filesystem::remove(in);
  state.SetBytesProcessed(std::int64_t(Files().size()));
}

void BM_CompressFile(benchmark::State& state) {
  const std::string in = Files().path("dump.dmp"), out = Files().path("dump.olvek");
  for (auto _ : state) {
    const double s = Seconds([&] { sch::CompressFile(in, out); });
    Report(state, s, gzipCompress, gzipCompressSync);
  }
  state.counters["ratio"] = double(std::filesystem::file_size(out)) / double(Files().size());
  state.counters["max_rss_MiB"] = MaxRssMiB(RUSAGE_SELF);
}

void BM_DecompressFile(benchmark::State& state) {
  const std::string in = Files().path("dump.olvek"), out = Files().path("dump.expanded");
  for (auto _ : state) {
    const double s = Seconds([&] {
      if (!sch::DecompressFile(in, out)) throw std::runtime_error("not compressed");
    });
    Report(state, s, gzipExpand, gzipExpandSync);
  }
  if (std::filesystem::file_size(out) != Files().size()) state.SkipWithError("expanded size differs");
  std::filesystem::remove(out);
  state.counters["max_rss_MiB"] = MaxRssMiB(RUSAGE_SELF);
}

// The reference runs first so that our benchmarks can report against it.
BENCHMARK(BM_Gzip6Compress)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressFile)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Gzip6Expand)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecompressFile)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
