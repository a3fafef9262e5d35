#pragma once
// Drawing skin pictures. A picture is a strip of equal frames, side by side or stacked (the caller
// says which); a frame is drawn to any size by cutting it into nine slices: four corners copied
// 1:1, four edges stretched along their length, and a centre stretched or tiled. Magenta,
// RGB(255, 0, 255), is the transparent colour where a routine draws transparent.
//
// Frames are numbered from 1. A frame count of 0 or less counts as 1, a frame number outside
// 1..count is taken as the nearest frame, and margins are clipped to the frame, so damaged skin
// values never read outside a picture. Inverted destination rectangles draw nothing.
//
// Each routine builds what it draws in a bitmap of its own and copies it to the target once, so a
// caller drawing on screen never shows half a frame. Targets are canvases the caller owns; the
// routines keep nothing. One thread at a time per target.
#include <array>

#include "widgets/gfx/Bitmap.h"
#include "widgets/gfx/Canvas.h"
#include "widgets/gfx/Color.h"

namespace skin {

// The fixed borders of a frame: Left = LeftWidth, Top = TopHeight, Right = RightWidth,
// Bottom = BottomHeight, in pixels of one frame.
using TSkinMargins = olv::TRect;

// Frame number of frameCount of a picture, as a rectangle of the picture.
olv::TRect SkinFrameRect(const olv::TBitmap& picture, int frameCount, int frameNumber, bool vertical);

// One slice of a frame: where it goes (from the destination's top-left corner) and where it comes
// from in the picture.
struct TSkinSlice {
  olv::TRect dest, source;
};
// The nine slices of frame frameNumber drawn at w x h, in drawing order: the corners and near
// edges (0 to 4), the centre (kCentreSlice), then the far corner and edges that cover a tiled
// centre's overhang (6 to 8). Margins are clipped to the frame and dropped in a direction where
// they do not fit w (h). Slices without area are there with empty rectangles.
constexpr int kCentreSlice = 5;
std::array<TSkinSlice, 9> SkinSlices(const olv::TBitmap& picture, TSkinMargins margins, bool vertical,
                                     int frameCount, int frameNumber, int w, int h);

// The nine-slice frame at dest's size, in a new bitmap the caller owns. Margins whose sum exceeds
// the destination's width (height) are dropped in that direction, so the frame is stretched whole.
// With tile the centre is repeated from its top-left corner; tiles past the centre are covered by
// the right and bottom slices.
olv::TBitmap MakeSkinImage(const olv::TRect& dest, const olv::TBitmap& picture, TSkinMargins margins,
                           bool vertical, bool tile, int frameCount, int frameNumber);

// The nine-slice frame onto the target at dest, opaque or with magenta transparent.
void DrawSkinImage(olv::TCanvas& target, const olv::TRect& dest, const olv::TBitmap& picture, bool vertical,
                   bool tile, bool transparent, int frameCount, int frameNumber, const TSkinMargins& margins);

// Only the eight outer slices, straight onto the target; the centre is left as it was.
void DrawSkinBorder(olv::TCanvas& target, const olv::TRect& dest, const olv::TBitmap& picture, bool vertical,
                    int frameCount, int frameNumber, const TSkinMargins& margins);

// A bar of three slices along its width: the frame's left and right margins (margins.Left and
// margins.Right) stretched to the bar's height, and its middle repeated between them, not
// stretched along the width (the last copy may run under the right part).
void DrawSkinBar(olv::TCanvas& target, const olv::TRect& dest, const olv::TBitmap& picture, bool vertical,
                 bool transparent, int frameCount, int frameNumber, const TSkinMargins& margins);

// One frame of a picture whose frames lie side by side, stretched to dest.
void DrawSkinFrame(olv::TCanvas& target, const olv::TRect& dest, const olv::TBitmap& picture, bool transparent,
                   int frameCount, int frameNumber);

// A bitmap of dest's size copied 1:1, leaving the target's pixels where the bitmap has key.
void DrawTransparent(olv::TCanvas& target, const olv::TRect& dest, const olv::TBitmap& bitmap, olv::TColor key);

// dest filled with copies of the source rectangle from dest's top-left corner; the last copies are
// not cut at dest's right and bottom edges (only at the target's). A source without area draws
// nothing.
void TileImage(olv::TCanvas& target, const olv::TRect& dest, const olv::TBitmap& picture,
               const olv::TRect& source);

}  // namespace skin
