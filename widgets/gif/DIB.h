#pragma once
// Moving pixels between frames and bitmaps. TDIBReader gives the scan lines of a bitmap in a
// chosen format (converting a copy when the bitmap has another; the bitmap itself is left as it
// is). TDIBWriter builds an 8 or 24-bit bitmap row by row and hands it to its target bitmap in
// one piece when it finishes (or is destroyed). Both refer to bitmaps they do not own; one thread
// at a time.
#include <optional>
#include <span>

#include "widgets/gfx/Bitmap.h"

namespace olv {

class TDIBReader {
 public:
  TDIBReader(const TBitmap& bitmap, TPixelFormat format);
  std::span<const uint8_t> ScanLine(int row) const { return bitmap_->ScanLine(row); }
  const TBitmap& Bitmap() const { return *bitmap_; }

 private:
  std::optional<TBitmap> converted_;
  const TBitmap* bitmap_;
};

class TDIBWriter {
 public:
  // format 8 or 24 bits ("Unsupported PixelFormat"); width and height not 0 ("Invalid image
  // dimensions"). The palette goes with an 8-bit result.
  TDIBWriter(TBitmap& target, TPixelFormat format, int width, int height, const TPalette& palette);
  ~TDIBWriter();
  TDIBWriter(const TDIBWriter&) = delete;
  TDIBWriter& operator=(const TDIBWriter&) = delete;

  // The pixels are made at the first call; "Scan line index out of range" outside the height.
  std::span<uint8_t> ScanLine(int row);
  // Hands the pixels made so far to the target (nothing when no scan line was asked for).
  void Finish();

 private:
  TBitmap& target_;
  TPixelFormat format_;
  int width_, height_;
  TPalette palette_;
  std::optional<TBitmap> pixels_;
};

}  // namespace olv
