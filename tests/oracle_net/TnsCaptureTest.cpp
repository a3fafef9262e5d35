// An outside judge of the bytes on the wire: a whole conversation between the client and the
// fake listener, as the fake logged it, becomes a packet capture (text2pcap) that Wireshark's
// dissector reads (tshark). Every frame must dissect as TNS, none malformed, in the order the
// conversation took: the transport's own exchanges, and a session of the call protocol.
// Skipped where the tools are not installed.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "oracle/net/TnsConnection.h"
#include "tests/oracle_net/NetFake.h"
#include "tools/fake_listener/FakeListener.h"

namespace {

using ora::fake::Bytes;
using ora::fake::RawStep;

std::string FindOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string candidate = dir + "/" + program;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

// Runs a command line (our own fixed words and a scratch path, no user text) and returns its
// standard output; the exit status goes to `status`.
std::string RunCommand(const std::string& command, int& status) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) {
    status = -1;
    return out;
  }
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int raw = ::pclose(pipe);
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

struct Frame {
  std::string direction;  // port and TNS type, as "40000/6"
  std::string malformed;
  std::string severity;
};

// The conversation of one connection as tshark reads it: one entry per TNS frame, in order.
// Empty, with a skip message in `why`, when the tools are not installed.
std::vector<Frame> Dissect(const ora::fake::FakeListener& listener, int connection, std::string& why) {
  const std::string text2pcap = FindOnPath("text2pcap");
  const std::string tshark = FindOnPath("tshark");
  if (text2pcap.empty() || tshark.empty()) {
    why = "text2pcap or tshark not installed: the capture check is skipped";
    return {};
  }
  const std::string base = ::testing::TempDir() + "tns_capture_" + std::to_string(::getpid());
  {
    std::ofstream dump(base + ".txt");
    dump << listener.Log().Text2PcapDump(connection);
  }
  int status = 0;
  RunCommand(text2pcap + " -q -D -T 1521,40000 " + base + ".txt " + base + ".pcap 2>&1", status);
  EXPECT_EQ(status, 0) << "text2pcap failed";
  const std::string fields =
      RunCommand(tshark + " -r " + base + ".pcap -d tcp.port==1521,tns -T fields -E separator=, -e tcp.srcport -e tns.type"
                   " -e _ws.malformed -e _ws.expert.severity 2>/dev/null",
          status);
  std::remove((base + ".txt").c_str());
  std::remove((base + ".pcap").c_str());
  EXPECT_EQ(status, 0) << "tshark failed";
  std::vector<Frame> frames;
  std::stringstream lines(fields);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || !std::isdigit(static_cast<unsigned char>(line[0]))) continue;
    std::stringstream parts(line);
    std::string port, type;
    Frame f;
    std::getline(parts, port, ',');
    std::getline(parts, type, ',');
    std::getline(parts, f.malformed, ',');
    std::getline(parts, f.severity, ',');
    f.direction = port + "/" + type;
    frames.push_back(f);
  }
  if (frames.empty()) ADD_FAILURE() << "tshark found no frames: " << fields;
  return frames;
}

// Wireshark's expert severity "error" is 0x00800000.
void ExpectSound(const Frame& f, std::size_t index) {
  EXPECT_EQ(f.malformed, "") << "frame " << index + 1 << " is malformed";
  EXPECT_TRUE(f.severity.empty() || std::stol(f.severity) < 0x00800000) << "frame " << index + 1 << ": " << f.direction;
}

TEST(TnsCapture, EveryFrameDissectsAsTnsInOrder) {
  if (FindOnPath("text2pcap").empty() || FindOnPath("tshark").empty())
    GTEST_SKIP() << "text2pcap or tshark not installed: the capture check is skipped";

  ora::fake::ListenerOptions options;
  options.connectAnswers = {{ora::fake::ConnectAnswer::Kind::Resend, ""}};
  const std::string abc = "abc", def = "def";
  // Packet 6 is the client's one-byte request: the server answers part of it, breaks, and after
  // the client's reset (packet 7) sends the rest.
  options.rawSteps = {{6, RawStep::Action::Send, ora::fake::DataPacket(Bytes(abc.begin(), abc.end()))},
                      {6, RawStep::Action::Send, ora::fake::MarkerPacket(1)},
                      {7, RawStep::Action::Send, ora::fake::MarkerPacket(2)},
                      {7, RawStep::Action::Send, ora::fake::DataPacket(Bytes(def.begin(), def.end()))}};
  ora::fake::FakeListener listener(options);
  {
    ora::TTnsConnection client;
    client.Connect("127.0.0.1", listener.Port(), "orcl");
    std::string message(5000, 'm');
    client.WriteBytes(message.data(), message.size());
    client.ReadBytes(message.data(), message.size());
    client.WriteBytes("q", 1);
    std::string reply(6, '\0');
    client.ReadBytes(reply.data(), reply.size());
    EXPECT_EQ(reply, "abcdef");
    client.Disconnect();
  }
  ASSERT_TRUE(listener.WaitUntilIdle(std::chrono::seconds(5)));

  std::string why;
  const std::vector<Frame> frames = Dissect(listener, 1, why);
  // Client (port 40000) and server (1521) packets, by TNS type, in the order they went.
  const std::vector<std::string> expected = {
      "40000/1", "1521/11", "40000/1", "1521/2",             // resend, then accept
      "40000/6", "1521/6",  "40000/6", "1521/6", "40000/6", "1521/6",  // 5000 bytes and their echo
      "40000/6", "1521/6",  "1521/12", "40000/12", "1521/12", "1521/6",  // request, break, reset
      "40000/6"};                                                    // end of file
  ASSERT_EQ(frames.size(), expected.size());
  for (std::size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i].direction, expected[i]) << "frame " << i + 1;
    ExpectSound(frames[i], i);
  }
}

// A whole session of the call protocol with the fake server: logon, a select fetched to its end,
// an INSERT ... RETURNING block, a long value in pieces, a break with its reset, commit, logoff.
TEST(TnsCapture, CallProtocolConversationDissects) {
  if (FindOnPath("text2pcap").empty() || FindOnPath("tshark").empty())
    GTEST_SKIP() << "text2pcap or tshark not installed: the capture check is skipped";
  nettest::FakeDb db;
  {
    auto session = db.LoggedOn();
    ora::TNetError error;
    {
      ora::TNetStatementState s(session.get());
      s.Prepare("select id, name, created from fake_rows_30");
      ASSERT_EQ(s.Execute(error, 1, 0), 0) << error.text;
      nettest::GeneratedRows rows(25);
      rows.Define(s);
      EXPECT_EQ(s.Fetch(error, 25), 0);
      EXPECT_EQ(s.Fetch(error, 25), 100);
    }
    {
      ora::TNetStatementState s(session.get());
      s.Prepare("insert into people (id, name) values (:id, :name) returning id into :new_id");
      std::int32_t id = 1, newId = 0;
      char who[8] = "Bo";
      for (std::size_t i = 0; i < 3; ++i) {
        ora::TNetItem& b = *s.Binds()[i];
        b.type = i == 1 ? ora::kTypeString : ora::kTypeInteger;
        b.value = i == 0 ? static_cast<void*>(&id) : i == 1 ? static_cast<void*>(who) : static_cast<void*>(&newId);
        b.maxSize = i == 1 ? 8 : 4;
      }
      ASSERT_EQ(s.Execute(error, 1, 0), 0) << error.text;
    }
    {
      ora::TNetStatementState s(session.get());
      s.Prepare("insert into longs (id, body) values (:id, :body)");
      std::int32_t id = 1;
      std::string body(9000, 'L');
      s.Binds()[0]->type = ora::kTypeInteger;
      s.Binds()[0]->value = &id;
      s.Binds()[0]->maxSize = 4;
      s.Binds()[1]->type = ora::kTypeLong;
      s.Binds()[1]->value = body.data();
      s.Binds()[1]->maxSize = int(body.size());
      ASSERT_EQ(s.Execute(error, 1, 0), 0) << error.text;
    }
    {
      ora::TNetStatementState s(session.get());
      s.Prepare("begin dbms_lock.sleep(600); end;");
      int result = 0;
      std::thread runner([&] { result = s.Execute(error, 1, 0); });
      EXPECT_TRUE(db.Events().WaitFor("sleeping"));
      ora::TNetError breakError;
      session->Break(breakError);
      runner.join();
      EXPECT_EQ(error.code, 1013);
    }
    EXPECT_EQ(session->Commit(error), 0);
    EXPECT_EQ(session->Logoff(error), 0);
  }
  ASSERT_TRUE(db.listener.WaitUntilIdle(std::chrono::seconds(5)));
  std::string why;
  const std::vector<Frame> frames = Dissect(db.listener, 1, why);
  ASSERT_GT(frames.size(), 20u);
  int markers = 0;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const std::string type = frames[i].direction.substr(frames[i].direction.find('/') + 1);
    EXPECT_TRUE(type == "1" || type == "2" || type == "6" || type == "12") << "frame " << i + 1 << ": " << type;
    markers += type == "12";
    ExpectSound(frames[i], i);
  }
  EXPECT_EQ(markers, 4);  // break both ways, reset both ways
  EXPECT_EQ(frames.front().direction, "40000/1");
  EXPECT_EQ(frames.back().direction, "40000/6");
}

}  // namespace
