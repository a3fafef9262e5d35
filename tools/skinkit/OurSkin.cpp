#include "tools/skinkit/OurSkin.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <stdexcept>

#include "skin/SkinData.h"
#include "skin/SkinIni.h"
#include "tools/skinkit/ProbePicture.h"
#include "widgets/gfx/BmpFile.h"

namespace skinkit {

namespace {

// Where a picture's margins come from.
enum class Margins {
  None,
  Section,      // LeftWidth, TopHeight, RightWidth, BottomHeight of the section
  SideUpright,  // "Personality" <Side>TopHeight / <Side>BotHeight: top and bottom
  SideFlat,     // the same keys as left and right
  TitleBar,     // TXTBackleft / TXTBackRight
  MenuBar,      // TileLeftMenu / TileRightMenu
};

// How a picture looks.
enum class Look {
  Side, CaptionTop, FrameBottom, TextBack, MenuBar, Close, Maximize, Minimize, Restore, Icon, MdiControls,
  Button, Check, Radio, Progress, Chunk, Panel, Tabs, TabBorder, StatusEdges, SunkEdge, ExtraImages, Header,
  MenuItem, MenuBack, ScrollArrows, Track, Thumb, TrackThumb, UpDown, UpDownGlyph,
};

struct Entry {
  std::string_view section, key;
  int frameWidth, frameHeight, frames;
  bool vertical;
  Margins margins;
  std::string_view transKey;  // the key whose value 1 makes the frames' magenta transparent
  Look look;
};

// The frame counts are those the loader gives each object.
const Entry kEntries[] = {
    {"Personality", "Left", 4, 40, 2, false, Margins::SideUpright, "LeftTrans", Look::Side},
    {"Personality", "Right", 4, 40, 2, false, Margins::SideUpright, "RightTrans", Look::Side},
    {"Personality", "Top", 60, 24, 2, true, Margins::SideFlat, "TopTrans", Look::CaptionTop},
    {"Personality", "Bottom", 60, 4, 2, true, Margins::SideFlat, "BottomTrans", Look::FrameBottom},
    {"Personality", "TextBack", 40, 18, 2, false, Margins::TitleBar, "", Look::TextBack},
    {"Personality", "menuBar", 40, 20, 2, true, Margins::MenuBar, "", Look::MenuBar},
    {"BUTTON0", "ButtonImage", 16, 16, 4, false, Margins::None, "", Look::Close},
    {"BUTTON1", "ButtonImage", 16, 16, 4, false, Margins::None, "", Look::Maximize},
    {"BUTTON2", "ButtonImage", 16, 16, 4, false, Margins::None, "", Look::Minimize},
    {"BUTTON3", "ButtonImage", 16, 16, 3, false, Margins::None, "", Look::Icon},
    {"BUTTON4", "ButtonImage", 16, 16, 4, false, Margins::None, "", Look::Restore},
    {"MDICONTROLS", "Image", 12, 12, 12, false, Margins::None, "", Look::MdiControls},
    {"Buttons", "Bitmap", 20, 20, 5, false, Margins::Section, "Trans", Look::Button},
    {"Buttons", "CheckButton", 13, 13, 4, false, Margins::None, "", Look::Check},
    {"Buttons", "RadioButton", 16, 16, 6, false, Margins::None, "", Look::Radio},
    {"Progress", "Bitmap", 20, 12, 2, false, Margins::Section, "", Look::Progress},
    {"Progress", "Chunk", 8, 8, 1, false, Margins::None, "", Look::Chunk},
    {"GroupBoxEdge", "Image", 16, 16, 2, false, Margins::Section, "Trans", Look::Panel},
    {"Toolbars", "Image", 16, 16, 5, false, Margins::Section, "", Look::Panel},
    {"Tabs", "Image", 24, 20, 5, false, Margins::Section, "Trans", Look::Tabs},
    {"Tabs", "Border", 16, 16, 1, false, Margins::None, "", Look::TabBorder},
    {"StatusBarEdges", "Image", 12, 12, 3, false, Margins::Section, "", Look::StatusEdges},
    {"ComboButton", "Image", 16, 16, 4, false, Margins::Section, "", Look::Button},
    {"SunkEdge", "Image", 16, 16, 4, false, Margins::Section, "", Look::SunkEdge},
    {"ExtraImages", "Image", 12, 12, 5, false, Margins::Section, "", Look::ExtraImages},
    {"Headerbar", "Image", 20, 16, 5, false, Margins::Section, "", Look::Header},
    {"MenuItem", "Image", 20, 16, 5, false, Margins::Section, "Trans", Look::MenuItem},
    {"MenuBackground", "Image", 16, 16, 1, false, Margins::Section, "", Look::MenuBack},
    {"Scrollbar", "Image", 16, 16, 23, false, Margins::None, "", Look::ScrollArrows},
    {"HorzScroll", "Image", 16, 16, 4, false, Margins::Section, "", Look::Track},
    {"VertScroll", "Image", 16, 16, 4, false, Margins::Section, "", Look::Track},
    {"HorzScrollThumb", "Image", 16, 16, 3, false, Margins::Section, "", Look::Thumb},
    {"VertScrollThumb", "Image", 16, 16, 3, false, Margins::Section, "", Look::Thumb},
    {"Trackbar.ThumbHorz", "Image", 11, 18, 5, false, Margins::None, "Trans", Look::TrackThumb},
    {"Trackbar.ThumbVert", "Image", 18, 11, 5, false, Margins::None, "Trans", Look::TrackThumb},
    {"Trackbar.ThumbLeft", "Image", 18, 11, 5, false, Margins::None, "Trans", Look::TrackThumb},
    {"Trackbar.ThumbRight", "Image", 18, 11, 5, false, Margins::None, "Trans", Look::TrackThumb},
    {"Trackbar.ThumbUp", "Image", 11, 18, 5, false, Margins::None, "Trans", Look::TrackThumb},
    {"Trackbar.ThumbDown", "Image", 11, 18, 5, false, Margins::None, "Trans", Look::TrackThumb},
    {"UpDown.Horz", "Image", 16, 16, 8, false, Margins::Section, "", Look::UpDown},
    {"UpDown.Horz", "GlyphImage", 8, 8, 8, false, Margins::None, "", Look::UpDownGlyph},
    {"UpDown.Vert", "Image", 16, 16, 8, false, Margins::Section, "", Look::UpDown},
    {"UpDown.Vert", "GlyphImage", 8, 8, 8, false, Margins::None, "", Look::UpDownGlyph},
};

olv::TRect MarginsOf(const skin::TSkinIni& ini, const Entry& e) {
  const auto i = [&](std::string_view section, const std::string& key) { return ini.ReadInteger(section, key, 0); };
  const std::string side(e.key);
  switch (e.margins) {
    case Margins::None: return {};
    case Margins::Section:
      return {i(e.section, "LeftWidth"), i(e.section, "TopHeight"), i(e.section, "RightWidth"),
              i(e.section, "BottomHeight")};
    case Margins::SideUpright: return {0, i(e.section, side + "TopHeight"), 0, i(e.section, side + "BotHeight")};
    case Margins::SideFlat: return {i(e.section, side + "TopHeight"), 0, i(e.section, side + "BotHeight"), 0};
    case Margins::TitleBar: return {i(e.section, "TXTBackleft"), 0, i(e.section, "TXTBackRight"), 0};
    case Margins::MenuBar: return {i(e.section, "TileLeftMenu"), 0, i(e.section, "TileRightMenu"), 0};
  }
  return {};
}


using olv::TColor;

constexpr TColor Rgb(int r, int g, int b) {
  return olv::MakeColor(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b));
}
TColor Mix(TColor a, TColor b, int t, int of) {
  const auto m = [&](int x, int y) { return (x * (of - t) + y * t) / of; };
  return Rgb(m(olv::ColorRed(a), olv::ColorRed(b)), m(olv::ColorGreen(a), olv::ColorGreen(b)),
             m(olv::ColorBlue(a), olv::ColorBlue(b)));
}
TColor Shade(TColor c, int d) {
  const auto k = [&](int x) { return std::clamp(x + d, 0, 255); };
  return Rgb(k(olv::ColorRed(c)), k(olv::ColorGreen(c)), k(olv::ColorBlue(c)));
}

// The scheme: slate captions, light grey-blue faces, white fields.
constexpr TColor kSlate = Rgb(58, 92, 134), kSlateLight = Rgb(86, 122, 166), kSlateDark = Rgb(38, 62, 94);
constexpr TColor kGrey = Rgb(156, 166, 180), kGreyLight = Rgb(184, 192, 204), kGreyDark = Rgb(120, 130, 144);
constexpr TColor kFace = Rgb(226, 230, 236), kFaceLight = Rgb(244, 246, 249), kLine = Rgb(150, 160, 176);
constexpr TColor kWhite = Rgb(252, 252, 253), kAccent = Rgb(47, 84, 130), kInk = Rgb(40, 48, 60);
constexpr TColor kMagenta = olv::kClMagenta;

// One frame being drawn.
struct Art {
  olv::TBitmap& bitmap;
  int ox, oy, w, h, frame;
  void Set(int x, int y, TColor c) {
    if (x >= 0 && y >= 0 && x < w && y < h) bitmap.SetPixel(ox + x, oy + y, c);
  }
  void Fill(int x0, int y0, int x1, int y1, TColor c) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) Set(x, y, c);
  }
  // A box: an outer line, a light line inside at the top and left, a dark one at the bottom and
  // right, the face; corners cut to magenta when round.
  void Box(TColor face, TColor line, TColor light, TColor dark, bool round) {
    Fill(0, 0, w, h, face);
    Fill(1, 1, w - 1, 2, light);
    Fill(1, 1, 2, h - 1, light);
    Fill(1, h - 2, w - 1, h - 1, dark);
    Fill(w - 2, 1, w - 1, h - 1, dark);
    Fill(0, 0, w, 1, line);
    Fill(0, h - 1, w, h, line);
    Fill(0, 0, 1, h, line);
    Fill(w - 1, 0, w, h, line);
    if (round) {
      Set(0, 0, kMagenta), Set(w - 1, 0, kMagenta), Set(0, h - 1, kMagenta), Set(w - 1, h - 1, kMagenta);
    }
  }
  // Rows from top to bottom shading from one colour to another.
  void VerticalShade(int x0, int x1, TColor top, TColor bottom) {
    for (int y = 0; y < h; ++y) Fill(x0, y, x1, y + 1, Mix(top, bottom, y, std::max(h - 1, 1)));
  }
};

// A caption glyph in the middle of a 16 x 16 frame: its pixels by a small picture of text.
void Glyph(Art& a, const char* const rows[], int n, TColor ink) {
  const int gw = static_cast<int>(std::strlen(rows[0]));
  const int x0 = (a.w - gw) / 2, y0 = (a.h - n) / 2;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < gw; ++x)
      if (rows[y][x] == '#') a.Set(x0 + x, y0 + y, ink);
}

const char* const kCross[] = {"#....#", ".#..#.", "..##..", "..##..", ".#..#.", "#....#"};
const char* const kSquare[] = {"#######", "#######", "#.....#", "#.....#", "#.....#", "#######"};
const char* const kBar[] = {"......", "......", "......", "......", "######", "######"};
const char* const kRestore[] = {"..#####", "..#...#", "#####.#", "#...###", "#...#..", "#####.."};
const char* const kTick[] = {".......#", "......##", "#....##.", "##..##..", ".####...", "..##...."};
const char* const kDown[] = {"#######", ".#####.", "..###..", "...#..."};
const char* const kUp[] = {"...#...", "..###..", ".#####.", "#######"};
const char* const kLeft[] = {"...#", "..##", ".###", "####", ".###", "..##", "...#"};
const char* const kRight[] = {"#...", "##..", "###.", "####", "###.", "##..", "#..."};
const char* const kGrip[] = {".....#", "......", "...#.#", "......", ".#.#.#", "......"};

// Caption buttons: a rounded square a little lighter than the caption, the glyph in white.
// Frames: 1 active, 2 pressed, 3 hot, 4 inactive.
void CaptionButton(Art& a, const char* const glyph[], int rows, bool close) {
  TColor back = Shade(kSlate, 18), ink = kWhite;
  if (a.frame == 2) back = close ? Rgb(150, 40, 40) : kSlateDark;
  if (a.frame == 3) back = close ? Rgb(196, 64, 56) : kSlateLight;
  if (a.frame == 4) back = Shade(kGrey, 14), ink = Rgb(236, 238, 242);
  a.Fill(0, 0, a.w, a.h, kMagenta);
  a.Fill(1, 1, a.w - 1, a.h - 1, back);
  a.Fill(0, 2, a.w, a.h - 2, back);
  a.Fill(2, 0, a.w - 2, a.h, back);
  Glyph(a, glyph, rows, ink);
}

// Button faces by frame: 1 normal, 2 pressed, 3 disabled, 4 hot or focused, 5 default.
void ButtonFace(Art& a, bool round) {
  switch (a.frame) {
    case 2: a.Box(Rgb(204, 214, 226), Rgb(96, 116, 146), Rgb(186, 196, 210), Rgb(220, 228, 238), round); break;
    case 3: a.Box(Rgb(232, 234, 238), Rgb(190, 194, 202), Rgb(240, 242, 245), Rgb(222, 225, 230), round); break;
    case 4: a.Box(Rgb(240, 245, 251), Rgb(70, 110, 166), kWhite, Rgb(208, 218, 232), round); break;
    case 5: a.Box(Rgb(236, 239, 243), kAccent, kWhite, Rgb(206, 212, 222), round); break;
    default: a.Box(Rgb(236, 239, 243), Rgb(140, 150, 166), kWhite, Rgb(206, 212, 222), round); break;
  }
}

void Draw(Art& a, Look look, bool trans, const std::string_view key) {
  const bool active = a.frame == 1;
  switch (look) {
    case Look::Side: {
      // Outer line dark, then the caption's colour; the top corner rounded on the outer side.
      const TColor c = active ? kSlate : kGrey, outer = active ? kSlateDark : kGreyDark;
      a.Fill(0, 0, a.w, a.h, c);
      const bool left = key == "Left";
      a.Fill(left ? 0 : a.w - 1, 0, left ? 1 : a.w, a.h, outer);
      a.Fill(left ? 1 : a.w - 2, 0, left ? 2 : a.w - 1, a.h, Shade(c, 14));
      a.Fill(0, 0, a.w, 1, outer);
      if (trans) {
        const int x0 = left ? 0 : a.w - 1, x1 = left ? 1 : a.w - 2;
        a.Set(x0, 0, kMagenta), a.Set(x1, 0, kMagenta), a.Set(x0, 1, kMagenta);
      }
      break;
    }
    case Look::CaptionTop:
      a.VerticalShade(0, a.w, active ? kSlateLight : kGreyLight, active ? kSlate : kGrey);
      a.Fill(0, 0, a.w, 1, active ? kSlateDark : kGreyDark);
      a.Fill(0, 1, a.w, 2, active ? Shade(kSlateLight, 24) : Shade(kGreyLight, 20));
      break;
    case Look::FrameBottom: {
      const TColor c = active ? kSlate : kGrey;
      a.Fill(0, 0, a.w, a.h, c);
      a.Fill(0, a.h - 1, a.w, a.h, active ? kSlateDark : kGreyDark);
      break;
    }
    case Look::TextBack: {
      // A faint band behind the caption text, shaded like the caption, its ends rounded.
      const TColor top = Shade(active ? kSlateLight : kGreyLight, -8), bottom = Shade(active ? kSlate : kGrey, -8);
      a.VerticalShade(0, a.w, top, bottom);
      a.Set(0, 0, kMagenta), a.Set(a.w - 1, 0, kMagenta), a.Set(0, a.h - 1, kMagenta), a.Set(a.w - 1, a.h - 1, kMagenta);
      break;
    }
    case Look::MenuBar:
      a.VerticalShade(0, a.w, active ? Rgb(240, 243, 247) : Rgb(236, 237, 240), active ? Rgb(222, 228, 236) : Rgb(226, 228, 232));
      a.Fill(0, a.h - 1, a.w, a.h, kLine);
      break;
    case Look::Close: CaptionButton(a, kCross, 6, true); break;
    case Look::Maximize: CaptionButton(a, kSquare, 6, false); break;
    case Look::Minimize: CaptionButton(a, kBar, 6, false); break;
    case Look::Restore: CaptionButton(a, kRestore, 6, false); break;
    case Look::Icon: a.Box(kAccent, kSlateDark, kSlateLight, kSlateDark, true); break;
    case Look::MdiControls: {
      const int k = (a.frame - 1) / 4;
      a.frame = (a.frame - 1) % 4 + 1;
      CaptionButton(a, k == 0 ? kBar : k == 1 ? kRestore : kCross, 6, k == 2);
      break;
    }
    case Look::Button: ButtonFace(a, trans); break;
    case Look::Check:
    case Look::Radio: {
      const bool disabled = look == Look::Check ? a.frame >= 3 : a.frame >= 3 && a.frame <= 4;
      const bool on = look == Look::Check ? (a.frame == 2 || a.frame == 4) : a.frame % 2 == 0;
      const TColor field = disabled ? Rgb(236, 238, 241) : kWhite, line = disabled ? kGreyLight : Rgb(110, 124, 146);
      const TColor ink = disabled ? kGrey : kAccent;
      if (look == Look::Check) {
        a.Box(field, line, Rgb(232, 236, 242), field, false);
        if (on) Glyph(a, kTick, 6, ink);
      } else {
        a.Fill(0, 0, a.w, a.h, kMagenta);
        const double r = a.w / 2.0 - 0.5, c = (a.w - 1) / 2.0;
        for (int y = 0; y < a.h; ++y)
          for (int x = 0; x < a.w; ++x) {
            const double d = std::hypot(x - c, y - c);
            if (d <= r) a.Set(x, y, d > r - 1.2 ? line : field);
            if (on && d <= r - 4) a.Set(x, y, ink);
          }
      }
      break;
    }
    case Look::Progress:
      if (active) a.Box(kWhite, kLine, Rgb(236, 239, 243), kWhite, false);
      else a.Box(Rgb(92, 138, 192), Rgb(58, 96, 146), Rgb(120, 162, 210), Rgb(76, 120, 174), false);
      break;
    case Look::Chunk: a.Fill(0, 0, a.w, a.h, Rgb(92, 138, 192)), a.Fill(a.w - 2, 0, a.w, a.h, kWhite); break;
    case Look::Panel: a.Box(kFace, kLine, kFaceLight, Rgb(210, 215, 223), trans); break;
    case Look::Tabs:
      if (a.frame == 2) {
        a.Box(kWhite, Rgb(130, 142, 160), kWhite, kWhite, trans);
        a.Fill(1, a.h - 2, a.w - 1, a.h, kWhite);
        a.Fill(0, 0, a.w, 2, kAccent);
      } else {
        a.Box(a.frame == 3 ? Rgb(240, 244, 249) : Rgb(218, 223, 231), kLine, Rgb(234, 237, 242), Rgb(206, 212, 221), trans);
        a.Fill(0, a.h - 1, a.w, a.h, Rgb(130, 142, 160));
      }
      break;
    case Look::TabBorder: a.Box(kWhite, Rgb(130, 142, 160), kWhite, kWhite, false); break;
    case Look::StatusEdges:
      if (a.frame == 1) a.Box(kFace, Rgb(196, 202, 212), Rgb(214, 219, 227), kFaceLight, false);
      else if (a.frame == 2) a.Box(kFace, Rgb(196, 202, 212), kFaceLight, Rgb(208, 213, 221), false);
      else a.Fill(0, 0, a.w, a.h, kFace);
      break;
    case Look::SunkEdge: {
      const TColor line = a.frame == 4 ? Rgb(70, 110, 166) : a.frame == 2 ? Rgb(96, 116, 146) : a.frame == 3 ? kGreyLight : Rgb(140, 150, 166);
      a.Box(a.frame == 3 ? Rgb(240, 241, 244) : kWhite, line, Rgb(236, 239, 243), kWhite, false);
      break;
    }
    case Look::ExtraImages:
      a.Fill(0, 0, a.w, a.h, kMagenta);
      if (a.frame == 5)
        Glyph(a, kGrip, 6, kGreyDark);
      else
        Glyph(a, kDown, 4, a.frame == 3 ? kGrey : a.frame == 4 ? kAccent : kInk);
      break;
    case Look::Header:
      a.VerticalShade(0, a.w, a.frame == 4 ? kWhite : Rgb(246, 248, 251), a.frame == 2 ? Rgb(204, 212, 224) : Rgb(224, 229, 236));
      a.Fill(0, a.h - 1, a.w, a.h, kLine);
      a.Fill(a.w - 1, 2, a.w, a.h - 2, kLine);
      break;
    case Look::MenuItem:
      if (a.frame == 4) a.Box(Rgb(74, 110, 156), Rgb(47, 84, 130), Rgb(96, 130, 174), Rgb(62, 96, 140), trans);
      else if (a.frame == 2) a.Fill(0, 0, a.w, a.h, Rgb(250, 250, 251)), a.Fill(0, a.h - 2, a.w, a.h - 1, kGreyLight);
      else a.Fill(0, 0, a.w, a.h, Rgb(249, 250, 251));
      break;
    case Look::MenuBack:
      a.Fill(0, 0, a.w, a.h, Rgb(249, 250, 251));
      a.Fill(0, 0, a.w, 1, kLine), a.Fill(0, a.h - 1, a.w, a.h, kGreyDark);
      a.Fill(0, 0, 1, a.h, kLine), a.Fill(a.w - 1, 0, a.w, a.h, kGreyDark);
      break;
    case Look::ScrollArrows: {
      // Four arrows of four frames each: normal, pressed, hot, disabled; then spare frames.
      const int arrow = (a.frame - 1) / 4, state = (a.frame - 1) % 4 + 1;
      a.Box(state == 2 ? Rgb(196, 206, 220) : state == 3 ? Rgb(240, 244, 250) : Rgb(230, 234, 240), Rgb(176, 184, 196),
            kFaceLight, Rgb(212, 217, 225), false);
      const TColor ink = state == 4 ? kGreyLight : kInk;
      if (arrow == 0) Glyph(a, kLeft, 7, ink);
      if (arrow == 1) Glyph(a, kRight, 7, ink);
      if (arrow == 2) Glyph(a, kUp, 4, ink);
      if (arrow == 3) Glyph(a, kDown, 4, ink);
      break;
    }
    case Look::Track:
      a.Fill(0, 0, a.w, a.h, Rgb(232, 235, 240));
      if (key == "Image" && a.w >= a.h) a.Fill(0, 0, a.w, 1, Rgb(214, 219, 227));
      break;
    case Look::Thumb: {
      const TColor face = a.frame == 2 ? Rgb(140, 160, 188) : a.frame == 3 ? Rgb(176, 190, 210) : Rgb(188, 198, 212);
      a.Box(face, Rgb(128, 140, 158), Shade(face, 16), Shade(face, -14), false);
      break;
    }
    case Look::TrackThumb:
      a.Fill(0, 0, a.w, a.h, kMagenta);
      a.Fill(1, 1, a.w - 1, a.h - 1, a.frame == 2 ? kAccent : kSlateLight);
      a.Fill(2, 2, a.w - 2, a.h - 2, a.frame == 2 ? Rgb(92, 128, 172) : Rgb(120, 150, 190));
      break;
    case Look::UpDown: {
      const int state = (a.frame - 1) % 4 + 1;
      ButtonFace(a, false);
      if (state == 3) a.Box(Rgb(232, 234, 238), Rgb(190, 194, 202), Rgb(240, 242, 245), Rgb(222, 225, 230), false);
      break;
    }
    case Look::UpDownGlyph: {
      a.Fill(0, 0, a.w, a.h, kMagenta);
      const bool second = a.frame > 4, disabled = (a.frame - 1) % 4 + 1 == 3;
      const bool vertical = key == "GlyphImage" && a.w == 8;  // both glyph pictures are 8 x 8
      (void)vertical;
      Glyph(a, second ? kDown : kUp, 4, disabled ? kGreyLight : kInk);
      break;
    }
  }
}

}  // namespace

std::optional<Probe> TOurProbes::Read(TColor colour) const {
  const auto it = std::lower_bound(entries_.begin(), entries_.end(), colour,
                                   [](const auto& e, TColor c) { return e.first < c; });
  if (it == entries_.end() || it->first != colour) return std::nullopt;
  return it->second;
}

std::optional<TColor> TOurProbes::Colour(int picture, int frame, int slice) const {
  for (const auto& e : entries_)
    if (e.second == Probe{picture, frame, slice}) return e.first;
  return std::nullopt;
}

bool TOurProbes::Has(TColor colour) const { return Read(colour).has_value(); }

bool TOurProbes::Add(TColor colour, const Probe& probe) {
  const auto it = std::lower_bound(entries_.begin(), entries_.end(), colour,
                                   [](const auto& e, TColor c) { return e.first < c; });
  if (it != entries_.end() && it->first == colour) return it->second == probe;
  entries_.insert(it, {colour, probe});
  return true;
}

const std::vector<OurPicture>& OurPictures() {
  static const std::vector<OurPicture> pictures = [] {
    std::vector<OurPicture> out;
    int id = 1;
    for (const Entry& e : kEntries)
      out.push_back({id++, e.section, e.key, e.frameWidth, e.frameHeight, e.frames, e.vertical});
    return out;
  }();
  return pictures;
}

std::optional<int> OurPictureId(std::string_view section, std::string_view key) {
  for (const OurPicture& p : OurPictures())
    if (p.section == section && p.key == key) return p.id;
  return std::nullopt;
}

std::vector<PackageFile> BuildOurSkin(const std::string& iniText, const std::string& iniName, TOurProbes* probes) {
  const skin::TSkinIni ini(iniText);
  std::vector<PackageFile> files{{iniName, std::vector<uint8_t>(iniText.begin(), iniText.end())}};
  TOurProbes own;
  TOurProbes& table = probes ? *probes : own;
  int id = 1;
  for (const Entry& e : kEntries) {
    const std::string name = skin::SkinFileNamePart(ini.ReadString(e.section, e.key));
    if (name.empty())
      throw std::runtime_error("the skin's INI names no picture for [" + std::string(e.section) + "] " +
                               std::string(e.key));
    const olv::TRect m = MarginsOf(ini, e);
    const bool trans = !e.transKey.empty() && ini.ReadInteger(e.section, e.transKey, 0) == 1;
    const int fw = e.frameWidth, fh = e.frameHeight;
    olv::TBitmap picture(e.vertical ? fw : fw * e.frames, e.vertical ? fh * e.frames : fh);
    const int xs[4] = {0, m.Left, fw - m.Right, fw}, ys[4] = {0, m.Top, fh - m.Bottom, fh};
    for (int f = 1; f <= e.frames; ++f) {
      const int ox = e.vertical ? 0 : (f - 1) * fw, oy = e.vertical ? (f - 1) * fh : 0;
      Art art{picture, ox, oy, fw, fh, f};
      Draw(art, e.look, trans, e.key);
      // Every colour stands for one picture, frame and slice: a shade met before elsewhere is
      // moved by a few levels until it is free (magenta and its neighbours stay out).
      std::map<TColor, TColor> moved;
      for (int y = 0; y < fh; ++y)
        for (int x = 0; x < fw; ++x) {
          const TColor c = picture.Pixel(ox + x, oy + y);
          if (c == olv::kClMagenta) continue;
          const int slice = 3 * (y >= ys[2] ? 2 : y >= ys[1] ? 1 : 0) + (x >= xs[2] ? 2 : x >= xs[1] ? 1 : 0);
          const Probe probe{id, f, slice};
          const TColor key = c | (static_cast<TColor>(slice) << 24);
          TColor out = c;
          if (const auto found = moved.find(key); found != moved.end()) {
            out = found->second;
          } else {
            const auto free = [&](TColor candidate) {
              if ((candidate & 0xFFFEFF) == 0xFF00FF) return false;
              const auto existing = table.Read(candidate);
              return !existing || *existing == probe;
            };
            // The nearest free shade: every channel moved by at most d, d growing.
            for (int d = 1; !free(out); ++d)
              for (int dr = -d; dr <= d && !free(out); ++dr)
                for (int dg = -d; dg <= d && !free(out); ++dg)
                  for (int db = -d; db <= d; ++db) {
                    if (std::max({std::abs(dr), std::abs(dg), std::abs(db)}) != d) continue;
                    const auto at = [&](int shift, int by) {
                      return static_cast<TColor>(std::clamp(static_cast<int>((c >> shift) & 0xFF) + by, 0, 255)) << shift;
                    };
                    out = at(0, dr) | at(8, dg) | at(16, db);
                    if (free(out)) break;
                    out = c;
                  }
            moved[key] = out;
            table.Add(out, probe);
          }
          picture.SetPixel(ox + x, oy + y, out);
        }
    }
    ++id;
    picture.SetPixelFormat(olv::TPixelFormat::pf24bit);  // as skin pictures are usually stored
    files.push_back({name, olv::WriteBmp(picture)});
  }
  return files;
}

}  // namespace skinkit
