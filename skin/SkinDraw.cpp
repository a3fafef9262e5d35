#include "skin/SkinDraw.h"

#include <algorithm>

namespace skin {

using olv::MakeRect;
using olv::TBitmap;
using olv::TCanvas;
using olv::TColor;
using olv::TPixelFormat;
using olv::TRect;

namespace {

bool Inverted(const TRect& r) { return r.Right < r.Left || r.Bottom < r.Top; }

// Margins of 0 or more that fit the frame: left and right together at most its width, top and
// bottom at most its height.
TSkinMargins ClipMargins(TSkinMargins m, const TRect& frame) {
  m.Left = std::clamp(m.Left, 0, frame.Width());
  m.Right = std::clamp(m.Right, 0, frame.Width() - m.Left);
  m.Top = std::clamp(m.Top, 0, frame.Height());
  m.Bottom = std::clamp(m.Bottom, 0, frame.Height() - m.Top);
  return m;
}

void Put(TCanvas& target, const TBitmap& image, const TRect& dest, bool transparent) {
  if (transparent)
    DrawTransparent(target, dest, image, olv::kClMagenta);
  else
    target.Draw(dest.Left, dest.Top, image);
}

}  // namespace

TRect SkinFrameRect(const TBitmap& picture, int frameCount, int frameNumber, bool vertical) {
  const int64_t count = std::max(frameCount, 1);
  const int64_t k = std::clamp<int64_t>(frameNumber, 1, count);
  const int64_t w = picture.Width(), h = picture.Height();
  if (vertical)
    return {0, static_cast<int>((k - 1) * h / count), static_cast<int>(w), static_cast<int>(k * h / count)};
  return {static_cast<int>((k - 1) * w / count), 0, static_cast<int>(k * w / count), static_cast<int>(h)};
}

std::array<TSkinSlice, 9> SkinSlices(const TBitmap& picture, TSkinMargins margins, bool vertical, int frameCount,
                                     int frameNumber, int w, int h) {
  const TRect frame = SkinFrameRect(picture, frameCount, frameNumber, vertical);
  TSkinMargins m = ClipMargins(margins, frame);
  if (m.Left + m.Right > w) m.Left = m.Right = 0;
  if (m.Top + m.Bottom > h) m.Top = m.Bottom = 0;
  const int fx = frame.Left, fy = frame.Top, fr = frame.Right, fb = frame.Bottom;
  const int L = m.Left, T = m.Top, R = m.Right, B = m.Bottom;
  return {{{{0, 0, L, T}, {fx, fy, fx + L, fy + T}},
           {{0, h - B, L, h}, {fx, fb - B, fx + L, fb}},
           {{w - R, 0, w, T}, {fr - R, fy, fr, fy + T}},
           {{0, T, L, h - B}, {fx, fy + T, fx + L, fb - B}},
           {{L, 0, w - R, T}, {fx + L, fy, fr - R, fy + T}},
           {{L, T, w - R, h - B}, {fx + L, fy + T, fr - R, fb - B}},
           {{w - R, h - B, w, h}, {fr - R, fb - B, fr, fb}},
           {{w - R, T, w, h - B}, {fr - R, fy + T, fr, fb - B}},
           {{L, h - B, w - R, h}, {fx + L, fb - B, fr - R, fb}}}};
}

TBitmap MakeSkinImage(const TRect& dest, const TBitmap& picture, TSkinMargins margins, bool vertical, bool tile,
                      int frameCount, int frameNumber) {
  const int w = std::max(dest.Width(), 0), h = std::max(dest.Height(), 0);
  TBitmap image(w, h, TPixelFormat::pf32bit);
  TCanvas canvas(image);
  const auto slices = SkinSlices(picture, margins, vertical, frameCount, frameNumber, w, h);
  for (int i = 0; i < 9; ++i) {
    const TSkinSlice& s = slices[static_cast<size_t>(i)];
    if (i == kCentreSlice && tile)
      TileImage(canvas, s.dest, picture, s.source);
    else
      canvas.CopyRect(s.dest, picture, s.source);
  }
  return image;
}

void DrawSkinImage(TCanvas& target, const TRect& dest, const TBitmap& picture, bool vertical, bool tile,
                   bool transparent, int frameCount, int frameNumber, const TSkinMargins& margins) {
  if (Inverted(dest)) return;
  const TBitmap image = MakeSkinImage(dest, picture, margins, vertical, tile, frameCount, frameNumber);
  Put(target, image, dest, transparent);
}

void DrawSkinBorder(TCanvas& target, const TRect& dest, const TBitmap& picture, bool vertical, int frameCount,
                    int frameNumber, const TSkinMargins& margins) {
  if (Inverted(dest)) return;
  const auto slices = SkinSlices(picture, margins, vertical, frameCount, frameNumber, dest.Width(), dest.Height());
  for (int i = 0; i < 9; ++i)
    if (i != kCentreSlice)
      target.CopyRect(slices[static_cast<size_t>(i)].dest.Offset(dest.Left, dest.Top), picture,
                      slices[static_cast<size_t>(i)].source);
}

void DrawSkinBar(TCanvas& target, const TRect& dest, const TBitmap& picture, bool vertical, bool transparent,
                 int frameCount, int frameNumber, const TSkinMargins& margins) {
  if (Inverted(dest)) return;
  const int w = dest.Width(), h = dest.Height();
  TBitmap bar(w, h, TPixelFormat::pf32bit);
  TCanvas canvas(bar);
  const TRect frame = SkinFrameRect(picture, frameCount, frameNumber, vertical);
  const TSkinMargins m = ClipMargins(margins, frame);
  const int L = m.Left, R = m.Right;
  canvas.CopyRect({0, 0, L, h}, picture, {frame.Left, frame.Top, frame.Left + L, frame.Bottom});
  const int step = frame.Width() - L - R;
  if (step > 0)
    for (int x = L; x < w - R; x += step)
      canvas.CopyRect({x, 0, x + step, h}, picture, {frame.Left + L, frame.Top, frame.Right - R, frame.Bottom});
  canvas.CopyRect({w - R, 0, w, h}, picture, {frame.Right - R, frame.Top, frame.Right, frame.Bottom});
  Put(target, bar, dest, transparent);
}

void DrawSkinFrame(TCanvas& target, const TRect& dest, const TBitmap& picture, bool transparent, int frameCount,
                   int frameNumber) {
  if (Inverted(dest)) return;
  TBitmap image(dest.Width(), dest.Height(), TPixelFormat::pf32bit);
  TCanvas(image).CopyRect(image.Bounds(), picture, SkinFrameRect(picture, frameCount, frameNumber, false));
  Put(target, image, dest, transparent);
}

void DrawTransparent(TCanvas& target, const TRect& dest, const TBitmap& bitmap, TColor key) {
  target.CopyRectTransparent(MakeRect(dest.Left, dest.Top, bitmap.Width(), bitmap.Height()), bitmap,
                             bitmap.Bounds(), key);
}

void TileImage(TCanvas& target, const TRect& dest, const TBitmap& picture, const TRect& source) {
  const TRect src = source.Intersect(picture.Bounds());
  if (src.IsEmpty() || dest.IsEmpty()) return;
  TBitmap tile(src.Width(), src.Height(), TPixelFormat::pf32bit);
  TCanvas(tile).CopyRect(tile.Bounds(), picture, src);
  for (int y = dest.Top; y < dest.Bottom; y += tile.Height())
    for (int x = dest.Left; x < dest.Right; x += tile.Width()) target.Draw(x, y, tile);
}

}  // namespace skin
