#pragma once
// The socket under the direct network client: a blocking TCP client stream.
// - TSocket: the abstract stream the TNS layer talks to (tests and the fuzzer put their own
//   under it).
// - TPosixSocket: TSocket on a POSIX socket, with TCP_NODELAY and SO_KEEPALIVE set, a bounded
//   connect, and an optional receive timeout (off by default, so a long statement can take as
//   long as it takes).
// Failures raise ESocketError (NetErrors.h) with the errno and the step that failed. A socket is
// used by one thread at a time, except TrySend and Shutdown: they may come from another thread
// while the owner waits in Send or Receive (its owner keeps a second sender from interleaving
// with its own packets, as TTnsConnection does for its break marker).
#include <cstddef>
#include <string>

#include "platform/ThreadAnnotations.h"

namespace ora {

class TSocket {
 public:
  virtual ~TSocket() = default;
  // Opens a connection to host (a name or a numeric address) and port, closing any open one.
  virtual void Connect(const std::string& host, int port) = 0;
  virtual void Close() = 0;
  virtual bool Connected() const = 0;
  // The count sent: all of it unless the stream failed.
  virtual int Send(const void* buffer, int count) = 0;
  // The count received, at most `count`; 0 or less when the peer closed.
  virtual int Receive(void* buffer, int count) = 0;

  // Bounds each address tried by Connect (milliseconds, above 0).
  virtual void SetConnectTimeout(int /*milliseconds*/) {}
  // A Receive that waits longer fails with ETIMEDOUT; 0 waits for ever.
  virtual void SetReceiveTimeout(int /*milliseconds*/) {}
  // Any thread: sends what the stream takes at once, never waiting; the count sent, or -1.
  virtual int TrySend(const void* buffer, int count) { return Send(buffer, count); }
  // Any thread: ends a wait in Send or Receive and every later one (Receive then reports the
  // peer closed); the connection stays open until Close, so the descriptor is never reused
  // under a thread still waiting on it.
  virtual void Shutdown() {}
};

class TPosixSocket : public TSocket {
 public:
  static constexpr int kDefaultConnectTimeoutMs = 20000;

  TPosixSocket() = default;
  ~TPosixSocket() override;
  TPosixSocket(const TPosixSocket&) = delete;
  TPosixSocket& operator=(const TPosixSocket&) = delete;

  void Connect(const std::string& host, int port) override;
  void Close() override;
  bool Connected() const override;
  int Send(const void* buffer, int count) override;
  int Receive(void* buffer, int count) override;

  void SetConnectTimeout(int milliseconds) override { connectTimeoutMs_ = milliseconds; }
  void SetReceiveTimeout(int milliseconds) override { receiveTimeoutMs_ = milliseconds; }
  int TrySend(const void* buffer, int count) override;
  void Shutdown() override;

 private:
  // fd_ changes only on the owner's thread, under fdLock_, so the owner reads it freely (OwnFd);
  // another thread (TrySend, Shutdown, Connected) reads it under fdLock_.
  int OwnFd() const NO_THREAD_SAFETY_ANALYSIS { return fd_; }

  mutable plat::Mutex fdLock_;
  int fd_ GUARDED_BY(fdLock_) = -1;
  int connectTimeoutMs_ = kDefaultConnectTimeoutMs;
  int receiveTimeoutMs_ = 0;
};

}  // namespace ora
