// The password, compress and run-record dialogs, driven through their widgets.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <fstream>

#include "foundation/files/CompressedFile.h"
#include "app/core/PasswordRules.h"
#include "app/core/SchemeLog.h"
#include "app/gui/SchCompress.h"
#include "app/gui/SchPwd.h"
#include "app/gui/SchRunLog.h"
#include "platform/Dialogs.h"
#include "tests/support/ScratchFolder.h"

namespace sch {
namespace {

class DialogTest : public ::testing::Test {
 protected:
  // The boxes shown, without the sounds that come before error boxes.
  std::vector<plat::ScriptedDialogs::Shown> Shown() const {
    std::vector<plat::ScriptedDialogs::Shown> out;
    for (const auto& s : boxes.Log())
      if (s.kind != plat::ScriptedDialogs::Shown::Sound) out.push_back(s);
    return out;
  }
  void SetUp() override { plat::SetDialogs(&boxes); }
  void TearDown() override { plat::SetDialogs(nullptr); }
  plat::ScriptedDialogs boxes;
};

TEST_F(DialogTest, SetModeRefusesADifferentVerifyAndStoresOnOk) {
  SchemePasswordData data{"old", false};
  TSetupSchPwd dialog(data, true);
  EXPECT_EQ(dialog.PasswordEdit()->text(), "old");
  EXPECT_EQ(dialog.VerifyEdit()->text(), "old");
  EXPECT_EQ(dialog.PasswordEdit()->echoMode(), QLineEdit::Password);
  // Masked with "*", one per character, not the style's own mask character.
  EXPECT_EQ(dialog.PasswordEdit()->displayText(), "***");
  EXPECT_EQ(dialog.VerifyEdit()->displayText(), "***");
  EXPECT_TRUE(dialog.VerifyEdit()->isEnabled());
  dialog.PasswordEdit()->setText("NewPwd");
  dialog.VerifyEdit()->setText("other");
  dialog.CheckBox()->setChecked(true);
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);  // still open
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, kPwdVerifyFailed);
  EXPECT_EQ(data.password, "old");
  dialog.VerifyEdit()->setText("newpwd");  // other letter case is the same password
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(data.password, "NewPwd");
  EXPECT_TRUE(data.checkPwdForRestore);
}

TEST_F(DialogTest, CheckModeStartsEmptyAndComparesWithoutCase) {
  SchemePasswordData data{"Secret", true};
  {
    TSetupSchPwd dialog(data, false);
    EXPECT_TRUE(dialog.PasswordEdit()->text().isEmpty());
    EXPECT_FALSE(dialog.VerifyEdit()->isEnabled());
    EXPECT_FALSE(dialog.CheckBox()->isEnabled());
    dialog.PasswordEdit()->setText("sECRET");
    dialog.accept();
    EXPECT_TRUE(dialog.Matched());
  }
  EXPECT_TRUE(Shown().empty());
  TSetupSchPwd wrong(data, false);
  wrong.PasswordEdit()->setText("guess");
  wrong.accept();
  EXPECT_FALSE(wrong.Matched());
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].caption, kPwdWrongCaption);
  EXPECT_EQ(Shown()[0].text, kPwdWrongText);
  EXPECT_EQ(data.password, "Secret");  // checking never changes the file's password
}

TEST_F(DialogTest, CompressRunsOnAWorkerAndReportsDone) {
  testsupport::ScratchFolder dir;
  const std::string source = dir / "big.dmp", packed = dir / "big.z";
  {
    std::ofstream out(source);
    for (int i = 0; i < 20000; ++i) out << "row " << i << "\n";
  }
  TCompressForm form;
  bool finished = false;
  form.OnFinished = [&] { finished = true; };
  form.SourceEdit()->setText(QString::fromStdString(source));
  form.DestinationEdit()->setText(QString::fromStdString(packed));
  form.Do();
  EXPECT_TRUE(form.Busy());
  EXPECT_FALSE(form.SourceBrowseButton()->isEnabled());
  EXPECT_EQ(form.StatusLabel()->text(), "working...");
  while (!finished) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(form.StatusLabel()->text(), "done");
  EXPECT_TRUE(form.SourceBrowseButton()->isEnabled());
  EXPECT_TRUE(olv::IsCompressedFile(packed));

  // And back, into a file that exists: the overwrite question comes first.
  const std::string back = dir / "back.dmp";
  std::ofstream(back) << "old";
  form.UnCompressButton()->setChecked(true);
  form.SourceEdit()->setText(QString::fromStdString(packed));
  form.DestinationEdit()->setText(QString::fromStdString(back));
  boxes.QueueAnswer(plat::IDYES);
  finished = false;
  form.Do();
  while (!finished) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  std::ifstream a(source), b(back);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}), std::string(std::istreambuf_iterator<char>(b), {}));
}

TEST_F(DialogTest, CompressOfAMissingSourceShowsTheErrorAndStartsNothing) {
  testsupport::ScratchFolder dir;
  TCompressForm form;
  form.SourceEdit()->setText(QString::fromStdString(dir / "none.dmp"));
  form.DestinationEdit()->setText(QString::fromStdString(dir / "x"));
  form.Do();
  EXPECT_FALSE(form.Busy());
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, "File " + (dir / "none.dmp") + "not exist!");
  EXPECT_TRUE(form.StatusLabel()->text().isEmpty());
}

}  // namespace
}  // namespace sch

TEST(RunLogWindow, ShowsTheRowTextsAndTheRecord) {
  sch::TSchemeLog log;
  log.ExitCode = 3;
  log.RunScripts = "\"/usr/bin/exp\" system/*** file=/bak/a.dmp";
  log.ResultMsgs = "Run Scripts...Failed with exit code 3";
  sch::RunLogRow row{{"2", "2026.12.10 08:30:00", "2026.12.10 08:31:05", "Timed", "Falied", "disk full"}};
  sch::TSchemeRunLog window(log, row);
  EXPECT_EQ(window.windowTitle(), "Run logs");
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(window.Field(i)->text().toStdString(), row.cells[i]) << i;
    EXPECT_TRUE(window.Field(i)->isReadOnly());
  }
  EXPECT_EQ(window.Field(6)->text(), "3");
  EXPECT_EQ(window.ScriptMemo()->toPlainText().toStdString(), log.RunScripts);
  EXPECT_EQ(window.LogMemo()->toPlainText().toStdString(), log.ResultMsgs);
  EXPECT_TRUE(window.LogMemo()->isReadOnly());
}
