// The file model: header, colour tables, extensions and their registries, versions.
#include <gtest/gtest.h>

#include <string>

#include "GifPeers.h"
#include "widgets/gif/GIFException.h"

namespace olv {
namespace {

using Bytes = std::vector<uint8_t>;

// A 1 x 1 GIF89a laid out by hand: two-colour global table, the given extension bytes, one frame
// of pixel 0 (the known seven-byte image data), trailer.
Bytes HandMade(const Bytes& extension) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
  b.insert(b.end(), extension.begin(), extension.end());
  for (int x : {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0, 0x3B}) b.push_back(static_cast<uint8_t>(x));
  return b;
}

Bytes Str(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::unique_ptr<TGIFImage> Load(const Bytes& bytes, std::vector<std::string>* warnings = nullptr) {
  auto image = std::make_unique<TGIFImage>();
  image->OnWarning = [warnings](const void*, int, const std::string& m) {
    if (warnings) warnings->push_back(m);
  };
  TMemoryStream s(bytes);
  image->LoadFromStream(s);
  return image;
}

TEST(GIFFileModelTest, UpToFourBytesBeforeTheSignatureAreSkipped) {
  const Bytes gif = HandMade({});
  EXPECT_EQ(Load(Cat({Bytes{1, 2, 3, 4}, gif}))->Images().Count(), 1);
  EXPECT_THROW(Load(Cat({Bytes{1, 2, 3, 4, 5}, gif})), GIFException);
  Bytes lower = gif;
  lower[0] = 'g', lower[1] = 'i', lower[2] = 'f';
  EXPECT_EQ(Load(lower)->Images().Count(), 1);
}

TEST(GIFFileModelTest, LoopingAndUnknownApplicationExtensions) {
  // "ANIMEXTS1.0" is a looping extension and keeps its identifier when written back.
  auto anim = Load(HandMade(Cat({Bytes{'!', 0xFF, 11}, Str("ANIMEXTS1.0"), Bytes{3, 1, 5, 0, 0}})));
  auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(anim->Images().Items(0)->Extensions().Items(0));
  ASSERT_NE(loop, nullptr);
  EXPECT_EQ(loop->Loops, 5);
  const Bytes saved = giftest::SaveToBytes(*anim);
  const Bytes id = Str("ANIMEXTS1.0");
  EXPECT_NE(std::search(saved.begin(), saved.end(), id.begin(), id.end()), saved.end());
  EXPECT_EQ(std::string(saved.begin(), saved.begin() + 6), "GIF89a");

  // A 10-byte block: an unknown application extension whose identifier ends in 0; kept as read.
  auto ten = Load(HandMade(Cat({Bytes{'!', 0xFF, 10}, Str("ABCDEFGHIJ"), Bytes{2, 0xAA, 0xBB, 0}})));
  auto* unknown = dynamic_cast<TGIFUnknownAppExtension*>(ten->Images().Items(0)->Extensions().Items(0));
  ASSERT_NE(unknown, nullptr);
  EXPECT_EQ(unknown->Identifier[9], 'J');
  EXPECT_EQ(unknown->Identifier[10], 0);
  ASSERT_EQ(unknown->Blocks.size(), 1u);
  EXPECT_EQ(unknown->Blocks[0], (Bytes{0xAA, 0xBB}));

  // Blocks of 9 bytes, and loop sub-blocks too short for their id, cannot be read.
  EXPECT_THROW(Load(HandMade(Cat({Bytes{'!', 0xFF, 9}, Str("ABCDEFGHI"), Bytes{0}}))), GIFException);
  EXPECT_THROW(Load(HandMade(Cat({Bytes{'!', 0xFF, 11}, Str("NETSCAPE2.0"), Bytes{2, 1, 5, 0}}))), GIFException);
  // An extension label no class reads.
  EXPECT_THROW(Load(HandMade(Bytes{'!', 0x77, 0})), GIFException);
}

TEST(GIFFileModelTest, TextAndCommentExtensionsKeepTheirSubBlocks) {
  const std::string long300(300, 'x');
  auto image = giftest::OneFrame(2, 2, 1, {0, 1, 1, 0}, false);
  TGIFSubImage* frame = image->Images().Items(0);
  auto comment = std::make_unique<TGIFCommentExtension>(frame);
  comment->Text = {"hello", long300};
  frame->Extensions().Add(std::move(comment));
  auto back = Load(giftest::SaveToBytes(*image));
  auto* c = dynamic_cast<TGIFCommentExtension*>(back->Images().Items(0)->Extensions().Items(0));
  ASSERT_NE(c, nullptr);
  // One string per sub-block: the 300 bytes come back as 255 + 45.
  EXPECT_EQ(c->Text, (std::vector<std::string>{"hello", std::string(255, 'x'), std::string(45, 'x')}));
}

TEST(GIFFileModelTest, ColourTablesArePaddedToAPowerOfTwoAndHoldAtMost256) {
  TGIFImage image;
  auto frame = std::make_unique<TGIFSubImage>(&image);
  frame->SetWidth(1);
  frame->SetHeight(1);
  image.Images().Add(std::move(frame));
  TGIFColorMap& map = image.Header().ColorMap();
  for (TColor c : {MakeColor(1, 2, 3), MakeColor(4, 5, 6), MakeColor(1, 2, 3)}) map.Add(c);
  EXPECT_EQ(map.IndexOf(MakeColor(1, 2, 3)), 2);  // unsorted: from the last entry down
  map.SetOptimized(true);
  EXPECT_EQ(map.IndexOf(MakeColor(1, 2, 3)), 0);
  map.SetOptimized(false);
  EXPECT_EQ(map.BitsPerPixel(), 2);
  const Bytes b = giftest::SaveToBytes(image);
  EXPECT_EQ(b[10], 0x80 | 0x10 | 0x01);  // global table, resolution 1, 4 entries
  EXPECT_EQ(Bytes(b.begin() + 13, b.begin() + 25), (Bytes{1, 2, 3, 4, 5, 6, 1, 2, 3, 0, 0, 0}));

  map.Clear();
  image.Images().Items(0)->ColorMap().Add(kClWhite);
  image.Images().Items(0)->ColorMap().Add(kClBlack);
  const Bytes noGlobal = giftest::SaveToBytes(image);
  EXPECT_EQ(noGlobal[10] & 0x80, 0);
  EXPECT_EQ(noGlobal[13], ',');

  for (int i = 0; i < 256; ++i) map.Add(MakeColor(static_cast<uint8_t>(i), 0, 0));
  EXPECT_THROW(map.Add(kClWhite), GIFException);
  EXPECT_THROW(map.Delete(256), GIFException);
  EXPECT_EQ(map.Capacity(), 256);
  TGIFImage none;
  EXPECT_THROW(giftest::SaveToBytes(none), GIFException);  // no frames: no version to write
}

TEST(GIFFileModelTest, OptimizeSortsByUseCutsUnusedColoursAndRemapsEveryIndex) {
  // Colours 0..4; pixels use 3 (twice), 1 (three times) and 4 (once); 0 and 2 are unused.
  auto image = giftest::OneFrame(6, 1, 3, {3, 1, 4, 1, 3, 1}, false);
  TGIFColorMap& map = image->Header().ColorMap();
  while (map.Count() > 5) map.Delete(5);
  std::vector<TColor> before;
  for (int i = 0; i < 5; ++i) before.push_back(map.Colors(i));
  image->Header().BackgroundColorIndex = 4;
  TGIFSubImage* frame = image->Images().Items(0);
  auto gce = std::make_unique<TGIFGraphicControlExtension>(frame);
  gce->StoreTransparentColorIndex(3);
  gce->SetTransparent(true);
  frame->Extensions().Add(std::move(gce));

  EXPECT_TRUE(map.Optimize());
  EXPECT_TRUE(map.Optimized());
  ASSERT_EQ(map.Count(), 3);
  EXPECT_EQ(map.Colors(0), before[1]);
  EXPECT_EQ(map.Colors(1), before[3]);
  EXPECT_EQ(map.Colors(2), before[4]);
  const std::vector<int> shown = {3, 1, 4, 1, 3, 1};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(map.Colors(frame->Pixels(x, 0)), before[static_cast<size_t>(shown[static_cast<size_t>(x)])]);
  EXPECT_EQ(map.Colors(frame->TransparentIndex()), before[3]);
  EXPECT_EQ(image->Header().BackgroundColor(), before[4]);
  const Bytes sorted = giftest::SaveToBytes(*image);
  EXPECT_EQ(std::string(sorted.begin(), sorted.begin() + 6), "GIF89a");  // the sort flag needs 89a

  TGIFImage empty;
  empty.Header().ColorMap().Add(kClBlack);
  empty.Header().ColorMap().Add(kClWhite);
  EXPECT_FALSE(empty.Header().ColorMap().Optimize());  // no frames
}

TEST(GIFFileModelTest, FramesBeyondTheLogicalScreenEnlargeItWithWarnings) {
  std::vector<std::string> warnings;
  // Width 0 in the descriptor: the frame takes the screen's size.
  Bytes zero = HandMade({});
  zero[24] = 0;  // frame width low byte
  auto image = Load(zero, &warnings);
  EXPECT_EQ(image->Images().Items(0)->Width(), 1);
  EXPECT_EQ(warnings, std::vector<std::string>{"Image exceeds Logical Screen size"});

  warnings.clear();
  image->Images().Items(0)->SetLeft(5);
  EXPECT_EQ(image->Width(), 6);
  EXPECT_EQ(warnings, (std::vector<std::string>{"Image width too small for contained frames",
                                                "Image exceeds Logical Screen size"}));
}

TEST(GIFFileModelTest, InterlacedFramesWithLocalTablesAreWrittenPlain) {
  std::vector<uint8_t> px = giftest::Noise(7 * 9, 16, 5);
  auto image = giftest::OneFrame(7, 9, 4, px, true, true);
  const Bytes saved = giftest::SaveToBytes(*image);
  const giftest::PeerPicture back = giftest::OurDecode(saved);
  EXPECT_FALSE(back.frames[0].interlaced);
  EXPECT_EQ(back.frames[0].pixels, px);
  EXPECT_EQ(std::string(saved.begin(), saved.begin() + 6), "GIF87a");
}

}  // namespace
}  // namespace olv
