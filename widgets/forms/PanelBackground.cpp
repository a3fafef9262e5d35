#include "widgets/forms/PanelBackground.h"

#include <algorithm>
#include <cstdlib>

namespace olv {

TRgb ColorToRgb(TColor color) {
  return {static_cast<std::uint8_t>(color & 0xFF), static_cast<std::uint8_t>((color >> 8) & 0xFF),
          static_cast<std::uint8_t>((color >> 16) & 0xFF)};
}

TColor RgbToColor(TRgb rgb) { return rgb.r | (rgb.g << 8) | (rgb.b << 16); }

std::vector<TGradientBand> GradientBands(int size, TColor begin, TColor end) {
  std::vector<TGradientBand> bands;
  if (size <= 0) return bands;
  const TRgb b = ColorToRgb(begin);
  const TRgb e = ColorToRgb(end);
  const int dr = e.r - b.r, dg = e.g - b.g, db = e.b - b.b;
  const int steps = std::max({std::abs(dr), std::abs(dg), std::abs(db)}) + 1;
  const int band = size / steps + 1;
  // i * band stays below size + band for every band that starts inside, and delta is at most 255,
  // so the products fit in 64 bits whatever the size.
  auto channel = [&](std::uint8_t from, int delta, int i) {
    return static_cast<std::uint8_t>((from + static_cast<long long>(i) * band * delta / size) & 0xFF);
  };
  for (int i = 0; i < steps; ++i) {
    const long long offset = static_cast<long long>(i) * band;
    if (offset >= size) break;
    TGradientBand g;
    g.offset = static_cast<int>(offset);
    g.thickness = static_cast<int>(std::min<long long>(band, size - offset));
    g.color = {channel(b.r, dr, i), channel(b.g, dg, i), channel(b.b, db, i)};
    bands.push_back(g);
  }
  return bands;
}

std::vector<TPoint> TileOrigins(int pictureWidth, int pictureHeight, int left, int top, int right, int bottom) {
  std::vector<TPoint> origins;
  if (pictureWidth <= 0 || pictureHeight <= 0) return origins;
  for (int r = top / pictureHeight; r <= (pictureHeight + bottom) / pictureHeight; ++r) {
    for (int c = left / pictureWidth; c <= (pictureWidth + right) / pictureWidth; ++c) {
      origins.push_back({c * pictureWidth, r * pictureHeight});
    }
  }
  return origins;
}

TPoint CenterOrigin(int clientWidth, int clientHeight, int pictureWidth, int pictureHeight) {
  return {(clientWidth - pictureWidth) / 2, (clientHeight - pictureHeight) / 2};
}

}  // namespace olv
