#pragma once
// The skin objects that a skin's INI may describe beyond the caption, the buttons and the frame
// sides: one role each, read from its section in one of four ways, with the frame count its
// painters expect. The skin component loads by this table; our skin's generator draws by it.
#include <cstdint>
#include <span>
#include <string_view>

namespace skin {

enum class TSkinRole : uint8_t {
  Progress,
  MenuBar,
  GroupBoxEdge,
  Toolbars,
  Tabs,
  StatusBarEdges,
  ComboButton,
  SunkEdge,
  ExtraImages,
  Headerbar,
  MenuItem,
  MenuBackground,
  Scrollbar,
  HorzScroll,
  VertScroll,
  HorzScrollThumb,
  VertScrollThumb,
  TrackbarThumbHorz,
  TrackbarThumbVert,
  TrackbarThumbLeft,
  TrackbarThumbRight,
  TrackbarThumbUp,
  TrackbarThumbDown,
  UpDownHorz,
  UpDownVert,
};
constexpr int kSkinRoleCount = static_cast<int>(TSkinRole::UpDownVert) + 1;

enum class TSectionShape : uint8_t {
  Plain,        // key "Image", slicing, colours
  SecondImage,  // as Plain without "Style", plus a second picture
  Progress,     // key "Bitmap" and the chunk picture of key "Chunk"; no colours
  MenuBar,      // key "menuBar" of "Personality"; margins from "TileLeftMenu" / "TileRightMenu"
};

struct TSkinSection {
  TSkinRole role;
  std::string_view section;
  TSectionShape shape;
  std::string_view secondKey;  // SecondImage and Progress: the second picture's key
  int frames;                  // 0: the section's key "FrameCount", default 3
};

// In the order the sections are read.
std::span<const TSkinSection> SkinSections();
const TSkinSection& SkinSection(TSkinRole role);

// "ComboButton"'s second picture is never read from the INI: it is the first one mirrored.
inline constexpr std::string_view kMirroredKey = "****";

}  // namespace skin
