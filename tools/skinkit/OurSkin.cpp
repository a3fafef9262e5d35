#include "tools/skinkit/OurSkin.h"

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

struct Entry {
  std::string_view section, key;
  int frameWidth, frameHeight, frames;
  bool vertical;
  Margins margins;
  std::string_view transKey;  // the key whose value 1 gives the frames a magenta corner
};

// The frame counts are those the loader gives each object.
const Entry kEntries[] = {
    {"Personality", "Left", 4, 40, 2, false, Margins::SideUpright, "LeftTrans"},
    {"Personality", "Right", 4, 40, 2, false, Margins::SideUpright, "RightTrans"},
    {"Personality", "Top", 60, 24, 2, true, Margins::SideFlat, "TopTrans"},
    {"Personality", "Bottom", 60, 4, 2, true, Margins::SideFlat, "BottomTrans"},
    {"Personality", "TextBack", 40, 18, 2, false, Margins::TitleBar, ""},
    {"Personality", "menuBar", 40, 20, 2, true, Margins::MenuBar, ""},
    {"BUTTON0", "ButtonImage", 16, 16, 4, false, Margins::None, ""},
    {"BUTTON1", "ButtonImage", 16, 16, 4, false, Margins::None, ""},
    {"BUTTON2", "ButtonImage", 16, 16, 3, false, Margins::None, ""},
    {"BUTTON3", "ButtonImage", 16, 16, 3, false, Margins::None, ""},
    {"MDICONTROLS", "Image", 12, 12, 12, false, Margins::None, ""},
    {"Buttons", "Bitmap", 20, 20, 5, false, Margins::Section, "Trans"},
    {"Buttons", "CheckButton", 13, 13, 4, false, Margins::None, ""},
    {"Buttons", "RadioButton", 16, 16, 6, false, Margins::None, ""},
    {"Progress", "Bitmap", 20, 12, 2, false, Margins::Section, ""},
    {"Progress", "Chunk", 8, 8, 1, false, Margins::None, ""},
    {"GroupBoxEdge", "Image", 16, 16, 2, false, Margins::Section, "Trans"},
    {"Toolbars", "Image", 16, 16, 5, false, Margins::Section, ""},
    {"Tabs", "Image", 24, 20, 5, false, Margins::Section, "Trans"},
    {"Tabs", "Border", 16, 16, 1, false, Margins::None, ""},
    {"StatusBarEdges", "Image", 12, 12, 3, false, Margins::Section, ""},
    {"ComboButton", "Image", 16, 16, 4, false, Margins::Section, ""},
    {"SunkEdge", "Image", 16, 16, 4, false, Margins::Section, ""},
    {"ExtraImages", "Image", 12, 12, 5, false, Margins::Section, ""},
    {"Headerbar", "Image", 20, 16, 5, false, Margins::Section, ""},
    {"MenuItem", "Image", 20, 16, 5, false, Margins::Section, "Trans"},
    {"MenuBackground", "Image", 16, 16, 1, false, Margins::Section, ""},
    {"Scrollbar", "Image", 16, 16, 23, false, Margins::None, ""},
    {"HorzScroll", "Image", 16, 16, 4, false, Margins::Section, ""},
    {"VertScroll", "Image", 16, 16, 4, false, Margins::Section, ""},
    {"HorzScrollThumb", "Image", 16, 16, 3, false, Margins::Section, ""},
    {"VertScrollThumb", "Image", 16, 16, 3, false, Margins::Section, ""},
    {"Trackbar.ThumbHorz", "Image", 11, 18, 5, false, Margins::None, "Trans"},
    {"Trackbar.ThumbVert", "Image", 18, 11, 5, false, Margins::None, "Trans"},
    {"Trackbar.ThumbLeft", "Image", 18, 11, 5, false, Margins::None, "Trans"},
    {"Trackbar.ThumbRight", "Image", 18, 11, 5, false, Margins::None, "Trans"},
    {"Trackbar.ThumbUp", "Image", 11, 18, 5, false, Margins::None, "Trans"},
    {"Trackbar.ThumbDown", "Image", 11, 18, 5, false, Margins::None, "Trans"},
    {"UpDown.Horz", "Image", 16, 16, 8, false, Margins::Section, ""},
    {"UpDown.Horz", "GlyphImage", 8, 8, 8, false, Margins::None, ""},
    {"UpDown.Vert", "Image", 16, 16, 8, false, Margins::Section, ""},
    {"UpDown.Vert", "GlyphImage", 8, 8, 8, false, Margins::None, ""},
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

}  // namespace

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

std::vector<PackageFile> BuildOurSkin(const std::string& iniText, const std::string& iniName) {
  const skin::TSkinIni ini(iniText);
  std::vector<PackageFile> files{{iniName, std::vector<uint8_t>(iniText.begin(), iniText.end())}};
  int id = 1;
  for (const Entry& e : kEntries) {
    const std::string name = skin::SkinFileNamePart(ini.ReadString(e.section, e.key));
    if (name.empty())
      throw std::runtime_error("the skin's INI names no picture for [" + std::string(e.section) + "] " +
                               std::string(e.key));
    ProbeLayout layout;
    layout.frameWidth = e.frameWidth;
    layout.frameHeight = e.frameHeight;
    layout.frames = e.frames;
    layout.vertical = e.vertical;
    layout.margins = MarginsOf(ini, e);
    layout.magentaCorner = !e.transKey.empty() && ini.ReadInteger(e.section, e.transKey, 0) == 1;
    olv::TBitmap picture = PaintProbePicture(id++, layout);
    picture.SetPixelFormat(olv::TPixelFormat::pf24bit);  // as skin pictures are usually stored
    files.push_back({name, olv::WriteBmp(picture)});
  }
  return files;
}

}  // namespace skinkit
