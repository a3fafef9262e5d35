#include "tools/fake_listener/FakeListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "tools/fake_listener/FakeSession.h"

namespace ora::fake {

FakeListener::FakeListener(ListenerOptions options) : options_(std::move(options)) {
  wakeFd_ = ::eventfd(0, EFD_CLOEXEC);
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (wakeFd_ < 0 || listenFd_ < 0) throw std::runtime_error(std::string("fake listener: ") + std::strerror(errno));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t size = sizeof address;
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listenFd_, 16) != 0 ||
      ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    const int error = errno;
    ::close(listenFd_);
    ::close(wakeFd_);
    throw std::runtime_error(std::string("fake listener: ") + std::strerror(error));
  }
  port_ = ntohs(address.sin_port);
  acceptThread_ = std::thread([this] { AcceptLoop(); });
}

FakeListener::~FakeListener() {
  Stop();
  ::close(listenFd_);
  ::close(wakeFd_);
}

void FakeListener::Stop() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (stopped_) return;
    stopped_ = true;
  }
  const std::uint64_t one = 1;
  (void)!::write(wakeFd_, &one, sizeof one);  // readable from now on: every poll wakes
  acceptThread_.join();
  std::vector<std::thread> sessions;
  {
    std::lock_guard<std::mutex> hold(lock_);
    sessions.swap(sessions_);
  }
  for (std::thread& t : sessions) t.join();
}

void FakeListener::AcceptLoop() {
  for (;;) {
    pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    const int r = ::poll(fds, 2, -1);  // Stop always wakes it
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 || (fds[1].revents & POLLIN)) return;
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    std::lock_guard<std::mutex> hold(lock_);
    const int number = ++accepted_;
    ++active_;
    sessions_.emplace_back([this, fd, number] { RunSession(fd, number); });
  }
}

void FakeListener::RunSession(int fd, int number) {
  {
    std::unique_ptr<FakeService> service = options_.makeService ? options_.makeService() : std::make_unique<EchoService>();
    FakeSession session(*this, fd, number, std::move(service));
    session.Run();
  }  // closed here, before the session counts as ended
  std::lock_guard<std::mutex> hold(lock_);
  --active_;
  idle_.notify_all();
}

void FakeListener::NoteConnect(int connection, const ConnectRequest& request) {
  std::lock_guard<std::mutex> hold(lock_);
  connects_.push_back({connection, request});
}

std::vector<SeenConnect> FakeListener::Connects() const {
  std::lock_guard<std::mutex> hold(lock_);
  return connects_;
}

int FakeListener::Accepted() const {
  std::lock_guard<std::mutex> hold(lock_);
  return accepted_;
}

bool FakeListener::WaitUntilIdle(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> hold(lock_);
  return idle_.wait_for(hold, limit, [this] { return active_ == 0; });
}

}  // namespace ora::fake
