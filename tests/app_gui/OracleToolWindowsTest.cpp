// The object picker and the character-set tool driven through their widgets, over a session of
// recording links.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

#include "foundation/files/CompressedFile.h"
#include "app/core/DMSession.h"
#include "app/core/OracleClient.h"
#include "app/core/OracleScheme.h"
#include "app/gui/OraCharsetSelector.h"
#include "app/gui/OraSelector.h"
#include "app/gui/PlanMain.h"
#include "app/gui/QtMainThread.h"
#include "app/gui/QtSchemeEditor.h"
#include "app/core/SchCommon.h"
#include "app/core/SchemeFile.h"
#include "app/core/SchemeWrapper.h"
#include "tests/app_gui/MainFormTestSupport.h"
#include "platform/Dialogs.h"
#include "platform/Registry.h"
#include "tests/support/FakeDMLink.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScratchFolder.h"

namespace sch {
namespace {

using schtest::FakeLink;
using schtest::LinkLog;

QStringList Items(QListWidget* list) {
  QStringList s;
  for (int i = 0; i < list->count(); ++i) s << list->item(i)->text();
  return s;
}

class OracleToolWindows : public ::testing::Test, public schtest::ToolsDatabase {
 protected:
  void SetUp() override { plat::SetDialogs(&boxes); }
  void TearDown() override { plat::SetDialogs(nullptr); }
  std::vector<std::string> Boxes() const {
    std::vector<std::string> out;
    for (const auto& s : boxes.Log())
      if (s.kind == plat::ScriptedDialogs::Shown::Message) out.push_back(s.text);
    return out;
  }

  plat::ScriptedDialogs boxes;
};

TEST_F(OracleToolWindows, UserPickerShowsOnlyItsPageAndMovesUsersBothWays) {
  TOraSelector picker(session);
  picker.Start("system", "manager", "orcl", true, "SCOTT,HR");
  EXPECT_EQ(picker.windowTitle(), "Select Oracle Objects");
  EXPECT_EQ(picker.StatusMemo()->toPlainText(), "Connected");
  EXPECT_TRUE(picker.Pages()->isTabVisible(0));
  EXPECT_FALSE(picker.Pages()->isTabVisible(1));
  EXPECT_EQ(Items(picker.ObjectsList()), (QStringList{"HR", "SCOTT", "SYS"}));
  EXPECT_EQ(Items(picker.ChosenUsersList()), (QStringList{"SCOTT", "HR"}));
  picker.ObjectsList()->item(1)->setSelected(true);
  picker.ObjectsList()->item(2)->setSelected(true);
  picker.AddUserButton()->click();
  EXPECT_EQ(Items(picker.ChosenUsersList()), (QStringList{"SCOTT", "HR", "SYS"}));
  picker.ChosenUsersList()->item(0)->setSelected(true);
  picker.RemoveUserButton()->click();
  EXPECT_EQ(picker.Model().Result(), "HR,SYS");

  // "Connect" again with a wrong password says why in the status memo.
  main->failConnect = "ORA-01017: invalid username/password; logon denied";
  picker.UsernameEdit()->setText("hr");
  picker.ConnectButton()->click();
  EXPECT_EQ(picker.StatusMemo()->toPlainText(), "Connect Failed:ORA-01017: invalid username/password; logon denied");
}

TEST_F(OracleToolWindows, TablePickerListsTheClickedUsersTables) {
  TOraSelector picker(session);
  picker.Start("system", "manager", "orcl", false, "HR.JOBS");
  EXPECT_FALSE(picker.Pages()->isTabVisible(0));
  EXPECT_EQ(picker.Pages()->currentIndex(), 1);
  picker.ObjectsList()->setCurrentRow(1);
  emit picker.ObjectsList()->itemClicked(picker.ObjectsList()->item(1));
  EXPECT_EQ(Items(picker.SourceTablesList()), (QStringList{"DEPT", "EMP"}));
  picker.SourceTablesList()->item(1)->setSelected(true);
  picker.AddTableButton()->click();
  picker.SourceTablesList()->item(0)->setSelected(true);
  picker.AddTableButton()->click();
  EXPECT_EQ(picker.Model().Result(), "HR.JOBS,SCOTT.EMP,SCOTT.DEPT");
}

TEST_F(OracleToolWindows, TheUserParametersEditButtonPicksWithTheSchemesLogin) {
  // The session as the program shares it; this test's links stay where the fixture made them.
  std::shared_ptr<TOracleSession> shared(&session, [](TOracleSession*) {});
  QtSchemeEditor editor(nullptr, shared);
  TOracleExportScheme scheme;
  scheme.BuildParamList();
  scheme.FindParam("dbusername")->SetKeyValue("system");
  scheme.FindParam("dbpassword")->SetKeyValue("manager");
  scheme.FindParam("service")->SetKeyValue("orcl");
  QTimer answer;
  answer.setInterval(0);
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* picker = dynamic_cast<TOraSelector*>(QApplication::activeModalWidget());
    if (!picker) return;
    answer.stop();
    EXPECT_EQ(picker->UsernameEdit()->text(), "system");
    EXPECT_EQ(picker->StatusMemo()->toPlainText(), "Connected");
    picker->ObjectsList()->item(2)->setSelected(true);
    picker->AddUserButton()->click();
    picker->accept();
  });
  answer.start();
  EXPECT_EQ(editor.PickOracleObjects(scheme, false, "SCOTT"), std::optional<std::string>("SCOTT,SYS"));
  EXPECT_EQ(log->calls.front(), "connect system/manager@orcl charset=ZHS16GBK");
}

TEST_F(OracleToolWindows, TheMainWindowsCharacterSetCommandOpensTheToolWithTheSelectedSchemesLogin) {
  RegisterSchemeClasses();
  testsupport::ScopedEnv env;
  env.Set("ORASCHEME_REGISTRY_DIR", dir / "registry");  // the tool reads the program's store
  const std::string file = dir / "orascheme.sch";
  {
    TSchemeWrapper w;
    TSchemeObject* s = w.AddScheme("nightly", skOracleExport);
    s->FindParam("dbusername")->SetKeyValue("scott");
    s->FindParam("dbpassword")->SetKeyValue("tiger");
    s->FindParam("service")->SetKeyValue("orcl");
    SaveObjectToFile(file, &w, true);
  }
  QtMainThread mainThread;
  TSchMainForm::Options options = schtest::TestFormOptions(file, dir / "orascheme.ini", mainThread);
  options.services.oracleSession = std::shared_ptr<TOracleSession>(&session, [](TOracleSession*) {});
  TSchMainForm form(std::move(options));
  const auto found = form.SchTree()->findItems("nightly", Qt::MatchExactly | Qt::MatchRecursive);
  ASSERT_EQ(found.size(), 1);
  form.SchTree()->setCurrentItem(found[0]);
  QTimer answer;
  answer.setInterval(0);
  bool shown = false;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* tool = dynamic_cast<TOraCharSetSelector*>(QApplication::activeModalWidget());
    if (!tool) return;
    answer.stop();
    shown = true;
    EXPECT_EQ(tool->UsernameEdit()->text(), "scott");
    EXPECT_EQ(tool->PasswordEdit()->text(), "tiger");
    EXPECT_EQ(tool->ServiceEdit()->text(), "orcl");
    tool->reject();
  });
  answer.start();
  form.ActionOf(Action::CharSet)->trigger();
  EXPECT_TRUE(shown);
  EXPECT_EQ(Boxes(), std::vector<std::string>{}) << "no \"not available\" box";
  form.close();
}

TEST_F(OracleToolWindows, CharsetToolConnectsConvertsADumpAndTestsTheClient) {
  const std::string dmp = dir / "db.dmp";
  testsupport::WriteAll(dmp, std::string("\x03\x03\x54", 3) + "EXPORT:V09.02.00");
  TOraCharSetSelector tool(session, registry, "system", "manager", "orcl");
  EXPECT_EQ(tool.windowTitle(), "Oracle character set selector");
  EXPECT_EQ(tool.ClientCharsetEdit()->text(), "ZHS16GBK");
  EXPECT_EQ(tool.UsernameEdit()->text(), "system");
  tool.ConnectButton()->click();
  EXPECT_EQ(tool.DatabaseCharsetEdit()->text(), "AL32UTF8");
  EXPECT_EQ(Items(tool.CharsetList()), (QStringList{"US7ASCII", "ZHS16GBK", "AL32UTF8"}));

  tool.ChooseFile = [&] { return dmp; };
  tool.SelectButton()->click();
  EXPECT_EQ(tool.ExportFileEdit()->text().toStdString(), dmp);
  EXPECT_EQ(tool.TargetFileEdit()->text().toStdString(), dmp);
  EXPECT_EQ(tool.SourceLabel()->text(), "ZHS16GBK");

  tool.ConvertButton()->click();
  EXPECT_EQ(Boxes(), std::vector<std::string>{kSelectCharsetFirst});
  tool.CharsetList()->setCurrentRow(2);
  EXPECT_EQ(tool.SelectedEdit()->text(), "AL32UTF8");
  EXPECT_EQ(tool.TargetLabel()->text(), "AL32UTF8");
  boxes.Clear();
  tool.ConvertButton()->click();
  EXPECT_EQ(Boxes(), std::vector<std::string>{"OK"});
  EXPECT_EQ(TOracleScheme::ReadDmpCharsetId(dmp), 873);
  EXPECT_EQ(tool.SourceLabel()->text(), "AL32UTF8");

  const std::string packed = dir / "packed.dmp";
  olv::CompressFile(dmp, packed);
  tool.ChooseFile = [&] { return packed; };
  tool.SelectButton()->click();
  boxes.Clear();
  tool.ConvertButton()->click();
  EXPECT_EQ(Boxes(), std::vector<std::string>{"The dump is compressed; its character set cannot be changed:" + packed});

  boxes.Clear();
  tool.TestButton()->click();
  EXPECT_EQ(Boxes(), std::vector<std::string>{"The charset of this client can set to AL32UTF8, but maybe lose some data."});
  EXPECT_EQ(tool.ClientCharsetEdit()->text(), "ZHS16GBK");
  boxes.Clear();
  tool.SetButton()->click();
  EXPECT_EQ(Boxes(), std::vector<std::string>{"the charset of this client has been set to AL32UTF8"});
  EXPECT_EQ(tool.ClientCharsetEdit()->text(), "AL32UTF8");
}

}  // namespace
}  // namespace sch
