// Our GIF files against two outside peers: giflib decodes what our encoders write to the same
// indices and colours (and our LZW codes are its own), and files that ImageMagick writes decode
// here to what giflib gives.
#include <gtest/gtest.h>

#include "GifPeers.h"
#include "widgets/gif/GIFEncoder.h"

namespace olv {
namespace {

using giftest::PeerPicture;

void ExpectSame(const PeerPicture& ours, const PeerPicture& theirs) {
  EXPECT_EQ(ours.width, theirs.width);
  EXPECT_EQ(ours.height, theirs.height);
  EXPECT_EQ(ours.loops, theirs.loops);
  ASSERT_EQ(ours.frames.size(), theirs.frames.size());
  for (size_t i = 0; i < ours.frames.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& a = ours.frames[i];
    const auto& b = theirs.frames[i];
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.top, b.top);
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    EXPECT_EQ(a.interlaced, b.interlaced);
    EXPECT_EQ(a.transparent, b.transparent);
    EXPECT_EQ(a.disposal, b.disposal);
    EXPECT_EQ(a.delay, b.delay);
    EXPECT_TRUE(a.pixels == b.pixels);
    EXPECT_EQ(a.colors, b.colors);
  }
}

TEST(GIFPeerTest, GiflibDecodesWhatOurEncodersWrite) {
  for (uint8_t compression : {0, 1})
    for (int bits = 1; bits <= 8; ++bits)
      for (auto [w, h] : {std::pair{1, 1}, std::pair{13, 7}, std::pair{257, 33}})
        for (bool interlaced : {false, true}) {
          SCOPED_TRACE(testing::Message() << "compression " << int{compression} << " bits " << bits << " " << w << "x"
                                          << h << " interlaced " << interlaced);
          std::vector<uint8_t> px = giftest::Noise(static_cast<size_t>(w * h), 1 << bits, static_cast<uint32_t>(w + bits));
          for (size_t i = px.size() / 2; i < px.size(); ++i) px[i] = px[px.size() / 2];  // half one run
          auto image = giftest::OneFrame(w, h, bits, px, interlaced, false, compression);
          const std::vector<uint8_t> bytes = giftest::SaveToBytes(*image);
          const auto theirs = giftest::GiflibDecode(bytes);
          ASSERT_TRUE(theirs);
          ASSERT_EQ(theirs->frames.size(), 1u);
          EXPECT_TRUE(theirs->frames[0].pixels == px);
          EXPECT_EQ(theirs->frames[0].interlaced, interlaced);
          EXPECT_EQ(static_cast<int>(theirs->frames[0].colors.size()), 1 << std::max(1, bits));
          ExpectSame(giftest::OurDecode(bytes), *theirs);
        }
}

// Runs of one pixel, of random lengths (half of them 1 to 5 pixels, the others up to longest) and
// random pixels below colours, laid out row after row so that rows cut runs.
std::vector<uint8_t> Runs(size_t count, int colours, int longest, uint32_t seed) {
  std::vector<uint8_t> px(count);
  int left = 0;
  uint8_t pixel = 0;
  for (uint8_t& p : px) {
    if (left == 0) {
      seed = seed * 1664525u + 1013904223u;
      left = 1 + static_cast<int>((seed >> 8) % static_cast<uint32_t>((seed & 0x10000) ? 5 : longest));
      pixel = static_cast<uint8_t>((seed >> 20) % static_cast<uint32_t>(colours));
    }
    --left;
    p = pixel;
  }
  return px;
}

TEST(GIFPeerTest, OurLzwCodesForRunsAreGiflibsByteForByte) {
  // Both encoders take the longest known string at each step and clear at the same code, so the
  // coded frames must match; ours takes a run of one pixel in one step, which these pictures test:
  // one pixel everywhere, and runs of up to 100000 pixels, and runs that fill the table and have
  // it cleared 3 to 12 times.
  struct Case {
    int width, height, bits, colours, longest;
  };
  for (const Case c : {Case{1000, 1000, 8, 1, 1}, Case{1920, 300, 8, 6, 100000}, Case{1920, 1000, 4, 16, 3000},
                       Case{1920, 1000, 1, 2, 300}, Case{1920, 1000, 2, 4, 100}, Case{1000, 600, 8, 200, 1000}}) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " bits " << c.bits << " colours " << c.colours);
    const std::vector<uint8_t> px = Runs(static_cast<size_t>(c.width) * static_cast<size_t>(c.height), c.colours, c.longest, 7);
    TMemoryStream ours;
    TLZWEncoder().Compress(ours, c.bits, 1 << c.bits, px.data(), false, c.height, c.width);
    EXPECT_TRUE(ours.Bytes() == giftest::GiflibImageData(px, c.width, c.height, c.bits));
  }
}

TEST(GIFPeerTest, GiflibReadsOurLocalTablesExtensionsAndLoops) {
  auto image = giftest::OneFrame(20, 10, 3, giftest::Noise(200, 5, 3), false, true);
  TGIFSubImage* frame = image->Images().Items(0);
  auto gce = std::make_unique<TGIFGraphicControlExtension>(frame);
  gce->SetDelay(25);
  gce->SetDisposal(DisposalBackground);
  gce->SetTransparentColorIndex(4);
  gce->SetTransparent(true);
  frame->Extensions().Add(std::move(gce));
  auto loop = std::make_unique<TGIFAppExtNSLoop>(frame);
  loop->Loops = 7;
  frame->Extensions().Insert(0, std::move(loop));
  auto second = std::make_unique<TGIFSubImage>(image.get());
  second->SetLeft(3);
  second->SetTop(2);
  second->SetWidth(5);
  second->SetHeight(4);
  second->SetData(giftest::Noise(20, 2, 9));
  second->ColorMap().Add(kClBlack);
  second->ColorMap().Add(kClWhite);
  image->Images().Add(std::move(second));
  const std::vector<uint8_t> bytes = giftest::SaveToBytes(*image);
  const auto theirs = giftest::GiflibDecode(bytes);
  ASSERT_TRUE(theirs);
  EXPECT_EQ(theirs->loops, 7);
  EXPECT_EQ(theirs->frames[0].transparent, 4);
  ExpectSame(giftest::OurDecode(bytes), *theirs);
}

class ConvertTest : public testing::Test {
 protected:
  void SetUp() override {
    if (giftest::ConvertProgram().empty()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  }
  // Runs convert to make a GIF, then reads it with both decoders.
  void Check(const std::string& name, const std::string& arguments, size_t frames) {
    SCOPED_TRACE(name);
    const std::string out = giftest::TempPath(name + ".gif");
    ASSERT_TRUE(giftest::RunConvert(arguments + " " + out)) << arguments;
    const std::vector<uint8_t> bytes = giftest::ReadFile(out);
    std::remove(out.c_str());
    const auto theirs = giftest::GiflibDecode(bytes);
    ASSERT_TRUE(theirs);
    std::vector<std::string> warnings;
    const PeerPicture ours = giftest::OurDecode(bytes, &warnings);
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    EXPECT_EQ(ours.frames.size(), frames);
    ExpectSame(ours, *theirs);
  }
};

TEST_F(ConvertTest, StillPictures) {
  Check("interlaced", "-size 97x61 plasma:fractal -seed 4 -interlace GIF", 1);
  Check("photo", "-size 160x90 -seed 7 plasma:red-blue", 1);
  Check("few-colours", "-size 33x17 xc:white -fill red -draw 'rectangle 2,2 20,9' -colors 2", 1);
  Check("four-colours", "-size 64x48 gradient:blue-yellow -colors 4", 1);
  Check("grey", "-size 50x50 gradient: -colorspace Gray -colors 16", 1);
}

TEST_F(ConvertTest, AnimationsWithEveryDisposal) {
  Check("disposals",
        "-size 40x30 -delay 25 -dispose None xc:red -dispose Background -page +5+5 -size 10x10 xc:blue "
        "-dispose Previous -page +20+10 xc:green -dispose None -page +0+0 -size 40x30 xc:yellow "
        "-loop 0",
        4);
  Check("transparent-frames",
        "-size 32x32 -delay 10 -dispose Background xc:none -fill red -draw 'circle 16,16 16,4' "
        "\\( -size 32x32 xc:none -fill blue -draw 'rectangle 4,4 12,28' \\) -loop 3",
        2);
}

}  // namespace
}  // namespace olv
