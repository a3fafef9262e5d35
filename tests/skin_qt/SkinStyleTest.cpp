// Each control kind drawn by the skin style onto an image, its state read back from one pixel.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTreeWidget>
#include <functional>

#include "tests/skin_qt/SkinningFixture.h"

namespace skin {
namespace {

using skinkit::Probe;
using S = QStyle::StateFlag;

class SkinStyleTest : public SkinningFixture {
 protected:
  void SetUp() override {
    SkinningFixture::SetUp();
    // Combo boxes and progress bars are skinned only through the Skin3rd lines.
    skinning_->Data().Skin3rd.push_back("TComboBox=combobox");
    skinning_->Data().Skin3rd.push_back("TProgressBar=progress");
    dialog_ = std::make_unique<QDialog>();
    dialog_->resize(400, 300);
    skinning_->PrepareForm(dialog_.get());
  }
  void TearDown() override {
    dialog_.reset();
    SkinningFixture::TearDown();
  }
  template <class W>
  W* Add() {
    auto* w = new W(dialog_.get());
    return w;
  }
  QStyle* Style() { return QApplication::style(); }

  std::unique_ptr<QDialog> dialog_;
};

TEST_F(SkinStyleTest, PushButtonFrameFollowsItsState) {
  auto* button = Add<QPushButton>();
  const int id = Id("Buttons", "Bitmap");
  const struct {
    QStyle::State state;
    int frame;
  } cases[] = {
      {S::State_Enabled, 1},
      {S::State_Enabled | S::State_MouseOver, 4},
      {S::State_Enabled | S::State_HasFocus, 4},
      {S::State_Enabled | S::State_Sunken | S::State_HasFocus, 2},
      {S::State_HasFocus, 3},  // disabled wins, also over the focus
  };
  for (const auto& c : cases) {
    QStyleOptionButton o;
    o.initFrom(button);
    o.rect = QRect(0, 0, 60, 24);
    o.state = c.state;
    QImage image = Blank(60, 24);
    QPainter p(&image);
    Style()->drawControl(QStyle::CE_PushButtonBevel, &o, &p, button);
    p.end();
    EXPECT_EQ(At(image, 30, 12), (Probe{id, c.frame, 4})) << "frame " << c.frame;
    EXPECT_EQ(At(image, 1, 0), (Probe{id, c.frame, 0}));
    EXPECT_EQ(image.pixel(0, 0), QColor(226, 230, 236).rgb());  // the round corner shows "ButtonFace"
  }
}

TEST_F(SkinStyleTest, CheckAndRadioBoxes) {
  auto* check = Add<QCheckBox>();
  auto* radio = Add<QRadioButton>();
  EXPECT_EQ(Style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, check), 13);
  EXPECT_EQ(Style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, radio), 16);
  const struct {
    QStyle::State state;
    int checkFrame, radioFrame;
  } cases[] = {
      {S::State_Enabled | S::State_Off, 1, 1},
      {S::State_Enabled | S::State_On, 2, 2},
      {S::State_Off, 3, 3},
      {S::State_On, 4, 4},
      {S::State_Enabled | S::State_NoChange, 4, 1},
  };
  for (const auto& c : cases) {
    QStyleOptionButton o;
    o.initFrom(check);
    o.rect = QRect(0, 0, 16, 16);
    o.state = c.state;
    QImage image = Blank(16, 16);
    QPainter p(&image);
    Style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &o, &p, check);
    Style()->drawPrimitive(QStyle::PE_IndicatorRadioButton, &o, &p, radio);
    p.end();
    EXPECT_EQ(At(image, 8, 8), (Probe{Id("Buttons", "RadioButton"), c.radioFrame, 4}));
    QImage box = Blank(16, 16);
    QPainter q(&box);
    Style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &o, &q, check);
    q.end();
    EXPECT_EQ(At(box, 2, 2), (Probe{Id("Buttons", "CheckButton"), c.checkFrame, 4}));
  }
}

TEST_F(SkinStyleTest, EditFramesAndSpinBoxHalves) {
  auto* edit = Add<QLineEdit>();
  QStyleOptionFrame f;
  f.initFrom(edit);
  f.rect = QRect(0, 0, 50, 20);
  f.lineWidth = 1;
  QImage image = Blank(50, 20);
  QPainter p(&image);
  Style()->drawPrimitive(QStyle::PE_PanelLineEdit, &f, &p, edit);
  p.end();
  EXPECT_EQ(image.pixel(0, 10), QColor(128, 136, 148).rgb());  // "ButtonShadow"
  EXPECT_EQ(image.pixel(1, 10), qRgb(255, 255, 255));

  auto* spin = Add<QSpinBox>();
  spin->setRange(0, 10);
  spin->setValue(5);
  QStyleOptionSpinBox o;
  o.initFrom(spin);
  o.rect = QRect(0, 0, 80, 24);
  o.frame = true;
  o.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
  o.subControls = QStyle::SC_All;
  o.activeSubControls = QStyle::SC_SpinBoxUp;
  o.state = S::State_Enabled | S::State_MouseOver;
  QImage spinImage = Blank(80, 24);
  QPainter q(&spinImage);
  Style()->drawComplexControl(QStyle::CC_SpinBox, &o, &q, spin);
  q.end();
  const QRect up = Style()->subControlRect(QStyle::CC_SpinBox, &o, QStyle::SC_SpinBoxUp, spin);
  const QRect down = Style()->subControlRect(QStyle::CC_SpinBox, &o, QStyle::SC_SpinBoxDown, spin);
  const int id = Id("UpDown.Vert", "Image");
  EXPECT_EQ(At(spinImage, up.left(), up.top()), (Probe{id, 4, 0}));        // the hot half
  EXPECT_EQ(At(spinImage, down.left(), down.top()), (Probe{id, 5, 0}));    // the other, normal (1 + 4)
}

TEST_F(SkinStyleTest, MemoListAndTreeFramesAreEditFrames) {
  const QRgb shadow = QColor(128, 136, 148).rgb(), white = qRgb(255, 255, 255);
  const struct {
    const char* what;
    std::function<QWidget*(QWidget*)> make;
    bool scrollBars;  // false: the memo is an edit box (its window has no skinned scroll bars)
    bool skinned;
  } cases[] = {
      {"memo", [](QWidget* p) { return new QPlainTextEdit(p); }, true, true},
      {"rich memo", [](QWidget* p) { return new QTextEdit(p); }, true, true},
      {"list box", [](QWidget* p) { return new QListWidget(p); }, true, true},
      {"list view",
       [](QWidget* p) {
         auto* t = new QTreeWidget(p);
         t->setHeaderLabels({"Name", "Value"});
         return t;
       },
       true, true},
      {"tree view",
       [](QWidget* p) {
         auto* t = new QTreeWidget(p);
         t->setHeaderHidden(true);
         return t;
       },
       true, true},
      {"table", [](QWidget* p) { return new QTableWidget(3, 2, p); }, true, true},
      {"memo as an edit box", [](QWidget* p) { return new QPlainTextEdit(p); }, false, true},
      {"list box with the disable tag",
       [](QWidget* p) {
         auto* l = new QListWidget(p);
         l->setProperty("tag", 99);
         return l;
       },
       true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.scrollBars)
      skinning_->Data().SkinControls.Add(xcScrollbar);
    else
      skinning_->Data().SkinControls.Remove(xcScrollbar);
    skinning_->ForgetDecisions();
    QWidget* w = c.make(dialog_.get());
    w->setGeometry(10, 10, 120, 80);
    w->ensurePolished();
    // The frame as the style draws it: a "ButtonShadow" line and a white one inside it.
    QStyleOptionFrame f;
    f.initFrom(w);
    f.rect = QRect(0, 0, 60, 40);
    f.frameShape = QFrame::StyledPanel;
    f.lineWidth = 1;
    f.state |= S::State_Sunken;
    QImage image = Blank(60, 40);
    QPainter p(&image);
    Style()->drawPrimitive(QStyle::PE_Frame, &f, &p, w);
    p.end();
    EXPECT_EQ(image.pixel(0, 20) == shadow && image.pixel(1, 20) == white, c.skinned);
    EXPECT_EQ(image.pixel(59, 20) == shadow && image.pixel(30, 39) == shadow, c.skinned);
    // And as the control paints itself.
    const QImage painted = w->grab().toImage();
    EXPECT_EQ(painted.pixel(0, 40) == shadow && painted.pixel(119, 40) == shadow, c.skinned);
    delete w;
  }
}

TEST_F(SkinStyleTest, ScrollBarsOfAScrollingControl) {
  auto* memo = Add<QPlainTextEdit>();
  QScrollBar* bar = memo->verticalScrollBar();
  EXPECT_EQ(Style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar), 16);
  QStyleOptionSlider o;
  o.initFrom(bar);
  o.orientation = Qt::Vertical;
  o.rect = QRect(0, 0, 16, 200);
  o.minimum = 0;
  o.maximum = 90;
  o.pageStep = 10;
  o.sliderPosition = o.sliderValue = 0;
  o.subControls = QStyle::SC_All;
  o.state = S::State_Enabled;
  const auto draw = [&](QStyle::SubControls active, bool sunken) {
    o.activeSubControls = active;
    o.state = sunken ? (S::State_Enabled | S::State_Sunken) : QStyle::State(S::State_Enabled);
    QImage image = Blank(16, 200);
    QPainter p(&image);
    Style()->drawComplexControl(QStyle::CC_ScrollBar, &o, &p, bar);
    return image;
  };
  const int arrows = Id("Scrollbar", "Image"), thumb = Id("VertScrollThumb", "Image"), track = Id("VertScroll", "Image");
  QImage image = draw(QStyle::SC_None, false);
  EXPECT_EQ(At(image, 2, 2), (Probe{arrows, 9, 4}));      // up
  EXPECT_EQ(At(image, 2, 197), (Probe{arrows, 13, 4}));   // down
  EXPECT_EQ(At(image, 8, 24), (Probe{thumb, 1, 4}));
  EXPECT_EQ(At(image, 8, 100), (Probe{track, 1, 4}));
  image = draw(QStyle::SC_ScrollBarSubLine, true);
  EXPECT_EQ(At(image, 2, 2), (Probe{arrows, 10, 4}));
  image = draw(QStyle::SC_ScrollBarSlider, true);
  EXPECT_EQ(At(image, 8, 24), (Probe{thumb, 2, 4}));
  // The hit test agrees with the drawing.
  EXPECT_EQ(Style()->hitTestComplexControl(QStyle::CC_ScrollBar, &o, QPoint(8, 24), bar), QStyle::SC_ScrollBarSlider);
  EXPECT_EQ(Style()->hitTestComplexControl(QStyle::CC_ScrollBar, &o, QPoint(8, 100), bar), QStyle::SC_ScrollBarAddPage);
  // At the end of its range the thumb ends at the track's end.
  o.sliderPosition = o.sliderValue = 90;
  EXPECT_EQ(Style()->subControlRect(QStyle::CC_ScrollBar, &o, QStyle::SC_ScrollBarSlider, bar).bottom(), 183);
  // Nothing to scroll: no thumb, and no division by an empty range.
  o.maximum = 0;
  o.pageStep = 0;
  o.sliderPosition = o.sliderValue = 0;
  image = draw(QStyle::SC_None, false);
  EXPECT_EQ(At(image, 8, 24), (Probe{track, 1, 4}));
}

TEST_F(SkinStyleTest, ComboBoxProgressBarAndTrackBar) {
  auto* combo = Add<QComboBox>();
  QStyleOptionComboBox c;
  c.initFrom(combo);
  c.rect = QRect(0, 0, 120, 22);
  c.subControls = QStyle::SC_All;
  const int sunk = Id("SunkEdge", "Image");
  for (const auto& [state, frame] : {std::pair<QStyle::State, int>{S::State_Enabled, 1},
                                     {S::State_Enabled | S::State_HasFocus, 4},
                                     {S::State_Enabled | S::State_Sunken, 2},
                                     {S::State_Enabled | S::State_Sunken | S::State_MouseOver, 4},
                                     {S::State_HasFocus, 4},  // focus wins over disabled here
                                     {S::State_None, 3}}) {
    c.state = state;
    QImage image = Blank(120, 22);
    QPainter p(&image);
    Style()->drawComplexControl(QStyle::CC_ComboBox, &c, &p, combo);
    p.end();
    EXPECT_EQ(At(image, 20, 11), (Probe{sunk, frame, 4})) << frame;
    const QRect arrow = Style()->subControlRect(QStyle::CC_ComboBox, &c, QStyle::SC_ComboBoxArrow, combo);
    EXPECT_EQ(At(image, arrow.left(), arrow.top()), (Probe{Id("ComboButton", "Image"), frame, 0}));
  }

  auto* progress = Add<QProgressBar>();
  QStyleOptionProgressBar b;
  b.initFrom(progress);
  b.rect = QRect(0, 0, 204, 16);
  b.minimum = 0;
  b.maximum = 100;
  const int bar = Id("Progress", "Bitmap");
  for (const int value : {0, 50}) {
    b.progress = value;
    QImage image = Blank(204, 16);
    QPainter p(&image);
    Style()->drawControl(QStyle::CE_ProgressBarGroove, &b, &p, progress);
    Style()->drawControl(QStyle::CE_ProgressBarContents, &b, &p, progress);
    p.end();
    EXPECT_EQ(At(image, 60, 8), (Probe{bar, value ? 2 : 1, 4}));  // half of the 200 inside is filled
    EXPECT_EQ(At(image, 150, 8), (Probe{bar, 1, 4}));
  }

  auto* slider = Add<QSlider>();
  slider->setOrientation(Qt::Horizontal);
  QStyleOptionSlider s;
  s.initFrom(slider);
  s.orientation = Qt::Horizontal;
  s.rect = QRect(0, 0, 200, 24);
  s.minimum = 0;
  s.maximum = 10;
  s.sliderPosition = s.sliderValue = 5;
  s.subControls = QStyle::SC_All;
  s.state = S::State_Enabled;
  EXPECT_EQ(Style()->pixelMetric(QStyle::PM_SliderLength, &s, slider), 11);
  QImage image = Blank(200, 24);
  QPainter p(&image);
  Style()->drawComplexControl(QStyle::CC_Slider, &s, &p, slider);
  p.end();
  const QRect handle = Style()->subControlRect(QStyle::CC_Slider, &s, QStyle::SC_SliderHandle, slider);
  EXPECT_EQ(At(image, handle.center().x(), handle.center().y()), (Probe{Id("Trackbar.ThumbHorz", "Image"), 2, 4}));
}

TEST_F(SkinStyleTest, TabsHeadersStatusBarAndMenus) {
  auto* tabs = Add<QTabWidget>();
  tabs->addTab(new QWidget, "One");
  QTabBar* tabBar = tabs->tabBar();
  QStyleOptionTab t;
  t.initFrom(tabBar);
  t.rect = QRect(0, 0, 80, 24);
  const int tabPicture = Id("Tabs", "Image");
  for (const bool selected : {false, true})
    for (const QTabBar::Shape shape : {QTabBar::RoundedNorth, QTabBar::RoundedSouth}) {
      t.shape = shape;
      t.state = selected ? (S::State_Enabled | S::State_Selected) : QStyle::State(S::State_Enabled);
      QImage image = Blank(80, 24);
      QPainter p(&image);
      Style()->drawControl(QStyle::CE_TabBarTabShape, &t, &p, tabBar);
      p.end();
      EXPECT_EQ(At(image, 40, 12), (Probe{tabPicture, selected ? 2 : 1, 4}));
      // The tab's top edge is at the top, or at the bottom for tabs under the pages.
      const int edgeRow = shape == QTabBar::RoundedNorth ? 1 : 22;
      EXPECT_EQ(At(image, 40, edgeRow)->slice, 1);
    }

  auto* tree = Add<QTreeWidget>();
  tree->setHeaderLabels({"Name", "Value"});
  QStyleOptionHeader h;
  h.initFrom(tree->header());
  h.rect = QRect(0, 0, 80, 20);
  QImage header = Blank(80, 20);
  QPainter hp(&header);
  Style()->drawControl(QStyle::CE_HeaderSection, &h, &hp, tree->header());
  hp.end();
  EXPECT_EQ(At(header, 40, 10), (Probe{Id("Headerbar", "Image"), 1, 4}));
  // A tree without headers is a tree view: its header would keep the desktop's look.
  tree->setHeaderHidden(true);
  skinning_->ForgetDecisions();
  QImage plain = Blank(80, 20);
  QPainter pp(&plain);
  Style()->drawControl(QStyle::CE_HeaderSection, &h, &pp, tree->header());
  pp.end();
  EXPECT_NE(PictureAt(plain, 40, 10), Id("Headerbar", "Image"));

  QMainWindow window;
  QStatusBar* status = window.statusBar();
  skinning_->PrepareForm(&window);
  QStyleOption so;
  so.initFrom(status);
  so.rect = QRect(0, 0, 100, 20);
  QImage statusImage = Blank(100, 20);
  QPainter sp(&statusImage);
  Style()->drawPrimitive(QStyle::PE_PanelStatusBar, &so, &sp, status);
  sp.end();
  EXPECT_EQ(At(statusImage, 50, 10), (Probe{Id("StatusBarEdges", "Image"), 1, 4}));
  // The skin's frame sizes the window: the status bar has no grip of its own.
  EXPECT_FALSE(status->isSizeGripEnabled());

  QMenuBar* bar = window.menuBar();
  QMenu* file = bar->addMenu("&File");
  QAction* open = file->addAction("Open");
  QStyleOptionMenuItem m;
  m.initFrom(bar);
  m.rect = QRect(0, 0, 100, 22);
  m.menuRect = m.rect;
  QImage barImage = Blank(100, 22);
  QPainter bp(&barImage);
  Style()->drawControl(QStyle::CE_MenuBarEmptyArea, &m, &bp, bar);
  bp.end();
  // The window is not active: the inactive frame of the stacked menu-bar picture.
  EXPECT_EQ(At(barImage, 50, 5), (Probe{Id("Personality", "menuBar"), 2, 4}));

  QStyleOptionMenuItem item;
  item.initFrom(file);
  item.rect = QRect(0, 0, 120, 22);
  item.text = open->text();
  item.menuItemType = QStyleOptionMenuItem::Normal;
  const int itemPicture = Id("MenuItem", "Image");
  for (const bool selected : {false, true}) {
    item.state = selected ? (S::State_Enabled | S::State_Selected) : QStyle::State(S::State_Enabled);
    QImage image = Blank(120, 22);
    QPainter ip(&image);
    Style()->drawControl(QStyle::CE_MenuItem, &item, &ip, file);
    ip.end();
    EXPECT_EQ(At(image, 1, 11), (Probe{itemPicture, selected ? 4 : 1, 3}));
  }
  QStyleOption panel;
  panel.initFrom(file);
  panel.rect = QRect(0, 0, 120, 60);
  QImage back = Blank(120, 60);
  QPainter mp(&back);
  Style()->drawPrimitive(QStyle::PE_PanelMenu, &panel, &mp, file);
  mp.end();
  EXPECT_EQ(At(back, 60, 30), (Probe{Id("MenuBackground", "Image"), 1, 4}));
  EXPECT_EQ(Style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, file), 3);
}

TEST_F(SkinStyleTest, ControlsTheRulesLeaveOutKeepTheDesktopLook) {
  // DisableTag on the control.
  auto* button = Add<QPushButton>();
  button->setProperty("tag", 99);
  // A window that is not skinned.
  QDialog plain;
  plain.setProperty("tag", 99);
  skinning_->PrepareForm(&plain);
  auto* other = new QPushButton(&plain);
  // A plain combo box without a Skin3rd line.
  skinning_->Data().Skin3rd.clear();
  auto* combo = Add<QComboBox>();
  skinning_->ForgetDecisions();
  for (QWidget* w : {static_cast<QWidget*>(button), static_cast<QWidget*>(other)}) {
    QStyleOptionButton o;
    o.initFrom(w);
    o.rect = QRect(0, 0, 60, 24);
    o.state = S::State_Enabled;
    QImage image = Blank(60, 24);
    QPainter p(&image);
    Style()->drawControl(QStyle::CE_PushButtonBevel, &o, &p, w);
    p.end();
    EXPECT_NE(PictureAt(image, 30, 12), Id("Buttons", "Bitmap"));
  }
  QStyleOptionComboBox c;
  c.initFrom(combo);
  c.rect = QRect(0, 0, 120, 22);
  c.state = S::State_Enabled;
  QImage image = Blank(120, 22);
  QPainter p(&image);
  Style()->drawComplexControl(QStyle::CC_ComboBox, &c, &p, combo);
  p.end();
  EXPECT_NE(PictureAt(image, 20, 11), Id("SunkEdge", "Image"));
}

}  // namespace
}  // namespace skin
