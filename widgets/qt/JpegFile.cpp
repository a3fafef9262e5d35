#include "widgets/qt/JpegFile.h"

#include <csetjmp>
#include <cstdio>
#include <memory>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "foundation/base/Exception.h"

namespace olv {

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void OnJpegError(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, err->message);
  std::longjmp(err->jump, 1);
}

extern "C" void OnJpegMessage(j_common_ptr, int) {}  // warnings of damaged but readable data

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Between setjmp and a longjmp only objects without destructors live in this frame: the picture and
// the file are owned by the caller.
bool Decode(std::FILE* file, QImage& image, ErrorManager& err) {
  jpeg_decompress_struct info;
  info.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnJpegError;
  err.pub.emit_message = OnJpegMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(&info);
  const std::int64_t pixels = std::int64_t{info.output_width} * info.output_height;
  const int channels = info.output_components;
  if (pixels <= 0 || pixels > kMaxJpegPixels || (channels != 3 && channels != 4)) {
    std::snprintf(err.message, sizeof err.message, "picture of %ux%u with %d channels refused", info.output_width,
                  info.output_height, channels);
    jpeg_destroy_decompress(&info);
    return false;
  }
  image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height), QImage::Format_RGB888);
  if (image.isNull()) {
    std::snprintf(err.message, sizeof err.message, "no memory for a picture of %ux%u", info.output_width,
                  info.output_height);
    jpeg_destroy_decompress(&info);
    return false;
  }
  // One scan line of CMYK is converted in place into the picture's line, which is 3/4 of its size;
  // the line buffer comes from libjpeg's pool so that a longjmp frees it.
  JSAMPARRAY cmykLine = cmyk ? (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                         info.output_width * 4, 1)
                             : nullptr;
  while (info.output_scanline < info.output_height) {
    uchar* line = image.scanLine(static_cast<int>(info.output_scanline));
    if (!cmyk) {
      JSAMPROW row = line;
      jpeg_read_scanlines(&info, &row, 1);
      continue;
    }
    jpeg_read_scanlines(&info, cmykLine, 1);
    const JSAMPLE* in = cmykLine[0];
    for (unsigned x = 0; x < info.output_width; ++x, in += 4) {
      // Stored inverted, as the common writers of CMYK JPEG files do.
      line[3 * x] = static_cast<uchar>(in[0] * in[3] / 255);
      line[3 * x + 1] = static_cast<uchar>(in[1] * in[3] / 255);
      line[3 * x + 2] = static_cast<uchar>(in[2] * in[3] / 255);
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

QImage ReadJpegFile(const std::string& fileName) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "rb"));
  if (!file) throw Exception("Cannot open the JPEG file " + fileName);
  QImage image;
  ErrorManager err{};
  if (!Decode(file.get(), image, err)) {
    throw Exception("Cannot read the JPEG file " + fileName + ": " + err.message);
  }
  return image;
}

}  // namespace olv
