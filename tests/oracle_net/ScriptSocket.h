#pragma once
// A socket for tests that answers with a script of bytes, whatever the client sends, and keeps
// everything the client sent. The packets of both directions are built and taken apart with the
// fake listener's own packet code, never with the client's.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "oracle/net/Socket.h"
#include "tools/fake_listener/FakeWire.h"

namespace nettest {

using ora::fake::Bytes;

struct ScriptState {
  Bytes script;  // what the server says, in order
  std::size_t at = 0;
  Bytes sent;    // what the client said
  bool connected = false;

  // The client's packets, whole.
  std::vector<ora::fake::Packet> SentPackets() const {
    ora::fake::PacketAssembler assembler;
    assembler.Add(sent.data(), sent.size());
    std::vector<ora::fake::Packet> out;
    while (auto p = assembler.Next()) out.push_back(*p);
    return out;
  }
  // The payloads of the client's DATA packets, each packet's payload on its own (without the
  // end-of-file packet of a disconnect).
  std::vector<Bytes> SentData() const {
    std::vector<Bytes> out;
    for (const auto& p : SentPackets())
      if (p.PacketType() == ora::fake::Type::Data && !(p.DataFlags() & 0x0040)) out.push_back(p.DataPayload());
    return out;
  }
  // Appends server DATA packets carrying `payload`.
  void Say(const Bytes& payload) {
    const Bytes packet = ora::fake::DataPacket(payload);
    script.insert(script.end(), packet.begin(), packet.end());
  }
  void SayPacket(const Bytes& packet) { script.insert(script.end(), packet.begin(), packet.end()); }
};

class ScriptSocket : public ora::TSocket {
 public:
  explicit ScriptSocket(std::shared_ptr<ScriptState> state) : s_(std::move(state)) {}
  void Connect(const std::string&, int) override { s_->connected = true; }
  void Close() override { s_->connected = false; }
  bool Connected() const override { return s_->connected; }
  int Send(const void* buffer, int count) override {
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    s_->sent.insert(s_->sent.end(), p, p + count);
    return count;
  }
  int Receive(void* buffer, int count) override {
    if (s_->at >= s_->script.size()) return 0;
    const std::size_t n = std::min(std::size_t(count), s_->script.size() - s_->at);
    std::memcpy(buffer, s_->script.data() + s_->at, n);
    s_->at += n;
    return int(n);
  }

 private:
  std::shared_ptr<ScriptState> s_;
};

}  // namespace nettest
