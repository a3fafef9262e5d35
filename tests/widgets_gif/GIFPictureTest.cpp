// The picture class: frame 0 as a bitmap, size changes, copies, frames added, the file formats of
// the picture classes, and a load that fails part way.
#include <gtest/gtest.h>

#include "GifAnimations.h"
#include "widgets/gif/GIFException.h"
#include "widgets/gif/GraphicFormats.h"

namespace olv {
namespace {

using giftest::Solid;

const std::vector<TColor> kColors = {MakeColor(255, 0, 0), MakeColor(0, 255, 0), MakeColor(0, 0, 255), kClWhite};

TEST(GIFPictureTest, DefaultsAreThoseOfTheLibrary) {
  TGIFImage image;
  EXPECT_EQ(image.DrawOptions, 0x060F);
  EXPECT_EQ(image.DrawOptions, goDrawInThread | goDrawTransparent | goDrawAnimated | goDrawLooped | goDitherColors |
                                   goDitherOnPaletteDevice);
  EXPECT_EQ(image.ColorReduction, 6);
  EXPECT_EQ(image.ReductionBits(), 8);
  EXPECT_EQ(image.DitherMode, 0);
  EXPECT_EQ(image.Compression, 0);
  EXPECT_EQ(image.AnimationSpeed, 100);
  EXPECT_EQ(image.BackgroundColor, kClNone);
  EXPECT_FALSE(TGIFImage::OptimizeOnWrite);
  EXPECT_FALSE(TGIFImage::DecodeOnLoad);
}

TEST(GIFPictureTest, GetBitmapGivesFrameZeroAtItsOwnPlace) {
  TGIFImage empty;
  EXPECT_EQ(empty.GetBitmap(), nullptr);

  // Frame 0 smaller than the screen: drawn at its offset into a bitmap of the screen's size.
  auto image = giftest::MakeAnimation(6, 5, kColors, {Solid(2, 1, 3, 2, 1, 1, 5), Solid(0, 0, 6, 5, 2, 1, 5)});
  const TBitmap* b = image->GetBitmap();
  ASSERT_TRUE(b);
  EXPECT_EQ(b->Width(), 6);
  EXPECT_EQ(b->Height(), 5);
  EXPECT_EQ(b->Pixel(2, 1), kColors[1]);
  EXPECT_EQ(b->Pixel(4, 2), kColors[1]);
  EXPECT_NE(b->Pixel(1, 1), kColors[1]);
  EXPECT_NE(b->Pixel(5, 3), kColors[1]);
  EXPECT_EQ(image->GetBitmap(), b);  // cached

  TBitmap copy;
  image->AssignTo(copy);
  EXPECT_EQ(copy, *b);
}

TEST(GIFPictureTest, SizeBelowAFrameIsRefusedAndLeavesTheSize) {
  auto image = giftest::MakeAnimation(6, 5, kColors, {Solid(2, 1, 3, 2, 1, 1, 5)});
  int changes = 0;
  image->OnChange = [&](TGIFImage&) { ++changes; };
  try {
    image->SetWidth(4);
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Image width too small for contained frames");
  }
  EXPECT_THROW(image->SetHeight(2), GIFException);
  EXPECT_EQ(image->Width(), 6);
  EXPECT_EQ(image->Height(), 5);
  EXPECT_EQ(changes, 0);
  image->SetWidth(5);
  EXPECT_EQ(image->Width(), 5);
  EXPECT_EQ(changes, 1);
}

TEST(GIFPictureTest, AssignCopiesFramesAndSettingsButNotSpeedOrCoding) {
  auto source = giftest::MakeAnimation(6, 5, kColors, {Solid(0, 0, 6, 5, 0, 2, 7), Solid(1, 1, 2, 2, 3, 1, 9)}, 4);
  source->DrawOptions = goDrawAnimated;
  source->BackgroundColor = kClWhite;
  source->AnimationSpeed = 300;
  source->Compression = 1;
  std::vector<std::string> progress;
  source->OnProgress = [&](TGIFProgressStage, int percent, const std::string& m) {
    progress.push_back(m + std::to_string(percent));
  };
  TGIFImage copy;
  copy.Assign(*source);
  EXPECT_EQ(copy.DrawOptions, goDrawAnimated);
  EXPECT_EQ(copy.BackgroundColor, kClWhite);
  EXPECT_EQ(copy.AnimationSpeed, 100);
  EXPECT_EQ(copy.Compression, 0);
  EXPECT_EQ(progress.front(), "Copying...0");
  EXPECT_EQ(progress.back(), "Copying...100");
  EXPECT_FALSE(copy.OnProgress);
  EXPECT_EQ(giftest::SaveToBytes(copy), giftest::SaveToBytes(*source));

  // A bitmap becomes one frame; Add appends frames from bitmaps and from other pictures.
  TBitmap bmp(3, 2, TPixelFormat::pf8bit);
  bmp.SetPalette(TPalette::FromColors(kColors));
  bmp.SetIndex(1, 1, 2);
  copy.Assign(bmp);
  ASSERT_EQ(copy.Images().Count(), 1);
  EXPECT_EQ(copy.Images().Items(0)->Bitmap().Pixel(1, 1), kColors[2]);
  auto foreign = std::make_unique<TGIFSubImage>(source.get());
  foreign->Assign(*source->Images().Items(1));
  EXPECT_EQ(copy.Add(std::move(foreign)), 1);
  EXPECT_EQ(copy.Images().Items(1)->Image(), &copy);
  EXPECT_EQ(copy.Add(bmp), 2);
}

TEST(GIFPictureTest, FileFormatsNameFilesByPictureClass) {
  EXPECT_EQ(GraphicExtension(TGraphicClass::GIFImage), "gif");
  EXPECT_EQ(GraphicExtension(TGraphicClass::Bitmap), "bmp");
  EXPECT_EQ(GraphicDescription(TGraphicClass::GIFImage), "GIF Image");
  EXPECT_EQ(GraphicClassOf(".GIF"), TGraphicClass::GIFImage);
  EXPECT_EQ(GraphicClassOf("bmp"), TGraphicClass::Bitmap);
  EXPECT_FALSE(GraphicClassOf("png"));
  UnregisterFileFormat(TGraphicClass::GIFImage);
  EXPECT_EQ(GraphicExtension(TGraphicClass::GIFImage), "");
  EXPECT_FALSE(GraphicClassOf("gif"));
  RegisterFileFormat("gif", "GIF Image", TGraphicClass::GIFImage);
  EXPECT_EQ(GraphicExtension(TGraphicClass::GIFImage), "gif");
}

TEST(GIFPictureTest, ALoadEndingInsideTheThirdFrameKeepsTwoFramesAndThePosition) {
  auto image = giftest::MakeAnimation(8, 8, kColors,
                                      {Solid(0, 0, 8, 8, 0, 1, 5), Solid(0, 0, 8, 8, 1, 1, 5), Solid(0, 0, 8, 8, 2, 1, 5)});
  std::vector<uint8_t> bytes = giftest::SaveToBytes(*image);
  // Cut inside the third frame's descriptor.
  TMemoryStream probe;
  {
    auto two = giftest::MakeAnimation(8, 8, kColors, {Solid(0, 0, 8, 8, 0, 1, 5), Solid(0, 0, 8, 8, 1, 1, 5)});
    two->SaveToStream(probe);
  }
  // The two-frame file without its trailer, then the third frame's extension and half its descriptor.
  const size_t cut = probe.Bytes().size() - 1 + 8 + 5;
  std::vector<uint8_t> prefix = {'x', 'y'};
  prefix.insert(prefix.end(), bytes.begin(), bytes.begin() + static_cast<long>(cut));
  TMemoryStream s(prefix);
  s.SetPosition(2);
  TGIFImage loaded;
  try {
    loaded.LoadFromStream(s);
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Premature end of data");
  }
  EXPECT_EQ(s.Position(), 2);
  EXPECT_EQ(loaded.Images().Count(), 2);
}

// Loading and saving report from 0 at the start to 100 at the end, or to 0 when the operation
// fails on the way; frames in between never go back.
TEST(GIFPictureTest, LoadAndSaveProgressRunsFromStartToEnd) {
  auto image = giftest::MakeAnimation(8, 8, kColors,
                                      {Solid(0, 0, 8, 8, 0, 1, 5), Solid(0, 0, 8, 8, 1, 1, 5), Solid(0, 0, 8, 8, 2, 1, 5)});
  const std::vector<uint8_t> whole = giftest::SaveToBytes(*image);
  const std::vector<uint8_t> cut(whole.begin(), whole.end() - 20);
  struct Case {
    const char* name;
    bool save;
    std::vector<uint8_t> input;
    int last;
  };
  const std::vector<Case> cases = {
      {"load", false, whole, 100},
      {"load of a cut file", false, cut, 0},
      {"save", true, {}, 100},
  };
  for (const Case& c : cases) {
    TGIFImage target;
    TGIFImage& subject = c.save ? *image : target;
    std::vector<std::pair<TGIFProgressStage, int>> seen;
    std::string texts;
    subject.OnProgress = [&](TGIFProgressStage stage, int percent, const std::string& m) {
      seen.emplace_back(stage, percent);
      if (texts.find(m) == std::string::npos) texts += m;
    };
    try {
      if (c.save) {
        TMemoryStream out;
        subject.SaveToStream(out);
      } else {
        TMemoryStream in(c.input);
        subject.LoadFromStream(in);
      }
    } catch (const GIFException&) {
    }
    subject.OnProgress = nullptr;
    ASSERT_GE(seen.size(), 2u) << c.name;
    EXPECT_EQ(texts, c.save ? "Saving..." : "Loading...") << c.name;
    EXPECT_EQ(seen.front(), std::make_pair(TGIFProgressStage::Starting, 0)) << c.name;
    EXPECT_EQ(seen.back(), std::make_pair(TGIFProgressStage::Ending, c.last)) << c.name;
    for (size_t i = 1; i + 1 < seen.size(); ++i) {
      EXPECT_EQ(seen[i].first, TGIFProgressStage::Running) << c.name;
      EXPECT_GE(seen[i].second, seen[i - 1].second) << c.name;
    }
  }
}

}  // namespace
}  // namespace olv
