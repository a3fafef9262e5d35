#pragma once
// A logical palette: up to 256 entries of red, green, blue and a flag byte (kPcNoCollapse marks
// entries that a display must not merge with the system's). Indexed bitmaps read their pixels'
// colours through one. Plain value, no thread affinity.
//
// Fixed palettes: the system's 20 colours (black to white in the system's own order: the first ten
// and the last ten of a 256-colour system palette) and a 256-entry halftone palette of this
// library's own making: the system's first ten colours, the 6x6x6 cube (levels 0, 51, ... 255, red
// slowest), 20 greys between the cube's greys, the system's last ten.
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "widgets/gfx/Color.h"

namespace olv {

constexpr uint8_t kPcNoCollapse = 4;

struct TPaletteEntry {
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  uint8_t Flags = 0;

  TColor Color() const { return MakeColor(Red, Green, Blue); }
  friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};

class TPalette {
 public:
  static constexpr int kMaxEntries = 256;

  TPalette() = default;
  // Throws EInvalidGraphic for more than 256 entries.
  explicit TPalette(std::vector<TPaletteEntry> entries);
  static TPalette FromColors(std::span<const TColor> colors, uint8_t flags = 0);

  int Count() const { return static_cast<int>(entries_.size()); }
  bool Empty() const { return entries_.empty(); }
  // index must lie in [0, Count()): EInvalidGraphic otherwise.
  const TPaletteEntry& Entry(int index) const;
  TColor Color(int index) const { return Entry(index).Color(); }
  const std::vector<TPaletteEntry>& Entries() const { return entries_; }

  // Appends; EInvalidGraphic when the palette is full.
  int Add(TColor color, uint8_t flags = 0);
  void SetEntry(int index, TColor color, uint8_t flags = 0);
  void Resize(int count);  // new entries are black

  // The entry closest to color (least squared distance; the lower index wins ties); -1 when empty.
  int NearestIndex(TColor color) const;

  friend bool operator==(const TPalette&, const TPalette&) = default;

 private:
  std::vector<TPaletteEntry> entries_;
};

// NearestIndex with a memory: pictures repeat the same few colours. Refers to the palette, which
// must outlive it and stay unchanged; an empty palette answers 0.
class TNearestColorCache {
 public:
  explicit TNearestColorCache(const TPalette& palette) : palette_(palette) {}
  int operator()(TColor color);

 private:
  const TPalette& palette_;
  std::vector<std::pair<TColor, int>> slots_ = std::vector<std::pair<TColor, int>>(4096, {kClNone, 0});
};

// The system's 20 colours, flagged kPcNoCollapse.
const TPalette& SystemPalette20();
// The 256-entry halftone palette described above, flagged kPcNoCollapse.
const TPalette& HalftonePalette();
// The palette a bitmap of that many bits gets when it needs one and has none: black and white; the
// 16 colours of the system palette (its first eight and last eight); the halftone palette.
const TPalette& DefaultPalette(int bitsPerPixel);

}  // namespace olv
