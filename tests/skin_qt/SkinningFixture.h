#pragma once
// Tests of skinned windows: the program's skin made live for each test (and taken away after it),
// and reading which picture, frame and slice a pixel shows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <memory>

#include "resources/EmbeddedSkin.h"
#include "skin/qt/QtSkinning.h"
#include "tests/support/OurProbes.h"

namespace skin {

class SkinningFixture : public ::testing::Test {
 protected:
  void SetUp() override { skinning_ = std::make_unique<TQtSkinning>(resources::EmbeddedSkinPackage()); }
  void TearDown() override { skinning_.reset(); }

  static int Id(std::string_view section, std::string_view key) { return skinkit::OurPictureId(section, key).value(); }
  static std::optional<skinkit::Probe> At(const QImage& image, int x, int y) {
    const QRgb c = image.pixel(x, y);
    return OurProbe(olv::MakeColor(static_cast<uint8_t>(qRed(c)), static_cast<uint8_t>(qGreen(c)),
                                   static_cast<uint8_t>(qBlue(c))));
  }
  // The picture a pixel belongs to; 0 for none of the skin's (the base style may still meet one
  // of the skin's colours by chance, but not a whole picture's).
  static int PictureAt(const QImage& image, int x, int y) {
    const auto p = At(image, x, y);
    return p ? p->picture : 0;
  }
  static QImage Blank(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
  }

  std::unique_ptr<TQtSkinning> skinning_;
};

}  // namespace skin
