#include "skin/SystemColors.h"

namespace skin {

using olv::MakeColor;

olv::TColor TSystemColors::Color(int index) const {
  switch (index) {
    case COLOR_SCROLLBAR: return MakeColor(212, 208, 200);
    case COLOR_MENU: return MakeColor(212, 208, 200);
    case COLOR_WINDOW: return MakeColor(255, 255, 255);
    case COLOR_MENUTEXT: return MakeColor(0, 0, 0);
    case COLOR_WINDOWTEXT: return MakeColor(0, 0, 0);
    case COLOR_CAPTIONTEXT: return MakeColor(255, 255, 255);
    case COLOR_HIGHLIGHT: return MakeColor(10, 36, 106);
    case COLOR_HIGHLIGHTTEXT: return MakeColor(255, 255, 255);
    case COLOR_BTNFACE: return MakeColor(212, 208, 200);
    case COLOR_BTNSHADOW: return MakeColor(128, 128, 128);
    case COLOR_GRAYTEXT: return MakeColor(128, 128, 128);
    case COLOR_BTNTEXT: return MakeColor(0, 0, 0);
    case COLOR_INACTIVECAPTIONTEXT: return MakeColor(212, 208, 200);
    case COLOR_BTNHIGHLIGHT: return MakeColor(255, 255, 255);
    case COLOR_3DDKSHADOW: return MakeColor(64, 64, 64);
    case COLOR_3DLIGHT: return MakeColor(212, 208, 200);
    default: return MakeColor(0, 0, 0);
  }
}

namespace {
const TSystemColors kClassic;
const TSystemColors* installed = &kClassic;
}  // namespace

const TSystemColors& CurrentSystemColors() { return *installed; }

void SetSystemColors(const TSystemColors* colors) { installed = colors ? colors : &kClassic; }

}  // namespace skin
