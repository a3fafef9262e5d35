#include "app/core/MainFormModel.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "app/core/CompressJob.h"
#include "foundation/files/CompressedFile.h"
#include "app/core/MainConfig.h"
#include "app/core/PasswordRules.h"
#include "app/core/UnreadableFile.h"
#include "foundation/base/Exception.h"
#include "platform/Dialogs.h"
#include "tests/support/ScratchFolder.h"

namespace sch {
namespace {

SelectionState Scheme(int state, bool autoExec = false) {
  SelectionState s;
  s.node = NodeKind::Scheme;
  s.schemeState = state;
  s.autoExec = autoExec;
  return s;
}

TEST(MainFormModel, AddNeedsANodeBelowTheRoot) {
  SelectionState s;
  for (auto [node, enabled] : {std::pair{NodeKind::None, false}, {NodeKind::Root, false},
                               {NodeKind::Category, true}, {NodeKind::Scheme, true}}) {
    s.node = node;
    EXPECT_EQ(ActionEnabled(Action::SchAdd, s), enabled) << static_cast<int>(node);
  }
}

TEST(MainFormModel, SchemeCommandsFollowTheSchemesState) {
  struct Case {
    Action action;
    SelectionState state;
    bool enabled;
  } cases[] = {
      {Action::SchDel, Scheme(ssWaiting), true},
      {Action::SchDel, Scheme(ssRunning), false},
      {Action::SchDel, Scheme(ssInvalid), true},
      {Action::SchRun, Scheme(ssWaiting), true},
      {Action::SchRun, Scheme(ssRunning), false},
      {Action::SchRun, Scheme(ssInvalid), false},
      {Action::TimeStart, Scheme(ssWaiting, false), false},
      {Action::TimeStart, Scheme(ssWaiting, true), true},
      {Action::TimeStop, Scheme(ssWaiting, true), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ActionEnabled(c.action, c.state), c.enabled) << InfoOf(c.action).name << " " << c.state.schemeState;

  SelectionState counting = Scheme(ssWaiting, true);
  counting.timerStarted = true;
  EXPECT_FALSE(ActionEnabled(Action::TimeStart, counting));
  EXPECT_TRUE(ActionEnabled(Action::TimeStop, counting));
}

TEST(MainFormModel, ListCommandsNeedASelectionOrLines) {
  SelectionState s = Scheme(ssWaiting);
  for (Action a : {Action::TimeEdit, Action::TimeDel, Action::TimeClear, Action::LogDetail, Action::LogDel,
                   Action::LogClear})
    EXPECT_FALSE(ActionEnabled(a, s)) << InfoOf(a).name;
  s.runTimeCount = 2;
  s.logCount = 1;
  EXPECT_TRUE(ActionEnabled(Action::TimeClear, s));
  EXPECT_TRUE(ActionEnabled(Action::LogClear, s));
  EXPECT_FALSE(ActionEnabled(Action::TimeEdit, s));
  s.runTimeSelected = s.logSelected = true;
  for (Action a : {Action::TimeEdit, Action::TimeDel, Action::LogDetail, Action::LogDel})
    EXPECT_TRUE(ActionEnabled(a, s)) << InfoOf(a).name;
  // Commands of the whole program never depend on the selection.
  SelectionState none;
  for (Action a : {Action::Save, Action::SaveAs, Action::Load, Action::Exit, Action::SetPwd, Action::CharSet,
                   Action::TimeStartAll, Action::TimeStopAll, Action::TermAllRunning, Action::Compress})
    EXPECT_TRUE(ActionEnabled(a, none)) << InfoOf(a).caption;
}

TEST(MainFormModel, ActionNamesAreUniqueAndCaptionsAreTheProgramsTexts) {
  std::set<std::string> names;
  for (int i = 0; i < kActionCount; ++i) {
    std::string name = InfoOf(static_cast<Action>(i)).name;
    if (!name.empty()) {
      EXPECT_TRUE(names.insert(name).second) << name;
    }
  }
  EXPECT_STREQ(InfoOf(Action::TermAllRunning).caption, "Terminate all be runing schemes");
  EXPECT_STREQ(InfoOf(Action::Exit).caption, "E&xit");
}

TEST(MainFormModel, TreeCategoriesAndPictures) {
  EXPECT_EQ(CategoryOfKind(skOracleExport), 0);
  EXPECT_EQ(CategoryOfKind(skOracleImport), 1);
  EXPECT_EQ(CategoryOfKind(skDosCommand), 2);
  for (int odd : {0, 4, -1, 99}) EXPECT_EQ(CategoryOfKind(odd), -1) << odd;  // directly under the root
  for (int c = 0; c < 3; ++c) EXPECT_EQ(CategoryOfKind(KindOfCategory(c)), c);
  EXPECT_EQ(SchemeNodeImage(ssWaiting, false), 3);
  EXPECT_EQ(SchemeNodeImage(ssWaiting, true), 4);
  EXPECT_EQ(SchemeNodeImage(ssRunning, true), 5);
  EXPECT_EQ(SchemeNodeImage(ssInvalid, false), 12);
  EXPECT_EQ(SchemeNodeImage(ssInvalid, true), 11);
}

TEST(TimeEditor, RowsShownByMode) {
  struct Case {
    int mode;
    TimeEditorRows rows;
  } cases[] = {
      {0, {false, false, false, false, true}}, {1, {false, false, false, true, true}},
      {2, {false, false, true, false, true}},  {3, {false, true, true, false, true}},
      {4, {true, true, true, false, true}},
  };
  for (const auto& c : cases) {
    TimeEditorRows r = RowsForMode(c.mode);
    EXPECT_EQ(r.year, c.rows.year) << c.mode;
    EXPECT_EQ(r.month, c.rows.month) << c.mode;
    EXPECT_EQ(r.day, c.rows.day) << c.mode;
    EXPECT_EQ(r.week, c.rows.week) << c.mode;
    EXPECT_TRUE(r.time);
  }
}

TEST(PasswordRules, CaseIsIgnoredForAsciiLettersOnly) {
  EXPECT_TRUE(PasswordsEqual("Secret", "sECRET"));
  EXPECT_FALSE(PasswordsEqual("secret", "secret "));
  EXPECT_FALSE(PasswordsEqual("\xC3\xA9", "\xC3\x89"));  // é and É: not touched
  EXPECT_TRUE(SetModeAccepts("", ""));                   // an empty password removes it
  EXPECT_FALSE(SetModeAccepts("abc", "abd"));
  EXPECT_TRUE(CheckModeAccepts("ABC", "abc"));
  EXPECT_FALSE(CheckModeAccepts("", "abc"));
  EXPECT_TRUE(CheckModeAccepts("anything", ""));  // no password set: nothing is checked
}

class SettingsFile : public ::testing::Test {
 protected:
  testsupport::ScratchFolder dir;
  std::string file = dir / "orascheme.ini";
  std::string Read() {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(SettingsFile, MissingFileGivesDefaultsAndWriteReadsBack) {
  EXPECT_FALSE(ReadMainConfig(file).showDosWindow);
  WriteMainConfig(file, {true, 0});
  EXPECT_EQ(Read(), "[MainConfig]\nShowDosWindow=1\nLangId=0\n");
  EXPECT_TRUE(ReadMainConfig(file).showDosWindow);
}

TEST_F(SettingsFile, OtherSectionsAndKeysSurviveAWrite) {
  {
    std::ofstream out(file);
    out << "[Other]\nA=1\n[mainconfig]\nshowdoswindow=True\nKeep=x\n[Last]\nB=2\n";
  }
  EXPECT_TRUE(ReadMainConfig(file).showDosWindow);
  WriteMainConfig(file, {false, 0});
  EXPECT_EQ(Read(), "[Other]\nA=1\n[mainconfig]\nShowDosWindow=0\nKeep=x\nLangId=0\n[Last]\nB=2\n");
}

TEST_F(SettingsFile, LineEndsOfOtherLinesSurviveEverySave) {
  std::ofstream(file, std::ios::binary) << "[Other]\r\nA=1\r\r\n[MainConfig]\r\nShowDosWindow=1\r\n";
  EXPECT_TRUE(ReadMainConfig(file).showDosWindow);
  WriteMainConfig(file, {false, 0});
  const std::string once = Read();
  EXPECT_EQ(once, "[Other]\r\nA=1\r\r\n[MainConfig]\r\nShowDosWindow=0\nLangId=0\n");
  WriteMainConfig(file, {false, 0});
  EXPECT_EQ(Read(), once);
}

TEST_F(SettingsFile, UnreadableValuesFallBackToTheDefault) {
  {
    std::ofstream out(file);
    out << "[MainConfig]\nShowDosWindow=maybe\n";
  }
  EXPECT_FALSE(ReadMainConfig(file).showDosWindow);
}

TEST(MoveAside, AnUnreadableSchemeFileIsKeptUnderANewName) {
  testsupport::ScratchFolder dir;
  const std::string file = dir / "orascheme.sch";
  EXPECT_EQ(MoveAsideUnreadable(file), "");  // nothing to keep
  for (int round = 0; round < 2; ++round) {
    std::ofstream(file) << "damaged " << round;
    std::string moved = MoveAsideUnreadable(file);
    EXPECT_EQ(moved, round == 0 ? file + ".unreadable" : file + ".unreadable.1");
    EXPECT_FALSE(std::filesystem::exists(file));
  }
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"orascheme.sch.unreadable", "orascheme.sch.unreadable.1"}));
}

class CompressJobTest : public ::testing::Test {
 protected:
  // Answers the questions in turn, keeping them.
  bool Ask(const std::string& question) {
    questions.push_back(question);
    const bool yes = !answers.empty() && answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    return yes;
  }
  std::function<bool(const std::string&)> confirm = [this](const std::string& q) { return Ask(q); };
  std::vector<bool> answers;
  std::vector<std::string> questions;
  testsupport::ScratchFolder dir;
};

TEST_F(CompressJobTest, MissingSourceIsAnErrorWithTheProgramsText) {
  CompressJob job{dir / "none.dmp", dir / "out.z", true};
  try {
    job.Prepare(confirm);
    FAIL();
  } catch (const olv::Exception& e) {
    EXPECT_EQ(std::string(e.what()), "File " + job.source + "not exist!");
  }
}

TEST_F(CompressJobTest, OverwriteIsAskedAndNoKeepsTheDestination) {
  std::ofstream(dir / "a.dmp") << std::string(5000, 'x');
  std::ofstream(dir / "a.z") << "old";
  CompressJob job{dir / "a.dmp", dir / "a.z", true};
  answers = {false, true};
  EXPECT_FALSE(job.Prepare(confirm));
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0], "File " + job.destination + " has been exist, overwrite?");
  ASSERT_TRUE(job.Prepare(confirm));
  job.Run();
  EXPECT_TRUE(olv::IsCompressedFile(job.destination));
  CompressJob back{job.destination, dir / "b.dmp", false};
  ASSERT_TRUE(back.Prepare(confirm));
  EXPECT_EQ(questions.size(), 2u) << "a destination that does not exist is not asked about";
  back.Run();
  std::ifstream in(dir / "b.dmp");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string(5000, 'x'));
}

}  // namespace
}  // namespace sch
