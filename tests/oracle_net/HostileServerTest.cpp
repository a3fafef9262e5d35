// Servers that misbehave: silent at each step of the logon, silent or short in the middle of a
// call, saying more than the call asked, or failing a value inside a reply. Every call must end
// within its bound with an error (never hang), and the session must then either be back in step
// (the next call reads its own reply) or be closed (the next call reports the connection lost,
// never a success). The bounds are small so the cases stay quick; the test itself waits for each
// call with a generous deadline of its own and only says which call did not end.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "oracle/net/NetSession.h"
#include "oracle/net/NetStatement.h"
#include "tests/oracle_net/NetFake.h"
#include "tools/fake_listener/FakeOracle.h"
#include "tools/fake_listener/FakeTtc.h"
#include "tools/fake_listener/FakeWire.h"

namespace {

using nettest::FakeDb;
using ora::TNetError;
using ora::TNetItem;
using ora::TNetSession;
using ora::TNetStatementState;
using ora::fake::Bytes;
using ora::fake::FakeOracleOptions;
using ora::fake::FakeOracleService;
using ora::fake::ListenerOptions;
using ora::fake::RawStep;
using Action = ora::fake::RawStep::Action;

constexpr int kBoundMs = 200;
// Far above any bound the cases set: reaching it means a wait that does not end.
constexpr auto kCallDeadline = std::chrono::seconds(20);
// The client's packets of a logon: CONNECT, the two negotiations and the two logon phases.
constexpr int kLogonPackets = 5;
constexpr int kFirstCallPacket = kLogonPackets + 1;

void Bind(TNetItem& item, std::uint16_t type, void* value, std::int32_t size) {
  item.type = type;
  item.value = value;
  item.maxSize = size;
}

// Runs `call` on a thread of its own and waits for it at most kCallDeadline; when it does not end
// by then the listener is stopped (which ends any wait on it) and the case fails.
int EndingCall(FakeDb& db, const char* what, const std::function<int()>& call) {
  auto done = std::async(std::launch::async, call);
  if (done.wait_for(kCallDeadline) != std::future_status::ready) {
    ADD_FAILURE() << what << ": the call did not end within " << kCallDeadline.count() << " s";
    db.listener.Stop();
  }
  return done.get();
}

// The first bytes of a packet: what a server that announces more than it sends gets out.
Bytes Cut(const Bytes& packet, std::size_t keep) { return Bytes(packet.begin(), packet.begin() + long(keep)); }

std::string Query(TNetSession& session, TNetError& error) {
  TNetStatementState s(&session);
  s.Prepare("select 'still talking' from dual");
  std::array<char, 32> text{};
  if (s.Execute(error, 1, 0) != 0) return "execute failed: " + error.text;
  Bind(s.DefineAt(1), ora::kTypeString, text.data(), std::int32_t(text.size()));
  if (s.Fetch(error, 1) != 0) return "fetch failed: " + error.text;
  return text.data();
}

// The fake's block "begin :r := :a + :b; end;" with a sum that a 4-byte integer cannot hold.
int SumIntoFourBytes(TNetSession& session, TNetError& error, std::int32_t& r) {
  TNetStatementState s(&session);
  s.Prepare("begin :r := :a + :b; end;");
  std::int64_t a = 2000000000, b = 1000000000;
  Bind(*s.Binds()[0], ora::kTypeInteger, &r, 4);
  Bind(*s.Binds()[1], ora::kTypeInteger, &a, 8);
  Bind(*s.Binds()[2], ora::kTypeInteger, &b, 8);
  return s.Execute(error, 1, 0);
}

enum class Then { Closed, InStep };

struct HostileCase {
  const char* name;
  std::vector<RawStep> steps;                             // the listener's answers instead of its own
  std::function<void(FakeOracleOptions&)> oracle;         // the fake server's own answers
  int receiveTimeoutMs;                                   // the connect timeout is kBoundMs
  bool logonUnderTest;                                    // else the call runs on a logged-on session
  std::function<int(TNetSession&, TNetError&)> call;      // the call under test (not the logon)
  int result;
  std::int32_t code;
  const char* text;
  Then then;
};

int Commit(TNetSession& s, TNetError& e) { return s.Commit(e); }

const std::vector<HostileCase>& Cases() {
  static const Bytes shortPacket = Cut(ora::fake::DataPacket(Bytes(100, 9)), 20);
  static const std::vector<HostileCase> cases = {
      {"listener accepts and never answers the CONNECT", {{1, Action::Stall, {}}}, nullptr, 0, true, nullptr, -1,
       -3113, "NET: Connection timed out", Then::Closed},
      {"server silent after its ACCEPT", {{2, Action::Stall, {}}}, nullptr, 0, true, nullptr, -1, -3113,
       "NET: Connection timed out", Then::Closed},
      {"logon reply announcing more bytes than it sends", {{2, Action::Send, shortPacket}, {2, Action::Stall, {}}},
       nullptr, 0, true, nullptr, -1, -3113, "NET: Connection timed out", Then::Closed},
      {"server silent in a call, with a receive timeout", {{kFirstCallPacket, Action::Stall, {}}}, nullptr, kBoundMs,
       false, Commit, -1, -3113, "NET: Connection timed out", Then::Closed},
      // A call may wait for the server as long as it works, but a packet that has started must end.
      {"call reply announcing more bytes than it sends, no receive timeout",
       {{kFirstCallPacket, Action::Send, shortPacket}, {kFirstCallPacket, Action::Stall, {}}}, nullptr, 0, false,
       Commit, -1, -3113, "NET: Connection timed out", Then::Closed},
      // The call has its own answer; what follows it cannot be taken for the next call's reply.
      {"reply longer than the call asked",
       {{kFirstCallPacket, Action::Send,
         ora::fake::DataPacket([] {
           Bytes b = FakeOracleService::Status(0);
           const Bytes stale = FakeOracleService::Status(2091, "ORA-02091: transaction rolled back");
           b.insert(b.end(), stale.begin(), stale.end());
           return b;
         }())}},
       nullptr, 0, false, Commit, 0, 0, "", Then::Closed},
      {"more rows than the fetch asked for", {},
       [](FakeOracleOptions& o) {
         o.script = [](const std::string& sql, std::uint32_t options) -> std::optional<Bytes> {
           if (sql != "select 1 from dual" || !(options & 64u)) return std::nullopt;
           ora::fake::TtcOut out;
           out.Byte(6).Byte(0).Int(1).Int(0).Int(0).Int(0);
           for (int row = 0; row < 3; ++row) out.Byte(7).Clr(ora::fake::FakeNumber("5")).Int(0);
           out.Raw(FakeOracleService::Status(1403, "ORA-01403: no data found"));
           return out.Data();
         };
       },
       0, false,
       [](TNetSession& session, TNetError& error) {
         TNetStatementState s(&session);
         s.Prepare("select 1 from dual");
         if (s.Execute(error, 1, 0) != 0) return 99;
         auto rows = std::make_unique<std::int64_t[]>(2);  // exactly two: ASan sees a third
         Bind(s.DefineAt(1), ora::kTypeInteger, rows.get(), 8);
         return s.Fetch(error, 2);
       },
       -1, -3113, "NET: Unknown error 1", Then::Closed},
      {"a NUMBER its target cannot hold, inside a reply", {}, nullptr, 0, false,
       [](TNetSession& session, TNetError& error) {
         std::int32_t r = 0;
         return SumIntoFourBytes(session, error, r);
       },
       -1, 1455, "ORA-01455: converting column overflows integer datatype", Then::InStep},
  };
  return cases;
}

TEST(HostileServer, EveryCallEndsAndLeavesTheSessionInStepOrClosed) {
  for (const HostileCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    FakeOracleOptions oracle;
    if (c.oracle) c.oracle(oracle);
    const std::vector<RawStep> steps = c.steps;
    FakeDb db(oracle, [&](ListenerOptions& o) { o.rawSteps = steps; });
    std::unique_ptr<TNetSession> session = db.NewSession();
    session->ConnectTimeoutMs = kBoundMs;
    session->ReceiveTimeoutMs = c.receiveTimeoutMs;
    TNetError error;
    int result = 0;
    if (c.logonUnderTest) {
      result = EndingCall(db, "logon", [&] { return session->Logon(error); });
    } else {
      ASSERT_EQ(session->Logon(error), 0) << error.text;
      result = EndingCall(db, "call", [&] { return c.call(*session, error); });
    }
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(error.code, c.code);
    EXPECT_EQ(error.text, c.text);

    TNetError next;
    if (c.then == Then::Closed) {
      EXPECT_FALSE(session->Connection().Connected());
      EXPECT_EQ(session->Commit(next), -1) << "a later call on a lost connection is never a success";
      EXPECT_EQ(next.code, -3114) << next.text;
    } else {
      EXPECT_EQ(Query(*session, next), "still talking");
      EXPECT_EQ(session->Commit(next), 0) << next.text;
    }
  }
}

// A block whose out value does not fit, a COMMIT the server answers with an error, then a query:
// each call gets its own answer, and the commit's failure is not lost nor taken by another call.
TEST(HostileServer, AnErrorInsideAReplyLeavesTheNextCallsTheirOwnAnswers) {
  FakeOracleOptions oracle;
  oracle.commitError = 2091;
  oracle.commitErrorText = "ORA-02091: transaction rolled back";
  FakeDb db(oracle);
  auto session = db.LoggedOn();
  TNetError error;
  std::int32_t r = 7;
  EXPECT_EQ(SumIntoFourBytes(*session, error, r), -1);
  EXPECT_EQ(error.code, 1455) << error.text;
  EXPECT_EQ(r, 7) << "nothing stored for a value that does not fit";

  EXPECT_EQ(session->Commit(error), -1);
  EXPECT_EQ(error.code, 2091);
  EXPECT_EQ(error.text, "ORA-02091: transaction rolled back");
  EXPECT_TRUE(db.Events().WaitFor("commit")) << "the server received the commit";

  EXPECT_EQ(Query(*session, error), "still talking");
  std::int32_t fits = 0;
  TNetStatementState block(session.get());
  block.Prepare("begin :r := :a + :b; end;");
  std::int64_t a = 20, b = 22;
  Bind(*block.Binds()[0], ora::kTypeInteger, &fits, 4);
  Bind(*block.Binds()[1], ora::kTypeInteger, &a, 8);
  Bind(*block.Binds()[2], ora::kTypeInteger, &b, 8);
  EXPECT_EQ(block.Execute(error, 1, 0), 0) << error.text;
  EXPECT_EQ(fits, 42);
}

// A break from another thread ends a call the server never answers, and the connection is then
// reported lost. The deadline below only catches a wait that does not end.
TEST(HostileServer, ABreakEndsACallTheServerNeverAnswers) {
  FakeDb db({}, [](ListenerOptions& o) { o.rawSteps = {{kFirstCallPacket, Action::Stall, {}}}; });
  auto session = db.LoggedOn();
  TNetError error;
  auto call = std::async(std::launch::async, [&] { return session->Commit(error); });
  // The server has the commit and will never answer it.
  ASSERT_TRUE(db.listener.Log().WaitFromClients(kFirstCallPacket, kCallDeadline)) << "the commit reached the server";
  const auto breakAt = std::chrono::steady_clock::now();
  TNetError breakError;
  EXPECT_EQ(session->Break(breakError), 0);
  if (call.wait_for(kCallDeadline) != std::future_status::ready) {
    ADD_FAILURE() << "the commit did not end after the break";
    db.listener.Stop();
  }
  EXPECT_EQ(call.get(), -1);
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - breakAt);
  RecordProperty("break_to_end_ms", int(took.count()));
  std::printf("break to the end of the waiting call: %lld ms\n", static_cast<long long>(took.count()));
  EXPECT_EQ(error.code, -3113);
  EXPECT_EQ(error.text, "NET: Connection closed by a break");
  TNetError next;
  EXPECT_EQ(session->Commit(next), -1);
  EXPECT_EQ(next.code, -3114);
}

}  // namespace
