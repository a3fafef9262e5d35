#pragma once
// The header block (signature, logical screen descriptor, global colour table) and the trailer.
// The header belongs to its picture and owns the global colour table.
#include <cstdint>

#include "widgets/gfx/Color.h"
#include "widgets/gif/GIFColorMap.h"
#include "widgets/gif/GIFItem.h"

namespace olv {

class TGIFHeader : public TGIFItem {
 public:
  explicit TGIFHeader(TGIFImage* image) : TGIFItem(image), colorMap_(image) {}

  uint16_t Width = 0;
  uint16_t Height = 0;
  uint8_t Packed = 0;  // as read; recomputed on writing
  uint8_t BackgroundColorIndex = 0;
  uint8_t AspectRatio = 0;

  TGIFGlobalColorMap& ColorMap() { return colorMap_; }
  const TGIFGlobalColorMap& ColorMap() const { return colorMap_; }
  TColor BackgroundColor() const { return colorMap_.Colors(BackgroundColorIndex); }
  int BitsPerPixel() const { return colorMap_.BitsPerPixel(); }
  int ColorResolution() const { return colorMap_.BitsPerPixel() - 1; }
  // 89a when the table is sorted or an aspect ratio is given.
  int GetVersion() const override { return colorMap_.Optimized() || AspectRatio != 0 ? 2 : 1; }
  // All values 0, the table empty.
  void Clear();

  // Reads the signature (up to 4 bytes of junk before "GIF" are skipped; "Invalid GIF signature"
  // otherwise), the descriptor and the global table.
  void LoadFromStream(TStream& s) override;
  // Writes the signature of the picture's version ("Unsupported GIF version" without frames), the
  // descriptor with its packed field recomputed from the picture, and the global table.
  void SaveToStream(TStream& s) override;

 private:
  TGIFGlobalColorMap colorMap_;
};

class TGIFTrailer : public TGIFItem {
 public:
  using TGIFItem::TGIFItem;
  void SaveToStream(TStream& s) override;
  // A byte other than ";" warns "Invalid Image trailer"; a missing trailer is accepted.
  void LoadFromStream(TStream& s) override;
};

}  // namespace olv
