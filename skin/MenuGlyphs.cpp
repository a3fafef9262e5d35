#include "skin/MenuGlyphs.h"

#include "widgets/gfx/Canvas.h"

namespace skin {

namespace {

// A one-pixel outline with a two-pixel title bar, as a window is drawn in a menu glyph.
void Window(olv::TCanvas& c, int left, int top, int right, int bottom) {
  c.FillRect({left, top, right, top + 2}, olv::kClBlack);
  c.FillRect({left, bottom - 1, right, bottom}, olv::kClBlack);
  c.FillRect({left, top, left + 1, bottom}, olv::kClBlack);
  c.FillRect({right - 1, top, right, bottom}, olv::kClBlack);
}

}  // namespace

olv::TBitmap MakeMenuGlyphs() {
  olv::TBitmap strip(64, 16);
  strip.Fill(olv::kClWhite);
  olv::TCanvas c(strip);
  // Restore: two windows, the front one lower left.
  Window(c, 6, 3, 13, 9);
  c.FillRect({3, 7, 10, 13}, olv::kClWhite);
  Window(c, 3, 7, 10, 13);
  // Maximise.
  Window(c, 16 + 3, 3, 16 + 13, 13);
  // Minimise: the bar a window leaves.
  c.FillRect({32 + 4, 11, 32 + 11, 13}, olv::kClBlack);
  // Close: a cross two pixels wide.
  for (int i = 0; i < 8; ++i) {
    c.FillRect({48 + 4 + i, 4 + i, 48 + 6 + i, 5 + i}, olv::kClBlack);
    c.FillRect({48 + 10 - i, 4 + i, 48 + 12 - i, 5 + i}, olv::kClBlack);
  }
  return strip;
}

}  // namespace skin
