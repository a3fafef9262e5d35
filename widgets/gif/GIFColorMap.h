#pragma once
// A GIF colour table: up to 256 entries of red, green, blue in the file's order, with a "sorted by
// use" flag. The global table belongs to the header and covers every frame without colours of its
// own; a local table belongs to one frame. Optimize sorts a table by use and cuts the colours no
// pixel uses, rewriting the pixels (and transparent indices, and for the global table the
// background colour index) to match.
//
// Ownership: a table belongs to its header or frame and refers back to its picture (for warnings
// and the frames it covers); it never owns them. One thread at a time.
#include <array>
#include <cstdint>
#include <vector>

#include "foundation/streams/Stream.h"
#include "widgets/gfx/Palette.h"

namespace olv {

class TGIFImage;
class TGIFSubImage;

struct TGIFColor {  // three bytes, as in the file
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  friend bool operator==(const TGIFColor&, const TGIFColor&) = default;
};
static_assert(sizeof(TGIFColor) == 3);

// {use count, colour index} for each of the 256 indices.
struct TGIFUsage {
  int64_t Count = 0;
  int Index = 0;
};
using TGIFHistogram = std::array<TGIFUsage, 256>;

class TGIFColorMap {
 public:
  static constexpr int kMaxColors = 256;

  explicit TGIFColorMap(TGIFImage* image) : image_(image) {}
  virtual ~TGIFColorMap() = default;
  TGIFColorMap(const TGIFColorMap&) = delete;
  TGIFColorMap& operator=(const TGIFColorMap&) = delete;

  int Count() const { return static_cast<int>(colors_.size()); }
  int Capacity() const { return capacity_; }
  bool Optimized() const { return optimized_; }
  void SetOptimized(bool on) { optimized_ = on; }
  const std::vector<TGIFColor>& Entries() const { return colors_; }

  void Clear();
  // "Color table overflow" past 256 entries. Returns the new index.
  int Add(TColor color);
  int AddUnique(TColor color);
  // "Invalid color index" outside the table.
  void Delete(int index);
  // Exact match; from the first entry up when Optimized, else from the last down; -1 when absent.
  int IndexOf(TColor color) const;
  // An index outside the table warns "Invalid color index" and reads entry 0; an empty table
  // raises "Color table is empty".
  TColor Colors(int index) const;
  void SetColors(int index, TColor color);

  void ImportPalette(const TPalette& palette);
  // count entries of blue, green, red, reserved (up to 256).
  void ImportColorTable(const uint8_t* entries, int count);
  // Entries flagged kPcNoCollapse; empty for an empty table.
  TPalette ExportPalette() const;
  void Assign(const TGIFColorMap& other);

  // 0 empty, 1 for up to 2 entries, else the smallest b with 2^b >= Count.
  int BitsPerPixel() const;

  // Nothing for an empty table; else the entries padded with black to 2^BitsPerPixel.
  void SaveToStream(TStream& s) const;
  // Clears, then reads exactly count entries ("Premature end of data").
  void LoadFromStream(TStream& s, int count);

  // Sorts by use and cuts unused colours (see above). False with fewer than 2 entries.
  virtual bool Optimize();

  void Warning(const char* message) const;

 protected:
  virtual void BuildHistogram(TGIFHistogram& histogram) const = 0;
  // Rewrites the covered pixels and transparent indices through map (old index -> new index).
  virtual void MapImages(const std::array<uint8_t, 256>& map) = 0;
  virtual void Changed() {}
  TGIFImage* image_;

 private:
  void Grow(int count);

  std::vector<TGIFColor> colors_;
  int capacity_ = 0;
  bool optimized_ = false;
};

class TGIFGlobalColorMap : public TGIFColorMap {
 public:
  using TGIFColorMap::TGIFColorMap;
  // Nothing (false) for a picture without frames.
  bool Optimize() override;

 protected:
  // Every frame whose active table is this one; the header's background index counts as one use
  // so that its colour is kept.
  void BuildHistogram(TGIFHistogram& histogram) const override;
  void MapImages(const std::array<uint8_t, 256>& map) override;
};

class TGIFLocalColorMap : public TGIFColorMap {
 public:
  TGIFLocalColorMap(TGIFImage* image, TGIFSubImage* frame) : TGIFColorMap(image), frame_(frame) {}

 protected:
  void BuildHistogram(TGIFHistogram& histogram) const override;
  void MapImages(const std::array<uint8_t, 256>& map) override;
  void Changed() override;

 private:
  TGIFSubImage* frame_;
};

// Counts the pixels of one frame into histogram (indices only; Index fields untouched).
void GIFCountPixels(const TGIFSubImage& frame, TGIFHistogram& histogram);
// Rewrites one frame's pixels and transparent index through map.
void GIFMapFrame(TGIFSubImage& frame, const std::array<uint8_t, 256>& map);

}  // namespace olv
