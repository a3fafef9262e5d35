// The TNS transport against the fake listener: the connect loop, data packets cut at the SDU,
// markers, and every way a listener or server can fail us, each as the error handle reports it.
// The fake reads and writes packets with code of its own, so the packet layout is checked from
// the other side of the wire.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "oracle/net/Socket.h"
#include "oracle/net/TnsConnection.h"
#include "oracle/net/TranslateNetException.h"
#include "tools/fake_listener/FakeListener.h"

namespace {

using namespace std::chrono_literals;
using ora::TTnsConnection;
using ora::fake::Bytes;
using ora::fake::ConnectAnswer;
using ora::fake::FakeListener;
using ora::fake::ListenerOptions;
using ora::fake::RawStep;
using ora::fake::Type;
using Kind = ConnectAnswer::Kind;
using Action = RawStep::Action;

constexpr auto kIdleLimit = 5s;

// A port on 127.0.0.1 that is bound but not listening, so a connect is refused.
class ClosedPort {
 public:
  ClosedPort() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &size);
    port_ = ntohs(a.sin_port);
  }
  ~ClosedPort() { ::close(fd_); }
  int Port() const { return port_; }

 private:
  int fd_;
  int port_ = 0;
};

struct Scene {
  FakeListener& main;
  FakeListener& second;
  TTnsConnection& client;
  int closedPort;

  void Connect() { client.Connect("127.0.0.1", main.Port(), "orcl"); }
  void Write(const std::string& text) { client.WriteBytes(text.data(), text.size()); }
  std::string Read(std::size_t n) {
    std::string s(n, '\0');
    client.ReadBytes(s.data(), n);
    return s;
  }
};

Bytes Prefix(Bytes b, std::size_t n) {
  b.resize(n);
  return b;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes RandomBytes(std::size_t n) {
  std::mt19937 random(7);
  Bytes b(n);
  for (auto& x : b) x = std::uint8_t(random());
  return b;
}

// The packets a client sent on one connection, as the fake logged them.
std::vector<ora::fake::Packet> ClientPackets(const FakeListener& listener, int connection = 1) {
  std::vector<ora::fake::Packet> out;
  for (const auto& e : listener.Log().Entries(connection))
    if (e.fromClient) out.push_back({e.bytes});
  return out;
}

std::vector<std::size_t> DataLengths(const std::vector<ora::fake::Packet>& packets) {
  std::vector<std::size_t> out;
  for (const auto& p : packets)
    if (p.PacketType() == Type::Data) out.push_back(p.Length());
  return out;
}

void EchoBack(Scene& s, std::size_t size) {
  const Bytes message = RandomBytes(size);
  s.Connect();
  s.client.WriteBytes(message.data(), message.size());
  Bytes back(size);
  s.client.ReadBytes(back.data(), back.size());
  EXPECT_EQ(back, message);
}

struct TransportCase {
  const char* name;
  std::function<void(ListenerOptions& main, int secondPort)> configure;
  std::function<void(Scene&)> act;
  int code;  // what the error handle receives; 0: no failure
  const char* text;
  std::function<void(Scene&)> check;
  int receiveTimeoutMs = 0;
};

RawStep After(int packet, Bytes bytes) { return {packet, Action::Send, std::move(bytes)}; }
RawStep After(int packet, Action action) { return {packet, action, {}}; }

// After the CONNECT (packet 1) and the client's first DATA (packet 2), the fake answers with
// these bytes instead of an echo, and the client's read of the reply meets them.
std::function<void(ListenerOptions&, int)> ReplyWith(std::vector<RawStep> steps) {
  return [steps](ListenerOptions& o, int) { o.rawSteps = steps; };
}

void ConnectWriteRead(Scene& s) {
  s.Connect();
  s.Write("ping");
  s.Read(4);
}

void Disconnected(Scene& s) { EXPECT_FALSE(s.client.Connected()); }

const std::vector<TransportCase>& Cases() {
  static const std::vector<TransportCase> cases = {
      {"resend twice, then accept",
       [](ListenerOptions& o, int) { o.connectAnswers = {{Kind::Resend, ""}, {Kind::Resend, ""}}; },
       [](Scene& s) { s.Connect(); }, 0, "",
       [](Scene& s) {
         const auto connects = s.main.Connects();
         ASSERT_EQ(connects.size(), 3u);
         for (const auto& c : connects) EXPECT_EQ(c.connection, 1);  // all on the same socket
         EXPECT_EQ(s.main.Accepted(), 1);
       }},
      {"redirect to a service name on a second listener",
       [](ListenerOptions& o, int second) {
         o.connectAnswers = {{Kind::Redirect, "(ADDRESS=(PROTOCOL=tcp)(HOST=127.0.0.1)(PORT=" + std::to_string(second) +
                                                  "))(CONNECT_DATA=(SERVICE_NAME=sales.example))"}};
       },
       [](Scene& s) { s.Connect(); }, 0, "",
       [](Scene& s) {
         const auto connects = s.second.Connects();
         ASSERT_EQ(connects.size(), 1u);
         const std::string& d = connects[0].request.descriptor;
         EXPECT_EQ(ora::fake::DescriptorField(d, "SID"), "sales.example");
         EXPECT_EQ(ora::fake::DescriptorField(d, "PORT"), std::to_string(s.second.Port()));
         EXPECT_EQ(s.client.Port(), s.second.Port());
       }},
      {"redirect read within its own length",
       [](ListenerOptions& o, int second) {
         // The announced length ends before the SID clause that follows in the packet.
         const std::string address = "(ADDRESS=(HOST=127.0.0.1)(PORT=" + std::to_string(second) + "))";
         Bytes body = {std::uint8_t(address.size() >> 8), std::uint8_t(address.size())};
         const std::string all = address + "(CONNECT_DATA=(SID=stale))";
         body.insert(body.end(), all.begin(), all.end());
         o.rawSteps = {After(1, ora::fake::Frame(Type::Redirect, body)), After(1, Action::Close)};
       },
       [](Scene& s) { s.Connect(); }, 0, "",
       [](Scene& s) {
         const auto connects = s.second.Connects();
         ASSERT_EQ(connects.size(), 1u);
         EXPECT_EQ(ora::fake::DescriptorField(connects[0].request.descriptor, "SID"), "orcl");
       }},
      {"refused", [](ListenerOptions& o, int) { o.connectAnswers = {{Kind::Refuse, "(DESCRIPTION=(ERR=12505))"}}; },
       [](Scene& s) { s.Connect(); }, -1, "NET: Invalid SID", Disconnected},
      {"nothing listening", nullptr, [](Scene& s) { s.client.Connect("127.0.0.1", s.closedPort, "orcl"); }, -1,
       "NET: Service unavailable", Disconnected},
      {"resent past the cap",
       [](ListenerOptions& o, int) { o.connectAnswers.assign(9, {Kind::Resend, ""}); },
       [](Scene& s) { s.Connect(); }, -1, "NET: Net error 208",
       [](Scene& s) {
         EXPECT_EQ(s.main.Connects().size(), 9u);
         Disconnected(s);
       }},
      {"redirected in a circle",
       [](ListenerOptions& o, int) { o.connectAnswers = {{Kind::Redirect, "(ADDRESS=(HOST=127.0.0.1)(PORT={port}))"}}; },
       [](Scene& s) { s.Connect(); }, -1, "NET: Net error 208",
       [](Scene& s) {
         EXPECT_EQ(s.main.Accepted(), 9);
         Disconnected(s);
       }},
      {"redirect to a port out of range",
       [](ListenerOptions& o, int) { o.connectAnswers = {{Kind::Redirect, "(ADDRESS=(HOST=127.0.0.1)(PORT=70000))"}}; },
       [](Scene& s) { s.Connect(); }, -3113, "NET: Net error 205", Disconnected},
      {"data as the answer to connect", ReplyWith({After(1, ora::fake::DataPacket(Text("x")))}),
       [](Scene& s) { s.Connect(); }, -3113, "NET: Net error 205", Disconnected},
      {"5000-byte message cut at the SDU", nullptr, [](Scene& s) { EchoBack(s, 5000); }, 0, "",
       [](Scene& s) {
         EXPECT_EQ(DataLengths(ClientPackets(s.main)), (std::vector<std::size_t>{2048, 2048, 934, 10}));
       }},
      {"reply trickled one byte per write", [](ListenerOptions& o, int) { o.oneBytePerWrite = true; },
       [](Scene& s) { EchoBack(s, 5000); }, 0, "", nullptr},
      {"server grants a smaller SDU", [](ListenerOptions& o, int) { o.sdu = 1024; },
       [](Scene& s) { EchoBack(s, 3000); }, 0, "",
       [](Scene& s) {
         EXPECT_EQ(DataLengths(ClientPackets(s.main)), (std::vector<std::size_t>{1024, 1024, 982, 10}));
       }},
      {"packet longer than the SDU", ReplyWith({After(2, ora::fake::Frame(Type::Data, Bytes(2992)))}),
       ConnectWriteRead, -3113, "NET: Net error 203", Disconnected},
      {"close in the middle of a reply",
       ReplyWith({After(2, Prefix(ora::fake::DataPacket(Bytes(100)), 20)),
                  After(2, Action::Close)}),
       ConnectWriteRead, -12571, "ORA-12571", Disconnected},
      {"marker shorter than 11 bytes", ReplyWith({After(2, ora::fake::Frame(Type::Marker, {1}))}), ConnectWriteRead,
       -3113, "NET: Net error 207", Disconnected},
      {"data packet shorter than 10 bytes", ReplyWith({After(2, ora::fake::Frame(Type::Data, {0}))}),
       ConnectWriteRead, -3113, "NET: Net error 207", Disconnected},
      {"header claims less than itself", ReplyWith({After(2, ora::fake::Frame(Type::Data, {0, 0}, 6))}),
       ConnectWriteRead, -3113, "NET: Net error 207", Disconnected},
      {"packet type above 19", ReplyWith({After(2, ora::fake::Frame(Type(20), {}))}), ConnectWriteRead, -3113,
       "NET: Net error 204", Disconnected},
      {"accept in the middle of a reply", ReplyWith({After(2, ora::fake::AcceptPacket(307, 2048, 32767))}),
       ConnectWriteRead, -3113, "NET: Net error 205", Disconnected},
      {"break and reset from the server",
       ReplyWith({After(2, ora::fake::DataPacket(Text("abc"))), After(2, ora::fake::MarkerPacket(1)),
                  After(3, ora::fake::MarkerPacket(2)), After(3, ora::fake::DataPacket(Text("def")))}),
       [](Scene& s) {
         s.Connect();
         s.Write("q");
         EXPECT_EQ(s.Read(6), "abcdef");
         EXPECT_FALSE(s.client.BreakPending());
       },
       0, "",
       [](Scene& s) {
         const auto sent = ClientPackets(s.main);
         ASSERT_GE(sent.size(), 3u);
         EXPECT_EQ(sent[2].PacketType(), Type::Marker);
         EXPECT_EQ(sent[2].MarkerKind(), 2);
       }},
      {"break sent from another thread while a reply is awaited", ReplyWith({After(2, Bytes{})}),
       [](Scene& s) {
         s.Connect();
         s.Write("q");
         s.client.FlushData();
         std::thread breaker([&s] { s.client.SendBreak(); });
         EXPECT_EQ(s.Read(11), "interrupted");
         breaker.join();
       },
       0, "",
       [](Scene& s) {
         const auto sent = ClientPackets(s.main);
         ASSERT_EQ(sent.size(), 5u);  // connect, data, break, reset, end of file
         EXPECT_EQ(sent[2].MarkerKind(), 1);
         EXPECT_EQ(sent[3].MarkerKind(), 2);
       }},
      {"reply that never comes, with a receive timeout", ReplyWith({After(2, Action::Stall)}), ConnectWriteRead, -3113,
       "NET: Connection timed out", Disconnected, 50},
      {"disconnect says end of file", nullptr,
       [](Scene& s) {
         s.Connect();
         s.client.Disconnect();
       },
       0, "",
       [](Scene& s) {
         const auto sent = ClientPackets(s.main);
         ASSERT_EQ(sent.size(), 2u);
         EXPECT_EQ(sent[1].Length(), 10u);
         EXPECT_EQ(sent[1].DataFlags(), 0x0040);
         Disconnected(s);
       }},
      {"writing with no connection", nullptr,
       [](Scene& s) {
         s.Write("x");
         s.client.FlushData();
       },
       -3114, "NET: Net error 200", nullptr},
      {"reading after the stream broke", ReplyWith({After(2, ora::fake::Frame(Type(20), {}))}),
       [](Scene& s) {
         try {
           ConnectWriteRead(s);
         } catch (const std::exception&) {
         }
         s.Read(1);
       },
       -3114, "NET: Net error 200", nullptr},
  };
  return cases;
}

TEST(TnsTransport, CasesAgainstTheFakeListener) {
  for (const TransportCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    ClosedPort closed;
    ListenerOptions secondOptions;
    FakeListener second(secondOptions);
    ListenerOptions mainOptions;
    if (c.configure) c.configure(mainOptions, second.Port());
    FakeListener main(mainOptions);
    TTnsConnection client;
    client.SetReceiveTimeout(c.receiveTimeoutMs);
    Scene scene{main, second, client, closed.Port()};

    ora::TNetErrorInfo got;
    try {
      c.act(scene);
    } catch (...) {
      got = ora::DescribeNetException(std::current_exception());
    }
    EXPECT_EQ(got.code, c.code);
    EXPECT_EQ(got.text, c.text);

    client.Disconnect();
    ASSERT_TRUE(main.WaitUntilIdle(kIdleLimit));
    ASSERT_TRUE(second.WaitUntilIdle(kIdleLimit));
    if (c.check) c.check(scene);
  }
}

// The CONNECT packet byte for byte, worked out by hand from its layout.
TEST(TnsTransport, ConnectPacketBytes) {
  FakeListener listener;
  TTnsConnection client;
  client.Connect("127.0.0.1", listener.Port(), "orcl");
  client.Disconnect();
  ASSERT_TRUE(listener.WaitUntilIdle(kIdleLimit));

  const std::string descriptor = "(DESCRIPTION=(ADDRESS=(PROTOCOL=tcp)(HOST=127.0.0.1)(PORT=" +
                                 std::to_string(listener.Port()) + "))(CONNECT_DATA=(SID=orcl)))";
  const std::size_t length = 34 + descriptor.size();
  Bytes expected = {std::uint8_t(length >> 8), std::uint8_t(length), 0, 0, 1, 0, 0, 0,  // header
                    0x01, 0x33, 0x01, 0x2C, 0x00, 0x00,  // versions, service options
                    0x08, 0x00, 0x7F, 0xFF,              // SDU 2048, TDU 32767
                    0x7F, 0x08, 0x00, 0x00, 0x01, 0x00,  // characteristics, turnaround, one
                    0x00, std::uint8_t(descriptor.size()), 0x00, 0x22,  // descriptor length, offset 34
                    0x00, 0x00, 0x04, 0x00, 0x04, 0x00};
  expected.insert(expected.end(), descriptor.begin(), descriptor.end());
  const auto sent = ClientPackets(listener);
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent[0].bytes, expected);
}

TEST(TnsTransport, DescriptorValues) {
  const std::string text = "(ADDRESS=(PROTOCOL=tcp)(HOST=insider.example)(port=1522))(CONNECT_DATA=(SID=x1)";
  EXPECT_EQ(ora::GetDescriptorValue(text, "HOST"), "insider.example");
  EXPECT_EQ(ora::GetDescriptorValue(text, "PORT"), "1522");
  EXPECT_EQ(ora::GetDescriptorValue(text, "SID"), "x1");  // not the "sid" inside the host name
  EXPECT_EQ(ora::GetDescriptorValue(text, "SERVICE_NAME"), "");
  EXPECT_EQ(ora::GetDescriptorValue("(HOST=open", "HOST"), "open");
}

TEST(TnsTransport, ConnectDescriptorMustFitThePacket) {
  FakeListener listener;
  TTnsConnection client;
  ora::TNetErrorInfo got;
  try {
    client.Connect("127.0.0.1", listener.Port(), std::string(4000, 'S'));
  } catch (...) {
    got = ora::DescribeNetException(std::current_exception());
  }
  EXPECT_EQ(got.code, -1);
  EXPECT_NE(got.text.find("does not fit"), std::string::npos) << got.text;
  EXPECT_FALSE(client.Connected());
}

}  // namespace

namespace {

// A listener whose accept queue is full drops further connection requests, so a connect to it
// can only end by the client's own bound.
TEST(TnsTransport, ConnectGivesUpAtItsTimeout) {
  const int listening = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  ASSERT_EQ(::bind(listening, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::getsockname(listening, reinterpret_cast<sockaddr*>(&a), &size), 0);
  ASSERT_EQ(::listen(listening, 0), 0);
  int fillers[2];
  for (int& f : fillers) {
    f = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    ::connect(f, reinterpret_cast<sockaddr*>(&a), sizeof a);
  }

  auto socket = std::make_unique<ora::TPosixSocket>();
  socket->SetConnectTimeout(100);
  TTnsConnection client(std::move(socket));
  ora::TNetErrorInfo got;
  try {
    client.Connect("127.0.0.1", ntohs(a.sin_port), "orcl");
  } catch (...) {
    got = ora::DescribeNetException(std::current_exception());
  }
  EXPECT_EQ(got.code, -1);
  EXPECT_EQ(got.text, "NET: Connection timed out");
  for (int f : fillers) ::close(f);
  ::close(listening);
}

}  // namespace
