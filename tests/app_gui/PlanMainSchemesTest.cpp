// The main window over a real scheme file: the tree, run-time edits saved back, load with a
// password, an unreadable file kept aside, and the run notices.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QTableWidget>
#include <QTabWidget>
#include <QApplication>
#include <QTimer>
#include <atomic>
#include <thread>
#include <QListWidget>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "app/core/SchCommon.h"
#include "app/core/SchemeFile.h"
#include "app/gui/PlanMain.h"
#include "app/gui/QtMainThread.h"
#include "platform/Dialogs.h"
#include "platform/MainThread.h"
#include "tests/support/SchemeTestSupport.h"
#include "tests/app_gui/MainFormTestSupport.h"
#include "tests/support/ScratchFolder.h"

namespace sch {
namespace {

class MainFormSchemes : public schtest::SchemeTest {
 protected:
  void SetUp() override {
    schtest::SchemeTest::SetUp();
    plat::SetDialogs(&boxes);
  }
  void TearDown() override {
    form.reset();
    plat::SetDialogs(nullptr);
    schtest::SchemeTest::TearDown();
  }
  void Open() {
    TSchMainForm::Options options = schtest::TestFormOptions(file, dir / "orascheme.ini", mainThread);
    options.pickSchemeFile = [this](bool) { return picked; };
    options.editTime = [this](TSchemeTimeItem& item, int) {
      if (!editResult) return false;
      item.Hour = editHour;
      item.Minute = editMinute;
      return true;
    };
    form = std::make_unique<TSchMainForm>(std::move(options));
  }
  void Select(const std::string& name) {
    auto found = form->SchTree()->findItems(QString::fromStdString(name), Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1);
    form->SchTree()->setCurrentItem(found[0]);
  }
  std::vector<plat::ScriptedDialogs::Shown> Shown() const {
    std::vector<plat::ScriptedDialogs::Shown> out;
    for (const auto& s : boxes.Log())
      if (s.kind != plat::ScriptedDialogs::Shown::Sound) out.push_back(s);
    return out;
  }

  testsupport::ScratchFolder dir;
  std::string file = dir / "orascheme.sch";
  plat::ScriptedDialogs boxes;
  QtMainThread mainThread;
  std::unique_ptr<TSchMainForm> form;
  std::string picked;
  bool editResult = true;
  int editHour = 6, editMinute = 45;
};

TEST_F(MainFormSchemes, TheTreeShowsEachSchemeUnderItsCategory) {
  auto w = schtest::EveryKindContainer();
  w->AddScheme("odd kind", skOracleExport)->SetSchType(7);  // no category: under the root
  SaveObjectToFile(file, w.get(), true);
  Open();
  EXPECT_EQ(form->CategoryNode(0)->child(0)->text(0), "nightly export");
  EXPECT_EQ(form->CategoryNode(1)->child(0)->text(0), "restore");
  EXPECT_EQ(form->CategoryNode(2)->child(0)->text(0), "copy files");
  ASSERT_EQ(form->RootNode()->childCount(), 4);
  EXPECT_EQ(form->RootNode()->child(3)->text(0), "odd kind");
  EXPECT_EQ(form->SchTree()->currentItem(), form->RootNode());

  Select("nightly export");
  EXPECT_TRUE(form->Pages()->isTabVisible(1));
  EXPECT_EQ(form->NameEdit()->text(), "nightly export");
  ASSERT_EQ(form->RunTimeList()->count(), 1);
  EXPECT_EQ(form->RunTimeList()->item(0)->text(), "Friday8:0");
  // The password parameter is masked in the grid.
  EXPECT_EQ(form->ParamGrid()->item(1, 1)->text(), "*****");
  EXPECT_TRUE(form->ActionOf(Action::SchAdd)->isEnabled());
}

TEST_F(MainFormSchemes, RunTimesAddedEditedAndDeletedRoundTripThroughTheFile) {
  SaveObjectToFile(file, schtest::EveryKindContainer().get(), true);
  Open();
  Select("copy files");
  const int before = form->RunTimeList()->count();
  form->ActionOf(Action::TimeAdd)->trigger();
  ASSERT_EQ(form->RunTimeList()->count(), before + 1);
  editResult = false;  // a cancelled add adds nothing
  form->ActionOf(Action::TimeAdd)->trigger();
  EXPECT_EQ(form->RunTimeList()->count(), before + 1);

  editResult = true;
  editHour = 23;
  editMinute = 5;
  form->RunTimeList()->setCurrentRow(0);
  form->ActionOf(Action::TimeEdit)->trigger();
  form->ActionOf(Action::Save)->trigger();

  auto saved = LoadObjectFromFile(file);
  TSchemeObject* copy = saved->GetScheme(2);
  ASSERT_EQ(copy->SchemeTime->Count(), before + 1);
  EXPECT_EQ(copy->SchemeTime->GetItem(0)->Hour, 23);
  EXPECT_EQ(copy->SchemeTime->GetItem(0)->Minute, 5);
  EXPECT_EQ(copy->SchemeTime->GetItem(before)->Hour, 6);
  EXPECT_EQ(copy->SchemeTime->GetItem(before)->Minute, 45);

  boxes.QueueAnswer(plat::IDCANCEL);  // "Are you sure to delete <...>?" answered Cancel
  form->ActionOf(Action::TimeDel)->trigger();
  EXPECT_EQ(form->RunTimeList()->count(), before + 1);
  boxes.QueueAnswer(plat::IDOK);
  form->ActionOf(Action::TimeDel)->trigger();
  EXPECT_EQ(form->RunTimeList()->count(), before);
  EXPECT_EQ(Shown().back().text, "Are you sure to delete <2024-3-6 23:5>?");
  form->ActionOf(Action::Save)->trigger();
  EXPECT_EQ(LoadObjectFromFile(file)->GetScheme(2)->SchemeTime->Count(), before);
}

TEST_F(MainFormSchemes, AddAndDeleteSchemesUnderCategories) {
  Open();  // no file yet: an empty container
  form->SchTree()->setCurrentItem(form->CategoryNode(2));
  form->ActionOf(Action::SchAdd)->trigger();
  ASSERT_EQ(form->CategoryNode(2)->childCount(), 1);
  EXPECT_EQ(form->CategoryNode(2)->child(0)->text(0), "new scheme");
  EXPECT_EQ(form->SelectedScheme()->SchType(), skDosCommand);
  boxes.QueueAnswer(plat::IDOK);
  form->ActionOf(Action::SchDel)->trigger();
  EXPECT_EQ(form->CategoryNode(2)->childCount(), 0);
  EXPECT_EQ(LoadObjectFromFile(file)->Count(), 0);  // deleting saves
}

TEST_F(MainFormSchemes, CancelledPasswordOnLoadKeepsTheCurrentFile) {
  SaveObjectToFile(file, schtest::EveryKindContainer().get(), true);  // password "Secret pass"
  auto other = std::make_unique<TSchemeWrapper>();
  other->AddScheme("other", skDosCommand);
  picked = dir / "other.sch";
  SaveObjectToFile(picked, other.get(), true);
  Open();
  // The current file has a password, but a file without one loads at once.
  form->ActionOf(Action::Load)->trigger();
  EXPECT_EQ(form->FileName(), picked);
  EXPECT_EQ(form->CategoryNode(2)->child(0)->text(0), "other");

  // Back to the protected file: the password dialog is cancelled in this test's event loop.
  picked = file;
  QTimer::singleShot(0, [] {
    if (QWidget* w = QApplication::activeModalWidget()) w->close();
  });
  form->ActionOf(Action::Load)->trigger();
  EXPECT_EQ(form->FileName(), dir / "other.sch");
  EXPECT_EQ(form->CategoryNode(0)->childCount(), 0);
}

TEST_F(MainFormSchemes, AnUnreadableFileAtStartIsKeptAside) {
  std::ofstream(file) << "this is no scheme file";
  Open();
  EXPECT_TRUE(std::filesystem::exists(file + ".unreadable"));
  ASSERT_FALSE(Shown().empty());
  form->ActionOf(Action::Save)->trigger();
  std::ifstream kept(file + ".unreadable");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "this is no scheme file");
}

TEST_F(MainFormSchemes, ClosingSavesAndARunningSchemeCannotBeDeletedOrRunAgain) {
  SaveObjectToFile(file, schtest::EveryKindContainer().get(), true);
  Open();
  Select("copy files");
  TSchemeObject* scheme = form->SelectedScheme();
  EXPECT_TRUE(form->ActionOf(Action::SchRun)->isEnabled());
  ASSERT_TRUE(scheme->TryBeginRun());
  form->UpdateUI();
  EXPECT_FALSE(form->ActionOf(Action::SchRun)->isEnabled());
  EXPECT_FALSE(form->ActionOf(Action::SchDel)->isEnabled());
  EXPECT_FALSE(form->NameEdit()->isEnabled());
  scheme->EndRun();
  scheme->RemainCount = 42;
  form->close();
  EXPECT_EQ(LoadObjectFromFile(file)->GetScheme(2)->RemainCount, 42);
}

}  // namespace
}  // namespace sch
