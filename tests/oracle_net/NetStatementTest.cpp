// The statement half of the call protocol: preparation, and against the fake server execution,
// describe, fetching to the end, out binds, long values in pieces, break and reset, and replies
// whose counts would make the client write past its buffers (run these under the sanitizers).
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <thread>

#include "tests/oracle_net/NetFake.h"
#include "tools/fake_listener/FakeTtc.h"

namespace {

using ora::fake::Bytes;
using nettest::FakeDb;
using nettest::GeneratedRows;
using ora::TNetError;
using ora::TNetItem;
using ora::TNetStatementState;
using ora::fake::FakeOracleService;
using ora::fake::TtcOut;

void Bind(TNetItem& item, std::uint16_t type, void* value, std::int32_t size, std::int16_t* indicator = nullptr,
          std::uint16_t* length = nullptr) {
  item.type = type;
  item.value = value;
  item.maxSize = size;
  item.indicator = indicator;
  item.length = length;
}

std::vector<std::string> BindNames(TNetStatementState& s) {
  std::vector<std::string> out;
  for (auto& b : s.Binds()) out.push_back(b->name);
  return out;
}

TEST(NetPrepare, StatementTypeAndBinds) {
  struct Case {
    const char* sql;
    int type;
    std::vector<std::string> binds;
  };
  const std::vector<Case> cases = {
      {"((select * from dual))", ora::kStmtSelect, {}},
      {"update t set a = :a where b = :b", ora::kStmtUpdate, {"a", "b"}},
      {"delete from t where a = :a or b = :a", ora::kStmtDelete, {"a", "a"}},  // DML: each occurrence
      {"insert into t values (:1, :Name, :\"Quoted\")", ora::kStmtInsert, {"1", "Name", "\"Quoted\""}},
      {"begin :x := :y + :x; end;", ora::kStmtBegin, {"x", "y"}},              // a block binds a name once
      {"begin :X := :x; end;", ora::kStmtBegin, {"X", "x"}},                   // names compare exactly
      {"declare v number; begin v := 1; :out := v; end;", ora::kStmtDeclare, {"out"}},
      {"select :from from dual", ora::kStmtSelect, {"FROM"}},                 // a keyword, upper-cased
      {"select ':not' /* :nor */ from dual -- :this\n where a = :yes", ora::kStmtSelect, {"yes"}},
      {"create trigger t before insert on x for each row begin :new.a := :old.a; end;", ora::kStmtOther, {}},
      {"alter session set nls_date_format = 'YYYY'", ora::kStmtOther, {}},
  };
  for (const Case& c : cases) {
    TNetStatementState s;
    s.Prepare(c.sql);
    EXPECT_EQ(s.StatementType(), c.type) << c.sql;
    EXPECT_EQ(BindNames(s), c.binds) << c.sql;
    EXPECT_EQ(s.Sql(), c.sql);
  }
}

TEST(NetPrepare, ReturningMakesABlock) {
  TNetStatementState s;
  const std::string sql = "insert into people (id, name) values (:id, :name) returning id into :new_id";
  s.Prepare(sql);
  EXPECT_EQ(s.StatementType(), ora::kStmtBegin);
  EXPECT_EQ(s.Sql(), "begin " + sql + "; end;");
  EXPECT_EQ(BindNames(s), (std::vector<std::string>{"id", "name", "new_id"}));
  s.Prepare("update t set a = 1 returning a into :a");
  EXPECT_EQ(s.StatementType(), ora::kStmtBegin);
  s.Prepare("delete from t returning a into :a");  // only INSERT and UPDATE are rewritten
  EXPECT_EQ(s.StatementType(), ora::kStmtDelete);
}

TEST(NetStatement, SelectDescribesAndFetchesToTheEnd) {
  FakeDb db;
  auto session = db.LoggedOn();
  TNetStatementState s(session.get());
  s.Prepare("select id, name, created from fake_rows_60");
  TNetError error;
  ASSERT_EQ(s.Execute(error, 0, 0), 0) << error.text;
  ASSERT_EQ(s.Columns().size(), 3u);
  EXPECT_EQ(s.Columns()[0].name, "ID");
  EXPECT_EQ(s.Columns()[0].type, ora::kTypeNumber);
  EXPECT_EQ(s.Columns()[0].precision, 10);
  EXPECT_EQ(s.Columns()[1].name, "NAME");
  EXPECT_EQ(s.Columns()[1].size, 30);
  EXPECT_EQ(s.Columns()[2].type, ora::kTypeDate);

  GeneratedRows rows(25);
  rows.Define(s);
  std::vector<int> results, counts;
  for (int result = 0; result == 0;) {
    result = s.Fetch(error, 25);
    results.push_back(result);
    counts.push_back(int(s.RowsFetchedInLastCall()));
    if (counts.size() == 2) {
      EXPECT_EQ(rows.id[0], 26);
      EXPECT_EQ(rows.Name(0), "row 26...................");
      EXPECT_EQ(rows.nameLength[0], 25);
      EXPECT_EQ(rows.nameIndicator[0], 0);
      EXPECT_EQ(rows.created[25 % 25 * 7 + 2], 1 + 25 % 12);  // the month of row 26
    }
    ASSERT_LT(results.size(), 10u);
  }
  EXPECT_EQ(results, (std::vector<int>{0, 0, 100}));  // 1403 at the end is "no data"
  EXPECT_EQ(counts, (std::vector<int>{25, 25, 10}));
  EXPECT_EQ(rows.id[9], 60);
  EXPECT_EQ(s.LastStatus().rowsProcessed, 60u);
  EXPECT_EQ(error.code, 1403);
  EXPECT_EQ(s.CloseCursor(error), 0);
  EXPECT_EQ(s.CursorNumber(), 0u);
}

TEST(NetStatement, ValuesOfSelectFromDual) {
  FakeDb db;
  auto session = db.LoggedOn();
  TNetError error;
  {
    // A NUMBER define of an integer takes the integer part; a define of size 0 still consumes its
    // whole value, so the column after it lines up.
    TNetStatementState s(session.get());
    s.Prepare("select 12.7, 'abcdef', -5 n, 0.5 from dual");
    ASSERT_EQ(s.Execute(error, 1, 0), 0) << error.text;
    std::int32_t integer = 0, negative = 0;
    double half = 0;
    char nothing[1] = {'x'};
    std::uint16_t length = 9;
    Bind(s.DefineAt(1), ora::kTypeInteger, &integer, 4);
    Bind(s.DefineAt(2), ora::kTypeVarchar2, nothing, 0, nullptr, &length);
    Bind(s.DefineAt(3), ora::kTypeInteger, &negative, 4);
    Bind(s.DefineAt(4), ora::kTypeFloat, &half, 8);
    EXPECT_EQ(s.Fetch(error, 1), 0) << error.text;
    EXPECT_EQ(integer, 12);
    EXPECT_EQ(nothing[0], 'x');
    EXPECT_EQ(length, 0);
    EXPECT_EQ(negative, -5);
    EXPECT_EQ(half, 0.5);
    EXPECT_EQ(s.Columns()[2].name, "N");
  }
  {
    // An integer too large for its 4-byte target is Oracle's error 1455, not a wrapped value.
    TNetStatementState s(session.get());
    s.Prepare("select 3000000000 from dual");
    ASSERT_EQ(s.Execute(error, 1, 0), 0);
    std::int32_t target = 7;
    Bind(s.DefineAt(1), ora::kTypeInteger, &target, 4);
    EXPECT_EQ(s.Fetch(error, 1), -1);
    EXPECT_EQ(error.code, 1455);
    EXPECT_EQ(error.text, "ORA-01455: converting column overflows integer datatype");
    EXPECT_EQ(target, 7);
  }
}

// A server of protocol version 4 (7.2.3): the older describe call, asked again until every
// column is described, and the shorter row header and bind request.
TEST(NetStatement, OlderServer) {
  ora::fake::FakeOracleOptions options;
  options.protocolVersion = 4;
  FakeDb db(options);
  auto session = db.LoggedOn();
  TNetError error;
  TNetStatementState s(session.get());
  s.Prepare("select 1 a, 'two' b, 3 c, sysdate from dual");
  ASSERT_EQ(s.Execute(error, 1, 0), 0) << error.text;
  ASSERT_EQ(s.Columns().size(), 4u);
  EXPECT_EQ(s.Columns()[0].name, "A");
  EXPECT_EQ(s.Columns()[1].name, "B");
  EXPECT_EQ(s.Columns()[1].size, 3);
  EXPECT_EQ(s.Columns()[3].name, "SYSDATE");
  EXPECT_TRUE(db.Events().WaitFor("describe43:3"));  // the second request starts at column 3
  std::int32_t c = 0;
  Bind(s.DefineAt(1), ora::kTypeInteger, &c, 4);
  Bind(s.DefineAt(2), ora::kTypeInteger, &c, 4);
  s.DefineAt(2).type = ora::kTypeVarchar2;  // its text is read and dropped: size 4, 3 bytes
  Bind(s.DefineAt(3), ora::kTypeInteger, &c, 4);
  std::uint8_t date[7] = {};
  Bind(s.DefineAt(4), ora::kTypeDate, date, 7);
  EXPECT_EQ(s.Fetch(error, 1), 0) << error.text;
  EXPECT_EQ(c, 3);
  EXPECT_EQ(date[0], 120);

  TNetStatementState block(session.get());
  block.Prepare("begin :r := :a + :b; end;");
  std::int32_t r = 0, a = 20, b = 22;
  Bind(*block.Binds()[0], ora::kTypeInteger, &r, 4);
  Bind(*block.Binds()[1], ora::kTypeInteger, &a, 4);
  Bind(*block.Binds()[2], ora::kTypeInteger, &b, 4);
  ASSERT_EQ(block.Execute(error, 1, 0), 0) << error.text;
  EXPECT_EQ(r, 42);
}

// The program's own queries: the character sets and the users.
TEST(NetStatement, ProgramQueries) {
  FakeDb db;
  auto session = db.LoggedOn();
  TNetError error;
  auto one = [&](const std::string& sql, std::uint16_t type) {
    TNetStatementState s(session.get());
    s.Prepare(sql);
    std::array<char, 64> text{};
    std::int64_t number = 0;
    std::int16_t indicator = 5;
    EXPECT_EQ(s.Execute(error, 1, 0), 0) << sql << ": " << error.text;
    if (type == ora::kTypeInteger) Bind(s.DefineAt(1), type, &number, 8, &indicator);
    else Bind(s.DefineAt(1), type, text.data(), 64, &indicator);
    EXPECT_EQ(s.Fetch(error, 1), 0) << sql;
    if (indicator != 0) return std::string("null");
    return type == ora::kTypeInteger ? std::to_string(number) : std::string(text.data());
  };
  EXPECT_EQ(one("SELECT NLS_CHARSET_ID('ZHS16GBK') ID FROM DUAL", ora::kTypeInteger), "852");
  EXPECT_EQ(one("SELECT NLS_CHARSET_ID('NOSUCH') ID FROM DUAL", ora::kTypeInteger), "null");
  EXPECT_EQ(one("SELECT NLS_CHARSET_NAME('873') NAME FROM DUAL", ora::kTypeString), "AL32UTF8");
  EXPECT_EQ(one("SELECT VALUE$ NAME,NLS_CHARSET_ID(VALUE$) ID FROM SYS.PROPS$ WHERE NAME='NLS_CHARACTERSET'",
                ora::kTypeString),
            "AL32UTF8");

  TNetStatementState users(session.get());
  users.Prepare("SELECT USERNAME FROM SYS.DBA_USERS ORDER BY USERNAME");
  ASSERT_EQ(users.Execute(error, 1, 0), 0);
  std::array<char, 2 * 31> names{};
  Bind(users.DefineAt(1), ora::kTypeString, names.data(), 31);
  EXPECT_EQ(users.Fetch(error, 2), 0);
  EXPECT_STREQ(&names[0], "AGING");
  EXPECT_STREQ(&names[31], "SCOTT");

  TNetStatementState alter(session.get());
  alter.Prepare("ALTER SESSION SET NLS_DATE_FORMAT = 'YYYY-MM-DD'");
  EXPECT_EQ(alter.Execute(error, 1, 0), 0);
  TNetStatementState missing(session.get());
  missing.Prepare("select * from nowhere");
  EXPECT_EQ(missing.Execute(error, 1, 0), -1);
  EXPECT_EQ(error.code, 942);
  EXPECT_EQ(error.text, "ORA-00942: table or view does not exist");
}

TEST(NetStatement, BlocksReturnOutBinds) {
  FakeDb db;
  auto session = db.LoggedOn();
  TNetError error;
  {
    TNetStatementState s(session.get());
    s.Prepare("begin :r := :a + :b; end;");
    std::int64_t r = 0, a = 2;
    double b = 40;
    std::int16_t rIndicator = -1;
    Bind(*s.Binds()[0], ora::kTypeInteger, &r, 8, &rIndicator);
    Bind(*s.Binds()[1], ora::kTypeInteger, &a, 8);
    Bind(*s.Binds()[2], ora::kTypeFloat, &b, 8);
    ASSERT_EQ(s.Execute(error, 1, 0), 0) << error.text;
    EXPECT_EQ(r, 42);
    EXPECT_EQ(rIndicator, 0);
    // A null value still takes its place in the stream (a zero length byte): the fake reads it
    // as null, and the value after it as itself.
    std::int16_t aIndicator = -1;
    s.Binds()[1]->indicator = &aIndicator;
    ASSERT_EQ(s.Execute(error, 1, 0), 0) << error.text;
    EXPECT_EQ(r, 40);
  }
  {
    TNetStatementState s(session.get());
    s.Prepare(
        "begin SELECT Version INTO :Result FROM SYS.PRODUCT_COMPONENT_VERSION WHERE Upper(Product) LIKE "
        "'%ORACLE%'; end;");
    char version[65] = {};
    std::uint16_t length = 0;
    Bind(*s.Binds()[0], ora::kTypeString, version, sizeof version, nullptr, &length);
    ASSERT_EQ(s.Execute(error, 1, 0), 0) << error.text;
    EXPECT_STREQ(version, "9.2.0.1.0");
    EXPECT_EQ(length, 9);
  }
  {
    // INSERT ... RETURNING goes as a block; its returned value comes back through a bind request.
    TNetStatementState s(session.get());
    s.Prepare("insert into people (id, name) values (:id, :name) returning id into :new_id");
    std::int32_t id = 7, newId = 0;
    char name[8] = "Ann";
    Bind(*s.Binds()[0], ora::kTypeInteger, &id, 4);
    Bind(*s.Binds()[1], ora::kTypeString, name, 8);
    Bind(*s.Binds()[2], ora::kTypeInteger, &newId, 4);
    ASSERT_EQ(s.Execute(error, 1, ora::TNetStatementState::kModeCommitOnSuccess), 0) << error.text;
    EXPECT_EQ(newId, 1001);
    EXPECT_EQ(s.LastStatus().rowsProcessed, 1u);
    EXPECT_TRUE(db.Events().WaitFor("commit"));
  }
}

// A 70,000-character LONG goes out in pieces from the input callback and comes back through the
// define's output callback, piece by piece.
struct LongPieces {
  std::string text;
  std::size_t sent = 0;
  std::string received;
  std::array<char, 16384> room{};
  std::uint32_t roomLength = 0;
  int inCalls = 0, outCalls = 0;
};

std::int32_t GiveLong(void* context, void*, std::uint32_t, std::uint32_t, void** buffer, std::uint32_t* length,
                      std::uint8_t* piece, void**) {
  auto& p = *static_cast<LongPieces*>(context);
  ++p.inCalls;
  const std::size_t n = std::min<std::size_t>(30000, p.text.size() - p.sent);
  *buffer = p.text.data() + p.sent;
  *length = std::uint32_t(n);
  p.sent += n;
  *piece = p.sent == p.text.size() ? ora::kLastPiece : ora::kNextPiece;
  return 0;
}

std::int32_t TakeLong(void* context, void*, std::uint32_t, std::uint32_t, void** buffer, std::uint32_t** length,
                      std::uint8_t*, void**, std::uint16_t**) {
  auto& p = *static_cast<LongPieces*>(context);
  if (p.outCalls++ > 0) p.received.append(p.room.data(), p.roomLength);  // the piece before
  p.roomLength = p.room.size();
  *buffer = p.room.data();
  *length = &p.roomLength;
  return 0;
}

TEST(NetStatement, LongValueInPieces) {
  FakeDb db;
  auto session = db.LoggedOn();
  TNetError error;
  LongPieces pieces;
  for (int i = 0; i < 70000; ++i) pieces.text += char('a' + i % 26);
  {
    TNetStatementState s(session.get());
    s.Prepare("insert into longs (id, body) values (:id, :body)");
    std::int32_t id = 1;
    Bind(*s.Binds()[0], ora::kTypeInteger, &id, 4);
    TNetItem& body = *s.Binds()[1];
    Bind(body, ora::kTypeLong, nullptr, 70000);
    body.inCallback = GiveLong;
    body.inContext = &pieces;
    ASSERT_EQ(s.Execute(error, 1, 0), 0) << error.text;
    EXPECT_EQ(pieces.inCalls, 3);
    EXPECT_TRUE(db.Events().WaitFor("long:70000"));
  }
  TNetStatementState s(session.get());
  s.Prepare("select body from longs");
  ASSERT_EQ(s.Execute(error, 1, 0), 0) << error.text;
  TNetItem& body = s.DefineAt(1);
  Bind(body, ora::kTypeLong, nullptr, 0);
  body.outCallback = TakeLong;
  body.outContext = &pieces;
  ASSERT_EQ(s.Fetch(error, 1), 0) << error.text;
  pieces.received.append(pieces.room.data(), pieces.roomLength);  // the last piece
  EXPECT_EQ(pieces.outCalls, 5);  // 70,000 bytes in rooms of 16,384
  EXPECT_EQ(pieces.received, pieces.text);
}

TEST(NetStatement, BreakAndReset) {
  FakeDb db;
  auto session = db.LoggedOn();
  TNetStatementState s(session.get());
  s.Prepare("begin dbms_lock.sleep(600); end;");
  TNetError error;
  int result = 0;
  std::thread runner([&] { result = s.Execute(error, 1, 0); });
  ASSERT_TRUE(db.Events().WaitFor("sleeping"));
  TNetError breakError;
  EXPECT_EQ(session->Break(breakError), 0);
  runner.join();
  EXPECT_EQ(result, -1);
  EXPECT_EQ(error.code, 1013);
  EXPECT_EQ(error.text, "ORA-01013: user requested cancel of current operation");
  EXPECT_FALSE(session->Connection().BreakPending());
  // The session goes on.
  TNetStatementState next(session.get());
  next.Prepare("select 1 from dual");
  std::int32_t one = 0;
  ASSERT_EQ(next.Execute(error, 1, 0), 0) << error.text;
  Bind(next.DefineAt(1), ora::kTypeInteger, &one, 4);
  EXPECT_EQ(next.Fetch(error, 1), 0);
  EXPECT_EQ(one, 1);
}

// A returned cursor takes the statement held in the buffer to the server's cursor; a null LOB
// (protocol version 6: a zero, then only the indicator) leaves the locator and length alone.
TEST(NetStatement, CursorsAndLobsFromRows) {
  ora::fake::FakeOracleOptions options;
  options.script = [](const std::string& sql, std::uint32_t opts) -> std::optional<Bytes> {
    if (sql != "select 1, 2, 3 from dual" || !(opts & 64)) return std::nullopt;
    TtcOut o;
    o.Byte(6).Byte(0).Int(3).Int(0).Int(0).Int(0);
    o.Byte(7).Clr({1, 9}).Int(0);            // a cursor, number 9
    o.Int(0).Int(-7);                        // a null LOB with its indicator
    o.Int(86).Clr({0xAB, 0xCD, 0xEF}).Int(0);  // a LOB locator of three bytes
    o.Raw(FakeOracleService::Status(0, {}, 1, 3));
    return o.Data();
  };
  FakeDb db(options);
  auto session = db.LoggedOn();
  TNetError error;
  TNetStatementState s(session.get());
  s.Prepare("select 1, 2, 3 from dual");
  ASSERT_EQ(s.Execute(error, 1, 0), 0) << error.text;
  TNetStatementState returned(nullptr);
  TNetStatementState* cursorSlot = &returned;
  ora::TNetLob nullLob, lob;
  nullLob.locator = {1, 2};
  ora::TNetLob* nullSlot = &nullLob;
  ora::TNetLob* lobSlot = &lob;
  std::int16_t indicators[3] = {5, 5, 5};
  std::uint16_t lengths[3] = {9, 9, 9};
  Bind(s.DefineAt(1), ora::kTypeCursor, &cursorSlot, sizeof(void*), &indicators[0], &lengths[0]);
  Bind(s.DefineAt(2), ora::kTypeBlob, &nullSlot, sizeof(void*), &indicators[1], &lengths[1]);
  Bind(s.DefineAt(3), ora::kTypeClob, &lobSlot, sizeof(void*), &indicators[2], &lengths[2]);
  ASSERT_EQ(s.Fetch(error, 1), 0) << error.text;
  EXPECT_EQ(returned.CursorNumber(), 9u);
  EXPECT_EQ(returned.Session(), session.get());
  EXPECT_EQ(indicators[1], -7);
  EXPECT_EQ(lengths[1], 9);
  EXPECT_EQ(nullLob.locator, (ora::TBytes{1, 2}));
  EXPECT_EQ(lob.locator, (ora::TBytes{0xAB, 0xCD, 0xEF}));
  EXPECT_EQ(lob.type, ora::kTypeClob);
  EXPECT_EQ(indicators[2], 0);
  returned.SetCursorNumber(0);  // the fake never opened it
}

// Replies whose counts do not fit what the client asked for. Each must raise (EDBError, as
// "NET: Unknown error " + code) without writing outside the buffers, which are sized exactly,
// and close the connection, since the rest of the reply can no longer be found.
TEST(NetStatement, HostileCountsRaise) {
  auto rowHeader = [](std::int64_t last = 0) {
    TtcOut o;
    o.Byte(6).Byte(0).Int(1).Int(0).Int(0).Int(last);
    return o.Data();
  };
  auto row = [](const Bytes& value) {
    TtcOut o;
    o.Byte(7).Clr(value).Int(0);
    return o.Data();
  };
  auto join = [](std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  };
  const Bytes five = ora::fake::FakeNumber("5");
  const Bytes end = FakeOracleService::Status(1403, "ORA-01403: no data found");
  auto bindRequest = [](std::int64_t count, std::initializer_list<std::uint8_t> flags) {
    TtcOut o;
    o.Byte(11).Byte(0).Int(count).Int(0).Int(0).Int(0);
    for (std::uint8_t f : flags) o.Byte(f);
    return o.Data();
  };
  auto arrayRow = [](std::int64_t count) {
    TtcOut o;
    o.Byte(7).Int(count);
    for (std::int64_t i = 0; i < std::min<std::int64_t>(count, 4); ++i) o.Clr(ora::fake::FakeNumber("1")).Int(0);
    return o.Data();
  };
  struct Case {
    const char* name;
    const char* sql;  // a select fetched into 2 rows of NUMBER, or a block with one array out bind of 3
    Bytes reply;      // the scripted reply to the fetch (select) or the execute (block)
    std::uint16_t defineType = ora::kTypeInteger;
    int code = 1;
  };
  const std::vector<Case> cases = {
      {"three rows for two", "select 1 from dual", join({rowHeader(), row(five), row(five), row(five), end})},
      {"NUMBER of 22 bytes", "select 1 from dual", join({rowHeader(), row(Bytes(22, 0xC1)), end})},
      {"cursor value of one byte", "select 1 from dual", join({rowHeader(), row({1}), end}), ora::kTypeCursor},
      {"row without a header", "select 1 from dual", join({row(five), end})},
      {"row header not ending in 0", "select 1 from dual", join({rowHeader(3), row(five), end}),
       ora::kTypeInteger, 40},
      {"two return-value messages", "select 1 from dual", join({{8, 0}, {8, 0}, end})},
      {"unknown message", "select 1 from dual", join({{42}, end})},
      {"array count above the array", "begin :a := 1; end;", join({bindRequest(1, {0x10}), arrayRow(4)})},
      {"negative array count", "begin :a := 1; end;", join({bindRequest(1, {0x10}), arrayRow(-1)})},
      {"bind request for three binds", "begin :a := 1; end;", join({bindRequest(3, {0x10, 0x10, 0x10})})},
      {"bind request flag 0", "begin :a := 1; end;", join({bindRequest(1, {0})})},
      {"out rows beyond the iterations", "begin :a := 1; end;",
       join({bindRequest(1, {0x10}), arrayRow(1), arrayRow(1)})},
  };
  for (const Case& c : cases) {
    ora::fake::FakeOracleOptions options;
    const std::string sql = c.sql;
    const Bytes reply = c.reply;
    options.script = [sql, reply](const std::string& s, std::uint32_t opts) -> std::optional<Bytes> {
      const bool block = sql.rfind("begin", 0) == 0;
      if (s == sql && (opts & (block ? 32u : 64u))) return reply;
      return std::nullopt;
    };
    FakeDb db(options);
    auto session = db.LoggedOn();
    TNetStatementState s(session.get());
    s.Prepare(c.sql);
    TNetError error;
    auto rows = std::make_unique<std::int64_t[]>(2);
    auto cursors = std::make_unique<TNetStatementState*[]>(2);
    auto elements = std::make_unique<std::int32_t[]>(3);
    std::uint32_t count = 99;
    if (s.StatementType() == ora::kStmtSelect) {
      ASSERT_EQ(s.Execute(error, 1, 0), 0) << c.name << ": " << error.text;
      if (c.defineType == ora::kTypeCursor) Bind(s.DefineAt(1), c.defineType, cursors.get(), sizeof(void*));
      else Bind(s.DefineAt(1), c.defineType, rows.get(), 8);
      EXPECT_EQ(s.Fetch(error, 2), -1) << c.name;
    } else {
      TNetItem& a = *s.Binds()[0];
      Bind(a, ora::kTypeInteger, elements.get(), 4);
      a.maxArrayLength = 3;
      a.arrayLength = &count;
      EXPECT_EQ(s.Execute(error, 1, 0), -1) << c.name;
    }
    // The rest of the reply cannot be found: the connection is closed and reported lost.
    EXPECT_EQ(error.code, -3113) << c.name;
    EXPECT_EQ(error.text, "NET: Unknown error " + std::to_string(c.code)) << c.name;
    EXPECT_FALSE(session->Connection().Connected()) << c.name;
  }
}

}  // namespace
