#include "platform/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/ProcessRegistry.h"

namespace plat {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kFakeCmd = ORASCHEME_SOURCE_DIR "/tools/fake_cmd.sh";

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The "key=value" report the stand-in writes.
std::map<std::string, std::string> readReport(const fs::path& p) {
  std::map<std::string, std::string> out;
  std::istringstream in(readFile(p));
  for (std::string line; std::getline(in, line);) {
    auto eq = line.find('=');
    if (eq != std::string::npos) out[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return out;
}

// A process that has died but waits for a parent that does not reap it (an orphan under a
// container's init) is a zombie: it runs nothing and holds nothing but its number.
bool zombie(pid_t pid) {
  std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
  auto close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
}

bool gone(pid_t pid) { return (::kill(pid, 0) == -1 && errno == ESRCH) || zombie(pid); }

// A killed process takes a moment to be torn down after the signal; allow it generously.
bool goneSoon(pid_t pid) {
  for (int i = 0; i < 500; ++i) {
    if (gone(pid)) return true;
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

pid_t waitForPidFile(const fs::path& p) {
  for (int i = 0; i < 1000; ++i) {
    if (fs::exists(p)) return static_cast<pid_t>(std::stol(readFile(p)));
    std::this_thread::sleep_for(10ms);
  }
  return -1;
}

double threadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orascheme-process-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    registry_.shutdown(100ms);  // nothing a failed test started stays behind
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  SpawnOptions fake(std::vector<std::string> args) const {
    SpawnOptions o;
    o.program = kFakeCmd;
    o.args = std::move(args);
    return o;
  }
  std::shared_ptr<Process> spawn(const SpawnOptions& o) { return Process::spawn(o, &registry_); }
  // A stand-in that starts a sleeping grandchild and sleeps itself; returns once both exist.
  std::shared_ptr<Process> spawnFamily(bool ignoreTerm, pid_t* grandchild, bool stubbornGrandchild = false) {
    std::vector<std::string> args{"--grandchild", (dir_ / "gc.pid").string(), "--sleep", "60"};
    if (ignoreTerm) args.push_back("--ignore-term");
    if (stubbornGrandchild) args.push_back("--stubborn-grandchild");
    auto p = spawn(fake(args));
    *grandchild = waitForPidFile(dir_ / "gc.pid");
    return p;
  }

  fs::path dir_;
  ProcessRegistry registry_;
};

TEST_F(ProcessTest, ArgumentsReachTheChildAsGivenWithoutAShell) {
  const std::vector<std::string> args{"a b",     "it's",  "say \"hi\"", "",          "$HOME",  "*",
                                      "x\\y z",  "a;b|c", "two\nlines", "'quoted'", "`id`", "  "};
  SpawnOptions o = fake(args);
  o.extraEnv = {"FAKE_CMD_ARGS_FILE=" + (dir_ / "args").string()};
  auto p = spawn(o);
  ASSERT_TRUE(p->started()) << p->startError();
  EXPECT_EQ(p->wait(), 0);

  std::string raw = readFile(dir_ / "args");
  std::vector<std::string> got;
  for (std::size_t start = 0, nul; (nul = raw.find('\0', start)) != std::string::npos; start = nul + 1)
    got.push_back(raw.substr(start, nul - start));
  EXPECT_EQ(got, args);
}

TEST_F(ProcessTest, ExtraEnvironmentReachesTheChildOnly) {
  ASSERT_EQ(::setenv("FAKE_CMD_PROBE", "parent", 1), 0);
  const char* nlsBefore = std::getenv("NLS_LANG");
  const std::string nlsParent = nlsBefore ? nlsBefore : "<unset>";

  SpawnOptions o = fake({"--out", (dir_ / "with").string()});
  o.extraEnv = {"NLS_LANG=AMERICAN_AMERICA.ZHS16GBK", "FAKE_CMD_PROBE=child"};
  EXPECT_EQ(spawn(o)->wait(), 0);
  auto with = readReport(dir_ / "with");
  EXPECT_EQ(with["NLS_LANG"], "AMERICAN_AMERICA.ZHS16GBK");
  EXPECT_EQ(with["FAKE_CMD_PROBE"], "child");  // replaces the parent's entry

  const char* nlsAfter = std::getenv("NLS_LANG");
  EXPECT_EQ(nlsAfter ? nlsAfter : "<unset>", nlsParent);
  EXPECT_STREQ(std::getenv("FAKE_CMD_PROBE"), "parent");

  EXPECT_EQ(spawn(fake({"--out", (dir_ / "without").string()}))->wait(), 0);
  auto without = readReport(dir_ / "without");
  EXPECT_EQ(without["NLS_LANG"], nlsParent);
  EXPECT_EQ(without["FAKE_CMD_PROBE"], "parent");
  ::unsetenv("FAKE_CMD_PROBE");
}

TEST_F(ProcessTest, WaitReturnsTheProgramsExitCode) {
  for (int code : {0, 1, 3, 42, 99, 255}) {
    auto p = spawn(fake({"--exit", std::to_string(code)}));
    ASSERT_TRUE(p->started()) << p->startError();
    EXPECT_TRUE(p->startError().empty());
    EXPECT_GT(p->pid(), 0);
    EXPECT_EQ(p->wait(), code);
    EXPECT_EQ(p->exitCode(), code);
    EXPECT_FALSE(p->running());
    EXPECT_EQ(p->wait(), code) << "a second wait gives the same code";
  }
  EXPECT_TRUE(registry_.running().empty());
}

TEST_F(ProcessTest, ProgramOnPathIsFoundAndASignalDeathIsNotSuccess) {
  SpawnOptions o;
  o.program = "sh";  // a bare name: looked up on PATH
  o.args = {"-c", "exit 7"};
  EXPECT_EQ(spawn(o)->wait(), 7);

  o.args = {"-c", "kill -KILL $$"};
  EXPECT_EQ(spawn(o)->wait(), 128 + SIGKILL);
}

TEST_F(ProcessTest, StartFailureIsReportedAndNeverSuccess) {
  const fs::path notExecutable = dir_ / "plain.sh";
  std::ofstream(notExecutable) << "#!/bin/sh\nexit 0\n";
  ::chmod(notExecutable.c_str(), 0644);

  struct Case {
    const char* what;
    std::string program;
    std::string workingDir;
  };
  const Case cases[] = {
      {"missing file", (dir_ / "no-such-program").string(), ""},
      {"not executable", notExecutable.string(), ""},
      {"a folder", dir_.string(), ""},
      {"unknown name on PATH", "orascheme-no-such-program-anywhere", ""},
      {"missing working folder", kFakeCmd, (dir_ / "no-such-folder").string()},
      {"no program", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SpawnOptions o;
    o.program = c.program;
    o.workingDir = c.workingDir;
    auto p = spawn(o);
    EXPECT_FALSE(p->started());
    EXPECT_FALSE(p->startError().empty());
    EXPECT_EQ(p->exitCode(), kExitStartFailed);
    EXPECT_EQ(p->wait(), kExitStartFailed);
    EXPECT_FALSE(p->terminate(kExitTerminatedByUser));
    EXPECT_EQ(p->wait(), kExitStartFailed);
  }
  EXPECT_TRUE(registry_.running().empty());
}

TEST_F(ProcessTest, WorkingFolderGroupAndWhereOutputGoes) {
  const fs::path work = dir_ / "work";
  fs::create_directory(work);
  SpawnOptions o = fake({"--out", (dir_ / "hidden").string(), "--print", "noise"});
  o.workingDir = work.string();
  auto p = spawn(o);
  ASSERT_EQ(p->wait(), 0);
  auto hidden = readReport(dir_ / "hidden");
  EXPECT_EQ(hidden["cwd"], fs::canonical(work).string());
  EXPECT_EQ(hidden["pgid"], std::to_string(p->pid())) << "the child leads a group of its own";
  EXPECT_EQ(hidden["pid"], std::to_string(p->programPid()));
  EXPECT_EQ(hidden["stdout"], "/dev/null");
  EXPECT_EQ(hidden["stdin"], "/dev/null");

  // A file the program holds open without close-on-exec (as another thread may, at any moment)
  // is not passed on.
  const int leaky = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(leaky, 0);
  ASSERT_EQ(::dup2(leaky, 77), 77);
  ::close(leaky);
  ASSERT_EQ(spawn(fake({"--out", (dir_ / "fds").string()}))->wait(), 0);
  ::close(77);
  std::istringstream fds(readReport(dir_ / "fds")["fds"]);
  std::vector<std::string> open;
  for (std::string fd; fds >> fd;) open.push_back(fd);
  EXPECT_FALSE(open.empty());
  EXPECT_EQ(std::count(open.begin(), open.end(), "77"), 0);

  // Shown: the child writes where the program writes (the program's output and errors go to a
  // file here, so that the test's own output stays clean and the target is known).
  const fs::path log = dir_ / "shown.log";
  std::fflush(stdout);
  std::fflush(stderr);
  const int savedOut = ::dup(STDOUT_FILENO);
  const int savedErr = ::dup(STDERR_FILENO);
  ASSERT_GE(savedOut, 0);
  ASSERT_GE(savedErr, 0);
  {
    std::FILE* f = std::fopen(log.c_str(), "w");
    ASSERT_NE(f, nullptr);
    ::dup2(::fileno(f), STDOUT_FILENO);
    ::dup2(::fileno(f), STDERR_FILENO);
    std::fclose(f);
  }
  o = fake({"--out", (dir_ / "shown").string(), "--print", "visible"});
  o.showOutput = true;
  int code = spawn(o)->wait();
  ::dup2(savedOut, STDOUT_FILENO);
  ::dup2(savedErr, STDERR_FILENO);
  ::close(savedOut);
  ::close(savedErr);
  EXPECT_EQ(code, 0);
  auto shown = readReport(dir_ / "shown");
  EXPECT_EQ(shown["stdout"], log.string());
  EXPECT_EQ(shown["stdin"], "/dev/null");
  EXPECT_EQ(readFile(log), "visible\nvisible\n");
}

// Terminating with each code: a family that obeys SIGTERM; one that ignores it (the grace period
// runs out and SIGKILL ends the group); one whose grandchild alone ignores it (it must not
// outlive the child).
TEST_F(ProcessTest, TerminateEndsTheWholeGroupAndRecordsTheChosenCode) {
  struct Case {
    int code;
    bool ignoreTerm;
    bool stubbornGrandchild;
  };
  for (const Case c : {Case{kExitTerminatedByUser, false, false}, Case{kExitTerminatedOnClose, false, false},
                       Case{kExitTerminatedByUser, true, false}, Case{kExitTerminatedOnClose, true, false},
                       Case{kExitTerminatedByUser, false, true}}) {
    SCOPED_TRACE(std::to_string(c.code) + (c.ignoreTerm ? " ignoring SIGTERM" : "") +
                 (c.stubbornGrandchild ? " grandchild ignoring SIGTERM" : ""));
    fs::remove(dir_ / "gc.pid");
    pid_t grandchild = -1;
    auto p = spawnFamily(c.ignoreTerm, &grandchild, c.stubbornGrandchild);
    ASSERT_GT(grandchild, 0);
    ASSERT_FALSE(gone(grandchild));
    const pid_t child = p->pid();

    int waited = -2;
    std::thread waiter([&] { waited = p->wait(); });  // blocked until terminate() ends the child
    EXPECT_TRUE(p->running());
    // A long grace: only a child that ignores SIGTERM should make the group wait for it.
    EXPECT_TRUE(p->terminate(c.code, c.ignoreTerm ? 200ms : 60s));
    EXPECT_FALSE(p->terminate(kExitTerminatedByUser + 50)) << "the first terminator's code stands";
    waiter.join();
    EXPECT_EQ(waited, c.code);
    EXPECT_EQ(p->exitCode(), c.code);
    EXPECT_TRUE(goneSoon(child));
    EXPECT_TRUE(goneSoon(grandchild));
    EXPECT_TRUE(registry_.running().empty());
  }
}

// A grandchild that left the child's group and session (setsid) and lost its own parent on the
// way: the group signal misses it, yet it belongs to the run and goes with it, whether it obeys
// SIGTERM or ignores it.
TEST_F(ProcessTest, TerminateEndsDescendantsThatLeftTheGroup) {
  for (const bool stubborn : {false, true}) {
    SCOPED_TRACE(stubborn ? "grandchild ignoring SIGTERM" : "grandchild obeying SIGTERM");
    fs::remove(dir_ / "gc.pid");
    std::vector<std::string> args{"--setsid-grandchild", (dir_ / "gc.pid").string(), "--sleep", "60"};
    if (stubborn) args.push_back("--stubborn-grandchild");
    auto p = spawn(fake(args));
    const pid_t grandchild = waitForPidFile(dir_ / "gc.pid");
    ASSERT_GT(grandchild, 0);
    ASSERT_FALSE(gone(grandchild));
    EXPECT_EQ(::getsid(grandchild), grandchild) << "the grandchild leads a session of its own";
    EXPECT_NE(::getpgid(grandchild), p->pid());

    EXPECT_TRUE(p->terminate(kExitTerminatedByUser, 200ms));
    EXPECT_EQ(p->wait(), kExitTerminatedByUser);
    const bool ended = goneSoon(grandchild);
    EXPECT_TRUE(ended);
    if (!ended) ::kill(grandchild, SIGKILL);
  }
}

// The program killed outright (nothing of it runs to end its children): neither the child it
// started nor what the child started (a background sleeper, one in a session of its own) runs on
// unwatched. The program here is a forked copy of the test, killed with SIGKILL.
TEST_F(ProcessTest, NoneOfTheFamilyOutlivesTheProgramThatStartedIt) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t program = ::fork();
  ASSERT_GE(program, 0);
  if (program == 0) {
    ::close(ready[0]);
    auto p = Process::spawn(fake({"--grandchild", (dir_ / "gc.pid").string(), "--setsid-grandchild",
                                  (dir_ / "setsid.pid").string(), "--sleep", "60"}),
                            nullptr);
    const pid_t child = p->pid();
    [[maybe_unused]] auto n = ::write(ready[1], &child, sizeof child);
    ::pause();
    ::_exit(0);
  }
  ::close(ready[1]);
  pid_t child = -1;
  ASSERT_EQ(::read(ready[0], &child, sizeof child), static_cast<ssize_t>(sizeof child));
  ::close(ready[0]);
  ASSERT_GT(child, 0);
  const pid_t grandchild = waitForPidFile(dir_ / "gc.pid");
  const pid_t loner = waitForPidFile(dir_ / "setsid.pid");
  ASSERT_GT(grandchild, 0) << "the background sleeper did not start within 10 s";
  ASSERT_GT(loner, 0) << "the sleeper in its own session did not start within 10 s";
  ASSERT_FALSE(gone(child));
  ::kill(program, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(program, &status, 0), program);
  for (const pid_t member : {child, grandchild, loner}) {
    const bool ended = goneSoon(member);
    EXPECT_TRUE(ended) << "process " << member << " still alive 5 s after the program was killed";
    if (!ended) ::kill(member, SIGKILL);
  }
}

TEST_F(ProcessTest, TerminateBeforeAnyoneWaitsStillEscalates) {
  pid_t grandchild = -1;
  auto p = spawnFamily(/*ignoreTerm=*/true, &grandchild);
  ASSERT_GT(grandchild, 0);
  EXPECT_TRUE(p->terminate(kExitTerminatedByUser, 100ms));
  std::this_thread::sleep_for(300ms);  // the grace period passes with nobody waiting
  EXPECT_EQ(p->wait(), kExitTerminatedByUser);
  EXPECT_TRUE(goneSoon(grandchild));
}

TEST_F(ProcessTest, TerminateAfterTheChildEndedKeepsItsOwnCode) {
  auto p = spawn(fake({"--exit", "5"}));
  ASSERT_TRUE(p->started());
  // Block until the child has ended without reaping it: terminate() now meets a finished child.
  siginfo_t info{};
  ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(p->pid()), &info, WEXITED | WNOWAIT), 0);
  EXPECT_FALSE(p->terminate(kExitTerminatedByUser));
  EXPECT_EQ(p->wait(), 5);
  EXPECT_FALSE(p->terminate(kExitTerminatedByUser));
  EXPECT_EQ(p->exitCode(), 5);
}

TEST_F(ProcessTest, RunAndWaitHandsOverTheRunningChild) {
  std::string error;
  std::shared_ptr<Process> handle;
  int code = Process::runAndWait(fake({"--sleep", "60"}), [&](const std::shared_ptr<Process>& p) {
    EXPECT_TRUE(p->running());
    handle = p;
    EXPECT_TRUE(p->terminate(kExitTerminatedByUser));  // as a terminate command would, meanwhile
  }, &error);
  EXPECT_EQ(code, kExitTerminatedByUser);
  EXPECT_TRUE(error.empty());
  ASSERT_TRUE(handle);
  EXPECT_FALSE(handle->running());

  bool called = false;
  SpawnOptions missing;
  missing.program = (dir_ / "missing").string();
  EXPECT_EQ(Process::runAndWait(missing, [&](const std::shared_ptr<Process>&) { called = true; }, &error),
            kExitStartFailed);
  EXPECT_FALSE(called);
  EXPECT_NE(error.find("missing"), std::string::npos);
}

TEST_F(ProcessTest, SeveralThreadsMayWaitAtOnce) {
  auto p = spawn(fake({"--sleep", "0.3", "--exit", "9"}));
  std::vector<int> codes(4, -2);
  std::vector<std::thread> waiters;
  for (auto& c : codes) waiters.emplace_back([&p, &c] { c = p->wait(); });
  for (auto& t : waiters) t.join();
  EXPECT_EQ(codes, std::vector<int>(4, 9));
}

TEST_F(ProcessTest, WaitingUsesNoCpu) {
  auto p = spawn(fake({"--sleep", "1"}));
  ASSERT_TRUE(p->started());
  const double before = threadCpuSeconds();
  EXPECT_EQ(p->wait(), 0);
  const double used = threadCpuSeconds() - before;
  EXPECT_LT(used, 0.05) << "the waiting thread spun for " << used << " s of CPU";
}

TEST_F(ProcessTest, ARunningProcessDroppedByItsOwnerIsEnded) {
  pid_t grandchild = -1;
  pid_t child = -1;
  {
    SpawnOptions o = fake({"--grandchild", (dir_ / "gc.pid").string(), "--sleep", "60"});
    auto p = Process::spawn(o, nullptr);
    child = p->pid();
    grandchild = waitForPidFile(dir_ / "gc.pid");
    ASSERT_GT(grandchild, 0);
  }
  EXPECT_TRUE(goneSoon(child));
  EXPECT_TRUE(goneSoon(grandchild));
}

TEST_F(ProcessTest, RegistryListsRunningChildrenAndTerminatesThemAll) {
  auto a = spawn(fake({"--sleep", "60"}));
  auto b = spawn(fake({"--sleep", "60"}));
  auto quick = spawn(fake({}));
  EXPECT_EQ(quick->wait(), 0);
  auto listed = registry_.running();
  EXPECT_EQ(listed.size(), 2u);
  EXPECT_EQ(registry_.terminateAll(kExitTerminatedByUser), 2);
  EXPECT_EQ(a->wait(), kExitTerminatedByUser);
  EXPECT_EQ(b->wait(), kExitTerminatedByUser);
  EXPECT_TRUE(registry_.running().empty());
  EXPECT_FALSE(registry_.closing());
}

TEST_F(ProcessTest, ShutdownEndsEveryChildWith101AndWaitsForThem) {
  pid_t grandchild = -1;
  auto stubborn = spawnFamily(/*ignoreTerm=*/true, &grandchild);
  ASSERT_GT(grandchild, 0);
  auto plain = spawn(fake({"--sleep", "60"}));
  // The owner of one child waits for it as a run would; the other has nobody waiting.
  int ownerSaw = -2;
  std::thread owner([&] { ownerSaw = plain->wait(); });

  registry_.shutdown(200ms);
  EXPECT_TRUE(registry_.closing());
  EXPECT_TRUE(registry_.running().empty());
  EXPECT_EQ(stubborn->exitCode(), kExitTerminatedOnClose);
  EXPECT_EQ(plain->exitCode(), kExitTerminatedOnClose);
  owner.join();
  EXPECT_EQ(ownerSaw, kExitTerminatedOnClose);
  EXPECT_TRUE(goneSoon(stubborn->pid()));
  EXPECT_TRUE(goneSoon(grandchild));

  // A child started while closing is ended at once.
  auto late = spawn(fake({"--sleep", "60"}));
  ASSERT_TRUE(late->started());
  EXPECT_EQ(late->wait(), kExitTerminatedOnClose);
}

}  // namespace
}  // namespace plat
