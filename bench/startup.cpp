// Start-up: the time from launching orascheme to its main window's first painted frame, and its
// memory once idle, against a minimal Qt Widgets program (bench/peers/minimal_window.cpp) launched
// alternately in the same run. Every launch is a fresh process in a home of the run's own (so no
// settings or schemes of the person running it), reporting its first frame through the hook in
// app/gui/FirstShowReport.h; it is ended once idle. BM_StartUp/offscreen runs both with
// QT_QPA_PLATFORM=offscreen; BM_StartUp/xvfb on an X server of the run's own, when Xvfb is installed.
// Counters (medians over the launches): ours_ms and peer_ms from launch to first frame;
// vs_minimal = ours_ms / peer_ms (goal: at most 1.5); ours_cpu_ms and peer_cpu_ms, the processor
// time the start took (all threads; less swayed by the machine's load than the clock), and their
// cpu_ratio; ours_rss_mib and peer_rss_mib, VmRSS once idle, and rss_ratio = ours / peer.
// ORASCHEME_STARTUP_EXE, when set, names another build of the program to launch instead (an older
// one, for a before-and-after in the same conditions).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/gui/FirstShowReport.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kReportFd = 3;  // the descriptor the launched program writes its line to
constexpr int kShowTimeoutMs = 20000;

// A home of its own for the run, removed at its end.
struct ScratchHome {
  ScratchHome() {
    char pattern[] = "/tmp/orascheme-startup-XXXXXX";
    if (const char* made = ::mkdtemp(pattern)) dir = made;
    for (const char* sub : {"/config", "/data", "/cache", "/run"}) fs::create_directories(dir + sub);
    fs::permissions(dir + "/run", fs::perms::owner_all, fs::perm_options::replace);
  }
  ~ScratchHome() {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  std::string dir;
};

// The launched program's environment: the home above, the display given, the report hook.
std::vector<std::string> ChildEnvironment(const ScratchHome& home, const std::string& display) {
  std::vector<std::string> env = {
      "HOME=" + home.dir,
      "XDG_CONFIG_HOME=" + home.dir + "/config",
      "XDG_DATA_HOME=" + home.dir + "/data",
      "XDG_CACHE_HOME=" + home.dir + "/cache",
      "XDG_RUNTIME_DIR=" + home.dir + "/run",
      std::string(sch::FirstShowReport::kVariable) + "=" + std::to_string(kReportFd),
  };
  if (display.empty()) env.push_back("QT_QPA_PLATFORM=offscreen");
  else env.push_back("DISPLAY=" + display), env.push_back("QT_QPA_PLATFORM=xcb");
  for (const char* keep : {"PATH", "LANG", "LC_ALL"})
    if (const char* v = std::getenv(keep)) env.push_back(std::string(keep) + "=" + v);
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// Starts argv with env, its standard files on /dev/null and `reportWrite` as descriptor
// kReportFd; the child dies with this process.
pid_t Spawn(std::vector<std::string> argv, std::vector<std::string> env, int reportWrite) {
  std::vector<char*> args = Pointers(argv);
  std::vector<char*> envp = Pointers(env);
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  const int null = ::open("/dev/null", O_RDWR);
  ::dup2(null, 0), ::dup2(null, 1), ::dup2(null, 2);
  if (::dup2(reportWrite, kReportFd) < 0) ::_exit(127);
  ::execve(args[0], args.data(), envp.data());
  ::_exit(127);
}

double CpuTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(in, line);
  const auto close = line.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream rest(line.substr(close + 2));
  std::string field;
  double ticks = 0;
  // After the name: state is field 3; utime and stime are fields 14 and 15.
  for (int i = 3; i <= 15 && rest >> field; ++i)
    if (i >= 14) ticks += std::atof(field.c_str());
  return ticks;
}

// Processor time of all the process's threads so far (the scheduler's count, in nanoseconds).
double CpuMs(pid_t pid) {
  double ns = 0;
  std::error_code ec;
  for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
    std::ifstream in(task.path() / "schedstat");
    double run = 0;
    if (in >> run) ns += run;
  }
  return ns / 1e6;
}

double RssMiB(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  return 0;
}

// Waits (at most 3 s) until the process has used no processor time for 100 ms.
void WaitIdle(pid_t pid) {
  const auto until = Clock::now() + std::chrono::seconds(3);
  double last = CpuTicks(pid);
  int quiet = 0;
  while (quiet < 5 && Clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const double now = CpuTicks(pid);
    quiet = now == last ? quiet + 1 : 0;
    last = now;
  }
}

struct Launch {
  double ms = 0;
  double cpuMs = 0;
  double rssMiB = 0;
};

// One start of the program: launch to its "shown" line, then its memory once idle; ended then.
std::optional<Launch> StartOnce(const std::string& exe, const std::vector<std::string>& env, std::string& error) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return error = "pipe", std::nullopt;
  const auto start = Clock::now();
  const pid_t pid = Spawn({exe}, env, fds[1]);
  ::close(fds[1]);
  if (pid < 0) return ::close(fds[0]), error = "fork", std::nullopt;
  pollfd p{fds[0], POLLIN, 0};
  char line[16] = {};
  const bool shown = ::poll(&p, 1, kShowTimeoutMs) == 1 && ::read(fds[0], line, sizeof line - 1) > 0 &&
                     std::strncmp(line, "shown", 5) == 0;
  const auto end = Clock::now();
  ::close(fds[0]);
  Launch out;
  if (shown) {
    out.ms = std::chrono::duration<double, std::milli>(end - start).count();
    out.cpuMs = CpuMs(pid);
    WaitIdle(pid);
    out.rssMiB = RssMiB(pid);
  } else {
    error = exe + ": no first frame within " + std::to_string(kShowTimeoutMs) + " ms";
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  if (!shown) return std::nullopt;
  return out;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// An X server of the run's own on a free display; empty when Xvfb is not installed.
struct XServer {
  XServer() {
    const char* xvfb = "/usr/bin/Xvfb";
    if (::access(xvfb, X_OK) != 0) return;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    pid = Spawn({xvfb, "-displayfd", std::to_string(kReportFd), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
                {"PATH=/usr/bin:/bin"}, fds[1]);
    ::close(fds[1]);
    pollfd p{fds[0], POLLIN, 0};
    char number[16] = {};
    if (pid > 0 && ::poll(&p, 1, 10000) == 1 && ::read(fds[0], number, sizeof number - 1) > 0)
      display = ":" + std::to_string(std::atoi(number));
    ::close(fds[0]);
  }
  ~XServer() {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
  }
  pid_t pid = -1;
  std::string display;
};

void BM_StartUp(benchmark::State& state, bool onXvfb) {
  std::optional<XServer> x;
  if (onXvfb) {
    x.emplace();
    if (x->display.empty()) return state.SkipWithError("Xvfb is not installed or did not start");
  }
  const char* other = std::getenv("ORASCHEME_STARTUP_EXE");
  const std::string ourExe = other && *other ? other : ORASCHEME_EXE;
  ScratchHome home;
  const std::vector<std::string> env = ChildEnvironment(home, x ? x->display : "");
  std::vector<double> ours, peer, oursCpu, peerCpu, oursRss, peerRss;
  bool oursFirst = true;
  for (auto _ : state) {
    std::string error;
    std::optional<Launch> a, b;
    // Alternate which goes first, so neither always finds the caches the other warmed.
    if (oursFirst) a = StartOnce(ourExe, env, error), b = a ? StartOnce(PEER_EXE, env, error) : b;
    else b = StartOnce(PEER_EXE, env, error), a = b ? StartOnce(ourExe, env, error) : a;
    oursFirst = !oursFirst;
    if (!a || !b) return state.SkipWithError(error.c_str());
    state.SetIterationTime(a->ms / 1000.0);
    ours.push_back(a->ms), peer.push_back(b->ms);
    oursCpu.push_back(a->cpuMs), peerCpu.push_back(b->cpuMs);
    oursRss.push_back(a->rssMiB), peerRss.push_back(b->rssMiB);
  }
  state.counters["ours_ms"] = Median(ours);
  state.counters["peer_ms"] = Median(peer);
  state.counters["vs_minimal"] = Median(ours) / Median(peer);
  state.counters["ours_cpu_ms"] = Median(oursCpu);
  state.counters["peer_cpu_ms"] = Median(peerCpu);
  state.counters["cpu_ratio"] = Median(oursCpu) / Median(peerCpu);
  state.counters["ours_rss_mib"] = Median(oursRss);
  state.counters["peer_rss_mib"] = Median(peerRss);
  state.counters["rss_ratio"] = Median(oursRss) / Median(peerRss);
}

BENCHMARK_CAPTURE(BM_StartUp, offscreen, false)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);
BENCHMARK_CAPTURE(BM_StartUp, xvfb, true)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

}  // namespace
