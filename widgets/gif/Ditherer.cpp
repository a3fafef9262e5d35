#include "widgets/gif/Ditherer.h"

#include <algorithm>
#include <cstdlib>

namespace olv {

int TDitherEngine::Dither(uint8_t& red, uint8_t& green, uint8_t& blue) {
  column_ += direction_;
  return lookup_.Lookup(red, green, blue);
}

void TDitherEngine::NextLine() {
  direction_ = -direction_;
  column_ = direction_ > 0 ? 0 : width_ - 1;
}

TErrorDiffusionDitherer::TErrorDiffusionDitherer(int width, TColorLookup& lookup, std::vector<TDitherWeight> kernel,
                                                 int divisor)
    : TDitherEngine(width, lookup), kernel_(std::move(kernel)), divisor_(divisor) {
  int rows = 1;
  for (const TDitherWeight& w : kernel_) {
    margin_ = std::max(margin_, std::abs(w.dx));
    rows = std::max(rows, w.dy + 1);
  }
  stride_ = width + 2 * margin_;
  rows_.assign(static_cast<size_t>(rows), std::vector<int32_t>(3 * static_cast<size_t>(stride_), 0));
}

int TErrorDiffusionDitherer::Dither(uint8_t& red, uint8_t& green, uint8_t& blue) {
  if (column_ < 0 || column_ >= width_) return TDitherEngine::Dither(red, green, blue);  // off the row
  const size_t at = static_cast<size_t>(column_ + margin_);
  int32_t* current = rows_[0].data();
  int value[3] = {red, green, blue};
  for (int c = 0; c < 3; ++c) {
    const int32_t error = current[static_cast<size_t>(c) * static_cast<size_t>(stride_) + at];
    value[c] = std::clamp(value[c] + (error + divisor_ / 2) / divisor_, 0, 255);
  }
  uint8_t r = static_cast<uint8_t>(value[0]), g = static_cast<uint8_t>(value[1]), b = static_cast<uint8_t>(value[2]);
  const int index = lookup_.Lookup(r, g, b);
  const int diff[3] = {value[0] - r, value[1] - g, value[2] - b};
  if (diff[0] | diff[1] | diff[2]) {
    for (const TDitherWeight& w : kernel_) {
      int32_t* row = rows_[static_cast<size_t>(w.dy)].data();
      const size_t pos = static_cast<size_t>(static_cast<int>(at) + w.dx * direction_);
      for (int c = 0; c < 3; ++c) row[static_cast<size_t>(c) * static_cast<size_t>(stride_) + pos] += diff[c] * w.weight;
    }
  }
  red = r, green = g, blue = b;
  column_ += direction_;
  return index;
}

void TErrorDiffusionDitherer::NextLine() {
  std::fill(rows_[0].begin(), rows_[0].end(), 0);
  std::rotate(rows_.begin(), rows_.begin() + 1, rows_.end());
  TDitherEngine::NextLine();
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup, {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}}, 16) {}

TStuckiDitherer::TStuckiDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup,
                              {{1, 0, 8}, {2, 0, 4},
                               {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2},
                               {-2, 2, 1}, {-1, 2, 2}, {0, 2, 4}, {1, 2, 2}, {2, 2, 1}},
                              42) {}

TSierraDitherer::TSierraDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup,
                              {{1, 0, 5}, {2, 0, 3},
                               {-2, 1, 2}, {-1, 1, 4}, {0, 1, 5}, {1, 1, 4}, {2, 1, 2},
                               {-1, 2, 2}, {0, 2, 3}, {1, 2, 2}},
                              32) {}

TJaJuNiDitherer::TJaJuNiDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup,
                              {{1, 0, 7}, {2, 0, 5},
                               {-2, 1, 3}, {-1, 1, 5}, {0, 1, 7}, {1, 1, 5}, {2, 1, 3},
                               {-2, 2, 1}, {-1, 2, 3}, {0, 2, 5}, {1, 2, 3}, {2, 2, 1}},
                              48) {}

TSteveArcheDitherer::TSteveArcheDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup,
                              {{2, 0, 32},
                               {-3, 1, 12}, {-1, 1, 26}, {1, 1, 30}, {3, 1, 16},
                               {-2, 2, 12}, {0, 2, 26}, {2, 2, 12},
                               {-3, 3, 5}, {-1, 3, 12}, {1, 3, 12}, {3, 3, 5}},
                              200) {}

TBurkesDitherer::TBurkesDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup,
                              {{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2}},
                              32) {}

std::unique_ptr<TDitherEngine> MakeDitherer(int mode, int width, TColorLookup& lookup) {
  switch (mode) {
    case DitherNearest: return std::make_unique<TDitherEngine>(width, lookup);
    case DitherFloydSteinberg: return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
    case DitherStucki: return std::make_unique<TStuckiDitherer>(width, lookup);
    case DitherSierra: return std::make_unique<TSierraDitherer>(width, lookup);
    case DitherJaJuNi: return std::make_unique<TJaJuNiDitherer>(width, lookup);
    case DitherSteveArche: return std::make_unique<TSteveArcheDitherer>(width, lookup);
    case DitherBurkes: return std::make_unique<TBurkesDitherer>(width, lookup);
    default: return nullptr;
  }
}

}  // namespace olv
