// The form library's picture: JPEG files through libjpeg (written here by libjpeg's own
// compressor, not by anything of ours), bitmaps through the BMP reader.
#include "widgets/qt/OlvBitmap.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "foundation/base/Exception.h"
#include "foundation/files/Folders.h"

namespace olv {
namespace {

namespace fs = std::filesystem;

// A picture whose left half is red and right half blue; greyscale: left black, right white.
void WriteJpeg(const std::string& path, int width, int height, bool grey) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  jpeg_compress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, f);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = grey ? 1 : 3;
  info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 98, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * info.input_components);
  for (int x = 0; x < width; ++x) {
    const bool left = x < width / 2;
    if (grey) {
      row[x] = left ? 0 : 255;
    } else {
      row[3 * x] = left ? 255 : 0;
      row[3 * x + 1] = 0;
      row[3 * x + 2] = left ? 0 : 255;
    }
  }
  while (info.next_scanline < info.image_height) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&info, &r, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(f);
}

bool Near(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) < 24 && std::abs(a.green() - b.green()) < 24 && std::abs(a.blue() - b.blue()) < 24;
}

class OlvBitmapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("olvbitmap_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string File(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

TEST_F(OlvBitmapTest, JpegFilesByTheirExtensionInAnyCase) {
  for (const char* name : {"a.jpg", "b.JPG", "c.jpeg", "d.JpEg"}) {
    SCOPED_TRACE(name);
    WriteJpeg(File(name), 32, 16, false);
    TBitmap bitmap;
    bitmap.LoadFromFile(File(name));
    ASSERT_EQ(bitmap.Width(), 32);
    ASSERT_EQ(bitmap.Height(), 16);
    EXPECT_TRUE(Near(bitmap.Image().pixelColor(4, 8), QColor(255, 0, 0)));
    EXPECT_TRUE(Near(bitmap.Image().pixelColor(28, 8), QColor(0, 0, 255)));
  }
}

TEST_F(OlvBitmapTest, GreyscaleJpegAndPictureLoading) {
  WriteJpeg(File("g.jpg"), 16, 16, true);
  TBitmap bitmap;
  bitmap.LoadPictureFile(File("g.jpg"));
  EXPECT_TRUE(Near(bitmap.Image().pixelColor(2, 2), QColor(0, 0, 0)));
  EXPECT_TRUE(Near(bitmap.Image().pixelColor(13, 2), QColor(255, 255, 255)));
}

TEST_F(OlvBitmapTest, OtherNamesAreReadAsBitmaps) {
  QImage image(5, 3, QImage::Format_RGB32);
  image.fill(QColor(10, 200, 30));
  ASSERT_TRUE(image.save(QString::fromStdString(File("p.bmp")), "BMP"));
  TBitmap bitmap;
  bitmap.LoadFromFile(File("p.bmp"));
  EXPECT_EQ(bitmap.Width(), 5);
  EXPECT_EQ(bitmap.Image().pixelColor(4, 2), QColor(10, 200, 30));

  // A JPEG under a bitmap's name is not a bitmap: it fails, and the bitmap keeps its picture.
  WriteJpeg(File("j.jpg"), 8, 8, false);
  fs::copy_file(File("j.jpg"), File("j.bmp"));
  EXPECT_THROW(bitmap.LoadFromFile(File("j.bmp")), Exception);
  EXPECT_EQ(bitmap.Width(), 5);
  EXPECT_THROW(bitmap.LoadPictureFile(File("j.gif")), Exception);
}

TEST_F(OlvBitmapTest, DamagedJpegFilesRaise) {
  WriteJpeg(File("whole.jpg"), 64, 64, false);
  std::ifstream in(File("whole.jpg"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  struct Case {
    const char* name;
    std::string content;
  } cases[] = {
      {"empty.jpg", ""},
      {"text.jpg", "not a picture at all"},
      {"header.jpg", bytes.substr(0, 20)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(File(c.name), std::ios::binary) << c.content;
    TBitmap bitmap;
    EXPECT_THROW(bitmap.LoadFromFile(File(c.name)), Exception);
    EXPECT_TRUE(bitmap.Empty());
  }
  TBitmap missing;
  EXPECT_THROW(missing.LoadFromFile(File("missing.jpg")), Exception);
}

TEST_F(OlvBitmapTest, TruncatedJpegStillGivesAPicture) {
  // libjpeg fills what is missing at the end of a cut file and warns: the picture stays usable.
  WriteJpeg(File("whole.jpg"), 64, 64, false);
  std::ifstream in(File("whole.jpg"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t scan = bytes.find("\xFF\xDA");  // start of the scan: the picture's data follow
  ASSERT_NE(scan, std::string::npos);
  fs::resize_file(File("whole.jpg"), scan + (bytes.size() - scan) / 2);
  TBitmap bitmap;
  bitmap.LoadFromFile(File("whole.jpg"));
  EXPECT_EQ(bitmap.Width(), 64);
}

TEST_F(OlvBitmapTest, PathMacrosInTheName) {
  const std::string name = "olvbitmap_macro_" + std::to_string(::getpid()) + ".jpg";
  WriteJpeg(GetProgramDir() + name, 8, 4, false);
  TBitmap bitmap;
  bitmap.LoadFromFile("<PROGRAMDIR>/" + name);
  fs::remove(GetProgramDir() + name);
  EXPECT_EQ(bitmap.Height(), 4);
}

}  // namespace
}  // namespace olv
