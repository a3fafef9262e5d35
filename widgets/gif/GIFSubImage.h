#pragma once
// TGIFSubImage: one frame of a GIF picture: its image descriptor, its local colour table, its
// pixels (one byte per pixel, an index into the active colour table, rows top to bottom) and its
// extensions. It reads and writes itself, renders itself into an 8-bit bitmap with a 1-bit mask of
// its transparent colour (or dithered to the 216-colour cube), draws itself scaled or tiled onto a
// canvas, and is built from bitmaps of any depth, reducing colours when needed.
//
// Size cap: a frame holds at most kMaxFramePixels pixels (width x height computed in 64 bits);
// larger frames, read or set, raise GIFException "Image is too large", so a damaged size can never
// make the library allocate gigabytes.
//
// Ownership: the frame belongs to its picture's frame list and refers back to the picture; it
// owns its colour table, extensions, pixels, cached bitmap and mask. One thread at a time.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "widgets/gfx/Bitmap.h"
#include "widgets/gfx/Canvas.h"
#include "widgets/gif/GIFColorMap.h"
#include "widgets/gif/GIFExtensions.h"
#include "widgets/gif/GIFItem.h"

namespace olv {

class TGIFSubImage : public TGIFItem {
 public:
  static constexpr int64_t kMaxFramePixels = int64_t{1} << 28;

  explicit TGIFSubImage(TGIFImage* image);
  ~TGIFSubImage() override;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Moving or sizing past the logical screen enlarges it, with warnings when it had a size.
  void SetLeft(uint16_t left);
  void SetTop(uint16_t top);
  // A new size drops the bitmap, mask and pixels; the pixels then read as 0 until set. They are
  // allocated (zero-filled) only when first used, so that SetData copies into a buffer nothing
  // filled before: a fill of the whole picture that the copy overwrites at once is pure cost.
  void SetWidth(uint16_t width);
  void SetHeight(uint16_t height);
  TRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  bool Interlaced() const { return packed_ & 0x40; }
  void SetInterlaced(bool on) { packed_ = static_cast<uint8_t>(on ? packed_ | 0x40 : packed_ & ~0x40); }
  // No pixels, or a width or height of 0.
  bool Empty() const { return (data_.empty() && !zeroPending_) || width_ == 0 || height_ == 0; }

  TGIFLocalColorMap& ColorMap() { return colorMap_; }
  const TGIFLocalColorMap& ColorMap() const { return colorMap_; }
  // The local table when it has entries, else the picture's global one when that has entries,
  // else the (empty) local one.
  const TGIFColorMap& ActiveColorMap() const;
  int BitsPerPixel() const { return colorMap_.BitsPerPixel(); }
  int ColorResolution() const { return colorMap_.BitsPerPixel() - 1; }
  // 89a when the local table is sorted or the frame has an extension.
  int GetVersion() const override;

  TGIFList<TGIFExtension>& Extensions() { return extensions_; }
  const TGIFList<TGIFExtension>& Extensions() const { return extensions_; }
  TGIFGraphicControlExtension* GraphicControlExtension() const { return gce_; }
  bool Transparent() const { return transparent_; }
  int TransparentIndex() const;  // the graphic control extension's index; -1 when not transparent

  // "Invalid pixel coordinates" outside the frame; "Image is empty" for a frame of size 0.
  uint8_t Pixels(int x, int y);
  void SetPixels(int x, int y, uint8_t index);
  std::span<uint8_t> ScanLine(int y);
  std::span<const uint8_t> Data() const {
    ReadyPixels();
    return data_;
  }
  // Replaces all pixels (width x height bytes, GIFException otherwise); drops bitmap and mask.
  // The copy goes into the buffer the frame already has when it is large enough.
  void SetData(std::span<const uint8_t> pixels);
  void SetData(std::vector<uint8_t>&& pixels);

  // The palette the rendering uses: the 216-colour cube when the picture dithers, else the active
  // colour table's colours.
  TPalette Palette() const;
  // The rendered 8-bit bitmap (empty for an empty frame), rendered on first use.
  const TBitmap& Bitmap();
  // Renders again when a mask is due; whether the frame has a mask (a transparent pixel).
  bool HasMask();
  // 1-bit, bit 1 where the pixel is transparent; empty when none is.
  const TBitmap& Mask();
  // Draws the frame into rect of the canvas, scaled from the picture's logical screen (or at its
  // own size in steps of the screen size with tile); transparent pixels are left out when asked
  // and the frame has a mask.
  void Draw(TCanvas& canvas, const TRect& rect, bool transparent, bool tile);

  void Clear();
  // A copy of another frame: descriptor, transparency, pixels, colour table, extensions, bitmap.
  void Assign(const TGIFSubImage& source);
  // A frame made from a bitmap: 1, 4 and 8-bit bitmaps keep their palettes; other depths are
  // reduced first with the picture's ColorReduction, DitherMode and ReductionBits. A transparent
  // bitmap's transparent colour becomes the frame's transparent index when its table has room.
  void Assign(const TBitmap& source);

  // Optimiser steps (GIFOptimize.cpp). Crop cuts the borders whose pixels are all the transparent
  // index. A frame that is transparent throughout is cleared only when its disposal is none or keep
  // and it carries no looping extension (its area then never shows); otherwise it stays as it is,
  // since its disposal or its extensions still matter. A frame disposed to the background keeps its
  // borders: the disposal clears its whole area. Returns true when the frame was cleared.
  bool Crop();
  // Makes the pixels that show what the previous frame shows at that place transparent. The
  // transparent index is the frame's own, else one of another frame without local colours that
  // this frame never uses, else a new black entry of its table.
  void Merge(TGIFSubImage& previous);
  // The disposal of the graphic control extension (DisposalKeep without one).
  TGIFDisposal Disposal() const;
  bool HasLoopExtension() const;

  void SaveToStream(TStream& s) override;
  void LoadFromStream(TStream& s) override;

  // Called by the frame's extensions.
  void ExtensionCreated(TGIFGraphicControlExtension* gce);
  void ExtensionGone(TGIFExtension* ext);
  void SetTransparentFlag(bool on);
  // Drops the cached bitmap and mask.
  void Changed();

 private:
  void Render();
  void DropPixels();
  // Allocates the zero pixels a new size promised; nothing when the frame has its pixels.
  void ReadyPixels() const;
  void CheckScreen();
  void ApplyMask(const TBitmap& mask);

  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  uint8_t packed_ = 0;
  // width x height bytes; empty with zeroPending_ after a new size, for pixels that are all 0 and
  // not allocated yet (ReadyPixels allocates them: mutable, for the const readers).
  mutable std::vector<uint8_t> data_;
  mutable bool zeroPending_ = false;
  TGIFLocalColorMap colorMap_;
  TGIFList<TGIFExtension> extensions_;
  TGIFGraphicControlExtension* gce_ = nullptr;
  bool transparent_ = false;
  std::optional<TBitmap> bitmap_;
  TBitmap mask_;
  bool needMask_ = true;
};

}  // namespace olv
