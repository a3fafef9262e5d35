#pragma once
// The style's standard icons, read at the sizes they are drawn. The style makes a standard icon by
// decoding every picture it has of it (16, 32 and 128 pixels), though a tool bar draws one size
// and a menu another: for the window's dozen icons that decoding was a tenth of the work before
// its first frame, and the first picture read that way has every image plugin loaded to ask
// whether it knows the picture. Where the style is the one whose pictures this knows (Fusion,
// with no icon theme of the desktop's taking its place), the icon here holds the same pictures and
// draws them as the style's own icon would, pixel for pixel, but decodes a picture only when a
// size it is the best for is first drawn, as the PNG it is. Any other style, or an icon this does
// not know, gets the style's own (style->standardIcon(which, option, widget)).
// GUI thread only, as every icon.
#include <QIcon>
#include <QStyle>

class QStyleOption;
class QWidget;

namespace olv {

QIcon StandardIcon(QStyle::StandardPixmap which, const QStyle* style, const QStyleOption* option = nullptr,
                   const QWidget* widget = nullptr);

}  // namespace olv
