// The client's requests byte for byte, as worked out by hand from the protocol's layout: the
// CONNECT packet, both negotiations, logon phase one, and the combined call parsing and then
// executing an INSERT with two binds. The server's side is a script built with the fake
// listener's own encoder.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "oracle/net/NetStatement.h"
#include "tests/oracle_net/ScriptSocket.h"
#include "tools/fake_listener/FakeOracle.h"
#include "tools/fake_listener/FakeTtc.h"

namespace {

using nettest::Bytes;
using ora::fake::TtcOut;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A server of protocol version 6 and character set 873 answering a whole logon.
std::shared_ptr<nettest::ScriptState> LogonScript(bool phaseOneFails) {
  auto state = std::make_shared<nettest::ScriptState>();
  state->SayPacket(ora::fake::AcceptPacket(0x0133, 2048, 32767));
  state->Say(Join({{1, 6, 0}, Text("Golden"), {0}, {0x69, 0x03, 0}, {0, 0}, {0, 0}, {0}, {0}}));
  state->Say({2, 1, 0, 0});
  if (phaseOneFails) {
    state->Say(ora::fake::FakeOracleService::Status(1017, "ORA-01017: invalid username/password; logon denied"));
    return state;
  }
  TtcOut key;
  key.Byte(8).Int(0).Byte(16).Raw(std::string("0123456789ABCDEF")).Raw(ora::fake::FakeOracleService::Status(0));
  state->Say(key.Data());
  state->Say(ora::fake::FakeOracleService::Status(0));
  return state;
}

std::unique_ptr<ora::TNetSession> Session(const std::shared_ptr<nettest::ScriptState>& state) {
  auto session = std::make_unique<ora::TNetSession>(std::make_unique<nettest::ScriptSocket>(state));
  session->ServerText = "db::orcl";
  session->UserName = "scott";
  session->Password = "tiger";
  session->Identity = {"pc", "dba", "42:43", "orascheme"};
  return session;
}

TEST(NetGolden, ConnectNegotiationsAndLogonPhaseOne) {
  auto state = LogonScript(true);
  auto session = Session(state);
  ora::TNetError error;
  EXPECT_EQ(session->Logon(error), -1);
  EXPECT_EQ(error.code, 1017);

  const auto packets = state->SentPackets();
  ASSERT_GE(packets.size(), 4u);
  const char descriptor[] = "(DESCRIPTION=(ADDRESS=(PROTOCOL=tcp)(HOST=db)(PORT=1521))(CONNECT_DATA=(SID=orcl)))";
  static_assert(sizeof descriptor - 1 == 83);
  const Bytes connect = Join({{0x00, 0x75, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,  // 117 bytes, CONNECT
                               0x01, 0x33, 0x01, 0x2C, 0x00, 0x00, 0x08, 0x00, 0x7F, 0xFF, 0x7F, 0x08, 0x00, 0x00,
                               0x01, 0x00, 0x00, 0x53, 0x00, 0x22, 0x00, 0x00, 0x04, 0x00, 0x04, 0x00},
                              Text(descriptor)});
  EXPECT_EQ(packets[0].bytes, connect);

  const auto data = state->SentData();
  ASSERT_EQ(data.size(), 3u);
  EXPECT_EQ(data[0], Join({{0x01, 6, 5, 4, 3, 2, 1, 0}, Text("NET_TTC-8.1.0"), {0}}));

  const Bytes& types = data[1];
  const Bytes head = {0x02, 0x69, 0x03, 0x69, 0x03, 0x02, 21, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                      3, 0, 0, 0, 1, 2};
  ASSERT_EQ(types.size(), head.size() + 685);
  EXPECT_EQ(Bytes(types.begin(), types.begin() + long(head.size())), head);
  const Bytes firstRows = {1, 1, 1, 0, 2, 2, 10, 0, 8, 8, 1, 0, 12, 12, 10, 0, 23, 23, 1, 0, 24, 24, 1, 0,
                           25, 25, 1, 0, 26, 26, 1, 0};
  EXPECT_EQ(Bytes(types.begin() + long(head.size()), types.begin() + long(head.size() + firstRows.size())), firstRows);
  EXPECT_EQ(types.back(), 0);
  // The table's rows, read apart: the numeric kinds travel as NUMBER, the character kinds as
  // VARCHAR2, and the codes from 34 up as themselves.
  std::map<int, std::pair<int, int>> rows;
  for (std::size_t at = head.size(); types[at] != 0;) {
    const int type = types[at++];
    const int sentAs = types[at++];
    if (sentAs == 0) continue;
    rows[type] = {sentAs, types[at]};
    at += 2;
  }
  for (int type : {3, 4, 6, 7}) EXPECT_EQ(rows[type], std::make_pair(2, 10)) << type;
  for (int type : {5, 9}) EXPECT_EQ(rows[type], std::make_pair(1, 1)) << type;
  for (int type : {10, 11, 34, 100, 167}) EXPECT_EQ(rows[type], std::make_pair(type, 1)) << type;

  const Bytes phaseOne = Join({{0x03, 0x52, 0x00},
                               {0x01, 0x01, 0x05},                    // user, 5 bytes
                               {0x00, 0x00},                          // no password
                               {0x00, 0x00, 0x00, 0x00},              // three zeros and false
                               {0x01, 0x01, 0x02, 0x01, 0x01, 0x02},  // terminal, machine
                               {0x01, 0x01, 0x03},                    // operating-system user
                               {0x02, 0x10, 0x00},                    // 4096
                               {0x01, 0x01, 0x05, 0x01, 0x01, 0x09},  // process, program
                               {0x00, 0x00, 0x00},                    // short 0, 0, false
                               {0x00, 0x01, 0x01, 0x10, 0x01},        // 0, phase one, 16, phase one
                               {0x05}, Text("scott"), {0x02}, Text("pc"), {0x02}, Text("pc"), {0x03}, Text("dba"),
                               {0x05}, Text("42:43"), {0x09}, Text("orascheme")});
  EXPECT_EQ(data[2], phaseOne);
}

// The data-type reply is passed over up to two zero bytes in a row, but not for ever.
TEST(NetGolden, EndlessDataTypeReplyIsRefused) {
  auto state = std::make_shared<nettest::ScriptState>();
  state->SayPacket(ora::fake::AcceptPacket(0x0133, 2048, 32767));
  state->Say(Join({{1, 6, 0}, Text("Golden"), {0}, {0x69, 0x03, 0}, {0, 0}, {0, 0}, {0}, {0}}));
  Bytes endless = {2};
  for (int i = 0; i < 70000; ++i) endless.push_back(i % 2 ? 0 : 1);  // never two zeros in a row
  for (std::size_t at = 0; at < endless.size(); at += 2000)
    state->Say(Bytes(endless.begin() + long(at), endless.begin() + long(std::min(at + 2000, endless.size()))));
  auto session = Session(state);
  ora::TNetError error;
  EXPECT_EQ(session->Logon(error), -1);
  EXPECT_EQ(error.text, "NET: Unknown error 1");
  EXPECT_LT(state->at, state->script.size()) << "read to the end instead of stopping at the cap";
}

TEST(NetGolden, CombinedCallParsesThenExecutesWithBinds) {
  auto state = LogonScript(false);
  state->Say({8, 1, 5, 9});                                               // cursor 5
  state->Say(ora::fake::FakeOracleService::Status(0, {}, 0, 2));        // parsed
  state->Say(ora::fake::FakeOracleService::Status(0, {}, 1, 2));        // one row inserted
  auto session = Session(state);
  ora::TNetError error;
  ASSERT_EQ(session->Logon(error), 0) << error.text;

  ora::TNetStatementState statement(session.get());
  statement.Prepare("insert into t values (:a, :b)");
  ASSERT_EQ(statement.Binds().size(), 2u);
  std::int32_t a = 5;
  char b[11] = "hi";
  ora::TNetItem& first = *statement.Binds()[0];
  first.type = ora::kTypeInteger;
  first.value = &a;
  first.maxSize = 4;
  ora::TNetItem& second = *statement.Binds()[1];
  second.type = ora::kTypeString;
  second.value = b;
  second.maxSize = 11;
  ASSERT_EQ(statement.Execute(error, 1, 0), 0) << error.text;
  EXPECT_EQ(statement.LastStatus().rowsProcessed, 1u);

  const auto data = state->SentData();
  ASSERT_EQ(data.size(), 7u);
  EXPECT_EQ(data[4], (Bytes{0x03, 0x02, 0x00, 0x01, 0x00}));  // open cursor: true, 0
  const std::string sql = "insert into t values (:a, :b)";
  EXPECT_EQ(data[5], Join({{0x03, 0x47, 0x00},
                           {0x02, 0x80, 0x01},                          // parse, not a block
                           {0x01, 0x05},                                // cursor 5
                           {0x01, 0x01, 0x1D},                          // the SQL, 29 bytes
                           {0x00, 0x00},
                           {0x01, 0x01, 0x07},                          // seven in-parameters
                           {0x01, 0x01, 0x02, 0x00},
                           {0x00, 0x00, 0x00, 0x00},                    // no defines, no binds
                           {0x1D}, Text(sql),
                           {0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}}));
  EXPECT_EQ(data[6], Join({{0x03, 0x47, 0x00},
                           {0x02, 0x80, 0x28},                          // execute with binds
                           {0x01, 0x05},
                           {0x00, 0x00, 0x00, 0x00},                    // no SQL this time
                           {0x01, 0x01, 0x07},
                           {0x01, 0x01, 0x02, 0x00},
                           {0x00, 0x00, 0x01, 0x01, 0x02},              // two binds
                           {0x01, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00},  // one iteration
                           {0x02, 0x01, 0x00, 0x00, 0x01, 0x16, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01},  // :a as NUMBER
                           {0x01, 0x01, 0x00, 0x00, 0x01, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01},  // :b VARCHAR2(10)
                           {0x07, 0x02, 0xC1, 0x06, 0x02, 'h', 'i'}}));
}

}  // namespace
