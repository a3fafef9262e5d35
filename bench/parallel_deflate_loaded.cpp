// Compression of a dump on every core against pigz at the same level and thread count, both
// pinned to the same cores, once on quiet cores and once beside a CPU-bound neighbour that
// spins on those same cores (one busy process per core, normal priority, started before and
// killed after each pair of runs). Each side runs in its own child process, pigz first in one
// repetition and ours first in the next, so that both see the same machine.
//
// Ours is the compression stream over the input file writing a plain zlib stream to a file, as
// CompressFile does apart from its header and the final sync; pigz runs with -z (zlib format).
// The input is generated in /tmp (ORASCHEME_BENCH_DUMP_MIB sets its size, 256 by default);
// ORASCHEME_BENCH_CORES sets how many cores both are pinned to (4 by default, the first ones
// this process may use).
//
// Counters (ours over pigz unless named otherwise): wall_x_pigz (at most 1.1 is the goal),
// cpu_x_pigz, busy_cores and busy_cores_pigz (CPU time over wall time), peak_MiB and
// peak_MiB_pigz (each child's peak resident memory), size_x_pigz, and load1 (the machine's
// one-minute load average when the pair started: the machine is shared). Five repetitions give
// min, median and max of each. Without pigz the benchmark is skipped with a message.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/DumpLikeFile.h"
#include "bench/Repetitions.h"
#include "foundation/base/HeapPolicy.h"
#include "foundation/files/PosixFile.h"
#include "foundation/files/ZlibStream.h"

namespace {

constexpr const char* kPigz = "/usr/bin/pigz";

bench::DumpLikeFile& Files() {
  static bench::DumpLikeFile input(256);
  return input;
}

// The first `count` cores this process may use.
cpu_set_t Cores() {
  const char* env = std::getenv("ORASCHEME_BENCH_CORES");
  int count = env ? std::atoi(env) : 4;
  cpu_set_t all, chosen;
  CPU_ZERO(&chosen);
  ::sched_getaffinity(0, sizeof all, &all);
  for (int cpu = 0; cpu < CPU_SETSIZE && count > 0; ++cpu)
    if (CPU_ISSET(cpu, &all)) {
      CPU_SET(cpu, &chosen);
      --count;
    }
  return chosen;
}

struct Run {
  double wall = 0, cpu = 0, peakMiB = 0;
};

// Runs `child` in a child process pinned to `cores`: its wall time, CPU time and peak memory.
Run InChild(const cpu_set_t& cores, const std::function<void()>& child) {
  std::fflush(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::sched_setaffinity(0, sizeof cores, &cores);
    int status = 0;
    try {
      child();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "child failed: %s\n", e.what());
      status = 1;
    }
    std::fflush(nullptr);
    ::_exit(status);
  }
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid) throw std::runtime_error("wait4 failed");
  Run run;
  run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("a compression failed");
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  run.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  run.peakMiB = double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
  return run;
}

int CreateOutput(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("cannot create " + path);
  return fd;
}

Run Ours(const cpu_set_t& cores, const std::string& in, const std::string& out) {
  return InChild(cores, [&] {
    olv::KeepFreedMemory();  // as the program's start-up does
    olv::PosixFile source = olv::PosixFile::OpenRead(in);
    olv::PosixFile target = olv::PosixFile::Adopt(CreateOutput(out), out);
    olv::CompressionStream z(target, Z_DEFAULT_COMPRESSION, olv::kAllCores);  // one worker per core
    olv::CopyStream(source, z);
    z.finish();
    target.close();
  });
}

Run Pigz(const cpu_set_t& cores, const std::string& in, const std::string& out) {
  const std::string threads = std::to_string(CPU_COUNT(&cores));
  return InChild(cores, [&] {
    const int fd = CreateOutput(out);
    ::dup2(fd, STDOUT_FILENO);
    ::execl(kPigz, "pigz", "-z", "-6", "-p", threads.c_str(), "-c", in.c_str(), static_cast<char*>(nullptr));
    throw std::runtime_error("cannot run pigz");
  });
}

// One spinning process per core of `cores`, all allowed on every one of them; killed with it.
class Neighbour {
 public:
  explicit Neighbour(const cpu_set_t& cores) {
    for (int i = 0; i < CPU_COUNT(&cores); ++i) {
      const pid_t pid = ::fork();
      if (pid < 0) throw std::runtime_error("fork failed");
      if (pid == 0) {
        ::sched_setaffinity(0, sizeof cores, &cores);
        volatile std::uint64_t spin = 0;
        for (;;) spin = spin + 1;
      }
      pids_.push_back(pid);
    }
  }
  ~Neighbour() {
    for (pid_t pid : pids_) ::kill(pid, SIGKILL);
    for (pid_t pid : pids_) ::waitpid(pid, nullptr, 0);
  }
  Neighbour(const Neighbour&) = delete;
  Neighbour& operator=(const Neighbour&) = delete;

 private:
  std::vector<pid_t> pids_;
};

double LoadAverage() {
  double load = 0;
  std::ifstream("/proc/loadavg") >> load;
  return load;
}

// Streams `packed` through zlib's inflate and compares with the input: the stream's header,
// data and Adler-32 trailer must all be sound.
bool ExpandsToInput(const std::string& packed, const std::string& input) {
  std::ifstream z(packed, std::ios::binary), raw(input, std::ios::binary);
  z_stream s{};
  if (inflateInit(&s) != Z_OK) return false;
  std::vector<unsigned char> in(1 << 16), out(1 << 16), expected(1 << 16);
  int rc = Z_OK;
  bool same = true;
  while (rc != Z_STREAM_END && same) {
    if (s.avail_in == 0) {
      z.read(reinterpret_cast<char*>(in.data()), std::streamsize(in.size()));
      s.next_in = in.data();
      s.avail_in = uInt(z.gcount());
      if (s.avail_in == 0) break;
    }
    s.next_out = out.data();
    s.avail_out = uInt(out.size());
    rc = inflate(&s, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END) break;
    const std::size_t n = out.size() - s.avail_out;
    raw.read(reinterpret_cast<char*>(expected.data()), std::streamsize(n));
    same = std::size_t(raw.gcount()) == n && std::memcmp(out.data(), expected.data(), n) == 0;
  }
  inflateEnd(&s);
  return rc == Z_STREAM_END && same && raw.peek() == std::char_traits<char>::eof();
}

void BM_CompressAgainstPigz(benchmark::State& state, bool busyNeighbour) {
  if (::access(kPigz, X_OK) != 0) {
    state.SkipWithError("pigz is not installed");
    return;
  }
  static int pairs = 0;
  const std::string in = Files().path("dump.dmp"), ours = Files().path("ours.zz"), pigz = Files().path("pigz.zz");
  const cpu_set_t cores = Cores();
  Run o, p;
  double load = 0;
  for (auto _ : state) {
    load = LoadAverage();
    std::unique_ptr<Neighbour> neighbour;
    if (busyNeighbour) neighbour = std::make_unique<Neighbour>(cores);
    if (pairs++ % 2 == 0) {
      p = Pigz(cores, in, pigz);
      o = Ours(cores, in, ours);
    } else {
      o = Ours(cores, in, ours);
      p = Pigz(cores, in, pigz);
    }
    neighbour.reset();
    state.SetIterationTime(o.wall);
  }
  if (!ExpandsToInput(ours, in)) state.SkipWithError("our output does not expand to the input");
  state.SetBytesProcessed(std::int64_t(Files().size()) * state.iterations());
  state.counters["wall_x_pigz"] = o.wall / p.wall;
  state.counters["cpu_x_pigz"] = o.cpu / p.cpu;
  state.counters["busy_cores"] = o.cpu / o.wall;
  state.counters["busy_cores_pigz"] = p.cpu / p.wall;
  state.counters["peak_MiB"] = o.peakMiB;
  state.counters["peak_MiB_pigz"] = p.peakMiB;
  state.counters["size_x_pigz"] = double(std::filesystem::file_size(ours)) / double(std::filesystem::file_size(pigz));
  state.counters["cores"] = CPU_COUNT(&cores);
  state.counters["load1"] = load;
}

void Statistics(benchmark::internal::Benchmark* b) {
  // Five pairs rather than three: the machine is shared and single pairs swing widely.
  b->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Apply(bench::MinMedianMax)->Repetitions(5);
}

BENCHMARK_CAPTURE(BM_CompressAgainstPigz, quiet, false)->Apply(Statistics);
BENCHMARK_CAPTURE(BM_CompressAgainstPigz, busy_neighbour, true)->Apply(Statistics);

}  // namespace
