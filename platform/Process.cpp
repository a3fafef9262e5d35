#include "platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/ProcessFamily.h"
#include "platform/ProcessRegistry.h"

extern char** environ;

namespace plat {
namespace {

std::string errorText(int err) { return std::error_code(err, std::generic_category()).message(); }

// The parent's environment with the extra entries put in; an entry replaces one of the same name.
std::vector<std::string> childEnvironment(const std::vector<std::string>& extra) {
  auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    std::string entry(*e);
    bool replaced = false;
    for (const auto& x : extra) {
      if (nameOf(x) == nameOf(entry)) {
        replaced = true;
        break;
      }
    }
    if (!replaced) env.push_back(std::move(entry));
  }
  for (const auto& x : extra) {
    // The last of several entries of one name wins, as it would with setenv.
    std::erase_if(env, [&](const std::string& e) { return nameOf(e) == nameOf(x); });
    env.push_back(x);
  }
  return env;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
  std::vector<char*> out;
  out.reserve(texts.size() + 1);
  for (auto& t : texts) out.push_back(t.data());
  out.push_back(nullptr);
  return out;
}

int exitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 128;
}

int waitpidRetrying(pid_t pid, int* status) {
  int r;
  do {
    r = ::waitpid(pid, status, 0);
  } while (r < 0 && errno == EINTR);
  return r;
}

// Where a bare program name may be found: each folder of the program's PATH (the default search
// path when unset), in order. Worked out before the fork, so the child only calls execve.
std::vector<std::string> candidatesFor(const std::string& program) {
  if (program.find('/') != std::string::npos) return {program};
  const char* path = std::getenv("PATH");
  std::string_view rest = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::vector<std::string> out;
  for (;;) {
    const size_t colon = rest.find(':');
    const std::string_view dir = rest.substr(0, colon);
    out.push_back((dir.empty() ? std::string(".") : std::string(dir)) + "/" + program);
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return out;
}

// A descriptor number above the standard three, so that setting those up cannot close it.
int aboveStandard(int fd) {
  if (fd > STDERR_FILENO) return fd;
  const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  ::close(fd);
  return moved;
}

// Sent by the kernel to a child's supervisor when the program that started it is gone.
constexpr int kProgramGone = SIGUSR2;

// The supervisor ends as the child ended: with its exit code, or by the same signal (no core
// file), so that the program reads the child's own status.
[[noreturn]] void endAs(int status) {
  if (WIFSIGNALED(status)) {
    const int sig = WTERMSIG(status);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    ::sigaction(sig, &dfl, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, sig);
    ::kill(::getpid(), sig);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    ::_exit(128 + sig);
  }
  ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128);
}

// Between fork and exec: only calls that are safe in the child of a threaded program.
//
// The forked process is the supervisor: it leads the child's group, is the subreaper of its
// family and starts the program as its own child. When that child ends, the supervisor ends with
// its status (members the child left running go on, as they would without it). When the program
// that started it dies, however it dies (the kernel's parent-death signal), the supervisor ends
// the whole family, members that left the group or session included, before it goes itself; a
// child's own parent-death signal alone would leave its descendants running unwatched. Signals
// meant for the group (terminate's SIGTERM) stay blocked in the supervisor: the child decides.
[[noreturn]] void becomeChild(pid_t parent, int errorFd, const std::vector<char*>& candidates, char* const* argv,
                              char* const* envp, const char* workingDir, bool showOutput) {
  auto fail = [errorFd](int err) {
    [[maybe_unused]] auto ignored = ::write(errorFd, &err, sizeof err);
    ::_exit(127);
  };
  // Default dispositions (the program's own handlers, its ignored SIGXFSZ, are not the child's);
  // every signal is still blocked from before the fork.
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  for (int sig = 1; sig < NSIG; ++sig) ::sigaction(sig, &dfl, nullptr);
  ::setpgid(0, 0);
  // A program that died before this line is no longer our parent: nothing was started yet.
  ::prctl(PR_SET_PDEATHSIG, kProgramGone);
  if (::getppid() != parent) ::_exit(127);
  // Members of the family whose parent ends stay under the supervisor, where both terminate and
  // the supervisor's last act find them.
  ::prctl(PR_SET_CHILD_SUBREAPER, 1);
  const int in = ::open("/dev/null", O_RDONLY);
  if (in < 0 || ::dup2(in, STDIN_FILENO) < 0) fail(errno);
  if (!showOutput) {
    const int out = ::open("/dev/null", O_WRONLY);
    if (out < 0 || ::dup2(out, STDOUT_FILENO) < 0 || ::dup2(out, STDERR_FILENO) < 0) fail(errno);
  }
  // Files and sockets that other threads opened without close-on-exec stay with the program.
  if ((errorFd > STDERR_FILENO + 1 && ::syscall(SYS_close_range, STDERR_FILENO + 1, errorFd - 1, 0) != 0) ||
      ::syscall(SYS_close_range, errorFd + 1, ~0U, 0) != 0) {
    for (int fd = STDERR_FILENO + 1; fd < 4096; ++fd)
      if (fd != errorFd) ::close(fd);
  }

  const pid_t supervisor = ::getpid();
  const pid_t child = ::fork();
  if (child < 0) fail(errno);
  if (child == 0) {
    // Should the supervisor be killed outright, the child goes with it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != supervisor) ::_exit(127);
    // The program learns who its child really is; an error number may follow.
    const pid_t self = ::getpid();
    [[maybe_unused]] auto told = ::write(errorFd, &self, sizeof self);
    if (workingDir && ::chdir(workingDir) != 0) fail(errno);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    int err = ENOENT;
    bool denied = false;
    for (char* candidate : candidates) {
      ::execve(candidate, argv, envp);
      err = errno;
      if (err == EACCES) denied = true;
    }
    fail(denied ? EACCES : err);
  }
  // The child's copy alone closes at its exec, which tells the program the start succeeded.
  ::close(errorFd);

  sigset_t wake;
  sigemptyset(&wake);
  sigaddset(&wake, SIGCHLD);
  sigaddset(&wake, kProgramGone);
  for (;;) {
    const int sig = ::sigwaitinfo(&wake, nullptr);
    if (sig == kProgramGone && ::getppid() != parent) {
      EndEveryDescendant();
      ::_exit(128 + SIGKILL);
    }
    if (sig != SIGCHLD) continue;
    int status;
    for (pid_t reaped; (reaped = ::waitpid(-1, &status, WNOHANG)) > 0;)
      if (reaped == child) endAs(status);
  }
}

}  // namespace

std::shared_ptr<Process> Process::spawn(const SpawnOptions& options) {
  return spawn(options, &ProcessRegistry::global());
}

std::shared_ptr<Process> Process::spawn(const SpawnOptions& options, ProcessRegistry* registry) {
  std::shared_ptr<Process> p(new Process());
  p->startChild(options);
  if (!p->started()) {
    MutexLock lock(p->mutex_);
    p->exitCode_ = kExitStartFailed;
    return p;
  }
  if (registry) {
    p->registry_ = registry;
    if (!registry->add(p)) p->terminate(kExitTerminatedOnClose);
  }
  return p;
}

int Process::runAndWait(const SpawnOptions& options,
                        const std::function<void(const std::shared_ptr<Process>&)>& started,
                        std::string* startError) {
  return runAndWait(options, started, startError, &ProcessRegistry::global());
}

int Process::runAndWait(const SpawnOptions& options,
                        const std::function<void(const std::shared_ptr<Process>&)>& started,
                        std::string* startError, ProcessRegistry* registry) {
  auto p = spawn(options, registry);
  if (startError) *startError = p->startError();
  if (!p->started()) return kExitStartFailed;
  if (started) started(p);
  return p->wait();
}

void Process::startChild(const SpawnOptions& options) {
  if (options.program.empty()) {
    startError_ = "no program to start";
    return;
  }
  std::string program = options.program;
  if (program.find('/') != std::string::npos && program.front() != '/') {
    std::error_code ec;
    auto abs = std::filesystem::absolute(program, ec);
    if (!ec) program = abs.string();
  }

  std::vector<std::string> argTexts;
  argTexts.reserve(options.args.size() + 1);
  argTexts.push_back(options.program);
  argTexts.insert(argTexts.end(), options.args.begin(), options.args.end());
  std::vector<std::string> envTexts = childEnvironment(options.extraEnv);
  std::vector<std::string> candidateTexts = candidatesFor(program);
  std::vector<char*> argv = pointers(argTexts);
  std::vector<char*> envp = pointers(envTexts);
  std::vector<char*> candidates = pointers(candidateTexts);
  candidates.pop_back();

  // The child reports its pid and then a failed start (the error number) through this pipe; it
  // closes at a successful exec.
  int errorPipe[2];
  if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
    startError_ = "cannot start \"" + options.program + "\": " + errorText(errno);
    return;
  }
  errorPipe[0] = aboveStandard(errorPipe[0]);
  errorPipe[1] = aboveStandard(errorPipe[1]);
  if (errorPipe[0] < 0 || errorPipe[1] < 0) {
    startError_ = "cannot start \"" + options.program + "\": " + errorText(errno);
    if (errorPipe[0] >= 0) ::close(errorPipe[0]);
    if (errorPipe[1] >= 0) ::close(errorPipe[1]);
    return;
  }
  // No handler of the program may run in the child before it has reset them.
  sigset_t all, old;
  sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &old);
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0)
    becomeChild(parent, errorPipe[1], candidates, argv.data(), envp.data(),
                options.workingDir.empty() ? nullptr : options.workingDir.c_str(), options.showOutput);
  const int forkErr = errno;
  ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
  ::close(errorPipe[1]);
  int childErr = 0;
  pid_t programPid = -1;
  if (pid > 0) {
    auto readWhole = [fd = errorPipe[0]](void* into, size_t size) {
      ssize_t n;
      do {
        n = ::read(fd, into, size);
      } while (n < 0 && errno == EINTR);
      return n == static_cast<ssize_t>(size);
    };
    if (!readWhole(&programPid, sizeof programPid)) programPid = -1;
    if (!readWhole(&childErr, sizeof childErr)) childErr = 0;
  }
  ::close(errorPipe[0]);
  const int err = pid < 0 ? forkErr : childErr;
  if (err != 0) {
    if (pid > 0) {
      int status;
      waitpidRetrying(pid, &status);
    }
    std::string where;
    if (!options.workingDir.empty() && !std::filesystem::is_directory(options.workingDir))
      where = " in \"" + options.workingDir + "\"";
    startError_ = "cannot start \"" + options.program + "\"" + where + ": " + errorText(err);
    return;
  }

  pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  wakefd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (pidfd_ < 0 || wakefd_ < 0) {
    // Without them the child could not be waited for without polling: do not leave it running.
    startError_ = "cannot watch \"" + options.program + "\": " + errorText(errno);
    ::kill(-pid, SIGKILL);
    int status;
    waitpidRetrying(pid, &status);
    return;
  }
  pid_ = pid;
  programPid_ = programPid > 0 ? programPid : pid;
  family_ = std::make_unique<ProcessFamily>(pid);
}

Process::~Process() {
  if (pid_ > 0 && !exitCode_) {
    family_->Signal(SIGKILL);
    ::kill(-pid_, SIGKILL);
    int status;
    waitpidRetrying(pid_, &status);
  }
  if (pidfd_ >= 0) ::close(pidfd_);
  if (wakefd_ >= 0) ::close(wakefd_);
}

std::optional<int> Process::exitCode() const {
  MutexLock lock(mutex_);
  return exitCode_;
}

int Process::wait() {
  auto self = shared_from_this();  // the registry may drop its reference while we finish
  MutexLock lock(mutex_);
  for (;;) {
    if (exitCode_) return *exitCode_;
    if (!reaping_) break;
    lock.wait(ended_);
  }
  reaping_ = true;

  while (!exited_) {
    int timeout = -1;
    if (terminateCode_ && !killed_) {
      auto now = std::chrono::steady_clock::now();
      if (now >= killDeadline_) {
        family_->Signal(SIGKILL);
        ::kill(-pid_, SIGKILL);
        killed_ = true;
      } else {
        timeout = static_cast<int>(
            std::chrono::ceil<std::chrono::milliseconds>(killDeadline_ - now).count());
      }
    }
    lock.unlock();
    pollfd fds[2] = {{pidfd_, POLLIN, 0}, {wakefd_, POLLIN, 0}};
    int r = ::poll(fds, 2, timeout);
    int pollErr = errno;
    if (r > 0 && (fds[1].revents & POLLIN)) {
      std::uint64_t n;
      [[maybe_unused]] auto ignored = ::read(wakefd_, &n, sizeof n);
    }
    lock.lock();
    if (r > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) exited_ = true;
    if (r < 0 && pollErr != EINTR) exited_ = true;  // cannot watch any more: fall back to blocking waitpid
  }
  // The ended child is not reaped yet, so its group id cannot have been reused: anything left of
  // a terminated family goes now, in the group or out of it.
  if (terminateCode_) {
    if (!killed_) ::kill(-pid_, SIGKILL);
    family_->Signal(SIGKILL);
    killed_ = true;
  }
  lock.unlock();

  int status = 0;
  int code = waitpidRetrying(pid_, &status) == pid_ ? exitCodeOf(status) : 128;

  lock.lock();
  exitCode_ = terminateCode_ ? *terminateCode_ : code;
  reaping_ = false;
  const int result = *exitCode_;
  lock.unlock();
  ended_.notify_all();
  if (registry_) registry_->remove(this);
  return result;
}

bool Process::terminate(int exitCode, std::chrono::milliseconds grace) {
  MutexLock lock(mutex_);
  if (pid_ <= 0 || exitCode_ || exited_ || terminateCode_) return false;
  pollfd fd{pidfd_, POLLIN, 0};
  if (::poll(&fd, 1, 0) > 0) return false;  // already ended on its own: its own code stands
  terminateCode_ = exitCode;
  killDeadline_ = std::chrono::steady_clock::now() + grace;
  // The family is looked up while the child still lives: once the group's signal has ended it,
  // members that left the group are no longer its descendants.
  family_->Signal(SIGTERM);
  ::kill(-pid_, SIGTERM);
  std::uint64_t one = 1;
  [[maybe_unused]] auto ignored = ::write(wakefd_, &one, sizeof one);
  return true;
}

}  // namespace plat
