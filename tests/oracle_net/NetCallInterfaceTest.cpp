// The emulated call interface: the table InitNet re-points, the error and version calls, binds by
// name and position, describe-only execution, LOBs through dbms_lob blocks, a connection that
// drops in the middle of a fetch, and statements that outlive their service context. The Oracle
// layer's connection logs on over it against the fake server; the rest goes through the table.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <thread>

#include "oracle/client/OraCall.h"
#include "oracle/server/OraConnection.h"
#include "oracle/OraError.h"
#include "oracle/OraProps.h"
#include "oracle/net/NetCallInterface.h"
#include "oracle/net/NetHandle.h"
#include "oracle/net/NetStatementHandle.h"
#include "tests/oracle_net/NetFake.h"
#include "tests/support/MessageOf.h"

namespace {

using nettest::FakeDb;
using ora::fake::FakeOracleOptions;
namespace o = ora;

using testsupport::MessageOf;

// "<code> <message>" as the Oracle layer reads a status, through the table.
std::string ErrorOf(sword status, OCIError* error) {
  std::string message;
  const int code = o::GetOraError(status, message, error);
  return std::to_string(code) + " " + message;
}

class NetCallInterfaceTest : public ::testing::Test {
 protected:
  void SetUp() override { o::InitNet(); }
  void TearDown() override {
    connection_.reset();
    o::FreeOCI();
    o::FinishNet();
  }

  // The Oracle layer's connection, logged on to the fake over the emulated table.
  o::TOCIConnection& Connect(FakeDb& db) {
    connection_ = std::make_unique<o::TOCIConnection>();
    connection_->SetUsername("scott");
    connection_->SetPassword("tiger");
    connection_->SetServer("127.0.0.1:" + std::to_string(db.listener.Port()) + ":orcl");
    connection_->Connect("");
    return *connection_;
  }
  OCISvcCtx* Svc() { return connection_->GetSvcCtx(); }
  OCIError* Err() { return o::hOCIError; }

  OCIStmt* Prepared(const std::string& sql) {
    void* statement = nullptr;
    EXPECT_EQ(o::OCIHandleAlloc(o::hOCIEnv, &statement, o::OCI_HTYPE_STMT, 0, nullptr), o::OCI_SUCCESS);
    EXPECT_EQ(o::OCIStmtPrepare(static_cast<OCIStmt*>(statement), Err(), reinterpret_cast<const OraText*>(sql.c_str()),
                                ub4(sql.size()), o::OCI_NTV_SYNTAX, o::OCI_DEFAULT),
              o::OCI_SUCCESS);
    return static_cast<OCIStmt*>(statement);
  }
  sword Execute(OCIStmt* statement, ub4 mode = o::OCI_DEFAULT) {
    return o::OCIStmtExecute(Svc(), statement, Err(), 1, 0, nullptr, nullptr, mode);
  }
  sword BindName(OCIStmt* statement, const std::string& name, void* value, sb4 size, ub2 type) {
    OCIBind* bind = nullptr;
    return o::OCIBindByName(statement, &bind, Err(), reinterpret_cast<const OraText*>(name.c_str()), sb4(name.size()),
                            value, size, type, &indicator_, nullptr, nullptr, 0, nullptr, o::OCI_DEFAULT);
  }
  // The locator of a row of the fake's lobs table, in a descriptor of its own.
  OCILobLocator* LobOf(int id) {
    void* locator = nullptr;
    EXPECT_EQ(o::OCIDescriptorAlloc(o::hOCIEnv, &locator, o::OCI_DTYPE_LOB, 0, nullptr), o::OCI_SUCCESS);
    OCIStmt* s = Prepared("begin select doc into :doc from lobs where id = :id; end;");
    sb4 key = id;
    EXPECT_EQ(BindName(s, ":doc", &locator, sb4(sizeof locator), o::SQLT_CLOB), o::OCI_SUCCESS);
    EXPECT_EQ(BindName(s, ":id", &key, 4, o::SQLT_INT), o::OCI_SUCCESS);
    EXPECT_EQ(Execute(s), o::OCI_SUCCESS) << ErrorOf(o::OCI_ERROR, Err());
    o::OCIHandleFree(s, o::OCI_HTYPE_STMT);
    return static_cast<OCILobLocator*>(locator);
  }
  std::vector<std::string> Seen(FakeDb& db, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& e : db.Events().Seen())
      if (e.rfind(prefix, 0) == 0) out.push_back(e);
    return out;
  }

  std::unique_ptr<o::TOCIConnection> connection_;
  sb2 indicator_ = 0;
};

TEST_F(NetCallInterfaceTest, InitNetPointsTheTableAtTheNetworkClient) {
  EXPECT_TRUE(o::NetInited());
  EXPECT_EQ(o::OCIVersion, 3);
  EXPECT_EQ(o::OCICallStyle, o::OCI80);
  EXPECT_EQ(o::PossibleOCICallStyles, o::csOCI8);
  EXPECT_TRUE(o::OCIInited);
  EXPECT_EQ(o::hOCIEnv, nullptr);
  EXPECT_NE(o::hOCIError, nullptr);

  OCIEnv* env = reinterpret_cast<OCIEnv*>(&indicator_);
  EXPECT_EQ(o::OCIEnvCreate(&env, 0, nullptr, nullptr, nullptr, nullptr, 0, nullptr), o::OCI_SUCCESS);
  EXPECT_EQ(env, nullptr);
  void* handle = nullptr;
  EXPECT_EQ(o::OCIHandleAlloc(nullptr, &handle, o::OCI_HTYPE_ENV, 0, nullptr), o::OCI_INVALID_HANDLE);
  EXPECT_EQ(o::OCIDescriptorAlloc(nullptr, &handle, o::OCI_DTYPE_PARAM, 0, nullptr), o::OCI_INVALID_HANDLE);

  EXPECT_EQ(MessageOf([] { o::OCILobCopy(nullptr, nullptr, nullptr, nullptr, 0, 0, 0); }), "Function is not supported");
  EXPECT_EQ(MessageOf([] { o::OCIStmtFetch2(nullptr, nullptr, 1, 2, 0, 0); }), "Function is not supported");
  EXPECT_EQ(MessageOf([] { o::OCIObjectFree(nullptr, nullptr, nullptr, 0); }), "OCI function is not linked");
  EXPECT_EQ(MessageOf([] { o::olog(nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr, 0, 0); }),
            "OCI function is not linked");

  o::OCIInit();  // loads no library: the mode is initialised
  EXPECT_FALSE(o::OCILoaded());

  o::FreeOCI();
  o::FinishNet();
  EXPECT_FALSE(o::NetInited());
  EXPECT_FALSE(o::OCIInited);
  EXPECT_EQ(o::OCIVersion, 0);
  EXPECT_EQ(o::PossibleOCICallStyles, 0);
  EXPECT_EQ(MessageOf([&] { o::OCIHandleAlloc(nullptr, &handle, o::OCI_HTYPE_ERROR, 0, nullptr); }),
            "OCI function is not linked");
}

TEST_F(NetCallInterfaceTest, ThePasswordIsWipedOnceTheLogonIsOver) {
  FakeDb db;
  Connect(db);
  auto* context = o::NetHandleAs<o::TNetServiceContext>(Svc());
  ASSERT_NE(context, nullptr);
  ASSERT_TRUE(context->Session().LoggedOn());
  EXPECT_EQ(context->SessionHandle()->Password, "");
  EXPECT_EQ(context->Session().Password, "");
  EXPECT_EQ(context->SessionHandle()->UserName, "scott");
}

TEST_F(NetCallInterfaceTest, ErrorTextsEndInsideTheCallersBuffer) {
  auto* error = o::NetHandleAs<o::TNetErrorHandle>(o::hOCIError);
  ASSERT_NE(error, nullptr);
  sb4 code = 7;
  char buffer[64];
  EXPECT_EQ(o::OCIErrorGet(o::hOCIError, 1, nullptr, &code, reinterpret_cast<OraText*>(buffer), 64, o::OCI_HTYPE_ERROR),
            o::OCI_NO_DATA);
  EXPECT_EQ(code, 0);

  error->Error = {1017, "ORA-01017: invalid username/password; logon denied"};
  for (ub4 size : {1u, 2u, 10u, 51u, 52u, 63u}) {
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(o::OCIErrorGet(o::hOCIError, 1, nullptr, &code, reinterpret_cast<OraText*>(buffer), size,
                             o::OCI_HTYPE_ERROR),
              o::OCI_SUCCESS);
    EXPECT_EQ(code, 1017);
    const std::size_t expected = std::min<std::size_t>(size - 1, error->Error.text.size());
    EXPECT_EQ(std::strlen(buffer), expected) << size;
    EXPECT_EQ(std::string(buffer), error->Error.text.substr(0, expected));
    if (size < sizeof buffer) {
      EXPECT_EQ(buffer[size], 'x') << "nothing past the buffer";
    }
  }
  EXPECT_EQ(o::OCIErrorGet(o::hOCIError, 1, nullptr, &code, reinterpret_cast<OraText*>(buffer), 64, o::OCI_HTYPE_SVCCTX),
            o::OCI_INVALID_HANDLE);
  // A transport failure keeps its negative code; the layer reports its absolute value.
  error->Error = {-12571, "ORA-12571"};
  EXPECT_EQ(ErrorOf(o::OCI_ERROR, o::hOCIError), "12571 ORA-12571");
}

TEST_F(NetCallInterfaceTest, ServerVersionSaysOracle7Or8AndTheStringSizeFollows) {
  struct Case {
    int protocol;
    const char* version;
    std::uint16_t maxString;
  };
  for (const Case& c : {Case{4, "Oracle7", 2000}, Case{5, "Oracle8", 4000}, Case{6, "Oracle8", 4000}}) {
    FakeOracleOptions options;
    options.protocolVersion = c.protocol;
    FakeDb db(options);
    o::TOCIConnection& connection = Connect(db);
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(o::OCIServerVersion(Svc(), Err(), reinterpret_cast<OraText*>(buffer), sizeof buffer, o::OCI_HTYPE_SVCCTX),
              o::OCI_SUCCESS);
    EXPECT_STREQ(buffer, c.version);
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(o::OCIServerVersion(Svc(), Err(), reinterpret_cast<OraText*>(buffer), 4, o::OCI_HTYPE_SVCCTX),
              o::OCI_SUCCESS);
    EXPECT_STREQ(buffer, "Ora");
    EXPECT_EQ(buffer[4], 'x');
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(o::OCIServerVersion(Svc(), Err(), reinterpret_cast<OraText*>(buffer), 16, o::OCI_HTYPE_SERVER),
              o::OCI_SUCCESS);
    EXPECT_EQ(buffer[0], 'x') << "other handle types write nothing";
    EXPECT_EQ(connection.GetMaxStringSize(), c.maxString) << c.protocol;
    EXPECT_EQ(connection.GetServerVersion(), "9.2.0.1.0");
    connection.Disconnect();
  }
}

TEST_F(NetCallInterfaceTest, BindsMatchNamesExactlyAndPositionsWithinTheStatement) {
  FakeDb db;
  Connect(db);
  OCIStmt* s = Prepared("begin :r := :a + :b; end;");
  sb4 r = 0, a = 2, b = 40;
  EXPECT_EQ(ErrorOf(BindName(s, ":A", &a, 4, o::SQLT_INT), Err()), "1036 ORA-1036");
  OCIBind* bind = nullptr;
  EXPECT_EQ(ErrorOf(o::OCIBindByPos(s, &bind, Err(), 4, &a, 4, o::SQLT_INT, &indicator_, nullptr, nullptr, 0, nullptr,
                                    o::OCI_DEFAULT),
                    Err()),
            "1036 ORA-1036");
  EXPECT_EQ(BindName(s, ":r", &r, 4, o::SQLT_INT), o::OCI_SUCCESS);
  EXPECT_EQ(BindName(s, "a", &a, 4, o::SQLT_INT), o::OCI_SUCCESS);
  EXPECT_EQ(o::OCIBindByPos(s, &bind, Err(), 3, &b, 4, o::SQLT_INT, &indicator_, nullptr, nullptr, 0, nullptr,
                            o::OCI_DEFAULT),
            o::OCI_SUCCESS);
  EXPECT_EQ(o::OCIAttrSet(bind, o::OCI_HTYPE_BIND, &a, 0, o::OCI_ATTR_CHARSET_ID, Err()), o::OCI_SUCCESS);
  ASSERT_EQ(Execute(s), o::OCI_SUCCESS) << ErrorOf(o::OCI_ERROR, Err());
  EXPECT_EQ(r, 42);
  ub2 code = 0;
  EXPECT_EQ(o::OCIAttrGet(s, o::OCI_HTYPE_STMT, &code, nullptr, o::OCI_ATTR_SQLFNCODE, Err()), o::OCI_SUCCESS);
  EXPECT_EQ(code, 34) << "a PL/SQL block";
  EXPECT_EQ(o::OCIHandleFree(bind, o::OCI_HTYPE_BIND), o::OCI_SUCCESS) << "a bind goes with its statement";
  EXPECT_EQ(o::OCIHandleFree(s, o::OCI_HTYPE_STMT), o::OCI_SUCCESS);
}

TEST(NetStatementHandle, FunctionCodesOfCommandCodes) {
  const std::pair<int, int> table[] = {{2, 3},   {3, 4},   {6, 5},    {7, 9},    {44, 54}, {45, 55},
                                       {47, 34}, {48, 144}, {51, 139}, {52, 192}, {0, 0},   {42, 0}};
  for (auto [command, function] : table) EXPECT_EQ(o::TNetStatement::FunctionCodeOf(std::uint8_t(command)), function);
}

TEST_F(NetCallInterfaceTest, DescribeOnlyFillsTheColumnsWithoutFetching) {
  FakeDb db;
  Connect(db);
  OCIStmt* s = Prepared("select id, name, created from fake_rows_7");
  ASSERT_EQ(Execute(s, o::OCI_DESCRIBE_ONLY), o::OCI_SUCCESS) << ErrorOf(o::OCI_ERROR, Err());
  EXPECT_TRUE(Seen(db, "call71").empty()) << "nothing ran";
  ub4 count = 0;
  EXPECT_EQ(o::OCIAttrGet(s, o::OCI_HTYPE_STMT, &count, nullptr, o::OCI_ATTR_PARAM_COUNT, Err()), o::OCI_SUCCESS);
  ASSERT_EQ(count, 3u);
  void* param = nullptr;
  ASSERT_EQ(o::OCIParamGet(s, o::OCI_HTYPE_STMT, Err(), &param, 2), o::OCI_SUCCESS);
  OraText* name = nullptr;
  ub4 nameLength = 0;
  ub2 type = 0, size = 0;
  ub1 nullable = 9;
  EXPECT_EQ(o::OCIAttrGet(param, 53, &name, &nameLength, o::OCI_ATTR_NAME, Err()), o::OCI_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name), nameLength), "NAME");
  o::OCIAttrGet(param, 53, &type, nullptr, o::OCI_ATTR_DATA_TYPE, Err());
  o::OCIAttrGet(param, 53, &size, nullptr, o::OCI_ATTR_DATA_SIZE, Err());
  o::OCIAttrGet(param, 53, &nullable, nullptr, o::OCI_ATTR_IS_NULL, Err());
  EXPECT_EQ(type, 1);
  EXPECT_EQ(size, 30);
  EXPECT_EQ(nullable, 1);
  EXPECT_EQ(o::OCIDescriptorFree(param, 53), o::OCI_SUCCESS) << "a column goes with its statement";
  EXPECT_EQ(ErrorOf(o::OCIParamGet(s, o::OCI_HTYPE_STMT, Err(), &param, 4), Err()),
            "24334 ORA-24334: no descriptor for this position");

  // Then run and fetch all seven rows in one call that reaches the end.
  ASSERT_EQ(o::OCIStmtExecute(Svc(), s, Err(), 0, 0, nullptr, nullptr, 0), o::OCI_SUCCESS);
  sb4 ids[10] = {};
  OCIDefine* define = nullptr;
  ASSERT_EQ(o::OCIDefineByPos(s, &define, Err(), 1, ids, 4, o::SQLT_INT, nullptr, nullptr, nullptr, 0), o::OCI_SUCCESS);
  char names[10][31];
  ASSERT_EQ(o::OCIDefineByPos(s, &define, Err(), 2, names, 31, o::SQLT_STR, nullptr, nullptr, nullptr, 0), o::OCI_SUCCESS);
  ub1 dates[10][7];
  ASSERT_EQ(o::OCIDefineByPos(s, &define, Err(), 3, dates, 7, o::SQLT_DAT, nullptr, nullptr, nullptr, 0), o::OCI_SUCCESS);
  EXPECT_EQ(o::OCIStmtFetch(s, Err(), 10, o::OCI_FETCH_NEXT, 0), o::OCI_NO_DATA);
  ub4 rows = 0;
  o::OCIAttrGet(s, o::OCI_HTYPE_STMT, &rows, nullptr, o::OCI_ATTR_ROW_COUNT, Err());
  EXPECT_EQ(rows, 7u);
  EXPECT_EQ(ids[6], 7);
  EXPECT_STREQ(names[6], "row 7....................");
  o::OCIHandleFree(s, o::OCI_HTYPE_STMT);
}

TEST_F(NetCallInterfaceTest, LobsMoveThroughDbmsLobBlocksInChunks) {
  FakeOracleOptions options;
  std::string text(70000, ' ');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = char('a' + i % 26);
  options.lobs = {{"1", text}};
  FakeDb db(options);
  Connect(db);
  OCILobLocator* lob = LobOf(1);
  boolean init = 0;
  EXPECT_EQ(o::OCILobLocatorIsInit(o::hOCIEnv, Err(), lob, &init), o::OCI_SUCCESS);
  EXPECT_TRUE(init);
  ub1 form = 77;
  EXPECT_EQ(o::OCILobCharSetForm(o::hOCIEnv, Err(), lob, &form), o::OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(form, 77) << "nothing written";

  ub4 length = 0;
  ASSERT_EQ(o::OCILobGetLength(Svc(), Err(), lob, &length), o::OCI_SUCCESS);
  EXPECT_EQ(length, 70000u);
  std::string read(70000, '\0');
  ub4 amount = 70000;
  ASSERT_EQ(o::OCILobRead(Svc(), Err(), lob, &amount, 1, read.data(), 70000, nullptr, nullptr, 0, 0), o::OCI_SUCCESS);
  EXPECT_EQ(amount, 70000u);
  EXPECT_EQ(read, text);
  EXPECT_EQ(Seen(db, "dbms_lob.read"),
            (std::vector<std::string>{"dbms_lob.read:32512", "dbms_lob.read:32512", "dbms_lob.read:4976"}));

  // Past the end is no error, only nothing read.
  amount = 10;
  EXPECT_EQ(o::OCILobRead(Svc(), Err(), lob, &amount, 70001, read.data(), 10, nullptr, nullptr, 0, 0), o::OCI_SUCCESS);
  EXPECT_EQ(amount, 0u);

  // Trimmed to nothing, then written again in two chunks, and read back.
  std::string written(40000, 'z');
  written[32511] = '1';
  written[32512] = '2';
  ASSERT_EQ(o::OCILobTrim(Svc(), Err(), lob, 0), o::OCI_SUCCESS);
  amount = 40000;
  ASSERT_EQ(o::OCILobWrite(Svc(), Err(), lob, &amount, 1, written.data(), 40000, 0, nullptr, nullptr, 0, 0),
            o::OCI_SUCCESS);
  EXPECT_EQ(amount, 40000u);
  EXPECT_EQ(Seen(db, "dbms_lob.write"), (std::vector<std::string>{"dbms_lob.write:32512", "dbms_lob.write:7488"}));
  ASSERT_EQ(o::OCILobGetLength(Svc(), Err(), lob, &length), o::OCI_SUCCESS);
  EXPECT_EQ(length, 40000u);
  std::string back(40000, '\0');
  amount = 40000;
  ASSERT_EQ(o::OCILobRead(Svc(), Err(), lob, &amount, 1, back.data(), 40000, nullptr, nullptr, 0, 0), o::OCI_SUCCESS);
  EXPECT_EQ(back, written);

  // A locator the server never gave fails as the server says, through the caller's check.
  void* stranger = nullptr;
  o::OCIDescriptorAlloc(o::hOCIEnv, &stranger, o::OCI_DTYPE_LOB, 0, nullptr);
  EXPECT_EQ(MessageOf([&] { o::OCILobGetLength(Svc(), Err(), static_cast<OCILobLocator*>(stranger), &length); }),
            "ORA-22275: invalid LOB locator specified");
  o::OCIDescriptorFree(stranger, o::OCI_DTYPE_LOB);
  o::OCIDescriptorFree(lob, o::OCI_DTYPE_LOB);
}

TEST_F(NetCallInterfaceTest, APeerClosingMidFetchIsALostConnection) {
  // An orderly close in the middle of a reply, and a reset as when the server's host drops it.
  for (const auto& [reset, lost] : {std::pair{false, "12571 ORA-12571"}, std::pair{true, "3113 ORA-03113"}}) {
    SCOPED_TRACE(lost);
    FakeOracleOptions options;
    options.hangUpAtRow = 30;
    options.hangUpWithReset = reset;
    FakeDb db(options);
    o::TOCIConnection& connection = Connect(db);
    OCIStmt* s = Prepared("select id, name, created from fake_rows_60");
    ASSERT_EQ(Execute(s), o::OCI_SUCCESS);
    sb4 ids[25];
    OCIDefine* define = nullptr;
    o::OCIDefineByPos(s, &define, Err(), 1, ids, 4, o::SQLT_INT, nullptr, nullptr, nullptr, 0);
    o::OCIDefineByPos(s, &define, Err(), 2, nullptr, 0, o::SQLT_STR, nullptr, nullptr, nullptr, 0);
    o::OCIDefineByPos(s, &define, Err(), 3, nullptr, 0, o::SQLT_DAT, nullptr, nullptr, nullptr, 0);
    EXPECT_EQ(o::OCIStmtFetch(s, Err(), 25, o::OCI_FETCH_NEXT, 0), o::OCI_SUCCESS);
    EXPECT_EQ(ErrorOf(o::OCIStmtFetch(s, Err(), 25, o::OCI_FETCH_NEXT, 0), Err()), lost);
    EXPECT_TRUE(db.Events().WaitFor("hang up"));
    EXPECT_EQ(ErrorOf(Execute(s), Err()), "3114 NET: Net error 200") << "the session is gone";
    o::OCIHandleFree(s, o::OCI_HTYPE_STMT);
    EXPECT_THROW(connection.Disconnect(), o::EOraError) << "no logoff to a server that is gone";
    EXPECT_FALSE(connection.GetConnected());
  }
}

TEST_F(NetCallInterfaceTest, TheClientCharacterSetOfALoggedOnContextNegotiatesAgain) {
  FakeDb db;
  Connect(db);
  ub2 id = 852;
  EXPECT_EQ(o::OCIAttrSet(Svc(), o::OCI_HTYPE_SVCCTX, &id, 0, o::OCI_ATTR_CHARSET_ID, Err()), o::OCI_SUCCESS);
  EXPECT_EQ(Seen(db, "charsets:852,852").size(), 1u);
  EXPECT_EQ(o::OCIAttrSet(Svc(), o::OCI_HTYPE_SVCCTX, &id, 0, o::OCI_ATTR_CHARSET_ID, Err()), o::OCI_SUCCESS);
  EXPECT_EQ(Seen(db, "charsets:852,852").size(), 1u) << "the same set again changes nothing";
  OCIStmt* s = Prepared("select 'still talking' from dual");
  EXPECT_EQ(Execute(s), o::OCI_SUCCESS) << ErrorOf(o::OCI_ERROR, Err());
  o::OCIHandleFree(s, o::OCI_HTYPE_STMT);
}

TEST_F(NetCallInterfaceTest, ABreakFromAnotherThreadEndsACallInProgress) {
  FakeDb db;
  o::TOCIConnection& connection = Connect(db);
  OCIStmt* s = Prepared("begin dbms_lock.sleep(60); end;");
  void* error = nullptr;
  ASSERT_EQ(o::OCIHandleAlloc(nullptr, &error, o::OCI_HTYPE_ERROR, 0, nullptr), o::OCI_SUCCESS);
  sword status = 0;
  std::thread call([&] { status = o::OCIStmtExecute(Svc(), s, static_cast<OCIError*>(error), 1, 0, nullptr, nullptr, 0); });
  ASSERT_TRUE(db.Events().WaitFor("sleeping"));
  connection.BreakExec();
  call.join();
  EXPECT_EQ(ErrorOf(status, static_cast<OCIError*>(error)), "1013 ORA-01013: user requested cancel of current operation");
  OCIStmt* next = Prepared("select 1 from dual");
  EXPECT_EQ(Execute(next), o::OCI_SUCCESS) << "the session goes on";
  o::OCIHandleFree(next, o::OCI_HTYPE_STMT);
  o::OCIHandleFree(s, o::OCI_HTYPE_STMT);
  o::OCIHandleFree(error, o::OCI_HTYPE_ERROR);
}

// A server that no longer answers anything, not even the break: BreakExec from another thread
// still ends the waiting call, and the connection is then reported lost. The deadline only
// catches a call that does not end.
TEST_F(NetCallInterfaceTest, ABreakEndsACallTheServerNeverAnswers) {
  FakeDb db({}, [](ora::fake::ListenerOptions& o) { o.deafToMarkers = true; });
  o::TOCIConnection& connection = Connect(db);
  OCIStmt* s = Prepared("begin dbms_lock.sleep(60); end;");
  void* error = nullptr;
  ASSERT_EQ(o::OCIHandleAlloc(nullptr, &error, o::OCI_HTYPE_ERROR, 0, nullptr), o::OCI_SUCCESS);
  auto call = std::async(std::launch::async, [&] {
    return o::OCIStmtExecute(Svc(), s, static_cast<OCIError*>(error), 1, 0, nullptr, nullptr, 0);
  });
  ASSERT_TRUE(db.Events().WaitFor("sleeping"));
  connection.BreakExec();
  if (call.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    ADD_FAILURE() << "the call did not end after the break";
    db.listener.Stop();
  }
  EXPECT_EQ(ErrorOf(call.get(), static_cast<OCIError*>(error)), "3113 NET: Connection closed by a break");
  OCIStmt* next = Prepared("select 1 from dual");
  EXPECT_EQ(ErrorOf(Execute(next), Err()), "3114 NET: Net error 200") << "never a success on a lost connection";
  o::OCIHandleFree(next, o::OCI_HTYPE_STMT);
  o::OCIHandleFree(s, o::OCI_HTYPE_STMT);
  o::OCIHandleFree(error, o::OCI_HTYPE_ERROR);
}

// The connection's timeouts reach the network session: a listener that never answers the
// CONNECT fails the logon at the connect timeout; a call the server never answers fails at the
// receive timeout.
TEST_F(NetCallInterfaceTest, TheConnectionsTimeoutsBoundTheLogonAndTheCalls) {
  {
    FakeDb silent({}, [](ora::fake::ListenerOptions& o) { o.rawSteps = {{1, ora::fake::RawStep::Action::Stall, {}}}; });
    connection_ = std::make_unique<o::TOCIConnection>();
    connection_->SetProp(o::prConnectTimeout, da::Variant(std::int32_t(200)));
    connection_->SetUsername("scott");
    connection_->SetPassword("tiger");
    connection_->SetServer("127.0.0.1:" + std::to_string(silent.listener.Port()) + ":orcl");
    auto logon = std::async(std::launch::async, [&] { return MessageOf([&] { connection_->Connect(""); }); });
    if (logon.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
      ADD_FAILURE() << "the logon did not end";
      silent.listener.Stop();
    }
    EXPECT_EQ(logon.get(), "NET: Connection timed out");
    EXPECT_FALSE(connection_->GetConnected());
  }
  FakeDb db({}, [](ora::fake::ListenerOptions& o) { o.deafToMarkers = true; });
  connection_ = std::make_unique<o::TOCIConnection>();
  connection_->SetProp(o::prReceiveTimeout, da::Variant(std::int32_t(200)));
  da::TPropValue value;
  ASSERT_TRUE(connection_->GetProp(o::prReceiveTimeout, value));
  EXPECT_EQ(value.AsInteger(), 200);
  o::TOCIConnection& connection = *connection_;
  connection.SetUsername("scott");
  connection.SetPassword("tiger");
  connection.SetServer("127.0.0.1:" + std::to_string(db.listener.Port()) + ":orcl");
  connection.Connect("");
  OCIStmt* s = Prepared("begin dbms_lock.sleep(60); end;");
  auto call = std::async(std::launch::async, [&] { return Execute(s); });
  if (call.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    ADD_FAILURE() << "the call did not end";
    db.listener.Stop();
  }
  EXPECT_EQ(ErrorOf(call.get(), Err()), "3113 NET: Connection timed out");
  o::OCIHandleFree(s, o::OCI_HTYPE_STMT);
}

TEST_F(NetCallInterfaceTest, AStatementMayOutliveItsServiceContext) {
  FakeDb db;
  Connect(db);
  OCIStmt* s = Prepared("select 1 from dual");
  ASSERT_EQ(Execute(s), o::OCI_SUCCESS);
  connection_->Disconnect();  // frees the service context while the statement still holds a cursor
  EXPECT_EQ(o::OCIStmtFetch(s, Err(), 1, o::OCI_FETCH_NEXT, 0), o::OCI_ERROR);
  EXPECT_EQ(o::OCIHandleFree(s, o::OCI_HTYPE_STMT), o::OCI_SUCCESS);
}

}  // namespace
