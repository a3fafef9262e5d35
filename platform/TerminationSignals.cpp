#include "platform/TerminationSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <stdexcept>
#include <system_error>

#include "platform/MainThread.h"

namespace plat {

namespace {

static_assert(TerminationSignals::kSignals[0] == SIGTERM && TerminationSignals::kSignals[1] == SIGINT &&
              TerminationSignals::kSignals[2] == SIGHUP);

std::atomic<int> g_writeFd{-1};
struct sigaction g_previous[3];

// The stop byte the destructor writes; no signal has the number 0.
constexpr unsigned char kStop = 0;

void OnSignal(int sig) {
  const int saved = errno;
  const int fd = g_writeFd.load(std::memory_order_relaxed);
  if (fd >= 0) {
    const unsigned char byte = static_cast<unsigned char>(sig);
    [[maybe_unused]] auto ignored = ::write(fd, &byte, 1);  // a full pipe already holds a close request
  }
  errno = saved;
}

}  // namespace

void IgnoreFileSizeSignal() { ::signal(SIGXFSZ, SIG_IGN); }

TerminationSignals::TerminationSignals(MainThread& mainThread, std::function<void(int)> onSignal)
    : mainThread_(mainThread), onSignal_(std::move(onSignal)) {
  if (g_writeFd.load() >= 0) throw std::logic_error("Termination signals are handled already");
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
  ::fcntl(fds[1], F_SETFL, ::fcntl(fds[1], F_GETFL) | O_NONBLOCK);
  readFd_ = fds[0];
  g_writeFd.store(fds[1]);
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &sa, &g_previous[i]);
  watcher_ = std::thread([this] { Watch(); });
}

TerminationSignals::~TerminationSignals() {
  for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &g_previous[i], nullptr);
  const int writeFd = g_writeFd.load();
  // Written blocking: the watcher must see it even when signals filled the pipe.
  ::fcntl(writeFd, F_SETFL, ::fcntl(writeFd, F_GETFL) & ~O_NONBLOCK);
  ssize_t n;
  do {
    n = ::write(writeFd, &kStop, 1);
  } while (n < 0 && errno == EINTR);
  watcher_.join();
  g_writeFd.store(-1);
  ::close(writeFd);
  ::close(readFd_);
}

void TerminationSignals::Watch() {
  for (;;) {
    unsigned char sig = 0;
    const ssize_t n = ::read(readFd_, &sig, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || sig == kStop) return;
    const int number = sig;
    mainThread_.post([handler = onSignal_, number] { handler(number); });
  }
}

}  // namespace plat
