// The main window driving real runs through the stand-in program: a run by hand from the tool
// bar, its running state and record, the timers' commands, terminating a run and closing the
// window while a child runs.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBrowser>
#include <QTreeWidget>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <fstream>
#include <functional>
#include <string>

#include "app/core/OracleScheme.h"
#include "app/core/SchCommon.h"
#include "app/core/SchemeFile.h"
#include "app/core/SchemeHost.h"
#include "app/gui/PlanMain.h"
#include "app/gui/QtMainThread.h"
#include "platform/Dialogs.h"
#include "platform/MainThread.h"
#include "platform/Process.h"
#include "platform/ProcessRegistry.h"
#include "tests/support/ChildProcesses.h"
#include "tests/support/SchemeTestSupport.h"
#include "tests/app_gui/MainFormTestSupport.h"
#include "tests/support/ScratchFolder.h"

namespace sch {
namespace {

const std::string kFakeCmd = ORASCHEME_SOURCE_DIR "/tools/fake_cmd.sh";

class MainFormRuns : public schtest::SchemeTest {
 protected:
  void SetUp() override {
    schtest::SchemeTest::SetUp();
    plat::SetDialogs(&boxes);
  }
  void TearDown() override {
    form.reset();
    ::unsetenv("FAKE_CMD_SLEEP");
    ::unsetenv("FAKE_CMD_OUT");
    plat::SetDialogs(nullptr);
    schtest::SchemeTest::TearDown();
  }
  // A file of a command-file scheme "copy files" and an export "nightly export", both running
  // the stand-in program, and an import "restore" without AutoExec.
  void Open(const std::string& params, bool autoExec = false) {
    TSchemeWrapper w;
    TSchemeObject* exp = w.AddScheme("nightly export", skOracleExport);
    exp->FindParam("cmdfilename")->SetKeyValue(kFakeCmd);
    exp->FindParam("dbusername")->SetKeyValue("system");
    exp->FindParam("file")->SetKeyValue(dir / "nightly.dmp");
    w.AddScheme("restore", skOracleImport);
    TSchemeObject* cmd = w.AddScheme("copy files", skDosCommand);
    cmd->FindParam("cmdfilename")->SetKeyValue(kFakeCmd);
    cmd->FindParam("params")->SetKeyValue(params + " --out " + (dir / "child.txt"));
    cmd->AutoExec = autoExec;
    cmd->TimerInterval = 250;
    SaveObjectToFile(file, &w, true);
    TSchMainForm::Options options = schtest::TestFormOptions(file, dir / "orascheme.ini", mainThread);
    options.services.processes = &registry;
    form = std::make_unique<TSchMainForm>(std::move(options));
  }
  TSchemeObject* Select(const std::string& name) {
    auto found = form->SchTree()->findItems(QString::fromStdString(name), Qt::MatchExactly | Qt::MatchRecursive);
    if (found.size() != 1) return nullptr;
    form->SchTree()->setCurrentItem(found[0]);
    return form->SelectedScheme();
  }
  // Handles the window's events until done() holds (false when it never does).
  static bool HandleUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 6000 && !done(); ++i) {
      QCoreApplication::processEvents(QEventLoop::AllEvents);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
  }
  TSchemeObject* Wrapper(int index) const { return form->Wrapper()->GetScheme(index); }
  pid_t ChildPid() const {
    pid_t pid = 0;
    HandleUntil([&] {
      std::ifstream in(dir / "child.txt");
      for (std::string line; std::getline(in, line);)
        if (line.rfind("pid=", 0) == 0) pid = std::stoi(line.substr(4));
      return pid > 0;
    });
    return pid;
  }

  testsupport::ScratchFolder dir;
  std::string file = dir / "orascheme.sch";
  plat::ScriptedDialogs boxes;
  QtMainThread mainThread;
  plat::ProcessRegistry registry;
  std::unique_ptr<TSchMainForm> form;
};

TEST_F(MainFormRuns, ARunByHandShowsTheRunningStateThenItsRecordOnTheLogsPageAndInTheFile) {
  Open("--sleep 0.3 --exit 0");
  form->ActionOf(Action::ShowDos)->setChecked(true);
  TSchemeObject* scheme = Select("copy files");
  ASSERT_TRUE(scheme);
  const int before = scheme->LogCount();
  ASSERT_TRUE(form->ActionOf(Action::SchRun)->isEnabled());
  form->ActionOf(Action::SchRun)->trigger();

  ASSERT_TRUE(HandleUntil([&] { return !form->Running().empty(); }));
  EXPECT_EQ(form->Running().front(), scheme);
  EXPECT_EQ(form->NodeOf(scheme)->data(0, Qt::UserRole).toInt(), SchemeNodeImage(ssRunning, false));
  EXPECT_FALSE(form->ActionOf(Action::SchRun)->isEnabled());
  EXPECT_FALSE(form->ActionOf(Action::SchDel)->isEnabled());
  EXPECT_TRUE(form->InformationView()->toPlainText().contains("1 plans are running"));
  // Another file cannot be loaded while the scheme runs: no file dialog, the refusal first.
  form->ActionOf(Action::Load)->trigger();
  ASSERT_FALSE(boxes.Log().empty());
  EXPECT_EQ(boxes.Log().back().text, kLoadWhileRunning);

  ASSERT_TRUE(HandleUntil([&] { return form->Running().empty(); }));
  EXPECT_EQ(form->NodeOf(scheme)->data(0, Qt::UserRole).toInt(), SchemeNodeImage(ssWaiting, false));
  EXPECT_TRUE(form->ActionOf(Action::SchRun)->isEnabled());
  EXPECT_TRUE(form->Host().ShowDos()) << "the check mark of \"Show DOS window\" reaches the runs";
  EXPECT_TRUE(form->InformationView()->toPlainText().contains("None plans are running"));

  form->Pages()->setCurrentIndex(2);  // "Logs"
  ASSERT_EQ(form->LogList()->rowCount(), before + 1);
  EXPECT_EQ(form->LogList()->item(before, 3)->text(), "Mannual");
  EXPECT_EQ(form->LogList()->item(before, 4)->text(), "Success");

  auto saved = LoadObjectFromFile(file);
  ASSERT_EQ(saved->GetScheme(2)->LogCount(), before + 1);
  EXPECT_EQ(saved->GetScheme(2)->GetLog(before)->ExitCode, 0);
  EXPECT_TRUE(saved->GetScheme(2)->GetLog(before)->ActiveMode);
}

TEST_F(MainFormRuns, TimerCommandsToggleTheSchemesTimerAndItsNode) {
  Open("--exit 0", true);
  TSchemeObject* scheme = Select("copy files");
  ASSERT_TRUE(scheme);
  QTreeWidgetItem* node = form->NodeOf(scheme);
  // AutoExec set: the timer started with the file.
  EXPECT_TRUE(scheme->TimerStarted());
  EXPECT_EQ(node->toolTip(0), kTimerStartedHint);
  EXPECT_FALSE(form->ActionOf(Action::TimeStart)->isEnabled());
  EXPECT_TRUE(form->ActionOf(Action::TimeStop)->isEnabled());

  form->ActionOf(Action::TimeStop)->trigger();
  EXPECT_FALSE(scheme->TimerStarted());
  EXPECT_EQ(node->toolTip(0), kTimerStoppedHint);
  EXPECT_TRUE(form->ActionOf(Action::TimeStart)->isEnabled());
  EXPECT_FALSE(form->ActionOf(Action::TimeStop)->isEnabled());

  form->ActionOf(Action::TimeStart)->trigger();
  EXPECT_TRUE(scheme->TimerStarted());
  EXPECT_EQ(node->toolTip(0), kTimerStartedHint);

  form->ActionOf(Action::TimeStopAll)->trigger();
  EXPECT_FALSE(scheme->TimerStarted());
  form->ActionOf(Action::TimeStartAll)->trigger();
  EXPECT_TRUE(scheme->TimerStarted());
  EXPECT_FALSE(Wrapper(1)->TimerStarted()) << "no timer for a scheme without AutoExec";

  // Without AutoExec a timer cannot be started from the window.
  TSchemeObject* other = Select("restore");
  ASSERT_TRUE(other && !other->AutoExec);
  EXPECT_FALSE(form->ActionOf(Action::TimeStart)->isEnabled());
  EXPECT_FALSE(form->ActionOf(Action::TimeStop)->isEnabled());
}

TEST_F(MainFormRuns, TerminateEndsTheSelectedExportWithCode100) {
  ::setenv("FAKE_CMD_SLEEP", "60", 1);
  ::setenv("FAKE_CMD_OUT", (dir / "child.txt").c_str(), 1);
  Open("");
  TSchemeObject* scheme = Select("nightly export");
  ASSERT_TRUE(scheme);
  const int before = scheme->LogCount();
  form->ActionOf(Action::SchRun)->trigger();
  const pid_t child = ChildPid();
  ASSERT_GT(child, 0);
  ASSERT_TRUE(HandleUntil([&] { return !form->Running().empty(); }));

  form->ActionOf(Action::TermRunning)->trigger();
  ASSERT_TRUE(HandleUntil([&] { return form->Running().empty(); }));
  ASSERT_EQ(scheme->LogCount(), before + 1);
  EXPECT_EQ(scheme->GetLog(before)->ExitCode, plat::kExitTerminatedByUser);
  EXPECT_EQ(LoadObjectFromFile(file)->GetScheme(0)->GetLog(before)->ExitCode, plat::kExitTerminatedByUser);
  EXPECT_TRUE(schtest::ProcessGoneSoon(child));
}

TEST_F(MainFormRuns, ClosingWithARunningChildRecords101AndLeavesNoChild) {
  Open("--sleep 60");
  TSchemeObject* scheme = Select("copy files");
  ASSERT_TRUE(scheme);
  const int before = scheme->LogCount();
  form->ActionOf(Action::SchRun)->trigger();
  const pid_t child = ChildPid();
  ASSERT_GT(child, 0);
  ASSERT_TRUE(HandleUntil([&] { return !form->Running().empty(); }));

  form->close();
  EXPECT_TRUE(schtest::ProcessGoneSoon(child));
  auto saved = LoadObjectFromFile(file);
  ASSERT_EQ(saved->GetScheme(2)->LogCount(), before + 1);
  EXPECT_EQ(saved->GetScheme(2)->GetLog(before)->ExitCode, plat::kExitTerminatedOnClose);
}

}  // namespace
}  // namespace sch
