// The library form offscreen: fitting to the screen, layouts saved, streamed and applied back, the
// layout edit with the mouse, taken-over click handlers and the path of calling forms.
#include "widgets/qt/OlvForm.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>

#include "foundation/files/Folders.h"
#include "tests/widgets_qt/SampleForm.h"
#include "widgets/forms/DesignSize.h"
#include "widgets/forms/FormTexts.h"

namespace olv {
namespace {

using olvtest::LayoutStore;
using olvtest::SampleForm;

QRect Geometry(const QWidget* w) { return w->geometry(); }

class OlvFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = DesignSize();
    SetDesignSize({1024, 768});
    RegisterFormStreamClasses();
  }
  void TearDown() override { SetDesignSize(saved_); }
  TDesignSize saved_;
};

TEST_F(OlvFormTest, FittedFromTheDesignScreenToOthers) {
  struct Case {
    std::int16_t width, height;
    QRect form;  // position and client size
    QRect button, edit, panel, inner;
  } cases[] = {
      {1024, 768, {100, 50, 1000, 700}, {100, 50, 200, 30}, {80, 110, 300, 21}, {0, 600, 1000, 100}, {10, 10, 120, 40}},
      {800, 600, {78, 39, 781, 547}, {78, 39, 156, 24}, {63, 86, 234, 16}, {0, 469, 781, 78}, {8, 8, 94, 31}},
      {640, 480, {63, 31, 625, 438}, {63, 31, 125, 19}, {50, 69, 188, 13}, {0, 375, 625, 63}, {6, 6, 75, 25}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    SetDesignSize({c.width, c.height});
    SampleForm form;
    form.CompleteCreation();
    EXPECT_EQ(QRect(form.pos(), form.size()), c.form);
    EXPECT_EQ(Geometry(form.button), c.button);
    EXPECT_EQ(Geometry(form.edit), c.edit);
    EXPECT_EQ(Geometry(form.panel), c.panel);
    EXPECT_EQ(Geometry(form.inner), c.inner);
  }
}

TEST_F(OlvFormTest, LayoutSavedStreamedAndAppliedBack) {
  LayoutStore store;
  {
    SampleForm form(&store);
    form.CompleteCreation();
    form.button->setGeometry(300, 200, 150, 40);
    form.inner->setGeometry(500, 5, 60, 30);
    form.panel->setGeometry(0, 500, 900, 150);
    form.resize(900, 650);
    form.SaveLayout(false);
    ASSERT_EQ(store.count(form.GetLayoutKey()), 1u);
    // The unnamed panel is stored under its named child's path and one "." for the level up.
    TMemoryStream in(store.at(form.GetLayoutKey()));
    auto read = ReadObjectFromStream(in);
    auto* list = dynamic_cast<TControlPositionList*>(read.get());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->FormWidth, 900);
    bool panelFound = false;
    for (int i = 0; i < list->Count(); ++i) panelFound |= list->Items(i)->Name == "btnInner.";
    EXPECT_TRUE(panelFound);
  }
  SampleForm again(&store);
  again.CompleteCreation();  // RestoreLayout
  EXPECT_EQ(again.size(), QSize(900, 650));
  EXPECT_EQ(Geometry(again.button), QRect(300, 200, 150, 40));
  EXPECT_EQ(Geometry(again.inner), QRect(500, 5, 60, 30));
  EXPECT_EQ(Geometry(again.panel), QRect(0, 500, 900, 150));
  EXPECT_EQ(Geometry(again.edit), QRect(80, 110, 300, 21));

  // The common layout goes under its own key; deleting takes the private one away.
  again.SaveLayout(true);
  EXPECT_EQ(store.count(CommonLayoutKey(GetProgramName(), again.GetLayoutKey())), 1u);
  again.CustomizeDeleteClick(nullptr);
  EXPECT_EQ(store.count(again.GetLayoutKey()), 0u);
}

TEST_F(OlvFormTest, DamagedOrForeignStoredLayouts) {
  LayoutStore store;
  SampleForm probe(&store);
  const std::string key = probe.GetLayoutKey();
  store[key] = "TPF0\x14garbage";
  SampleForm damaged(&store);
  damaged.CompleteCreation();  // swallowed: the designed layout stays
  EXPECT_EQ(Geometry(damaged.button), QRect(100, 50, 200, 30));

  TMemoryStream out;
  TControlPosition notAList;
  WriteObjectToStream(out, &notAList);
  store[key] = std::string(out.View());
  SampleForm foreign(&store);
  EXPECT_THROW(foreign.ApplyLayout(), Exception);
}

TEST_F(OlvFormTest, FindControlByPathWalksUp) {
  SampleForm form;
  EXPECT_EQ(form.FindControlByPath("btnInner"), form.inner);
  EXPECT_EQ(form.FindControlByPath("btnInner."), form.panel);
  EXPECT_EQ(form.FindControlByPath("btnInner.."), &form);
  EXPECT_EQ(form.FindControlByPath("btnInner..."), nullptr);
  EXPECT_EQ(form.FindControlByPath("nothing"), nullptr);
  EXPECT_EQ(form.GetControlPath(form.panel), "btnInner.");
}

TEST_F(OlvFormTest, LayoutEditMovesAndSizesWithTheMouse) {
  SampleForm form;
  form.menuTexts = {"进入=Enter|Move the controls", "取消=Cancel", "保存=Save", "公用=Save for all", "删除=Delete"};
  bool clicked = false;
  SetOnClick(form.button, {[&](QObject*) { clicked = true; }});
  form.edit->setEnabled(false);
  form.show();
  ASSERT_NE(form.CustomizeMenu(), nullptr);
  const QList<QAction*> items = form.CustomizeMenu()->actions();
  ASSERT_EQ(items.size(), 5);
  EXPECT_EQ(items[0]->text(), "Enter");
  EXPECT_EQ(items[0]->statusTip(), "Move the controls");
  EXPECT_FALSE(items[1]->isEnabled());  // cancel: only while an edit runs

  items[0]->trigger();  // enter
  ASSERT_TRUE(form.Customizing());
  EXPECT_TRUE(items[1]->isEnabled());
  EXPECT_FALSE(items[0]->isEnabled());
  EXPECT_TRUE(form.edit->isEnabled());

  // Drag the button by (30, 20): pressed at (10, 10) of the button, moved to (40, 30).
  QTest::mousePress(form.button, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_TRUE(form.SizeGrip()->isVisible());
  QMouseEvent move(QEvent::MouseMove, QPointF(40, 30), form.button->mapToGlobal(QPointF(40, 30)), Qt::NoButton,
                   Qt::LeftButton, {});
  QApplication::sendEvent(form.button, &move);
  QTest::mouseRelease(form.button, Qt::LeftButton, {}, QPoint(40, 30));
  EXPECT_FALSE(clicked);  // an edited control does not act
  EXPECT_EQ(Geometry(form.button), QRect(130, 70, 200, 30));
  EXPECT_EQ(form.status->currentMessage(), "x=130, y=70 w=200 h=30");
  EXPECT_EQ(form.SizeGrip()->geometry(), QRect(326, 96, 4, 4));

  // Drag the grip by (10, 5): the button grows with it.
  TPanel* grip = form.SizeGrip();
  QTest::mousePress(grip, Qt::LeftButton, {}, QPoint(1, 1));
  QMouseEvent size(QEvent::MouseMove, QPointF(11, 6), grip->mapToGlobal(QPointF(11, 6)), Qt::NoButton,
                   Qt::LeftButton, {});
  QApplication::sendEvent(grip, &size);
  EXPECT_EQ(Geometry(form.button), QRect(130, 70, 210, 35));

  // A label drags its buddy along.
  QTest::mousePress(form.label, Qt::LeftButton, {}, QPoint(1, 1));
  QMouseEvent drag(QEvent::MouseMove, QPointF(1, 11), form.label->mapToGlobal(QPointF(1, 11)), Qt::NoButton,
                   Qt::LeftButton, {});
  QApplication::sendEvent(form.label, &drag);
  EXPECT_EQ(form.label->y(), 120);
  EXPECT_EQ(form.edit->y(), 120);

  items[1]->trigger();  // cancel: the edit ends, handlers and states come back
  EXPECT_FALSE(form.Customizing());
  EXPECT_FALSE(form.edit->isEnabled());
  form.button->click();
  EXPECT_TRUE(clicked);
}

TEST_F(OlvFormTest, ClicksDispatchThroughTheFormAndNoteTheCallingForm) {
  SampleForm main(nullptr, "frmMain");
  std::unique_ptr<SampleForm> order;
  SetOnClick(main.button, {[&](QObject*) {
    order = std::make_unique<SampleForm>(nullptr, "frmOrder");
    order->CompleteCreation();
  }});
  main.CompleteCreation();
  main.inner->click();  // no handler of its own: still dispatched, nothing called
  EXPECT_EQ(TForm::LastActiveForm(), nullptr);
  main.button->click();
  ASSERT_TRUE(order);
  EXPECT_EQ(TForm::LastActiveForm(), &main);
  EXPECT_EQ(order->FormPath(), "\\frmMain.btnOk\\frmOrder");
  EXPECT_EQ(order->PrevForm(), &main);
  EXPECT_EQ(order->PrevFormCtrl(), main.button);

  // Taking the handler back gives the button its own handler, not the form's.
  main.UnregisterHandler(main.button);
  EXPECT_EQ(OnClick(main.button).dispatcher, nullptr);
  EXPECT_EQ(OnClick(main.inner).dispatcher, static_cast<const void*>(static_cast<TForm*>(&main)));

  // The main form notes no calling form; a form whose chain would lead back to itself gets none.
  TForm::SetMainForm(&main);
  EXPECT_EQ(main.FormPath(), "\\frmMain");
  TForm::SetMainForm(nullptr);
  order->NoteActiveForm();
  main.NoteCallingForm();
  EXPECT_EQ(main.PrevForm(), nullptr);
}

TEST_F(OlvFormTest, TitleNoteTagAndMoveTo) {
  SampleForm form;
  form.setWindowTitle("Orders");
  form.SetTitleNote("3 rows");
  EXPECT_EQ(form.windowTitle(), "Orders(3 rows)");
  EXPECT_EQ(form.GetTitle(), "Orders");
  form.SetTitle("Clients");
  EXPECT_EQ(form.windowTitle(), "Clients(3 rows)");
  form.SetTitleNote("");
  EXPECT_EQ(form.windowTitle(), "Clients");
  form.SetTag(65538);
  EXPECT_EQ(form.TagHW(), 1);
  EXPECT_EQ(form.TagLW(), 2);
  form.SetTagLW(7);
  EXPECT_EQ(form.Tag(), 65543);

  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  form.resize(200, 100);
  form.MoveTo(QPoint(screen.width() - 50, 10));
  EXPECT_EQ(form.pos(), QPoint(screen.width() - 200, 10));
}

TEST_F(OlvFormTest, BackgroundFileThatCannotBeReadLeavesNone) {
  SampleForm form;
  form.SetBackgroundFile("/nonexistent/picture.jpg");
  EXPECT_EQ(form.Background(), nullptr);
  EXPECT_EQ(form.BackgroundFile(), "");
  QImage tile(2, 2, QImage::Format_RGB32);
  tile.fill(Qt::green);
  form.SetBackground(std::make_unique<TBitmap>(tile));
  form.resize(40, 40);
  form.panel->hide();
  form.status->hide();
  form.button->hide();
  form.label->hide();
  form.edit->hide();
  const QImage shot = form.grab().toImage();
  EXPECT_EQ(shot.pixelColor(39, 39), QColor(Qt::green));
}

}  // namespace
}  // namespace olv
