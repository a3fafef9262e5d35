#include "skin/qt/WinSkinForm.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QWindow>

#include "skin/qt/QtSkinning.h"
#include "skin/qt/SkinPainter.h"
#include "skin/qt/SkinQImage.h"

namespace skin {

namespace {

// Under every other child of the window: paints the frame and takes the mouse over it.
class TSkinFrameWidget : public QWidget {
 public:
  TSkinFrameWidget(QWidget* window, TWinSkinForm& form) : QWidget(window), form_(form) {
    setObjectName("orascheme_skin_frame");
    setMouseTracking(true);
    setGeometry(window->rect());
    lower();
    show();
  }

 protected:
  void paintEvent(QPaintEvent* e) override {
    QPainter p(this);
    form_.PaintFrame(p, e->rect());
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    form_.MouseMove(e->position().toPoint(), e->globalPosition().toPoint(), e->buttons());
  }
  void mousePressEvent(QMouseEvent* e) override {
    form_.MousePress(e->position().toPoint(), e->globalPosition().toPoint(), e->button());
  }
  void mouseReleaseEvent(QMouseEvent* e) override { form_.MouseRelease(e->position().toPoint(), e->button()); }
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton) form_.MouseDoubleClick(e->position().toPoint());
  }
  void leaveEvent(QEvent*) override { form_.MouseLeave(); }

 private:
  TWinSkinForm& form_;
};

QFont CaptionFont() {
  QFont font = QApplication::font();
  font.setBold(true);
  return font;
}

Qt::CursorShape CursorOf(THit hit) {
  switch (hit) {
    case THit::Left:
    case THit::Right: return Qt::SizeHorCursor;
    case THit::Top:
    case THit::Bottom: return Qt::SizeVerCursor;
    case THit::TopLeft:
    case THit::BottomRight: return Qt::SizeFDiagCursor;
    case THit::TopRight:
    case THit::BottomLeft: return Qt::SizeBDiagCursor;
    default: return Qt::ArrowCursor;
  }
}

Qt::Edges EdgesOf(THit hit) {
  switch (hit) {
    case THit::Left: return Qt::LeftEdge;
    case THit::Right: return Qt::RightEdge;
    case THit::Top: return Qt::TopEdge;
    case THit::Bottom: return Qt::BottomEdge;
    case THit::TopLeft: return Qt::TopEdge | Qt::LeftEdge;
    case THit::TopRight: return Qt::TopEdge | Qt::RightEdge;
    case THit::BottomLeft: return Qt::BottomEdge | Qt::LeftEdge;
    case THit::BottomRight: return Qt::BottomEdge | Qt::RightEdge;
    default: return {};
  }
}

// Window flags changed on a window that may already have its native window: the native window
// takes them without being made anew (which would hide a window being shown).
void SetFlags(QWidget* w, Qt::WindowFlags flags) {
  if (w->windowHandle()) {
    w->overrideWindowFlags(flags);
    w->windowHandle()->setFlags(flags);
  } else {
    w->setWindowFlags(flags);
  }
}

int MenuBarHeight(const QWidget* window) {
  const auto* main = qobject_cast<const QMainWindow*>(window);
  const QWidget* bar = main ? main->menuWidget() : nullptr;
  return bar && bar->isVisible() ? bar->height() : 0;
}

}  // namespace

TWinSkinForm::TWinSkinForm(QWidget* window, TSkinData& component, TQtSkinning& skinning)
    : TSkinnedWindow(window, component), window_(window), skinning_(skinning) {
  clock_.start();
  window->setProperty(kSkinnedProperty, true);
  Recolour();
  Frame();
  ApplyControlEffects();
  window->installEventFilter(this);
  QObject::connect(window, &QObject::destroyed, this, [this] {
    // The skin goes with the window; the manager frees this object at its next purge.
    destroyed_ = true;
    window_ = nullptr;
    Release();
    if (TSkinManage* manager = SkinManager()) manager->SetAction(saPurge, TSkinManage::kActionDelay, &Component());
  });
  for (QWidget* w : window->findChildren<QWidget*>()) w->update();
  window->update();
}

TWinSkinForm::~TWinSkinForm() {
  if (!released_) Release();
}

void TWinSkinForm::Release() {
  released_ = true;
  if (window_) {
    window_->removeEventFilter(this);
    QObject::disconnect(window_, nullptr, this, nullptr);
  }
  delete systemMenu_.data();
}

void TWinSkinForm::Unskin() {
  if (!window_) return;
  Unframe();
  if (hadPalette_) {
    window_->setPalette(savedPalette_);
  } else {
    window_->setPalette(QPalette());
    window_->setAttribute(Qt::WA_SetPalette, false);
  }
  for (QStatusBar* bar : window_->findChildren<QStatusBar*>())
    if (bar->property("orascheme_had_grip").toBool()) bar->setSizeGripEnabled(true);
  window_->setProperty(kSkinnedProperty, QVariant());
  Release();
  for (QWidget* w : window_->findChildren<QWidget*>()) w->update();
  window_->update();
}

void TWinSkinForm::TakeUpSkin() {
  if (!window_) return;
  LoadMetrics();
  if (framed_) window_->setContentsMargins(metrics_.left, metrics_.top, metrics_.right, metrics_.bottom);
  outlineSize_ = {};
  Repaint();
}

void TWinSkinForm::ApplySkinColors() {
  if (!window_) return;
  const QPalette before = savedPalette_;
  const bool had = hadPalette_;
  Recolour();
  savedPalette_ = before;
  hadPalette_ = had;
  for (QWidget* w : window_->findChildren<QWidget*>()) w->update();
}

void TWinSkinForm::Recolour() {
  hadPalette_ = window_->testAttribute(Qt::WA_SetPalette);
  savedPalette_ = window_->palette();
  const TSkinColors& c = Component().Colors();
  QPalette p = savedPalette_;
  for (const QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(g, QPalette::Window, ToQColor(c.ButtonFace));
    p.setColor(g, QPalette::Button, ToQColor(c.ButtonFace));
    p.setColor(g, QPalette::WindowText, ToQColor(c.WindowText));
    p.setColor(g, QPalette::ButtonText, ToQColor(c.ButtonText));
    p.setColor(g, QPalette::Highlight, ToQColor(c.Hilight));
    p.setColor(g, QPalette::HighlightedText, ToQColor(c.HilightText));
    p.setColor(g, QPalette::Light, ToQColor(c.ButtonHilight));
    p.setColor(g, QPalette::Midlight, ToQColor(c.Buttonlight));
    p.setColor(g, QPalette::Mid, ToQColor(c.ButtonShadow));
    p.setColor(g, QPalette::Dark, ToQColor(c.ButtonShadow));
    p.setColor(g, QPalette::Shadow, ToQColor(c.ButtonDkShadow));
  }
  p.setColor(QPalette::Disabled, QPalette::Window, ToQColor(c.ButtonFace));
  p.setColor(QPalette::Disabled, QPalette::Button, ToQColor(c.ButtonFace));
  p.setColor(QPalette::Disabled, QPalette::WindowText, ToQColor(c.ButtonShadow));
  p.setColor(QPalette::Disabled, QPalette::ButtonText, ToQColor(c.ButtonShadow));
  window_->setPalette(p);
}

void TWinSkinForm::ApplyControlEffects() {
  // The skin's frame sizes the window: status bars draw no grip of their own.
  if (!framed_) return;
  for (QStatusBar* bar : window_->findChildren<QStatusBar*>())
    if (bar->isSizeGripEnabled()) {
      bar->setProperty("orascheme_had_grip", true);
      bar->setSizeGripEnabled(false);
    }
}

void TWinSkinForm::LoadMetrics() {
  metrics_ = LoadFrameMetrics(Component(), 0, 0);
  buttonDefs_.clear();
  for (const auto& b : Component().SysButtons()) buttonDefs_.push_back(b.get());
  buttonRects_.assign(buttonDefs_.size(), {});
  hot_ = pressed_ = -1;
}

void TWinSkinForm::Frame() {
  savedFlags_ = window_->windowFlags();
  savedMargins_ = window_->contentsMargins();
  const bool popup = (savedFlags_ & Qt::FramelessWindowHint) || window_->windowType() == Qt::Popup;
  if (!Component().SkinControls.Has(xcMainMenu) || skinning_.Settings().nativeFrame || popup) return;
  framed_ = true;
  sizable_ = window_->minimumSize() != window_->maximumSize() && !(savedFlags_ & Qt::MSWindowsFixedSizeDialogHint);
  sysMenu_ = savedFlags_ & Qt::WindowSystemMenuHint;
  maxBox_ = savedFlags_ & Qt::WindowMaximizeButtonHint;
  minBox_ = savedFlags_ & Qt::WindowMinimizeButtonHint;
  LoadMetrics();
  const QSize client = window_->size();
  const bool keepClient = window_->isVisible() || window_->testAttribute(Qt::WA_Resized);
  SetFlags(window_, savedFlags_ | Qt::FramelessWindowHint);
  window_->setContentsMargins(metrics_.left, metrics_.top, metrics_.right, metrics_.bottom);
  // The client area keeps its size inside the skin's frame.
  if (keepClient)
    window_->resize(client.width() + metrics_.left + metrics_.right, client.height() + metrics_.top + metrics_.bottom);
  frameWidget_ = new TSkinFrameWidget(window_, *this);
  Repaint();
}

void TWinSkinForm::Unframe() {
  if (!framed_) return;
  framed_ = false;
  delete frameWidget_;
  const QSize outer = window_->size();
  const bool shrink = window_->isVisible();
  window_->clearMask();
  window_->setContentsMargins(savedMargins_);
  SetFlags(window_, savedFlags_);
  if (shrink)
    window_->resize(outer.width() - metrics_.left - metrics_.right, outer.height() - metrics_.top - metrics_.bottom);
  if (shrink && !window_->isVisible()) window_->show();
}

TCaptionWindow TWinSkinForm::CaptionWindow() const {
  TCaptionWindow w;
  if (!window_) return w;
  w.width = window_->width();
  w.height = window_->height();
  w.metrics = metrics_;
  w.metrics.menuBar = MenuBarHeight(window_);
  w.active = window_->isActiveWindow();
  const Qt::WindowStates s = window_->windowState();
  w.state = s & Qt::WindowMinimized                ? TWindowState::Minimized
            : (s & Qt::WindowMaximized) || maximized_ ? TWindowState::Maximized
                                                      : TWindowState::Normal;
  w.sysMenu = sysMenu_;
  w.maxBox = maxBox_;
  w.minBox = minBox_;
  w.sizable = sizable_;
  w.rightToLeft = window_->layoutDirection() == Qt::RightToLeft;
  if (const TDataSkinObject* bar = Component().Object(TSkinRole::MenuBar)) w.menuBarLeftWidth = bar->LeftWidth;
  w.iconSize = window_->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, window_);
  return w;
}

QImage TWinSkinForm::FrameImage() {
  if (frameDirty_) Render();
  if (frameSize_.isEmpty()) return {};
  QImage frame(frameSize_, QImage::Format_RGB32);
  frame.fill(ToQColor(Component().Colors().ButtonFace));
  QPainter p(&frame);
  for (const Side& side : sides_)
    if (!side.image.isNull()) p.drawImage(side.rect.topLeft(), side.image);
  return frame;
}

void TWinSkinForm::Render() {
  frameDirty_ = false;
  if (!window_ || !framed_) return;
  const TSkinData& d = Component();
  TSkinPainter& painter = TSkinPainter::For(d);
  const TCaptionWindow w = CaptionWindow();
  const QSize size(std::max(w.width, 1), std::max(w.height, 1));
  // Left and right the full height, top and bottom between them: what PaintFrame draws.
  const int W = size.width(), H = size.height(), middle = W - metrics_.left - metrics_.right;
  const QRect window(QPoint(0, 0), size);
  const QRect rects[4] = {QRect(0, 0, metrics_.left, H) & window, QRect(W - metrics_.right, 0, metrics_.right, H) & window,
                          QRect(metrics_.left, 0, middle, metrics_.top) & window,
                          QRect(metrics_.left, H - metrics_.bottom, middle, metrics_.bottom) & window};
  bool resized = size != frameSize_;
  for (size_t i = 0; i < sides_.size(); ++i) resized = resized || rects[i] != sides_[i].rect;
  if (resized) {
    frameSize_ = size;
    for (size_t i = 0; i < sides_.size(); ++i) {
      sides_[i].rect = rects[i];
      sides_[i].image = QImage();
      if (rects[i].isEmpty()) continue;
      sides_[i].image = QImage(rects[i].size(), QImage::Format_RGB32);
      sides_[i].image.fill(ToQColor(d.Colors().ButtonFace));
    }
  }

  // The caption text, with the skin's text back behind it, and the caption buttons (those of a
  // maximised MDI child belong to the menu bar): placed once, drawn on every side they reach.
  const std::array<TFramePiece, 4> pieces = FramePieces(d, w);
  const TDataSkinTitle& title = d.Title();
  const QFont font = CaptionFont();
  const QFontMetrics fm(font);
  const QString caption = window_->windowTitle();
  const olv::TRect text = PlaceCaptionText(title, w, fm.horizontalAdvance("   " + caption), fm.height(), rightButtons_);
  textRect_ = ToQRect(text);
  const QRect inner = textRect_.adjusted(title.TextBackLeft, 0, -title.TextBackRight, 0);
  const QString shown = fm.elidedText("  " + caption, Qt::ElideRight, inner.width());
  // The glyphs may reach past the text's rectangle by up to a line's height.
  const QRect textReach = inner.adjusted(-fm.height(), -fm.height(), fm.height(), fm.height());
  const TCaptionLayout layout = LayoutCaptionButtons(buttonDefs_, w, text);
  buttonRects_ = layout.buttons;
  rightButtons_ = layout.rightButtons;
  QPixmap iconPixmap;
  bool iconMade = false;

  for (Side& side : sides_) {
    if (side.image.isNull()) continue;
    QPainter p(&side.image);
    p.translate(-side.rect.topLeft());
    for (const TFramePiece& piece : pieces)
      if (ToQRect(piece.dest).intersects(side.rect))
        painter.DrawImage(p, ToQRect(piece.dest), piece.side->Bitmap, piece.side->Margins(), piece.vertical,
                          piece.tile, false, piece.side->FrameCount(), piece.frame);
    if (title.HasPicture() && !caption.isEmpty() && textRect_.intersects(side.rect))
      painter.DrawBar(p, textRect_, title.Bitmap, false, true, title.FrameCount(), w.active ? 1 : 2,
                      {title.TextBackLeft, 0, title.TextBackRight, 0});
    if (textReach.intersects(side.rect)) {
      p.setFont(font);
      p.setPen(ToQColor(w.active ? d.Colors().TitleTextActive : d.Colors().TitleTextNoActive));
      p.drawText(inner, Qt::AlignVCenter | (w.rightToLeft ? Qt::AlignRight : Qt::AlignLeft), shown);
    }
    for (size_t i = 0; i < buttonDefs_.size(); ++i) {
      const TDataSkinSysButton& b = *buttonDefs_[i];
      const QRect r = ToQRect(buttonRects_[i]);
      if (r.isEmpty() || b.Visibility == 100 || !r.intersects(side.rect)) continue;
      if (b.Action == 3 || b.Action == 11) {
        const QIcon icon = window_->windowIcon();
        if (!icon.isNull()) {
          if (!iconMade) iconPixmap = icon.pixmap(r.size()), iconMade = true;
          p.drawPixmap(r, iconPixmap);
        } else if (!d.FallbackIcon.Empty()) {
          p.drawImage(r, ToQImage(d.FallbackIcon));
        }
        continue;
      }
      const int i32 = static_cast<int>(i);
      const TNCPaint paint = i32 == pressed_ && i32 == hot_ ? TNCPaint::Pressed
                             : i32 == hot_                 ? TNCPaint::Hot
                                                           : TNCPaint::Normal;
      painter.DrawFrame(p, r, b.Bitmap, true, b.FrameCount(), CaptionButtonFrame(b, w.active, paint));
    }
  }
}

void TWinSkinForm::FitCaption() {
  if (!framed_ || (window_->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) return;
  const QFontMetrics fm(CaptionFont());
  const int fit = CaptionTextFitWidth(Component().Title(), CaptionWindow(),
                                      fm.horizontalAdvance("   " + window_->windowTitle()));
  if (window_->width() < fit) window_->resize(std::min(fit, window_->maximumWidth()), window_->height());
}

void TWinSkinForm::UpdateOutline() {
  if (!window_ || !framed_ || frameSize_ == outlineSize_) return;
  outlineSize_ = frameSize_;
  const TSkinData& d = Component();
  // Asked only on the sides: the first side holding the pixel has it (left and right first).
  struct Bits {
    int left, top, right, bottom;
    const uchar* bits;
    qsizetype stride;
  };
  std::array<Bits, 4> bits{};
  for (size_t i = 0; i < sides_.size(); ++i) {
    const Side& side = sides_[i];
    bits[i] = {side.rect.left(), side.rect.top(), side.rect.left() + side.rect.width(),
               side.rect.top() + side.rect.height(), side.image.constBits(), side.image.bytesPerLine()};
  }
  const auto pixel = [&bits](int x, int y) -> uint32_t {
    for (const Bits& b : bits)
      if (x >= b.left && x < b.right && y >= b.top && y < b.bottom)
        return reinterpret_cast<const uint32_t*>(b.bits + (y - b.top) * b.stride)[x - b.left];
    return 0;
  };
  const std::vector<olv::TRect> rects =
      FrameOutline(pixel, frameSize_.width(), frameSize_.height(), metrics_,
                   {d.Left().Trans == 1, d.Right().Trans == 1, d.Top().Trans == 1, d.Bottom().Trans == 1});
  if (rects.size() == 1 && ToQRect(rects[0]) == QRect(QPoint(0, 0), frameSize_)) {
    outline_ = QRegion();
    window_->clearMask();
    return;
  }
  std::vector<QRect> qrects;
  qrects.reserve(rects.size());
  for (const olv::TRect& r : rects) qrects.push_back(ToQRect(r));
  outline_ = QRegion();
  outline_.setRects(qrects.data(), static_cast<int>(qrects.size()));
  window_->setMask(outline_);
}

void TWinSkinForm::Repaint() {
  frameDirty_ = true;
  if (frameWidget_) frameWidget_->update();
}

void TWinSkinForm::PaintFrame(QPainter& painter, const QRect& exposed) {
  if (!window_ || !framed_) return;
  if (frameDirty_) {
    Render();
    UpdateOutline();
  }
  for (const Side& side : sides_) {
    const QRect r = side.rect & exposed;
    if (!r.isEmpty()) painter.drawImage(r.topLeft(), side.image, r.translated(-side.rect.topLeft()));
  }
}

void TWinSkinForm::SetHot(int button) {
  if (button == hot_) return;
  hot_ = button;
  Repaint();
}

void TWinSkinForm::MouseMove(const QPoint& at, const QPoint& global, Qt::MouseButtons buttons) {
  if (!window_) return;
  if (drag_ == Drag::Move && (buttons & Qt::LeftButton)) {
    const QPoint moved = global - dragStart_;
    if (dragEdges_ == Qt::Edges() && moved.manhattanLength() >= QApplication::startDragDistance()) {
      // The window manager moves it from here on, where it can.
      dragEdges_ = Qt::LeftEdge;  // marks "past the threshold"
      if (window_->windowHandle() && window_->windowHandle()->startSystemMove()) {
        drag_ = Drag::None;
        return;
      }
    }
    if (dragEdges_ != Qt::Edges()) window_->move(dragGeometry_.topLeft() + moved);
    return;
  }
  if (drag_ == Drag::Size && (buttons & Qt::LeftButton)) {
    const QPoint d = global - dragStart_;
    QRect r = dragGeometry_;
    if (dragEdges_ & Qt::LeftEdge) r.setLeft(std::min(r.left() + d.x(), r.right() - window_->minimumWidth()));
    if (dragEdges_ & Qt::RightEdge) r.setRight(r.right() + d.x());
    if (dragEdges_ & Qt::TopEdge) r.setTop(std::min(r.top() + d.y(), r.bottom() - window_->minimumHeight()));
    if (dragEdges_ & Qt::BottomEdge) r.setBottom(r.bottom() + d.y());
    window_->setGeometry(r);
    return;
  }
  const TCaptionWindow w = CaptionWindow();
  std::vector<int> actions;
  for (const TDataSkinSysButton* b : buttonDefs_) actions.push_back(b->Action);
  const TFrameHit hit = FrameHitTest(w, buttonRects_, actions, at.x(), at.y());
  if (frameWidget_) frameWidget_->setCursor(CursorOf(hit.hit));
  const int over = hit.hit == THit::CaptionButton ? hit.button : -1;
  if (pressed_ >= 0)
    SetHot(over == pressed_ ? pressed_ : -1);
  else
    SetHot(w.active || over < 0 ? over : -1);
}

void TWinSkinForm::MousePress(const QPoint& at, const QPoint& global, Qt::MouseButton button) {
  if (!window_) return;
  const TCaptionWindow w = CaptionWindow();
  std::vector<int> actions;
  for (const TDataSkinSysButton* b : buttonDefs_) actions.push_back(b->Action);
  const TFrameHit hit = FrameHitTest(w, buttonRects_, actions, at.x(), at.y());
  if (button == Qt::RightButton) {
    if (hit.hit == THit::Caption) ShowSystemMenu(global);
    return;
  }
  if (button != Qt::LeftButton) return;
  if (!w.active) window_->activateWindow();
  if (hit.hit == THit::CaptionButton) {
    pressed_ = hot_ = hit.button;
    Repaint();
    return;
  }
  if (hit.hit == THit::Caption) {
    // A maximised window stays where it is.
    if (w.state != TWindowState::Maximized) {
      drag_ = Drag::Move;
      dragEdges_ = {};
      dragStart_ = global;
      dragGeometry_ = window_->geometry();
    }
    return;
  }
  const Qt::Edges edges = EdgesOf(hit.hit);
  if (edges == Qt::Edges()) return;
  if (window_->windowHandle() && window_->windowHandle()->startSystemResize(edges)) return;
  drag_ = Drag::Size;
  dragEdges_ = edges;
  dragStart_ = global;
  dragGeometry_ = window_->geometry();
}

void TWinSkinForm::MouseRelease(const QPoint& at, Qt::MouseButton button) {
  if (button != Qt::LeftButton || !window_) return;
  drag_ = Drag::None;
  if (pressed_ < 0) return;
  const int b = pressed_;
  pressed_ = -1;
  const olv::TRect r = buttonRects_[static_cast<size_t>(b)];
  const bool over = r.Contains(at.x(), at.y());
  Repaint();
  if (over) ButtonAction(buttonDefs_[static_cast<size_t>(b)]->Action, QPoint(r.Left + 1, r.Bottom + 1));
}

void TWinSkinForm::MouseDoubleClick(const QPoint& at) {
  if (!window_) return;
  const TCaptionWindow w = CaptionWindow();
  if (FrameHitTest(w, buttonRects_, {}, at.x(), at.y()).hit != THit::Caption) return;
  drag_ = Drag::None;
  if (w.state != TWindowState::Normal)
    Restore();
  else if (maxBox_)
    Maximize();
}

void TWinSkinForm::Maximize() {
  if (!window_) return;
  const Qt::WindowStates s = window_->windowState();
  if ((s & Qt::WindowMaximized) || maximized_) return;
  if (!framed_) {
    window_->showMaximized();
    return;
  }
  if (!(s & Qt::WindowMinimized)) normalGeometry_ = window_->geometry();
  // Our own mark: on X without a window manager the platform calls the window normal again as
  // soon as we size it.
  maximized_ = true;
  window_->setWindowState((s & ~Qt::WindowMinimized) | Qt::WindowMaximized);
  window_->show();
  if (QScreen* screen = window_->screen()) window_->setGeometry(screen->availableGeometry());
  Repaint();
}

void TWinSkinForm::Restore() {
  if (!window_) return;
  const Qt::WindowStates s = window_->windowState();
  if (!framed_ || !maximized_) {
    maximized_ = false;
    window_->showNormal();
    return;
  }
  maximized_ = false;
  window_->setWindowState(s & ~(Qt::WindowMaximized | Qt::WindowMinimized));
  window_->show();
  if (normalGeometry_.isValid()) window_->setGeometry(normalGeometry_);
  Repaint();
}

void TWinSkinForm::MouseLeave() {
  if (pressed_ < 0) SetHot(-1);
}

void TWinSkinForm::ButtonAction(int action, const QPoint& at) {
  if (!window_) return;
  const Qt::WindowStates s = window_->windowState();
  switch (action) {
    case 0: window_->close(); break;
    case 1:
    case 22:
      hot_ = -1;
      if ((s & Qt::WindowMaximized) || maximized_)
        Restore();
      else
        Maximize();
      break;
    case 2:
    case 23:
      hot_ = -1;
      if (s & Qt::WindowMinimized)
        window_->showNormal();
      else
        window_->showMinimized();
      break;
    case 3:
    case 11:
    case 12: ShowSystemMenu(window_->mapToGlobal(at)); break;
    case 7: case 8: case 9: case 60: case 61: case 62: break;  // no multiple-document windows here
    default:
      if (skinning_.OnCaptionAction) skinning_.OnCaptionAction(window_, action);
      break;
  }
  Repaint();
}

void TWinSkinForm::ShowSystemMenu(const QPoint& global) {
  if (!window_) return;
  const long long now = clock_.elapsed();
  if (SystemMenuClosesWindow(now, lastSystemMenu_, QApplication::doubleClickInterval())) {
    lastSystemMenu_ = -1;
    if (systemMenu_) systemMenu_->close();
    window_->close();
    return;
  }
  lastSystemMenu_ = now;
  if (!systemMenu_) {
    systemMenu_ = new QMenu(window_);
    systemMenu_->setProperty(kSystemMenuProperty, true);
    QImage glyphs = ToQImage(Component().MenuGlyphs()).convertToFormat(QImage::Format_ARGB32);
    const auto glyph = [&](int k) {
      QImage g = glyphs.copy(16 * k, 0, 16, 16);
      for (int y = 0; y < g.height(); ++y)
        for (int x = 0; x < g.width(); ++x)
          if (g.pixel(x, y) == qRgb(255, 255, 255)) g.setPixel(x, y, 0);
      return QIcon(QPixmap::fromImage(g));
    };
    QWidget* w = window_;
    systemMenu_->addAction(glyph(0), " Restore ", this, [this] { Restore(); })->setObjectName("restore");
    if (maxBox_) systemMenu_->addAction(glyph(1), " Maximize ", this, [this] { Maximize(); })->setObjectName("maximize");
    if (minBox_) systemMenu_->addAction(glyph(2), " Minimize ", w, [w] { w->showMinimized(); })->setObjectName("minimize");
    systemMenu_->addSeparator();
    systemMenu_->addAction(glyph(3), " Close \tShift+F4", w, [w] { w->close(); })->setObjectName("close");
  }
  const TWindowState state = CaptionWindow().state;
  for (QAction* a : systemMenu_->actions()) {
    if (a->objectName() == "restore") a->setEnabled(state != TWindowState::Normal);
    if (a->objectName() == "maximize") a->setEnabled(state != TWindowState::Maximized);
    if (a->objectName() == "minimize") a->setEnabled(state != TWindowState::Minimized);
  }
  systemMenu_->popup(global);
}

bool TWinSkinForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched != window_) return false;
  switch (event->type()) {
    case QEvent::Resize:
      if (frameWidget_) frameWidget_->setGeometry(window_->rect());
      Repaint();
      if (framed_) {
        Render();
        UpdateOutline();
      }
      break;
    case QEvent::WindowStateChange:
    case QEvent::ActivationChange:
    case QEvent::WindowTitleChange:
    case QEvent::WindowIconChange: Repaint(); break;
    case QEvent::Show:
      if (frameWidget_) frameWidget_->lower();
      // A window first shown narrower than its caption (sized by its layout, which knows
      // nothing of the caption) is widened so the caption shows whole.
      if (!captionFitted_) {
        captionFitted_ = true;
        FitCaption();
      }
      break;
    default: break;
  }
  return false;
}

}  // namespace skin
