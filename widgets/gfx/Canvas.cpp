#include "widgets/gfx/Canvas.h"

#include <vector>

#include "widgets/gfx/GraphicError.h"

namespace olv {

namespace {

// Writes one colour into a row of the target's format.
class RowWriter {
 public:
  explicit RowWriter(TBitmap& target) : target_(target), nearest_(target.Palette()) {}

  void Put(uint8_t* row, int x, TColor c) {
    switch (target_.PixelFormat()) {
      case TPixelFormat::pf32bit:
        row[4 * x] = ColorBlue(c), row[4 * x + 1] = ColorGreen(c), row[4 * x + 2] = ColorRed(c);
        return;
      case TPixelFormat::pf24bit:
        row[3 * x] = ColorBlue(c), row[3 * x + 1] = ColorGreen(c), row[3 * x + 2] = ColorRed(c);
        return;
      case TPixelFormat::pf8bit: row[x] = static_cast<uint8_t>(nearest_(c)); return;
      case TPixelFormat::pf4bit: {
        const int i = nearest_(c);
        row[x >> 1] = (x & 1) ? static_cast<uint8_t>((row[x >> 1] & 0xF0) | (i & 0x0F))
                              : static_cast<uint8_t>((row[x >> 1] & 0x0F) | (i << 4));
        return;
      }
      case TPixelFormat::pf1bit: {
        const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
        row[x >> 3] = nearest_(c) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
        return;
      }
    }
  }

 private:
  TBitmap& target_;
  TNearestColorCache nearest_;
};

}  // namespace

void TCanvas::FillRect(const TRect& rect, TColor color) {
  const TRect r = rect.Intersect(target_.Bounds());
  if (r.IsEmpty()) return;
  RowWriter writer(target_);
  for (int y = r.Top; y < r.Bottom; ++y) {
    uint8_t* row = target_.ScanLine(y).data();
    for (int x = r.Left; x < r.Right; ++x) writer.Put(row, x, color);
  }
}

void TCanvas::Draw(int x, int y, const TBitmap& source) {
  CopyRect(MakeRect(x, y, source.Width(), source.Height()), source, source.Bounds());
}

void TCanvas::StretchDraw(const TRect& dest, const TBitmap& source) { CopyRect(dest, source, source.Bounds()); }

void TCanvas::CopyRect(const TRect& dest, const TBitmap& source, const TRect& sourceRect) {
  Copy(dest, source, sourceRect, Skip::None, nullptr, 0);
}

void TCanvas::CopyRectMasked(const TRect& dest, const TBitmap& source, const TRect& sourceRect,
                             const TBitmap& mask) {
  if (mask.PixelFormat() != TPixelFormat::pf1bit || mask.Width() != source.Width() ||
      mask.Height() != source.Height())
    throw EInvalidGraphic("The mask must be a 1-bit bitmap of the source's size");
  Copy(dest, source, sourceRect, Skip::Mask, &mask, 0);
}

void TCanvas::CopyRectTransparent(const TRect& dest, const TBitmap& source, const TRect& sourceRect, TColor key) {
  Copy(dest, source, sourceRect, Skip::Key, nullptr, key);
}

void TCanvas::Copy(const TRect& dest, const TBitmap& source, const TRect& sourceRect, Skip skip,
                   const TBitmap* mask, TColor key) {
  if (dest.IsEmpty() || sourceRect.IsEmpty() || source.Empty()) return;
  if (&source == &target_) {  // a copy within one bitmap reads the pixels as they were before
    const TBitmap before = source;
    Copy(dest, before, sourceRect, skip, mask, key);
    return;
  }
  const TRect clip = dest.Intersect(target_.Bounds());
  if (clip.IsEmpty()) return;
  const int64_t dw = dest.Width(), dh = dest.Height();
  const int64_t sw = sourceRect.Width(), sh = sourceRect.Height();

  // Source column of every target column inside the clip; -1 where it falls outside the source.
  std::vector<int> columns(static_cast<size_t>(clip.Width()));
  int minSx = source.Width(), maxSx = -1;
  for (int x = clip.Left; x < clip.Right; ++x) {
    const int sx = static_cast<int>(sourceRect.Left + (x - dest.Left) * sw / dw);
    const bool inside = sx >= 0 && sx < source.Width();
    columns[static_cast<size_t>(x - clip.Left)] = inside ? sx : -1;
    if (inside) minSx = std::min(minSx, sx), maxSx = std::max(maxSx, sx);
  }
  if (maxSx < 0) return;

  RowWriter writer(target_);
  std::vector<TColor> colors(static_cast<size_t>(maxSx - minSx + 1));
  int loadedRow = -1;
  for (int y = clip.Top; y < clip.Bottom; ++y) {
    const int sy = static_cast<int>(sourceRect.Top + (y - dest.Top) * sh / dh);
    if (sy < 0 || sy >= source.Height()) continue;
    if (sy != loadedRow) {
      ReadRowColors(source, sy, minSx, maxSx - minSx + 1, colors.data());
      loadedRow = sy;
    }
    const uint8_t* maskRow = skip == Skip::Mask ? mask->ScanLine(sy).data() : nullptr;
    uint8_t* row = target_.ScanLine(y).data();
    for (int x = clip.Left; x < clip.Right; ++x) {
      const int sx = columns[static_cast<size_t>(x - clip.Left)];
      if (sx < 0) continue;
      if (maskRow && ((maskRow[sx >> 3] >> (7 - (sx & 7))) & 1)) continue;
      const TColor c = colors[static_cast<size_t>(sx - minSx)];
      if (skip == Skip::Key && c == key) continue;
      writer.Put(row, x, c);
    }
  }
}

}  // namespace olv
