#include "widgets/qt/PanelPainting.h"

#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace olv {

QColor ToQColor(TColor color) {
  const TRgb rgb = ColorToRgb(color);
  return QColor(rgb.r, rgb.g, rgb.b);
}

void DrawGradient(QPainter& painter, const QRect& rect, TColor begin, bool vertical, TColor end) {
  const int size = vertical ? rect.height() : rect.width();
  for (const TGradientBand& band : GradientBands(size, begin, end)) {
    const QColor colour(band.color.r, band.color.g, band.color.b);
    if (vertical) {
      painter.fillRect(QRect(rect.left(), rect.top() + band.offset, rect.width(), band.thickness), colour);
    } else {
      painter.fillRect(QRect(rect.left() + band.offset, rect.top(), band.thickness, rect.height()), colour);
    }
  }
}

void DrawParentBackground(const QWidget& control, QPainter& painter) {
  QWidget* parent = control.parentWidget();
  if (!parent) return;
  const QRect under = control.geometry() & parent->rect();
  if (under.isEmpty()) return;
  // The parent is rendered alone into a picture of its own, so its children (this control among
  // them) are not painted again and the painting cannot recurse into this control.
  QPixmap picture(under.size());
  picture.fill(parent->palette().color(parent->backgroundRole()));
  parent->render(&picture, QPoint(), QRegion(under), QWidget::DrawWindowBackground);
  painter.drawPixmap(under.topLeft() - control.pos(), picture);
}

}  // namespace olv
