// The command lines of a scheme as shown, as run and as recorded: nothing is evaluated for the
// shown line, the kept line masks the password per character and quotes names with blanks, the
// files of dropped records are found exactly, and a running scheme's line is shown from what its
// run published.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "app/core/SchCommon.h"
#include "app/core/SchemeFile.h"
#include "app/core/SchemeHost.h"
#include "tests/support/ChildProcesses.h"
#include "tests/app/HostTestSupport.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/WaitUntil.h"

namespace {

namespace fs = std::filesystem;

const std::string kFakeExp = ORASCHEME_SOURCE_DIR "/tools/fake_exp.sh";

void Set(sch::TSchemeObject& s, const char* name, const std::string& value) {
  sch::TItemDescription* item = s.FindParam(name);
  ASSERT_NE(item, nullptr) << name;
  item->SetKeyValue(value);
}

// ---- the recorded line ------------------------------------------------------------------------

TEST(RecordedLine, ValuesAreReadBackExactlyOrNotAtAll) {
  struct Case {
    const char* line;
    const char* name;
    std::optional<std::string> value;
  } cases[] = {
      {R"("/o/exp"  system/*** FULL=Y file=/Bak/Db1.dmp log=/Bak/Db1.log)", "file", "/Bak/Db1.dmp"},
      {R"("/o/exp"  system/*** FULL=Y file=/Bak/Db1.dmp log=/Bak/Db1.log)", "LOG", "/Bak/Db1.log"},
      {R"("/o/exp"  system/*** file="/bak/a b.dmp" log=/x.log)", "file", "/bak/a b.dmp"},
      {R"("/o/exp"  system/*** file="/bak/say ""hi"".dmp")", "file", R"(/bak/say "hi".dmp)"},
      {R"("/o/exp"  system/*** QUERY="where x = 'file=/etc/passwd'" file=/d.dmp)", "file", "/d.dmp"},
      {R"("/o/exp"  system/*** QUERY="where x = 'file=/etc/passwd'")", "file", std::nullopt},
      {R"("/o/exp"  system/*** parfile=/p.par)", "file", std::nullopt},
      {R"("/o/exp"  system/*** BLOG=/x FILE=/d.dmp)", "log", std::nullopt},
      // A blank without quotes (an older record): "/bak/a" is not the dump's name.
      {R"("/o/exp"  system/*** file=/bak/a b.dmp log=/x.log)", "file", std::nullopt},
      {R"("/o/exp"  system/*** file=/bak/a b.dmp log=/x.log)", "log", "/x.log"},
      {R"("/o/exp"  system/*** file="/bak/a b.dmp)", "file", std::nullopt},
      {R"("/o/exp"  system/*** file=/d.dmp log="/x)", "file", "/d.dmp"},
      {R"("/o/exp"  system/*** file=/d.dmp log="/x)", "log", std::nullopt},
      {R"("/o/exp"  system/*** file=)", "file", std::nullopt},
      {R"("/o/my file=x"  system/***)", "file", std::nullopt},
      {"", "file", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(sch::RecordedValue(c.line, c.name), c.value) << c.line << " " << c.name;
  for (const std::string v : {"plain", "a b", "say \"hi\"", "\"", ""})
    EXPECT_EQ(sch::RecordedValue("\"p\"  file=" + sch::QuoteRecordedValue(v), "file"),
              v.empty() ? std::nullopt : std::optional<std::string>(v))
        << v;
}

TEST(RecordedLine, TwoBlanksAfterTheProgramAndOneStarPerCharacterOfThePassword) {
  testsupport::ScratchFolder dir;
  sch::TOracleExportScheme s;
  s.BuildParamList();
  Set(s, "cmdfilename", "/ora/bin/exp");
  Set(s, "dbpassword", "pässwörd€");
  Set(s, "service", "orcl");
  Set(s, "file", dir / "a b.dmp");
  Set(s, "QUERY", "where a = 'x'");
  s.PrepareFileNames();
  const sch::TOracleCommand cmd = s.BuildCommand();
  EXPECT_EQ(cmd.Args[0], "system/pässwörd€@orcl") << "the child gets it in clear";
  EXPECT_EQ(cmd.Args[1], "file=" + (dir / "a b.dmp")) << "one argument, no quotes for the child";
  EXPECT_EQ(s.RecordedCommandLine(cmd), "\"/ora/bin/exp\"  system/*********@orcl file=\"" + (dir / "a b.dmp") +
                                            "\" QUERY=\"where a = 'x'\"");
  EXPECT_EQ(s.BuildCommandLine(), "\"/ora/bin/exp\" system/*********@orcl file=\"" + (dir / "a b.dmp") +
                                      "\" QUERY=\"where a = 'x'\"")
      << "the shown line has one blank after the program";
}

TEST(RecordedLine, DroppingARecordDeletesItsDumpWithABlankAndNothingElse) {
  testsupport::ScratchFolder dir;
  sch::TOracleExportScheme s;
  s.BuildParamList();
  s.RemainCount = 1;
  Set(s, "cmdfilename", "/ora/bin/exp");
  Set(s, "file", dir / "a b.dmp");
  Set(s, "log", dir / "a b.log");
  // The record of the run that wrote them, then a newer one.
  for (int i = 0; i < 2; ++i) {
    s.PrepareFileNames();
    auto rec = std::make_unique<sch::TSchemeLog>();
    rec->RunScripts = s.RecordedCommandLine(s.BuildCommand());
    s.LogList->Add(std::move(rec));
  }
  for (const char* f : {"a", "a b.dmp", "a b.log"}) std::ofstream(dir / f) << "x";
  ASSERT_EQ(sch::TOracleScheme::OldRunFiles(s.GetLog(0)->RunScripts),
            (std::vector<std::string>{dir / "a b.dmp", dir / "a b.log"}));
  // An older record that named the same files without quotes.
  auto old = std::make_unique<sch::TSchemeLog>();
  old->RunScripts = "\"/ora/bin/exp\" system/ file=" + (dir / "a b.dmp") + " log=" + (dir / "a b.log");
  s.LogList->Insert(0, std::move(old));
  s.RemainCount = 1;
  s.BeforeRun();
  EXPECT_TRUE(fs::exists(dir / "a")) << "the unquoted record's names cannot be read exactly";
  EXPECT_FALSE(fs::exists(dir / "a b.dmp"));
  EXPECT_FALSE(fs::exists(dir / "a b.log"));
}

// ---- the shown line evaluates nothing ---------------------------------------------------------

class ShownLine : public schtest::HostTest {};

TEST_F(ShownLine, LoadingAndSelectingASchemeStartsNothing) {
  const std::string started = dir / "started";
  const std::string wait = "~?Wait('touch','" + started + "',0)~";
  {
    sch::TSchemeWrapper w;
    sch::TSchemeObject* exp = w.AddScheme("exp", sch::skOracleExport);
    Set(*exp, "cmdfilename", "/ora/bin/exp");
    Set(*exp, "service", "orcl");
    Set(*exp, "FULL", wait);
    Set(*exp, "file", dir / "~service~_" + wait + ".dmp");
    sch::TSchemeObject* cmd = w.AddScheme("cmd", sch::skDosCommand);
    Set(*cmd, "cmdfilename", "/bin/echo");
    Set(*cmd, "params", "~cmdfilename~ ~(cmd~filename~)~ " + wait);
    sch::SaveObjectToFile(file, &w, true);
  }
  ASSERT_EQ(host.Start(file), "");
  std::string shown[2];
  for (int i = 0; i < 2; ++i) shown[i] = host.Schemes().GetScheme(i)->UpdateState();
  EXPECT_FALSE(fs::exists(started)) << "an expression was evaluated";
  EXPECT_EQ(shown[0], "\"/ora/bin/exp\" system/@orcl file=" + (dir / "orcl_") + wait + ".dmp FULL=" + wait);
  EXPECT_EQ(shown[1], "\"/bin/echo\" /bin/echo ~(cmd~filename~)~ " + wait);
  EXPECT_EQ(host.SetParamValue(*host.Schemes().GetScheme(1), 0, "/bin/true"),
            "\"/bin/true\" /bin/true ~(cmd~filename~)~ " + wait);
  EXPECT_FALSE(fs::exists(started));
}

TEST(ShownText, ParametersReferringToThemselvesStopAtTheirDepth) {
  sch::TSchemeObject s;
  s.AddParam("a", "~b~~b~");
  s.AddParam("b", "~a~~a~");
  s.AddParam("tilde", "~~x");
  const std::string shown = s.DisplayText("<~a~> ~tilde~ ~\\g~ ~.p~ ~unknown~ ~?1+1~");
  EXPECT_LT(shown.size(), 64u * 1024 + 100);
  EXPECT_EQ(shown.substr(shown.rfind('>')), "> ~x ~\\g~ ~.p~ ~unknown~ ~?1+1~");
}

// ---- a running scheme's line ------------------------------------------------------------------

class RunningLine : public schtest::HostTest {
 protected:
  testsupport::ScopedEnv env;
};

TEST_F(RunningLine, ShowsTheRunsFileNamesFromItsCopyAndNeverThePassword) {
  env.Set("ORASCHEME_REGISTRY_DIR", dir / "registry");
  env.Set("FAKE_ORA_SLEEP", "30");
  env.Set("FAKE_ORA_PID_FILE", dir / "exp.pid");
  {
    sch::TSchemeWrapper w;
    sch::TSchemeObject* s = w.AddScheme("exp", sch::skOracleExport);
    Set(*s, "cmdfilename", kFakeExp);
    Set(*s, "dbpassword", "tiger");
    Set(*s, "file", dir / "db.dmp");
    Set(*s, "log", dir / "db.log");
    sch::SaveObjectToFile(file, &w, true);
  }
  host.Start(file);
  ASSERT_TRUE(host.Run(Scheme()));
  RunUntilNotice(sch::kSchemeRunRecorded);
  schtest::WaitForPidFile(dir / "exp.pid");
  ASSERT_TRUE(testsupport::WaitUntil([&] { return fs::exists(dir / "db.dmp"); }, "the dump file"));
  // The window selects the scheme while exp runs: db.dmp exists now, so a name worked out afresh
  // would be db_1.dmp.
  EXPECT_EQ(Scheme().UpdateState(), "\"" + kFakeExp + "\" system/***** file=" + (dir / "db.dmp") + " log=" +
                                        (dir / "db.log"));
  ASSERT_TRUE(testsupport::WaitUntil([&] { return Scheme().ProcessHandle.load() != 0; }, "the child's start"));
  EXPECT_TRUE(host.TerminateScheme(Scheme()));
  RunUntilNotice(sch::kSchemeRunEnded);
  EXPECT_EQ(Scheme().UpdateState(), "\"" + kFakeExp + "\" system/***** file=" + (dir / "db_1.dmp") + " log=" +
                                        (dir / "db.log"))
      << "after the run: the names the next run would take";
}

}  // namespace
