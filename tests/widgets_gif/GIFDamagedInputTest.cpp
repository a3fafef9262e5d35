// Damaged files as a table: each either reads as far as it can with warnings, or fails with
// GIFException keeping the frames before the failure and the stream where it was.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "GifPeers.h"
#include "widgets/gif/GIFException.h"

namespace olv {
namespace {

using Bytes = std::vector<uint8_t>;

// Three 8 x 6 frames, each with a graphic control extension; where each frame's descriptor and
// image data start.
struct Animation {
  Bytes bytes;
  size_t descriptor[3];
  size_t data[3];
  size_t gce[3];
  std::vector<Bytes> pixels;
};

Animation MakeAnimation() {
  TGIFImage image;
  for (int c = 0; c < 4; ++c) image.Header().ColorMap().Add(MakeColor(static_cast<uint8_t>(60 * c), 10, 20));
  Animation a;
  for (int i = 0; i < 3; ++i) {
    auto frame = std::make_unique<TGIFSubImage>(&image);
    frame->SetWidth(8);
    frame->SetHeight(6);
    a.pixels.push_back(giftest::Noise(48, 4, static_cast<uint32_t>(i + 1)));
    frame->SetData(a.pixels.back());
    auto gce = std::make_unique<TGIFGraphicControlExtension>(frame.get());
    gce->SetDelay(static_cast<uint16_t>(10 * (i + 1)));
    frame->Extensions().Add(std::move(gce));
    image.Images().Add(std::move(frame));
  }
  TMemoryStream s;
  image.Header().SaveToStream(s);
  for (int i = 0; i < 3; ++i) {
    a.gce[i] = static_cast<size_t>(s.Position());
    image.Images().Items(i)->SaveToStream(s);
    a.descriptor[i] = a.gce[i] + 8;
    a.data[i] = a.descriptor[i] + 10;
  }
  TGIFTrailer(&image).SaveToStream(s);
  a.bytes = s.Bytes();
  return a;
}

TEST(GIFDamagedInputTest, DamagedFilesReadAsFarAsTheyCanOrFailKeepingWhatWasRead) {
  const Animation a = MakeAnimation();
  struct Case {
    const char* name;
    std::function<Bytes(Bytes)> damage;
    bool fails;
    int frames;              // frames with pixels after the load
    const char* warning;     // expected among the warnings ("" for none at all)
    int intactFrames;        // frames whose pixels must be exactly the original ones
  };
  auto cut = [](size_t at) { return [at](Bytes b) { b.resize(at); return b; }; };
  auto patch = [](size_t at, std::vector<int> v) {
    return [at, v](Bytes b) {
      size_t i = at;
      for (int x : v) b[i++] = static_cast<uint8_t>(x);
      return b;
    };
  };
  const Case cases[] = {
      {"intact", [](Bytes b) { return b; }, false, 3, "", 3},
      {"truncated in frame 3's pixel data", cut(a.data[2] + 6), false, 3, "Premature end of data", 2},
      {"truncated in frame 3's descriptor", cut(a.descriptor[2] + 5), true, 2, nullptr, 2},
      {"no trailer", cut(a.bytes.size() - 1), false, 3, "", 3},
      {"zero bytes between blocks",
       [&](Bytes b) {
         b.insert(b.begin() + static_cast<long>(a.gce[1]), 3, 0);
         return b;
       },
       false, 3, "", 3},
      {"junk before the header",
       [](Bytes b) {
         b.insert(b.begin(), {'x', 'y', 'z', 'w'});
         return b;
       },
       false, 3, "", 3},
      {"five junk bytes before the header",
       [](Bytes b) {
         b.insert(b.begin(), {'x', 'y', 'z', 'w', 'v'});
         return b;
       },
       true, 0, nullptr, 0},
      // A block that claims a byte more swallows the terminator and reads on into frame 2 as
      // sub-blocks: frame 2 is lost, nothing breaks.
      {"graphic control block size 5", patch(a.gce[1] + 2, {5}), false, 1, nullptr, 1},
      // One byte less leaves the terminator behind: frame 2 comes without its extension.
      {"graphic control block size 3", patch(a.gce[1] + 2, {3}), false, 3, "Invalid extension introducer", 3},
      {"a code above the next free code in frame 2", patch(a.data[1] + 2, {0xFF, 0xFF, 0xFF}), false, 3,
       "Invalid code in image data", 1},
      {"a sub-block length past the data in frame 2", patch(a.data[1] + 1, {0xFE}), false, 2, "Premature end of data",
       1},
      {"frame 2 of 65535 x 65535 pixels", patch(a.descriptor[1] + 5, {0xFF, 0xFF, 0xFF, 0xFF}), true, 1, nullptr, 1},
      {"an unknown block after frame 2", patch(a.gce[2], {'#'}), false, 2, "Unknown GIF block type", 2},
      {"an unknown extension label", patch(a.gce[2] + 1, {0x42}), true, 2, nullptr, 2},
      {"a trailer of another byte", patch(a.bytes.size() - 1, {'x'}), false, 3, "Unknown GIF block type", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes damaged = c.damage(a.bytes);
    TGIFImage image;
    std::vector<std::string> warnings;
    image.OnWarning = [&](const void*, int, const std::string& m) { warnings.push_back(m); };
    TMemoryStream s(damaged);
    s.SetPosition(0);
    if (c.fails) {
      EXPECT_THROW(image.LoadFromStream(s), GIFException);
      EXPECT_EQ(s.Position(), 0);
    } else {
      EXPECT_NO_THROW(image.LoadFromStream(s));
      if (c.warning && *c.warning) {
        EXPECT_NE(std::find(warnings.begin(), warnings.end(), c.warning), warnings.end())
            << (warnings.empty() ? "no warning" : warnings.front());
      } else if (c.warning) {
        EXPECT_TRUE(warnings.empty()) << warnings.front();
      }
    }
    std::vector<Bytes> read;  // frames with pixels; a frame of extensions only is no picture
    for (const auto& f : image.Images())
      if (!f->Empty()) read.emplace_back(f->Data().begin(), f->Data().end());
    EXPECT_EQ(static_cast<int>(read.size()), c.frames);
    for (int i = 0; i < c.intactFrames && i < static_cast<int>(read.size()); ++i)
      EXPECT_TRUE(read[static_cast<size_t>(i)] == a.pixels[static_cast<size_t>(i)]) << "frame " << i + 1;
  }
}

TEST(GIFDamagedInputTest, PixelsNotReachedKeepTheTransparentIndex) {
  Animation a = MakeAnimation();
  Bytes b = a.bytes;
  b[a.gce[2] + 3] = 1;  // frame 3 transparent
  b[a.gce[2] + 6] = 3;  // with index 3
  b.resize(a.data[2] + 4);
  TGIFImage image;
  TMemoryStream s(b);
  image.LoadFromStream(s);
  ASSERT_EQ(image.Images().Count(), 3);
  const auto data = image.Images().Items(2)->Data();
  EXPECT_EQ(data.back(), 3);
  EXPECT_EQ(image.Images().Items(2)->TransparentIndex(), 3);
}

}  // namespace
}  // namespace olv
