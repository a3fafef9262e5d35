#pragma once
// TWinSkinForm: the skin on one top-level window. It takes the skin's colours into the window's
// palette (its controls and menus are then drawn by the skin style) and, when the component skins
// frames (xcMainMenu) and the window has a caption, makes the window frameless with the skin's
// frame: a frame widget under every other child paints the sides, the caption with its text and
// caption buttons, and takes the mouse there (moving, sizing, caption buttons, double click, the
// system menu); the window's mask leaves out the frame's transparent pixels. Moving and sizing go
// through the window manager (QWindow::startSystemMove / startSystemResize), followed by hand
// where it has none. A window first shown narrower than its caption is widened so the caption
// shows whole. With the native-frame setting the window manager's frame stays.
//
// Made by the skin manager (through TQtSkinning) and owned by it; lives until the skin is taken
// off or the purge after the window's destruction. Main thread only.
#include <QElapsedTimer>
#include <QImage>
#include <QMargins>
#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QRegion>
#include <array>
#include <vector>

#include "skin/CaptionLayout.h"
#include "skin/SkinManage.h"

class QMenu;
class QWidget;

namespace skin {

class TQtSkinning;

class TWinSkinForm : public QObject, public TSkinnedWindow {
 public:
  // A window with this property set true says it is skinned already.
  static constexpr const char* kSkinnedProperty = "orascheme_skinned";
  // The system menu a skinned window opens: skinned only with xcSystemMenu.
  static constexpr const char* kSystemMenuProperty = "orascheme_system_menu";

  TWinSkinForm(QWidget* window, TSkinData& component, TQtSkinning& skinning);
  ~TWinSkinForm() override;

  void Unskin() override;
  void Release() override;
  void TakeUpSkin() override;
  void ApplySkinColors() override;
  bool Destroyed() const override { return destroyed_; }

  // The frame is the skin's (not the window manager's).
  bool Framed() const { return framed_; }
  const TFrameMetrics& Metrics() const { return metrics_; }
  // The caption as the frame rules see it now.
  TCaptionWindow CaptionWindow() const;
  // The caption buttons' places (empty when hidden) and their definitions, by the last paint.
  const std::vector<olv::TRect>& ButtonRects() const { return buttonRects_; }
  const std::vector<const TDataSkinSysButton*>& ButtonDefs() const { return buttonDefs_; }
  // The painted frame, the window's size (inside: the skin's "ButtonFace"), put together from the
  // sides the window keeps.
  QImage FrameImage();
  // Paints the frame image anew and makes the outline for the window's size.
  void RenderFrame() {
    Render();
    UpdateOutline();
  }
  // The outline is made again at the next paint, as after a resize.
  void ForgetOutline() { outlineSize_ = {}; }
  const QRegion& Outline() const { return outline_; }

  // Frame widget side.
  void PaintFrame(QPainter& painter, const QRect& exposed);
  void MouseMove(const QPoint& at, const QPoint& global, Qt::MouseButtons buttons);
  void MousePress(const QPoint& at, const QPoint& global, Qt::MouseButton button);
  void MouseRelease(const QPoint& at, Qt::MouseButton button);
  void MouseDoubleClick(const QPoint& at);
  void MouseLeave();
  // Runs a caption button's action.
  void ButtonAction(int action, const QPoint& at);
  void ShowSystemMenu(const QPoint& global);
  // Maximise and restore. A frameless window is sized to the screen's available area by us
  // (without a window manager nobody else does it) and given its earlier geometry back.
  void Maximize();
  void Restore();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Frame();
  void Unframe();
  void Recolour();
  void ApplyControlEffects();
  void LoadMetrics();
  void Render();
  void UpdateOutline();
  void FitCaption();
  void Repaint();
  void SetHot(int button);

  QPointer<QWidget> window_;
  TQtSkinning& skinning_;
  bool destroyed_ = false, framed_ = false, released_ = false, captionFitted_ = false;
  QPointer<QWidget> frameWidget_;
  // What the window had before.
  Qt::WindowFlags savedFlags_;
  QMargins savedMargins_;
  QPalette savedPalette_;
  bool hadPalette_ = false;

  TFrameMetrics metrics_;
  bool sizable_ = true, sysMenu_ = true, maxBox_ = true, minBox_ = true;
  std::vector<const TDataSkinSysButton*> buttonDefs_;
  std::vector<olv::TRect> buttonRects_;
  QRect textRect_;
  int rightButtons_ = 0;
  int hot_ = -1, pressed_ = -1;

  // The frame as painted: only its four sides are kept (left and right the full height, top and
  // bottom between them), as the window's inside is never drawn from it; a whole-window image
  // would be most of the start's first-touched memory for nothing.
  struct Side {
    QRect rect;  // window coordinates
    QImage image;
  };
  std::array<Side, 4> sides_;
  QSize frameSize_;
  bool frameDirty_ = true;
  QSize outlineSize_;
  QRegion outline_;

  // Moving and sizing by hand where the window manager does not.
  enum class Drag { None, Move, Size } drag_ = Drag::None;
  Qt::Edges dragEdges_;
  QPoint dragStart_;
  QRect dragGeometry_;

  QRect normalGeometry_;  // the geometry before Maximize, for Restore
  bool maximized_ = false;  // maximised by Maximize, whatever the platform says since

  QPointer<QMenu> systemMenu_;
  QElapsedTimer clock_;
  long long lastSystemMenu_ = -1;
};

}  // namespace skin
