// Oracle schemes end to end through the schemes' owner with the stand-in exp and imp: a timed
// export with compression and trimmed records, an import of a compressed dump with the database's
// character-set id, and terminate of a running export.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "foundation/files/CompressedFile.h"
#include "app/core/OracleScheme.h"
#include "app/core/OracleSession.h"
#include "app/core/SchCommon.h"
#include "app/core/SchemeFile.h"
#include "app/core/SchemeHost.h"
#include "app/core/WorkFiles.h"
#include "platform/HeadlessMainThread.h"
#include "platform/ProcessRegistry.h"
#include "tests/support/ChildProcesses.h"
#include "tests/app/HostTestSupport.h"
#include "tests/support/SchemeTestSupport.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/WaitUntil.h"

namespace {

namespace fs = std::filesystem;

const std::string kFakeExp = ORASCHEME_SOURCE_DIR "/tools/fake_exp.sh";
const std::string kFakeImp = ORASCHEME_SOURCE_DIR "/tools/fake_imp.sh";

void Put(const std::string& file, const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }
std::string Get(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
// The value of key in the stand-in's "key=value" report.
std::string ReportValue(const std::string& report, const std::string& key) {
  const size_t p = report.find(key + "=");
  if (p == std::string::npos) return {};
  const size_t start = p + key.size() + 1;
  return report.substr(start, report.find('\n', start) - start);
}

class FakeSession : public sch::TOracleSession {
 public:
  std::string user, password;
  void Connect(const std::string& u, const std::string& p, const std::string&) override {
    user = u;
    password = p;
  }
  void ExecScript(const std::string&) override {}
  std::string DatabaseCharset() override { return "AL32UTF8"; }
  unsigned DatabaseCharsetId() override { return 873; }
};

class OracleRunTest : public schtest::HostTest {
 protected:
  OracleRunTest() : OracleRunTest(std::make_shared<FakeSession>()) {}
  explicit OracleRunTest(std::shared_ptr<FakeSession> s) : HostTest(s), session(std::move(s)) {}
  void SetUp() override {
    HostTest::SetUp();
    // The settings store of this test alone: no Oracle client is known.
    Env("ORASCHEME_REGISTRY_DIR", dir / "registry");
  }
  void Env(const std::string& name, const std::string& value) { env.Set(name, value); }
  // A scheme of kind, due every day at 08:00 (the clock says 10:20), its timer started on load.
  sch::TSchemeObject* AddTimedScheme(sch::TSchemeWrapper& w, int kind, const std::string& program) {
    sch::TSchemeObject* s = w.AddScheme("ora", kind);
    s->FindParam("cmdfilename")->SetKeyValue(program);
    s->FindParam("dbpassword")->SetKeyValue("tiger");
    DueDailyAt8(*s);
    return s;
  }

  std::shared_ptr<FakeSession> session;
  testsupport::ScopedEnv env;
};

TEST_F(OracleRunTest, NewSchemeFindsTheClientSoItsDefaultProgramHasAHome) {
  fs::create_directories(dir / "home/bin");
  Put(dir / "home/bin/exp", "#!/bin/sh\n");
  Env("ORASCHEME_REGISTRY_DIR", dir / "registry-with-client");
  Env("ORACLE_HOME", dir / "home");
  Env("NLS_LANG", "AMERICAN_AMERICA.ZHS16GBK");
  sch::TSchemeWrapper w;
  auto* s = dynamic_cast<sch::TOracleScheme*>(w.AddScheme("exp", sch::skOracleExport));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->OracleHome, dir / "home");
  EXPECT_EQ(s->CharSet, "ZHS16GBK");
  EXPECT_EQ(s->ParamValue("cmdfilename"), dir / "home/bin/exp");
}

TEST_F(OracleRunTest, TimedExportCompressesTrimsRecordsAndDeletesOnlyTheirFiles) {
  for (const char* f : {"Old1.dmp", "Old1.log", "Old2.dmp", "Old2.log", "unrelated.dmp"}) Put(dir / f, "old");
  Env("FAKE_ORA_CHARSET_ID", "852");
  Env("FAKE_ORA_PAYLOAD", "table data");
  Env("FAKE_ORA_ARGS_FILE", dir / "args");
  {
    sch::TSchemeWrapper w;
    sch::TSchemeObject* s = AddTimedScheme(w, sch::skOracleExport, kFakeExp);
    s->FindParam("dmpcompressed")->SetKeyValue("Yes");
    s->FindParam("file")->SetKeyValue(dir / "db.dmp");
    s->RemainCount = 1;
    for (const char* n : {"Old1", "Old2"}) {
      auto log = std::make_unique<sch::TSchemeLog>();
      log->RunScripts = "\"exp\" system/***** file=" + (dir / n) + ".dmp log=" + (dir / n) + ".log";
      log->ExitCode = 0;
      s->LogList->Add(std::move(log));
    }
    sch::SaveObjectToFile(file, &w, true);
  }
  host.Start(file);
  RunUntilNotice(sch::kSchemeRunEnded);

  auto saved = Reload();
  ASSERT_TRUE(saved && saved->Count() == 1);
  const sch::TSchemeObject* again = saved->GetScheme(0);
  ASSERT_EQ(again->LogCount(), 2) << "one old record kept, then the new one";
  EXPECT_NE(again->GetLog(0)->RunScripts.find("Old2.dmp"), std::string::npos);
  const sch::TSchemeLog* rec = again->GetLog(1);
  EXPECT_EQ(rec->ExitCode, 0);
  EXPECT_TRUE(rec->IsSucceed);
  EXPECT_FALSE(rec->ActiveMode);
  EXPECT_EQ(rec->RunScripts, "\"" + kFakeExp + "\"  system/*****" + " file=" + (dir / "db.dmp") + " log=" +
                                 sch::TOracleScheme::OldRunFiles(rec->RunScripts).back());
  EXPECT_EQ(rec->ResultMsgs.rfind("Run Scripts...Ok\r\nexp: finished with code 0\r\n", 0), 0u) << rec->ResultMsgs;
  for (const std::string& text : {rec->RunScripts, rec->ResultMsgs})
    EXPECT_EQ(text.find("tiger"), std::string::npos) << "the password never reaches a record: " << text;
  EXPECT_NE(Get(dir / "args").find(std::string("system/tiger\0", 13)), std::string::npos) << "only the child has it";

  EXPECT_TRUE(olv::IsCompressedFile(dir / "db.dmp"));
  EXPECT_EQ(Get(dir / "db.dmp").rfind("OLVEK", 0), 0u);
  ASSERT_TRUE(olv::DecompressFile(dir / "db.dmp", dir / "plain.dmp"));
  EXPECT_EQ(Get(dir / "plain.dmp"), std::string("\x03\x03\x54table data", 13));
  for (const char* gone : {"Old1.dmp", "Old1.log"}) EXPECT_FALSE(fs::exists(dir / gone)) << gone;
  for (const char* kept : {"Old2.dmp", "Old2.log", "unrelated.dmp"}) EXPECT_TRUE(fs::exists(dir / kept)) << kept;
  EXPECT_FALSE(fs::exists(sch::TOracleScheme::OldRunFiles(rec->RunScripts).back())) << "the temporary log is gone";
}

TEST_F(OracleRunTest, ImportOfACompressedDumpSeesTheDatabasesIdInATemporaryCopy) {
  const std::string dump = dir / "in.dmp";
  const std::string original("\x03\x03\x54rows", 7);
  Put(dump, original);
  ASSERT_TRUE(olv::CompressFileInPlace(dump));
  const std::string compressed = Get(dump);
  Env("FAKE_ORA_REPORT", dir / "report");
  {
    sch::TSchemeWrapper w;
    sch::TSchemeObject* s = AddTimedScheme(w, sch::skOracleImport, kFakeImp);
    s->FindParam("file")->SetKeyValue(dump);
    s->FindParam("log")->SetKeyValue(dir / "imp.log");
    s->FindParam("charset")->SetKeyValue("No");
    sch::SaveObjectToFile(file, &w, true);
  }
  host.Start(file);
  RunUntilNotice(sch::kSchemeRunEnded);

  EXPECT_EQ(session->password, "tiger") << "the character set was read with the scheme's login";
  const std::string report = Get(dir / "report");
  const std::string seen = ReportValue(report, "dump");
  EXPECT_NE(seen, dump) << "imp reads an expanded copy";
  EXPECT_EQ(ReportValue(report, "dump_id"), "873") << report;
  EXPECT_EQ(ReportValue(report, "dump_size"), "7") << report;
  EXPECT_NE(ReportValue(report, "NLS_LANG").find(".AL32UTF8"), std::string::npos) << report;
  EXPECT_FALSE(fs::exists(seen)) << "the temporary copy is removed";
  EXPECT_EQ(Get(dump), compressed) << "the user's dump keeps its bytes and its id";
  EXPECT_EQ(static_cast<sch::TOracleScheme&>(Scheme()).DmpFile, dump);

  const auto saved = Reload();
  const sch::TSchemeLog* rec = saved->GetScheme(0)->GetLog(0);
  EXPECT_EQ(rec->ExitCode, 0);
  EXPECT_TRUE(rec->IsSucceed);
  EXPECT_EQ(rec->ResultMsgs.rfind("UnCompress:" + dump + "...OK\r\nAdjuest CharSet...\r\nRun Scripts...Ok\r\n", 0), 0u)
      << rec->ResultMsgs;
  EXPECT_NE(rec->ResultMsgs.find("Restor CharSet...\r\n"), std::string::npos);
  EXPECT_EQ(rec->RunScripts.find("tiger"), std::string::npos) << rec->RunScripts;
}

TEST_F(OracleRunTest, TerminateOfARunningExportRecords100AndLeavesNoChild) {
  Env("FAKE_ORA_SLEEP", "30");
  Env("FAKE_ORA_PID_FILE", dir / "exp.pid");
  {
    sch::TSchemeWrapper w;
    sch::TSchemeObject* s = AddTimedScheme(w, sch::skOracleExport, kFakeExp);
    s->FindParam("file")->SetKeyValue(dir / "db.dmp");
    sch::SaveObjectToFile(file, &w, true);
  }
  host.Start(file);
  RunUntilNotice(sch::kSchemeRunRecorded);
  const pid_t child = schtest::WaitForPidFile(dir / "exp.pid");
  ASSERT_TRUE(testsupport::WaitUntil([&] { return Scheme().ProcessHandle.load() != 0; }, "the child's start"));
  EXPECT_EQ(Scheme().ProcessHandle.load(), child);
  EXPECT_TRUE(host.TerminateScheme(Scheme()));
  RunUntilNotice(sch::kSchemeRunEnded);

  EXPECT_TRUE(schtest::ProcessGoneSoon(child));
  EXPECT_TRUE(registry.running().empty());
  EXPECT_EQ(Scheme().ProcessHandle.load(), 0);
  const auto saved = Reload();
  const sch::TSchemeLog* rec = saved->GetScheme(0)->GetLog(0);
  EXPECT_EQ(rec->ExitCode, 100);
  EXPECT_FALSE(rec->IsSucceed);
  EXPECT_EQ(rec->ResultMsgs.rfind("Run Scripts...Cancel by user\r\n", 0), 0u) << rec->ResultMsgs;
  EXPECT_EQ(rec->RunScripts.find("tiger"), std::string::npos) << rec->RunScripts;
}

// Another instance starting while imp reads the expanded copy must not take it for the leftover
// of a run that died: the copy stays the locked work file it was made as.
TEST_F(OracleRunTest, TheExpandedCopyOfARunningImportSurvivesAnotherStart) {
  const std::string dump = dir / "in.dmp";
  Put(dump, std::string("\x03\x03\x54rows", 7));
  ASSERT_TRUE(olv::CompressFileInPlace(dump));
  Env("FAKE_ORA_REPORT", dir / "report");
  Env("FAKE_ORA_SLEEP", "30");
  {
    sch::TSchemeWrapper w;
    sch::TSchemeObject* s = AddTimedScheme(w, sch::skOracleImport, kFakeImp);
    s->FindParam("file")->SetKeyValue(dump);
    s->FindParam("charset")->SetKeyValue("No");
    sch::SaveObjectToFile(file, &w, true);
  }
  host.Start(file);
  RunUntilNotice(sch::kSchemeRunRecorded);
  std::string report;
  while ((report = Get(dir / "report")).find("dump_size=") == std::string::npos)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const std::string seen = ReportValue(report, "dump");
  ASSERT_TRUE(fs::exists(seen)) << report;

  sch::RemoveStaleWorkFiles();  // what another instance's start-up does
  EXPECT_TRUE(fs::exists(seen)) << "the running import's copy was removed";
  EXPECT_EQ(fs::file_size(seen), 7u);

  EXPECT_TRUE(host.TerminateScheme(Scheme()));
  RunUntilNotice(sch::kSchemeRunEnded);
  EXPECT_FALSE(fs::exists(seen)) << "the run removes its copy";
}

}  // namespace
