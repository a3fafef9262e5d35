#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QMenu>
#include <QPixmap>
#include <QTest>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "widgets/HeadlessTray.h"
#include "widgets/qt/QtIntervalTimer.h"
#include "widgets/qt/QtTrayHost.h"
#include "widgets/qt/QtTrayOwnerWindow.h"
#include "widgets/qt/QtTrayPopupMenu.h"

namespace olv {
namespace {

TIcon PngIcon(Qt::GlobalColor colour) {
  QPixmap pixmap(16, 16);
  pixmap.fill(colour);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  pixmap.save(&buffer, "PNG");
  return TIcon(std::vector<unsigned char>(bytes.begin(), bytes.end()));
}

// The session under test has no system tray (offscreen): the component must keep its state and
// must never lose the window.
class QtTrayNoTrayTest : public ::testing::Test {
 protected:
  QtTrayNoTrayTest() {
    window_.resize(200, 100);
    window_.show();
    bar_ = MakeQtTrayBar(&window_);
  }
  QWidget window_;
  std::unique_ptr<TTrayBar> bar_;
};

TEST_F(QtTrayNoTrayTest, KeepsItsStateAndNeverHidesTheWindow) {
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  bar_->SetShowHint(true);
  bar_->SetHint("Wait for executing");
  bar_->SetMinimizeToTray(true);
  EXPECT_FALSE(bar_->ShowIcon());
  EXPECT_TRUE(bar_->IconVisible());
  EXPECT_EQ(bar_->Hint(), "Wait for executing");

  window_.showMinimized();
  QApplication::processEvents();
  EXPECT_TRUE(window_.isVisible());
  EXPECT_FALSE(bar_->HideOwner());
  EXPECT_TRUE(window_.isVisible());

  bar_->ShowOwner();
  EXPECT_TRUE(window_.isVisible());
  EXPECT_FALSE(window_.isMinimized());
}

// A real window and a real timer with a notification area that is there.
class QtTrayTest : public ::testing::Test {
 protected:
  QtTrayTest() {
    window_.resize(200, 100);
    window_.show();
    auto host = std::make_unique<HeadlessTrayHost>(true);
    host_ = host.get();
    auto timer = std::make_unique<QtIntervalTimer>();
    timer_ = timer.get();
    bar_ = std::make_unique<TTrayBar>(std::move(host), std::move(timer),
                                      std::make_unique<QtTrayOwnerWindow>(&window_));
  }
  QWidget window_;
  HeadlessTrayHost* host_;
  QtIntervalTimer* timer_;
  std::unique_ptr<TTrayBar> bar_;
};

TEST_F(QtTrayTest, MinimisedWindowGoesToTheIconAndComesBack) {
  bar_->SetMinimizeToTray(true);
  window_.showMinimized();
  EXPECT_TRUE(window_.isVisible());  // hidden from the event loop, after the state change
  QApplication::processEvents();
  EXPECT_FALSE(window_.isVisible());
  EXPECT_TRUE(host_->Shown());

  bar_->ShowOwner();
  EXPECT_TRUE(window_.isVisible());
  EXPECT_FALSE(window_.isMinimized());
}

TEST_F(QtTrayTest, WindowRestoredBeforeTheLoopRunsStaysUp) {
  bar_->SetMinimizeToTray(true);
  window_.showMinimized();
  window_.showNormal();
  QApplication::processEvents();
  EXPECT_TRUE(window_.isVisible());
}

TEST_F(QtTrayTest, IconCyclesOnTheGuiThreadTimer) {
  auto list = std::make_shared<TImageList>();
  list->Add(PngIcon(Qt::red));
  list->Add(PngIcon(Qt::green));
  list->Add(PngIcon(Qt::blue));
  bar_->SetIconList(list);
  bar_->ShowIcon();
  std::vector<int> reported;
  bar_->OnCycle = [&](TTrayBar&, int next) { reported.push_back(next); };

  bar_->SetCycleIcons(true);  // no interval yet: a zero interval must not spin
  EXPECT_FALSE(timer_->Running());
  bar_->SetCycleInterval(5);
  EXPECT_TRUE(timer_->Running());
  ASSERT_TRUE(QTest::qWaitFor([&] { return reported.size() >= 4; }, 10000));
  bar_->SetCycleIcons(false);
  EXPECT_FALSE(timer_->Running());
  reported.resize(4);
  EXPECT_EQ(reported, (std::vector<int>{1, 2, 0, 1}));
}

// The desktop's activations, told to the component as button messages.
class QtTrayActivationTest : public ::testing::Test {
 protected:
  QtTrayActivationTest() {
    auto host = std::make_unique<QtTrayHost>();
    host_ = host.get();
    bar_ = std::make_unique<TTrayBar>(std::move(host), std::make_unique<QtIntervalTimer>(), nullptr);
    bar_->OnClick = [this](TTrayBar&) { log_.push_back("click"); };
    bar_->OnDblClick = [this](TTrayBar&) { log_.push_back("dblclick"); };
    bar_->OnMouseDown = [this](TTrayBar&, TMouseButton b, TShiftState, int, int) {
      log_.push_back(std::string("down") + Name(b));
    };
    bar_->OnMouseUp = [this](TTrayBar&, TMouseButton b, TShiftState, int, int) {
      log_.push_back(std::string("up") + Name(b));
    };
  }
  static const char* Name(TMouseButton b) {
    return b == TMouseButton::mbLeft ? "L" : b == TMouseButton::mbRight ? "R" : "M";
  }
  void Activate(QSystemTrayIcon::ActivationReason reason) { emit host_->TrayIcon()->activated(reason); }

  QtTrayHost* host_;
  std::unique_ptr<TTrayBar> bar_;
  std::vector<std::string> log_;
};

TEST_F(QtTrayActivationTest, ClicksBecomeTheButtonMessagesTheyStandFor) {
  Activate(QSystemTrayIcon::Trigger);
  Activate(QSystemTrayIcon::DoubleClick);
  Activate(QSystemTrayIcon::MiddleClick);
  Activate(QSystemTrayIcon::Unknown);
  EXPECT_EQ(log_, (std::vector<std::string>{"downL", "click", "upL", "dblclick", "upL", "downM", "upM"}));
}

TEST_F(QtTrayActivationTest, RightClickOpensTheMenuAndDoubleClickTriggersItsDefault) {
  QMenu menu;
  QAction* show = menu.addAction("Show");
  menu.addAction("Exit");
  menu.setDefaultAction(show);
  int shown = 0;
  QObject::connect(show, &QAction::triggered, [&] { ++shown; });
  QtTrayPopupMenu popup(&menu);
  bar_->SetPopupMenu(&popup);

  Activate(QSystemTrayIcon::Context);
  EXPECT_TRUE(menu.isVisible());
  menu.close();
  EXPECT_EQ(log_, (std::vector<std::string>{"downR", "upR"}));

  Activate(QSystemTrayIcon::DoubleClick);
  EXPECT_EQ(shown, 1);
  show->setEnabled(false);  // a disabled default item is not clicked
  Activate(QSystemTrayIcon::DoubleClick);
  EXPECT_EQ(shown, 1);
}

TEST_F(QtTrayActivationTest, MenuDeletedBeforeItIsDetachedIsNeverOpened) {
  auto menu = std::make_unique<QMenu>();
  menu->setDefaultAction(menu->addAction("Show"));
  QtTrayPopupMenu popup(menu.get());
  bar_->SetPopupMenu(&popup);
  menu.reset();
  EXPECT_FALSE(popup.AutoPopup());
  Activate(QSystemTrayIcon::Context);
  Activate(QSystemTrayIcon::DoubleClick);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(QtTrayActivationTest, HandlerMayEndTheComponent) {
  QSystemTrayIcon* icon = host_->TrayIcon();
  bar_->OnDblClick = [this](TTrayBar&) { bar_.reset(); };
  emit icon->activated(QSystemTrayIcon::DoubleClick);  // the release is not delivered to a dead component
  EXPECT_EQ(bar_, nullptr);
}

TEST_F(QtTrayActivationTest, TipAndPictureAreKeptOnTheIconWithoutATray) {
  const TIcon red = PngIcon(Qt::red);
  bar_->SetShowHint(true);
  bar_->SetHint("2 plans are running");
  bar_->SetIcon(red);
  bar_->ShowIcon();
  EXPECT_EQ(host_->TrayIcon()->toolTip(), "2 plans are running");
  const QImage image = host_->TrayIcon()->icon().pixmap(16, 16).toImage();
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.pixelColor(8, 8), QColor(Qt::red));
}

}  // namespace
}  // namespace olv
