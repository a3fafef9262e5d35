#pragma once
// TBitmap: a picture in memory, the one raster type of the GIF library and the skin engine.
//
// Formats: 1, 4 and 8 bits per pixel hold palette indices (the most significant bits first within
// a byte); 24 bits hold blue, green, red bytes; 32 bits hold blue, green, red and a fourth byte
// that the layer carries along but never interprets. The 32-bit format is the one for true-colour
// work (it is also what the display boundary hands to the screen). Rows run from top to bottom,
// each aligned to 4 bytes.
//
// Sizes: at most kMaxSide pixels a side and kMaxPixels pixels in all; larger sizes raise
// EInvalidGraphic before anything is allocated (sizes are computed in 64 bits).
//
// Ownership: a bitmap owns its pixels and its palette; copies are deep, moves are cheap. Every
// pixel access is bounds-checked (EInvalidGraphic); ScanLine hands out a span of exactly one row's
// pixel bytes. No thread affinity: one thread at a time uses a bitmap.
//
// Transparency: Transparent and TransparentColor say which colour a masked draw leaves out
// (kClDefault: the colour of the bottom-left pixel); MakeMask turns a colour into a 1-bit mask.
#include <cstdint>
#include <span>
#include <vector>

#include "widgets/gfx/Color.h"
#include "widgets/gfx/Palette.h"

namespace olv {

enum class TPixelFormat : uint8_t { pf1bit = 1, pf4bit = 4, pf8bit = 8, pf24bit = 24, pf32bit = 32 };

constexpr int BitsOf(TPixelFormat f) { return static_cast<int>(f); }
constexpr bool IsIndexed(TPixelFormat f) { return BitsOf(f) <= 8; }

class TBitmap {
 public:
  static constexpr int kMaxSide = 1 << 20;
  static constexpr int64_t kMaxPixels = int64_t{1} << 28;

  TBitmap() = default;
  // Pixels start at 0 (black, or palette index 0). Indexed formats get DefaultPalette.
  TBitmap(int width, int height, TPixelFormat format = TPixelFormat::pf32bit);

  int Width() const { return width_; }
  int Height() const { return height_; }
  TPixelFormat PixelFormat() const { return format_; }
  int BitsPerPixel() const { return BitsOf(format_); }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  TRect Bounds() const { return {0, 0, width_, height_}; }

  // Keeps the pixels of the area both sizes share; new pixels are 0.
  void SetSize(int width, int height);
  // Converts the pixels: to true colour through the palette; to an indexed format to the nearest
  // entry of the palette kept (the present one when it fits the new depth, else DefaultPalette).
  void SetPixelFormat(TPixelFormat format);

  // The palette travels with every format; it gives the colours only of indexed pixels.
  const TPalette& Palette() const { return palette_; }
  void SetPalette(TPalette palette) { palette_ = std::move(palette); }

  // Bytes of one row in use ((width * bits + 7) / 8) and the aligned distance between rows.
  int RowBytes() const;
  int Stride() const { return stride_; }
  // y must lie in [0, Height()): "Scan line index out of range" otherwise.
  std::span<uint8_t> ScanLine(int y);
  std::span<const uint8_t> ScanLine(int y) const;
  // All rows, Stride() bytes each, top row first.
  std::span<uint8_t> Bits() { return pixels_; }
  std::span<const uint8_t> Bits() const { return pixels_; }

  // Indexed formats only (EInvalidGraphic otherwise).
  int Index(int x, int y) const;
  void SetIndex(int x, int y, int index);
  // Any format: an indexed pixel reads its palette colour (black past the palette's end) and is
  // set to the nearest palette entry.
  TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor color);

  // Every pixel set to color (the nearest entry for indexed formats).
  void Fill(TColor color);

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on) { transparent_ = on; }
  TColor TransparentColor() const;  // kClDefault resolved; kClBlack for an empty bitmap
  void SetTransparentColor(TColor color) { transparentColor_ = color; }

  // A 1-bit bitmap of the same size, bit 1 (index 1) where the pixel has exactly the key colour.
  TBitmap MakeMask(TColor key) const;

  friend bool operator==(const TBitmap& a, const TBitmap& b);

 private:
  void CheckXY(int x, int y) const;

  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  TPixelFormat format_ = TPixelFormat::pf32bit;
  TPalette palette_;
  std::vector<uint8_t> pixels_;
  bool transparent_ = false;
  TColor transparentColor_ = kClDefault;
};

// Reads and writes colours of a whole row span of any format; used by the canvas and the pictures'
// converters. count pixels from column x of row y (the caller keeps them inside the bitmap).
void ReadRowColors(const TBitmap& bitmap, int y, int x, int count, TColor* out);

}  // namespace olv
