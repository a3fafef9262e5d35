#include "widgets/gfx/Palette.h"

#include <algorithm>
#include <limits>
#include <string>

#include "widgets/gfx/GraphicError.h"

namespace olv {

TPalette::TPalette(std::vector<TPaletteEntry> entries) : entries_(std::move(entries)) {
  if (entries_.size() > kMaxEntries) throw EInvalidGraphic("Palette holds more than 256 entries");
}

TPalette TPalette::FromColors(std::span<const TColor> colors, uint8_t flags) {
  std::vector<TPaletteEntry> entries;
  entries.reserve(colors.size());
  for (TColor c : colors) entries.push_back({ColorRed(c), ColorGreen(c), ColorBlue(c), flags});
  return TPalette(std::move(entries));
}

const TPaletteEntry& TPalette::Entry(int index) const {
  if (index < 0 || index >= Count())
    throw EInvalidGraphic("Palette index " + std::to_string(index) + " out of range");
  return entries_[static_cast<size_t>(index)];
}

int TPalette::Add(TColor color, uint8_t flags) {
  if (Count() >= kMaxEntries) throw EInvalidGraphic("Palette holds more than 256 entries");
  entries_.push_back({ColorRed(color), ColorGreen(color), ColorBlue(color), flags});
  return Count() - 1;
}

void TPalette::SetEntry(int index, TColor color, uint8_t flags) {
  Entry(index);  // range check
  entries_[static_cast<size_t>(index)] = {ColorRed(color), ColorGreen(color), ColorBlue(color), flags};
}

void TPalette::Resize(int count) {
  if (count < 0 || count > kMaxEntries) throw EInvalidGraphic("Invalid palette size");
  entries_.resize(static_cast<size_t>(count));
}

int TPalette::NearestIndex(TColor color) const {
  int best = -1;
  int bestDistance = std::numeric_limits<int>::max();
  const int r = ColorRed(color), g = ColorGreen(color), b = ColorBlue(color);
  for (int i = 0; i < Count(); ++i) {
    const TPaletteEntry& e = entries_[static_cast<size_t>(i)];
    const int dr = e.Red - r, dg = e.Green - g, db = e.Blue - b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
      if (d == 0) break;
    }
  }
  return best;
}

int TNearestColorCache::operator()(TColor color) {
  auto& slot = slots_[(color ^ (color >> 12) ^ (color >> 20)) & 4095];
  if (slot.first != color) slot = {color, std::max(0, palette_.NearestIndex(color))};
  return slot.second;
}

namespace {

constexpr TColor kSystemColors[20] = {
    MakeColor(0, 0, 0),       MakeColor(128, 0, 0),     MakeColor(0, 128, 0),     MakeColor(128, 128, 0),
    MakeColor(0, 0, 128),     MakeColor(128, 0, 128),   MakeColor(0, 128, 128),   MakeColor(192, 192, 192),
    MakeColor(192, 220, 192), MakeColor(166, 202, 240), MakeColor(255, 251, 240), MakeColor(160, 160, 164),
    MakeColor(128, 128, 128), MakeColor(255, 0, 0),     MakeColor(0, 255, 0),     MakeColor(255, 255, 0),
    MakeColor(0, 0, 255),     MakeColor(255, 0, 255),   MakeColor(0, 255, 255),   MakeColor(255, 255, 255)};

TPalette MakeHalftone() {
  std::vector<TColor> colors(kSystemColors, kSystemColors + 10);
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        colors.push_back(MakeColor(static_cast<uint8_t>(51 * r), static_cast<uint8_t>(51 * g),
                                   static_cast<uint8_t>(51 * b)));
  // Twenty greys spread evenly over 0..255, none equal to a cube grey.
  for (int i = 1; i <= 20; ++i) {
    const auto v = static_cast<uint8_t>((i * 255 + 10) / 21);
    colors.push_back(MakeColor(v, v, v));
  }
  colors.insert(colors.end(), kSystemColors + 10, kSystemColors + 20);
  return TPalette::FromColors(colors, kPcNoCollapse);
}

}  // namespace

const TPalette& SystemPalette20() {
  static const TPalette palette = TPalette::FromColors(kSystemColors, kPcNoCollapse);
  return palette;
}

const TPalette& HalftonePalette() {
  static const TPalette palette = MakeHalftone();
  return palette;
}

const TPalette& DefaultPalette(int bitsPerPixel) {
  static const TPalette mono = TPalette::FromColors(std::vector<TColor>{kClBlack, kClWhite});
  static const TPalette sixteen = [] {
    std::vector<TColor> c(kSystemColors, kSystemColors + 8);
    c.insert(c.end(), kSystemColors + 12, kSystemColors + 20);
    return TPalette::FromColors(c);
  }();
  if (bitsPerPixel <= 1) return mono;
  if (bitsPerPixel <= 4) return sixteen;
  return HalftonePalette();
}

}  // namespace olv
