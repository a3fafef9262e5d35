#include "platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>

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

// posix_spawn's attribute and file-action objects, destroyed on every path.
struct SpawnSetup {
  posix_spawnattr_t attr;
  posix_spawn_file_actions_t actions;
  SpawnSetup() {
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_init(&actions);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
  }
};

}  // namespace

std::shared_ptr<Process> Process::spawn(const SpawnOptions& options) {
  return spawn(options, &ProcessRegistry::global());
}

std::shared_ptr<Process> Process::spawn(const SpawnOptions& options, ProcessRegistry* registry) {
  std::shared_ptr<Process> p(new Process());
  p->startChild(options);
  if (!p->started()) {
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
  const bool searchPath = program.find('/') == std::string::npos;
  if (!searchPath && program.front() != '/') {
    std::error_code ec;
    auto abs = std::filesystem::absolute(program, ec);
    if (!ec) program = abs.string();
  }

  std::vector<std::string> argTexts;
  argTexts.reserve(options.args.size() + 1);
  argTexts.push_back(options.program);
  argTexts.insert(argTexts.end(), options.args.begin(), options.args.end());
  std::vector<std::string> envTexts = childEnvironment(options.extraEnv);
  std::vector<char*> argv = pointers(argTexts);
  std::vector<char*> envp = pointers(envTexts);

  SpawnSetup s;
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  // The child leads a group of its own and starts with a clean signal state, whatever the
  // spawning thread had blocked or ignored.
  posix_spawnattr_setflags(&s.attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawnattr_setpgroup(&s.attr, 0);
  posix_spawnattr_setsigmask(&s.attr, &none);
  posix_spawnattr_setsigdefault(&s.attr, &all);
  posix_spawn_file_actions_addopen(&s.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (!options.showOutput) {
    posix_spawn_file_actions_addopen(&s.actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&s.actions, STDOUT_FILENO, STDERR_FILENO);
  }
  // Files and sockets that other threads opened without close-on-exec stay with the program.
  posix_spawn_file_actions_addclosefrom_np(&s.actions, STDERR_FILENO + 1);
  if (!options.workingDir.empty()) posix_spawn_file_actions_addchdir_np(&s.actions, options.workingDir.c_str());

  pid_t pid = -1;
  int err = searchPath ? posix_spawnp(&pid, program.c_str(), &s.actions, &s.attr, argv.data(), envp.data())
                       : posix_spawn(&pid, program.c_str(), &s.actions, &s.attr, argv.data(), envp.data());
  if (err != 0) {
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
}

Process::~Process() {
  if (pid_ > 0 && !exitCode_) {
    ::kill(-pid_, SIGKILL);
    int status;
    waitpidRetrying(pid_, &status);
  }
  if (pidfd_ >= 0) ::close(pidfd_);
  if (wakefd_ >= 0) ::close(wakefd_);
}

std::optional<int> Process::exitCode() const {
  std::lock_guard lock(mutex_);
  return exitCode_;
}

int Process::wait() {
  auto self = shared_from_this();  // the registry may drop its reference while we finish
  std::unique_lock lock(mutex_);
  for (;;) {
    if (exitCode_) return *exitCode_;
    if (!reaping_) break;
    ended_.wait(lock);
  }
  reaping_ = true;

  while (!exited_) {
    int timeout = -1;
    if (terminateCode_ && !killed_) {
      auto now = std::chrono::steady_clock::now();
      if (now >= killDeadline_) {
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
  // a terminated group goes now.
  if (terminateCode_ && !killed_) {
    ::kill(-pid_, SIGKILL);
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
  std::lock_guard lock(mutex_);
  if (pid_ <= 0 || exitCode_ || exited_ || terminateCode_) return false;
  pollfd fd{pidfd_, POLLIN, 0};
  if (::poll(&fd, 1, 0) > 0) return false;  // already ended on its own: its own code stands
  terminateCode_ = exitCode;
  killDeadline_ = std::chrono::steady_clock::now() + grace;
  ::kill(-pid_, SIGTERM);
  std::uint64_t one = 1;
  [[maybe_unused]] auto ignored = ::write(wakefd_, &one, sizeof one);
  return true;
}

}  // namespace plat
