// Compression and expansion of a large dump-like file through CompressFile / DecompressFile,
// against gzip -6 and pigz -6 (compression) and igzip -d and gzip -d (expansion, of the same
// deflate data as ours) on the same file, each measured in the same iteration as ours, and the
// peak memory of this process.
//
// The file is generated in /tmp (ORASCHEME_BENCH_DUMP_MIB sets its size, 1024 by default) and
// removed at exit. Our functions flush their output to disk before renaming it into place;
// the references are therefore timed both bare and followed by a sync of their output file.
// Compression's counters: vs_<peer> and vs_<peer>_sync are the peer's time divided by ours (1.0 = equal, above
// 1 = faster); size_vs_gzip is our file's size over gzip's; cores is the number of cores our
// compression used (the row "one_core" runs on one core); max_rss_MiB is this process's peak
// resident memory so far. Expansion's counters are described at BM_Expand. Three repetitions
// give min, median and max of each figure. Without pigz or igzip on PATH their counters are left
// out, with a message.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bench/DumpLikeFile.h"
#include "bench/Repetitions.h"
#include "foundation/files/CompressedFile.h"
#include "foundation/files/ParallelDeflate.h"

namespace {

bench::DumpLikeFile& Files() {
  static bench::DumpLikeFile files(1024);
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

// A peer run as a process, its standard output sent to a file: wall time, and CPU time (user and
// system) from wait4.
struct ProcessTime {
  double wall = 0, cpu = 0, user = 0, sync = 0;  // sync: the wall time of an fsync of its output after it
};
double UserSeconds(const rusage& usage) { return double(usage.ru_utime.tv_sec) + double(usage.ru_utime.tv_usec) / 1e6; }
double CpuSeconds(const rusage& usage) {
  return UserSeconds(usage) + double(usage.ru_stime.tv_sec) + double(usage.ru_stime.tv_usec) / 1e6;
}
ProcessTime RunProcess(const std::vector<std::string>& argv, const std::string& out) {
  std::filesystem::remove(out);  // dropping the previous output's pages is not the peer's work
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  ProcessTime t;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error(argv[0] + " failed");
  t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  t.cpu = CpuSeconds(usage);
  t.user = UserSeconds(usage);
  t.sync = Seconds([&] {
    const int fd = ::open(out.c_str(), O_RDONLY);
    if (fd < 0 || ::fsync(fd) != 0) throw std::runtime_error("cannot sync " + out);
    ::close(fd);
  });
  return t;
}

bool HaveIgzip() {
  static const bool have = std::system("command -v igzip >/dev/null 2>&1") == 0;
  return have;
}

// The gzip form of our compressed file: a gzip header, our file's deflate data as it is (past its
// 16-byte header and the 2-byte zlib header, short of the Adler-32), the payload's CRC-32 and
// size. The peers thus expand exactly the deflate blocks we expand.
void WriteGzipOfOurs(const std::string& ours, const std::string& payload, const std::string& gz) {
  std::FILE* in = std::fopen(ours.c_str(), "rb");
  std::FILE* out = std::fopen(gz.c_str(), "wb");
  if (!in || !out) throw std::runtime_error("cannot open the gzip form's files");
  static const unsigned char header[10] = {0x1f, 0x8b, 8, 0, 0, 0, 0, 0, 0, 3};
  std::fwrite(header, 1, sizeof header, out);
  const std::uint64_t deflateSize = std::filesystem::file_size(ours) - 16 - 2 - 4;
  std::fseek(in, 16 + 2, SEEK_SET);
  std::vector<char> buffer(1 << 20);
  for (std::uint64_t left = deflateSize; left > 0;) {
    const std::size_t n = std::fread(buffer.data(), 1, std::size_t(std::min<std::uint64_t>(left, buffer.size())), in);
    if (n == 0) throw std::runtime_error("cannot read " + ours);
    std::fwrite(buffer.data(), 1, n, out);
    left -= n;
  }
  std::fclose(in);
  std::FILE* p = std::fopen(payload.c_str(), "rb");
  if (!p) throw std::runtime_error("cannot open " + payload);
  uLong crc = crc32(0, nullptr, 0);
  std::uint64_t size = 0;
  for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), p)) > 0; size += n)
    crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), uInt(n));
  std::fclose(p);
  const unsigned char trailer[8] = {
      static_cast<unsigned char>(crc),        static_cast<unsigned char>(crc >> 8),
      static_cast<unsigned char>(crc >> 16),  static_cast<unsigned char>(crc >> 24),
      static_cast<unsigned char>(size),       static_cast<unsigned char>(size >> 8),
      static_cast<unsigned char>(size >> 16), static_cast<unsigned char>(size >> 24)};
  std::fwrite(trailer, 1, sizeof trailer, out);
  if (std::fclose(out) != 0) throw std::runtime_error("cannot write " + gz);
}

// Expansion of our file against igzip -d and gzip -d on the same deflate data, the three taking
// turns in a rotating order. Counters: cpu_vs_<peer> (user and system time), user_vs_<peer> (user
// time only: the expansion without the kernel's part in writing the file, which swings with the
// machine's other writers) and wall_vs_<peer> are the peer's time over ours (above 1 = we are
// faster); wall_vs_<peer>_sync adds an fsync of the peer's output, as our expansion syncs its file
// before renaming it into place. cpu_s is our CPU time.
void BM_Expand(benchmark::State& state) {
  const std::string dump = Files().path("dump.dmp"), in = Files().path("dump.olvek"), out = Files().path("dump.expanded"),
                    gz = Files().path("dump.olvek.gz"), peerOut = Files().path("dump.peer");
  if (!std::filesystem::exists(in)) olv::CompressFile(dump, in);
  WriteGzipOfOurs(in, dump, gz);
  if (!HaveIgzip()) std::fprintf(stderr, "igzip is not installed: its comparison is skipped\n");
  int turn = 0;
  for (auto _ : state) {
    ProcessTime igzip, gzip;
    double oursWall = 0, oursCpu = 0, oursUser = 0;
    for (int i = 0; i < 3; ++i) {
      switch ((turn + i) % 3) {
        case 0: {
          std::filesystem::remove(out);  // as for the peers
          rusage before{}, after{};
          ::getrusage(RUSAGE_SELF, &before);
          oursWall = Seconds([&] {
            if (!olv::DecompressFile(in, out)) throw std::runtime_error("not compressed");
          });
          ::getrusage(RUSAGE_SELF, &after);
          oursCpu = CpuSeconds(after) - CpuSeconds(before);
          oursUser = UserSeconds(after) - UserSeconds(before);
          break;
        }
        case 1:
          if (HaveIgzip()) igzip = RunProcess({"igzip", "-d", "-c", gz}, peerOut);
          break;
        case 2:
          gzip = RunProcess({"gzip", "-d", "-c", gz}, peerOut);
          break;
      }
    }
    ++turn;
    state.SetIterationTime(oursWall);
    for (const auto& [name, t] : {std::pair<const char*, ProcessTime>{"igzip", igzip}, {"gzip", gzip}}) {
      if (t.wall == 0) continue;
      state.counters[std::string("cpu_vs_") + name] = t.cpu / oursCpu;
      state.counters[std::string("user_vs_") + name] = t.user / oursUser;
      state.counters[std::string("wall_vs_") + name] = t.wall / oursWall;
      state.counters[std::string("wall_vs_") + name + "_sync"] = (t.wall + t.sync) / oursWall;
    }
    state.counters["cpu_s"] = oursCpu;
  }
  if (std::filesystem::file_size(out) != Files().size() || std::filesystem::file_size(peerOut) != Files().size())
    state.SkipWithError("expanded size differs");
  std::filesystem::remove(out);
  std::filesystem::remove(peerOut);
  std::filesystem::remove(gz);
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
