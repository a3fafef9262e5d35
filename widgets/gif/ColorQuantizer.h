#pragma once
// The octree colour quantiser: colours are added one by one into a tree of eight levels (one bit
// of each channel per level); whenever there are more leaves than colours allowed, the deepest
// most recently listed reducible node is folded into a leaf. The colour table is the leaves'
// averages, depth first. Owns its nodes; one thread at a time.
#include <cstdint>
#include <vector>

#include "widgets/gfx/Bitmap.h"
#include "widgets/gfx/Color.h"

namespace olv {

class TColorQuantizer {
 public:
  // maxColors at least 1; colorBits 1..8 (the depth of the leaves).
  TColorQuantizer(int maxColors, int colorBits = 8);

  void AddColor(uint8_t red, uint8_t green, uint8_t blue);
  // Every pixel of the bitmap (any format).
  void ProcessImage(const TBitmap& bitmap);
  int LeafCount() const { return leafCount_; }
  // The leaves' average colours, depth first, children in index order; a leaf without pixels is
  // black.
  std::vector<TColor> ColorTable() const;

 private:
  struct Node {
    bool leaf = false;
    uint64_t count = 0, red = 0, green = 0, blue = 0;
    int nextReducible = -1;
    int children[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
  };
  int NewNode(int level);
  bool Reduce();
  void Collect(int node, std::vector<TColor>& out) const;

  std::vector<Node> nodes_;
  std::vector<int> free_;
  int root_;
  int leafCount_ = 0;
  int reducible_[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
  int maxColors_;
  int colorBits_;
};

}  // namespace olv
