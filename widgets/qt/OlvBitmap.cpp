#include "widgets/qt/OlvBitmap.h"

#include <QImageReader>
#include <QString>

#include "foundation/base/Exception.h"
#include "foundation/files/PathMacros.h"
#include "widgets/qt/JpegFile.h"

namespace olv {

namespace {

std::string LowerExtension(const std::string& name) {
  const std::size_t dot = name.find_last_of('.');
  const std::size_t slash = name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = name.substr(dot);
  for (char& c : ext) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return ext;
}

bool IsJpegExtension(const std::string& ext) { return ext == ".jpg" || ext == ".jpeg"; }

// The format is fixed, never guessed from the content, so a JPEG file under another name is not
// handed to a second JPEG decoder.
QImage ReadAs(const std::string& fileName, const char* format) {
  QImageReader reader(QString::fromStdString(fileName), format);
  reader.setDecideFormatFromContent(false);
  QImage image = reader.read();
  if (image.isNull()) {
    throw Exception("Cannot read the picture file " + fileName + ": " + reader.errorString().toStdString());
  }
  return image;
}

}  // namespace

void TBitmap::LoadFromFile(const std::string& fileName) {
  const std::string name = ExpandPathMacros(fileName, true);
  image_ = IsJpegExtension(LowerExtension(name)) ? ReadJpegFile(name) : ReadAs(name, "bmp");
}

void TBitmap::LoadPictureFile(const std::string& fileName) {
  const std::string ext = LowerExtension(fileName);
  if (IsJpegExtension(ext)) {
    image_ = ReadJpegFile(fileName);
  } else if (ext == ".bmp" || ext == ".png") {
    image_ = ReadAs(fileName, ext.c_str() + 1);
  } else {
    throw Exception("Unknown picture file extension: " + fileName);
  }
}

}  // namespace olv
