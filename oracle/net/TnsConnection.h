#pragma once
// The TNS transport of the direct network client: one TCP connection per logon, the connect
// handshake (ACCEPT, REFUSE, REDIRECT, RESEND), the call protocol's byte stream carried in DATA
// packets of at most one SDU, and break/reset markers.
//
// Ownership and threads: the connection owns its socket. One thread at a time drives it (connect,
// writes, reads, disconnect); SendBreak alone may be called from another thread at any moment,
// since it builds its marker in a buffer of its own and every send and every opening or closing
// of the socket is serialised by one lock.
//
// Failures raise ENetError, ESocketError or olv::Exception (NetErrors.h). A failure of the
// stream itself (a send or receive that failed, a packet that is too long, too short, of an
// unknown or unexpected type) closes the socket before it propagates: the byte stream can no
// longer be trusted, and a closed connection is reported as lost rather than left stuck.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "oracle/net/Socket.h"
#include "platform/ThreadAnnotations.h"

namespace ora {

class TTnsConnection {
 public:
  static constexpr int kBufferSize = 4096;
  static constexpr int kDefaultPort = 1521;
  static constexpr int kDefaultSdu = 2048;
  static constexpr int kDefaultTdu = 32767;
  static constexpr int kMaxHops = 8;  // RESEND and REDIRECT answers followed per Connect
  static constexpr std::uint16_t kEndOfFileFlag = 0x0040;
  static constexpr const char* kDefaultHost = "local";
  static constexpr const char* kDefaultSid = "orcl";

  enum PacketType : std::uint8_t {
    kConnect = 1, kAccept = 2, kRefuse = 4, kRedirect = 5, kData = 6, kResend = 11, kMarker = 12
  };
  enum MarkerKind : std::uint8_t { kBreakMarker = 1, kResetMarker = 2 };

  // Takes the socket to talk through; a new TPosixSocket when none is given.
  explicit TTnsConnection(std::unique_ptr<TSocket> socket = nullptr);
  ~TTnsConnection();
  TTnsConnection(const TTnsConnection&) = delete;
  TTnsConnection& operator=(const TTnsConnection&) = delete;

  // Opens the socket and completes the handshake, following at most kMaxHops RESEND and REDIRECT
  // answers (ENetError 208 past that). REFUSE is ENetError 206, any other answer 205.
  void Connect(const std::string& host, int port, const std::string& sid);
  // Sends the end-of-file DATA packet when still connected (best effort) and closes the socket.
  void Disconnect();
  bool Connected() const;
  void CheckConnected() const;  // ENetError 200 when not connected

  // Appends to the outgoing DATA packet, sending each full packet when more bytes follow.
  void WriteBytes(const void* buffer, std::size_t count);
  // Reads exactly `count` bytes of DATA payload (sending a pending request first) and returns
  // `count`; answers a break marker from the server with the reset exchange on the way.
  std::size_t ReadBytes(void* buffer, std::size_t count);
  // One byte of DATA payload, as ReadBytes: the call protocol's reader takes most values so.
  std::uint8_t ReadByte() {
    if (readPos_ < readLength_) return readBuffer_[std::size_t(readPos_++)];
    std::uint8_t byte = 0;
    ReadBytes(&byte, 1);
    return byte;
  }
  // At least one and at most `max` (above 0) bytes of DATA payload as a view into the current
  // packet, read as ReadBytes reads them; valid until the next read.
  std::size_t ReadView(const std::uint8_t*& data, std::size_t max);
  // Sends the outgoing DATA packet now, with these data flags.
  void FlushData(std::uint16_t dataFlags = 0);

  void SendBreak();        // any thread
  void ResetAfterBreak();  // sends a reset marker and reads until the server's reset

  const std::string& Host() const { return host_; }
  int Port() const { return port_; }
  const std::string& Sid() const { return sid_; }
  int Sdu() const { return sdu_; }
  int Tdu() const { return tdu_; }
  int PacketLimit() const { return packetLimit_; }
  bool BreakPending() const { return breakPending_; }

  // State of the call protocol kept with its transport.
  std::array<std::uint8_t, 4>& Representations() { return representations_; }
  bool ConversionFlag() const { return conversion_; }
  void SetConversionFlag(bool on) { conversion_ = on; }

 private:
  struct PacketInfo {
    int length;
    std::uint8_t type;
  };

  // Runs `body`; any failure closes the socket first, since the stream can no longer be trusted.
  template <class Body>
  auto ClosingOnFailure(Body body);
  void OpenSocket(const std::string& host, int port);
  void CloseSocket();
  void SendConnect();
  void SendPacket(std::uint8_t* packet, int length, std::uint8_t type);
  void SendMarker(MarkerKind kind);
  // Reads belong to the thread that runs the call; the send lock orders only what another thread
  // may do meanwhile (a break marker, closing).
  void ReceiveExact(std::uint8_t* buffer, int count) NO_THREAD_SAFETY_ANALYSIS;
  PacketInfo ReadPacket();
  void FollowRedirect(const PacketInfo& packet);
  void TakeAccept(const PacketInfo& packet);
  void ReadDataPacket();

  mutable plat::Mutex sendLock_;
  std::unique_ptr<TSocket> socket_ PT_GUARDED_BY(sendLock_);  // sends, opening and closing
  std::string host_ = kDefaultHost;
  int port_ = kDefaultPort;
  std::string sid_ = kDefaultSid;
  int sdu_ = kDefaultSdu;
  int tdu_ = kDefaultTdu;
  int packetLimit_ = kDefaultSdu;
  // Outgoing and incoming packets are kept apart, so a request written while part of a reply is
  // still unread cannot overwrite it.
  std::array<std::uint8_t, kBufferSize> sendBuffer_{};
  std::array<std::uint8_t, kBufferSize> readBuffer_{};
  int writePos_ = 10;
  int readLength_ = 0;
  int readPos_ = 0;
  std::array<std::uint8_t, 4> representations_{0, 2, 1, 1};
  bool conversion_ = false;
  bool breakPending_ = false;
};

// The value of `key` in a connect descriptor or redirect text: the characters after "(KEY=" up to
// the next ")" or the end; empty when the text holds no such clause. Keys match in any case.
std::string GetDescriptorValue(const std::string& text, const std::string& key);

}  // namespace ora
