#pragma once
// Decoding a JPEG file with libjpeg into a picture (RGB, 8 bits per channel). Greyscale, YCbCr and
// CMYK files are read; a picture of more than kMaxJpegPixels is refused before anything is
// allocated for it. Any thread.
#include <QImage>
#include <cstdint>
#include <string>

namespace olv {

inline constexpr std::int64_t kMaxJpegPixels = std::int64_t{1} << 28;

// Raises olv::Exception with the file name and libjpeg's reason when the file cannot be read.
QImage ReadJpegFile(const std::string& fileName);

}  // namespace olv
