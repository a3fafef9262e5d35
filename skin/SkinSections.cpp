#include "skin/SkinSections.h"

#include <iterator>

namespace skin {

namespace {

using R = TSkinRole;
using S = TSectionShape;

constexpr TSkinSection kSections[] = {
    {R::Progress, "Progress", S::Progress, "Chunk", 2},
    {R::MenuBar, "Personality", S::MenuBar, "", 2},
    {R::GroupBoxEdge, "GroupBoxEdge", S::Plain, "", 2},
    {R::Toolbars, "Toolbars", S::Plain, "", 5},
    {R::Tabs, "Tabs", S::SecondImage, "Border", 5},
    {R::StatusBarEdges, "StatusBarEdges", S::Plain, "", 3},
    {R::ComboButton, "ComboButton", S::SecondImage, kMirroredKey, 4},
    {R::SunkEdge, "SunkEdge", S::Plain, "", 4},
    {R::ExtraImages, "ExtraImages", S::Plain, "", 5},
    {R::Headerbar, "Headerbar", S::Plain, "", 5},
    {R::MenuItem, "MenuItem", S::Plain, "", 5},
    {R::MenuBackground, "MenuBackground", S::Plain, "", 1},
    {R::Scrollbar, "Scrollbar", S::Plain, "", 23},
    {R::HorzScroll, "HorzScroll", S::Plain, "", 4},
    {R::VertScroll, "VertScroll", S::Plain, "", 4},
    {R::HorzScrollThumb, "HorzScrollThumb", S::Plain, "", 0},
    {R::VertScrollThumb, "VertScrollThumb", S::Plain, "", 0},
    {R::TrackbarThumbHorz, "Trackbar.ThumbHorz", S::Plain, "", 5},
    {R::TrackbarThumbVert, "Trackbar.ThumbVert", S::Plain, "", 5},
    {R::TrackbarThumbLeft, "Trackbar.ThumbLeft", S::Plain, "", 5},
    {R::TrackbarThumbRight, "Trackbar.ThumbRight", S::Plain, "", 5},
    {R::TrackbarThumbUp, "Trackbar.ThumbUp", S::Plain, "", 5},
    {R::TrackbarThumbDown, "Trackbar.ThumbDown", S::Plain, "", 5},
    {R::UpDownHorz, "UpDown.Horz", S::SecondImage, "GlyphImage", 8},
    {R::UpDownVert, "UpDown.Vert", S::SecondImage, "GlyphImage", 8},
};
static_assert(std::size(kSections) == kSkinRoleCount);
constexpr bool InRoleOrder() {
  for (int i = 0; i < kSkinRoleCount; ++i)
    if (static_cast<int>(kSections[i].role) != i) return false;
  return true;
}
static_assert(InRoleOrder(), "SkinSection() indexes the table by role");

}  // namespace

std::span<const TSkinSection> SkinSections() { return kSections; }

const TSkinSection& SkinSection(TSkinRole role) { return kSections[static_cast<int>(role)]; }

}  // namespace skin
