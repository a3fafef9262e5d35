// The main window's information page and tray under the offscreen platform: the page with its
// pictures, the timer picture animated by our painter, real clicks on the page's two links, the
// tray's hint and cycling, and the tray click that asks the password before showing the window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextList>
#include <QTimer>
#include <QTreeWidget>

#include "app/core/SchCommon.h"
#include "app/core/SchemeFile.h"
#include "app/core/SchemeObject.h"
#include "app/core/SchemeWrapper.h"
#include "app/gui/InformationPane.h"
#include "app/gui/PlanMain.h"
#include "app/gui/QtMainThread.h"
#include "app/gui/SchPwd.h"
#include "platform/Dialogs.h"
#include "platform/MainThread.h"
#include "tests/support/ScratchFolder.h"
#include "widgets/HeadlessTray.h"
#include "widgets/OlvTraybar.h"
#include "widgets/gif/AnimationClock.h"
#include "widgets/qt/QtPageAnimations.h"

namespace sch {
namespace {

class InformationWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterSchemeClasses();
    plat::SetDialogs(&boxes);
  }
  void TearDown() override {
    form.reset();
    plat::SetDialogs(nullptr);
  }
  // A file with a command scheme "timed" whose timer starts at load (no run times, so it never
  // runs) and one "plain" without a timer; password "pw" when asked.
  void Open(bool withTray = false, bool password = false, std::string pictureFolder = {}) {
    TSchemeWrapper w;
    TSchemeObject* timed = w.AddScheme("timed", skDosCommand);
    ASSERT_TRUE(timed);
    timed->AutoExec = true;
    w.AddScheme("plain", skDosCommand);
    if (password) {
      w.SetPassword("pw");
      w.CheckPwdForRestore = true;
    }
    SaveObjectToFile(dir / "orascheme.sch", &w, true);
    TSchMainForm::Options options;
    options.schemeFile = dir / "orascheme.sch";
    options.settingsFile = dir / "orascheme.ini";
    options.withTray = withTray;
    options.services.mainThread = &mainThread;
    options.pictureFolder = pictureFolder.empty() ? dir / "pictures" : pictureFolder;
    options.animationClock = &clock;
    form = std::make_unique<TSchMainForm>(std::move(options));
    form->resize(900, 640);
  }
  void Select(const std::string& name) {
    auto found = form->SchTree()->findItems(QString::fromStdString(name), Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1);
    form->SchTree()->setCurrentItem(found[0]);
  }
  // A real click on the picture inside the link to href.
  void ClickLink(const QString& href) {
    QTextBrowser* view = form->InformationView();
    QTextDocument* doc = view->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
      for (auto it = b.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        if (f.charFormat().anchorHref() != href) continue;
        QTextCursor cursor(doc);
        cursor.setPosition(f.position());
        const QRect caret = view->cursorRect(cursor);
        const QPoint at(caret.left() + 10, caret.bottom() - 10);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        return;
      }
    ADD_FAILURE() << "no link to " << href.toStdString();
  }

  testsupport::ScratchFolder dir;
  plat::ScriptedDialogs boxes;
  QtMainThread mainThread;
  olv::ManualAnimationClock clock;
  std::unique_ptr<TSchMainForm> form;
};

TEST_F(InformationWindow, ThePageShowsItsPicturesAndTheRunningTimerMoves) {
  Open();
  const PagePictures& pictures = form->Information().Pictures();
  const std::string hide = pictures.File("imgHide");
  ASSERT_FALSE(hide.empty());
  EXPECT_EQ(hide, dir / "pictures/imgHide.gif");
  const QString html = form->InformationView()->toHtml();
  EXPECT_TRUE(html.contains(QString::fromStdString(hide)));
  EXPECT_TRUE(html.contains("None plans are running"));
  EXPECT_FALSE(html.contains("Currently:"));

  // A scheme whose timer runs: the animated timer, frame after frame as the clock goes.
  Select("timed");
  const std::string timer = pictures.File("imgTimer");
  olv::QtPageAnimations& animations = form->Information().Animations();
  ASSERT_TRUE(animations.Playing(timer));
  EXPECT_TRUE(form->InformationView()->toPlainText().contains("Opened"));
  const QImage first = animations.Frame(timer);
  const int shown = animations.FramesShown();
  clock.Advance(300);
  EXPECT_GT(animations.FramesShown(), shown);
  EXPECT_NE(animations.Frame(timer), first);
  const QVariant resource = form->InformationView()->document()->resource(
      QTextDocument::ImageResource, QUrl(QString::fromStdString(timer)));
  EXPECT_EQ(resource.value<QImage>(), animations.Frame(timer));

  // Without a timer the picture stops, and no painter waits on the clock.
  Select("plain");
  EXPECT_FALSE(animations.Playing(timer));
  EXPECT_TRUE(form->InformationView()->toPlainText().contains("Do not time"));
  EXPECT_EQ(clock.Pending(), 0);

  // The pictures go with the window; their folder stays.
  form.reset();
  EXPECT_FALSE(std::filesystem::exists(hide));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "pictures"));
}

// Pictures that cannot be written (a full disk; here a file stands where their folder should be)
// are left out of the page, not shown broken, and the status bar says so once.
TEST_F(InformationWindow, PicturesThatCannotBeWrittenAreLeftOutAndSaidSo) {
  testsupport::WriteAll(dir / "blocked", "a file, not a folder");
  Open(false, false, dir / "blocked/pictures");
  EXPECT_NE(form->statusBar()->currentMessage().toStdString().find("could not be written"), std::string::npos)
      << form->statusBar()->currentMessage().toStdString();
  form->UpdateUI();
  const std::string page = form->Information().LastPage();
  EXPECT_EQ(page.find("<img"), std::string::npos) << page;
  EXPECT_NE(page.find("<a href=\"urlExit\">Exit</a>"), std::string::npos) << page;
}

TEST_F(InformationWindow, ThePageFillsTheViewWithoutScrollBarsAtEverySizeFromTheDefaultUp) {
  Open();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  QTextBrowser* view = form->InformationView();
  // As it comes up (the view's resizes are held back until then), laid out at the view's width.
  EXPECT_EQ(view->document()->textWidth(), view->viewport()->width());
  EXPECT_LE(view->document()->size().height(), view->viewport()->height());
  EXPECT_GE(view->document()->size().height(), view->viewport()->height() - 1);
  EXPECT_EQ(view->verticalScrollBar()->maximum(), 0);
  const QSize sizes[] = {{860, 600}, {1024, 768}, {1280, 1024}, {1920, 1080}};
  for (const char* selected : {"", "timed"}) {
    if (*selected) Select(selected);
    for (const QSize& size : sizes) {
      form->resize(size);
      QApplication::processEvents();
      const std::string at = std::to_string(size.width()) + "x" + std::to_string(size.height()) + " " + selected;
      const qreal page = view->document()->size().height();
      const int room = view->viewport()->height();
      EXPECT_LE(page, room) << at << ": the page is cut";
      EXPECT_GE(page, room - 1) << at << ": the table ends above the bottom";
      EXPECT_FALSE(view->verticalScrollBar()->isVisible()) << at;
      EXPECT_FALSE(view->horizontalScrollBar()->isVisible()) << at;
      EXPECT_TRUE(view->toPlainText().contains("tray icon brings it back")) << at << ": the footer shows";
    }
  }
  // Each feature line has one marker, the red ball: no list bullet beside it.
  const QString ball = QString::fromStdString(form->Information().Pictures().File("imgRedBall"));
  int balls = 0;
  for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next()) {
    EXPECT_EQ(b.textList(), nullptr) << b.text().toStdString();
    for (auto it = b.begin(); !it.atEnd(); ++it)
      if (it.fragment().charFormat().toImageFormat().name() == ball) ++balls;
  }
  EXPECT_EQ(balls, 5);
}

TEST_F(InformationWindow, TheWindowCarriesTheTraysIconAtRest) {
  Open();
  ASSERT_FALSE(form->windowIcon().isNull()) << "the skinned caption shows the window's icon";
  EXPECT_EQ(form->windowIcon().pixmap(16, 16).toImage().size(), QSize(16, 16));
}

TEST_F(InformationWindow, ClickingHideHidesTheWindowAndExitClosesIt) {
  Open();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  ClickLink("urlHide");
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(form->InformationView()->toPlainText().contains("None plans are running"));  // no navigation

  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  ClickLink("urlExit");
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(mainThread.shuttingDown());  // closed as the Exit command closes
}

TEST_F(InformationWindow, TheTrayCountsRunsAndCyclesItsIconsWhileAnyRuns) {
  auto timer = std::make_unique<olv::ManualTimer>();
  olv::ManualTimer* cycle = timer.get();
  olv::TTrayBar tray(std::make_unique<olv::HeadlessTrayHost>(), std::move(timer), nullptr);
  tray.SetIconList(TrayIcons());
  tray.SetCycleInterval(kTrayCycleInterval);
  ASSERT_EQ(tray.IconList()->Count(), 5);
  UpdateTray(tray, 0);
  EXPECT_EQ(tray.Hint(), "Wait for executing");
  EXPECT_FALSE(cycle->Running());
  UpdateTray(tray, 2);
  EXPECT_EQ(tray.Hint(), "2 plans are running");
  EXPECT_TRUE(cycle->Running());
  EXPECT_EQ(cycle->Interval(), 100u);
  cycle->Fire();
  cycle->Fire();
  EXPECT_EQ(tray.IconIndex(), 2);
  UpdateTray(tray, 1);
  EXPECT_EQ(tray.IconIndex(), 2);  // still cycling
  UpdateTray(tray, 0);
  EXPECT_FALSE(cycle->Running());
  EXPECT_EQ(tray.IconIndex(), 0);  // at rest
  EXPECT_EQ(tray.Icon(), TrayIcons()->GetIcon(0));
}

TEST_F(InformationWindow, ATrayClickShowsTheHiddenWindowOnlyWithThePassword) {
  Open(true, true);
  olv::TTrayBar* tray = form->TrayBar();
  ASSERT_TRUE(tray);
  EXPECT_EQ(tray->Hint(), "Wait for executing");
  form->hide();
  auto click = [&](const char* typed) {
    QTimer::singleShot(0, [typed] {
      auto* dialog = dynamic_cast<TSetupSchPwd*>(QApplication::activeModalWidget());
      if (!dialog) return;
      dialog->PasswordEdit()->setText(typed);
      dialog->accept();
      if (dialog->isVisible()) dialog->reject();  // a wrong password keeps it open
    });
    tray->HandleMouseMessage(olv::tmLButtonDown);
    tray->HandleMouseMessage(olv::tmLButtonUp);
  };
  click("wrong");
  EXPECT_FALSE(form->isVisible());
  click("pw");
  EXPECT_TRUE(form->isVisible());
}

}  // namespace
}  // namespace sch
