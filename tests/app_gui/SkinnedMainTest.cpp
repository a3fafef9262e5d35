// The main window comes up in the program's skin: the skin's frame and caption, and its controls
// drawn by the skin style.
#include "app/gui/PlanMain.h"
#include "tests/app_gui/MainFormTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

#include "app/gui/QtMainThread.h"
#include "platform/Dialogs.h"
#include "resources/EmbeddedSkin.h"
#include "skin/qt/QtSkinning.h"
#include "skin/qt/SkinStyle.h"
#include "skin/qt/WinSkinForm.h"
#include "tests/support/OurProbes.h"
#include "tests/support/ScratchFolder.h"

namespace sch {
namespace {

using K = skin::TSkinObjectKind;

int PictureAt(const QImage& image, int x, int y) {
  const QRgb c = image.pixel(x, y);
  const auto probe = skin::OurProbe(olv::MakeColor(static_cast<uint8_t>(qRed(c)), static_cast<uint8_t>(qGreen(c)),
                                                   static_cast<uint8_t>(qBlue(c))));
  return probe ? probe->picture : 0;
}

int Id(std::string_view section, std::string_view key) { return skinkit::OurPictureId(section, key).value(); }

class SkinnedMainTest : public ::testing::Test {
 protected:
  void SetUp() override { plat::SetDialogs(&boxes); }
  void TearDown() override { plat::SetDialogs(nullptr); }
  testsupport::ScratchFolder dir;
  plat::ScriptedDialogs boxes;
  QtMainThread mainThread;
};

TEST_F(SkinnedMainTest, MainWindowComesUpInTheSkin) {
  // As the program starts it: the skin first, then the window, prepared before it shows.
  skin::TQtSkinning skinning(resources::EmbeddedSkinPackage());
  TSchMainForm form(schtest::TestFormOptions(dir / "orascheme.sch", dir / "orascheme.ini", mainThread));
  skinning.PrepareForm(&form);
  form.show();
  QApplication::processEvents();

  skin::TWinSkinForm* skinned = skinning.FormOf(&form);
  ASSERT_NE(skinned, nullptr);
  EXPECT_TRUE(skinned->Framed());
  EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
  const QMargins margins = form.contentsMargins();
  EXPECT_GT(margins.top(), margins.left());  // the caption
  EXPECT_GT(margins.left(), 0);
  // The caption picture above its text, the side pictures, and the close button.
  const QImage& frame = skinned->FrameImage();
  EXPECT_EQ(frame.size(), form.size());
  EXPECT_EQ(PictureAt(frame, frame.width() / 2, 2), Id("Personality", "Top"));
  EXPECT_EQ(PictureAt(frame, 1, frame.height() / 2), Id("Personality", "Left"));
  EXPECT_EQ(PictureAt(frame, frame.width() - 2, frame.height() / 2), Id("Personality", "Right"));
  const olv::TRect close = skinned->ButtonRects().at(0);
  ASSERT_FALSE(close.IsEmpty());
  EXPECT_EQ(PictureAt(frame, close.Left + 1, close.Top + 4), Id("BUTTON0", "ButtonImage"));
  // The caption shows the window's title: without it, the caption's band is drawn otherwise.
  const QRect band(0, 0, close.Left, margins.top());
  const QImage titled = frame.copy(band);
  const QString title = form.windowTitle();
  form.setWindowTitle(QString());
  skinned->RenderFrame();
  EXPECT_NE(skinned->FrameImage().copy(band), titled);
  form.setWindowTitle(title);

  // Its controls: the skin style draws them, each as its kind.
  ASSERT_NE(dynamic_cast<skin::TSkinStyle*>(form.style()), nullptr);
  EXPECT_TRUE(skinning.SkinOf(form.menuBar()).menuBar);
  EXPECT_EQ(skinning.SkinOf(form.Pages()).kind, K::SkinTab);
  EXPECT_EQ(skinning.SkinOf(form.Pages()->tabBar()).kind, K::SkinTab);
  EXPECT_EQ(skinning.SkinOf(form.LogList()).kind, K::SkinListView);
  EXPECT_NE(skinning.SkinOf(form.SchTree()).kind, K::None);
  // The window's palette is the skin's, and the scheme tree shows the skin's frame.
  EXPECT_EQ(form.palette().color(QPalette::Window), QColor(226, 230, 236));
  const QImage tree = form.SchTree()->grab().toImage();
  EXPECT_EQ(tree.pixel(0, tree.height() / 2), QColor(128, 136, 148).rgb());  // "ButtonShadow"
}

}  // namespace
}  // namespace sch
