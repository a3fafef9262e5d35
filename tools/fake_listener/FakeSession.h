#pragma once
// One client connection of the fake listener, run on a thread of its own: reads whole packets
// (each wait bounded by the listener's wait limit or its stop), logs them, and answers:
// - CONNECT with the listener's connect answers in turn, ACCEPT after them (granting at most the
//   SDU the client offered); REFUSE and REDIRECT end the connection, as a listener does;
// - DATA through the connection's service; the end-of-file DATA packet ends the connection;
// - a break marker with a break marker, and the client's reset after it with a reset marker and
//   the service's OnInterrupted;
// - a packet that has raw steps: the steps instead of all of the above.
// The send functions are for the service, on the session's thread.
#include <atomic>
#include <memory>

#include "tools/fake_listener/FakeService.h"
#include "tools/fake_listener/FakeWire.h"

namespace ora::fake {

class FakeListener;

class FakeSession {
 public:
  FakeSession(FakeListener& listener, int fd, int number, std::unique_ptr<FakeService> service);
  ~FakeSession();
  FakeSession(const FakeSession&) = delete;
  FakeSession& operator=(const FakeSession&) = delete;

  void Run();

  int Number() const { return number_; }
  int Sdu() const { return sdu_; }
  // Writes bytes as they stand (one byte per write in the listener's trickle mode); false once
  // the client is gone.
  bool Send(const Bytes& bytes);
  // The payload in DATA packets of at most the granted SDU.
  bool SendData(const Bytes& payload, std::uint16_t dataFlags = 0);
  bool SendMarker(int kind);
  // Ends the connection once the service returns, as a server that goes away does.
  void Close() { alive_ = false; }
  // Ends it with a reset instead of an orderly close, as when the server's host drops the
  // connection: the client's next read fails with "connection reset".
  void Reset();

 private:
  bool ReadMore();
  bool Handle(const Packet& packet);
  bool AnswerConnect(const Packet& packet);
  bool RunRawSteps(int packetNumber, bool& handled);
  void Stall();

  FakeListener& listener_;
  int fd_;
  int number_;
  std::unique_ptr<FakeService> service_;
  PacketAssembler assembler_;
  int received_ = 0;
  int connectsSeen_ = 0;
  int sdu_ = 2048;
  bool breakSent_ = false;
  bool alive_ = true;
};

}  // namespace ora::fake
