#include "tools/fake_listener/FakeSession.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <cerrno>

#include "tools/fake_listener/FakeListener.h"

namespace ora::fake {

void EchoService::OnData(FakeSession& session, std::uint16_t, const Bytes& payload) { session.SendData(payload); }

void EchoService::OnInterrupted(FakeSession& session) {
  session.SendData(Bytes(interruptedReply_.begin(), interruptedReply_.end()));
}

FakeSession::FakeSession(FakeListener& listener, int fd, int number, std::unique_ptr<FakeService> service)
    : listener_(listener), fd_(fd), number_(number), service_(std::move(service)), sdu_(listener.Options().sdu) {}

FakeSession::~FakeSession() { ::close(fd_); }

void FakeSession::Reset() {
  // A zero linger makes the close send RST and drop whatever is still unsent.
  const linger abort{1, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  alive_ = false;
}

void FakeSession::Run() {
  while (alive_) {
    while (alive_) {
      std::optional<Packet> packet = assembler_.Next();
      if (!packet) break;
      ++received_;
      listener_.Log().Add(number_, true, packet->bytes);
      if (!Handle(*packet)) return;
    }
    if (assembler_.Broken() || !ReadMore()) return;
  }
}

bool FakeSession::ReadMore() {
  pollfd fds[2] = {{fd_, POLLIN, 0}, {listener_.WakeFd(), POLLIN, 0}};
  const int limit = int(listener_.Options().waitLimit.count());
  int r;
  do {
    r = ::poll(fds, 2, limit);
  } while (r < 0 && errno == EINTR);
  if (r <= 0 || (fds[1].revents & POLLIN)) return false;
  std::uint8_t buffer[4096];
  const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
  if (n <= 0) return false;
  assembler_.Add(buffer, std::size_t(n));
  return true;
}

bool FakeSession::Send(const Bytes& bytes) {
  if (!alive_) return false;
  listener_.Log().Add(number_, false, bytes);
  const std::size_t step = listener_.Options().oneBytePerWrite ? 1 : bytes.size();
  for (std::size_t at = 0; at < bytes.size();) {
    const ssize_t n = ::send(fd_, bytes.data() + at, std::min(step, bytes.size() - at), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      alive_ = false;
      return false;
    }
    at += std::size_t(n);
  }
  return true;
}

bool FakeSession::SendData(const Bytes& payload, std::uint16_t dataFlags) {
  const std::size_t room = std::size_t(sdu_ - 10);
  std::size_t at = 0;
  do {
    const std::size_t n = std::min(room, payload.size() - at);
    if (!Send(DataPacket(Bytes(payload.begin() + long(at), payload.begin() + long(at + n)), dataFlags))) return false;
    at += n;
  } while (at < payload.size());
  return true;
}

bool FakeSession::SendMarker(int kind) { return Send(MarkerPacket(kind)); }

bool FakeSession::RunRawSteps(int packetNumber, bool& handled) {
  handled = false;
  for (const RawStep& step : listener_.Options().rawSteps) {
    if (step.afterPacket != packetNumber) continue;
    handled = true;
    switch (step.action) {
      case RawStep::Action::Send:
        if (!Send(step.bytes)) return false;
        break;
      case RawStep::Action::Close:
        return false;
      case RawStep::Action::Stall:
        Stall();
        return false;
    }
  }
  return true;
}

void FakeSession::Stall() {
  // Answers nothing, but notices when the client gives up, so a test need not wait for the limit.
  const auto end = std::chrono::steady_clock::now() + listener_.Options().waitLimit;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    pollfd fds[2] = {{fd_, POLLIN, 0}, {listener_.WakeFd(), POLLIN, 0}};
    const int r = ::poll(fds, 2, int(left.count()));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0 || (fds[1].revents & POLLIN)) return;
    std::uint8_t buffer[4096];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) return;
    listener_.Log().Add(number_, true, Bytes(buffer, buffer + n));
  }
}

bool FakeSession::AnswerConnect(const Packet& packet) {
  const std::optional<ConnectRequest> request = ReadConnect(packet);
  if (!request) return false;
  listener_.NoteConnect(number_, *request);
  const auto& answers = listener_.Options().connectAnswers;
  const ConnectAnswer answer = connectsSeen_ < int(answers.size()) ? answers[std::size_t(connectsSeen_)] : ConnectAnswer{};
  ++connectsSeen_;
  switch (answer.kind) {
    case ConnectAnswer::Kind::Accept:
      sdu_ = std::min(listener_.Options().sdu, request->sdu);
      return Send(AcceptPacket(request->version, sdu_, std::min(listener_.Options().tdu, request->tdu)));
    case ConnectAnswer::Kind::Refuse:
      Send(RefusePacket(answer.text));
      return false;
    case ConnectAnswer::Kind::Redirect: {
      std::string text = answer.text;
      for (std::size_t at; (at = text.find("{port}")) != std::string::npos;)
        text.replace(at, 6, std::to_string(listener_.Port()));
      Send(RedirectPacket(text));
      return false;
    }
    case ConnectAnswer::Kind::Resend:
      return Send(ResendPacket());
  }
  return false;
}

bool FakeSession::Handle(const Packet& packet) {
  bool handled = false;
  if (!RunRawSteps(received_, handled)) return false;
  if (handled) return true;
  switch (packet.PacketType()) {
    case Type::Connect:
      return AnswerConnect(packet);
    case Type::Data:
      if (packet.DataFlags() & 0x0040) return false;  // the client said goodbye
      service_->OnData(*this, packet.DataFlags(), packet.DataPayload());
      return alive_;
    case Type::Marker:
      if (listener_.Options().deafToMarkers) return true;
      if (packet.MarkerKind() == 1) {
        breakSent_ = true;
        return SendMarker(1);
      }
      if (packet.MarkerKind() == 2 && breakSent_) {
        breakSent_ = false;
        if (!SendMarker(2)) return false;
        service_->OnInterrupted(*this);
      }
      return alive_;
    default:
      return true;
  }
}

}  // namespace ora::fake
