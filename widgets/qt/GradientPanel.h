#pragma once
// A panel whose background is a colour gradient or a picture (centred, stretched or tiled), that
// can show its parent through itself, with the raised or lowered bevels and the centred caption
// of the system's panels, and that can lay its children out in rows or columns (the flow layout
// of widgets/forms/FlowLayout.h), after every resize and whenever a child comes, goes, shows or
// hides.
//
// Ownership: the panel owns its picture (a copy); children belong to the panel as Qt children.
// GUI thread only.
#include <QColor>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <string>

#include "widgets/forms/FlowLayout.h"
#include "widgets/forms/PanelBackground.h"
#include "widgets/qt/OlvBitmap.h"

namespace olv {

enum class TBackgroundMode : std::uint8_t {
  bkmNone = 0,
  bkmGradientHorz = 1,
  bkmGradientVert = 2,
  bkmCenter = 3,
  bkmStretch = 4,
  bkmTile = 5,
};
enum class TBevelCut : std::uint8_t { bvNone, bvLowered, bvRaised };

class TGradientPanel : public QWidget {
 public:
  explicit TGradientPanel(QWidget* parent = nullptr);

  const TBitmap& Background() const { return background_; }
  void SetBackground(const TBitmap& picture);  // copied; repaints
  TBackgroundMode BackgroundMode() const { return mode_; }
  void SetBackgroundMode(TBackgroundMode mode);
  TColor GradientBeginColor() const { return begin_; }
  void SetGradientBeginColor(TColor color);
  TColor GradientEndColor() const { return end_; }
  void SetGradientEndColor(TColor color);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  // Loads the picture with LoadPictureFile (a failure passes to the caller, the name is kept);
  // an empty name empties the picture.
  const std::string& BackgroundFile() const { return backgroundFile_; }
  void SetBackgroundFile(const std::string& fileName);

  int CtrlHeight() const { return ctrlHeight_; }
  void SetCtrlHeight(int height);
  int CtrlWidth() const { return ctrlWidth_; }
  void SetCtrlWidth(int width);
  TCtrlAlignMode CtrlAlignMode() const { return alignMode_; }
  void SetCtrlAlignMode(TCtrlAlignMode mode);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool autoSize);
  // The edge the panel is docked to; only the flow layout asks.
  TAlign Align() const { return align_; }
  void SetAlign(TAlign align) { align_ = align; }

  // The panel's own colour (the window colour of its palette by default), bevels and caption.
  QColor Color() const;
  void SetColor(const QColor& color);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut cut);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut cut);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int width);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int width);
  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  Qt::Alignment Alignment() const { return alignment_; }
  void SetAlignment(Qt::Alignment alignment);

  // Runs the flow layout now (it runs by itself on the changes named above).
  void ArrangeControls();

 protected:
  virtual void PaintBackground(QPainter& painter, const QRect& rect);
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TBitmap background_;
  std::string backgroundFile_;
  TBackgroundMode mode_ = TBackgroundMode::bkmNone;
  TColor begin_ = clBlue;
  TColor end_ = clBlack;
  bool transparent_ = false;
  int ctrlHeight_ = 0;
  int ctrlWidth_ = 0;
  TCtrlAlignMode alignMode_ = TCtrlAlignMode::camNone;
  bool autoSize_ = false;
  TAlign align_ = TAlign::alNone;
  bool arranging_ = false;
  TBevelCut bevelOuter_ = TBevelCut::bvRaised;
  TBevelCut bevelInner_ = TBevelCut::bvNone;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  QString caption_;
  Qt::Alignment alignment_ = Qt::AlignHCenter;
};

}  // namespace olv
