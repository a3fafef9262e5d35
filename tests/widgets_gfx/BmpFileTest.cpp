#include "widgets/gfx/BmpFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "widgets/gfx/GraphicError.h"

namespace olv {
namespace {

using Bytes = std::vector<uint8_t>;

// A 2 x 2 24-bit file laid out by hand: top row red, green; bottom row blue, white; rows stored
// bottom-up, each padded to 8 bytes.
const Bytes k24 = {
    'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                   // file header
    40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,      // size, w, h, planes, bits, BI_RGB
    16, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0,                                // bottom row: blue, white
    0, 0, 0xFF, 0, 0xFF, 0, 0, 0};                                     // top row: red, green

void Le(Bytes& b, size_t at, uint32_t v, int n = 4) {
  for (int i = 0; i < n; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

// File and info headers (40 bytes) with the given fields, followed by body (masks bytes of bit-field
// masks, then the colour table and the pixels).
Bytes File(int32_t w, int32_t h, int bits, uint32_t compression, uint32_t colors, const Bytes& body,
           uint32_t masks = 0) {
  Bytes b(54 + body.size(), 0);
  b[0] = 'B', b[1] = 'M';
  Le(b, 2, static_cast<uint32_t>(54 + body.size()));
  Le(b, 10, 54 + masks + colors * 4);
  Le(b, 14, 40), Le(b, 18, static_cast<uint32_t>(w)), Le(b, 22, static_cast<uint32_t>(h));
  Le(b, 26, 1, 2), Le(b, 28, static_cast<uint32_t>(bits), 2), Le(b, 30, compression), Le(b, 46, colors);
  std::copy(body.begin(), body.end(), b.begin() + 54);
  return b;
}

TEST(BmpFileTest, ReadsFilesLaidOutByHand) {
  const TBitmap b = ReadBmp(k24);
  ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(b.Pixel(0, 0), MakeColor(255, 0, 0));
  EXPECT_EQ(b.Pixel(1, 0), MakeColor(0, 255, 0));
  EXPECT_EQ(b.Pixel(0, 1), MakeColor(0, 0, 255));
  EXPECT_EQ(b.Pixel(1, 1), kClWhite);

  // 1 bit, 10 wide, two colours (blue-green-red-0 order in the table), top-down.
  const TBitmap mono = ReadBmp(File(10, -1, 1, 0, 2, {0, 0, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0, 0b10100000, 0b01000000, 0, 0}));
  ASSERT_EQ(mono.PixelFormat(), TPixelFormat::pf1bit);
  EXPECT_EQ(mono.Palette().Count(), 2);
  EXPECT_EQ(mono.Pixel(0, 0), kClWhite);
  EXPECT_EQ(mono.Pixel(1, 0), MakeColor(255, 0, 0));
  EXPECT_EQ(mono.Index(9, 0), 1);

  // 16 bits 5-5-5: pure red, 1 x 1.
  EXPECT_EQ(ReadBmp(File(1, 1, 16, 0, 0, {0x00, 0x7C, 0, 0})).Pixel(0, 0), MakeColor(255, 0, 0));

  // 32 bits with bit fields after a 40-byte header: masks R 0xFF0000, G 0xFF00, B 0xFF.
  Bytes fields = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0x10, 0x20, 0x30, 0};
  const TBitmap bf = ReadBmp(File(1, 1, 32, 3, 0, fields, 12));
  EXPECT_EQ(bf.Pixel(0, 0), MakeColor(0x30, 0x20, 0x10));
}

TEST(BmpFileTest, ReadsRunLengthCodedPixels) {
  // 4 x 2, 8 bits, palette red, green. Bottom row: three 1s, one 0; top row: absolute 0 1 0 (padded),
  // the fourth pixel left at 0; end of picture.
  const Bytes body = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0,  // palette
                      3, 1, 1, 0, 0, 0, 0, 3, 0, 1, 0, 0, 0, 1};
  Bytes f = File(4, 2, 8, 1, 2, body);
  const TBitmap b = ReadBmp(f);
  const int expected[2][4] = {{0, 1, 0, 0}, {1, 1, 1, 0}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(b.Index(x, y), expected[y][x]) << x << "," << y;
  f.resize(f.size() - 2);  // no end-of-picture code
  EXPECT_THROW(ReadBmp(f), EInvalidGraphic);
}

TEST(BmpFileTest, EveryFormatRoundTripsAndTheStreamStopsAfterTheFile) {
  for (TPixelFormat f : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit, TPixelFormat::pf24bit,
                         TPixelFormat::pf32bit}) {
    TBitmap b(7, 3, f);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 7; ++x) b.SetPixel(x, y, (x + y) % 2 ? kClWhite : MakeColor(255, 0, 0));
    TMemoryStream s;
    WriteBmp(b, s);
    s.Write("tail", 4);
    s.SetPosition(0);
    const TBitmap back = ReadBmp(s);
    EXPECT_EQ(back, b) << BitsOf(f);
    EXPECT_EQ(s.Position(), s.Size() - 4);
  }
}

TEST(BmpFileTest, DamagedFilesAreRefused) {
  struct Case {
    const char* name;
    size_t at;
    uint32_t value;
    int width;  // bytes written; 0 truncates the file at `at`
  };
  const Case cases[] = {
      {"cut in the info header", 30, 0, 0},
      {"cut in the pixels", 60, 0, 0},
      {"magic", 1, 'N', 1},
      {"info header size", 14, 41, 4},
      {"planes", 26, 2, 2},
      {"bits per pixel", 28, 7, 2},
      {"huge width", 18, 0x7FFFFFFF, 4},
      {"negative width", 18, 0xFFFFFFFF, 4},
      {"2^32 pixels", 18, 65536, 4},
      {"pixel offset past the end", 10, 0xFFFFFFF0, 4},
      {"pixel offset inside the header", 10, 20, 4},
      {"unknown compression", 30, 9, 4},
      {"RLE8 of 24 bits", 30, 1, 4},
      {"bit fields of 24 bits", 30, 3, 4},
  };
  for (const Case& c : cases) {
    Bytes f = k24;
    if (c.name == std::string("2^32 pixels")) Le(f, 22, 65536);
    if (c.width == 0) f.resize(c.at);
    else Le(f, c.at, c.value, c.width);
    EXPECT_THROW(ReadBmp(f), EInvalidGraphic) << c.name;
  }
  EXPECT_THROW(ReadBmp(File(1, 1, 8, 0, 257, Bytes(257 * 4 + 4, 0))), EInvalidGraphic);
  EXPECT_THROW(ReadBmp(File(1, 1, 8, 0, 0, Bytes(16, 0))), EInvalidGraphic);  // 256 entries promised
  EXPECT_THROW(ReadBmp(Bytes{'B', 'M'}), EInvalidGraphic);
}

TEST(BmpFileTest, NoSingleByteDamageReadsOutsideTheFile) {
  // Run under the sanitizers: each byte of each header set to 0xFF or 0x80 either reads or is refused.
  const Bytes rle = File(4, 2, 8, 1, 2, {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 3, 1, 0, 2, 5, 5, 0, 3, 0, 1, 0, 0, 0, 1});
  for (const Bytes& base : {k24, rle})
    for (size_t i = 0; i < base.size(); ++i)
      for (uint8_t v : {uint8_t{0xFF}, uint8_t{0x80}}) {
        Bytes f = base;
        f[i] = v;
        try {
          const TBitmap b = ReadBmp(f);
          EXPECT_LE(int64_t{b.Width()} * b.Height(), TBitmap::kMaxPixels);
        } catch (const EInvalidGraphic&) {
        }
      }
}

}  // namespace
}  // namespace olv
