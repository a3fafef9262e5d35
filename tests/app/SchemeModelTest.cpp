// The scheme model: run times, parameters, schemes and their container, as the windows and the
// runs rely on them.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "app/core/ParamCatalogue.h"
#include "app/core/SchCommon.h"
#include "app/core/SchemeEditor.h"
#include "foundation/objects/ObjStream.h"
#include "foundation/streams/Stream.h"
#include "tests/support/SchemeTestSupport.h"
#include "tests/support/StreamBytes.h"

namespace {

using schtest::SchemeTest;

template <class T>
std::unique_ptr<T> ReadAs(const std::string& bytes) {
  olv::TMemoryStream s(bytes);
  std::unique_ptr<olv::TBaseObject> obj = olv::ReadObjectFromStream(s);
  auto* t = dynamic_cast<T*>(obj.get());
  EXPECT_NE(t, nullptr);
  obj.release();
  return std::unique_ptr<T>(t);
}

std::vector<std::string> Lines(const olv::TStringList& l) {
  std::vector<std::string> out;
  for (int i = 0; i < l.Count(); ++i) out.push_back(l.Strings(i));
  return out;
}

TEST_F(SchemeTest, NewRunTimeStartsAtTheCurrentMoment) {
  sch::TSchemeTimeItem item;
  EXPECT_EQ(item.Year, 2024);
  EXPECT_EQ(item.Month, 3);
  EXPECT_EQ(item.Day, 6);
  EXPECT_EQ(item.Hour, 10);
  EXPECT_EQ(item.Minute, 20);
  EXPECT_EQ(item.Week, 2) << "Wednesday, counting from Monday = 0";
  clock.Set(schtest::LocalMoment(2024, 3, 10, 23, 59));  // a Sunday
  EXPECT_EQ(sch::TSchemeTimeItem().Week, 6);
}

TEST_F(SchemeTest, RunTimeTextsAndNames) {
  sch::TSchemeTimeItem item;
  item.Year = 2024, item.Month = 3, item.Day = 15, item.Hour = 8, item.Minute = 5, item.Week = 0;
  const struct {
    int mode;
    const char* text;
    const char* modeName;
  } cases[] = {{0, "8:5", "Day"},
               {1, "Monday8:5", "Week"},
               {2, "15 days 8:5", "Month"},
               {3, "3-15 8:5", "Year"},
               {4, "2024-3-15 8:5", "Specifically"},
               {9, "2024-3-15 8:5", "Specifically"}};
  for (const auto& c : cases) {
    EXPECT_EQ(item.GetText(c.mode), c.text) << c.mode;
    EXPECT_EQ(sch::GetTimeModeName(c.mode), c.modeName) << c.mode;
  }
  EXPECT_EQ(sch::GetWeekDayName(6), "Sunday");
  EXPECT_EQ(sch::GetWeekDayName(7), "");

  sch::TSchemeTime times;
  times.FMode = sch::tmYear;
  times.Add(olv::CloneAs(item));
  times.Add(std::make_unique<sch::TSchemeTimeItem>());
  olv::TStringList texts;
  texts.Add("kept");
  times.GetTexts(texts);
  EXPECT_EQ(Lines(texts), (std::vector<std::string>{"kept", "3-15 8:5", "3-6 10:20"}));
  times.Delete(5);
  times.Delete(0);
  EXPECT_EQ(times.Count(), 1);
  EXPECT_EQ(times.GetItem(1), nullptr);
}

TEST_F(SchemeTest, EightOClockReadsBackAndMissingDateFieldsKeepTheMomentOfReading) {
  sch::TSchemeTime times;
  auto item = std::make_unique<sch::TSchemeTimeItem>();
  item->Hour = 8;
  item->Minute = 0;
  times.Add(std::move(item));
  const std::string bytes = olv::ObjectToBytes(&times);
  clock.Set(schtest::LocalMoment(2025, 11, 27, 1, 2));
  auto back = ReadAs<sch::TSchemeTime>(bytes);
  ASSERT_EQ(back->Count(), 1);
  EXPECT_EQ(back->GetItem(0)->GetText(sch::tmDay), "8:0");
  EXPECT_EQ(back->GetItem(0)->Year, 2024) << "stored fields win";

  // A stored item with only Hour, Minute and Week: the date is that of the reading.
  using olvtest::Bytes;
  const std::string stored = Bytes()
                                 .raw("TPF0")
                                 .rec("TSchemeTimeItem", "")
                                 .name("Hour").int8(8)
                                 .name("Minute").int8(0)
                                 .name("Week").int8(3)
                                 .end()
                                 .end()
                                 .str();
  auto partial = ReadAs<sch::TSchemeTimeItem>(stored);
  EXPECT_EQ(partial->Hour, 8);
  EXPECT_EQ(partial->Minute, 0);
  EXPECT_EQ(partial->Week, 3);
  EXPECT_EQ(partial->Year, 2025);
  EXPECT_EQ(partial->Month, 11);
  EXPECT_EQ(partial->Day, 27);
}

TEST_F(SchemeTest, CommandFileSchemeHasItsTwoParameters) {
  sch::TSchemeWrapper w;
  sch::TSchemeObject* s = w.AddScheme("cmd", sch::skDosCommand);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->GetClassNameStr(), "TDosCommandScheme");
  EXPECT_EQ(Lines(*s->SchParams), (std::vector<std::string>{"cmdfilename=", "params="}));
  const sch::TItemDescription* cmd = s->GetParam(0);
  EXPECT_EQ(cmd->KeyName(), "cmdfilename");
  EXPECT_EQ(cmd->EditStyle, sch::esEllipsis);
  EXPECT_EQ(cmd->DlgType, sch::dtFileOpen);
  EXPECT_EQ(cmd->Tag, sch::kTagRequired);
  EXPECT_EQ(cmd->Tags, "EXE File|*.exe|All|*.*");
  EXPECT_EQ(cmd->Owner, s->SchParams.get());
  const sch::TItemDescription* params = s->GetParam(1);
  EXPECT_EQ(params->KeyName(), "params");
  EXPECT_EQ(params->EditStyle, sch::esEllipsis);
  EXPECT_EQ(params->DlgType, sch::dtTextEditor);
  EXPECT_EQ(params->Tag, 0);
  EXPECT_EQ(s->GetParam(2), nullptr);
  EXPECT_EQ(s->GetParam(-1), nullptr);

  // Invalid until the program is named; the state follows.
  EXPECT_EQ(s->State.load(), sch::ssInvalid);
  EXPECT_EQ(s->UpdateState(), "\"\"");
  EXPECT_EQ(s->State.load(), sch::ssInvalid);
  s->GetParam(0)->SetKeyValue("/opt/run.sh");
  s->GetParam(1)->SetKeyValue(" \t\r\n");
  EXPECT_EQ(s->UpdateState(), "\"/opt/run.sh\"");
  EXPECT_EQ(s->State.load(), sch::ssWaiting);
  s->GetParam(1)->SetKeyValue("a b\r\n");
  EXPECT_EQ(s->BuildCommandLine(), "\"/opt/run.sh\" a b\r\n");
}

TEST_F(SchemeTest, ContainerAddsDeletesAndRenamesSchemes) {
  sch::TSchemeWrapper w;
  EXPECT_EQ(w.AddScheme("none", 0), nullptr);
  EXPECT_EQ(w.AddScheme("none", 4), nullptr);
  EXPECT_EQ(w.Count(), 0);
  const char* classes[] = {"", "TOracleExportScheme", "TOracleImportScheme", "TDosCommandScheme"};
  for (int kind = 1; kind <= 3; ++kind) {
    sch::TSchemeObject* s = w.AddScheme("same", kind);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetClassNameStr(), classes[kind]);
    EXPECT_EQ(s->SchType(), kind);
    EXPECT_EQ(s->Owner, &w);
    EXPECT_EQ(w.IndexOf(s), kind - 1);
  }
  // Names need not be unique: renaming the second scheme renames its own line.
  w.GetScheme(1)->SetSchName("second");
  EXPECT_EQ(Lines(*w.List), (std::vector<std::string>{"same", "second", "same"}));
  EXPECT_EQ(w.GetScheme(1)->SchName(), "second");
  w.DeleteScheme(7);
  w.DeleteScheme(0);
  EXPECT_EQ(Lines(*w.List), (std::vector<std::string>{"second", "same"}));
  EXPECT_EQ(w.GetScheme(2), nullptr);
  EXPECT_EQ(w.IndexOf(nullptr), -1);
}

TEST_F(SchemeTest, ParameterEditsRewriteTheirLineAndKeepLetterCase) {
  sch::TSchemeObject s;
  sch::TItemDescription* p = s.AddPickParam("charset", "Yes", "Yes;No");
  EXPECT_EQ(Lines(*p->PickList), (std::vector<std::string>{"Yes", "No"}));
  EXPECT_EQ(p->EditStyle, sch::esPickList);
  s.AddParam("dbpassword", "tiger");

  p->SetKeyValue("YES");  // a change of letter case is a change
  EXPECT_EQ(p->KeyValue(), "YES");
  s.GetParam(1)->SetKeyValue("Tiger");
  s.GetParam(1)->SetKeyName("DBPASSWORD");
  EXPECT_EQ(Lines(*s.SchParams), (std::vector<std::string>{"charset=YES", "DBPASSWORD=Tiger"}));
  EXPECT_EQ(s.ParamValue("dbpassword"), "Tiger");
  EXPECT_EQ(s.FindParam("nothing"), nullptr);

  // An item whose line is gone, or that has no list, just keeps its value.
  sch::TItemDescription loose;
  loose.SetKeyValue("x");
  EXPECT_EQ(loose.KeyValue(), "x");
}

TEST_F(SchemeTest, KeyDescriptionComesFromTheCatalogue) {
  sch::TSchemeObject s;
  sch::TItemDescription* full = s.AddParam("full", "Y");
  EXPECT_EQ(full->GetKeyDesc(), sch::ParamCaption("FULL"));
  EXPECT_NE(full->GetKeyDesc(), "full");
  EXPECT_FALSE(full->GetKeyDesc().empty());
  EXPECT_EQ(s.AddParam("my_own", "")->GetKeyDesc(), "my_own");
}

class RecordingEditor : public sch::SchemeEditor {
 public:
  std::optional<std::string> file;
  bool scriptOk = false;
  std::string filter, ext, current, script;
  std::optional<std::string> PickFile(const std::string& f, const std::string& e, const std::string& c) override {
    filter = f, ext = e, current = c;
    return file;
  }
  bool EditScript(sch::TSchemeObject&, std::string& text) override {
    script = text;
    text = "select 3 from dual;\n";
    return scriptOk;
  }
  std::optional<std::string> PickOracleObjects(sch::TSchemeObject&, bool, const std::string&) override {
    return std::nullopt;
  }
};

TEST_F(SchemeTest, EditButtonOpensTheParametersDialog) {
  sch::TSchemeObject s;
  s.AddParamEx("file", "/old.dmp", sch::dtFileOpen)->Tags = "dmp files|*.dmp|All|*.*;dmp";
  s.AddParamEx("Prefix", "select 1 from dual;", sch::dtTextEditor);
  s.AddParam("plain", "v");
  sch::HeadlessSchemeEditor headless;
  EXPECT_FALSE(s.EditParam(0, headless)) << "headless: cancelled";

  RecordingEditor editor;
  EXPECT_FALSE(s.EditParam(0, editor));
  EXPECT_EQ(editor.filter, "dmp files|*.dmp|All|*.*");
  EXPECT_EQ(editor.ext, "dmp");
  EXPECT_EQ(editor.current, "/old.dmp");
  editor.file = "/New.dmp";
  EXPECT_TRUE(s.EditParam(0, editor));
  EXPECT_EQ(s.SchParams->Strings(0), "file=/New.dmp");

  EXPECT_FALSE(s.EditParam(1, editor));
  EXPECT_EQ(editor.script, "select 1 from dual;");
  EXPECT_EQ(s.ParamValue("Prefix"), "select 1 from dual;") << "left with Cancel";
  editor.scriptOk = true;
  EXPECT_TRUE(s.EditParam(1, editor));
  EXPECT_EQ(s.ParamValue("Prefix"), "select 3 from dual;\n");

  EXPECT_FALSE(s.EditParam(2, editor));
  EXPECT_FALSE(s.EditParam(3, editor));
}

TEST_F(SchemeTest, PasswordIsStoredEnciphered) {
  sch::TSchemeWrapper w;
  w.SetPassword("");
  EXPECT_EQ(w.Password(), "");
  EXPECT_EQ(w.GetPassword(), "");
  w.SetPassword("Geheim 密码");
  EXPECT_EQ(w.Password().find("Geheim"), std::string::npos);
  EXPECT_EQ(w.GetPassword(), "Geheim 密码");
  auto back = ReadAs<sch::TSchemeWrapper>(olv::ObjectToBytes(&w));
  EXPECT_EQ(back->GetPassword(), "Geheim 密码");
}

TEST_F(SchemeTest, RunRecordsAreOwnedByTheScheme) {
  sch::TSchemeObject s;
  for (int i = 0; i < 4; ++i) {
    auto log = std::make_unique<sch::TSchemeLog>();
    log->ExitCode = i;
    s.LogList->Add(std::move(log));
  }
  s.GetLog(0)->AddResult("a");
  s.GetLog(0)->AddResult("b\r\n");
  EXPECT_EQ(s.GetLog(0)->ResultMsgs, "ab\r\n");
  s.DeleteLog(9);
  s.DeleteLog(1);
  EXPECT_EQ(s.LogCount(), 3);
  EXPECT_EQ(s.GetLog(1)->ExitCode, 2);
  EXPECT_EQ(s.GetLog(3), nullptr);
  s.ClearLogs();
  EXPECT_EQ(s.LogCount(), 0);
}

TEST_F(SchemeTest, RunTimeEditsTouchOnlyARunTimeThatExists) {
  sch::TSchemeObject s;
  s.SetTimeMode(sch::tmWeek);
  auto item = std::make_unique<sch::TSchemeTimeItem>();
  item->Hour = 7;
  s.AddRunTime(std::move(item));
  ASSERT_EQ(s.RunTimeCount(), 1);
  EXPECT_EQ(s.TimeMode(), sch::tmWeek);

  sch::TSchemeTimeItem edited;
  edited.Hour = 21;
  sch::TSchemeTimeItem untouched;
  untouched.Hour = 5;
  for (int index : {-1, 1}) {
    SCOPED_TRACE(index);
    EXPECT_FALSE(s.SetRunTime(index, edited));
    EXPECT_FALSE(s.DeleteRunTime(index));
    EXPECT_FALSE(s.CopyRunTime(index, untouched));
    EXPECT_EQ(untouched.Hour, 5);
    EXPECT_FALSE(s.RunTimeText(index).has_value());
  }
  EXPECT_EQ(s.RunTimeCount(), 1);

  ASSERT_TRUE(s.SetRunTime(0, edited));
  sch::TSchemeTimeItem copy;
  ASSERT_TRUE(s.CopyRunTime(0, copy));
  EXPECT_EQ(copy.Hour, 21);
  EXPECT_EQ(s.RunTimeText(0), edited.GetText(sch::tmWeek));
  ASSERT_TRUE(s.DeleteRunTime(0));
  EXPECT_EQ(s.RunTimeCount(), 0);
  s.AddRunTime(std::make_unique<sch::TSchemeTimeItem>());
  s.AddRunTime(std::make_unique<sch::TSchemeTimeItem>());
  s.ClearRunTimes();
  EXPECT_EQ(s.RunTimeCount(), 0);
}

TEST_F(SchemeTest, RunningStateIsClaimedOnceAndKeptByUpdateState) {
  sch::TSchemeWrapper w;
  sch::TSchemeObject* s = w.AddScheme("cmd", sch::skDosCommand);
  s->GetParam(0)->SetKeyValue("/bin/true");
  std::atomic<int> winners{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) threads.emplace_back([&] { winners += s->TryBeginRun() ? 1 : 0; });
  for (auto& t : threads) t.join();
  EXPECT_EQ(winners.load(), 1);
  EXPECT_EQ(s->State.load(), sch::ssRunning);
  s->UpdateState();
  EXPECT_EQ(s->State.load(), sch::ssRunning);
  s->EndRun();
  EXPECT_EQ(s->State.load(), sch::ssWaiting);
  EXPECT_TRUE(s->TryBeginRun());
}

TEST_F(SchemeTest, SwitchesTurnedOffReadBackOffAndOldFilesReadThemOn) {
  sch::TSchemeObject s;
  s.AutoClearLogs = false;
  s.DelDmpFile = false;
  auto back = ReadAs<sch::TSchemeObject>(olv::ObjectToBytes(&s));
  EXPECT_FALSE(back->AutoClearLogs);
  EXPECT_FALSE(back->DelDmpFile);
  s.AutoClearLogs = s.DelDmpFile = true;
  back = ReadAs<sch::TSchemeObject>(olv::ObjectToBytes(&s));
  EXPECT_TRUE(back->AutoClearLogs);
  EXPECT_TRUE(back->DelDmpFile);

  // Written by the original, which left both out when they were on.
  using olvtest::Bytes;
  const std::string old = Bytes()
                              .raw("TPF0")
                              .rec("TDosCommandScheme", "")
                              .name("SchName").str("old")
                              .name("TimerInterval").int16(1000)
                              .name("RemainCount").int8(3)
                              .end()
                              .end()
                              .str();
  auto fromOld = ReadAs<sch::TSchemeObject>(old);
  EXPECT_EQ(fromOld->SchName(), "old");
  EXPECT_TRUE(fromOld->AutoClearLogs);
  EXPECT_TRUE(fromOld->DelDmpFile);
  ASSERT_NE(fromOld->SchemeTime, nullptr);
  EXPECT_EQ(fromOld->ParamCount(), 0);
}

TEST_F(SchemeTest, CopiesAndClonesOwnTheirParts) {
  auto w = schtest::EveryKindContainer();
  auto clone = olv::CloneAs(*w);
  ASSERT_EQ(clone->Count(), 3);
  EXPECT_EQ(olv::ObjectToBytes(clone.get()), olv::ObjectToBytes(w.get()));
  for (int i = 0; i < clone->Count(); ++i) {
    sch::TSchemeObject* s = clone->GetScheme(i);
    EXPECT_EQ(s->Owner, clone.get());
    for (int p = 0; p < s->ParamCount(); ++p) EXPECT_EQ(s->GetParam(p)->Owner, s->SchParams.get());
  }
  sch::TSchemeWrapper assigned;
  assigned.Assign(*w);
  EXPECT_EQ(olv::ObjectToBytes(&assigned), olv::ObjectToBytes(w.get()));
  EXPECT_EQ(assigned.GetScheme(0)->Owner, &assigned);
  w.reset();  // the copies stand alone
  assigned.GetScheme(0)->GetParam(0)->SetKeyValue("scott");
  EXPECT_EQ(assigned.GetScheme(0)->SchParams->Strings(0), "dbusername=scott");

  // Between two kinds only the fields of their common class travel.
  sch::TOracleExportScheme exp;
  exp.SetSchName("e");
  exp.AddParam("FULL", "Y");
  exp.DmpFile = "/not/copied.dmp";
  sch::TOracleImportScheme imp;
  imp.Assign(exp);
  EXPECT_EQ(imp.SchName(), "e");
  EXPECT_EQ(imp.ParamValue("FULL"), "Y");
  EXPECT_EQ(imp.GetParam(0)->Owner, imp.SchParams.get());
  imp.GetParam(0)->SetKeyValue("N");
  EXPECT_EQ(imp.SchParams->Strings(0), "FULL=N");
  EXPECT_EQ(exp.SchParams->Strings(0), "FULL=Y");
}

TEST_F(SchemeTest, ClassesAreRegisteredUnderTheirNames) {
  for (const char* name : {"TSchemeTimeItem", "TSchemeTime", "TSchemeObject", "TSchemeWrapper", "TOracleScheme",
                           "TItemDescription", "TOracleExportScheme", "TOracleImportScheme", "TSchemeLog",
                           "TDosCommandScheme"}) {
    const olv::TClass* cls = olv::FindObjClass(name);
    ASSERT_NE(cls, nullptr) << name;
    EXPECT_EQ(cls->name, name);
  }
}

}  // namespace
