#pragma once
// Colours and rectangles of the raster layer. A TColor holds red + green * 256 + blue * 65536 (the
// order the pictures' colour tables and the skin's colour values use); the top byte is 0 for a real
// colour and marks the special values kClNone and kClDefault. Rectangles are half-open:
// [Left, Right) x [Top, Bottom). Plain values, no thread affinity.
#include <algorithm>
#include <cstdint>

namespace olv {

using TColor = uint32_t;

constexpr TColor MakeColor(uint8_t red, uint8_t green, uint8_t blue) {
  return TColor{red} | (TColor{green} << 8) | (TColor{blue} << 16);
}
constexpr uint8_t ColorRed(TColor c) { return static_cast<uint8_t>(c); }
constexpr uint8_t ColorGreen(TColor c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t ColorBlue(TColor c) { return static_cast<uint8_t>(c >> 16); }

constexpr TColor kClBlack = MakeColor(0, 0, 0);
constexpr TColor kClWhite = MakeColor(255, 255, 255);
// The skin's transparent colour.
constexpr TColor kClMagenta = MakeColor(255, 0, 255);
// "No colour": for a background colour, take the picture's own.
constexpr TColor kClNone = 0x1FFFFFFF;
// For a bitmap's transparent colour: the colour of its bottom-left pixel.
constexpr TColor kClDefault = 0x20000000;

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  constexpr int Width() const { return Right - Left; }
  constexpr int Height() const { return Bottom - Top; }
  // No pixel inside (also an inverted rectangle).
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  constexpr bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  constexpr TRect Intersect(const TRect& o) const {
    return {std::max(Left, o.Left), std::max(Top, o.Top), std::min(Right, o.Right), std::min(Bottom, o.Bottom)};
  }
  constexpr TRect Offset(int dx, int dy) const { return {Left + dx, Top + dy, Right + dx, Bottom + dy}; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect MakeRect(int left, int top, int width, int height) {
  return {left, top, left + width, top + height};
}

}  // namespace olv
