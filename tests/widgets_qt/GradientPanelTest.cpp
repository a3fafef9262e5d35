// Panels, speed buttons and tool bars offscreen, checked by probing the pixels of grabbed widgets.
#include "widgets/qt/GradientPanel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include "widgets/qt/OlvSpeedButton.h"
#include "widgets/qt/PanelPainting.h"
#include "widgets/qt/TransToolBar.h"

namespace olv {
namespace {

QImage Grab(QWidget& w) { return w.grab().toImage(); }

QColor Grey(int v) { return QColor(v, v, v); }

std::unique_ptr<TGradientPanel> Panel(int w, int h, TBackgroundMode mode) {
  auto p = std::make_unique<TGradientPanel>();
  p->resize(w, h);
  p->SetBevelOuter(TBevelCut::bvNone);
  p->SetBackgroundMode(mode);
  return p;
}

// A black-to-white horizontal gradient filling parent, under the widgets of a test.
TGradientPanel* GreyGradient(QWidget& parent, int w, int h) {
  parent.resize(w, h);
  auto* back = new TGradientPanel(&parent);
  back->setGeometry(0, 0, w, h);
  back->SetBevelOuter(TBevelCut::bvNone);
  back->SetBackgroundMode(TBackgroundMode::bkmGradientHorz);
  back->SetGradientBeginColor(clBlack);
  back->SetGradientEndColor(clWhite);
  return back;
}

TEST(GradientPanelPaint, HorizontalBlackToWhiteOverAHundredPixels) {
  auto p = Panel(100, 20, TBackgroundMode::bkmGradientHorz);
  p->SetGradientBeginColor(clBlack);
  p->SetGradientEndColor(clWhite);
  const QImage shot = Grab(*p);
  for (int x : {0, 1, 37, 50, 99}) {
    SCOPED_TRACE(x);
    EXPECT_EQ(shot.pixelColor(x, 10), Grey(255 * x / 100));
    EXPECT_EQ(shot.pixelColor(x, 0), shot.pixelColor(x, 19));  // a band spans the whole height
  }
}

TEST(GradientPanelPaint, VerticalBlueToBlackAndTheDefaults) {
  auto p = Panel(30, 600, TBackgroundMode::bkmGradientVert);  // default colours: blue to black
  const QImage shot = Grab(*p);
  EXPECT_EQ(shot.pixelColor(15, 0), QColor(0, 0, 255));
  EXPECT_EQ(shot.pixelColor(15, 3), QColor(0, 0, 254));  // bands of three pixels
  EXPECT_EQ(shot.pixelColor(15, 5), QColor(0, 0, 254));
  EXPECT_EQ(shot.pixelColor(15, 599), QColor(0, 0, 255 - 597 * 255 / 600));
  EXPECT_EQ(shot.pixelColor(0, 300), shot.pixelColor(29, 300));
}

TEST(GradientPanelPaint, EqualColoursAndEmptyPictures) {
  auto same = Panel(50, 10, TBackgroundMode::bkmGradientHorz);
  same->SetGradientBeginColor(0x204060);
  same->SetGradientEndColor(0x204060);
  const QImage flat = Grab(*same);
  EXPECT_EQ(flat.pixelColor(0, 5), QColor(0x60, 0x40, 0x20));
  EXPECT_EQ(flat.pixelColor(49, 5), QColor(0x60, 0x40, 0x20));

  for (TBackgroundMode mode : {TBackgroundMode::bkmTile, TBackgroundMode::bkmCenter, TBackgroundMode::bkmStretch,
                               TBackgroundMode::bkmNone}) {
    auto p = Panel(20, 20, mode);
    p->SetColor(QColor(1, 2, 3));
    EXPECT_EQ(Grab(*p).pixelColor(10, 10), QColor(1, 2, 3));
  }
}

TEST(GradientPanelPaint, PicturesTiledCentredAndStretched) {
  QImage picture(4, 4, QImage::Format_RGB32);
  picture.fill(Qt::red);
  picture.setPixelColor(0, 0, Qt::green);
  auto tile = Panel(10, 10, TBackgroundMode::bkmTile);
  tile->SetBackground(TBitmap(picture));
  QImage shot = Grab(*tile);
  EXPECT_EQ(shot.pixelColor(4, 8), QColor(Qt::green));
  EXPECT_EQ(shot.pixelColor(5, 8), QColor(Qt::red));

  auto centre = Panel(11, 11, TBackgroundMode::bkmCenter);
  centre->SetColor(Qt::blue);
  centre->SetBackground(TBitmap(picture));
  shot = Grab(*centre);
  EXPECT_EQ(shot.pixelColor(3, 3), QColor(Qt::green));  // (11 - 4) / 2 = 3
  EXPECT_EQ(shot.pixelColor(2, 2), QColor(Qt::blue));

  auto stretch = Panel(40, 40, TBackgroundMode::bkmStretch);
  stretch->SetBackground(TBitmap(picture));
  shot = Grab(*stretch);
  EXPECT_EQ(shot.pixelColor(5, 5), QColor(Qt::green));  // the corner pixel is now 10 x 10
  EXPECT_EQ(shot.pixelColor(30, 30), QColor(Qt::red));
}

TEST(GradientPanelPaint, BevelsAndTransparency) {
  QWidget parent;
  TGradientPanel* back = GreyGradient(parent, 200, 100);
  auto* glass = new TGradientPanel(back);
  glass->setGeometry(100, 20, 50, 50);
  glass->SetBevelOuter(TBevelCut::bvNone);
  glass->SetTransparent(true);
  // The see-through panel grabbed alone shows the gradient under it.
  const QImage alone = Grab(*glass);
  EXPECT_EQ(alone.pixelColor(0, 25), Grey(255 * 100 / 200));
  EXPECT_EQ(alone.pixelColor(49, 25), Grey(255 * 149 / 200));

  auto raised = Panel(20, 20, TBackgroundMode::bkmNone);
  raised->SetBevelOuter(TBevelCut::bvRaised);
  raised->SetBevelWidth(2);
  const QImage r = Grab(*raised);
  // Compared as 8-bit colours: the palette keeps 16 bits per channel.
  const QColor light(raised->palette().color(QPalette::Light).rgb());
  const QColor dark(raised->palette().color(QPalette::Dark).rgb());
  EXPECT_EQ(r.pixelColor(0, 10), light);
  EXPECT_EQ(r.pixelColor(1, 10), light);
  EXPECT_EQ(r.pixelColor(19, 10), dark);
  EXPECT_EQ(r.pixelColor(10, 18), dark);
  EXPECT_EQ(r.pixelColor(10, 10), QColor(raised->Color().rgb()));
  raised->SetBevelOuter(TBevelCut::bvLowered);
  EXPECT_EQ(Grab(*raised).pixelColor(0, 10), dark);
}

TEST(GradientPanelLayout, ChildrenFlowInRows) {
  QWidget parent;
  parent.resize(400, 300);
  auto* p = new TGradientPanel(&parent);
  p->setGeometry(0, 0, 100, 30);
  p->SetAutoSize(true);
  std::vector<QWidget*> kids;
  for (int i = 0; i < 4; ++i) {
    kids.push_back(new QWidget(p));
    kids.back()->setGeometry(0, 0, 5, 5);
  }
  kids[1]->hide();
  p->SetCtrlWidth(40);
  p->SetCtrlHeight(20);
  p->SetCtrlAlignMode(TCtrlAlignMode::camHorz);
  EXPECT_EQ(kids[0]->geometry(), QRect(0, 0, 40, 20));
  EXPECT_EQ(kids[2]->geometry(), QRect(40, 0, 40, 20));
  EXPECT_EQ(kids[3]->geometry(), QRect(0, 20, 40, 20));
  EXPECT_EQ(p->height(), 40);
  EXPECT_EQ(kids[1]->geometry(), QRect(0, 0, 5, 5));  // hidden: left alone

  kids[1]->show();  // showing a child lays the row out again
  EXPECT_EQ(kids[1]->geometry(), QRect(40, 0, 40, 20));
  EXPECT_EQ(kids[2]->geometry(), QRect(0, 20, 40, 20));
}

TEST(SpeedButton, FollowsItsActionAndCanHideItsCaption) {
  QAction action("Run");
  QPixmap red(16, 16);
  red.fill(Qt::red);
  action.setIcon(QIcon(red));
  TOlvSpeedButton button;
  EXPECT_TRUE(button.Flat());
  int runs = 0;
  QObject::connect(&action, &QAction::triggered, [&] { ++runs; });
  button.SetAction(&action);
  EXPECT_EQ(button.text(), "Run");
  button.SetShowCaption(false);
  EXPECT_EQ(button.text(), "");
  action.setText("Run now");  // still hidden after the action changes
  EXPECT_EQ(button.text(), "");
  QPixmap blue(16, 16);
  blue.fill(Qt::blue);
  action.setIcon(QIcon(blue));  // the glyph follows the action's picture
  EXPECT_EQ(button.icon().pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::blue));
  button.SetShowCaption(true);
  EXPECT_EQ(button.text(), "Run now");
  button.click();
  EXPECT_EQ(runs, 1);
}

TEST(TransparentToolBar, ShowsItsParentAndCallsTheOwnersDrawing) {
  QWidget parent;
  TGradientPanel* back = GreyGradient(parent, 200, 60);
  auto* bar = new TTransToolBar(back);
  bar->setGeometry(0, 0, 200, 30);
  int draws = 0;
  bar->SetOnCustomDraw([&](TTransToolBar&, QPainter&, const QRect& rect, bool&) {
    ++draws;
    EXPECT_EQ(rect, QRect(0, 0, 200, 30));
  });
  const QImage shot = Grab(*bar);
  EXPECT_EQ(draws, 1);
  EXPECT_EQ(shot.pixelColor(150, 10), Grey(255 * 150 / 200));
  EXPECT_EQ(shot.pixelColor(150, 29), QColor(bar->palette().color(QPalette::Light).rgb()));  // the bottom edge

  bar->SetOnCustomDraw([](TTransToolBar&, QPainter& p, const QRect& rect, bool& defaultDraw) {
    p.fillRect(rect, Qt::yellow);
    defaultDraw = false;
  });
  EXPECT_EQ(Grab(*bar).pixelColor(150, 29), QColor(Qt::yellow));
}

}  // namespace
}  // namespace olv
