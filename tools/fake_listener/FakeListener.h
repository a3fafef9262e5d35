#pragma once
// A fake Oracle listener for tests: listens on 127.0.0.1 at a port the system picks, runs each
// accepted connection on a thread of its own (FakeSession.h) and logs both directions
// (FakeLog.h). Every wait is bounded: sessions give up on a silent client after the wait limit,
// and Stop (or the destructor) wakes and joins every thread.
//
// The options are fixed at construction; the log, the connect requests seen and the session
// count may be read from any thread while the listener runs.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/fake_listener/FakeLog.h"
#include "tools/fake_listener/FakeService.h"
#include "tools/fake_listener/FakeWire.h"

namespace ora::fake {

struct ConnectAnswer {
  enum class Kind { Accept, Refuse, Redirect, Resend };
  Kind kind = Kind::Accept;
  // The refusal's reason, or the redirect's address text, in which "{port}" stands for this
  // listener's own port.
  std::string text;
};

// Instead of the normal answer to the connection's packet number `afterPacket` (counted from 1
// over all packets the client sent on it): write `bytes`, close the connection, or stall (answer
// nothing until the wait limit, Stop or the client's close, then close). Several steps on one packet run in order.
struct RawStep {
  enum class Action { Send, Close, Stall };
  int afterPacket = 0;
  Action action = Action::Send;
  Bytes bytes;
};

struct ListenerOptions {
  std::vector<ConnectAnswer> connectAnswers;  // for the successive CONNECTs of each connection
  std::vector<RawStep> rawSteps;              // for every connection
  bool oneBytePerWrite = false;
  // Markers are logged and never answered, as by a server host that stopped answering.
  bool deafToMarkers = false;
  int sdu = 2048;
  int tdu = 32767;
  std::chrono::milliseconds waitLimit{5000};
  std::function<std::unique_ptr<FakeService>()> makeService;  // EchoService when empty
};

struct SeenConnect {
  int connection = 0;
  ConnectRequest request;
};

class FakeListener {
 public:
  explicit FakeListener(ListenerOptions options = {});
  ~FakeListener();
  FakeListener(const FakeListener&) = delete;
  FakeListener& operator=(const FakeListener&) = delete;

  int Port() const { return port_; }
  const ListenerOptions& Options() const { return options_; }
  const FakeLog& Log() const { return log_; }
  FakeLog& Log() { return log_; }
  std::vector<SeenConnect> Connects() const;
  int Accepted() const;

  // Waits, at most `limit`, until every accepted connection has ended; true when they have.
  bool WaitUntilIdle(std::chrono::milliseconds limit);
  void Stop();

  // For sessions.
  int WakeFd() const { return wakeFd_; }
  void NoteConnect(int connection, const ConnectRequest& request);

 private:
  void AcceptLoop();
  void RunSession(int fd, int number);

  ListenerOptions options_;
  FakeLog log_;
  int listenFd_ = -1;
  int wakeFd_ = -1;
  int port_ = 0;
  std::thread acceptThread_;
  mutable std::mutex lock_;
  std::condition_variable idle_;
  std::vector<std::thread> sessions_;
  std::vector<SeenConnect> connects_;
  int accepted_ = 0;
  int active_ = 0;
  bool stopped_ = false;
};

}  // namespace ora::fake
