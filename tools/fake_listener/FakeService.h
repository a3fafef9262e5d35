#pragma once
// What the fake listener says over an established connection. The session (FakeSession.h) does
// the TNS part itself (connect answers, markers, raw steps); everything carried in DATA packets
// goes to a service, one per connection, called on that connection's thread only. Teaching the
// fake the call protocol means writing a service: gather the payloads into messages, answer
// through FakeSession::SendData.
#include <cstdint>
#include <string>

#include "tools/fake_listener/FakeWire.h"

namespace ora::fake {

class FakeSession;

class FakeService {
 public:
  virtual ~FakeService() = default;
  // The payload of one DATA packet from the client (never the end-of-file packet).
  virtual void OnData(FakeSession& session, std::uint16_t dataFlags, const Bytes& payload) = 0;
  // A break from the client has been answered and the reset exchanged: reply for the call it
  // interrupted.
  virtual void OnInterrupted(FakeSession& session) { (void)session; }
};

// Sends every payload straight back in one DATA reply; after a break, a DATA packet holding
// `interruptedReply`.
class EchoService : public FakeService {
 public:
  explicit EchoService(std::string interruptedReply = "interrupted") : interruptedReply_(std::move(interruptedReply)) {}
  void OnData(FakeSession& session, std::uint16_t dataFlags, const Bytes& payload) override;
  void OnInterrupted(FakeSession& session) override;

 private:
  std::string interruptedReply_;
};

}  // namespace ora::fake
