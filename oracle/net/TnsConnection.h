#pragma once
// The TNS transport of the direct network client: one TCP connection per logon, the connect
// handshake (ACCEPT, REFUSE, REDIRECT, RESEND), the call protocol's byte stream carried in DATA
// packets of at most one SDU, and break/reset markers.
//
// Ownership and threads: the connection owns its socket. One thread at a time drives it (connect,
// writes, reads, disconnect); SendBreak alone may be called from another thread at any moment:
// it builds its marker in a buffer of its own, and every send and every opening or closing of the
// socket is serialised by one lock.
//
// Waits: every receive is bounded when a bound is set. The deadline (SetDeadline) ends every
// wait by a fixed time, for the connect and the logon; the receive timeout bounds the wait for a
// packet to start (0: as long as the server works on the call); the packet timeout bounds the
// wait for the rest of a packet that has started, whatever else is set, so a packet announcing
// more bytes than it sends cannot hold a call for ever. A wait that runs out is ESocketError
// ETIMEDOUT.
//
// Failures raise ENetError, ESocketError or olv::Exception (NetErrors.h). A failure of the
// stream itself (a send or receive that failed, a packet that is too long, too short, of an
// unknown or unexpected type) closes the socket before it propagates: the byte stream can no
// longer be trusted, and a closed connection is reported as lost rather than left stuck.
//
// Replies in step: a request sent opens an exchange that the call protocol closes with
// ReplyEnded once it has read its reply's last message; InStep says whether a failure left the
// stream between exchanges (so the connection can go on) or in the middle of one (so it cannot).
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
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
  static constexpr int kDefaultPacketTimeoutMs = 60000;
  // How long a break waits for the server to answer its marker before it closes the stream.
  static constexpr int kBreakGraceMs = 1000;
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

  // Any thread. Sends a break marker and waits, at most kBreakGraceMs, for the thread in the call
  // to read the server's reset; when the marker cannot go out or the server does not answer, it
  // shuts the stream down, so the waiting call ends with ENetError kInterrupted, the connection
  // closed. Never raises; does nothing on a closed connection.
  void SendBreak();
  void ResetAfterBreak();  // sends a reset marker and reads until the server's reset

  using Clock = std::chrono::steady_clock;
  // Every wait ends by this time until ClearDeadline.
  void SetDeadline(Clock::time_point deadline) { deadline_ = deadline; }
  void ClearDeadline() { deadline_.reset(); }
  // Milliseconds; 0 waits for ever.
  void SetReceiveTimeout(int milliseconds) { receiveTimeoutMs_ = milliseconds; }
  // Milliseconds, above 0.
  void SetPacketTimeout(int milliseconds) { packetTimeoutMs_ = milliseconds; }

  // The reply of the last request has been read to its end. Bytes left after it in its packet
  // mean the server said more than the call asked: the stream is out of step and is closed.
  void ReplyEnded();
  // No reply is pending: a failure here leaves the stream usable once the unsent part of the
  // request is dropped (DiscardUnsent).
  bool InStep() const { return !replyPending_; }
  void DiscardUnsent() { writePos_ = 10; }
  // Closes the stream, which can no longer be trusted; later calls fail as not connected.
  void Drop() { CloseSocket(); }

  const std::string& Host() const { return host_; }
  int Port() const { return port_; }
  const std::string& Sid() const { return sid_; }
  int Sdu() const { return sdu_; }
  int Tdu() const { return tdu_; }
  int PacketLimit() const { return packetLimit_; }
  bool BreakPending() const { return breakPending_; }
  TSocket& Socket() { return *socket_; }

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
  // `started`: the packet's first bytes are in, so the packet timeout applies.
  void ReceiveExact(std::uint8_t* buffer, int count, bool started);
  int WaitLimit(bool started) const;
  PacketInfo ReadPacket();
  void FollowRedirect(const PacketInfo& packet);
  void TakeAccept(const PacketInfo& packet);
  void ReadDataPacket();

  // Receives and the break's shutdown use it without the send lock (a receive may wait long, and
  // a break must reach it); everything else on it goes through SendSide().
  std::unique_ptr<TSocket> socket_;
  // A lock a waiter may give up on after a time, so a break gives up on a send stuck behind a
  // server that stopped reading. (Built on a mutex and a condition variable, which every thread
  // checker follows; a capability the lock rules know, like plat::Mutex.)
  class CAPABILITY("mutex") TSendLock {
   public:
    void lock() ACQUIRE() { Take(std::nullopt); }
    void unlock() RELEASE() { Give(); }
    bool try_lock_for(std::chrono::milliseconds limit) TRY_ACQUIRE(true) {
      return Take(std::chrono::steady_clock::now() + limit);
    }

   private:
    // The steps themselves, apart from the annotated members above (the analysis does not look
    // inside a lock's own lock and unlock), so that it checks them. Take: false when the
    // deadline passed with the lock still held elsewhere.
    bool Take(std::optional<std::chrono::steady_clock::time_point> deadline);
    void Give();

    plat::Mutex m_;
    std::condition_variable freed_;
    bool held_ GUARDED_BY(m_) = false;
  };
  // The send lock for a scope; or, with kAdopt, for the rest of the scope of a lock already taken
  // (try_lock_for).
  class SCOPED_CAPABILITY TSendHold {
   public:
    struct Adopt {};
    static constexpr Adopt kAdopt{};
    explicit TSendHold(TSendLock& lock) ACQUIRE(lock) : lock_(lock) { lock_.lock(); }
    TSendHold(TSendLock& lock, Adopt) REQUIRES(lock) : lock_(lock) {}
    ~TSendHold() RELEASE() { lock_.unlock(); }
    TSendHold(const TSendHold&) = delete;
    TSendHold& operator=(const TSendHold&) = delete;

   private:
    TSendLock& lock_;
  };
  mutable TSendLock sendLock_;  // sends, and opening and closing the socket
  // The socket for a send, an opening or a closing: only under the send lock.
  TSocket& SendSide() const REQUIRES(sendLock_) { return *socket_; }
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
  bool replyPending_ = false;
  std::optional<Clock::time_point> deadline_;
  int receiveTimeoutMs_ = 0;
  int packetTimeoutMs_ = kDefaultPacketTimeoutMs;
  // Set by a break that shut the stream down; read by the owner's failing call.
  std::atomic<bool> interrupted_{false};
  plat::Mutex resetLock_;
  std::condition_variable resetSeen_;
  std::uint64_t resets_ GUARDED_BY(resetLock_) = 0;  // resets read from the server
};

// The value of `key` in a connect descriptor or redirect text: the characters after "(KEY=" up to
// the next ")" or the end; empty when the text holds no such clause. Keys match in any case.
std::string GetDescriptorValue(const std::string& text, const std::string& key);

}  // namespace ora
