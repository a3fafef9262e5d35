#pragma once
// The order in which an interlaced frame stores its rows: four passes, from row 0 every 8th, from
// row 4 every 8th, from row 2 every 4th, from row 1 every 2nd; passes without rows are skipped.
#include <vector>

namespace olv {

inline std::vector<int> GIFRowOrder(int height, bool interlaced) {
  std::vector<int> rows;
  rows.reserve(static_cast<size_t>(height > 0 ? height : 0));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  static constexpr int kStart[4] = {0, 4, 2, 1};
  static constexpr int kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
  return rows;
}

}  // namespace olv
