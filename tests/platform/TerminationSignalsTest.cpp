// Close signals reach the main thread as a call of the program's close, from a handler that only
// writes to a pipe; SIGXFSZ no longer kills the program.
#include "platform/TerminationSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/HeadlessMainThread.h"
#include "tests/support/ScratchFolder.h"

namespace plat {
namespace {

TEST(TerminationSignals, EachCloseSignalRunsTheCloseOnTheMainThread) {
  HeadlessMainThread mainThread;
  std::vector<int> seen;
  bool onMainThread = true;
  {
    TerminationSignals signals(mainThread, [&](int sig) {
      onMainThread = onMainThread && mainThread.isMainThread();
      seen.push_back(sig);
      if (seen.size() == 3) mainThread.quit();
    });
    EXPECT_THROW(TerminationSignals(mainThread, [](int) {}), std::logic_error);
    ::raise(SIGTERM);
    ::raise(SIGINT);
    ::raise(SIGHUP);
    mainThread.run();  // returns once the three closes have run here
  }
  EXPECT_EQ(seen, (std::vector<int>{SIGTERM, SIGINT, SIGHUP}));
  EXPECT_TRUE(onMainThread);
  // Afterwards the previous dispositions are back.
  struct sigaction now {};
  ::sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
}

// In a child process, so that the test program keeps its own dispositions and limits.
TEST(TerminationSignals, AWritePastTheFileSizeLimitFailsInsteadOfKilling) {
  testsupport::ScratchFolder dir;
  const std::string file = dir / "big";
  for (const bool ignored : {false, true}) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::signal(SIGXFSZ, SIG_DFL);
      if (ignored) IgnoreFileSizeSignal();
      rlimit limit{};
      ::getrlimit(RLIMIT_FSIZE, &limit);
      limit.rlim_cur = 16;
      ::setrlimit(RLIMIT_FSIZE, &limit);
      const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const char bytes[64] = {};
      const ssize_t first = ::write(fd, bytes, sizeof bytes);  // short: up to the limit
      const ssize_t second = ::write(fd, bytes, sizeof bytes);
      ::_exit(first == 16 && second < 0 && errno == EFBIG ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    if (ignored) {
      ASSERT_TRUE(WIFEXITED(status));
      EXPECT_EQ(WEXITSTATUS(status), 0);
    } else {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << "the default ends the program";
    }
  }
}

}  // namespace
}  // namespace plat
