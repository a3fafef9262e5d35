// The session half of the call protocol against the fake server: negotiations, the logon and
// its answers, the simple calls, and the server text.
#include <gtest/gtest.h>

#include <algorithm>

#include "foundation/base/Exception.h"
#include "tests/oracle_net/NetFake.h"

namespace {

using nettest::FakeDb;

bool Saw(FakeDb& db, const std::string& what) {
  const auto seen = db.Events().Seen();
  return std::find(seen.begin(), seen.end(), what) != seen.end();
}

TEST(NetLogon, AnswersOfTheServer) {
  struct Case {
    const char* user;
    const char* password;
    int result;
    int code;
    const char* text;
    const char* warning;
  };
  const Case cases[] = {
      {"scott", "tiger", 0, 0, "", ""},
      {" Scott ", "TIGER ", 0, 0, "", ""},  // trimmed, and the hash knows no letter case
      {"scott", "lion", -1, 1017, "ORA-01017: invalid username/password; logon denied", ""},
      {"nobody", "tiger", -1, 1017, "ORA-01017: invalid username/password; logon denied", ""},
      {"aging", "soon", 0, 0, "", "ORA-28002: the password will expire within 7 days"},
  };
  FakeDb db;
  for (const Case& c : cases) {
    auto session = db.NewSession(c.user, c.password);
    ora::TNetError error;
    EXPECT_EQ(session->Logon(error), c.result) << c.user;
    EXPECT_EQ(error.code, c.code) << c.user;
    EXPECT_EQ(error.text, c.text) << c.user;
    EXPECT_EQ(session->LoggedOn(), c.result == 0) << c.user;
    EXPECT_EQ(session->Connection().Connected(), c.result == 0) << c.user << ": a failed logon leaves no connection";
    EXPECT_EQ(session->LogonWarning(), c.warning) << c.user;
    EXPECT_EQ(session->Password, "") << c.user << ": the password is wiped after the logon";
  }
  // What the fake read of the negotiations, with its own decoder.
  EXPECT_TRUE(Saw(db, "versions:6543210 banner:NET_TTC-8.1.0"));
  EXPECT_TRUE(Saw(db, "charsets:873,873 table:685 rows:185 request:715"));
}

TEST(NetLogon, SessionStateAfterTheNegotiations) {
  for (int version : {4, 5, 6}) {
    ora::fake::FakeOracleOptions options;
    options.protocolVersion = version;
    options.charset = 852;
    FakeDb db(options);
    auto session = db.LoggedOn();
    EXPECT_EQ(session->ProtocolVersion(), version);
    EXPECT_EQ(session->ServerVersion(), version == 4 ? 7230 : version == 5 ? 8030 : 8100);
    EXPECT_EQ(session->ServerCharset(), 852);
    EXPECT_EQ(session->ClientCharset(), 852);
    EXPECT_EQ(session->MaxStringSize(), version == 4 ? 2000 : 4000);
    EXPECT_EQ(session->SessionKey().size(), 16u);
    EXPECT_FALSE(session->Connection().ConversionFlag());
  }
}

TEST(NetLogon, NewClientCharacterSetNegotiatesAgain) {
  FakeDb db;
  auto session = db.NewSession();
  ora::TNetError error;
  EXPECT_EQ(session->SetClientCharset(871, error), 0);  // before the logon: only kept
  ASSERT_EQ(session->Logon(error), 0) << error.text;
  EXPECT_TRUE(Saw(db, "charsets:871,871 table:685 rows:185 request:715"));
  EXPECT_TRUE(session->Connection().ConversionFlag());  // 871 is not the server's 873
  EXPECT_EQ(session->SetClientCharset(852, error), 0);
  EXPECT_EQ(session->ServerCharset(), 852);
  EXPECT_TRUE(Saw(db, "charsets:852,852 table:685 rows:185 request:715"));
  EXPECT_EQ(session->Commit(error), 0);  // the session goes on
}

TEST(NetLogon, ProtocolVersion3IsRefused) {
  ora::fake::FakeOracleOptions options;
  options.protocolVersion = 3;
  FakeDb db(options);
  auto session = db.NewSession();
  ora::TNetError error;
  EXPECT_EQ(session->Logon(error), -1);
  EXPECT_EQ(error.code, -1);
  EXPECT_EQ(error.text, "NET: Unknown error 444");
  EXPECT_FALSE(session->Connection().Connected());
}

TEST(NetLogon, AlreadyLoggedOnIsAnError) {
  FakeDb db;
  auto session = db.LoggedOn();
  ora::TNetError error;
  EXPECT_EQ(session->Logon(error), -1);
  EXPECT_EQ(error.text, "NET: Already logged on");
  EXPECT_TRUE(session->LoggedOn());
}

TEST(NetSimpleCalls, CommitRollbackLogoff) {
  FakeDb db;
  auto session = db.LoggedOn();
  ora::TNetError error;
  EXPECT_EQ(session->Commit(error), 0);     // answered with end of call
  EXPECT_EQ(session->Rollback(error), 0);   // answered with a status
  EXPECT_EQ(session->Logoff(error), 0);
  EXPECT_FALSE(session->LoggedOn());
  EXPECT_FALSE(session->Connection().Connected());
  ASSERT_TRUE(db.Events().WaitFor("logoff"));
  EXPECT_TRUE(Saw(db, "commit"));
  EXPECT_TRUE(Saw(db, "rollback"));
  // Logoff without a logon: -1, and the error handle keeps what it had.
  error = {77, "kept"};
  EXPECT_EQ(session->Logoff(error), -1);
  EXPECT_EQ(error.code, 77);
  EXPECT_EQ(error.text, "kept");
  // A commit on a closed connection reports the lost connection.
  EXPECT_EQ(session->Commit(error), -1);
  EXPECT_EQ(error.code, -3114);
}

TEST(NetServerText, HostPortAndSid) {
  struct Case {
    const char* text;
    const char* host;
    int port;
    const char* sid;
  };
  const Case cases[] = {
      {"", "local", 1521, "orcl"},          {"db", "db", 1521, "orcl"},
      {"db:1522", "db", 1522, "orcl"},      {":1522", "local", 1522, "orcl"},
      {"db:1522:prod", "db", 1522, "prod"}, {"db::prod", "db", 1521, "prod"},
      {"db:1522:", "db", 1522, "orcl"},
  };
  for (const Case& c : cases) {
    const auto a = ora::TNetServerAddress::Parse(c.text);
    EXPECT_EQ(a.host, c.host) << c.text;
    EXPECT_EQ(a.port, c.port) << c.text;
    EXPECT_EQ(a.sid, c.sid) << c.text;
  }
  for (const char* bad : {"db:port", "db:-1", "db:70000", "db:15 21"}) {
    try {
      ora::TNetServerAddress::Parse(bad);
      ADD_FAILURE() << bad;
    } catch (const olv::Exception& e) {
      EXPECT_STREQ(e.what(), "Invalid port") << bad;
    }
  }
}

}  // namespace
