// The main window with the form library started as the program starts it: the window is the hint
// form, so the expression function Hint called on a worker thread (a run's macros) reaches its
// status bar through the main thread; a library form that is activated takes the hints and the
// main window takes them back when it is activated; "Screen" reaches the live screen object.
#include <gtest/gtest.h>

#include <QApplication>
#include <QAction>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/core/SchemeFile.h"
#include "app/core/SchemeWrapper.h"
#include "app/gui/PlanMain.h"
#include "app/gui/QtMainThread.h"
#include "foundation/expr/ExpTranslator.h"
#include "platform/Dialogs.h"
#include "platform/MainThread.h"
#include "tests/support/SchemeTestSupport.h"
#include "tests/app_gui/MainFormTestSupport.h"
#include "tests/support/ScratchFolder.h"
#include "widgets/forms/DesignSize.h"
#include "widgets/qt/FormLibrary.h"
#include "widgets/qt/OlvForm.h"

namespace sch {
namespace {

const std::string kFakeCmd = ORASCHEME_SOURCE_DIR "/tools/fake_cmd.sh";

void Evaluate(const std::string& text) {
  auto node = olv::GlobalTranslator().Translate(text).Node;
  ASSERT_TRUE(node) << text;
  node->Calculate(olv::kAlwaysStamp);
}

class MainWindowHints : public schtest::SchemeTest {
 protected:
  // In the program's order: the main thread, the form library, then the window.
  void SetUp() override {
    schtest::SchemeTest::SetUp();
    designSize = olv::DesignSize();
    plat::SetDialogs(&boxes);
    library = std::make_unique<olv::TFormLibrary>(&mainThread);
  }
  void TearDown() override {
    form.reset();
    library.reset();
    QApplication::processEvents();  // nothing may be left that reaches the freed loop
    plat::SetDialogs(nullptr);
    olv::SetDesignSize(designSize);
    schtest::SchemeTest::TearDown();
  }
  // The window on a file holding one command-file scheme "copy files" with the given parameters.
  void Open(const std::string& params) {
    TSchemeWrapper w;
    TSchemeObject* cmd = w.AddScheme("copy files", skDosCommand);
    cmd->FindParam("cmdfilename")->SetKeyValue(kFakeCmd);
    cmd->FindParam("params")->SetKeyValue(params);
    SaveObjectToFile(file, &w, true);
    form = std::make_unique<TSchMainForm>(schtest::TestFormOptions(file, dir / "orascheme.ini", mainThread));
  }
  QProgressBar* Gauge() const { return form->statusBar()->findChild<QProgressBar*>(); }
  static bool HandleUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 6000 && !done(); ++i) {
      QApplication::processEvents(QEventLoop::AllEvents);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
  }

  testsupport::ScratchFolder dir;
  std::string file = dir / "orascheme.sch";
  plat::ScriptedDialogs boxes;
  QtMainThread mainThread;
  olv::TDesignSize designSize;
  std::unique_ptr<olv::TFormLibrary> library;
  std::unique_ptr<TSchMainForm> form;
};

TEST_F(MainWindowHints, HintOnAWorkerThreadShowsOnTheStatusBarOnceTheMainThreadHandlesIt) {
  Open("");
  EXPECT_EQ(library->Screen().HintForm(), form.get());
  std::thread([] { Evaluate("Hint('Exporting SCOTT', 30, 120)"); }).join();
  EXPECT_EQ(form->statusBar()->currentMessage(), "");  // the worker touched no widget
  EXPECT_EQ(Gauge(), nullptr);

  QApplication::processEvents();
  EXPECT_EQ(form->statusBar()->currentMessage(), "Exporting SCOTT");
  QProgressBar* gauge = Gauge();
  ASSERT_NE(gauge, nullptr);
  EXPECT_EQ(gauge->maximum(), 120);
  EXPECT_EQ(gauge->value(), 30);

  // Text only (-1) keeps the gauge; below -1 takes it away.
  std::thread([] { Evaluate("Hint('Compressing', -1)"); }).join();
  QApplication::processEvents();
  EXPECT_EQ(form->statusBar()->currentMessage(), "Compressing");
  EXPECT_EQ(Gauge(), gauge);
  std::thread([] { Evaluate("Hint('', -2)"); }).join();
  QApplication::processEvents();
  EXPECT_EQ(Gauge(), nullptr);
  EXPECT_EQ(form->statusBar()->currentMessage(), "Compressing");

  // The window that goes away stops being the hint form: a later Hint reaches no freed window.
  form.reset();
  EXPECT_EQ(library->Screen().HintForm(), nullptr);
  std::thread([] { Evaluate("Hint('Late', 1, 2)"); }).join();
  QApplication::processEvents();
}

TEST_F(MainWindowHints, HintInARunsMacrosShowsOnTheStatusBar) {
  Open("~?Hint('Copying files', 2, 5)~ --exit 0");
  auto found = form->SchTree()->findItems("copy files", Qt::MatchExactly | Qt::MatchRecursive);
  ASSERT_EQ(found.size(), 1);
  form->SchTree()->setCurrentItem(found[0]);
  form->ActionOf(Action::SchRun)->trigger();
  ASSERT_TRUE(HandleUntil([&] { return !form->Running().empty(); }));
  ASSERT_TRUE(HandleUntil([&] { return form->Running().empty(); }));
  QApplication::processEvents();
  EXPECT_EQ(form->statusBar()->currentMessage(), "Copying files");
  ASSERT_NE(Gauge(), nullptr);
  EXPECT_EQ(Gauge()->maximum(), 5);
  EXPECT_EQ(Gauge()->value(), 2);
}

TEST_F(MainWindowHints, TheMainWindowTakesTheHintsBackWhenActivated) {
  Open("");
  form->show();
  olv::TForm other;
  other.SetHintBar(new QStatusBar(&other));
  other.show();
  QApplication::setActiveWindow(&other);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  EXPECT_EQ(library->Screen().HintForm(), &other);

  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  EXPECT_EQ(library->Screen().HintForm(), form.get());
  Evaluate("Hint('Importing')");  // on the main thread: shown at once
  EXPECT_EQ(form->statusBar()->currentMessage(), "Importing");
}

TEST_F(MainWindowHints, ScreenInAnExpressionReachesTheLiveScreenObject) {
  Open("");
  auto node = olv::GlobalTranslator().Translate("Screen").Node;
  ASSERT_TRUE(node);
  node->Calculate(olv::kAlwaysStamp);
  auto* screen = dynamic_cast<olv::TScreen*>(olv::ScreenObject(node->AsInteger()));
  ASSERT_EQ(screen, &library->Screen());
  const QScreen* display = QGuiApplication::primaryScreen();
  EXPECT_EQ(screen->Width(), display->geometry().width());
  EXPECT_EQ(screen->Height(), display->geometry().height());
  EXPECT_EQ(screen->HorzDPI(), qRound(display->logicalDotsPerInchX()));
  EXPECT_EQ(screen->VertDPI(), qRound(display->logicalDotsPerInchY()));
  library.reset();
  EXPECT_EQ(olv::ScreenObject(node->AsInteger()), nullptr);
}

}  // namespace
}  // namespace sch
