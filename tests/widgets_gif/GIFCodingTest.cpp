// LZW and run-length coding: known answers worked out by hand from the format, and the decoder's
// handling of damaged code streams.
#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "GifPeers.h"
#include "widgets/gif/GIFDecoder.h"
#include "widgets/gif/GIFEncoder.h"
#include "widgets/gif/GIFException.h"

namespace olv {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Encode(bool rle, int bits, int colors, const Bytes& pixels, bool interlaced, int height, int width) {
  TMemoryStream s;
  std::unique_ptr<TGIFEncoder> e;
  if (rle) e = std::make_unique<TRLEEncoder>();
  else e = std::make_unique<TLZWEncoder>();
  e->Compress(s, bits, colors, pixels.data(), interlaced, height, width);
  return s.Bytes();
}

Bytes Decode(const Bytes& coded, int width, int height, bool interlaced, std::vector<std::string>* warnings = nullptr,
             uint8_t fill = 0) {
  TMemoryStream s(coded);
  Bytes pixels(static_cast<size_t>(width * height), fill);
  GIFDecodeImage(s, pixels, width, height, interlaced, [&](const std::string& m) {
    if (warnings) warnings->push_back(m);
  });
  return pixels;
}

// Reads a coded stream as a decoder would, without our decoder: the codes in order, with the next
// free code at each clear.
struct CodeTrace {
  std::vector<int> codes;
  std::vector<int> availAtClear;
};
CodeTrace Trace(const Bytes& coded) {
  Bytes data;
  size_t at = 1;
  while (at < coded.size() && coded[at] != 0) {
    data.insert(data.end(), coded.begin() + static_cast<long>(at) + 1, coded.begin() + static_cast<long>(at) + 1 + coded[at]);
    at += 1 + coded[at];
  }
  const int clear = 1 << coded[0];
  int size = coded[0] + 1, avail = clear + 2;
  bool first = true;
  CodeTrace t;
  size_t bit = 0;
  while (bit + static_cast<size_t>(size) <= data.size() * 8) {
    int code = 0;
    for (int i = 0; i < size; ++i, ++bit) code |= ((data[bit / 8] >> (bit % 8)) & 1) << i;
    t.codes.push_back(code);
    if (code == clear) {
      t.availAtClear.push_back(avail);
      size = coded[0] + 1, avail = clear + 2, first = true;
      continue;
    }
    if (code == clear + 1) break;
    if (!first && avail < 4096 && ++avail == (1 << size) && size < 12) ++size;
    first = false;
  }
  return t;
}

TEST(GIFCodingTest, OnePixelFrameIsTheKnownSevenBytes) {
  EXPECT_EQ(Encode(false, 2, 4, {0}, false, 1, 1), (Bytes{0x02, 0x02, 0x44, 0x01, 0x00}));
  // One bit per pixel is raised to the format's minimum code size of 2.
  EXPECT_EQ(Encode(false, 1, 2, {0}, false, 1, 1), (Bytes{0x02, 0x02, 0x44, 0x01, 0x00}));
  EXPECT_EQ(Decode({0x02, 0x02, 0x44, 0x01, 0x00, 0x3B}, 1, 1, false), Bytes{0});
}

TEST(GIFCodingTest, LzwClearsWhenTheNextFreeCodeReaches4095) {
  // Every two-pixel string of 256 colours once (a de Bruijn sequence): each pixel defines a code.
  Bytes pixels;
  std::vector<std::vector<bool>> used(256, std::vector<bool>(256));
  int a = 0;
  pixels.push_back(0);
  for (int n = 0; n < 65536; ++n) {
    int b = 255;
    while (b >= 0 && used[a][b]) --b;
    if (b < 0) break;
    used[a][b] = true;
    pixels.push_back(static_cast<uint8_t>(b));
    a = b;
  }
  pixels.resize(256 * 200);
  const Bytes coded = Encode(false, 8, 256, pixels, false, 200, 256);
  const CodeTrace t = Trace(coded);
  ASSERT_GE(t.availAtClear.size(), 3u);
  EXPECT_EQ(t.availAtClear[0], 258);  // the opening clear
  EXPECT_EQ(t.availAtClear[1], 4095);
  EXPECT_EQ(Decode(coded, 256, 200, false), pixels);
}

TEST(GIFCodingTest, InterlacedFramesStoreRowsInFourPasses) {
  const Bytes rows = {0, 0, 1, 1, 2, 2};  // row y holds y
  const Bytes coded = Encode(false, 2, 4, rows, true, 3, 2);
  EXPECT_EQ(Decode(coded, 2, 3, false), (Bytes{0, 0, 2, 2, 1, 1}));  // rows 0, 2, 1 as stored
  EXPECT_EQ(Decode(coded, 2, 3, true), rows);
  Bytes tall(2 * 11);
  for (int y = 0; y < 11; ++y) tall[2 * y] = tall[2 * y + 1] = static_cast<uint8_t>(y);
  const Bytes stored = Decode(Encode(false, 4, 16, tall, true, 11, 2), 2, 11, false);
  const int order[11] = {0, 8, 4, 2, 6, 10, 1, 3, 5, 7, 9};
  for (int i = 0; i < 11; ++i) EXPECT_EQ(stored[2 * i], order[i]);
}

TEST(GIFCodingTest, RoundTripOfEveryDepthAndBothEncoders) {
  for (bool rle : {false, true})
    for (int bits = 1; bits <= 8; ++bits)
      for (auto [w, h] : {std::pair{1, 1}, std::pair{7, 5}, std::pair{33, 17}, std::pair{300, 41}}) {
        SCOPED_TRACE(testing::Message() << "rle " << rle << " bits " << bits << " " << w << "x" << h);
        Bytes px = giftest::Noise(static_cast<size_t>(w * h), 1 << bits, static_cast<uint32_t>(bits * 131 + w));
        for (size_t i = 0; i < px.size() / 3; ++i) px[i] = px[0];  // a long run too
        for (bool interlaced : {false, true}) {
          std::vector<std::string> warnings;
          EXPECT_EQ(Decode(Encode(rle, bits, 1 << bits, px, interlaced, h, w), w, h, interlaced, &warnings), px);
          EXPECT_TRUE(warnings.empty());
        }
      }
}

TEST(GIFCodingTest, RunLengthCodingOfLongRunsStaysValid) {
  for (int n : {2, 3, 1000, 4096, 100000}) {
    const Bytes px(static_cast<size_t>(n), 3);
    EXPECT_EQ(Decode(Encode(true, 2, 4, px, false, 1, n), n, 1, false), px) << n;
  }
  // Runs of every length up to 300, alternating colours.
  Bytes mixed;
  for (int len = 1; len <= 300; ++len) mixed.insert(mixed.end(), static_cast<size_t>(len), static_cast<uint8_t>(len % 5));
  EXPECT_EQ(Decode(Encode(true, 3, 8, mixed, false, 1, static_cast<int>(mixed.size())), static_cast<int>(mixed.size()), 1, false),
            mixed);
}

TEST(GIFCodingTest, PixelsOutsideTheColourTableAreRefused) {
  EXPECT_THROW(Encode(false, 2, 3, {0, 1, 3}, false, 1, 3), GIFException);
  EXPECT_THROW(Encode(true, 2, 3, {3}, false, 1, 1), GIFException);
}

TEST(GIFCodingTest, SubBlocksHoldAtMost255BytesAndOneTerminatorFollows) {
  TMemoryStream s;
  {
    TGIFWriter w(s);
    for (int i = 0; i < 510; ++i) w.Put(static_cast<uint8_t>(i));
    w.Flush();
  }
  ASSERT_EQ(s.Size(), 512);
  EXPECT_EQ(s.Bytes()[0], 255);
  EXPECT_EQ(s.Bytes()[256], 255);
  // A whole frame: every sub-block but the last is full, the 0 terminator comes once.
  const Bytes coded = Encode(false, 8, 256, giftest::Noise(5000, 256, 7), false, 50, 100);
  size_t at = 1, blocks = 0;
  while (coded[at] == 255) at += 256, ++blocks;
  ASSERT_GT(blocks, 3u);
  at += 1 + coded[at];
  EXPECT_EQ(at + 1, coded.size());
  EXPECT_EQ(coded.back(), 0);
}

// Damaged code streams, built by hand: min code size 2 (clear 4, end 5, codes of 3 bits).
Bytes Pack(int minSize, std::initializer_list<std::pair<int, int>> codes, bool terminator = true) {
  Bytes data;
  uint32_t acc = 0;
  int bits = 0;
  for (auto [code, size] : codes) {
    acc |= static_cast<uint32_t>(code) << bits;
    bits += size;
    while (bits >= 8) data.push_back(static_cast<uint8_t>(acc)), acc >>= 8, bits -= 8;
  }
  if (bits) data.push_back(static_cast<uint8_t>(acc));
  Bytes out;
  out.reserve(data.size() + 3);
  out.push_back(static_cast<uint8_t>(minSize));
  out.push_back(static_cast<uint8_t>(data.size()));
  for (uint8_t b : data) out.push_back(b);
  if (terminator) out.push_back(0);
  return out;
}

// A frame's code stream is read in slices as decoding goes: one far longer than a slice, cut short
// at a sub-block's length byte, just after it, or inside its data, in early and late sub-blocks,
// still gives the pixels coded before the cut (and the fill after them), warns, and consumes the
// stream; whole, it decodes exactly and stops at its terminator.
TEST(GIFCodingTest, LongCodeStreamsCutShortKeepThePixelsBeforeTheCut) {
  constexpr int w = 300, h = 200;
  constexpr uint8_t fill = 255;  // no pixel of the noise
  const Bytes px = giftest::Noise(static_cast<size_t>(w * h), 200, 17);
  const Bytes coded = Encode(false, 8, 256, px, false, h, w);
  ASSERT_GT(coded.size(), size_t{1 + 256 * 201});
  {
    Bytes followed = coded;
    followed.push_back(';');
    TMemoryStream s(followed);
    Bytes out(px.size(), fill);
    std::vector<std::string> warnings;
    GIFDecodeImage(s, out, w, h, false, [&](const std::string& m) { warnings.push_back(m); });
    EXPECT_EQ(out, px);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(s.Position(), s.Size() - 1);
  }
  size_t before = 0;
  for (size_t block : {1, 2, 63, 64, 65, 66, 127, 128, 129, 200})
    for (size_t into : {0, 1, 128}) {
      const size_t cut = 1 + 256 * block + into;  // sub-blocks of 255 bytes after the code size byte
      SCOPED_TRACE(testing::Message() << "cut at " << cut);
      TMemoryStream s(Bytes(coded.begin(), coded.begin() + static_cast<long>(cut)));
      std::vector<std::string> warnings;
      const Bytes out = Decode(Bytes(coded.begin(), coded.begin() + static_cast<long>(cut)), w, h, false, &warnings, fill);
      const size_t reached = static_cast<size_t>(std::find(out.begin(), out.end(), fill) - out.begin());
      EXPECT_TRUE(std::equal(out.begin(), out.begin() + static_cast<long>(reached), px.begin()));
      EXPECT_TRUE(std::all_of(out.begin() + static_cast<long>(reached), out.end(), [](uint8_t p) { return p == fill; }));
      if (into == 1) {
        EXPECT_EQ(reached, before) << "a length byte without its data adds nothing";
      } else {
        EXPECT_GT(reached, before) << "a longer stream decodes further";
      }
      before = reached;
      if (into != 0) {
        EXPECT_NE(std::find(warnings.begin(), warnings.end(), "Premature end of data"), warnings.end());
      }
      EXPECT_NE(std::find(warnings.begin(), warnings.end(), "Decoder bit buffer under-run"), warnings.end());
      Bytes out2(px.size(), fill);
      GIFDecodeImage(s, out2, w, h, false, [](const std::string&) {});
      EXPECT_EQ(s.Position(), s.Size());
    }
}

TEST(GIFCodingTest, DamagedCodeStreamsEndTheFrameWithAWarningAndStopAtTheTerminator) {
  struct Case {
    const char* name;
    Bytes coded;
    Bytes pixels;  // 8 pixels, fill 9 where not reached
    const char* warning;
  };
  const Case cases[] = {
      {"a code above the next free code", Pack(2, {{4, 3}, {1, 3}, {7, 3}, {2, 3}, {5, 3}}), {1, 9, 9, 9, 9, 9, 9, 9},
       "Invalid code in image data"},
      {"a table code right after the clear", Pack(2, {{4, 3}, {6, 3}, {5, 3}}), {9, 9, 9, 9, 9, 9, 9, 9},
       "Invalid code in image data"},
      // 16 bits exactly: the code size grows to 4 before the last code.
      {"the codes run out", Pack(2, {{4, 3}, {1, 3}, {2, 3}, {1, 3}, {0, 4}}), {1, 2, 1, 0, 9, 9, 9, 9},
       "Decoder bit buffer under-run"},
      {"minimum code size 12", Pack(12, {{0, 8}}), {9, 9, 9, 9, 9, 9, 9, 9}, "Invalid minimum code size"},
      {"a sub-block longer than the data", Bytes{2, 200, 0x0C}, {1, 9, 9, 9, 9, 9, 9, 9}, "Premature end of data"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> warnings;
    Bytes stream = c.coded;
    const bool cut = c.name == std::string("a sub-block longer than the data");
    if (!cut) stream.push_back(';');
    TMemoryStream s(stream);
    Bytes px(8, 9);
    GIFDecodeImage(s, px, 8, 1, false, [&](const std::string& m) { warnings.push_back(m); });
    EXPECT_EQ(px, c.pixels) << c.name;
    EXPECT_NE(std::find(warnings.begin(), warnings.end(), c.warning), warnings.end()) << c.name;
    if (!cut) {
      EXPECT_EQ(s.Position(), s.Size() - 1) << c.name << ": the stream stands after the terminator";
    }
  }
  // Data after the end code is skipped with its sub-blocks.
  Bytes trailing = Pack(2, {{4, 3}, {1, 3}, {5, 3}, {3, 3}, {3, 3}, {3, 3}}, false);
  for (int b : {3, 7, 7, 7, 0, int{';'}}) trailing.push_back(static_cast<uint8_t>(b));
  TMemoryStream s(trailing);
  Bytes px(1, 9);
  GIFDecodeImage(s, px, 1, 1, false, [](const std::string&) {});
  EXPECT_EQ(px, Bytes{1});
  EXPECT_EQ(s.Position(), s.Size() - 1);
}

}  // namespace
}  // namespace olv
