#include "widgets/gif/DIB.h"

#include <new>

#include "widgets/gif/GIFException.h"

namespace olv {

TDIBReader::TDIBReader(const TBitmap& bitmap, TPixelFormat format) : bitmap_(&bitmap) {
  if (bitmap.PixelFormat() != format) {
    converted_ = bitmap;
    converted_->SetPixelFormat(format);
    bitmap_ = &*converted_;
  }
}

TDIBWriter::TDIBWriter(TBitmap& target, TPixelFormat format, int width, int height, const TPalette& palette)
    : target_(target), format_(format), width_(width), height_(height), palette_(palette) {
  if (format != TPixelFormat::pf8bit && format != TPixelFormat::pf24bit) throw GIFException("Unsupported PixelFormat");
  if (width == 0 || height == 0) throw GIFException("Invalid image dimensions");
}

TDIBWriter::~TDIBWriter() { Finish(); }

std::span<uint8_t> TDIBWriter::ScanLine(int row) {
  if (!pixels_) {
    try {
      pixels_.emplace(width_, height_, format_);
    } catch (const std::bad_alloc&) {
      throw GIFException("Failed to allocate memory for GIF DIB");
    }
    if (format_ == TPixelFormat::pf8bit) pixels_->SetPalette(palette_);
  }
  return pixels_->ScanLine(row);
}

void TDIBWriter::Finish() {
  if (!pixels_) return;
  target_ = std::move(*pixels_);
  pixels_.reset();
}

}  // namespace olv
