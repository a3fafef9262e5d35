#include "skin/SkinData.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/skin/DialogsFixture.h"
#include "tests/support/OurProbes.h"
#include "resources/EmbeddedSkin.h"
#include "skin/ColourText.h"
#include "skin/SkinDraw.h"
#include "skin/SystemColors.h"
#include "tools/skinkit/LzhEncoder.h"
#include "tools/skinkit/OurSkin.h"
#include "tools/skinkit/PackageWriter.h"
#include "tools/skinkit/ProbePicture.h"
#include "widgets/gfx/BmpFile.h"
#include "tests/support/ScopedEnv.h"

namespace skin {
namespace {

using Bytes = std::vector<uint8_t>;
using olv::MakeColor;
using olv::TBitmap;
using skinkit::PackageFile;
using skinkit::Probe;

Bytes Of(const std::string& s) { return Bytes(s.begin(), s.end()); }

int Id(std::string_view section, std::string_view key) { return skinkit::OurPictureId(section, key).value(); }

Bytes Bmp(int w, int h) {
  TBitmap b(w, h, olv::TPixelFormat::pf24bit);
  b.Fill(MakeColor(1, 2, 3));
  return olv::WriteBmp(b);
}

using SkinDataTest = DialogsFixture;

TEST_F(SkinDataTest, OurSkinLoadsIntoTheWholeModel) {
  TSkinData data;
  EXPECT_TRUE(data.Empty());
  const auto package = resources::EmbeddedSkinPackage();
  ASSERT_TRUE(data.SetPackage(Bytes(package.begin(), package.end())));
  EXPECT_FALSE(data.Empty());
  EXPECT_TRUE(dialogs_.Log().empty());
  EXPECT_EQ(data.SkinName(), "Orascheme Slate");

  EXPECT_EQ(data.Colors().ButtonFace, MakeColor(226, 230, 236));
  EXPECT_EQ(data.Colors().TitleTextNoActive, MakeColor(52, 60, 74));
  EXPECT_EQ(data.BrushColour(), data.Colors().ButtonFace);
  // Colour0..Colour3 in file order; "Colours" is none of them.
  EXPECT_EQ(data.ColourTable(), (std::vector<olv::TColor>{MakeColor(47, 84, 130), MakeColor(90, 130, 60),
                                                          MakeColor(170, 60, 50), MakeColor(200, 150, 40)}));

  // Every object of the table exists, with the frame count its painters expect; its last pixel is
  // in the last frame of its own picture.
  for (const TSkinSection& s : SkinSections()) {
    SCOPED_TRACE(s.section);
    const TDataSkinObject* o = data.Object(s.role);
    ASSERT_NE(o, nullptr);
    const std::string_view key = s.shape == TSectionShape::Progress ? "Bitmap"
                                 : s.shape == TSectionShape::MenuBar ? "menuBar"
                                                                     : "Image";
    const skinkit::OurPicture& p = skinkit::OurPictures()[Id(s.section, key) - 1];
    EXPECT_EQ(o->FrameCount(), p.frames);
    // The last pixel that is not transparent.
    std::optional<Probe> last;
    for (int i = o->Bitmap.Width() * o->Bitmap.Height() - 1; i >= 0 && !last; --i)
      last = OurProbe(o->Bitmap.Pixel(i % o->Bitmap.Width(), i / o->Bitmap.Width()));
    ASSERT_TRUE(last);
    EXPECT_EQ(last->picture, p.id);
    EXPECT_EQ(last->frame, p.frames);
    // Every pixel says which picture it belongs to: no colour is shared with another one.
    int foreign = 0;
    for (int y = 0; y < o->Bitmap.Height(); ++y)
      for (int x = 0; x < o->Bitmap.Width(); ++x) {
        const olv::TColor c = o->Bitmap.Pixel(x, y);
        if (c != olv::kClMagenta && (!OurProbe(c) || OurProbe(c)->picture != p.id)) ++foreign;
      }
    EXPECT_EQ(foreign, 0);
  }
  // The menu bar's key is spelt "MenuBar" in our INI: keys ignore case.
  const TDataSkinObject& bar = *data.Object(TSkinRole::MenuBar);
  EXPECT_EQ(bar.Name, "Personality");
  EXPECT_EQ(bar.LeftWidth, 4);
  EXPECT_EQ(bar.TopHeight, 0);
  // A value with folders finds the package file by its name.
  EXPECT_EQ(OurProbe(data.Right().Bitmap.Pixel(1, 20)), (Probe{Id("Personality", "Right"), 1, 4}));
  EXPECT_EQ(data.Right().Tile, 0);
  EXPECT_EQ(data.Top().LeftWidth, 8);
  EXPECT_EQ(data.Top().TopHeight, 0);
  EXPECT_EQ(data.Left().TopHeight, 10);
  EXPECT_EQ(data.Bottom().Trans, 0);
  // A Tile above 1 is stored as 0.
  EXPECT_EQ(data.Object(TSkinRole::Headerbar)->Tile, 0);
  EXPECT_EQ(data.Object(TSkinRole::MenuBackground)->Tile, 1);
  // Second pictures: the tab border, the up-down glyphs, the progress chunk, the mirrored combo button.
  EXPECT_EQ(OurProbe(data.Border(TSkinRole::Tabs)->Bitmap2.Pixel(0, 0)), (Probe{Id("Tabs", "Border"), 1, 4}));
  EXPECT_FALSE(data.Border(TSkinRole::UpDownVert)->Bitmap2.Empty());
  EXPECT_FALSE(data.Border(TSkinRole::Progress)->Bitmap2.Empty());
  EXPECT_EQ(OurProbe(data.Border(TSkinRole::ComboButton)->Bitmap2.Pixel(0, 0)),
            (Probe{Id("ComboButton", "Image"), 4, 2}));
  EXPECT_EQ(data.Object(TSkinRole::StatusBarEdges)->NormalColour2, MakeColor(20, 24, 32));
  EXPECT_EQ(data.Object(TSkinRole::SunkEdge)->NormalColour, -1);

  const TDataSkinButton& buttons = data.Buttons();
  EXPECT_EQ(buttons.FrameCount(), 5);
  EXPECT_EQ(buttons.CheckFrameCount, 4);  // 52 x 13
  EXPECT_EQ(buttons.RadioFrameCount, 6);  // 96 x 16
  EXPECT_EQ(buttons.MouseOverColour2, MakeColor(47, 84, 130));
  EXPECT_EQ(data.Title().FrameCount(), 2);
  EXPECT_EQ(data.Title().LeftWidth, 24);
  EXPECT_EQ(data.Title().RightWidth, 70);
  EXPECT_EQ(data.Title().FontHeight, 14);
  EXPECT_EQ(data.Title().ActiveTextColour, olv::kClWhite);
  EXPECT_EQ(data.Title().InactiveTextColour, MakeColor(52, 60, 74));

  // BUTTON0..4, not Button.Checkbox, then the maximised MDI child's three.
  const auto& sys = data.SysButtons();
  ASSERT_EQ(sys.size(), 8u);
  EXPECT_EQ(sys[0]->Name, "BUTTON0");
  EXPECT_EQ(sys[0]->CombineOp, -1);
  EXPECT_EQ(sys[0]->FrameCount(), 4);
  EXPECT_EQ(sys[1]->CombineOp, -1);  // the default
  EXPECT_EQ(sys[2]->FrameCount(), 4);
  EXPECT_TRUE(sys[3]->Bitmap.Empty());  // the system menu button shows the window's icon
  for (int k = 0; k < 3; ++k) {
    const TDataSkinSysButton& mdi = *sys[5 + k];
    EXPECT_EQ(mdi.Name, "BUTTON4");
    EXPECT_EQ(mdi.Action, 7 + k);
    EXPECT_EQ(mdi.Visibility, 100);
    EXPECT_EQ(mdi.FrameCount(), 4);
    EXPECT_EQ(mdi.Xcoord, (3 - k) * (12 + 4));
    ASSERT_EQ(mdi.Bitmap.Width(), 48);
    EXPECT_EQ(OurProbe(mdi.Bitmap.Pixel(6, 6)), (Probe{Id("MDICONTROLS", "Image"), 4 * k + 1, 4}));
  }
}

TEST_F(SkinDataTest, PainterProbesShowTheFrameAndSliceDrawn) {
  TSkinData data;
  const auto package = resources::EmbeddedSkinPackage();
  ASSERT_TRUE(data.SetPackage(Bytes(package.begin(), package.end())));
  // A push button, hot (frame 4), 60 x 24, transparent like the skin says.
  const TDataSkinButton& b = data.Buttons();
  TBitmap target(80, 40);
  target.Fill(olv::kClWhite);
  olv::TCanvas canvas(target);
  DrawSkinImage(canvas, {10, 10, 70, 34}, b.Bitmap, false, b.Tile == 1, b.Trans == 1, b.FrameCount(), 4, b.Margins());
  const int id = Id("Buttons", "Bitmap");
  EXPECT_EQ(target.Pixel(10, 10), olv::kClWhite);  // the frame's magenta corner
  EXPECT_EQ(OurProbe(target.Pixel(11, 10)), (Probe{id, 4, 0}));
  EXPECT_EQ(OurProbe(target.Pixel(40, 11)), (Probe{id, 4, 1}));
  EXPECT_EQ(OurProbe(target.Pixel(40, 20)), (Probe{id, 4, 4}));
  EXPECT_EQ(OurProbe(target.Pixel(68, 33)), (Probe{id, 4, 8}));
  EXPECT_EQ(target.Pixel(69, 33), olv::kClWhite);
  // The menu bar: frames stacked, the inactive one (2) as a bar with its middle repeated.
  const TDataSkinObject& bar = *data.Object(TSkinRole::MenuBar);
  DrawSkinBar(canvas, {0, 0, 80, 10}, bar.Bitmap, true, false, bar.FrameCount(), 2, bar.Margins());
  // Its margins are left and right only: the left, centre and right slices of the middle row.
  EXPECT_EQ(OurProbe(target.Pixel(0, 0)), (Probe{Id("Personality", "menuBar"), 2, 3}));
  EXPECT_EQ(OurProbe(target.Pixel(40, 5)), (Probe{Id("Personality", "menuBar"), 2, 4}));
  EXPECT_EQ(OurProbe(target.Pixel(79, 9)), (Probe{Id("Personality", "menuBar"), 2, 5}));
}

// A skin package of an INI and its files.
Bytes Package(const std::string& ini, std::vector<PackageFile> files = {}, const std::string& iniName = "s.ini") {
  files.insert(files.begin(), PackageFile{iniName, Of(ini)});
  return skinkit::BuildPackage(files);
}

TEST_F(SkinDataTest, IniRulesForFramesPicturesAndColours) {
  const std::string ini =
      "[BUTTON1]\nButtonImage=wide.bmp\n"
      "[BUTTON0]\nButtonImage=narrow.bmp\nAction=-1\n"
      "[button4]\nButtonImage=narrow.bmp\n"
      "[Buttons]\nCheckButton=c:\\skins\\checkbox.bmp\nRadioButton=radio.BMP\nCheckButtonFrame=-3\n"
      "NormalColour2=59 97 131\nMouseOverColour2=59,97,131\nPressedColour2=59 97\n"
      "[Personality]\nLeft=left.bmp\nLeftFrame=0\nRightFrame=-2\nTop=top.tga\n"
      "[Tabs]\nImage=tabs.bmp\n"
      "[HorzScrollThumb]\nImage=tabs.bmp\nFrameCount=0\n"
      "[ExtraImages]\nImage=\n";
  TSkinData data;
  ASSERT_TRUE(data.SetPackage(Package(ini, {{"wide.bmp", Bmp(72, 18)},
                                            {"narrow.bmp", Bmp(54, 18)},
                                            {"checkbox.bmp", Bmp(52, 13)},
                                            {"radio.bmp", Bmp(96, 16)},
                                            {"left.bmp", Bmp(8, 8)},
                                            {"top.tga", Bmp(8, 8)},
                                            {"tabs.bmp", Bmp(10, 10)}})));
  const auto& sys = data.SysButtons();
  ASSERT_EQ(sys.size(), 6u);
  EXPECT_EQ(sys[0]->FrameCount(), 6);  // 72 x 18: ratio 4.0
  EXPECT_EQ(sys[1]->FrameCount(), 6);  // 54 x 18, but a negative action
  EXPECT_EQ(sys[2]->Name, "BUTTON4");
  EXPECT_EQ(sys[2]->FrameCount(), 3);  // 54 x 18: ratio 3.0
  EXPECT_TRUE(sys[3]->Bitmap.Empty());  // no MDICONTROLS picture

  const TDataSkinButton& b = data.Buttons();
  EXPECT_EQ(b.CheckBitmap.Width(), 52);  // folder part ignored
  EXPECT_TRUE(b.RadioBitmap.Empty());    // ".BMP" is not ".bmp"
  EXPECT_EQ(b.CheckFrameCount, 1);
  EXPECT_EQ(b.RadioFrameCount, 4);  // no picture: at least 4
  EXPECT_EQ(b.NormalColour2, MakeColor(59, 97, 131));
  EXPECT_EQ(b.MouseOverColour2, MakeColor(59, 97, 131));
  EXPECT_EQ(b.PressedColour2, MakeColor(59, 0, 0));
  // Frame counts of 0 or less count as 1.
  EXPECT_EQ(data.Left().FrameCount(), 1);
  EXPECT_EQ(data.Right().FrameCount(), 1);
  EXPECT_EQ(data.Object(TSkinRole::HorzScrollThumb)->FrameCount(), 1);
  EXPECT_TRUE(data.Top().Bitmap.Empty());  // only ".bmp" pictures are read
  EXPECT_EQ(data.Left().Bitmap.Width(), 8);
  EXPECT_EQ(data.Border(TSkinRole::Tabs)->FrameCount(), 5);
  EXPECT_TRUE(data.Border(TSkinRole::Tabs)->Bitmap2.Empty());
  EXPECT_EQ(data.Object(TSkinRole::ExtraImages), nullptr);
  EXPECT_EQ(data.Object(TSkinRole::MenuBar), nullptr);
  // Absent colours take the desktop's.
  EXPECT_EQ(data.Colors().ButtonFace, SysColor(COLOR_BTNFACE));
  EXPECT_EQ(data.Colors().Menubar, data.Colors().ButtonFace);
  EXPECT_EQ(data.Title().ActiveTextColour, olv::kClNone);
  EXPECT_EQ(data.Title().FontHeight, 14);
}

TEST(ColourTextTest, NumbersFillRedGreenBlueAsTheSkinsWriteThem) {
  struct Row {
    const char* text;
    std::optional<olv::TColor> colour;
  };
  const Row rows[] = {
      {"59 97 131", MakeColor(59, 97, 131)}, {" 59,97,131 ", MakeColor(59, 97, 131)},
      {"59 97", MakeColor(59, 0, 0)},        {"7", MakeColor(0, 0, 0)},
      {"1 2 3 4", MakeColor(1, 2, 3)},       {"1 2 3 4 ", MakeColor(1, 2, 3)},
      {"256 257 511", MakeColor(0, 1, 255)}, {"rgb(10;20;30)", MakeColor(10, 20, 30)},
      {"x", MakeColor(0, 0, 0)},             {"   ", std::nullopt},
      {"", std::nullopt},
  };
  for (const Row& r : rows) EXPECT_EQ(ParseColourText(r.text), r.colour) << '"' << r.text << '"';
}

// A package where the INI is fine but something else is damaged; the load must not fail with it.
TEST_F(SkinDataTest, DamagedBitmapsBecomeEmptyAndTheRestLoads) {
  Bytes badHeader = Bmp(4, 4);
  badHeader[10] = 0xFF;  // pixel data offset past the end
  Bytes huge = Bmp(4, 4);
  huge[18] = 0x20, huge[19] = 0x4E;  // claims 20,000 pixels wide
  Bytes truncated = Bmp(16, 16);
  truncated.resize(100);
  const std::string ini =
      "[Personality]\nLeft=bad.bmp\nRight=huge.bmp\nTop=cut.bmp\nBottom=fine.bmp\n"
      "[Colours]\nButtonFace=1 2 3\n";
  TSkinData data;
  ASSERT_TRUE(data.SetPackage(Package(ini, {{"bad.bmp", badHeader},
                                            {"huge.bmp", huge},
                                            {"cut.bmp", truncated},
                                            {"fine.bmp", Bmp(6, 2)}})));
  EXPECT_TRUE(data.Left().Bitmap.Empty());
  EXPECT_TRUE(data.Right().Bitmap.Empty());
  EXPECT_TRUE(data.Top().Bitmap.Empty());
  EXPECT_EQ(data.Bottom().Bitmap.Width(), 6);
  EXPECT_EQ(data.Bottom().Bitmap.PixelFormat(), olv::TPixelFormat::pf32bit);
  EXPECT_EQ(data.Colors().ButtonFace, MakeColor(1, 2, 3));
  EXPECT_TRUE(LoadSkinBitmap({}).Empty());
}

TEST_F(SkinDataTest, RefusedPackagesLeaveTheComponentEmpty) {
  struct Case {
    const char* name;
    std::function<Bytes()> package;
    bool refused;  // the reader refused it (no INI is no refusal)
  };
  const Case cases[] = {
      {"no INI", [] { return skinkit::BuildPackage({{"a.bmp", Bmp(2, 2)}}); }, false},
      {"version 19999",
       [] { return skinkit::LzhEncode(skinkit::BuildContainer({{"s.ini", Of("[a]\n")}}, 19999)); }, true},
      {"truncated",
       [] {
         Bytes p = Package("[TitlebarSkin]\nSkinName=x\n");
         p.resize(p.size() - 3);
         return p;
       },
       true},
      {"empty", [] { return Bytes{}; }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs_.Clear();
    TSkinData data;
    int refusals = 0;
    data.OnPackageRefused = [&](TSkinData& sender) {
      EXPECT_EQ(&sender, &data);
      ++refusals;
    };
    EXPECT_FALSE(data.SetPackage(c.package()));
    EXPECT_TRUE(data.Empty());
    EXPECT_EQ(refusals, c.refused ? 1 : 0);
    // A good skin after a refused one loads, and a refused one after it empties the component.
    ASSERT_TRUE(data.SetPackage(Package("[TitlebarSkin]\nSkinName=x\n")));
    EXPECT_FALSE(data.Empty());
    EXPECT_FALSE(data.SetPackage(c.package()));
    EXPECT_TRUE(data.Empty());
    EXPECT_EQ(refusals, c.refused ? 2 : 0);
    // The component reports; showing it is the window side's business.
    EXPECT_TRUE(dialogs_.Log().empty());
  }
}

TEST_F(SkinDataTest, TheIniIsReadFromMemoryWhateverThePackageCallsIt) {
  const std::filesystem::path tmp = std::filesystem::path(::testing::TempDir()) / "skin_ini_memory";
  std::filesystem::remove_all(tmp);
  std::filesystem::create_directories(tmp / "sub");
  testsupport::ScopedEnv env;
  env.Set("TMPDIR", (tmp / "sub").string());
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(tmp / "sub");

  TSkinData data;
  const bool loaded = data.SetPackage(Package("[TitlebarSkin]\nSkinName=escaped\n", {}, "../x.ini"));

  std::filesystem::current_path(cwd);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(data.SkinName(), "escaped");
  EXPECT_TRUE(std::filesystem::is_empty(tmp / "sub"));
  EXPECT_FALSE(std::filesystem::exists(tmp / "x.ini"));
  std::filesystem::remove_all(tmp);
}

TEST_F(SkinDataTest, TheStoredStreamIsACountAndThePackage) {
  const Bytes package = Package("[TitlebarSkin]\nSkinName=stored\n");
  Bytes stored;
  skinkit::PutLE32(stored, static_cast<uint32_t>(package.size()));
  stored.insert(stored.end(), package.begin(), package.end());

  TSkinData data;
  ASSERT_TRUE(data.ReadSkinStream(stored));
  EXPECT_EQ(data.SkinName(), "stored");
  EXPECT_EQ(data.WriteSkinStream(), stored);

  // A count below 1 changes nothing; a count past the bytes stores nothing.
  EXPECT_FALSE(data.ReadSkinStream(Bytes{0, 0, 0, 0}));
  EXPECT_FALSE(data.ReadSkinStream(Bytes{0xFF, 0xFF, 0xFF, 0xFF, 1}));
  Bytes cut = stored;
  cut.pop_back();
  EXPECT_FALSE(data.ReadSkinStream(cut));
  EXPECT_EQ(data.WriteSkinStream(), stored);
  EXPECT_FALSE(data.Empty());
}

TEST_F(SkinDataTest, SkinFilesReplaceTheStoredPackage) {
  const std::string path = ::testing::TempDir() + "skin_data_test.skn";
  const Bytes package = Package("[TitlebarSkin]\nSkinName=from file\n");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(package.data()),
                                              static_cast<std::streamsize>(package.size()));
  TSkinData data;
  EXPECT_TRUE(data.SetSkinFile(path));
  EXPECT_EQ(data.SkinFile(), path);
  EXPECT_EQ(data.SkinName(), "from file");
  EXPECT_EQ(data.Package(), package);
  std::filesystem::remove(path);
  EXPECT_FALSE(data.SetSkinFile(path));
  EXPECT_TRUE(data.Empty());
  EXPECT_EQ(data.SkinStore(), "(none)");
}

TEST_F(SkinDataTest, SettingsDefaultsAndTheWindowClassRule) {
  TSkinData data;
  EXPECT_FALSE(data.Active());
  EXPECT_EQ(data.DisableTag, 99);
  EXPECT_TRUE(data.SkinControls.Has(xcSystemMenu));
  EXPECT_FALSE(data.SkinControls.Has(xcFastReport));
  EXPECT_EQ(data.Skin3rd.size(), 95u);
  EXPECT_EQ(data.SkinFormtype, TSkinFormType::sfMainform);
  EXPECT_TRUE(data.MenuUpdate);
  EXPECT_EQ(data.MenuGlyphs().Width(), 64);
  EXPECT_EQ(data.MenuGlyphs().Height(), 16);

  const auto decide = [&](const std::string& cls) {
    bool doSkin = true;
    data.DoFormSkin(cls, doSkin);
    return doSkin;
  };
  EXPECT_FALSE(decide("SysMonthCal32"));
  EXPECT_TRUE(decide("TfrPreviewForm"));
  data.SkinControls.Add(xcFastReport);
  EXPECT_FALSE(decide("TfrPreviewForm"));
  EXPECT_TRUE(decide("TMainForm"));
  data.OnFormSkin = [](TSkinData&, const std::string& cls, bool& doSkin) { doSkin = cls == "SysMonthCal32"; };
  EXPECT_TRUE(decide("SysMonthCal32"));
  EXPECT_FALSE(decide("TMainForm"));

  int changed = 0;
  data.DoSkinChanged();
  data.OnSkinChanged = [&](TSkinData& sender) { changed += &sender == &data; };
  data.DoSkinChanged();
  EXPECT_EQ(changed, 1);
}

}  // namespace
}  // namespace skin
