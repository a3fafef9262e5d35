#include "skin/qt/SkinPainter.h"

#include <map>
#include <memory>

#include "skin/SkinDraw.h"
#include "skin/qt/SkinQImage.h"

namespace skin {

namespace {

std::map<const TSkinData*, std::unique_ptr<TSkinPainter>>& Painters() {
  static std::map<const TSkinData*, std::unique_ptr<TSkinPainter>> painters;
  return painters;
}

}  // namespace

TSkinPainter& TSkinPainter::For(const TSkinData& data) {
  std::unique_ptr<TSkinPainter>& p = Painters()[&data];
  if (!p) p = std::make_unique<TSkinPainter>();
  if (p->generation_ != data.Generation()) {
    // Another skin (or another component at the same address): its pictures are new ones.
    p->images_.clear();
    p->generation_ = data.Generation();
  }
  return *p;
}

void TSkinPainter::ForgetAll() { Painters().clear(); }

const QImage& TSkinPainter::Image(const olv::TBitmap& picture, bool transparent) {
  Images& images = images_[&picture];
  if (images.opaque.isNull() && !picture.Empty()) images.opaque = ToQImage(picture);
  if (!transparent) return images.opaque;
  // Most pictures are drawn one way only: the other is made when first drawn.
  if (images.transparent.isNull() && !images.opaque.isNull()) {
    images.transparent = images.opaque.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < images.transparent.height(); ++y) {
      auto* row = reinterpret_cast<QRgb*>(images.transparent.scanLine(y));
      for (int x = 0; x < images.transparent.width(); ++x)
        if ((row[x] & 0xFFFEFF) == 0xFF00FF) row[x] = 0;
    }
  }
  return images.transparent;
}

void TSkinPainter::DrawImage(QPainter& p, const QRect& dest, const olv::TBitmap& picture, const TSkinMargins& margins,
                             bool vertical, bool tile, bool transparent, int frameCount, int frameNumber) {
  if (dest.isEmpty() || picture.Empty()) return;
  const QImage& image = Image(picture, transparent);
  const auto slices = SkinSlices(picture, margins, vertical, frameCount, frameNumber, dest.width(), dest.height());
  for (int i = 0; i < 9; ++i) {
    const TSkinSlice& s = slices[static_cast<size_t>(i)];
    if (s.dest.IsEmpty() || s.source.IsEmpty()) continue;
    const QRect to = ToQRect(s.dest).translated(dest.topLeft()), from = ToQRect(s.source);
    if (i == kCentreSlice && tile) {
      p.save();
      p.setClipRect(to, Qt::IntersectClip);
      for (int y = to.top(); y <= to.bottom(); y += from.height())
        for (int x = to.left(); x <= to.right(); x += from.width()) p.drawImage(QPoint(x, y), image, from);
      p.restore();
    } else if (to.size() == from.size()) {
      p.drawImage(to.topLeft(), image, from);
    } else {
      p.drawImage(to, image, from);
    }
  }
}

void TSkinPainter::DrawObject(QPainter& p, const QRect& dest, const TDataSkinObject& o, int frameNumber,
                              bool vertical) {
  DrawImage(p, dest, o.Bitmap, o.Margins(), vertical, o.Tile == 1, o.Trans == 1, o.FrameCount(), frameNumber);
}

void TSkinPainter::DrawBorder(QPainter& p, const QRect& dest, const olv::TBitmap& picture,
                              const TSkinMargins& margins, int frameCount, int frameNumber) {
  if (dest.isEmpty() || picture.Empty()) return;
  const QImage& image = Image(picture, false);
  const auto slices = SkinSlices(picture, margins, false, frameCount, frameNumber, dest.width(), dest.height());
  for (int i = 0; i < 9; ++i) {
    const TSkinSlice& s = slices[static_cast<size_t>(i)];
    if (i == kCentreSlice || s.dest.IsEmpty() || s.source.IsEmpty()) continue;
    p.drawImage(ToQRect(s.dest).translated(dest.topLeft()), image, ToQRect(s.source));
  }
}

void TSkinPainter::DrawBar(QPainter& p, const QRect& dest, const olv::TBitmap& picture, bool vertical,
                           bool transparent, int frameCount, int frameNumber, const TSkinMargins& margins) {
  if (dest.isEmpty() || picture.Empty()) return;
  const QImage& image = Image(picture, transparent);
  const olv::TRect f = SkinFrameRect(picture, frameCount, frameNumber, vertical);
  const int L = std::clamp(margins.Left, 0, f.Width()), R = std::clamp(margins.Right, 0, f.Width() - L);
  const int w = dest.width(), h = dest.height(), x0 = dest.left(), y0 = dest.top();
  p.save();
  p.setClipRect(dest, Qt::IntersectClip);
  if (L > 0) p.drawImage(QRect(x0, y0, L, h), image, QRect(f.Left, f.Top, L, f.Height()));
  const int step = f.Width() - L - R;
  if (step > 0)
    for (int x = L; x < w - R; x += step)
      p.drawImage(QRect(x0 + x, y0, step, h), image, QRect(f.Left + L, f.Top, step, f.Height()));
  if (R > 0) p.drawImage(QRect(x0 + w - R, y0, R, h), image, QRect(f.Right - R, f.Top, R, f.Height()));
  p.restore();
}

void TSkinPainter::DrawFrame(QPainter& p, const QRect& dest, const olv::TBitmap& picture, bool transparent,
                             int frameCount, int frameNumber) {
  if (dest.isEmpty() || picture.Empty()) return;
  p.drawImage(dest, Image(picture, transparent), ToQRect(SkinFrameRect(picture, frameCount, frameNumber, false)));
}

}  // namespace skin
