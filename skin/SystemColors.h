#pragma once
// The desktop's own colours, by the original platform's colour numbers, for the skin colours a
// skin does not give. The core answers with the classic desktop scheme; the window side installs
// the desktop palette (skin/qt). The installed colours are read and replaced on the main thread
// only, as the whole skin engine runs there.
#include "widgets/gfx/Color.h"

namespace skin {

enum TSysColor : int {
  COLOR_SCROLLBAR = 0,
  COLOR_MENU = 4,
  COLOR_WINDOW = 5,
  COLOR_MENUTEXT = 7,
  COLOR_WINDOWTEXT = 8,
  COLOR_CAPTIONTEXT = 9,
  COLOR_HIGHLIGHT = 13,
  COLOR_HIGHLIGHTTEXT = 14,
  COLOR_BTNFACE = 15,
  COLOR_BTNSHADOW = 16,
  COLOR_GRAYTEXT = 17,
  COLOR_BTNTEXT = 18,
  COLOR_INACTIVECAPTIONTEXT = 19,
  COLOR_BTNHIGHLIGHT = 20,
  COLOR_3DDKSHADOW = 21,
  COLOR_3DLIGHT = 22,
};

class TSystemColors {
 public:
  virtual ~TSystemColors() = default;
  // The colour of a TSysColor number; black for a number it does not know.
  virtual olv::TColor Color(int index) const;
};

// The installed colours: the classic scheme until SetSystemColors is given others, which must
// outlive their use; nullptr puts the classic scheme back. Process-wide because skin painting
// reads them through the free function SysColor, as the system's colours are one for every
// window.
const TSystemColors& CurrentSystemColors();
void SetSystemColors(const TSystemColors* colors);

inline olv::TColor SysColor(int index) { return CurrentSystemColors().Color(index); }

}  // namespace skin
