#include "widgets/qt/GradientPanel.h"

#include <QChildEvent>
#include <QEvent>
#include <QPainter>
#include <QPalette>
#include <vector>

#include "widgets/qt/PanelPainting.h"

namespace olv {

namespace {

// A 3-D frame `width` pixels wide: the top and left edges in `topLeft`, the bottom and right ones
// in `bottomRight`; the rectangle shrinks by the frame.
void Frame3D(QPainter& p, QRect& r, const QColor& topLeft, const QColor& bottomRight, int width) {
  for (int i = 0; i < width && r.width() > 0 && r.height() > 0; ++i) {
    p.setPen(topLeft);
    p.drawLine(r.left(), r.bottom(), r.left(), r.top());
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    p.setPen(bottomRight);
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    p.drawLine(r.right(), r.bottom(), r.left(), r.bottom());
    r.adjust(1, 1, -1, -1);
  }
}

void Bevel(QPainter& p, QRect& r, TBevelCut cut, int width, const QPalette& palette) {
  if (cut == TBevelCut::bvNone) return;
  const QColor light = palette.color(QPalette::Light);
  const QColor shadow = palette.color(QPalette::Dark);
  if (cut == TBevelCut::bvRaised) {
    Frame3D(p, r, light, shadow, width);
  } else {
    Frame3D(p, r, shadow, light, width);
  }
}

// Sets field to value; true when that changed it.
bool IsGradient(TBackgroundMode mode) {
  return mode == TBackgroundMode::bkmGradientHorz || mode == TBackgroundMode::bkmGradientVert;
}

template <class T>
bool Change(T& field, T value) {
  if (field == value) return false;
  field = value;
  return true;
}

}  // namespace

TGradientPanel::TGradientPanel(QWidget* parent) : QWidget(parent) {}

void TGradientPanel::SetBackground(const TBitmap& picture) {
  background_ = picture;
  update();
}

void TGradientPanel::SetBackgroundMode(TBackgroundMode mode) {
  if (Change(mode_, mode)) update();
}

// The colours show only in the gradient modes: in the others a change does not repaint.
void TGradientPanel::SetGradientBeginColor(TColor color) {
  if (Change(begin_, color) && IsGradient(mode_)) update();
}

void TGradientPanel::SetGradientEndColor(TColor color) {
  if (Change(end_, color) && IsGradient(mode_)) update();
}

void TGradientPanel::SetTransparent(bool transparent) {
  if (Change(transparent_, transparent)) update();
}

void TGradientPanel::SetBackgroundFile(const std::string& fileName) {
  backgroundFile_ = fileName;
  if (fileName.empty()) {
    SetBackground(TBitmap());
    return;
  }
  TBitmap picture;
  picture.LoadPictureFile(fileName);
  SetBackground(picture);
}

void TGradientPanel::SetCtrlHeight(int height) {
  if (Change(ctrlHeight_, height)) ArrangeControls();
}

void TGradientPanel::SetCtrlWidth(int width) {
  if (Change(ctrlWidth_, width)) ArrangeControls();
}

void TGradientPanel::SetCtrlAlignMode(TCtrlAlignMode mode) {
  if (Change(alignMode_, mode)) ArrangeControls();
}

void TGradientPanel::SetAutoSize(bool autoSize) {
  if (Change(autoSize_, autoSize)) ArrangeControls();
}

QColor TGradientPanel::Color() const { return palette().color(QPalette::Window); }

void TGradientPanel::SetColor(const QColor& color) {
  QPalette p = palette();
  p.setColor(QPalette::Window, color);
  setPalette(p);
  update();
}

void TGradientPanel::SetBevelOuter(TBevelCut cut) {
  bevelOuter_ = cut;
  update();
}

void TGradientPanel::SetBevelInner(TBevelCut cut) {
  bevelInner_ = cut;
  update();
}

void TGradientPanel::SetBevelWidth(int width) {
  bevelWidth_ = width;
  update();
}

void TGradientPanel::SetBorderWidth(int width) {
  borderWidth_ = width;
  update();
}

void TGradientPanel::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void TGradientPanel::SetAlignment(Qt::Alignment alignment) {
  alignment_ = alignment;
  update();
}

void TGradientPanel::ArrangeControls() {
  if (alignMode_ == TCtrlAlignMode::camNone || arranging_) return;
  std::vector<QWidget*> kids;
  std::vector<TFlowChild> children;
  for (QObject* o : this->children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || w->isWindow()) continue;
    kids.push_back(w);
    const QRect g = w->geometry();
    // A child hidden by its own choice does not count; one merely not shown yet (the panel is
    // hidden) does.
    children.push_back({{g.x(), g.y(), g.width(), g.height()}, !w->isHidden()});
  }
  if (kids.empty()) return;
  arranging_ = true;
  TFlowPanel panel;
  panel.width = panel.clientWidth = width();
  panel.height = panel.clientHeight = height();
  panel.align = align_;
  panel.autoSize = autoSize_;
  if (QWidget* parent = parentWidget()) {
    panel.hasParent = true;
    panel.parentClientWidth = parent->width();
    panel.parentClientHeight = parent->height();
  }
  const TFlowResult r = FlowLayout(panel, children, alignMode_, ctrlWidth_, ctrlHeight_);
  if (r.panel.width != width() || r.panel.height != height()) resize(r.panel.width, r.panel.height);
  for (std::size_t i = 0; i < kids.size(); ++i) {
    const TRect& g = r.children[i].rect;
    kids[i]->setGeometry(g.left, g.top, g.width, g.height);
  }
  arranging_ = false;
}

void TGradientPanel::PaintBackground(QPainter& painter, const QRect& rect) {
  painter.save();
  painter.setClipRect(rect.adjusted(0, 0, 1, 1));
  const bool picture = !background_.Empty();
  const QRect client(0, 0, width(), height());
  switch (mode_) {
    case TBackgroundMode::bkmGradientHorz:
      DrawGradient(painter, client, begin_, false, end_);
      break;
    case TBackgroundMode::bkmGradientVert:
      DrawGradient(painter, client, begin_, true, end_);
      break;
    case TBackgroundMode::bkmCenter:
      painter.fillRect(rect, Color());
      if (picture) {
        const TPoint at = CenterOrigin(width(), height(), background_.Width(), background_.Height());
        painter.drawImage(QPoint(at.x, at.y), background_.Image());
      }
      break;
    case TBackgroundMode::bkmStretch:
      if (picture) {
        painter.drawImage(client, background_.Image());
      } else {
        painter.fillRect(rect, Color());
      }
      break;
    case TBackgroundMode::bkmTile:
      if (picture) {
        const QRect area = rect.adjusted(0, 0, 1, 1);
        for (const TPoint& at : TileOrigins(background_.Width(), background_.Height(), area.left(), area.top(),
                                            area.left() + area.width(), area.top() + area.height())) {
          painter.drawImage(QPoint(at.x, at.y), background_.Image());
        }
      } else {
        painter.fillRect(rect, Color());
      }
      break;
    case TBackgroundMode::bkmNone:
      painter.fillRect(rect, Color());
      break;
  }
  painter.restore();
}

void TGradientPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QRect r = rect();
  if (transparent_) {
    DrawParentBackground(*this, painter);
  } else {
    PaintBackground(painter, r);
  }
  Bevel(painter, r, bevelOuter_, bevelWidth_, palette());
  if (borderWidth_ > 0) {
    painter.setPen(Color());
    for (int i = 0; i < borderWidth_ && r.width() > 0 && r.height() > 0; ++i) {
      painter.drawRect(r.adjusted(0, 0, -1, -1));
      r.adjust(1, 1, -1, -1);
    }
  }
  Bevel(painter, r, bevelInner_, bevelWidth_, palette());
  if (caption_.isEmpty()) return;
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::WindowText));
  const int textHeight = painter.fontMetrics().height();
  const QRect line(r.left(), (r.top() + r.bottom() + 1 - textHeight) / 2, r.width(), textHeight);
  const Qt::Alignment horizontal = alignment_ & Qt::AlignHorizontal_Mask;
  painter.drawText(line, static_cast<int>(horizontal | Qt::AlignVCenter | Qt::TextExpandTabs), caption_);
}

void TGradientPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ArrangeControls();
}

bool TGradientPanel::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::ChildAdded:
      if (auto* w = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child())) w->installEventFilter(this);
      break;
    case QEvent::ChildPolished:
    case QEvent::ChildRemoved:
      ArrangeControls();
      break;
    default:
      break;
  }
  return QWidget::event(event);
}

bool TGradientPanel::eventFilter(QObject* watched, QEvent* event) {
  if ((event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) && watched->parent() == this) {
    ArrangeControls();
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace olv

