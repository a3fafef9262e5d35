#include "widgets/gfx/Bitmap.h"

#include <algorithm>
#include <cstring>

#include "widgets/gfx/GraphicError.h"

namespace olv {

namespace {

int64_t StrideFor(int64_t width, int bits) { return ((width * bits + 31) / 32) * 4; }

void CheckSize(int width, int height) {
  if (width < 0 || height < 0 || width > TBitmap::kMaxSide || height > TBitmap::kMaxSide ||
      int64_t{width} * height > TBitmap::kMaxPixels)
    throw EInvalidGraphic("Invalid image dimensions");
}

inline int GetIndex(const uint8_t* row, int x, int bits) {
  switch (bits) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    default: return row[x];
  }
}

inline void PutIndex(uint8_t* row, int x, int bits, int index) {
  switch (bits) {
    case 1: {
      const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = index ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
      break;
    }
    case 4:
      row[x >> 1] = (x & 1) ? static_cast<uint8_t>((row[x >> 1] & 0xF0) | (index & 0x0F))
                            : static_cast<uint8_t>((row[x >> 1] & 0x0F) | (index << 4));
      break;
    default: row[x] = static_cast<uint8_t>(index);
  }
}

}  // namespace

TBitmap::TBitmap(int width, int height, TPixelFormat format) : format_(format) {
  if (IsIndexed(format)) palette_ = DefaultPalette(BitsOf(format));
  SetSize(width, height);
}

int TBitmap::RowBytes() const { return static_cast<int>((int64_t{width_} * BitsPerPixel() + 7) / 8); }

void TBitmap::SetSize(int width, int height) {
  CheckSize(width, height);
  if (width == width_ && height == height_) return;
  const int64_t stride = StrideFor(width, BitsPerPixel());
  std::vector<uint8_t> pixels(static_cast<size_t>(stride * height), 0);
  const int keepRows = std::min(height, height_);
  const int64_t keepBytes = (int64_t{std::min(width, width_)} * BitsPerPixel()) / 8;
  for (int y = 0; y < keepRows; ++y) {
    std::memcpy(pixels.data() + y * stride, pixels_.data() + int64_t{y} * stride_, static_cast<size_t>(keepBytes));
    // A shared width ending inside a byte (1 and 4 bits): copy the remaining pixels one by one.
    for (int x = static_cast<int>(keepBytes * 8 / BitsPerPixel()); x < std::min(width, width_); ++x)
      PutIndex(pixels.data() + y * stride, x, BitsPerPixel(),
               GetIndex(pixels_.data() + int64_t{y} * stride_, x, BitsPerPixel()));
  }
  pixels_ = std::move(pixels);
  width_ = width;
  height_ = height;
  stride_ = static_cast<int>(stride);
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == format_) return;
  TBitmap out;
  out.format_ = format;
  out.transparent_ = transparent_;
  out.transparentColor_ = transparentColor_;
  if (IsIndexed(format)) {
    const bool fits = IsIndexed(format_) && !palette_.Empty() && palette_.Count() <= (1 << BitsOf(format));
    out.palette_ = fits ? palette_ : DefaultPalette(BitsOf(format));
  } else {
    out.palette_ = palette_;
  }
  out.SetSize(width_, height_);
  std::vector<TColor> row(static_cast<size_t>(width_));
  if (IsIndexed(format) && IsIndexed(format_) && out.palette_ == palette_) {
    for (int y = 0; y < height_; ++y) {
      const uint8_t* src = ScanLine(y).data();
      uint8_t* dst = out.ScanLine(y).data();
      for (int x = 0; x < width_; ++x) PutIndex(dst, x, out.BitsPerPixel(), GetIndex(src, x, BitsPerPixel()));
    }
  } else {
    TNearestColorCache nearest(out.palette_);
    for (int y = 0; y < height_; ++y) {
      ReadRowColors(*this, y, 0, width_, row.data());
      uint8_t* dst = out.ScanLine(y).data();
      for (int x = 0; x < width_; ++x) {
        const TColor c = row[static_cast<size_t>(x)];
        switch (format) {
          case TPixelFormat::pf24bit:
            dst[3 * x] = ColorBlue(c), dst[3 * x + 1] = ColorGreen(c), dst[3 * x + 2] = ColorRed(c);
            break;
          case TPixelFormat::pf32bit:
            dst[4 * x] = ColorBlue(c), dst[4 * x + 1] = ColorGreen(c), dst[4 * x + 2] = ColorRed(c);
            break;
          default: PutIndex(dst, x, out.BitsPerPixel(), nearest(c));
        }
      }
    }
  }
  *this = std::move(out);
}

std::span<uint8_t> TBitmap::ScanLine(int y) {
  if (y < 0 || y >= height_) throw EInvalidGraphic("Scan line index out of range");
  return {pixels_.data() + int64_t{y} * stride_, static_cast<size_t>(RowBytes())};
}

std::span<const uint8_t> TBitmap::ScanLine(int y) const {
  if (y < 0 || y >= height_) throw EInvalidGraphic("Scan line index out of range");
  return {pixels_.data() + int64_t{y} * stride_, static_cast<size_t>(RowBytes())};
}

void TBitmap::CheckXY(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) throw EInvalidGraphic("Invalid pixel coordinates");
}

int TBitmap::Index(int x, int y) const {
  CheckXY(x, y);
  if (!IsIndexed(format_)) throw EInvalidGraphic("Bitmap has no palette indices");
  return GetIndex(pixels_.data() + int64_t{y} * stride_, x, BitsPerPixel());
}

void TBitmap::SetIndex(int x, int y, int index) {
  CheckXY(x, y);
  if (!IsIndexed(format_)) throw EInvalidGraphic("Bitmap has no palette indices");
  if (index < 0 || index >= (1 << BitsPerPixel())) throw EInvalidGraphic("Invalid color index");
  PutIndex(pixels_.data() + int64_t{y} * stride_, x, BitsPerPixel(), index);
}

TColor TBitmap::Pixel(int x, int y) const {
  CheckXY(x, y);
  TColor c;
  ReadRowColors(*this, y, x, 1, &c);
  return c;
}

void TBitmap::SetPixel(int x, int y, TColor color) {
  CheckXY(x, y);
  uint8_t* row = pixels_.data() + int64_t{y} * stride_;
  switch (format_) {
    case TPixelFormat::pf24bit:
      row[3 * x] = ColorBlue(color), row[3 * x + 1] = ColorGreen(color), row[3 * x + 2] = ColorRed(color);
      break;
    case TPixelFormat::pf32bit:
      row[4 * x] = ColorBlue(color), row[4 * x + 1] = ColorGreen(color), row[4 * x + 2] = ColorRed(color);
      break;
    default: PutIndex(row, x, BitsPerPixel(), std::max(0, palette_.NearestIndex(color)));
  }
}

void TBitmap::Fill(TColor color) {
  if (Empty()) return;
  for (int x = 0; x < width_; ++x) SetPixel(x, 0, color);
  for (int y = 1; y < height_; ++y)
    std::memcpy(pixels_.data() + int64_t{y} * stride_, pixels_.data(), static_cast<size_t>(stride_));
}

TColor TBitmap::TransparentColor() const {
  if (transparentColor_ != kClDefault) return transparentColor_;
  return Empty() ? kClBlack : Pixel(0, height_ - 1);
}

TBitmap TBitmap::MakeMask(TColor key) const {
  TBitmap mask(width_, height_, TPixelFormat::pf1bit);
  std::vector<TColor> row(static_cast<size_t>(width_));
  for (int y = 0; y < height_; ++y) {
    ReadRowColors(*this, y, 0, width_, row.data());
    uint8_t* dst = mask.ScanLine(y).data();
    for (int x = 0; x < width_; ++x)
      if (row[static_cast<size_t>(x)] == key) dst[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }
  return mask;
}

bool operator==(const TBitmap& a, const TBitmap& b) {
  if (a.width_ != b.width_ || a.height_ != b.height_ || a.format_ != b.format_) return false;
  if (IsIndexed(a.format_)) {  // the colours count, not the display flags
    if (a.palette_.Count() != b.palette_.Count()) return false;
    for (int i = 0; i < a.palette_.Count(); ++i)
      if (a.palette_.Color(i) != b.palette_.Color(i)) return false;
  }
  for (int y = 0; y < a.height_; ++y) {
    auto ra = a.ScanLine(y), rb = b.ScanLine(y);
    if (!std::equal(ra.begin(), ra.end(), rb.begin())) return false;
  }
  return true;
}

void ReadRowColors(const TBitmap& bitmap, int y, int x, int count, TColor* out) {
  const uint8_t* row = bitmap.ScanLine(y).data();
  switch (bitmap.PixelFormat()) {
    case TPixelFormat::pf24bit:
      for (int i = 0; i < count; ++i, ++x) out[i] = MakeColor(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
      return;
    case TPixelFormat::pf32bit:
      for (int i = 0; i < count; ++i, ++x) out[i] = MakeColor(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
      return;
    default: {
      const TPalette& p = bitmap.Palette();
      const int bits = bitmap.BitsPerPixel();
      for (int i = 0; i < count; ++i, ++x) {
        const int index = GetIndex(row, x, bits);
        out[i] = index < p.Count() ? p.Entries()[static_cast<size_t>(index)].Color() : kClBlack;
      }
    }
  }
}

}  // namespace olv
