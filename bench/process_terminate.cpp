// How long terminate() takes to end a command file and the grandchild it started: from the call
// until the child is reaped and the grandchild is gone. Goal: well within 1 s, also for a family
// that ignores SIGTERM (then the default grace period decides).
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <benchmark/benchmark.h>

#include "platform/Process.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string fakeCmd() {
  if (const char* p = std::getenv("ORASCHEME_FAKE_CMD")) return p;
  return (fs::path(__FILE__).parent_path().parent_path() / "tools" / "fake_cmd.sh").string();
}

bool gone(pid_t pid) {
  if (::kill(pid, 0) == -1 && errno == ESRCH) return true;
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
}

void BM_TerminateFamily(benchmark::State& state) {
  const bool ignoreTerm = state.range(0) != 0;
  char tmpl[] = "/tmp/orascheme-bench-XXXXXX";
  if (!::mkdtemp(tmpl)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const fs::path pidFile = fs::path(tmpl) / "gc.pid";
  double worst = 0;
  for (auto _ : state) {
    fs::remove(pidFile);
    plat::SpawnOptions o;
    o.program = fakeCmd();
    o.args = {"--grandchild", pidFile.string(), "--sleep", "60"};
    if (ignoreTerm) o.args.push_back("--ignore-term");
    auto p = plat::Process::spawn(o, nullptr);
    if (!p->started()) {
      state.SkipWithError(p->startError().c_str());
      break;
    }
    while (!fs::exists(pidFile)) std::this_thread::sleep_for(2ms);
    pid_t grandchild = -1;
    std::ifstream(pidFile) >> grandchild;

    const auto start = Clock::now();
    p->terminate(plat::kExitTerminatedByUser);
    const int code = p->wait();
    while (!gone(grandchild)) std::this_thread::yield();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    worst = std::max(worst, seconds);
    if (code != plat::kExitTerminatedByUser) state.SkipWithError("wrong exit code");
  }
  state.counters["worst_ms"] = worst * 1000;
  fs::remove_all(tmpl);
}
BENCHMARK(BM_TerminateFamily)->Arg(0)->Arg(1)->ArgName("ignores_sigterm")->UseManualTime()
    ->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
