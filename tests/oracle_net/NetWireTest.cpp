// The call protocol's encoding on its own: what the writer puts into a DATA packet and what the
// reader takes from one, under both sets of representation bytes. Server bytes are written out
// by hand; the packets around them come from the fake listener's packet code.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <string>

#include "oracle/net/NetErrors.h"
#include "oracle/net/NetWire.h"
#include "tests/oracle_net/ScriptSocket.h"

namespace {

using nettest::Bytes;
using nettest::ScriptState;

struct Wire {
  std::shared_ptr<ScriptState> state = std::make_shared<ScriptState>();
  std::unique_ptr<ora::TTnsConnection> connection;
  std::unique_ptr<ora::TNetWriter> writer;
  std::unique_ptr<ora::TNetReader> reader;

  // The server's words: an ACCEPT, then each payload in a DATA packet of its own.
  explicit Wire(const std::vector<Bytes>& replies = {}, bool negotiated = false) {
    state->SayPacket(ora::fake::AcceptPacket(0x0133, 2048, 32767));
    for (const Bytes& r : replies) state->Say(r);
    connection = std::make_unique<ora::TTnsConnection>(std::make_unique<nettest::ScriptSocket>(state));
    connection->Connect("db", 1521, "orcl");
    if (negotiated) connection->Representations() = {0, 1, 1, 1};
    writer = std::make_unique<ora::TNetWriter>(*connection);
    reader = std::make_unique<ora::TNetReader>(*connection);
  }
  Bytes Written() {
    connection->FlushData();
    return state->SentData().back();
  }
};

Bytes Seq(std::size_t n, std::uint8_t from = 0) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = std::uint8_t(from + i);
  return b;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(NetWriter, IntegersShortIntegersAndClrs) {
  struct Case {
    const char* name;
    std::function<void(ora::TNetWriter&)> write;
    Bytes expected;
  };
  const Bytes b64 = Seq(64, 1), b65 = Seq(65, 1);
  const std::vector<Case> cases = {
      {"ub4 0", [](auto& w) { w.UB4(0); }, {0}},
      {"ub4 300", [](auto& w) { w.UB4(300); }, {2, 1, 44}},
      {"ub4 16", [](auto& w) { w.UB4(16); }, {1, 16}},
      {"ub4 largest", [](auto& w) { w.UB4(0xFFFFFFFFu); }, {4, 0xFF, 0xFF, 0xFF, 0xFF}},
      {"short ub2 0", [](auto& w) { w.ShortUB2(0); }, {0}},
      {"short ub2 873", [](auto& w) { w.ShortUB2(873); }, {0x69, 0x03}},
      {"empty CLR", [](auto& w) { w.Clr(nullptr, 0); }, {}},
      {"64-byte CLR", [&](auto& w) { w.Clr(b64.data(), b64.size()); }, Join({{64}, b64})},
      {"65-byte CLR", [&](auto& w) { w.Clr(b65.data(), b65.size()); }, Join({{0xFE, 64}, Seq(64, 1), {1, 65, 0}})},
      {"call head", [](auto& w) { w.Call(71); }, {3, 71, 0}},
  };
  for (const Case& c : cases) {
    Wire wire;
    wire.writer->Byte(0xAA);  // a marker, so an empty encoding still leaves a packet
    c.write(*wire.writer);
    EXPECT_EQ(wire.Written(), Join({{0xAA}, c.expected})) << c.name;
  }
}

TEST(NetReader, IntegersByTheRepresentationBytes) {
  // Before the negotiation: fixed 2-byte little-endian, fixed 4-byte big-endian.
  Wire before({{0x69, 0x03, 0x00, 0x01, 0x02, 0x03}});
  EXPECT_EQ(before.reader->UB2(), 873);
  EXPECT_EQ(before.reader->UB4(), 0x00010203u);
  // After: a length byte (0x80 for negative) and big-endian bytes.
  Wire after({{0x02, 0x01, 0x2C, 0x82, 0x01, 0x2C, 0x00, 0x80, 0x03, 0x01, 0x00, 0x00, 0x84, 0x80, 0, 0, 0}}, true);
  EXPECT_EQ(after.reader->UB2(), 300);
  EXPECT_EQ(after.reader->SB2(), -300);
  EXPECT_EQ(after.reader->UB2(), 0);
  EXPECT_EQ(after.reader->SB2(), 0);
  EXPECT_EQ(after.reader->UB4(), 0x010000u);
  EXPECT_EQ(after.reader->SB4(), std::numeric_limits<std::int32_t>::min());
}

TEST(NetReader, ClrForms) {
  Wire wire({Join({{255, 0, 5}, Bytes{'h', 'e', 'l', 'l', 'o'}, {0xFE, 2, 'a', 'b', 1, 'c', 0}})}, true);
  EXPECT_TRUE(wire.reader->ClrBytes().empty());  // 255: null
  EXPECT_TRUE(wire.reader->ClrBytes().empty());  // 0: null
  EXPECT_EQ(wire.reader->ClrText(), "hello");
  // Copied into a smaller buffer: the rest is consumed, the full count reported.
  std::uint8_t two[2] = {0, 0};
  EXPECT_EQ(wire.reader->ClrInto(two, 2), 3);
  EXPECT_EQ(two[0], 'a');
  EXPECT_EQ(two[1], 'b');
}

TEST(NetReader, ChunkLengthOf254IsSkippedWhileConverting) {
  const Bytes chunked = {0xFE, 254, 1, 'x', 0};
  Wire converting({chunked}, true);
  converting.connection->SetConversionFlag(true);
  EXPECT_EQ(converting.reader->ClrText(), "x");
}

TEST(NetReader, MalformedLengthsRaise) {
  struct Case {
    const char* name;
    Bytes bytes;
    std::function<void(ora::TNetReader&)> read;
  };
  const std::vector<Case> cases = {
      {"CLR lead byte 253", {253}, [](auto& r) { r.ClrBytes(); }},
      {"ub2 of 3 bytes", {3, 1, 2, 3}, [](auto& r) { r.UB2(); }},
      {"ub4 of 5 bytes", {5, 1, 2, 3, 4, 5}, [](auto& r) { r.UB4(); }},
  };
  for (const Case& c : cases) {
    Wire wire({c.bytes}, true);
    try {
      c.read(*wire.reader);
      ADD_FAILURE() << c.name << ": no failure";
    } catch (const ora::EDBError& e) {
      EXPECT_EQ(e.Code(), 1) << c.name;
    }
  }
}

TEST(NetReader, AReplyCutShortIsTheLostConnectionOfTheTransport) {
  Wire wire({{0xFE, 64, 1, 2}}, true);  // the chunk announces 64 bytes, the peer closes after 2
  try {
    wire.reader->ClrBytes();
    FAIL() << "no failure";
  } catch (const ora::ENetError& e) {
    EXPECT_EQ(e.Code(), ora::ENetError::kShortTransfer);
  }
}

}  // namespace
