// The Oracle connection against the stand-in client library: logon and logoff in both call
// styles, the session's settings, errors, breaks and background runs. Most checks read the
// stand-in's call log.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "dataaccess/DataSet.h"
#include "oracle/client/OraCall.h"
#include "oracle/server/OraCommand.h"
#include "oracle/server/OraConnection.h"
#include "oracle/OraProps.h"
#include "oracle/server/OraWorker.h"
#include "platform/HeadlessMainThread.h"
#include "tests/support/FakeOciHome.h"

namespace ora {
namespace {

using da::Variant;
using testing::CallsOf;
using testing::MessageOf;
using testing::OraErrorOf;
using Lines = std::vector<std::string>;

class OraConnectionTest : public testing::FakeOciTest {
 protected:
  void Logon(TOCIConnection& c, const char* user = "scott") {
    c.SetUsername(user);
    c.SetPassword("tiger");
    c.SetServer("orcl");
  }
};

TEST(OraServerVersion, ParsedFromTheBanner) {
  const std::pair<const char*, const char*> cases[] = {
      {"Oracle8i Enterprise Edition Release 8.1.7.0.0 - Production", "8.1.7.0.0"},
      {"Oracle Database 11g Enterprise Edition Release 11.2.0.1.0 - 64bit Production", "11.2.0.1.0"},
      {"Personal Oracle7 Release 7.3.4.0.0 - Production", "7.3.4.0.0"},
      {"Oracle9i Release 9.2.0.1.0", "9.2.0.1.0"},
      {"Oracle Database 23ai Free Release 23.0.0.0.0 - Develop, Learn, and Run for Free", "23.0.0.0.0"},
      {"no version. here", ""},
      {"", ""},
  };
  for (const auto& [banner, version] : cases) EXPECT_EQ(ParseServerVersion(banner), version) << banner;
}

TEST_F(OraConnectionTest, HandleLogonSendsCredentialsThenTheUsersNlsInTableOrder) {
  TOCIConnection c;
  Logon(c);
  c.SetProp(prDateFormat, Variant("YYYY-MM-DD"));
  c.SetProp(prDateLanguage, Variant("GERMAN"));
  EXPECT_TRUE(fake_.Lines().empty()) << "settings made while disconnected wait for the logon";
  c.Connect("");
  EXPECT_TRUE(c.GetConnected());
  EXPECT_EQ(CallsOf(fake_, {"OCIServerAttach", "OCIAttrSet", "OCISessionBegin", "OCIServerVersion", "OCIStmtPrepare"}),
            (Lines{"OCIServerAttach dblink=orcl mode=0",
                   "OCIAttrSet htype=8 attr=25 value=",
                   "OCIAttrSet htype=3 attr=6",
                   "OCIAttrSet htype=9 attr=22 value=scott",
                   "OCIAttrSet htype=9 attr=23 value=tiger",
                   "OCISessionBegin cred=1 mode=0",
                   "OCIAttrSet htype=3 attr=7",
                   "OCIServerVersion htype=3",
                   "OCIStmtPrepare sql=ALTER SESSION SET NLS_DATE_LANGUAGE='GERMAN'",
                   "OCIStmtPrepare sql=ALTER SESSION SET NLS_DATE_FORMAT='YYYY-MM-DD'"}));
  EXPECT_EQ(c.GetServerVersion(), "19.0.0.0.0");

  Variant value;
  c.GetProp(prDateFormat, value);
  EXPECT_EQ(value, Variant("YYYY-MM-DD"));
  c.GetProp(prTimeStampFormat, value);  // nothing set: the session block asks the server
  EXPECT_EQ(value, Variant("DD-MON-RR HH.MI.SSXFF AM"));

  fake_.logClear();
  c.Disconnect();
  EXPECT_FALSE(c.GetConnected());
  EXPECT_EQ(CallsOf(fake_, {"OCISessionEnd", "OCIServerDetach", "OCIHandleFree"}),
            (Lines{"OCISessionEnd mode=0", "OCIServerDetach mode=0", "OCIHandleFree type=9 (session)",
                   "OCIHandleFree type=8 (server)", "OCIHandleFree type=3 (svcctx)", "OCIHandleFree type=2 (error)"}));
  EXPECT_EQ(fake_.liveHandles(0), 2) << "the process's environment and error handle stay";
  c.GetProp(prTimeStampFormat, value);
  EXPECT_EQ(value, Variant("")) << "what the server reported is forgotten";
  c.GetProp(prDateFormat, value);
  EXPECT_EQ(value, Variant("YYYY-MM-DD")) << "what the user set stays";
}

TEST_F(OraConnectionTest, CredentialsAndSessionModes) {
  struct Case {
    const char* user;
    TConnectMode mode;
    Lines calls;
  };
  const Case cases[] = {
      {"", cmNormal, {"OCISessionBegin cred=2 mode=0"}},
      {"sys", cmSysDBA,
       {"OCIAttrSet htype=9 attr=22 value=sys", "OCIAttrSet htype=9 attr=23 value=tiger", "OCISessionBegin cred=1 mode=2"}},
      {"op", cmSysOper,
       {"OCIAttrSet htype=9 attr=22 value=op", "OCIAttrSet htype=9 attr=23 value=tiger", "OCISessionBegin cred=1 mode=4"}},
  };
  for (const Case& k : cases) {
    fake_.logClear();
    TOCIConnection c;
    Logon(c, k.user);
    c.SetProp(prConnectMode, Variant(static_cast<std::int32_t>(k.mode)));
    c.Connect("");
    std::vector<std::string> calls;
    for (const std::string& line : CallsOf(fake_, {"OCIAttrSet", "OCISessionBegin"}))
      if (line.find("htype=9") != std::string::npos || line.rfind("OCISessionBegin", 0) == 0) calls.push_back(line);
    EXPECT_EQ(calls, k.calls) << k.user;
  }
}

TEST_F(OraConnectionTest, OldInterfaceLogonUsesTheLogonDataArea) {
  Reload(testing::Variant::WithOldInterface);
  TOCIConnection c;
  Logon(c);
  c.SetCallStyle(OCI73);
  c.SetProp(prDateFormat, Variant("YYYY-MM-DD"));
  c.Connect("");
  EXPECT_EQ(c.GetCommandCallStyle(), OCI73);
  EXPECT_EQ(CallsOf(fake_, {"olog", "oparse", "oexn", "OCISessionBegin"}),
            (Lines{"olog user=scott password=tiger server=orcl mode=0",
                   "oparse sql=ALTER SESSION SET NLS_DATE_FORMAT='YYYY-MM-DD' defer=0 lng=2", "oexn iters=1 rowoff=0"}));
  EXPECT_TRUE(IsOCI7Threaded());

  fake_.logClear();
  EXPECT_EQ(c.GetServerVersion(), "19.0.0.0.0");  // through the version block
  EXPECT_EQ(CallsOf(fake_, {"oparse", "obndrv", "oexn"}),
            (Lines{"oparse sql=begin SELECT Version INTO :Result FROM SYS.PRODUCT_COMPONENT_VERSION WHERE "
                   "Upper(Product) LIKE '%ORACLE%'; end; defer=0 lng=2",
                   "obndrv name=:Result type=5 size=66", "oexn iters=1 rowoff=0"}));
  EXPECT_EQ(c.GetMaxStringSize(), 2000);

  fake_.logClear();
  c.Commit();
  c.Rollback();
  c.Disconnect();
  EXPECT_EQ(CallsOf(fake_, {"ocom", "orol", "ologof"}), (Lines{"ocom", "orol", "ologof"}));
}

TEST_F(OraConnectionTest, AFailedHandleLogonFreesItsHandles) {
  TOCIConnection c;
  Logon(c);
  fake_.fail("OCISessionBegin", 1, 1017, "");
  EXPECT_EQ(OraErrorOf([&] { c.Connect(""); }), "1017 ORA-01017: invalid username/password; logon denied");
  EXPECT_FALSE(c.GetConnected());
  EXPECT_EQ(c.GetLastErrorCode(), 1017);
  EXPECT_EQ(fake_.liveHandles(0), 2);
  EXPECT_EQ(CallsOf(fake_, {"OCIServerDetach", "OCIHandleFree"}),
            (Lines{"OCIServerDetach mode=0", "OCIHandleFree type=9 (session)", "OCIHandleFree type=8 (server)",
                   "OCIHandleFree type=3 (svcctx)", "OCIHandleFree type=2 (error)"}));

  // Nothing attached yet: nothing to detach.
  fake_.logClear();
  fake_.fail("OCIServerAttach", 1, 12154, "");
  EXPECT_EQ(MessageOf([&] { c.Connect(""); }), "ORA-12154: TNS:could not resolve the connect identifier specified");
  EXPECT_TRUE(CallsOf(fake_, {"OCIServerDetach"}).empty());
  EXPECT_EQ(fake_.liveHandles(0), 2);

  c.Connect("");
  EXPECT_TRUE(c.GetConnected());
}

TEST_F(OraConnectionTest, ALogoffTheServerRefusesStillReleasesEverything) {
  TOCIConnection c;
  Logon(c);
  c.Connect("");
  fake_.fail("OCISessionEnd", 1, 3114, "");
  EXPECT_EQ(MessageOf([&] { c.Disconnect(); }), "ORA-03114: not connected to ORACLE");
  EXPECT_FALSE(c.GetConnected());
  EXPECT_EQ(fake_.liveHandles(0), 2);
  c.Connect("");
  EXPECT_TRUE(c.GetConnected());
}

TEST_F(OraConnectionTest, AnUnterminatedBannerIsReadWithinItsBuffer) {
  fake_.set("unterminated_texts", "1");
  fake_.set("banner", ("Oracle Database Release 12.2.0.1.0 " + std::string(400, '-')).c_str());
  TOCIConnection c;
  Logon(c);
  c.Connect("");
  EXPECT_EQ(c.GetServerVersion(), "12.2.0.1.0");
}

TEST_F(OraConnectionTest, AFailedOldInterfaceLogonCanBeRepeated) {
  Reload(testing::Variant::WithOldInterface);
  TOCIConnection c;
  Logon(c);
  c.SetCallStyle(OCI73);
  fake_.fail("olog", 1, 1017, "");
  EXPECT_EQ(OraErrorOf([&] { c.Connect(""); }), "1017 ORA-01017: invalid username/password; logon denied");
  EXPECT_FALSE(c.GetConnected());
  c.Connect("");
  EXPECT_TRUE(c.GetConnected());
}

TEST_F(OraConnectionTest, TheErrorHandlerMayTurnAnErrorIntoAnAbort) {
  TOCIConnection c;
  Logon(c);
  int seen = 0;
  c.SetErrorHandler([&](EOraError& e, bool& fail) {
    seen = e.ErrorCode();
    fail = false;
  });
  fake_.fail("OCISessionBegin", 1, 1017, "");
  EXPECT_THROW(c.Connect(""), da::EAbort);
  EXPECT_EQ(seen, 1017);

  int calls = 0;
  c.SetEventProp(prOnError, [&](const da::EDAError&, bool&) { ++calls; });
  fake_.fail("OCISessionBegin", 1, 28000, "the account is locked");
  EXPECT_EQ(MessageOf([&] { c.Connect(""); }), "ORA-28000: the account is locked");
  EXPECT_EQ(calls, 1);
}

TEST_F(OraConnectionTest, TransactionCallsNeedASession) {
  TOCIConnection c;
  Logon(c);
  c.Commit();
  c.Rollback();
  c.BreakExec();
  EXPECT_TRUE(fake_.Lines().empty());
  c.Connect("");
  fake_.logClear();
  c.StartTransaction();
  c.Commit();
  c.Rollback();
  EXPECT_EQ(CallsOf(fake_, {"OCITransCommit", "OCITransRollback"}),
            (Lines{"OCITransCommit flags=0", "OCITransCommit flags=0", "OCITransRollback flags=0"}));
  c.SetCallStyle(OCI73);
  EXPECT_FALSE(c.GetConnected()) << "another call style disconnects";
}

struct BannerCase {
  const char* banner;
  const char* version;
  std::uint8_t commandCallStyle;
  std::uint16_t maxString, maxStringFor3;
};

TEST_F(OraConnectionTest, BannersDecideCommandCallStyleAndStringSize) {
  const BannerCase cases[] = {
      {"Oracle8i Enterprise Edition Release 8.1.7.0.0 - Production", "8.1.7.0.0", OCI80, 4000, 1333},
      {"Personal Oracle7 Release 7.3.4.0.0 - Production", "7.3.4.0.0", OCI73, 2000, 666},
      {"Oracle Database 11g Enterprise Edition Release 11.2.0.1.0 - 64bit Production", "11.2.0.1.0", OCI80, 4000,
       1333},
      {"Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production", "19.0.0.0.0", OCI80, 4000, 1333},
  };
  for (const BannerCase& k : cases) {
    fake_.set("banner", k.banner);
    TOCIConnection c;
    Logon(c);
    c.Connect("");
    EXPECT_EQ(c.GetServerVersion(), k.version);
    EXPECT_EQ(c.GetCommandCallStyle(), k.commandCallStyle) << k.banner;
    Variant value;
    c.GetProp(prMaxStringSize, value);
    EXPECT_EQ(value, Variant(static_cast<std::int32_t>(k.maxString))) << k.banner;
    c.SetProp(prCharLength, Variant(3));
    EXPECT_EQ(c.GetMaxStringSize(), k.maxStringFor3) << k.banner;
  }
}

TEST_F(OraConnectionTest, BytesPerCharacterFromTheServer) {
  fake_.set("char_length", "3");
  TOCIConnection c;
  Logon(c);
  c.SetProp(prCharLength, Variant(0));  // ask the server at the next logon
  c.Connect("");
  EXPECT_EQ(c.CharLength, 3);
  EXPECT_EQ(c.GetMaxStringSize(), 1333);
  c.Disconnect();
  EXPECT_EQ(c.CharLength, 0);
  Variant value;
  c.Connect("");
  c.GetProp(prCharLength, value);
  EXPECT_EQ(value, Variant(3));
}

TEST_F(OraConnectionTest, CharsetIdGoesToStringBinds) {
  TOCIConnection c;
  Logon(c);
  c.Connect("");
  c.SetProp(prCharset, Variant("ZHS16GBK"));
  EXPECT_EQ(c.GetCharsetId(), 852);

  fake_.script("begin :x := 'a'; end;", "out X=abc");
  auto command = c.CreateCommand();
  command->SetSQL("begin :x := 'a'; end;");
  auto* x = static_cast<TOraParamDesc*>(command->GetParam(0));
  x->SetDataType(da::dtString);
  x->SetParamType(da::ptOutput);
  x->SetSize(10);
  fake_.logClear();
  command->Execute(1);
  EXPECT_EQ(x->GetValue(), Variant("abc"));
  EXPECT_EQ(CallsOf(fake_, {"OCIAttrSet"}), (Lines{"OCIAttrSet htype=5 attr=31 value=852"}));

  EXPECT_EQ(MessageOf([&] { c.SetProp(prCharset, Variant("NOSUCH")); }), "Cannot find charset NOSUCH");
}

TEST_F(OraConnectionTest, SessionValuesAreQuotedWithTheirQuotesDoubled) {
  TOCIConnection c;
  Logon(c);
  c.Connect("");
  fake_.logClear();
  c.SetProp(prDateFormat, Variant("DD 'of' MM"));
  EXPECT_EQ(CallsOf(fake_, {"OCIStmtPrepare"}), (Lines{"OCIStmtPrepare sql=ALTER SESSION SET NLS_DATE_FORMAT='DD ''of'' MM'"}));
  c.GetSessionParameters();
  EXPECT_EQ(c.GetNlsParameter(kNlsDateFormat), "DD 'of' MM") << "the server took the whole value";
}

TEST_F(OraConnectionTest, BreakStopsACallInProgress) {
  TOCIConnection c;
  Logon(c);
  c.Connect("");
  fake_.delay("OCIStmtExecute", -1);
  std::atomic<int> code{0};
  std::thread t([&] {
    try {
      c.SetSessionParameter("NLS_SORT", "BINARY");
    } catch (const EOraError& e) {
      code = e.ErrorCode();
    }
  });
  ASSERT_EQ(fake_.waitHeld(60000), 1);
  c.BreakExec();
  t.join();
  EXPECT_EQ(code, 1013);
  EXPECT_EQ(CallsOf(fake_, {"OCIBreak"}), (Lines{"OCIBreak"}));
}

TEST_F(OraConnectionTest, TwoThreadsNeverSeeEachOthersErrors) {
  TOCIConnection c;
  Logon(c);
  c.Connect("");
  fake_.fail("OCITransCommit", 0, 1111, "commit refused");
  fake_.fail("OCIStmtExecute", 0, 2222, "statement refused");
  std::atomic<int> wrong{0}, seen{0};
  std::thread committer([&] {
    for (int i = 0; i < 200; ++i) {
      try {
        c.Commit();
      } catch (const EOraError& e) {
        ++seen;
        if (e.ErrorCode() != 1111) ++wrong;
      }
    }
  });
  std::thread executor([&] {
    for (int i = 0; i < 200; ++i) {
      try {
        c.SetSessionParameter("NLS_SORT", "BINARY");
      } catch (const EOraError& e) {
        ++seen;
        if (e.ErrorCode() != 2222) ++wrong;
      }
    }
  });
  committer.join();
  executor.join();
  EXPECT_EQ(seen, 400);
  EXPECT_EQ(wrong, 0);
}

class OraBackgroundTest : public OraConnectionTest {
 protected:
  void SetUp() override {
    OraConnectionTest::SetUp();
    Logon(c_);
    c_.Connect("");
  }
  plat::HeadlessMainThread main_;
  TOCIConnection c_{{&main_, [this](void* sender, const std::exception& e) {
                        events_.push_back(std::string("hook ") + e.what() +
                                          (sender == &c_ ? " from the connection" : ""));
                        main_.quit();
                      }}};
  std::vector<std::string> events_;
};

TEST_F(OraBackgroundTest, TheEndRunsOnTheMainThread) {
  std::thread::id ran;
  auto worker = RunThread(&c_, &c_, [&] { c_.SetSessionParameter("NLS_SORT", "BINARY"); },
                          [&](bool completed) {
                            ran = std::this_thread::get_id();
                            events_.push_back(completed ? "end true" : "end false");
                            main_.quit();
                          });
  main_.run();
  EXPECT_EQ(ran, std::this_thread::get_id());
  EXPECT_EQ(events_, (Lines{"end true"}));
  EXPECT_TRUE(worker->Finished());
}

TEST_F(OraBackgroundTest, AWorkersErrorReachesTheHookOnce) {
  fake_.fail("OCIStmtExecute", 1, 942, "");
  auto worker = RunThread(&c_, &c_, [&] { c_.SetSessionParameter("NLS_SORT", "BINARY"); },
                          [&](bool completed) { events_.push_back(completed ? "end true" : "end false"); });
  main_.run();
  main_.processPending();
  EXPECT_EQ(events_, (Lines{"end false", "hook ORA-00942: table or view does not exist from the connection"}));
}

TEST_F(OraBackgroundTest, StoppingBreaksTheCallAndDropsTheNotice) {
  fake_.delay("OCIStmtExecute", -1);
  auto worker = RunThread(&c_, &c_, [&] { c_.SetSessionParameter("NLS_SORT", "BINARY"); },
                          [&](bool completed) { events_.push_back(completed ? "end true" : "end false"); });
  ASSERT_EQ(fake_.waitHeld(60000), 1);
  EXPECT_TRUE(StopThread(&c_, *worker, true));
  EXPECT_TRUE(worker->Finished());
  main_.processPending();
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(CallsOf(fake_, {"OCIBreak"}).size(), 1u);
}

}  // namespace
}  // namespace ora
