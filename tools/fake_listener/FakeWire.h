#pragma once
// The fake listener's own reading and writing of TNS packets, written apart from the client's
// transport on purpose: when both sides shared one piece of code, a misreading of the wire format
// would agree with itself and no test would see it.
//
// Packets are plain byte vectors: 8-byte header (length and checksums big-endian, type, flags),
// then the body. Pure functions; any thread.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ora::fake {

using Bytes = std::vector<std::uint8_t>;

enum class Type : std::uint8_t {
  Connect = 1, Accept = 2, Ack = 3, Refuse = 4, Redirect = 5, Data = 6, Null = 7, Abort = 9,
  Resend = 11, Marker = 12, Attention = 13, Control = 14
};

struct Packet {
  Bytes bytes;  // the whole packet, header included

  std::size_t Length() const { return bytes.size(); }
  Type PacketType() const { return static_cast<Type>(bytes.at(4)); }
  // Data packets: the two data-flag bytes and what follows them.
  std::uint16_t DataFlags() const;
  Bytes DataPayload() const;
  // Marker packets: 1 break, 2 reset; 0 when the packet is no well-formed marker.
  int MarkerKind() const;
};

// What a CONNECT packet carries.
struct ConnectRequest {
  int version = 0;
  int lowestVersion = 0;
  int sdu = 0;
  int tdu = 0;
  std::string descriptor;
};
std::optional<ConnectRequest> ReadConnect(const Packet& packet);

// The value of "(KEY=" ... ")" in a descriptor, or empty.
std::string DescriptorField(const std::string& descriptor, const std::string& key);

// Packet builders. `Frame` puts any body behind a header with the given length field, which is
// the true length unless a test wants a lie.
Bytes Frame(Type type, const Bytes& body, std::optional<std::uint16_t> claimedLength = std::nullopt);
Bytes AcceptPacket(int version, int sdu, int tdu);
Bytes RefusePacket(const std::string& reason);
Bytes RedirectPacket(const std::string& text);
Bytes ResendPacket();
Bytes DataPacket(const Bytes& payload, std::uint16_t dataFlags = 0);
Bytes MarkerPacket(int kind);  // 1 break, 2 reset

// Gathers bytes from a stream and hands out whole packets. A header announcing fewer than 8
// bytes makes the stream unreadable (Broken()).
class PacketAssembler {
 public:
  void Add(const std::uint8_t* data, std::size_t count);
  std::optional<Packet> Next();
  bool Broken() const { return broken_; }

 private:
  Bytes pending_;
  bool broken_ = false;
};

}  // namespace ora::fake
