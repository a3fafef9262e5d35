// The main window under the offscreen platform: layout, commands and their enabling, shutdown.
#include "app/gui/PlanMain.h"
#include "tests/app_gui/MainFormTestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QSplitter>
#include <QTest>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <fstream>

#include "app/core/MainConfig.h"
#include "app/gui/QtMainThread.h"
#include "platform/Dialogs.h"
#include "platform/MainThread.h"
#include "tests/support/ScratchFolder.h"

namespace sch {
namespace {

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetDialogs(&boxes);
  }
  void TearDown() override {
    plat::SetDialogs(nullptr);
  }
  std::unique_ptr<TSchMainForm> MakeForm() {
    TSchMainForm::Options options = schtest::TestFormOptions(dir / "orascheme.sch", dir / "orascheme.ini", mainThread);
    return std::make_unique<TSchMainForm>(std::move(options));
  }
  testsupport::ScratchFolder dir;
  plat::ScriptedDialogs boxes;
  QtMainThread mainThread;
};

TEST_F(MainFormTest, StartsWithTheTreesCategoriesAndTheRootSelected) {
  auto form = MakeForm();
  EXPECT_EQ(form->windowTitle(), "Oracle backup scheme manager");
  EXPECT_EQ(form->FileName(), dir / "orascheme.sch");
  ASSERT_EQ(form->SchTree()->topLevelItemCount(), 1);
  QTreeWidgetItem* root = form->SchTree()->topLevelItem(0);
  EXPECT_EQ(root->text(0), "Scheme tasks");
  ASSERT_EQ(root->childCount(), 3);
  EXPECT_EQ(root->child(0)->text(0), "Export");
  EXPECT_EQ(root->child(1)->text(0), "Import");
  EXPECT_EQ(root->child(2)->text(0), "Other");
  EXPECT_TRUE(root->isExpanded());
  EXPECT_EQ(form->SchTree()->currentItem(), root);

  QStringList menus;
  for (QAction* a : form->menuBar()->actions()) menus << a->text();
  EXPECT_EQ(menus, (QStringList{"&File", "&Scheme", "&Tools", "&Help"}));
  EXPECT_EQ(form->LogList()->columnCount(), 6);
  EXPECT_EQ(form->LogList()->horizontalHeaderItem(4)->text(), "Result");
}

TEST_F(MainFormTest, PagesAndCommandsFollowTheSelection) {
  auto form = MakeForm();
  QTabWidget* pages = form->Pages();
  EXPECT_TRUE(pages->isTabVisible(0));
  EXPECT_FALSE(pages->isTabVisible(1));  // no scheme: no "Options"
  EXPECT_FALSE(pages->isTabVisible(2));  // nor "Logs"
  EXPECT_FALSE(form->ActionOf(Action::SchAdd)->isEnabled());
  EXPECT_FALSE(form->ActionOf(Action::SchDel)->isEnabled());
  EXPECT_TRUE(form->ActionOf(Action::Save)->isEnabled());
  form->SchTree()->setCurrentItem(form->CategoryNode(2));
  EXPECT_TRUE(form->ActionOf(Action::SchAdd)->isEnabled());
  EXPECT_FALSE(form->ActionOf(Action::SchRun)->isEnabled());
}

// The scheme pages are made after the first frame, yet the window is laid out with them from then
// on: narrowed before any scheme is picked, it and its panes stay as they are once one is.
TEST_F(MainFormTest, ThePanesDoNotMoveWhenTheSchemePagesAreFirstShown) {
  auto form = MakeForm();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  QApplication::processEvents();
  form->resize(600, 400);
  QApplication::processEvents();
  auto* panes = qobject_cast<QSplitter*>(form->centralWidget());
  ASSERT_NE(panes, nullptr);
  const QList<int> before = panes->sizes();
  const QSize size = form->size();
  form->SchTree()->setCurrentItem(form->CategoryNode(2));
  form->ActionOf(Action::SchAdd)->trigger();
  ASSERT_NE(form->SelectedScheme(), nullptr);
  EXPECT_TRUE(form->Pages()->isTabVisible(1));
  QApplication::processEvents();
  EXPECT_EQ(panes->sizes(), before);
  EXPECT_EQ(form->size(), size);
}

TEST_F(MainFormTest, ClosingBeginsShutdownAndTheSettingsAreWritten) {
  auto form = MakeForm();
  form->ActionOf(Action::ShowDos)->setChecked(true);
  form->show();
  form->close();
  EXPECT_TRUE(mainThread.shuttingDown());
  // A worker's notice after the close is released at once instead of waiting on the window.
  bool delivered = true;
  std::thread worker([&] { delivered = mainThread.send([] {}); });
  worker.join();
  EXPECT_FALSE(delivered);
  form.reset();
  EXPECT_TRUE(ReadMainConfig(dir / "orascheme.ini").showDosWindow);
}

TEST(QtFileFilter, TurnsTheProgramsFilterIntoQtsForm) {
  EXPECT_EQ(QtFileFilter("Scheme files( *.sch)|*.sch|All files( *.*)|*.*"),
            "Scheme files( *.sch) (*.sch);;All files( *.*) (*.*)");
}

}  // namespace
}  // namespace sch
