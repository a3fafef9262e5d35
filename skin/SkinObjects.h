#pragma once
// The pictures of a skin with their slicing, as the skin component keeps them: one picture of
// equal frames with margins, tiling, transparency and colours (TDataSkinObject), and the kinds
// that add to it: a second picture (borders, progress chunks, up-down glyphs, the mirrored combo
// button), the caption text settings, the check and radio pictures of buttons, and the caption
// buttons. Plain records owned by the skin component; painters only read them (main thread).
#include <string>

#include "skin/SkinDraw.h"
#include "widgets/gfx/Bitmap.h"
#include "widgets/gfx/Color.h"

namespace skin {

class TDataSkinObject {
 public:
  explicit TDataSkinObject(std::string name) : Name(std::move(name)) {}
  virtual ~TDataSkinObject() = default;

  int LeftWidth = 0, TopHeight = 0, RightWidth = 0, BottomHeight = 0;
  olv::TBitmap Bitmap;  // the frames side by side, or stacked as the painter says
  int Trans = 0;        // non-zero: magenta pixels are transparent where the painter honours it
  int Tile = 0;         // 1: the centre is tiled; 0: stretched
  std::string Name;     // the INI section (or role) it came from
  int Style = 0;
  int NormalColour = -1, MouseOverColour = -1, PressedColour = -1;
  olv::TColor NormalColour2 = 0, MouseOverColour2 = 0, PressedColour2 = 0;

  // At least 1: a skin that says 0 or less has one frame.
  int FrameCount() const { return frameCount_; }
  void SetFrameCount(int count) { frameCount_ = count < 1 ? 1 : count; }

  TSkinMargins Margins() const { return {LeftWidth, TopHeight, RightWidth, BottomHeight}; }
  bool HasPicture() const { return !Bitmap.Empty(); }

 private:
  int frameCount_ = 1;
};

class TDataSkinBorder : public TDataSkinObject {
 public:
  using TDataSkinObject::TDataSkinObject;
  olv::TBitmap Bitmap2;
};

// The caption: its margins hold TextShift (Left), TextShiftVert (Top) and TextRightClip (Right).
class TDataSkinTitle : public TDataSkinObject {
 public:
  using TDataSkinObject::TDataSkinObject;
  int TextAlignment = 0, TextBackground = 0, FontHeight = 0, TextBackLeft = 0, TextBackRight = 0;
  // olv::kClNone when the skin gives none.
  olv::TColor ActiveTextColour = olv::kClNone, InactiveTextColour = olv::kClNone;
};

class TDataSkinButton : public TDataSkinObject {
 public:
  using TDataSkinObject::TDataSkinObject;
  olv::TBitmap CheckBitmap, RadioBitmap;
  int RadioFrameCount = 0, CheckFrameCount = 0;
};

class TDataSkinSysButton : public TDataSkinObject {
 public:
  using TDataSkinObject::TDataSkinObject;
  int Action = 0, Align = 0, Xcoord = 0, Ycoord = 0, CombineOp = 0, Visibility = 0, Visibility1 = 0;
};

}  // namespace skin
