#include "skin/qt/SkinQImage.h"

#include <vector>

namespace skin {

QImage ToQImage(const olv::TBitmap& bitmap) {
  if (bitmap.Empty()) return {};
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  std::vector<olv::TColor> row(static_cast<size_t>(bitmap.Width()));
  for (int y = 0; y < bitmap.Height(); ++y) {
    olv::ReadRowColors(bitmap, y, 0, bitmap.Width(), row.data());
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < bitmap.Width(); ++x) {
      const olv::TColor c = row[static_cast<size_t>(x)];
      out[x] = qRgb(olv::ColorRed(c), olv::ColorGreen(c), olv::ColorBlue(c));
    }
  }
  return image;
}

olv::TBitmap FromQImage(const QImage& image) {
  if (image.isNull()) return {};
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  olv::TBitmap bitmap(rgb.width(), rgb.height(), olv::TPixelFormat::pf32bit);
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x)
      bitmap.SetPixel(x, y, olv::MakeColor(static_cast<uint8_t>(qRed(in[x])), static_cast<uint8_t>(qGreen(in[x])),
                                           static_cast<uint8_t>(qBlue(in[x]))));
  }
  return bitmap;
}

}  // namespace skin
