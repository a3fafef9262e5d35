#include "oracle/net/TnsConnection.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "foundation/base/Exception.h"
#include "oracle/net/NetErrors.h"

namespace ora {
namespace {

constexpr int kHeaderSize = 8;
constexpr int kDataPreamble = 10;  // header and data flags
constexpr int kMarkerSize = 11;
constexpr int kConnectFixedSize = 34;
constexpr int kLongestPacket = 4086;
constexpr int kHighestPacketType = 19;
constexpr int kSmallestUsableSdu = 512;

void PutU16(std::uint8_t* p, unsigned v) {
  p[0] = std::uint8_t(v >> 8);
  p[1] = std::uint8_t(v);
}

unsigned GetU16(const std::uint8_t* p) { return unsigned(p[0]) << 8 | p[1]; }

void PutHeader(std::uint8_t* packet, int length, std::uint8_t type) {
  PutU16(packet, unsigned(length));
  PutU16(packet + 2, 0);
  packet[4] = type;
  packet[5] = 0;
  PutU16(packet + 6, 0);
}

bool SameLetters(char a, char b) {
  return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
}

}  // namespace

template <class Body>
auto TTnsConnection::ClosingOnFailure(Body body) {
  try {
    return body();
  } catch (...) {
    CloseSocket();
    // Whatever the failing step saw, it saw a stream a break shut down.
    if (interrupted_.exchange(false)) throw ENetError(ENetError::kInterrupted);
    throw;
  }
}

std::string GetDescriptorValue(const std::string& text, const std::string& key) {
  if (key.empty()) return {};
  for (std::size_t at = 0; at + key.size() < text.size(); ++at) {
    if (at > 0 && text[at - 1] != '(') continue;
    if (!std::equal(key.begin(), key.end(), text.begin() + std::ptrdiff_t(at), SameLetters)) continue;
    if (text[at + key.size()] != '=') continue;
    const std::size_t from = at + key.size() + 1;
    const std::size_t to = text.find(')', from);
    return text.substr(from, to == std::string::npos ? std::string::npos : to - from);
  }
  return {};
}

bool TTnsConnection::TSendLock::Take(std::optional<std::chrono::steady_clock::time_point> deadline) {
  plat::MutexLock hold(m_);
  while (held_) {
    if (!deadline) {
      hold.wait(freed_);
    } else if (hold.waitUntil(freed_, *deadline) == std::cv_status::timeout && held_) {
      return false;
    }
  }
  held_ = true;
  return true;
}

void TTnsConnection::TSendLock::Give() {
  {
    plat::MutexLock hold(m_);
    held_ = false;
  }
  freed_.notify_one();
}

TTnsConnection::TTnsConnection(std::unique_ptr<TSocket> socket)
    : socket_(socket ? std::move(socket) : std::make_unique<TPosixSocket>()) {}

TTnsConnection::~TTnsConnection() { CloseSocket(); }

bool TTnsConnection::Connected() const {
  TSendHold lock(sendLock_);
  return SendSide().Connected();
}

void TTnsConnection::CheckConnected() const {
  if (!Connected()) throw ENetError(ENetError::kNotConnected);
}

void TTnsConnection::OpenSocket(const std::string& host, int port) {
  TSendHold lock(sendLock_);
  if (deadline_) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline_ - Clock::now()).count();
    if (left <= 0) throw ESocketError(ESocketError::Step::Connect, ETIMEDOUT, "Connect failed: timed out");
    SendSide().SetConnectTimeout(int(std::min<long long>(left, TPosixSocket::kDefaultConnectTimeoutMs)));
  }
  SendSide().Connect(host, port);
}

void TTnsConnection::CloseSocket() {
  {
    TSendHold lock(sendLock_);
    SendSide().Close();
  }
  // Nothing of a closed stream is read or sent later.
  writePos_ = kDataPreamble;
  readLength_ = readPos_ = 0;
  replyPending_ = false;
}

void TTnsConnection::Connect(const std::string& host, int port, const std::string& sid) {
  CloseSocket();
  host_ = host;
  port_ = port;
  sid_ = sid;
  packetLimit_ = sdu_;
  breakPending_ = false;
  interrupted_ = false;
  ClosingOnFailure([&] {
    OpenSocket(host_, port_);
    for (int hops = 0;;) {
      SendConnect();
      const PacketInfo answer = ReadPacket();
      switch (answer.type) {
        case kAccept:
          TakeAccept(answer);
          return;
        case kRefuse:
          throw ENetError(ENetError::kRefused);
        case kRedirect:
          if (++hops > kMaxHops) throw ENetError(ENetError::kTooManyHops);
          FollowRedirect(answer);
          break;
        case kResend:
          if (++hops > kMaxHops) throw ENetError(ENetError::kTooManyHops);
          break;
        default:
          throw ENetError(ENetError::kUnexpectedPacket);
      }
    }
  });
}

void TTnsConnection::SendConnect() {
  const std::string descriptor = "(DESCRIPTION=(ADDRESS=(PROTOCOL=tcp)(HOST=" + host_ + ")(PORT=" +
                                 std::to_string(port_) + "))(CONNECT_DATA=(SID=" + sid_ + ")))";
  const int length = kConnectFixedSize + int(descriptor.size());
  if (descriptor.size() > std::size_t(kBufferSize - kConnectFixedSize)) {
    throw olv::Exception("Connect descriptor of " + std::to_string(descriptor.size()) +
                         " bytes does not fit the packet");
  }
  std::uint8_t* p = sendBuffer_.data();
  PutU16(p + 8, 0x0133);             // version
  PutU16(p + 10, 0x012C);            // lowest compatible version
  PutU16(p + 12, 0);                 // service options
  PutU16(p + 14, unsigned(sdu_));
  PutU16(p + 16, unsigned(tdu_));
  PutU16(p + 18, 0x7F08);            // protocol characteristics
  PutU16(p + 20, 0);                 // line turnaround
  p[22] = 0x01;                      // value of one in hardware
  p[23] = 0x00;
  PutU16(p + 24, unsigned(descriptor.size()));
  PutU16(p + 26, kConnectFixedSize);
  p[28] = 0x00;                      // largest connect data the client takes: 1024
  p[29] = 0x00;
  p[30] = 0x04;
  p[31] = 0x00;
  p[32] = 4;                         // connect flags
  p[33] = 0;
  std::memcpy(p + kConnectFixedSize, descriptor.data(), descriptor.size());
  SendPacket(p, length, kConnect);
}

void TTnsConnection::TakeAccept(const PacketInfo& packet) {
  // The server may grant a smaller SDU than offered; packets beyond it would not be taken.
  if (packet.length >= 14) {
    const int granted = int(GetU16(readBuffer_.data() + 12));
    if (granted >= kSmallestUsableSdu && granted < sdu_) packetLimit_ = granted;
  }
}

void TTnsConnection::FollowRedirect(const PacketInfo& packet) {
  if (packet.length < kDataPreamble) throw ENetError(ENetError::kPacketTooShort);
  const int announced = int(GetU16(readBuffer_.data() + 8));
  const int available = std::min(announced, packet.length - kDataPreamble);
  const char* from = reinterpret_cast<const char*>(readBuffer_.data() + kDataPreamble);
  const std::string text(from, std::find(from, from + available, '\0'));

  const std::string host = GetDescriptorValue(text, "HOST");
  const std::string portText = GetDescriptorValue(text, "PORT");
  int port = 0;
  const bool digitsOnly = !portText.empty() && portText.size() <= 5 &&
                          std::all_of(portText.begin(), portText.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (digitsOnly) port = std::stoi(portText);
  if (host.empty() || port < 1 || port > 65535) throw ENetError(ENetError::kUnexpectedPacket);

  std::string sid = GetDescriptorValue(text, "SID");
  if (sid.empty()) sid = GetDescriptorValue(text, "SERVICE_NAME");
  // A redirect that names only an address sends us on with the service we asked for.
  if (!sid.empty()) sid_ = sid;
  host_ = host;
  port_ = port;
  CloseSocket();
  OpenSocket(host_, port_);
}

void TTnsConnection::Disconnect() {
  if (Connected()) {
    writePos_ = kDataPreamble;
    try {
      FlushData(kEndOfFileFlag);
    } catch (const std::exception&) {
      // The peer is gone already; there is nothing left to tell it.
    }
  }
  CloseSocket();
  breakPending_ = false;
}

void TTnsConnection::SendPacket(std::uint8_t* packet, int length, std::uint8_t type) {
  PutHeader(packet, length, type);
  TSendHold lock(sendLock_);
  if (!SendSide().Connected()) throw ENetError(ENetError::kNotConnected);
  if (SendSide().Send(packet, length) != length) throw ENetError(ENetError::kShortTransfer);
}

void TTnsConnection::SendMarker(MarkerKind kind) {
  std::uint8_t marker[kMarkerSize] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, kind};
  SendPacket(marker, kMarkerSize, kMarker);
}

int TTnsConnection::WaitLimit(bool started) const {
  int limit = receiveTimeoutMs_;
  if (started && (limit <= 0 || packetTimeoutMs_ < limit)) limit = packetTimeoutMs_;
  if (deadline_) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline_ - Clock::now()).count();
    if (left <= 0) throw ESocketError(ESocketError::Step::Stream, ETIMEDOUT, "Receive failed: timed out");
    if (limit <= 0 || left < limit) limit = int(left);
  }
  return limit;
}

void TTnsConnection::ReceiveExact(std::uint8_t* buffer, int count, bool started) {
  while (count > 0) {
    socket_->SetReceiveTimeout(WaitLimit(started));
    const int n = socket_->Receive(buffer, count);
    if (n <= 0) throw ENetError(ENetError::kShortTransfer);
    buffer += n;
    count -= n;
    started = true;
  }
}

TTnsConnection::PacketInfo TTnsConnection::ReadPacket() {
  std::uint8_t* p = readBuffer_.data();
  ReceiveExact(p, kHeaderSize, false);
  const int length = int(GetU16(p));
  const std::uint8_t type = p[4];
  if (type > kHighestPacketType) throw ENetError(ENetError::kBadPacketType);
  if (length > kLongestPacket || length > sdu_) throw ENetError(ENetError::kPacketTooLong);
  if (length < kHeaderSize) throw ENetError(ENetError::kPacketTooShort);
  ReceiveExact(p + kHeaderSize, length - kHeaderSize, true);
  return {length, type};
}

void TTnsConnection::WriteBytes(const void* buffer, std::size_t count) {
  const auto* from = static_cast<const std::uint8_t*>(buffer);
  while (count > 0) {
    if (writePos_ >= packetLimit_) FlushData(0);
    const std::size_t n = std::min(count, std::size_t(packetLimit_ - writePos_));
    std::memcpy(sendBuffer_.data() + writePos_, from, n);
    writePos_ += int(n);
    from += n;
    count -= n;
  }
}

void TTnsConnection::FlushData(std::uint16_t dataFlags) {
  ClosingOnFailure([&] {
    const int length = writePos_;
    writePos_ = kDataPreamble;
    PutU16(sendBuffer_.data() + 8, dataFlags);
    if (dataFlags == 0) replyPending_ = true;
    SendPacket(sendBuffer_.data(), length, kData);
  });
}

void TTnsConnection::ReadDataPacket() {
  CheckConnected();
  for (;;) {
    const PacketInfo packet = ReadPacket();
    if (packet.type == kData) {
      if (packet.length < kDataPreamble) throw ENetError(ENetError::kPacketTooShort);
      readLength_ = packet.length;
      readPos_ = kDataPreamble;
      return;
    }
    if (packet.type != kMarker) throw ENetError(ENetError::kUnexpectedPacket);
    if (packet.length < kMarkerSize) throw ENetError(ENetError::kPacketTooShort);
    const std::uint8_t* p = readBuffer_.data();
    if (p[8] == 0 || (p[8] == 1 && p[10] != kResetMarker)) breakPending_ = true;
    ResetAfterBreak();
  }
}

std::size_t TTnsConnection::ReadBytes(void* buffer, std::size_t count) {
  return ClosingOnFailure([&] {
    auto* to = static_cast<std::uint8_t*>(buffer);
    std::size_t copied = 0;
    while (copied < count) {
      if (readPos_ >= readLength_) {
        // A request goes out at the latest when its reply is read.
        if (writePos_ > kDataPreamble) FlushData(0);
        ReadDataPacket();
      }
      const std::size_t n = std::min(count - copied, std::size_t(readLength_ - readPos_));
      std::memcpy(to + copied, readBuffer_.data() + readPos_, n);
      readPos_ += int(n);
      copied += n;
    }
    return copied;
  });
}

std::size_t TTnsConnection::ReadView(const std::uint8_t*& data, std::size_t max) {
  return ClosingOnFailure([&] {
    if (readPos_ >= readLength_) {
      if (writePos_ > kDataPreamble) FlushData(0);
      ReadDataPacket();
      while (readPos_ >= readLength_) ReadDataPacket();  // a DATA packet may carry no payload
    }
    const std::size_t n = std::min(max, std::size_t(readLength_ - readPos_));
    data = readBuffer_.data() + readPos_;
    readPos_ += int(n);
    return n;
  });
}

void TTnsConnection::SendBreak() {
  // Nothing here closes the socket: the owner's thread may be inside a receive on it. Shutting
  // the stream down wakes that receive, and the owner closes.
  std::uint64_t resetsBefore = 0;
  {
    plat::MutexLock hold(resetLock_);
    resetsBefore = resets_;
  }
  const auto grace = std::chrono::milliseconds(kBreakGraceMs);
  bool marked = false;
  if (sendLock_.try_lock_for(grace / 2)) {
    TSendHold lock(sendLock_, TSendHold::kAdopt);
    if (!SendSide().Connected()) return;
    std::uint8_t marker[kMarkerSize] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, kBreakMarker};
    PutHeader(marker, kMarkerSize, kMarker);
    // Never waits: a server that stopped reading must not hold the break up.
    marked = SendSide().TrySend(marker, kMarkerSize) == kMarkerSize;
  }
  if (marked) {
    const auto deadline = std::chrono::steady_clock::now() + grace / 2;
    plat::MutexLock hold(resetLock_);
    while (resets_ == resetsBefore)
      if (hold.waitUntil(resetSeen_, deadline) == std::cv_status::timeout) break;
    if (resets_ != resetsBefore) return;
  }
  interrupted_ = true;
  socket_->Shutdown();
}

void TTnsConnection::ReplyEnded() {
  replyPending_ = false;
  if (readPos_ < readLength_) CloseSocket();
}

void TTnsConnection::ResetAfterBreak() {
  ClosingOnFailure([&] {
    CheckConnected();
    SendMarker(kResetMarker);
    while (breakPending_) {
      const PacketInfo packet = ReadPacket();
      if (packet.type != kMarker) continue;  // the rest of the interrupted reply
      if (packet.length < kMarkerSize) throw ENetError(ENetError::kPacketTooShort);
      const std::uint8_t* p = readBuffer_.data();
      if (p[8] == 1 && p[10] == kResetMarker) breakPending_ = false;
    }
    readLength_ = readPos_ = 0;
    {
      plat::MutexLock hold(resetLock_);
      ++resets_;
    }
    resetSeen_.notify_all();
  });
}

}  // namespace ora
