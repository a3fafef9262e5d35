#include "widgets/gfx/BmpFile.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "widgets/gfx/GraphicError.h"

namespace olv {

namespace {

[[noreturn]] void Bad(const char* what) { throw EInvalidGraphic(std::string("Invalid bitmap: ") + what); }

uint32_t U32(std::span<const uint8_t> d, size_t at) {
  return uint32_t{d[at]} | uint32_t{d[at + 1]} << 8 | uint32_t{d[at + 2]} << 16 | uint32_t{d[at + 3]} << 24;
}
uint16_t U16(std::span<const uint8_t> d, size_t at) { return static_cast<uint16_t>(d[at] | d[at + 1] << 8); }

// One channel of a bit-field pixel, scaled to 0..255.
struct Field {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;
  explicit Field(uint32_t m) : mask(m) {
    if (!m) return;
    shift = std::countr_zero(m);
    max = m >> shift;
  }
  uint8_t operator()(uint32_t v) const {
    return max ? static_cast<uint8_t>(((v & mask) >> shift) * 255u / max) : 0;
  }
};

enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

// RLE8 / RLE4 into an indexed bitmap (rows bottom-up). Pixels past the picture's edges are dropped;
// returns the offset after the last code read.
size_t DecodeRle(std::span<const uint8_t> d, size_t at, TBitmap& bmp, bool four) {
  const int w = bmp.Width(), h = bmp.Height();
  int x = 0, row = 0;  // row counts from the bottom
  auto put = [&](int index) {
    if (x < w && row < h) bmp.SetIndex(x, h - 1 - row, index & (four ? 0x0F : 0xFF));
    if (x <= w) ++x;  // past the edge x stays put: no count can overflow
  };
  while (true) {
    if (at + 2 > d.size()) Bad("compressed data ends early");
    const int count = d[at], value = d[at + 1];
    at += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i) put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
      continue;
    }
    switch (value) {
      case 0: x = 0, ++row; break;
      case 1: return at;
      case 2:
        if (at + 2 > d.size()) Bad("compressed data ends early");
        x = std::min(x + d[at], w + 1), row = std::min(row + d[at + 1], h + 1);
        at += 2;
        break;
      default: {
        const size_t bytes = four ? (static_cast<size_t>(value) + 1) / 2 : static_cast<size_t>(value);
        if (at + bytes > d.size()) Bad("compressed data ends early");
        for (int i = 0; i < value; ++i) put(four ? ((i & 1) ? d[at + i / 2] & 0x0F : d[at + i / 2] >> 4) : d[at + i]);
        at += (bytes + 1) & ~size_t{1};
      }
    }
    if (row > h) return at;  // ran off the top: nothing more can land
  }
}

}  // namespace

namespace {

TBitmap Parse(std::span<const uint8_t> d, size_t& end) {
  if (d.size() < 18 || d[0] != 'B' || d[1] != 'M') Bad("no \"BM\" header");
  const uint32_t offBits = U32(d, 10);
  const uint32_t hs = U32(d, 14);
  if (hs != 12 && hs != 40 && hs != 52 && hs != 56 && hs != 108 && hs != 124) Bad("unknown info header");
  if (14 + uint64_t{hs} > d.size()) Bad("info header cut short");
  int64_t width, height;
  int bits;
  uint32_t compression = kRgb, clrUsed = 0;
  uint32_t masks[3] = {0, 0, 0};
  uint64_t tableAt = 14 + uint64_t{hs};
  int entrySize = 4;
  if (hs == 12) {
    width = U16(d, 18), height = U16(d, 20);
    if (U16(d, 22) != 1) Bad("planes");
    bits = U16(d, 24);
    entrySize = 3;
  } else {
    width = static_cast<int32_t>(U32(d, 18));
    height = static_cast<int32_t>(U32(d, 22));
    if (U16(d, 26) != 1) Bad("planes");
    bits = U16(d, 28);
    compression = U32(d, 30);
    clrUsed = U32(d, 46);
    if (compression == kBitFields) {
      if (hs == 40) {
        if (tableAt + 12 > d.size()) Bad("bit-field masks cut short");
        for (int i = 0; i < 3; ++i) masks[i] = U32(d, static_cast<size_t>(tableAt) + 4 * i);
        tableAt += 12;
      } else {
        for (int i = 0; i < 3; ++i) masks[i] = U32(d, 54 + 4 * i);
      }
    }
  }
  const bool topDown = height < 0;
  height = topDown ? -height : height;
  if (width < 0 || width > TBitmap::kMaxSide || height > TBitmap::kMaxSide || width * height > TBitmap::kMaxPixels)
    Bad("size");
  switch (compression) {
    case kRgb:
      if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) Bad("bits per pixel");
      break;
    case kRle8:
      if (bits != 8 || topDown) Bad("RLE8");
      break;
    case kRle4:
      if (bits != 4 || topDown) Bad("RLE4");
      break;
    case kBitFields:
      if (bits != 16 && bits != 32) Bad("bit fields");
      break;
    default: Bad("compression");
  }
  if (compression == kRgb && bits == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;

  const bool indexed = bits <= 8;
  const TPixelFormat format = indexed    ? static_cast<TPixelFormat>(bits)
                              : bits == 24 ? TPixelFormat::pf24bit
                                           : TPixelFormat::pf32bit;
  TBitmap bmp(static_cast<int>(width), static_cast<int>(height), format);
  uint64_t tableEnd = tableAt;
  if (indexed) {
    const uint64_t maxColors = uint64_t{1} << bits;
    const uint64_t colors = clrUsed ? clrUsed : maxColors;
    if (colors > maxColors) Bad("colour count");
    tableEnd = tableAt + colors * static_cast<uint64_t>(entrySize);
    if (tableEnd > d.size()) Bad("colour table cut short");
    std::vector<TPaletteEntry> entries;
    for (uint64_t i = 0; i < colors; ++i) {
      const size_t at = static_cast<size_t>(tableAt + i * static_cast<uint64_t>(entrySize));
      entries.push_back({d[at + 2], d[at + 1], d[at], 0});
    }
    bmp.SetPalette(TPalette(std::move(entries)));
  }
  uint64_t pixelsAt = offBits;
  if (pixelsAt == 0) pixelsAt = tableEnd;
  if (pixelsAt < 14 + uint64_t{hs} || pixelsAt > d.size()) Bad("pixel offset");

  if (compression == kRle8 || compression == kRle4) {
    end = DecodeRle(d, static_cast<size_t>(pixelsAt), bmp, compression == kRle4);
    return bmp;
  }
  const uint64_t stride = ((static_cast<uint64_t>(width) * static_cast<uint64_t>(bits) + 31) / 32) * 4;
  const uint64_t need = stride * static_cast<uint64_t>(height);
  if (need > d.size() - pixelsAt) Bad("pixels cut short");
  end = static_cast<size_t>(pixelsAt + need);
  const Field red(masks[0]), green(masks[1]), blue(masks[2]);
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* src = d.data() + pixelsAt + stride * static_cast<uint64_t>(topDown ? y : height - 1 - y);
    std::span<uint8_t> dst = bmp.ScanLine(static_cast<int>(y));
    if (compression == kRgb && bits != 16) {
      std::memcpy(dst.data(), src, dst.size());
      continue;
    }
    for (int64_t x = 0; x < width; ++x) {
      const uint32_t v = bits == 16 ? uint32_t{src[2 * x]} | uint32_t{src[2 * x + 1]} << 8
                                    : uint32_t{src[4 * x]} | uint32_t{src[4 * x + 1]} << 8 |
                                          uint32_t{src[4 * x + 2]} << 16 | uint32_t{src[4 * x + 3]} << 24;
      dst[4 * x] = blue(v), dst[4 * x + 1] = green(v), dst[4 * x + 2] = red(v), dst[4 * x + 3] = 0;
    }
  }
  return bmp;
}

void Put16(std::vector<uint8_t>& o, uint32_t v) { o.push_back(uint8_t(v)), o.push_back(uint8_t(v >> 8)); }
void Put32(std::vector<uint8_t>& o, uint32_t v) { Put16(o, v & 0xFFFF), Put16(o, v >> 16); }

}  // namespace

TBitmap ReadBmp(std::span<const uint8_t> file) {
  size_t end = 0;
  return Parse(file, end);
}

TBitmap ReadBmp(TStream& stream) {
  const int64_t start = stream.Position();
  const int64_t remaining = stream.Remaining();
  if (remaining > int64_t{TBitmap::kMaxPixels} * 4 + (1 << 20)) Bad("file too large");
  std::vector<uint8_t> bytes(static_cast<size_t>(remaining));
  stream.ReadBuffer(bytes.data(), bytes.size());
  size_t end = 0;
  TBitmap bmp = Parse(bytes, end);
  stream.SetPosition(start + static_cast<int64_t>(end));
  return bmp;
}

std::vector<uint8_t> WriteBmp(const TBitmap& bitmap) {
  const bool indexed = IsIndexed(bitmap.PixelFormat());
  const uint32_t colors = indexed ? static_cast<uint32_t>(bitmap.Palette().Count()) : 0;
  const uint32_t headers = 14 + 40 + colors * 4;
  const uint64_t image = uint64_t(bitmap.Stride()) * static_cast<uint64_t>(bitmap.Height());
  if (headers + image > 0xFFFFFFFFu) throw EInvalidGraphic("Bitmap too large for a BMP file");
  std::vector<uint8_t> o;
  o.reserve(static_cast<size_t>(headers + image));
  o.push_back('B'), o.push_back('M');
  Put32(o, static_cast<uint32_t>(headers + image));
  Put32(o, 0);
  Put32(o, headers);
  Put32(o, 40);
  Put32(o, static_cast<uint32_t>(bitmap.Width()));
  Put32(o, static_cast<uint32_t>(bitmap.Height()));
  Put16(o, 1);
  Put16(o, static_cast<uint32_t>(bitmap.BitsPerPixel()));
  Put32(o, kRgb);
  Put32(o, static_cast<uint32_t>(image));
  Put32(o, 0), Put32(o, 0);
  Put32(o, colors), Put32(o, colors);
  for (uint32_t i = 0; i < colors; ++i) {
    const TPaletteEntry& e = bitmap.Palette().Entry(static_cast<int>(i));
    o.push_back(e.Blue), o.push_back(e.Green), o.push_back(e.Red), o.push_back(0);
  }
  for (int y = bitmap.Height() - 1; y >= 0; --y) {
    std::span<const uint8_t> row = bitmap.ScanLine(y);
    o.insert(o.end(), row.begin(), row.end());
    o.insert(o.end(), static_cast<size_t>(bitmap.Stride()) - row.size(), 0);
  }
  return o;
}

void WriteBmp(const TBitmap& bitmap, TStream& stream) {
  const std::vector<uint8_t> bytes = WriteBmp(bitmap);
  stream.WriteBuffer(bytes.data(), bytes.size());
}

}  // namespace olv
