#include "widgets/gif/GIFColorMap.h"

#include <algorithm>
#include <cstring>

#include "widgets/gif/GIFException.h"
#include "widgets/gif/GIFImage.h"
#include "widgets/gif/GIFStreamIO.h"

namespace olv {

void TGIFColorMap::Warning(const char* message) const {
  if (image_) image_->Warning(this, 1, message);
}

void TGIFColorMap::Grow(int count) {
  if (count < capacity_) return;
  capacity_ = count <= 16 ? 16 : std::min(256, (count + 31) / 32 * 32);
  colors_.reserve(static_cast<size_t>(capacity_));
}

void TGIFColorMap::Clear() {
  colors_.clear();
  colors_.shrink_to_fit();
  capacity_ = 0;
  optimized_ = false;
  Changed();
}

int TGIFColorMap::Add(TColor color) {
  if (Count() >= kMaxColors) throw GIFException("Color table overflow");
  Grow(Count() + 1);
  colors_.push_back({ColorRed(color), ColorGreen(color), ColorBlue(color)});
  optimized_ = false;
  Changed();
  return Count() - 1;
}

int TGIFColorMap::AddUnique(TColor color) {
  const int i = IndexOf(color);
  return i >= 0 ? i : Add(color);
}

void TGIFColorMap::Delete(int index) {
  if (index < 0 || index >= Count()) throw GIFException("Invalid color index");
  colors_.erase(colors_.begin() + index);
  optimized_ = false;
  Changed();
}

int TGIFColorMap::IndexOf(TColor color) const {
  const TGIFColor c{ColorRed(color), ColorGreen(color), ColorBlue(color)};
  if (optimized_) {
    for (int i = 0; i < Count(); ++i)
      if (colors_[static_cast<size_t>(i)] == c) return i;
  } else {
    for (int i = Count() - 1; i >= 0; --i)
      if (colors_[static_cast<size_t>(i)] == c) return i;
  }
  return -1;
}

TColor TGIFColorMap::Colors(int index) const {
  if (colors_.empty()) throw GIFException("Color table is empty");
  if (index < 0 || index >= Count()) {
    Warning("Invalid color index");
    index = 0;
  }
  const TGIFColor& c = colors_[static_cast<size_t>(index)];
  return MakeColor(c.Red, c.Green, c.Blue);
}

void TGIFColorMap::SetColors(int index, TColor color) {
  if (index < 0 || index >= Count()) throw GIFException("Invalid color index");
  colors_[static_cast<size_t>(index)] = {ColorRed(color), ColorGreen(color), ColorBlue(color)};
  Changed();
}

void TGIFColorMap::ImportPalette(const TPalette& palette) {
  colors_.clear();
  const int n = std::min(palette.Count(), kMaxColors);
  Grow(n);
  for (int i = 0; i < n; ++i) {
    const TPaletteEntry& e = palette.Entry(i);
    colors_.push_back({e.Red, e.Green, e.Blue});
  }
  optimized_ = false;
  Changed();
}

void TGIFColorMap::ImportColorTable(const uint8_t* entries, int count) {
  colors_.clear();
  count = std::clamp(count, 0, kMaxColors);
  Grow(count);
  for (int i = 0; i < count; ++i) colors_.push_back({entries[4 * i + 2], entries[4 * i + 1], entries[4 * i]});
  optimized_ = false;
  Changed();
}

TPalette TGIFColorMap::ExportPalette() const {
  std::vector<TPaletteEntry> entries;
  for (const TGIFColor& c : colors_) entries.push_back({c.Red, c.Green, c.Blue, kPcNoCollapse});
  return TPalette(std::move(entries));
}

void TGIFColorMap::Assign(const TGIFColorMap& other) {
  if (&other == this) return;
  colors_ = other.colors_;
  capacity_ = other.capacity_;
  optimized_ = other.optimized_;
  Changed();
}

int TGIFColorMap::BitsPerPixel() const {
  if (colors_.empty()) return 0;
  int b = 1;
  while ((1 << b) < Count()) ++b;
  return b;
}

void TGIFColorMap::SaveToStream(TStream& s) const {
  if (colors_.empty()) return;
  std::vector<uint8_t> bytes(3 * (size_t{1} << BitsPerPixel()), 0);
  std::memcpy(bytes.data(), colors_.data(), 3 * colors_.size());
  s.WriteBuffer(bytes.data(), bytes.size());
}

void TGIFColorMap::LoadFromStream(TStream& s, int count) {
  colors_.clear();
  optimized_ = false;
  count = std::clamp(count, 0, kMaxColors);
  std::vector<TGIFColor> read(static_cast<size_t>(count));
  GIFReadCheck(s, read.data(), 3 * read.size());
  Grow(count);
  colors_ = std::move(read);
}

bool TGIFColorMap::Optimize() {
  if (Count() < 2) return false;
  optimized_ = true;
  TGIFHistogram histogram{};
  for (int i = 0; i < 256; ++i) histogram[static_cast<size_t>(i)].Index = i;
  BuildHistogram(histogram);
  // Ties keep their present order, so a table already sorted by use is left alone.
  std::stable_sort(histogram.begin(), histogram.begin() + Count(),
                   [](const TGIFUsage& a, const TGIFUsage& b) { return a.Count > b.Count; });
  int used = 0;
  while (used < Count() && histogram[static_cast<size_t>(used)].Count > 0) ++used;
  bool sameOrder = true;
  for (int i = 0; i < Count(); ++i) sameOrder = sameOrder && histogram[static_cast<size_t>(i)].Index == i;
  if (sameOrder && used == Count()) return true;
  std::array<uint8_t, 256> map;
  for (int i = 0; i < 256; ++i) map[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  std::vector<TGIFColor> sorted(static_cast<size_t>(used));
  for (int rank = 0; rank < Count(); ++rank) {
    const int old = histogram[static_cast<size_t>(rank)].Index;
    map[static_cast<size_t>(old)] = static_cast<uint8_t>(rank);
    if (rank < used) sorted[static_cast<size_t>(rank)] = colors_[static_cast<size_t>(old)];
  }
  MapImages(map);
  colors_ = std::move(sorted);
  Changed();
  return true;
}

// ---- global ----

bool TGIFGlobalColorMap::Optimize() {
  if (!image_ || image_->Empty()) return false;
  return TGIFColorMap::Optimize();
}

void TGIFGlobalColorMap::BuildHistogram(TGIFHistogram& histogram) const {
  if (!image_) return;
  for (const auto& frame : image_->Images())
    if (&frame->ActiveColorMap() == this) GIFCountPixels(*frame, histogram);
  histogram[image_->Header().BackgroundColorIndex].Count += 1;
}

void TGIFGlobalColorMap::MapImages(const std::array<uint8_t, 256>& map) {
  if (!image_) return;
  for (const auto& frame : image_->Images())
    if (&frame->ActiveColorMap() == this) GIFMapFrame(*frame, map);
  image_->Header().BackgroundColorIndex = map[image_->Header().BackgroundColorIndex];
}

// ---- local ----

void TGIFLocalColorMap::BuildHistogram(TGIFHistogram& histogram) const {
  if (frame_) GIFCountPixels(*frame_, histogram);
}

void TGIFLocalColorMap::MapImages(const std::array<uint8_t, 256>& map) {
  if (frame_) GIFMapFrame(*frame_, map);
}

void TGIFLocalColorMap::Changed() {
  if (frame_) frame_->Changed();
}

void GIFCountPixels(const TGIFSubImage& frame, TGIFHistogram& histogram) {
  int64_t counts[256] = {};
  for (uint8_t p : frame.Data()) ++counts[p];
  for (int i = 0; i < 256; ++i) histogram[static_cast<size_t>(i)].Count += counts[i];
}

void GIFMapFrame(TGIFSubImage& frame, const std::array<uint8_t, 256>& map) {
  if (!frame.Data().empty()) {
    std::vector<uint8_t> pixels(frame.Data().begin(), frame.Data().end());
    for (uint8_t& p : pixels) p = map[p];
    frame.SetData(std::move(pixels));
  }
  for (const auto& ext : frame.Extensions())
    if (auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(ext.get()))
      gce->StoreTransparentColorIndex(map[gce->TransparentColorIndex()]);
}

}  // namespace olv
