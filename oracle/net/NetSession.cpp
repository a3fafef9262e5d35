#include "oracle/net/NetSession.h"

#include <pwd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstring>

#include "foundation/base/Exception.h"
#include "oracle/net/NetDataTypes.h"
#include "oracle/net/NetErrors.h"
#include "oracle/net/OraCrypt.h"

namespace ora {
namespace {

constexpr std::uint8_t kAcceptedVersions[] = {6, 5, 4, 3, 2, 1, 0};
constexpr char kClientBanner[] = "NET_TTC-8.1.0";  // sent with its zero byte
constexpr std::size_t kLongestServerBanner = 50;
constexpr std::size_t kLongestSessionKeyText = 16;

bool IsDecimal(const std::string& text) {
  return !text.empty() && text.size() <= 5 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

TNetClientIdentity TNetClientIdentity::OfThisProcess() {
  TNetClientIdentity id;
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) == 0) id.machine = host;
  if (const passwd* pw = ::getpwuid(::geteuid())) id.osUser = pw->pw_name;
  id.process = std::to_string(::getpid()) + ":" + std::to_string(long(::syscall(SYS_gettid)));
  id.program = program_invocation_short_name ? program_invocation_short_name : "";
  return id;
}

TNetServerAddress TNetServerAddress::Parse(const std::string& serverText) {
  TNetServerAddress a;
  const std::size_t first = serverText.find(':');
  const std::string host = serverText.substr(0, first);
  if (!host.empty()) a.host = host;
  if (first == std::string::npos) return a;
  const std::size_t second = serverText.find(':', first + 1);
  const std::string port = serverText.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
  if (!port.empty()) {
    if (!IsDecimal(port) || std::stoi(port) < 1 || std::stoi(port) > 65535) throw olv::Exception("Invalid port");
    a.port = std::stoi(port);
  }
  if (second != std::string::npos && second + 1 < serverText.size()) a.sid = serverText.substr(second + 1);
  return a;
}

TNetSession::TNetSession(std::unique_ptr<TSocket> socket)
    : connection_(std::make_unique<TTnsConnection>(std::move(socket))), writer_(*connection_), reader_(*connection_) {}

int TNetSession::Failed(const std::exception_ptr& failure, TNetError& error) {
  if (connection_->InStep()) {
    connection_->DiscardUnsent();
    return TranslateNetException(failure, error.code, error.text);
  }
  connection_->Drop();
  TNetErrorInfo info = DescribeNetException(failure);
  constexpr std::int32_t kLost = -3113, kNotConnected = -3114, kPacketWriter = -12571;
  if (info.code != kLost && info.code != kNotConnected && info.code != kPacketWriter) info.code = kLost;
  error.code = info.code;
  error.text = std::move(info.text);
  return -1;
}

int TNetSession::Logon(TNetError& error) {
  return Guard(error, [&] {
    // The password serves this logon only: it is wiped however the logon ends.
    struct WipePassword {
      std::string& password;
      ~WipePassword() { WipeText(password); }
    } wipe{Password};
    if (loggedOn_) throw olv::Exception("Already logged on");
    const int bound = ConnectTimeoutMs > 0 ? ConnectTimeoutMs : kDefaultConnectTimeoutMs;
    connection_->SetPacketTimeout(bound);
    connection_->SetReceiveTimeout(std::max(ReceiveTimeoutMs, 0));
    connection_->SetDeadline(TTnsConnection::Clock::now() + std::chrono::milliseconds(bound));
    struct EndOfLogon {
      TTnsConnection& c;
      ~EndOfLogon() { c.ClearDeadline(); }
    } endOfLogon{*connection_};
    const TNetServerAddress address = TNetServerAddress::Parse(ServerText);
    connection_->Representations() = {0, 2, 1, 1};
    connection_->SetConversionFlag(false);
    connection_->Connect(address.host, address.port, address.sid);
    logonWarning_.clear();
    sessionKey_.clear();
    // A logon that does not complete leaves no half-open session behind.
    struct CloseUnlessDone {
      TNetSession& s;
      bool done = false;
      ~CloseUnlessDone() {
        if (!done) s.connection_->Disconnect();
      }
    } closer{*this};
    NegotiateProtocol();
    NegotiateDataTypes();
    int result = LogonPhase(true, {}, error);
    if (result == 0) result = LogonPhase(false, LogonPasswordText(UserName, Password, sessionKey_), error);
    if (result == 0) {
      loggedOn_ = true;
      closer.done = true;
    }
    return result;
  });
}

void TNetSession::NegotiateProtocol() {
  writer_.Byte(kMsgProtocol);
  writer_.Raw(kAcceptedVersions, sizeof kAcceptedVersions);
  writer_.Raw(kClientBanner, sizeof kClientBanner);

  if (reader_.UB1() != kMsgProtocol) ThrowProtocol();
  const int version = reader_.UB1();
  reader_.UB1();
  reader_.CString(kLongestServerBanner);
  switch (version) {
    case 4: serverVersion_ = 7230; break;
    case 5: serverVersion_ = 8030; break;
    case 6: serverVersion_ = 8100; break;
    default: ThrowProtocol(kErrProtocolVersion);
  }
  protocolVersion_ = version;
  serverCharset_ = reader_.UB2();
  reader_.UB1();
  reader_.Skip(5 * std::size_t(reader_.UB2()));
  if (version >= 5) reader_.Skip(reader_.FixedUB2BigEndian());
  if (version >= 6) {
    reader_.Skip(reader_.UB1());
    reader_.Skip(reader_.UB1());
  }
  connection_->ReplyEnded();
  if (clientCharset_ == 0) clientCharset_ = serverCharset_;
  connection_->SetConversionFlag(clientCharset_ != serverCharset_);
  maxStringSize_ = serverVersion_ >= 8000 ? 4000 : 2000;
}

void TNetSession::NegotiateDataTypes() {
  connection_->Representations() = {0, 2, 1, 1};
  writer_.Byte(kMsgDataTypes);
  writer_.ShortUB2(clientCharset_);
  writer_.ShortUB2(clientCharset_);
  writer_.Byte(2);
  if (protocolVersion_ >= 6) {
    static constexpr std::uint8_t kCompileTime[21] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0};
    writer_.Byte(sizeof kCompileTime);
    writer_.Raw(kCompileTime, sizeof kCompileTime);
    writer_.Byte(1);
    writer_.Byte(2);  // the run-time capability
  }
  writer_.Raw(DataTypeTable().data(), DataTypeTable().size());

  if (reader_.UB1() != kMsgDataTypes) ThrowProtocol();
  // What the server says about its types is not used: skipped up to two zero bytes in a row, but
  // never without end.
  std::size_t seen = 0;
  for (bool lastWasZero = false;;) {
    if (++seen > kLongestDataTypeReply) ThrowProtocol();
    const bool zero = reader_.UB1() == 0;
    if (zero && lastWasZero) break;
    lastWasZero = zero;
  }
  connection_->ReplyEnded();
  connection_->Representations() = {0, 1, 1, 1};
}

void TNetSession::WriteLogonCall(bool phaseOne, const std::string& passwordText) {
  TNetWriter& w = writer_;
  const std::string& user = UserName;
  const TNetClientIdentity& id = Identity;
  auto announce = [&](const std::string& text) {
    w.Pointer(!text.empty());
    w.Length(text.size());
  };
  w.Call(phaseOne ? kFnLogonPhase1 : kFnLogonPhase2);
  announce(user);
  announce(passwordText);
  w.UB4(0);
  w.UB4(0);
  w.UB4(0);
  w.Boolean(false);
  announce(id.machine);
  announce(id.machine);
  announce(id.osUser);
  w.UB4(4096);
  announce(id.process);
  announce(id.program);
  w.ShortUB2(0);
  w.UB4(0);
  w.Boolean(false);
  w.UB4(0);
  w.Boolean(phaseOne);
  w.UB4(16);
  w.Boolean(phaseOne);
  for (const std::string* text : {&user, &passwordText, &id.machine, &id.machine, &id.osUser, &id.process, &id.program})
    w.Text(*text);
}

int TNetSession::LogonPhase(bool phaseOne, const std::string& passwordText, TNetError& error) {
  WriteLogonCall(phaseOne, passwordText);
  bool keySeen = false;
  for (;;) {
    switch (reader_.UB1()) {
      case kMsgStatus:
        return ReadStatus(error, nullptr);
      case kMsgReturn: {
        if (!phaseOne || keySeen) ThrowProtocol();
        keySeen = true;
        reader_.UB2();
        const TBytes key = reader_.ShortBytes();
        if (key.empty()) ThrowProtocol(kErrEmptyText);
        if (key.size() > kLongestSessionKeyText) ThrowProtocol(kErrSessionKeyLong);
        sessionKey_.assign(key.begin(), key.end());
        break;
      }
      case kMsgWarning: {
        const std::uint16_t code = reader_.UB2();
        const std::uint16_t length = reader_.UB2();
        reader_.UB2();
        if (code != 0 && length > 0) logonWarning_ = reader_.ClrText();
        connection_->ReplyEnded();
        return 0;
      }
      default:
        ThrowProtocol();
    }
  }
}

int TNetSession::ReadStatus(TNetError& error, TNetStatus* status) {
  TNetReader& r = reader_;
  TNetStatus s;
  s.rowsProcessed = r.UB4();
  const std::uint16_t code = r.UB2();
  r.UB2();
  r.UB2();
  r.UB2();
  s.parseErrorOffset = r.SB2();
  s.commandCode = r.UB1();
  r.UB1();
  r.SB2();
  r.SB2();
  r.UB1();
  r.UB1();
  const std::uint32_t block = r.UB4();
  const std::uint16_t file = r.UB2();
  const std::uint8_t kind = r.UB1();
  const std::uint32_t row = r.UB4();
  const std::uint16_t slot = r.UB2();
  s.rowid = {kind,
             std::uint8_t(block >> 24), std::uint8_t(block >> 16), std::uint8_t(block >> 8), std::uint8_t(block),
             std::uint8_t(file >> 8), std::uint8_t(file),
             std::uint8_t(row >> 24), std::uint8_t(row >> 16), std::uint8_t(row >> 8), std::uint8_t(row),
             std::uint8_t(slot >> 8), std::uint8_t(slot)};
  r.UB4();
  r.UB1();
  r.UB1();
  r.UB2();
  r.UB4();
  error.code = code;
  error.text = code != 0 ? r.ClrText() : std::string();
  connection_->ReplyEnded();
  if (status) *status = s;
  return code == 0 ? 0 : -1;
}

int TNetSession::ReadSimpleReply(TNetError& error) {
  switch (reader_.UB1()) {
    case kMsgStatus:
      return ReadStatus(error, nullptr);
    case kMsgEndOfCall:
      connection_->ReplyEnded();
      return 0;
    default:
      ThrowProtocol();
  }
}

int TNetSession::SimpleCall(std::uint8_t function, TNetError& error) {
  return Call(error, [&] {
    writer_.Call(function);
    return ReadSimpleReply(error);
  });
}

int TNetSession::Logoff(TNetError& error) {
  if (!loggedOn_) {
    connection_->Disconnect();
    return -1;
  }
  const int result = SimpleCall(kFnLogoff, error);
  connection_->Disconnect();
  loggedOn_ = false;
  return result;
}

int TNetSession::Commit(TNetError& error) { return SimpleCall(kFnCommit, error); }

int TNetSession::Rollback(TNetError& error) { return SimpleCall(kFnRollback, error); }

int TNetSession::Break(TNetError& error) {
  return Guard(error, [&] {
    connection_->SendBreak();
    return 0;
  });
}

int TNetSession::SetClientCharset(std::uint16_t id, TNetError& error) {
  if (id == clientCharset_) return 0;
  clientCharset_ = id;
  if (id == 0 || !loggedOn_) return 0;
  serverCharset_ = id;
  return Call(error, [&] {
    connection_->SetConversionFlag(false);
    NegotiateDataTypes();
    return 0;
  });
}

}  // namespace ora
