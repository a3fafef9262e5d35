#pragma once
// The session half of the direct network call protocol, kept on a service context: the TNS
// connect, the protocol and data-type negotiations, the two-phase logon with the password
// exchange, the status reply that ends most calls, and logoff, commit, rollback and break.
//
// Every operation returns the call interface's status (0, or -1 with `error` filled) and never
// raises: any failure is turned into a code and text by TranslateNetException, so a protocol
// violation reads "NET: Unknown error " + code and an Oracle error keeps its own number and text.
//
// Replies stay in step: a failure found while a reply is still partly unread (a protocol
// violation, a broken stream) leaves no way to find the reply's end, so the connection is closed
// and the failure is reported with -3113, the code of a lost connection; later calls then fail
// as not connected, never as a success. Failures the client finds in a value it decodes (a
// NUMBER its target cannot hold) are kept until the reply has been read to its end.
//
// Waits: the connect, the handshake and the logon end within ConnectTimeoutMs as a whole; a call
// waits as long as the server works on it unless ReceiveTimeoutMs is set; the rest of a packet
// that has started must come within ConnectTimeoutMs (TnsConnection.h).
//
// Ownership and threads: the session owns its TTnsConnection. One thread at a time calls it;
// Break alone may come from another thread while a call waits for its reply.
#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "oracle/net/NetWire.h"
#include "oracle/net/TnsConnection.h"
#include "oracle/net/TranslateNetException.h"

namespace ora {

// What an error handle holds.
struct TNetError {
  std::int32_t code = 0;
  std::string text;
};

// The 13 ROWID bytes as kept: byte 0, then 4-, 2-, 4- and 2-byte numbers big-endian.
using TNetRowidBytes = std::array<std::uint8_t, 13>;

// What the status reply tells a statement.
struct TNetStatus {
  std::uint32_t rowsProcessed = 0;
  std::int16_t parseErrorOffset = 0;
  std::uint8_t commandCode = 0;
  TNetRowidBytes rowid{};
};

// Who the logon says the client is.
struct TNetClientIdentity {
  std::string machine;  // sent as terminal and as machine
  std::string osUser;
  std::string process;  // process id ":" thread id
  std::string program;  // the program's file name without folder
  static TNetClientIdentity OfThisProcess();
};

// The parts of a server text "host:port:SID"; an empty or missing part keeps its default.
// Raises olv::Exception "Invalid port" for a port that is no decimal number in 1..65535.
struct TNetServerAddress {
  std::string host = TTnsConnection::kDefaultHost;
  int port = TTnsConnection::kDefaultPort;
  std::string sid = TTnsConnection::kDefaultSid;
  static TNetServerAddress Parse(const std::string& serverText);
};

class TNetSession {
 public:
  static constexpr std::uint8_t kFnLogoff = 9, kFnCommit = 14, kFnRollback = 15, kFnLogonPhase2 = 81,
                                kFnLogonPhase1 = 82;
  static constexpr std::size_t kLongestDataTypeReply = 64 * 1024;
  static constexpr int kDefaultConnectTimeoutMs = 60000;

  explicit TNetSession(std::unique_ptr<TSocket> socket = nullptr);

  // Filled before Logon.
  std::string ServerText;
  std::string UserName;
  std::string Password;  // read by Logon and wiped when it returns
  TNetClientIdentity Identity = TNetClientIdentity::OfThisProcess();
  int ConnectTimeoutMs = kDefaultConnectTimeoutMs;  // above 0
  int ReceiveTimeoutMs = 0;                         // 0: none

  int Logon(TNetError& error);
  // -1 without touching `error` when not logged on; closes the connection in any case.
  int Logoff(TNetError& error);
  int Commit(TNetError& error);
  int Rollback(TNetError& error);
  // Any thread: see TTnsConnection::SendBreak. Returns 0.
  int Break(TNetError& error);
  // A new client character set; when logged on and not 0 it becomes the server's too and the
  // data-type negotiation runs again.
  int SetClientCharset(std::uint16_t id, TNetError& error);

  // The status reply after its type byte: 0 when its error code is 0, else -1. `status` (when
  // given) receives rows processed, parse error offset, command code and ROWID.
  int ReadStatus(TNetError& error, TNetStatus* status);
  // The reply of logoff, commit, rollback: a status reply or the end-of-call message.
  int ReadSimpleReply(TNetError& error);

  // Runs `body` (returning the status) and turns any failure into -1 with `error` filled.
  template <class Body>
  static int Guard(TNetError& error, Body&& body) {
    try {
      return body();
    } catch (...) {
      return TranslateNetException(std::current_exception(), error.code, error.text);
    }
  }
  // Guard for a call on this session's stream: a failure in the middle of an exchange also
  // closes the connection (Failed).
  template <class Body>
  int Call(TNetError& error, Body&& body) {
    try {
      return body();
    } catch (...) {
      return Failed(std::current_exception(), error);
    }
  }
  int Failed(const std::exception_ptr& failure, TNetError& error);

  TTnsConnection& Connection() { return *connection_; }
  TNetWriter& Writer() { return writer_; }
  TNetReader& Reader() { return reader_; }
  int ProtocolVersion() const { return protocolVersion_; }
  int ServerVersion() const { return serverVersion_; }
  std::uint16_t ServerCharset() const { return serverCharset_; }
  std::uint16_t ClientCharset() const { return clientCharset_; }
  bool LoggedOn() const { return loggedOn_; }
  const std::string& SessionKey() const { return sessionKey_; }
  int MaxStringSize() const { return maxStringSize_; }
  // The text of the last logon warning (for instance a password about to expire), else empty.
  const std::string& LogonWarning() const { return logonWarning_; }

 private:
  void NegotiateProtocol();
  void NegotiateDataTypes();
  int LogonPhase(bool phaseOne, const std::string& passwordText, TNetError& error);
  void WriteLogonCall(bool phaseOne, const std::string& passwordText);
  int SimpleCall(std::uint8_t function, TNetError& error);

  std::unique_ptr<TTnsConnection> connection_;
  TNetWriter writer_;
  TNetReader reader_;
  int protocolVersion_ = 0;
  int serverVersion_ = 0;
  std::uint16_t serverCharset_ = 0;
  std::uint16_t clientCharset_ = 0;
  bool loggedOn_ = false;
  std::string sessionKey_;
  int maxStringSize_ = 2000;
  std::string logonWarning_;
};

}  // namespace ora
