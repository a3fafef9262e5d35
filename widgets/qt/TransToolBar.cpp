#include "widgets/qt/TransToolBar.h"

#include <QPainter>
#include <QPalette>

#include "widgets/qt/PanelPainting.h"

namespace olv {

TTransToolBar::TTransToolBar(QWidget* parent) : QToolBar(parent) {
  setMovable(false);
  setFloatable(false);
  setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  setAutoFillBackground(false);
}

void TTransToolBar::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  update();
}

void TTransToolBar::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  if (transparent_) {
    DrawParentBackground(*this, painter);
  } else {
    painter.end();
    QToolBar::paintEvent(event);
    painter.begin(this);
  }
  bool defaultDraw = true;
  if (onCustomDraw_) onCustomDraw_(*this, painter, rect(), defaultDraw);
  if (!defaultDraw) return;
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawLine(0, height() - 2, width() - 1, height() - 2);
  painter.setPen(palette().color(QPalette::Light));
  painter.drawLine(0, height() - 1, width() - 1, height() - 1);
}

}  // namespace olv
