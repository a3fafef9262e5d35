// The standard icons read at the sizes drawn: the same pixels, sizes and looks as the style's own
// icons at every size and mode, drawn or asked for; a style whose pictures are unknown gets its own.
#include "widgets/qticons/StandardIcon.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <memory>

namespace olv {
namespace {

constexpr QStyle::StandardPixmap kIcons[] = {
    QStyle::SP_DialogSaveButton,
    QStyle::SP_DialogOpenButton,
    QStyle::SP_DialogCloseButton,
    QStyle::SP_FileIcon,
    QStyle::SP_TrashIcon,
    QStyle::SP_FileDialogDetailedView,
    QStyle::SP_MediaPlay,
    QStyle::SP_MediaStop,
    QStyle::SP_MediaSeekForward,
    QStyle::SP_ToolBarHorizontalExtensionButton,  // pictures wider than high, another for right to left
    QStyle::SP_ToolBarVerticalExtensionButton,
};
constexpr int kSizes[] = {8, 16, 20, 24, 32, 40, 64, 128, 200};
constexpr QIcon::Mode kModes[] = {QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected};

QImage Painted(const QIcon& icon, int size, QIcon::Mode mode) {
  QImage image(size + 6, size + 6, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  icon.paint(&p, QRect(3, 3, size, size), Qt::AlignCenter, mode);
  return image;
}

// The skin's style is a proxy over the desktop's: the pictures are known through it.
TEST(StandardIcon, SamePixelsSizesAndLooksAsTheStylesOwnIcon) {
  std::unique_ptr<QStyle> fusion(QStyleFactory::create("Fusion"));
  ASSERT_NE(fusion, nullptr);
  QProxyStyle proxied(QStyleFactory::create("Fusion"));
  QStyleOption rightToLeft;
  rightToLeft.direction = Qt::RightToLeft;
  for (const QStyle* style : {static_cast<const QStyle*>(fusion.get()), static_cast<const QStyle*>(&proxied)})
    for (const QStyleOption* option : std::initializer_list<const QStyleOption*>{nullptr, &rightToLeft})
      for (QStyle::StandardPixmap which : kIcons) {
        SCOPED_TRACE(testing::Message() << "icon " << which << (style == &proxied ? " through a proxy" : "")
                                        << (option ? " right to left" : ""));
        const QIcon theirs = style->standardIcon(which, option);
        const QIcon ours = StandardIcon(which, style, option);
        ASSERT_FALSE(ours.isNull());
        EXPECT_EQ(ours.availableSizes(), theirs.availableSizes());
        EXPECT_EQ(ours.availableSizes(QIcon::Disabled), theirs.availableSizes(QIcon::Disabled));
        for (int size : kSizes)
          for (QIcon::Mode mode : kModes) {
            SCOPED_TRACE(testing::Message() << "size " << size << " mode " << mode);
            EXPECT_EQ(ours.actualSize(QSize(size, size), mode), theirs.actualSize(QSize(size, size), mode));
            for (QIcon::State state : {QIcon::Off, QIcon::On})
              EXPECT_EQ(ours.pixmap(QSize(size, size), mode, state).toImage(),
                        theirs.pixmap(QSize(size, size), mode, state).toImage());
            EXPECT_EQ(Painted(ours, size, mode), Painted(theirs, size, mode));
          }
      }
}

TEST(StandardIcon, AnIconOrStyleWhosePicturesAreUnknownIsTheStylesOwn) {
  std::unique_ptr<QStyle> fusion(QStyleFactory::create("Fusion"));
  std::unique_ptr<QStyle> windows(QStyleFactory::create("Windows"));
  ASSERT_NE(windows, nullptr);
  // Not one of the pictures known here: drawn by the style.
  const QIcon warning = StandardIcon(QStyle::SP_MessageBoxWarning, fusion.get());
  EXPECT_EQ(warning.pixmap(32).toImage(), fusion->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32).toImage());
  const QIcon save = StandardIcon(QStyle::SP_DialogSaveButton, windows.get());
  EXPECT_EQ(save.pixmap(24).toImage(), windows->standardIcon(QStyle::SP_DialogSaveButton).pixmap(24).toImage());
}

}  // namespace
}  // namespace olv
