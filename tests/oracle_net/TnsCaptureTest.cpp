// An outside judge of the bytes on the wire: a whole conversation between the client and the
// fake listener, as the fake logged it, becomes a packet capture (text2pcap) that Wireshark's
// dissector reads (tshark). Every frame must dissect as TNS, none malformed, in the order the
// conversation took. Skipped where the tools are not installed.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "oracle/net/TnsConnection.h"
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

TEST(TnsCapture, EveryFrameDissectsAsTnsInOrder) {
  const std::string text2pcap = FindOnPath("text2pcap");
  const std::string tshark = FindOnPath("tshark");
  if (text2pcap.empty() || tshark.empty()) GTEST_SKIP() << "text2pcap or tshark not installed: the capture check is skipped";

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

  const std::string base = ::testing::TempDir() + "tns_capture_" + std::to_string(::getpid());
  {
    std::ofstream dump(base + ".txt");
    dump << listener.Log().Text2PcapDump(1);
  }
  int status = 0;
  RunCommand(text2pcap + " -q -D -T 1521,40000 " + base + ".txt " + base + ".pcap 2>&1", status);
  ASSERT_EQ(status, 0) << "text2pcap failed";
  const std::string fields =
      RunCommand(tshark + " -r " + base + ".pcap -d tcp.port==1521,tns -T fields -E separator=, -e tcp.srcport -e tns.type"
                   " -e _ws.malformed -e _ws.expert.severity 2>/dev/null",
          status);
  std::remove((base + ".txt").c_str());
  std::remove((base + ".pcap").c_str());
  ASSERT_EQ(status, 0) << "tshark failed";

  // Client (port 40000) and server (1521) packets, by TNS type, in the order they went.
  const std::vector<std::string> expected = {
      "40000/1", "1521/11", "40000/1", "1521/2",             // resend, then accept
      "40000/6", "1521/6",  "40000/6", "1521/6", "40000/6", "1521/6",  // 5000 bytes and their echo
      "40000/6", "1521/6",  "1521/12", "40000/12", "1521/12", "1521/6",  // request, break, reset
      "40000/6"};                                                    // end of file
  std::vector<std::string> frames;
  std::stringstream lines(fields);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) frames.push_back(line);
  ASSERT_EQ(frames.size(), expected.size()) << fields;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    std::stringstream parts(frames[i]);
    std::string port, type, malformed, severity;
    std::getline(parts, port, ',');
    std::getline(parts, type, ',');
    std::getline(parts, malformed, ',');
    std::getline(parts, severity, ',');
    EXPECT_EQ(port + "/" + type, expected[i]) << "frame " << i + 1;
    EXPECT_EQ(malformed, "") << "frame " << i + 1 << " is malformed";
    // Wireshark's expert severity "error" is 0x00800000.
    EXPECT_TRUE(severity.empty() || std::stol(severity) < 0x00800000) << "frame " << i + 1 << ": " << frames[i];
  }
}

}  // namespace
