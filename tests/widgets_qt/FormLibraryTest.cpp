// The form library started on Qt: the screen object from the display, hint routing to the active
// library form, and the expression function Hint called on a worker thread reaching the hint
// form's gauge through the main thread's event loop.
#include "widgets/qt/FormLibrary.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressBar>
#include <QScreen>
#include <QStatusTipEvent>
#include <QTest>
#include <thread>

#include "foundation/expr/ExpTranslator.h"
#include "platform/MainThreadQueue.h"
#include "tests/widgets_qt/SampleForm.h"
#include "widgets/forms/DesignSize.h"

namespace olv {
namespace {

// The main thread of these tests: queued handlers run from the Qt event loop.
class QtLoopMainThread : public plat::MainThreadQueue {
 protected:
  void wake() override {
    QMetaObject::invokeMethod(qApp, [this] { processPending(); }, Qt::QueuedConnection);
  }
};

class FormLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = DesignSize();
    library_ = std::make_unique<TFormLibrary>(&main_);
    SetDesignSize({1024, 768});  // the sample form as designed, whatever the offscreen display's size
  }
  void TearDown() override {
    library_.reset();
    QApplication::processEvents();  // nothing may be left that reaches the freed loop
    SetDesignSize(saved_);
  }
  TDesignSize saved_;
  QtLoopMainThread main_;
  std::unique_ptr<TFormLibrary> library_;
};

TEST_F(FormLibraryTest, TheScreenObjectMeasuresTheDisplayAndIsReachedAsScreen) {
  QScreen* display = QGuiApplication::primaryScreen();
  TScreen& screen = library_->Screen();
  EXPECT_EQ(screen.Width(), display->geometry().width());
  EXPECT_EQ(screen.HorzDPI(), qRound(display->logicalDotsPerInchX()));
  EXPECT_EQ(screen.HorzSize(), MulDiv(screen.Width(), 254, screen.HorzDPI()));
  EXPECT_EQ(ScreenObject(kScreenHandle), &screen);
  library_.reset();
  EXPECT_EQ(ScreenObject(kScreenHandle), nullptr);
  EXPECT_EQ(TFormLibrary::DragCursor(crDragMove).shape(), Qt::DragMoveCursor);
}

TEST_F(FormLibraryTest, HintsGoToTheActiveLibraryForm) {
  olvtest::SampleForm form;
  form.show();
  QApplication::setActiveWindow(&form);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  EXPECT_EQ(library_->Screen().HintForm(), &form);
  QStatusTipEvent tip("Save|Saves every scheme");
  QApplication::sendEvent(form.button, &tip);
  EXPECT_EQ(form.status->currentMessage(), "Saves every scheme");
}

TEST_F(FormLibraryTest, HintFromAWorkerThreadReachesTheGaugeOnTheMainThread) {
  olvtest::SampleForm form;
  form.show();
  QApplication::processEvents();  // the window's activation and focus first: they set hints too
  library_->Screen().SetHintForm(&form);
  std::thread worker([] {
    auto node = GlobalTranslator().Translate("Hint('Exporting', 30, 120)").Node;
    ASSERT_TRUE(node);
    node->Calculate(kAlwaysStamp);
  });
  worker.join();
  EXPECT_EQ(form.findChild<QProgressBar*>(), nullptr);  // the worker touched no widget
  QApplication::processEvents();
  auto* gauge = form.findChild<QProgressBar*>();
  ASSERT_NE(gauge, nullptr);
  EXPECT_EQ(gauge->maximum(), 120);
  EXPECT_EQ(gauge->value(), 30);
  EXPECT_TRUE(gauge->isVisible());
  EXPECT_EQ(gauge->geometry(), QRect(0, 672, 1000, 8));  // along the bottom, above the status bar
  EXPECT_EQ(form.status->currentMessage(), "Exporting");

  // Position below -1 takes the gauge away again.
  std::thread([] { GlobalTranslator().Translate("Hint('', -2)").Node->Calculate(kAlwaysStamp); }).join();
  QApplication::processEvents();
  EXPECT_EQ(form.findChild<QProgressBar*>(), nullptr);
}

}  // namespace
}  // namespace olv
