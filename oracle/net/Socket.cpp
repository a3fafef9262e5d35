#include "oracle/net/Socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "oracle/net/NetErrors.h"

namespace ora {
namespace {

using Clock = std::chrono::steady_clock;

std::string ErrnoText(int number) { return std::string(std::strerror(number)) + " (" + std::to_string(number) + ")"; }

// Waits for `events` on fd until the deadline; false when it passed.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{fd, events, 0};
    const int r = ::poll(&p, 1, int(left));
    if (r > 0) return true;
    if (r < 0 && errno != EINTR) return true;  // let the following call report the error
  }
}

// Connects one address within the timeout; the connected descriptor, or -1 with errno set.
int ConnectOne(const addrinfo& a, int timeoutMs) {
  const int fd = ::socket(a.ai_family, a.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a.ai_protocol);
  if (fd < 0) return -1;
  int error = 0;
  if (::connect(fd, a.ai_addr, a.ai_addrlen) != 0) {
    error = errno;
    if (error == EINPROGRESS || error == EINTR) {
      if (!WaitFor(fd, POLLOUT, Clock::now() + std::chrono::milliseconds(timeoutMs))) {
        error = ETIMEDOUT;
      } else {
        socklen_t len = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
      }
    }
  }
  if (error == 0) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) error = errno;
  }
  if (error != 0) {
    ::close(fd);
    errno = error;
    return -1;
  }
  const int on = 1;
  // Requests are small and answered one by one: waiting to coalesce them only adds latency.
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  return fd;
}

}  // namespace

TPosixSocket::~TPosixSocket() { Close(); }

void TPosixSocket::Connect(const std::string& host, int port) {
  Close();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* list = nullptr;
  const std::string service = std::to_string(port);
  const int rc = host.empty() ? EAI_NONAME : ::getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
  if (rc != 0) {
    throw ESocketError(ESocketError::Step::Lookup, 0,
                       "Host \"" + host + "\" not found: " + ::gai_strerror(rc));
  }
  int lastError = ECONNREFUSED;
  for (const addrinfo* a = list; a; a = a->ai_next) {
    const int fd = ConnectOne(*a, connectTimeoutMs_ > 0 ? connectTimeoutMs_ : kDefaultConnectTimeoutMs);
    if (fd >= 0) {
      plat::MutexLock hold(fdLock_);
      fd_ = fd;
      break;
    }
    lastError = errno;
  }
  ::freeaddrinfo(list);
  if (OwnFd() < 0) {
    throw ESocketError(ESocketError::Step::Connect, lastError,
                       "Cannot connect to " + host + ":" + service + ": " + ErrnoText(lastError));
  }
}

bool TPosixSocket::Connected() const {
  plat::MutexLock hold(fdLock_);
  return fd_ >= 0;
}

void TPosixSocket::Close() {
  plat::MutexLock hold(fdLock_);
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

int TPosixSocket::TrySend(const void* buffer, int count) {
  plat::MutexLock hold(fdLock_);
  if (fd_ < 0) return -1;
  for (;;) {
    const ssize_t n = ::send(fd_, buffer, std::size_t(count), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) return int(n);
    if (errno != EINTR) return -1;
  }
}

void TPosixSocket::Shutdown() {
  plat::MutexLock hold(fdLock_);
  if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

int TPosixSocket::Send(const void* buffer, int count) {
  const int fd = OwnFd();
  if (fd < 0) return 0;
  const char* p = static_cast<const char*>(buffer);
  int sent = 0;
  while (sent < count) {
    // MSG_NOSIGNAL: a peer that went away is an error here, not a SIGPIPE for the whole program.
    const ssize_t n = ::send(fd, p + sent, std::size_t(count - sent), MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      throw ESocketError(ESocketError::Step::Stream, error, "Send failed: " + ErrnoText(error));
    }
    sent += int(n);
  }
  return sent;
}

int TPosixSocket::Receive(void* buffer, int count) {
  const int fd = OwnFd();
  if (fd < 0) return -1;
  if (receiveTimeoutMs_ > 0 &&
      !WaitFor(fd, POLLIN, Clock::now() + std::chrono::milliseconds(receiveTimeoutMs_))) {
    throw ESocketError(ESocketError::Step::Stream, ETIMEDOUT, "Receive failed: " + ErrnoText(ETIMEDOUT));
  }
  for (;;) {
    const ssize_t n = ::recv(fd, buffer, std::size_t(count), 0);
    if (n >= 0) return int(n);
    if (errno == EINTR) continue;
    const int error = errno;
    throw ESocketError(ESocketError::Step::Stream, error, "Receive failed: " + ErrnoText(error));
  }
}

}  // namespace ora
