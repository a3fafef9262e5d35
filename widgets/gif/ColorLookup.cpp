#include "widgets/gif/ColorLookup.h"

#include <cstdlib>

namespace olv {

namespace {
inline int Key(uint8_t r, uint8_t g, uint8_t b) { return (r >> 3) | ((g >> 3) << 5) | ((b >> 3) << 10); }
}  // namespace

TFastColorLookup::TFastColorLookup(const TPalette& palette)
    : TColorLookup(palette.Count()), entries_(palette.Entries()), table_(std::make_unique<int16_t[]>(32768)) {
  std::fill(table_.get(), table_.get() + 32768, int16_t{-1});
  for (int i = static_cast<int>(entries_.size()) - 1; i >= 0; --i) {
    const TPaletteEntry& e = entries_[static_cast<size_t>(i)];
    table_[static_cast<size_t>(Key(e.Red, e.Green, e.Blue))] = static_cast<int16_t>(i);
  }
}

int TFastColorLookup::Lookup(uint8_t& red, uint8_t& green, uint8_t& blue) {
  int16_t& slot = table_[static_cast<size_t>(Key(red, green, blue))];
  if (slot < 0 && !entries_.empty()) {
    int best = 0, bestDistance = 1 << 30;
    for (size_t i = 0; i < entries_.size(); ++i) {
      const TPaletteEntry& e = entries_[i];
      const int d = std::abs(e.Red - red) + std::abs(e.Green - green) + std::abs(e.Blue - blue);
      if (d < bestDistance) bestDistance = d, best = static_cast<int>(i);
    }
    slot = static_cast<int16_t>(best);
  }
  if (slot < 0) return 0;
  const TPaletteEntry& e = entries_[static_cast<size_t>(slot)];
  red = e.Red, green = e.Green, blue = e.Blue;
  return slot;
}

int TNetscapeColorLookup::Lookup(uint8_t& red, uint8_t& green, uint8_t& blue) {
  const int r = Level(red), g = Level(green), b = Level(blue);
  red = static_cast<uint8_t>(51 * r), green = static_cast<uint8_t>(51 * g), blue = static_cast<uint8_t>(51 * b);
  return 36 * r + 6 * g + b;
}

int TGrayScaleLookup::Lookup(uint8_t& red, uint8_t& green, uint8_t& blue) {
  const auto grey = static_cast<uint8_t>((77 * red + 150 * green + 29 * blue) / 256);
  red = green = blue = grey;
  return grey;
}

int TMonochromeLookup::Lookup(uint8_t& red, uint8_t& green, uint8_t& blue) {
  const bool white = 77 * red + 150 * green + 29 * blue >= 32513;
  red = green = blue = white ? 255 : 0;
  return white ? 1 : 0;
}

}  // namespace olv
