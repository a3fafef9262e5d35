#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>

#include "foundation/files/Folders.h"
#include "platform/Dialogs.h"
#include "resources/EmbeddedSkin.h"
#include "skin/SkinData.h"
#include "skin/SkinReader.h"
#include "skin/qt/QtSkinning.h"
#include "skin/qt/QtSystemColors.h"
#include "skin/qt/SkinQImage.h"
#include "tools/skinkit/LzhEncoder.h"
#include "tools/skinkit/OurSkin.h"
#include "tools/skinkit/PackageWriter.h"
#include "tools/skinkit/ProbePicture.h"
#include "tests/support/OurProbes.h"

namespace skin {
namespace {

TEST(SkinQtTest, AbsentSkinColoursComeFromTheDesktopPalette) {
  QPalette palette;
  palette.setColor(QPalette::Button, QColor(1, 2, 3));
  palette.setColor(QPalette::ButtonText, QColor(4, 5, 6));
  palette.setColor(QPalette::Inactive, QPalette::WindowText, QColor(7, 8, 9));
  const QtSystemColors colors(palette);
  SetSystemColors(&colors);

  TSkinData data;
  const std::string ini = "[Colours]\nHilight=10 20 30\n";
  ASSERT_TRUE(data.SetPackage(skinkit::BuildPackage({{"s.ini", std::vector<uint8_t>(ini.begin(), ini.end())}})));
  SetSystemColors(nullptr);

  EXPECT_EQ(data.Colors().ButtonFace, olv::MakeColor(1, 2, 3));
  EXPECT_EQ(data.Colors().Menubar, olv::MakeColor(1, 2, 3));
  EXPECT_EQ(data.Colors().ButtonText, olv::MakeColor(4, 5, 6));
  EXPECT_EQ(data.Colors().TitleTextNoActive, olv::MakeColor(7, 8, 9));
  EXPECT_EQ(data.Colors().Hilight, olv::MakeColor(10, 20, 30));
  // A number the palette has no colour for falls back to the classic scheme.
  EXPECT_EQ(colors.Color(99), TSystemColors().Color(99));
  EXPECT_EQ(QtSystemColors().Color(COLOR_BTNFACE),
            olv::MakeColor(static_cast<uint8_t>(QApplication::palette().color(QPalette::Button).red()),
                           static_cast<uint8_t>(QApplication::palette().color(QPalette::Button).green()),
                           static_cast<uint8_t>(QApplication::palette().color(QPalette::Button).blue())));
}

TEST(SkinQtTest, TheWindowSideTellsTheUserOfARefusedSkinOnce) {
  plat::ScriptedDialogs boxes;
  plat::SetDialogs(&boxes);
  const std::vector<uint8_t> old = skinkit::LzhEncode(skinkit::BuildContainer({{"s.ini", {'[', 'a', ']'}}}, 19999));
  {
    TQtSkinning skinning(old);
    const auto shown = boxes.Log();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, olv::GetProgramName());
    EXPECT_EQ(shown[0].text, "This is Older Skin File\rPlease update to new version !");
    EXPECT_EQ(shown[0].flags, plat::MB_OK);
  }
  boxes.Clear();
  { TQtSkinning skinning(resources::EmbeddedSkinPackage()); }
  EXPECT_TRUE(boxes.Log().empty()) << "a good skin is taken up without a word";
  plat::SetDialogs(nullptr);
}

TEST(SkinQtTest, SkinPicturesReachQtPixelForPixel) {
  TSkinData data;
  const auto package = resources::EmbeddedSkinPackage();
  ASSERT_TRUE(data.SetPackage(std::vector<uint8_t>(package.begin(), package.end())));
  const olv::TBitmap& top = data.Top().Bitmap;
  const QImage image = ToQImage(top);
  ASSERT_EQ(image.width(), top.Width());
  ASSERT_EQ(image.height(), top.Height());
  // Frame 1's left slice at the top, frame 2's middle further down (the frames are stacked).
  const int id = skinkit::OurPictureId("Personality", "Top").value();
  const auto at = [&](int x, int y) { return OurProbe(olv::MakeColor(qRed(image.pixel(x, y)), qGreen(image.pixel(x, y)), qBlue(image.pixel(x, y)))); };
  EXPECT_EQ(at(1, 0), (skinkit::Probe{id, 1, 3}));
  EXPECT_EQ(at(30, 30), (skinkit::Probe{id, 2, 4}));
  EXPECT_EQ(FromQImage(image), top);
  EXPECT_TRUE(ToQImage(olv::TBitmap()).isNull());
}

}  // namespace
}  // namespace skin
