#pragma once
// Colour lookups: from red, green, blue to a palette index and the colour that index stands for.
// Each lookup serves a fixed number of colours. A lookup object is used by one thread at a time
// (the fast lookup fills its cache as it goes).
#include <cstdint>
#include <memory>
#include <vector>

#include "widgets/gfx/Palette.h"

namespace olv {

class TColorLookup {
 public:
  explicit TColorLookup(int colors) : colors_(colors) {}
  virtual ~TColorLookup() = default;
  int Colors() const { return colors_; }
  // red, green, blue in; the palette colour written back into them.
  virtual int Lookup(uint8_t& red, uint8_t& green, uint8_t& blue) = 0;

 protected:
  int colors_;
};

// Any palette: a 32768-slot table keyed by the top five bits of each channel, filled with the
// palette's entries (the first wins); an empty slot is filled on first use with the entry of
// least summed absolute difference (the first wins ties), which then answers for its whole key.
class TFastColorLookup : public TColorLookup {
 public:
  explicit TFastColorLookup(const TPalette& palette);
  int Lookup(uint8_t& red, uint8_t& green, uint8_t& blue) override;

 private:
  std::vector<TPaletteEntry> entries_;
  std::unique_ptr<int16_t[]> table_;
};

// The 216-colour cube: each channel rounded to the nearest of 0, 51, ... 255 (200 -> 204), index
// 36 r + 6 g + b.
class TNetscapeColorLookup : public TColorLookup {
 public:
  TNetscapeColorLookup() : TColorLookup(216) {}
  static int Level(uint8_t v) { return (v + 25) / 51; }
  int Lookup(uint8_t& red, uint8_t& green, uint8_t& blue) override;
};

// 256 greys: (77 red + 150 green + 29 blue) div 256.
class TGrayScaleLookup : public TColorLookup {
 public:
  TGrayScaleLookup() : TColorLookup(256) {}
  int Lookup(uint8_t& red, uint8_t& green, uint8_t& blue) override;
};

// Black below a weighted sum of 32513, else white.
class TMonochromeLookup : public TColorLookup {
 public:
  TMonochromeLookup() : TColorLookup(2) {}
  int Lookup(uint8_t& red, uint8_t& green, uint8_t& blue) override;
};

}  // namespace olv
