// The Oracle schemes: parameter sets, client detection, command lines and the argument vector
// spawned, dump character-set ids, the files of dropped records and the SQL scripts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/files/CompressedFile.h"
#include "app/core/OracleScheme.h"
#include "app/core/OracleSession.h"
#include "app/core/RunLogExcerpt.h"
#include "app/core/WorkFiles.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
using sch::TOracleScheme;

const std::string kFakeExp = ORASCHEME_SOURCE_DIR "/tools/fake_exp.sh";

void Put(const std::string& file, const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }
std::string Get(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> Names(const sch::TSchemeObject& s) {
  std::vector<std::string> n;
  for (int i = 0; i < s.ParamCount(); ++i) n.push_back(s.GetParam(i)->KeyName());
  return n;
}

void Set(sch::TSchemeObject& s, const char* name, const std::string& value) {
  sch::TItemDescription* item = s.FindParam(name);
  ASSERT_NE(item, nullptr) << name;
  item->SetKeyValue(value);
}

// ---- parameter sets --------------------------------------------------------------------------

TEST(OracleParams, ExportAndImportListTheCommonParametersFirstThenTheirOwn) {
  sch::TOracleExportScheme exp;
  exp.BuildParamList();
  const std::vector<std::string> common = {"cmdfilename", "dbusername", "dbpassword", "service",
                                           "charset", "dmpcompressed", "Prefix", "Suffix",
                                           "file", "log", "parfile"};
  std::vector<std::string> names = Names(exp);
  ASSERT_EQ(names.size(), common.size() + 28);
  EXPECT_TRUE(std::equal(common.begin(), common.end(), names.begin()));
  EXPECT_EQ(names[11], "FULL");
  EXPECT_EQ(names.back(), "TEMPLATE");

  sch::TOracleImportScheme imp;
  imp.BuildParamList();
  names = Names(imp);
  ASSERT_EQ(names.size(), common.size() + 29);
  EXPECT_TRUE(std::equal(common.begin(), common.end(), names.begin()));
  EXPECT_EQ(names[13], "TOUSER");
  EXPECT_EQ(names.back(), "TTS_OWNERS");
}

TEST(OracleParams, DefaultsEditorsAndPickLists) {
  sch::TOracleExportScheme s;
  s.BuildParamList();
  EXPECT_EQ(s.ParamValue("dbusername"), "system");
  EXPECT_EQ(s.ParamValue("charset"), "Yes");
  EXPECT_EQ(s.ParamValue("dmpcompressed"), "No");
  EXPECT_TRUE(s.AllowCharset());
  EXPECT_FALSE(s.CompressDmp());
  EXPECT_EQ(s.FindParam("dbpassword")->Tag, sch::kTagPassword | sch::kTagRequired);
  EXPECT_EQ(s.FindParam("file")->Tags, "dmp files|*.dmp|All|*.*;dmp");
  EXPECT_EQ(s.FindParam("file")->DlgType, sch::dtFileOpen);
  EXPECT_EQ(s.FindParam("OWNER")->DlgType, sch::dtOracleUser);
  EXPECT_EQ(s.FindParam("TABLES")->DlgType, sch::dtOracleTable);
  EXPECT_EQ(s.FindParam("Prefix")->DlgType, sch::dtTextEditor);
  const auto* stats = s.FindParam("STATISTICS")->PickList.get();
  ASSERT_EQ(stats->Count(), 3);
  EXPECT_EQ(stats->Strings(2), "No");
  EXPECT_EQ(s.FindParam("STATISTICS")->EditStyle, sch::esPickList);
  EXPECT_EQ(s.FindParam("FULL")->GetKeyDesc().empty(), false);
}

// ---- client detection and programs ------------------------------------------------------------

struct DetectCase {
  const char* label;
  std::optional<std::string> home, nls;
  std::string homeKey, oracleHome, language, charset;
};

TEST(OracleClient, DetectedFromTheSeededSettingsStore) {
  const DetectCase cases[] = {
      {"home and NLS_LANG", "/opt/ora", "AMERICAN_AMERICA.ZHS16GBK", "\\Software\\ORACLE\\HOME0", "/opt/ora",
       "AMERICAN_AMERICA", "ZHS16GBK"},
      {"no dot", "/opt/ora", "AMERICAN_AMERICA", "\\Software\\ORACLE\\HOME0", "/opt/ora", "AMERICAN_AMERICA", ""},
      {"no client", std::nullopt, std::nullopt, "", "", "", ""},
  };
  for (const auto& c : cases) {
    testsupport::ScratchFolder dir;
    plat::RegistrySeed seed;
    seed.oracleHome = c.home;
    seed.nlsLang = c.nls;
    seed.oratab = dir / "no-oratab";
    plat::Registry reg(dir / "reg", seed);
    sch::TOracleExportScheme s;
    s.DetectOracleClient(reg);
    EXPECT_EQ(s.HomeKey, c.homeKey) << c.label;
    EXPECT_EQ(s.OracleHome, c.oracleHome) << c.label;
    EXPECT_EQ(s.Language, c.language) << c.label;
    EXPECT_EQ(s.CharSet, c.charset) << c.label;
  }
}

TEST(OracleClient, ChildNlsLangOnlyWhenSwitchingToAnotherCharacterSet) {
  sch::TOracleExportScheme s;
  s.BuildParamList();
  s.Language = "AMERICAN_AMERICA";
  s.CharSet = "ZHS16GBK";
  s.TargetCharset = "AL32UTF8";
  EXPECT_EQ(s.ChildNlsLang(), std::nullopt) << "charset Yes leaves the client alone";
  Set(s, "charset", "No");
  EXPECT_EQ(s.ChildNlsLang(), "NLS_LANG=AMERICAN_AMERICA.AL32UTF8");
  s.TargetCharset = "zhs16gbk";
  EXPECT_EQ(s.ChildNlsLang(), std::nullopt) << "same set in another letter case";
  s.TargetCharset = "";
  EXPECT_EQ(s.ChildNlsLang(), std::nullopt);
}

TEST(OracleClient, DefaultProgramInTheHomeElseOnPath) {
  testsupport::ScratchFolder dir;
  fs::create_directories(dir / "home/bin");
  fs::create_directories(dir / "path");
  Put(dir / "home/bin/exp", "#!/bin/sh\n");
  Put(dir / "path/imp", "#!/bin/sh\n");
  fs::permissions(dir / "path/imp", fs::perms::owner_all);
  testsupport::ScopedEnv env;
  env.Set("PATH", dir / "path");
  sch::TOracleExportScheme exp;
  sch::TOracleImportScheme imp;
  exp.OracleHome = imp.OracleHome = dir / "home";
  EXPECT_EQ(exp.GetDefaultExe(), dir / "home/bin/exp");
  EXPECT_EQ(imp.GetDefaultExe(), "imp");
  imp.OracleHome.clear();
  exp.OracleHome.clear();
  EXPECT_EQ(exp.GetDefaultExe(), "/bin/exp") << "no client and nothing on PATH: a name that does not exist";
}

TEST(OracleClient, ValidNeedsTheProgramTheUserAndForTheImportTheDump) {
  testsupport::ScratchFolder dir;
  Put(dir / "exp", "x");
  sch::TOracleExportScheme exp;
  sch::TOracleImportScheme imp;
  for (sch::TOracleScheme* s : {static_cast<TOracleScheme*>(&exp), static_cast<TOracleScheme*>(&imp)}) {
    s->BuildParamList();
    Set(*s, "cmdfilename", dir / "missing");
    EXPECT_FALSE(s->IsValid());
    Set(*s, "cmdfilename", dir / "exp");
  }
  EXPECT_TRUE(exp.IsValid());
  Set(exp, "dbusername", "");
  EXPECT_FALSE(exp.IsValid());
  EXPECT_FALSE(imp.IsValid());
  Set(imp, "file", dir / "in.dmp");
  EXPECT_FALSE(imp.IsValid());
  Put(dir / "in.dmp", "abc");
  EXPECT_TRUE(imp.IsValid());
}

// ---- command lines ----------------------------------------------------------------------------

struct LineCase {
  const char* label;
  std::vector<std::pair<const char*, std::string>> values;
  bool running;
  std::string expected;
};

TEST(OracleCommandLine, TableOfCases) {
  testsupport::ScratchFolder dir;
  const std::string d = dir / "";
  const LineCase cases[] = {
      {"not running: password masked, only non-empty values",
       {{"cmdfilename", "/ora/bin/exp"}, {"dbpassword", "abc"}, {"FULL", "Y"}, {"file", d + "x.dmp"}},
       false, "\"/ora/bin/exp\" system/*** file=" + d + "x.dmp FULL=Y"},
      {"running: the password is still masked (the child alone has it)",
       {{"cmdfilename", "/ora/bin/exp"}, {"dbpassword", "abc"}, {"FULL", "Y"}, {"file", d + "x.dmp"}},
       true, "\"/ora/bin/exp\" system/*** file=" + d + "x.dmp FULL=Y"},
      {"service",
       {{"cmdfilename", "exp"}, {"dbpassword", "pw"}, {"service", "orcl"}, {"OWNER", "SCOTT"}},
       false, "\"exp\" system/**@orcl OWNER=SCOTT"},
      {"parameter file alone",
       {{"cmdfilename", "exp"}, {"file", d + "x.dmp"}, {"parfile", d + "p.par"}, {"FULL", "Y"}},
       false, "\"exp\" system/ parfile=" + d + "p.par"},
      {"switches and scripts stay out",
       {{"cmdfilename", "exp"}, {"charset", "No"}, {"dmpcompressed", "Yes"}, {"Prefix", "select 1"},
        {"log", d + "r.log"}, {"ROWS", "N"}},
       false, "\"exp\" system/ log=" + d + "r.log ROWS=N"},
  };
  for (const auto& c : cases) {
    sch::TOracleExportScheme s;
    s.BuildParamList();
    for (const auto& [n, v] : c.values) Set(s, n, v);
    if (c.running) {
      s.PrepareFileNames();
      s.State = sch::ssRunning;
    }
    EXPECT_EQ(s.BuildCommandLine(), c.expected) << c.label;
  }
}

TEST(OracleCommandLine, FileNamesAreMadeUniqueAndTheImportKeepsItsDump) {
  testsupport::ScratchFolder dir;
  Put(dir / "x.dmp", "old");
  Put(dir / "x.log", "old");
  sch::TOracleExportScheme exp;
  sch::TOracleImportScheme imp;
  for (TOracleScheme* s : {static_cast<TOracleScheme*>(&exp), static_cast<TOracleScheme*>(&imp)}) {
    s->BuildParamList();
    Set(*s, "file", dir / "x.dmp");
    Set(*s, "log", dir / "x.log");
    s->PrepareFileNames();
    EXPECT_EQ(s->LogFile, dir / "x_1.log");
  }
  EXPECT_EQ(exp.DmpFile, dir / "x_1.dmp");
  EXPECT_EQ(imp.DmpFile, dir / "x.dmp");
}

TEST(OracleCommandLine, ArgumentVectorKeepsBlanksAndThePasswordOnlyThere) {
  testsupport::ScratchFolder dir;
  sch::TOracleExportScheme s;
  s.BuildParamList();
  Set(s, "cmdfilename", kFakeExp);
  Set(s, "dbpassword", "s3cret pw");
  Set(s, "service", "orcl");
  Set(s, "QUERY", "where a = 'x y'");
  Set(s, "file", dir / "out.dmp");
  Set(s, "charset", "No");
  s.Language = "AMERICAN_AMERICA";
  s.CharSet = "WE8ISO8859P1";
  s.TargetCharset = "AL32UTF8";
  s.PrepareFileNames();
  s.State = sch::ssRunning;
  const sch::TOracleCommand cmd = s.BuildCommand(dir / "Temp1.log");
  const std::vector<std::string> want = {"system/s3cret pw@orcl", "file=" + (dir / "out.dmp"), "QUERY=where a = 'x y'",
                                         "log=" + (dir / "Temp1.log")};
  EXPECT_EQ(cmd.Args, want);
  const std::string recorded = s.RecordedCommandLine(cmd);
  EXPECT_EQ(recorded.find("s3cret"), std::string::npos) << recorded;
  EXPECT_NE(recorded.find("system/*********@orcl"), std::string::npos) << recorded;

  plat::SpawnOptions opt;
  opt.program = cmd.Program;
  opt.args = cmd.Args;
  opt.extraEnv = {*s.ChildNlsLang(),  "FAKE_ORA_ARGS_FILE=" + (dir / "args"), "FAKE_ORA_REPORT=" + (dir / "report")};
  ASSERT_EQ(plat::Process::runAndWait(opt), 0);
  std::string args = Get(dir / "args");
  std::string joined;
  for (const auto& a : want) joined += a + '\0';
  EXPECT_EQ(args, joined);
  EXPECT_EQ(Get(dir / "report"), "NLS_LANG=AMERICAN_AMERICA.AL32UTF8\n");
  EXPECT_EQ(std::getenv("NLS_LANG") ? std::string(std::getenv("NLS_LANG")) : "", "")
      << "the program's own environment is left alone";
}

// ---- dump files -------------------------------------------------------------------------------

TEST(OracleDump, CharsetIdIsBigEndianInBytesOneAndTwo) {
  testsupport::ScratchFolder dir;
  const std::string dump = dir / "a.dmp";
  Put(dump, std::string("\x03\x03\x54rest", 7));
  EXPECT_EQ(TOracleScheme::ReadDmpCharsetId(dump), 0x0354);
  ASSERT_TRUE(TOracleScheme::WriteDmpCharsetId(dump, 0x0873));
  EXPECT_EQ(Get(dump), std::string("\x03\x08\x73rest", 7));
  EXPECT_EQ(TOracleScheme::ReadDmpCharsetId(dir / "missing"), 0);
  EXPECT_FALSE(TOracleScheme::WriteDmpCharsetId(dir / "missing", 1));
  EXPECT_FALSE(fs::exists(dir / "missing"));
  Put(dir / "short", "ab");
  EXPECT_EQ(TOracleScheme::ReadDmpCharsetId(dir / "short"), 0);
  EXPECT_FALSE(TOracleScheme::WriteDmpCharsetId(dir / "short", 1));
  EXPECT_EQ(Get(dir / "short"), "ab");
}

TEST(OracleDump, CompressedDumpIsNeverWrittenInto) {
  testsupport::ScratchFolder dir;
  const std::string dump = dir / "a.dmp";
  Put(dump, std::string("\x03\x03\x54payload", 10));
  ASSERT_TRUE(olv::CompressFileInPlace(dump));
  const std::string before = Get(dump);
  EXPECT_FALSE(TOracleScheme::WriteDmpCharsetId(dump, 0x0873));
  EXPECT_EQ(Get(dump), before);
  ASSERT_TRUE(olv::DecompressFile(dump, dir / "b.dmp"));
  EXPECT_EQ(Get(dir / "b.dmp"), std::string("\x03\x03\x54payload", 10));
}

TEST(OracleDump, OldFilesFromTheRecordedLineAsWritten) {
  struct Case {
    const char* line;
    std::vector<std::string> files;
  } cases[] = {
      {"\"/o/exp\" system/*** FULL=Y file=/Bak/Db1.dmp log=/Bak/Db1.log", {"/Bak/Db1.dmp", "/Bak/Db1.log"}},
      {"\"/o/exp\" system/*** parfile=/bak/p.par", {}},
      {"\"/o/exp\" system/*** PARFILE=/p.par FILE=/d.dmp", {"/d.dmp"}},
      {"\"/o/exp\" system/*** BLOG=/x FILE=/d.dmp", {"/d.dmp"}},
      {"\"/o/exp\" system/*** file=", {}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(TOracleScheme::OldRunFiles(c.line), c.files) << c.line;
}

TEST(OracleDump, ExportDeletesOnlyTheFilesOfDroppedRecords) {
  testsupport::ScratchFolder dir;
  for (const char* f : {"Old1.dmp", "Old1.log", "Old2.dmp", "Old2.log", "unrelated.dmp"}) Put(dir / f, "x");
  sch::TOracleExportScheme s;
  s.BuildParamList();
  s.RemainCount = 1;
  for (const char* n : {"Old1", "Old2"}) {
    auto log = std::make_unique<sch::TSchemeLog>();
    log->RunScripts = "\"exp\" system/*** file=" + (dir / n) + ".dmp log=" + (dir / n) + ".log";
    s.LogList->Add(std::move(log));
  }
  s.BeforeRun();
  EXPECT_FALSE(fs::exists(dir / "Old1.dmp"));
  EXPECT_FALSE(fs::exists(dir / "Old1.log"));
  EXPECT_TRUE(fs::exists(dir / "Old2.dmp"));
  EXPECT_TRUE(fs::exists(dir / "Old2.log"));
  EXPECT_TRUE(fs::exists(dir / "unrelated.dmp"));

  EXPECT_EQ(s.LogCount(), 1);

  // With DelDmpFile off the record goes and its files stay.
  s.RemainCount = -4;
  s.DelDmpFile = false;
  s.BeforeRun();
  EXPECT_EQ(s.RemainCount, 0);
  EXPECT_EQ(s.LogCount(), 0);
  EXPECT_TRUE(fs::exists(dir / "Old2.dmp")) << "DelDmpFile off";

  auto again = std::make_unique<sch::TSchemeLog>();
  again->RunScripts = "\"exp\" system/*** file=" + (dir / "Old2") + ".dmp";
  s.LogList->Add(std::move(again));
  s.DelDmpFile = true;
  s.BeforeRun();
  EXPECT_FALSE(fs::exists(dir / "Old2.dmp"));
  EXPECT_TRUE(fs::exists(dir / "Old2.log")) << "not named by the record";
  EXPECT_TRUE(fs::exists(dir / "unrelated.dmp"));
}

// ---- scripts ----------------------------------------------------------------------------------

class FakeSession : public sch::TOracleSession {
 public:
  std::string login, script, fail;
  void Connect(const std::string& u, const std::string& p, const std::string& s) override {
    login = u + "/" + p + "@" + s;
    if (!fail.empty()) throw std::runtime_error(fail);
  }
  void ExecScript(const std::string& text) override { script = text; }
  std::string DatabaseCharset() override { return "AL32UTF8"; }
  unsigned DatabaseCharsetId() override { return 873; }
};

TEST(OracleScripts, ScriptsRunOnTheSessionAndAFailureIsNotedWithoutThePassword) {
  auto session = std::make_shared<FakeSession>();
  sch::RunContext context;
  context.oracleSession = session;
  sch::TOracleExportScheme s;
  s.UseContext(&context);
  s.BuildParamList();
  Set(s, "dbpassword", "tiger");
  Set(s, "service", "orcl");
  Set(s, "Prefix", "begin null; end;");
  sch::TSchemeLog rec;
  s.CurLog = &rec;
  s.RunSQLScript("Suffix");
  EXPECT_EQ(rec.ResultMsgs, "") << "an empty script does nothing";
  s.RunSQLScript("Prefix");
  EXPECT_EQ(session->login, "system/tiger@orcl");
  EXPECT_EQ(session->script, "begin null; end;");
  EXPECT_EQ(rec.ResultMsgs, "Process SQL script...OK\r\n");
  rec.ResultMsgs.clear();
  session->fail = "ORA-01017: invalid username/password system/tiger";
  s.RunSQLScript("Prefix");
  EXPECT_EQ(rec.ResultMsgs, "Process SQL script...Failed\r\nORA-01017: invalid username/password system/*****\r\n");
  context.oracleSession = nullptr;
  rec.ResultMsgs.clear();
  s.RunSQLScript("Prefix");
  EXPECT_EQ(rec.ResultMsgs.rfind("Process SQL script...Failed\r\n", 0), 0u);
  s.CurLog = nullptr;
}

}  // namespace

// ---- run steps (the scheme claimed as the run frame claims it) ----------------------------------

namespace {

const std::string kFakeImp = ORASCHEME_SOURCE_DIR "/tools/fake_imp.sh";

// Settings for the stand-in programs go through the test process's environment, which the
// child inherits; each test sets and clears its own.
using FakeEnv = testsupport::ScopedEnv;

}  // namespace

TEST(OracleRun, ExportCompressesItsDumpAndDropsTheOldRecordsFiles) {
  testsupport::ScratchFolder dir;
  for (const char* f : {"Old1.dmp", "Old1.log", "Old2.dmp", "Old2.log", "unrelated.dmp"}) Put(dir / f, "x");
  FakeEnv env;
  env.Set("FAKE_ORA_CHARSET_ID", "852");
  env.Set("FAKE_ORA_PAYLOAD", "table data");
  env.Set("FAKE_ORA_ARGS_FILE", dir / "args");
  sch::TOracleExportScheme s;
  s.BuildParamList();
  Set(s, "cmdfilename", kFakeExp);
  Set(s, "dbpassword", "tiger");
  Set(s, "dmpcompressed", "Yes");
  Set(s, "file", dir / "db.dmp");
  s.RemainCount = 1;
  for (const char* n : {"Old1", "Old2"}) {
    auto log = std::make_unique<sch::TSchemeLog>();
    log->RunScripts = "\"exp\" system/*** file=" + (dir / n) + ".dmp log=" + (dir / n) + ".log";
    s.LogList->Add(std::move(log));
  }
  ASSERT_TRUE(s.TryBeginRun());
  s.BeforeRun();
  sch::TSchemeLog rec;
  s.CurLog = &rec;
  EXPECT_TRUE(s.DoRun());
  s.CurLog = nullptr;
  s.EndRun();

  EXPECT_FALSE(fs::exists(dir / "Old1.dmp"));
  EXPECT_FALSE(fs::exists(dir / "Old1.log"));
  EXPECT_TRUE(fs::exists(dir / "Old2.dmp"));
  EXPECT_TRUE(fs::exists(dir / "unrelated.dmp"));
  EXPECT_TRUE(olv::IsCompressedFile(dir / "db.dmp"));
  ASSERT_TRUE(olv::DecompressFile(dir / "db.dmp", dir / "plain.dmp"));
  EXPECT_EQ(Get(dir / "plain.dmp"), std::string("\x03\x03\x54table data", 13));
  EXPECT_EQ(rec.ExitCode, 0);
  EXPECT_EQ(rec.RunScripts.find("tiger"), std::string::npos) << rec.RunScripts;
  EXPECT_EQ(rec.ResultMsgs.find("tiger"), std::string::npos) << rec.ResultMsgs;
  EXPECT_EQ(rec.ResultMsgs.rfind("Run Scripts...Ok\r\nexp: finished with code 0\r\n", 0), 0u) << rec.ResultMsgs;
  EXPECT_NE(Get(dir / "args").find(std::string("system/tiger\0", 13)), std::string::npos);
  // The temporary log named in the arguments is gone.
  const std::string args = Get(dir / "args");
  const size_t lp = args.find("log=");
  ASSERT_NE(lp, std::string::npos);
  EXPECT_FALSE(fs::exists(args.substr(lp + 4, args.find('\0', lp) - lp - 4)));
  // The old files of the new record are found again by the next run.
  EXPECT_EQ(TOracleScheme::OldRunFiles(rec.RunScripts).front(), dir / "db.dmp");
}

TEST(OracleRun, ImportExpandsACompressedDumpWithTheDatabasesIdAndRestoresIt) {
  testsupport::ScratchFolder dir;
  const std::string dump = dir / "in.dmp";
  const std::string original("\x03\x03\x54rows", 7);
  Put(dump, original);
  ASSERT_TRUE(olv::CompressFileInPlace(dump));
  const std::string compressed = Get(dump);
  FakeEnv env;
  env.Set("FAKE_ORA_REPORT", dir / "report");
  sch::TOracleImportScheme s;
  s.BuildParamList();
  Set(s, "cmdfilename", kFakeImp);
  Set(s, "file", dump);
  Set(s, "log", dir / "imp.log");
  Set(s, "charset", "No");
  s.Language = "AMERICAN_AMERICA";
  s.CharSet = "ZHS16GBK";
  s.TargetCharset = "AL32UTF8";
  s.TargetCharsetId = 873;
  ASSERT_TRUE(s.TryBeginRun());
  s.BeforeRun();
  sch::TSchemeLog rec;
  s.CurLog = &rec;
  EXPECT_TRUE(s.DoRun());
  s.CurLog = nullptr;
  s.EndRun();

  const std::string report = Get(dir / "report");
  EXPECT_NE(report.find("NLS_LANG=AMERICAN_AMERICA.AL32UTF8\n"), std::string::npos) << report;
  EXPECT_NE(report.find("dump_id=873\n"), std::string::npos) << report;
  EXPECT_NE(report.find("dump_size=7\n"), std::string::npos) << report;
  const std::string seen = report.substr(report.find("dump=") + 5, report.find('\n', report.find("dump=")) -
                                                                         report.find("dump=") - 5);
  EXPECT_NE(seen, dump);
  EXPECT_FALSE(fs::exists(seen)) << "the expanded copy is removed";
  EXPECT_EQ(Get(dump), compressed) << "the user's dump is untouched";
  EXPECT_EQ(s.DmpFile, dump);
  EXPECT_EQ(rec.ResultMsgs.rfind("UnCompress:" + dump + "...OK\r\nAdjuest CharSet...\r\n", 0), 0u) << rec.ResultMsgs;
  EXPECT_NE(rec.ResultMsgs.find("Restor CharSet...\r\n"), std::string::npos);
  EXPECT_NE(rec.ResultMsgs.find("Log file:" + (dir / "imp.log")), std::string::npos);
}

TEST(OracleRun, ImportOfAnUncompressedDumpPutsItsIdBack) {
  testsupport::ScratchFolder dir;
  const std::string dump = dir / "in.dmp";
  Put(dump, std::string("\x03\x03\x54rows", 7));
  FakeEnv env;
  env.Set("FAKE_ORA_REPORT", dir / "report");
  sch::TOracleImportScheme s;
  s.BuildParamList();
  Set(s, "cmdfilename", kFakeImp);
  Set(s, "file", dump);
  Set(s, "charset", "No");
  s.TargetCharset = "AL32UTF8";
  s.TargetCharsetId = 873;
  ASSERT_TRUE(s.TryBeginRun());
  s.BeforeRun();
  sch::TSchemeLog rec;
  s.CurLog = &rec;
  EXPECT_TRUE(s.DoRun());
  s.EndRun();
  EXPECT_NE(Get(dir / "report").find("dump_id=873\n"), std::string::npos);
  EXPECT_EQ(Get(dump), std::string("\x03\x03\x54rows", 7));
}

TEST(OracleRun, DamagedCompressedDumpDoesNotStartImp) {
  testsupport::ScratchFolder dir;
  const std::string dump = dir / "in.dmp";
  Put(dump, std::string("\x03\x03\x54rows and more rows", 20));
  ASSERT_TRUE(olv::CompressFileInPlace(dump));
  std::string bytes = Get(dump);
  bytes.resize(bytes.size() - 6);
  Put(dump, bytes);
  FakeEnv env;
  env.Set("FAKE_ORA_REPORT", dir / "report");
  sch::TOracleImportScheme s;
  s.BuildParamList();
  Set(s, "cmdfilename", kFakeImp);
  Set(s, "file", dump);
  ASSERT_TRUE(s.TryBeginRun());
  s.BeforeRun();
  sch::TSchemeLog rec;
  s.CurLog = &rec;
  EXPECT_FALSE(s.DoRun());
  s.EndRun();
  EXPECT_FALSE(fs::exists(dir / "report")) << "imp was started";
  EXPECT_EQ(rec.ResultMsgs, "UnCompress:" + dump + "...Failed\r\nzlib error: Compressed data is truncated\r\n")
      << "the record says why";
  EXPECT_FALSE(rec.IsSucceed);
  EXPECT_EQ(s.DmpFile, dump);
  EXPECT_EQ(Get(dump), bytes);
}

TEST(OracleRun, MissingProgramIsRecordedAndTheScriptsStillRun) {
  auto session = std::make_shared<FakeSession>();
  sch::RunContext context;
  context.oracleSession = session;
  testsupport::ScratchFolder dir;
  sch::TOracleExportScheme s;
  s.UseContext(&context);
  s.BuildParamList();
  Set(s, "cmdfilename", dir / "no-such-exp");
  Set(s, "file", dir / "x.dmp");
  Set(s, "Suffix", "commit");
  ASSERT_TRUE(s.TryBeginRun());
  s.BeforeRun();
  sch::TSchemeLog rec;
  s.CurLog = &rec;
  EXPECT_FALSE(s.DoRun());
  s.EndRun();
  EXPECT_EQ(rec.ExitCode, -1);
  EXPECT_EQ(session->script, "commit");
  EXPECT_FALSE(rec.IsSucceed);
  EXPECT_EQ(rec.ResultMsgs.rfind("Run Scripts...Could not start the program: ", 0), 0u) << rec.ResultMsgs;
}

namespace {

// One run of the scheme's steps, as the run frame drives them; `before` runs once the run is
// claimed, before its first step.
bool RunSteps(sch::TSchemeObject& s, sch::TSchemeLog& rec, const std::function<void()>& before = {}) {
  if (!s.TryBeginRun()) return false;
  s.BeforeRun();
  if (before) before();
  s.CurLog = &rec;
  const bool ok = s.DoRun();
  s.CurLog = nullptr;
  s.EndRun();
  return ok;
}

}  // namespace

// A terminate that comes while no child runs yet (its prefix script, the expansion of the dump
// before an import) ends the run at its next step: no child is started and the record says 100.
// Before, the request was dropped and the whole run went on. The next run is not affected.
TEST(OracleRun, ATerminateBeforeTheChildExistsEndsTheRunAtItsStep) {
  for (const bool import : {false, true}) {
    SCOPED_TRACE(import ? "import of a compressed dump" : "export");
    testsupport::ScratchFolder dir;
    const std::string dump = dir / "db.dmp";
    if (import) {
      Put(dump, std::string("\x03\x03\x54rows", 7));
      ASSERT_TRUE(olv::CompressFileInPlace(dump));
    }
    const std::string before = Get(dump);
    FakeEnv env;
    env.Set("FAKE_ORA_ARGS_FILE", dir / "args");
    env.Set("XDG_CACHE_HOME", dir / "cache");
    std::unique_ptr<sch::TOracleScheme> s;
    if (import) {
      s = std::make_unique<sch::TOracleImportScheme>();
    } else {
      s = std::make_unique<sch::TOracleExportScheme>();
    }
    s->BuildParamList();
    Set(*s, "cmdfilename", import ? kFakeImp : kFakeExp);
    Set(*s, "file", dump);
    Set(*s, "charset", "No");
    const std::vector<std::string> workFiles = testsupport::NamesIn(sch::WorkFolder());

    sch::TSchemeLog rec;
    RunSteps(*s, rec, [&] { EXPECT_TRUE(s->TerminateProcess(plat::kExitTerminatedByUser)); });
    EXPECT_FALSE(fs::exists(dir / "args")) << "the child was started";
    EXPECT_EQ(rec.ExitCode, plat::kExitTerminatedByUser);
    EXPECT_FALSE(rec.IsSucceed);
    EXPECT_NE(rec.ResultMsgs.find("Cancel by user\r\n"), std::string::npos) << rec.ResultMsgs;
    EXPECT_EQ(Get(dump), before) << "the user's dump is untouched";
    EXPECT_EQ(s->DmpFile, dump);
    EXPECT_EQ(testsupport::NamesIn(sch::WorkFolder()), workFiles) << "no work file is left";
    EXPECT_FALSE(s->TerminateProcess(plat::kExitTerminatedByUser)) << "no run, nothing to end";

    sch::TSchemeLog next;
    RunSteps(*s, next);
    EXPECT_TRUE(fs::exists(dir / "args")) << "the request ended with its run";
    EXPECT_EQ(next.ExitCode, 0) << next.ResultMsgs;
  }
}

// A dump that cannot be compressed after the export (here: the disk takes no more than the dump
// itself) stays as the export wrote it, and the run is no success; before, the record said
// success with the dump uncompressed.
TEST(OracleRun, AFailedCompressionIsRecordedAsAFailureWithItsReason) {
  testsupport::ScratchFolder dir;
  const std::string payload = testsupport::RandomBytes(4000);  // grows when compressed
  Put(dir / "payload", payload);
  FakeEnv env;
  env.Set("FAKE_ORA_PAYLOAD_FILE", dir / "payload");
  sch::TOracleExportScheme s;
  s.BuildParamList();
  Set(s, "cmdfilename", kFakeExp);
  Set(s, "dmpcompressed", "Yes");
  Set(s, "file", dir / "db.dmp");
  Set(s, "log", dir / "exp.log");
  sch::TSchemeLog rec;
  {
    testsupport::FileSizeLimit full(3 + payload.size());
    RunSteps(s, rec);
  }
  EXPECT_FALSE(rec.IsSucceed);
  EXPECT_EQ(rec.ExitCode, 0) << "exp itself did well";
  const size_t at = rec.ResultMsgs.find("Compress failed\r\n");
  ASSERT_NE(at, std::string::npos) << rec.ResultMsgs;
  EXPECT_GT(rec.ResultMsgs.size(), at + 20) << "a reason follows: " << rec.ResultMsgs;
  EXPECT_FALSE(olv::IsCompressedFile(dir / "db.dmp"));
  EXPECT_EQ(Get(dir / "db.dmp").substr(3), payload);
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"db.dmp", "exp.log", "payload"})) << "no temporary file is left";
}

// Without a log of its own the export writes to a temporary log in the program's private folder,
// a new name each time even with the clock standing still; the record keeps a bounded part of a
// long log (head and tail, marked as cut) and names where the whole log was kept.
TEST(OracleRun, TheTemporaryLogIsPrivateAndALongOneIsCutInTheRecord) {
  testsupport::ScratchFolder dir;
  std::string log;
  for (int i = 0; log.size() < 3 * (sch::kLogHeadBytes + sch::kLogTailBytes); ++i)
    log += "line " + std::to_string(i) + " of the export's log\n";
  Put(dir / "long.log", log);
  FakeEnv env;
  env.Set("FAKE_ORA_ARGS_FILE", dir / "args");
  env.Set("FAKE_ORA_LOG_FILE", dir / "long.log");
  env.Set("XDG_CACHE_HOME", dir / "cache");
  env.Set("XDG_STATE_HOME", dir / "state");
  sch::TOracleExportScheme s;
  s.BuildParamList();
  Set(s, "cmdfilename", kFakeExp);
  Set(s, "file", dir / "db.dmp");
  std::vector<std::string> tempLogs;
  std::string msgs;
  bool succeeded = false;
  for (int run = 0; run < 2; ++run) {
    sch::TSchemeLog rec;
    ASSERT_TRUE(RunSteps(s, rec)) << rec.ResultMsgs;
    msgs = rec.ResultMsgs;
    succeeded = rec.IsSucceed;
    const std::string args = Get(dir / "args");
    const size_t lp = args.find("log=");
    ASSERT_NE(lp, std::string::npos);
    tempLogs.push_back(args.substr(lp + 4, args.find('\0', lp) - lp - 4));
  }
  EXPECT_NE(tempLogs[0], tempLogs[1]) << "the same clock gives another name";
  for (const std::string& name : tempLogs) {
    EXPECT_EQ(fs::path(name).parent_path(), fs::path(sch::WorkFolder())) << name;
    EXPECT_FALSE(fs::exists(name)) << name;
  }
  EXPECT_EQ(testsupport::ModeOf(sch::WorkFolder()) & 0777, 0700u);

  EXPECT_TRUE(succeeded) << msgs.substr(0, 300);
  EXPECT_LT(msgs.size(), sch::kLogHeadBytes + sch::kLogTailBytes + 4096);
  EXPECT_NE(msgs.find("line 0 of the export's log\r\n"), std::string::npos);
  const std::string lastLine = log.substr(log.rfind('\n', log.size() - 2) + 1);
  EXPECT_NE(msgs.find(lastLine.substr(0, lastLine.size() - 1) + "\r\n"), std::string::npos);
  const size_t marker = msgs.find("bytes of the log left out; the whole log is kept as ");
  ASSERT_NE(marker, std::string::npos) << msgs.substr(0, 200);
  const size_t nameAt = marker + std::string("bytes of the log left out; the whole log is kept as ").size();
  const std::string kept = msgs.substr(nameAt, msgs.find(" ...]", nameAt) - nameAt);
  EXPECT_EQ(fs::path(kept).parent_path(), fs::path(sch::KeptLogFolder()));
  EXPECT_EQ(Get(kept), log) << kept;
}
