#pragma once
// The socket under the direct network client: a blocking TCP client stream.
// - TSocket: the abstract stream the TNS layer talks to (tests and the fuzzer put their own
//   under it).
// - TPosixSocket: TSocket on a POSIX socket, with TCP_NODELAY and SO_KEEPALIVE set, a bounded
//   connect, and an optional receive timeout (off by default, so a long statement can take as
//   long as it takes).
// Failures raise ESocketError (NetErrors.h) with the errno and the step that failed. A socket is
// used by one thread at a time; its owner serialises a sender on another thread (TTnsConnection
// does so for its break marker).
#include <cstddef>
#include <string>

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
  bool Connected() const override { return fd_ >= 0; }
  int Send(const void* buffer, int count) override;
  int Receive(void* buffer, int count) override;

  // Bounds each address tried by Connect (milliseconds, above 0).
  void SetConnectTimeout(int milliseconds) { connectTimeoutMs_ = milliseconds; }
  // A receive that waits longer fails with ETIMEDOUT; 0 waits for ever.
  void SetReceiveTimeout(int milliseconds) { receiveTimeoutMs_ = milliseconds; }

 private:
  int fd_ = -1;
  int connectTimeoutMs_ = kDefaultConnectTimeoutMs;
  int receiveTimeoutMs_ = 0;
};

}  // namespace ora
