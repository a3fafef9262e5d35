#pragma once
// The form library's picture: a bitmap that also loads JPEG files. It is the background of the
// library's forms and the picture of its panels. (The raster layer of the GIF library and the skin
// is another thing, in widgets/gfx.)
//
// LoadFromFile expands path macros in the name; a name ending in ".jpg" or ".jpeg" (any case) is
// decoded with libjpeg, any other is read as a BMP file. LoadPictureFile is the panels' picture
// loading: no path macros, the kind chosen by the extension (JPEG through libjpeg, BMP and PNG).
// Both raise olv::Exception when the file cannot be read and leave the bitmap as it was.
// A value type; GUI thread (QImage may be used on any thread, but pictures are drawn there).
#include <QImage>
#include <string>

namespace olv {

class TBitmap {
 public:
  TBitmap() = default;
  explicit TBitmap(QImage image) : image_(std::move(image)) {}

  void LoadFromFile(const std::string& fileName);
  void LoadPictureFile(const std::string& fileName);
  void Assign(const QImage& image) { image_ = image; }
  void Clear() { image_ = QImage(); }

  bool Empty() const { return image_.isNull() || image_.width() == 0 || image_.height() == 0; }
  int Width() const { return image_.width(); }
  int Height() const { return image_.height(); }
  const QImage& Image() const { return image_; }

 private:
  QImage image_;
};

}  // namespace olv
