#include "widgets/gif/ColorQuantizer.h"

#include <algorithm>

namespace olv {

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits)
    : maxColors_(std::max(1, maxColors)), colorBits_(std::clamp(colorBits, 1, 8)) {
  nodes_.reserve(4096);
  root_ = NewNode(0);
}

int TColorQuantizer::NewNode(int level) {
  int n;
  if (!free_.empty()) {
    n = free_.back();
    free_.pop_back();
    nodes_[static_cast<size_t>(n)] = Node{};
  } else {
    n = static_cast<int>(nodes_.size());
    nodes_.emplace_back();
  }
  Node& node = nodes_[static_cast<size_t>(n)];
  if (level == colorBits_) {
    node.leaf = true;
    ++leafCount_;
  } else {
    node.nextReducible = reducible_[level];
    reducible_[level] = n;
  }
  return n;
}

void TColorQuantizer::AddColor(uint8_t red, uint8_t green, uint8_t blue) {
  int n = root_;
  for (int level = 0;; ++level) {
    Node& node = nodes_[static_cast<size_t>(n)];
    if (node.leaf) {
      ++node.count;
      node.red += red, node.green += green, node.blue += blue;
      break;
    }
    const int shift = 7 - level;
    const int child = (((red >> shift) & 1) << 2) | (((green >> shift) & 1) << 1) | ((blue >> shift) & 1);
    int next = node.children[child];
    if (next < 0) {
      next = NewNode(level + 1);  // may move nodes_: index again below
      nodes_[static_cast<size_t>(n)].children[child] = next;
    }
    n = next;
  }
  while (leafCount_ > maxColors_ && Reduce()) {
  }
}

bool TColorQuantizer::Reduce() {
  int level = colorBits_ - 1;
  while (level > 0 && reducible_[level] < 0) --level;
  const int n = reducible_[level];
  if (n < 0) return false;
  Node& node = nodes_[static_cast<size_t>(n)];
  reducible_[level] = node.nextReducible;
  int children = 0;
  for (int& c : node.children) {
    if (c < 0) continue;
    const Node& child = nodes_[static_cast<size_t>(c)];
    node.red += child.red, node.green += child.green, node.blue += child.blue, node.count += child.count;
    free_.push_back(c);
    c = -1;
    ++children;
  }
  node.leaf = true;
  leafCount_ -= children - 1;
  return true;
}

void TColorQuantizer::ProcessImage(const TBitmap& bitmap) {
  std::vector<TColor> row(static_cast<size_t>(bitmap.Width()));
  for (int y = 0; y < bitmap.Height(); ++y) {
    ReadRowColors(bitmap, y, 0, bitmap.Width(), row.data());
    for (TColor c : row) AddColor(ColorRed(c), ColorGreen(c), ColorBlue(c));
  }
}

void TColorQuantizer::Collect(int n, std::vector<TColor>& out) const {
  const Node& node = nodes_[static_cast<size_t>(n)];
  if (node.leaf) {
    if (node.count == 0) {
      out.push_back(kClBlack);
    } else {
      out.push_back(MakeColor(static_cast<uint8_t>(node.red / node.count), static_cast<uint8_t>(node.green / node.count),
                              static_cast<uint8_t>(node.blue / node.count)));
    }
    return;
  }
  for (int c : node.children)
    if (c >= 0) Collect(c, out);
}

std::vector<TColor> TColorQuantizer::ColorTable() const {
  std::vector<TColor> out;
  Collect(root_, out);
  return out;
}

}  // namespace olv
