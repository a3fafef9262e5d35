#pragma once
// Ditherers: each pixel's colour goes through a colour lookup, rows scanned in alternating
// directions (serpentine). TDitherEngine itself is the plain nearest-colour lookup; the
// error-diffusion ditherers spread each pixel's error over its neighbours by a published kernel
// (mirrored in the current direction), keeping one error row per kernel row, scaled by the
// kernel's divisor. A ditherer refers to its lookup (which must outlive it) and serves one
// picture, one thread at a time.
//
// The caller walks each row from Column() in Direction(), calls Dither (or Skip for a pixel that
// is left out) once per pixel, and NextLine after each row.
#include <cstdint>
#include <memory>
#include <vector>

#include "widgets/gif/ColorLookup.h"

namespace olv {

class TDitherEngine {
 public:
  TDitherEngine(int width, TColorLookup& lookup) : width_(width), lookup_(lookup) {}
  virtual ~TDitherEngine() = default;

  int Direction() const { return direction_; }
  int Column() const { return column_; }
  int Width() const { return width_; }
  // The palette index for the colour; the colour written back; the column advances.
  virtual int Dither(uint8_t& red, uint8_t& green, uint8_t& blue);
  // A pixel left out: only the column advances.
  void Skip() { column_ += direction_; }
  virtual void NextLine();

 protected:
  int direction_ = 1;
  int column_ = 0;
  int width_;
  TColorLookup& lookup_;
};

// One weight of a kernel: dx along the row (mirrored going left), dy rows below.
struct TDitherWeight {
  int dx;
  int dy;
  int weight;
};

class TErrorDiffusionDitherer : public TDitherEngine {
 public:
  TErrorDiffusionDitherer(int width, TColorLookup& lookup, std::vector<TDitherWeight> kernel, int divisor);
  int Dither(uint8_t& red, uint8_t& green, uint8_t& blue) override;
  void NextLine() override;

 private:
  std::vector<TDitherWeight> kernel_;
  int divisor_;
  int margin_ = 0;
  int stride_ = 0;
  // rows x 3 channels x (width + 2 margin), the current row first.
  std::vector<std::vector<int32_t>> rows_;
};

class TFloydSteinbergDitherer : public TErrorDiffusionDitherer {
 public:
  TFloydSteinbergDitherer(int width, TColorLookup& lookup);
};
class TStuckiDitherer : public TErrorDiffusionDitherer {
 public:
  TStuckiDitherer(int width, TColorLookup& lookup);
};
class TSierraDitherer : public TErrorDiffusionDitherer {
 public:
  TSierraDitherer(int width, TColorLookup& lookup);
};
class TJaJuNiDitherer : public TErrorDiffusionDitherer {
 public:
  TJaJuNiDitherer(int width, TColorLookup& lookup);
};
class TSteveArcheDitherer : public TErrorDiffusionDitherer {
 public:
  TSteveArcheDitherer(int width, TColorLookup& lookup);
};
class TBurkesDitherer : public TErrorDiffusionDitherer {
 public:
  TBurkesDitherer(int width, TColorLookup& lookup);
};

enum TDitherMode : uint8_t {
  DitherNearest = 0,
  DitherFloydSteinberg = 1,
  DitherStucki = 2,
  DitherSierra = 3,
  DitherJaJuNi = 4,
  DitherSteveArche = 5,
  DitherBurkes = 6,
};

// The ditherer of a dither mode; none for modes 7 and above.
std::unique_ptr<TDitherEngine> MakeDitherer(int mode, int width, TColorLookup& lookup);

}  // namespace olv
