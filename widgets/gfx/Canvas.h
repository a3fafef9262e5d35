#pragma once
// TCanvas: drawing onto one bitmap. Every operation is clipped to the target bitmap; a destination
// rectangle that is empty or inverted draws nothing. Copies read the source through its format and
// write the target in its own (the nearest palette entry for an indexed target). Stretching picks
// the nearest source pixel (no blending), so colours such as the skin's magenta key survive.
//
// Ownership: the canvas refers to its target and never owns it; the target must outlive it and
// must not be resized while a drawing call runs. Sources are only read; a source may be the target
// itself. One thread at a time.
#include "widgets/gfx/Bitmap.h"
#include "widgets/gfx/Color.h"

namespace olv {

class TCanvas {
 public:
  explicit TCanvas(TBitmap& target) : target_(target) {}

  TBitmap& Target() { return target_; }

  void FillRect(const TRect& rect, TColor color);
  // The whole of source at (x, y), 1:1.
  void Draw(int x, int y, const TBitmap& source);
  // The whole of source stretched into dest.
  void StretchDraw(const TRect& dest, const TBitmap& source);
  // sourceRect of source stretched into dest. Parts of sourceRect outside the source leave the
  // target as it was.
  void CopyRect(const TRect& dest, const TBitmap& source, const TRect& sourceRect);
  // As CopyRect, but source pixels whose mask pixel is 1 leave the target as it was. mask is a
  // 1-bit bitmap of the source's size (TBitmap::MakeMask); EInvalidGraphic otherwise.
  void CopyRectMasked(const TRect& dest, const TBitmap& source, const TRect& sourceRect, const TBitmap& mask);
  // As CopyRect, but source pixels of exactly the key colour leave the target as it was.
  void CopyRectTransparent(const TRect& dest, const TBitmap& source, const TRect& sourceRect, TColor key);

 private:
  enum class Skip { None, Mask, Key };
  void Copy(const TRect& dest, const TBitmap& source, const TRect& sourceRect, Skip skip, const TBitmap* mask,
            TColor key);

  TBitmap& target_;
};

}  // namespace olv
