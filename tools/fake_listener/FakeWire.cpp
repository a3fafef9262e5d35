#include "tools/fake_listener/FakeWire.h"

#include <algorithm>
#include <cctype>

namespace ora::fake {
namespace {

std::uint16_t Be16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint16_t>((b.at(at) << 8) | b.at(at + 1));
}

void AppendBe16(Bytes& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

void AppendText(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

}  // namespace

std::uint16_t Packet::DataFlags() const { return bytes.size() >= 10 ? Be16(bytes, 8) : 0; }

Bytes Packet::DataPayload() const {
  if (bytes.size() <= 10) return {};
  return Bytes(bytes.begin() + 10, bytes.end());
}

int Packet::MarkerKind() const {
  if (bytes.size() < 11 || PacketType() != Type::Marker) return 0;
  return bytes[10];
}

std::optional<ConnectRequest> ReadConnect(const Packet& packet) {
  const Bytes& b = packet.bytes;
  if (b.size() < 34 || packet.PacketType() != Type::Connect) return std::nullopt;
  ConnectRequest r;
  r.version = Be16(b, 8);
  r.lowestVersion = Be16(b, 10);
  r.sdu = Be16(b, 14);
  r.tdu = Be16(b, 16);
  const std::size_t length = Be16(b, 24);
  const std::size_t offset = Be16(b, 26);
  if (offset > b.size() || length > b.size() - offset) return std::nullopt;
  r.descriptor.assign(b.begin() + long(offset), b.begin() + long(offset + length));
  return r;
}

std::string DescriptorField(const std::string& descriptor, const std::string& key) {
  std::string upper = descriptor;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return char(std::toupper(c)); });
  std::string wanted = "(" + key + "=";
  std::transform(wanted.begin(), wanted.end(), wanted.begin(), [](unsigned char c) { return char(std::toupper(c)); });
  const std::size_t at = upper.find(wanted);
  if (at == std::string::npos) return {};
  const std::size_t from = at + wanted.size();
  const std::size_t to = descriptor.find(')', from);
  return descriptor.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

Bytes Frame(Type type, const Bytes& body, std::optional<std::uint16_t> claimedLength) {
  Bytes out;
  AppendBe16(out, claimedLength ? *claimedLength : unsigned(8 + body.size()));
  AppendBe16(out, 0);  // packet checksum
  out.push_back(static_cast<std::uint8_t>(type));
  out.push_back(0);    // flags
  AppendBe16(out, 0);  // header checksum
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes AcceptPacket(int version, int sdu, int tdu) {
  Bytes body;
  AppendBe16(body, unsigned(version));
  AppendBe16(body, 0);               // service options
  AppendBe16(body, unsigned(sdu));
  AppendBe16(body, unsigned(tdu));
  body.push_back(0x01);              // value of one, as the client wrote it
  body.push_back(0x00);
  AppendBe16(body, 0);               // no accept data
  AppendBe16(body, 8 + 16);          // where it would start
  body.push_back(0x01);              // connect flags
  body.push_back(0x01);
  return Frame(Type::Accept, body);
}

Bytes RefusePacket(const std::string& reason) {
  Bytes body{0x22, 0x00};  // user and system reasons
  AppendBe16(body, unsigned(reason.size()));
  AppendText(body, reason);
  return Frame(Type::Refuse, body);
}

Bytes RedirectPacket(const std::string& text) {
  Bytes body;
  AppendBe16(body, unsigned(text.size()));
  AppendText(body, text);
  return Frame(Type::Redirect, body);
}

Bytes ResendPacket() { return Frame(Type::Resend, {}); }

Bytes DataPacket(const Bytes& payload, std::uint16_t dataFlags) {
  Bytes body;
  AppendBe16(body, dataFlags);
  body.insert(body.end(), payload.begin(), payload.end());
  return Frame(Type::Data, body);
}

Bytes MarkerPacket(int kind) { return Frame(Type::Marker, {0x01, 0x00, static_cast<std::uint8_t>(kind)}); }

void PacketAssembler::Add(const std::uint8_t* data, std::size_t count) {
  pending_.insert(pending_.end(), data, data + count);
}

std::optional<Packet> PacketAssembler::Next() {
  if (broken_ || pending_.size() < 8) return std::nullopt;
  const std::size_t length = Be16(pending_, 0);
  if (length < 8) {
    broken_ = true;
    return std::nullopt;
  }
  if (pending_.size() < length) return std::nullopt;
  Packet p;
  p.bytes.assign(pending_.begin(), pending_.begin() + long(length));
  pending_.erase(pending_.begin(), pending_.begin() + long(length));
  return p;
}

}  // namespace ora::fake
