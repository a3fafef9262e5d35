// Skinned windows: found as they come, framed with the skin's caption and buttons, dropped when
// they close, given back their own frame when the skin goes.
#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QStyle>

#include <functional>

#include "skin/qt/WinSkinForm.h"
#include "tests/skin_qt/SkinningFixture.h"

namespace skin {
namespace {

using skinkit::Probe;

class SkinFormTest : public SkinningFixture {
 protected:
  // The probe at the middle of caption button i in the painted frame; none when hidden.
  std::optional<Probe> ButtonProbe(TWinSkinForm& form, size_t i) {
    const olv::TRect r = form.ButtonRects().at(i);
    if (r.IsEmpty()) return std::nullopt;
    return At(form.FrameImage(), r.Left + 1, r.Top + 4);
  }
  // Skins a 400x300 main window captioned "Caption" and shows it; its skinned frame.
  TWinSkinForm* ShowSkinned(QMainWindow& window) {
    window.setWindowTitle("Caption");
    window.resize(400, 300);
    skinning_->PrepareForm(&window);
    window.show();
    QApplication::processEvents();
    return skinning_->FormOf(&window);
  }
};

TEST_F(SkinFormTest, WindowMadeAfterTheSkinIsFoundAndDroppedWhenItCloses) {
  TSkinManage& manager = skinning_->Manager();
  const size_t before = manager.FormCount();
  auto dialog = std::make_unique<QDialog>();
  dialog->resize(300, 200);
  dialog->show();  // polished before it shows: the filter attaches it
  QApplication::processEvents();
  TWinSkinForm* form = skinning_->FormOf(dialog.get());
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(manager.FormCount(), before + 1);
  EXPECT_TRUE(form->Framed());
  EXPECT_TRUE(dialog->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(dialog->contentsMargins(), QMargins(4, 24, 4, 4));
  // The client area kept its size inside the frame.
  EXPECT_EQ(dialog->size(), QSize(308, 228));
  // The outline leaves out the rounded corner's magenta pixels.
  EXPECT_FALSE(dialog->mask().isEmpty());
  EXPECT_FALSE(dialog->mask().contains(QPoint(0, 0)));
  EXPECT_TRUE(dialog->mask().contains(QPoint(2, 2)));
  EXPECT_TRUE(dialog->mask().contains(QPoint(150, 100)));
  // Activated again, it is not attached twice.
  manager.WindowActivated(dialog.get());
  EXPECT_EQ(manager.FormCount(), before + 1);

  dialog.reset();
  // Its object waits for the purge, which the manager's timer runs.
  EXPECT_EQ(manager.FormCount(), before + 1);
  EXPECT_TRUE(manager.Pending());
  manager.DoAction();
  EXPECT_EQ(manager.FormCount(), before);
  EXPECT_FALSE(manager.Pending());
}

TEST_F(SkinFormTest, CaptionButtonsAtEachWindowState) {
  QMainWindow window;
  TWinSkinForm* form = ShowSkinned(window);
  ASSERT_NE(form, nullptr);
  // Buttons: 0 close, 1 maximise (not maximised), 2 minimise, 3 the window's icon, 4 restore
  // (maximised), then the three of a maximised MDI child.
  const int close = Id("BUTTON0", "ButtonImage"), maximize = Id("BUTTON1", "ButtonImage"),
            minimize = Id("BUTTON2", "ButtonImage"), restore = Id("BUTTON4", "ButtonImage");
  const bool active = window.isActiveWindow();
  const int normalFrame = active ? 1 : 4;
  form->FrameImage();
  EXPECT_EQ(ButtonProbe(*form, 0), (Probe{close, normalFrame, 4}));
  EXPECT_EQ(ButtonProbe(*form, 1), (Probe{maximize, normalFrame, 4}));
  EXPECT_EQ(ButtonProbe(*form, 2), (Probe{minimize, normalFrame, 4}));
  EXPECT_FALSE(ButtonProbe(*form, 4));
  for (size_t i = 5; i < form->ButtonRects().size(); ++i) EXPECT_TRUE(form->ButtonRects()[i].IsEmpty());
  // Right-aligned from the window's right edge (400 wide inside the frame).
  EXPECT_EQ(form->ButtonRects()[0], (olv::TRect{386, 4, 402, 20}));

  // The mouse over a button makes it hot; pressed, it shows pressed; moved off, normal again.
  const olv::TRect m = form->ButtonRects()[1];
  const QPoint over(m.Left + 3, m.Top + 3);
  if (active) {
    form->MouseMove(over, over, Qt::NoButton);
    EXPECT_EQ(ButtonProbe(*form, 1), (Probe{maximize, 3, 4}));
  }
  form->MousePress(over, over, Qt::LeftButton);
  EXPECT_EQ(ButtonProbe(*form, 1), (Probe{maximize, 2, 4}));
  form->MouseMove(QPoint(200, 200), QPoint(200, 200), Qt::LeftButton);
  EXPECT_EQ(ButtonProbe(*form, 1), (Probe{maximize, normalFrame, 4}));
  form->MouseMove(over, over, Qt::LeftButton);
  form->MouseRelease(over, Qt::LeftButton);  // released over it: maximise
  QApplication::processEvents();
  EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);
  EXPECT_EQ(form->CaptionWindow().state, TWindowState::Maximized);
  form->FrameImage();
  EXPECT_FALSE(ButtonProbe(*form, 1));
  EXPECT_EQ(ButtonProbe(*form, 4)->picture, restore);

  // A press released off the button does nothing.
  const olv::TRect r = form->ButtonRects()[4];
  form->MousePress(QPoint(r.Left + 2, r.Top + 2), {}, Qt::LeftButton);
  form->MouseRelease(QPoint(r.Left - 30, r.Top + 2), Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);
  // The restore button restores.
  form->ButtonAction(form->ButtonDefs()[4]->Action, {});
  QApplication::processEvents();
  EXPECT_FALSE(window.windowState() & Qt::WindowMaximized);

  // A dialog has no minimise or maximise box: only its close button shows.
  QDialog dialog;
  dialog.resize(200, 100);
  skinning_->PrepareForm(&dialog);
  TWinSkinForm* dialogForm = skinning_->FormOf(&dialog);
  ASSERT_NE(dialogForm, nullptr);
  dialogForm->FrameImage();
  EXPECT_TRUE(ButtonProbe(*dialogForm, 0));
  EXPECT_FALSE(ButtonProbe(*dialogForm, 1));
  EXPECT_FALSE(ButtonProbe(*dialogForm, 2));
  // The caption and its text: a caption pixel far from the text shows the caption picture.
  EXPECT_EQ(At(dialogForm->FrameImage(), 150, 2)->picture, Id("Personality", "Top"));
  EXPECT_EQ(At(dialogForm->FrameImage(), 1, 50)->picture, Id("Personality", "Left"));
}

TEST_F(SkinFormTest, TheCaptionsLeftButtonShowsTheWindowsIconAndOpensTheSystemMenu) {
  QMainWindow window;
  QPixmap icon(32, 32);
  icon.fill(QColor(10, 200, 30));
  window.setWindowIcon(QIcon(icon));
  TWinSkinForm* form = ShowSkinned(window);
  ASSERT_NE(form, nullptr);
  form->FrameImage();
  // Button 3 is the window's icon: at the caption's left, one small icon wide, showing the icon.
  const olv::TRect r = form->ButtonRects().at(3);
  ASSERT_FALSE(r.IsEmpty()) << "the icon's button is laid out";
  const int side = window.style()->pixelMetric(QStyle::PM_SmallIconSize);
  EXPECT_EQ(r.Width(), side);
  EXPECT_EQ(r.Height(), side);
  EXPECT_LT(r.Right, form->ButtonRects()[2].Left);
  EXPECT_LE(r.Bottom, form->Metrics().top);
  EXPECT_EQ(QColor(form->FrameImage().pixel(r.Left + side / 2, r.Top + side / 2)), QColor(10, 200, 30));

  // A left click on it opens the system menu.
  const QPoint over(r.Left + side / 2, r.Top + side / 2);
  form->MousePress(over, window.mapToGlobal(over), Qt::LeftButton);
  form->MouseRelease(over, Qt::LeftButton);
  QApplication::processEvents();
  QMenu* menu = nullptr;
  for (QMenu* m : window.findChildren<QMenu*>())
    if (m->property(TWinSkinForm::kSystemMenuProperty).toBool()) menu = m;
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(menu->isVisible());
  menu->close();
}

TEST_F(SkinFormTest, MaximisedItFillsTheScreensAvailableAreaAndRestoresItsGeometry) {
  QMainWindow window;
  TWinSkinForm* form = ShowSkinned(window);
  ASSERT_NE(form, nullptr);
  window.move(30, 40);
  QApplication::processEvents();
  const QRect normal = window.geometry();
  const QRect available = window.screen()->availableGeometry();
  ASSERT_NE(normal, available);

  struct {
    const char* how;
    std::function<void()> maximize, restore;
  } ways[] = {
      {"caption button", [&] { form->ButtonAction(1, {}); }, [&] { form->ButtonAction(1, {}); }},
      {"double click", [&] { form->MouseDoubleClick({150, 5}); }, [&] { form->MouseDoubleClick({150, 5}); }},
      {"system menu", [&] { form->Maximize(); }, [&] { form->Restore(); }},
  };
  for (const auto& way : ways) {
    way.maximize();
    QApplication::processEvents();
    EXPECT_EQ(form->CaptionWindow().state, TWindowState::Maximized) << way.how;
    EXPECT_EQ(window.geometry(), available) << way.how;
    way.restore();
    QApplication::processEvents();
    EXPECT_EQ(form->CaptionWindow().state, TWindowState::Normal) << way.how;
    EXPECT_FALSE(window.windowState() & Qt::WindowMaximized) << way.how;
    EXPECT_EQ(window.geometry(), normal) << way.how;
  }
}

TEST_F(SkinFormTest, SmallDialogIsWidenedToShowItsWholeCaption) {
  // Laid out to a width far below its caption's.
  QDialog dialog;
  dialog.setWindowTitle("Scheme timer Editor with a long caption");
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel("Time"));
  skinning_->PrepareForm(&dialog);
  dialog.show();
  QApplication::processEvents();
  TWinSkinForm* form = skinning_->FormOf(&dialog);
  ASSERT_NE(form, nullptr);
  const int width = dialog.width();
  EXPECT_GT(width, dialog.sizeHint().width());
  // The caption is whole: made wider still, the window shows the same caption up to the clip
  // (TextRightClip, 70), where a cut caption would have shown more of its text.
  const QRect band(0, 0, width - 70, form->Metrics().top);
  const QImage fitted = form->FrameImage().copy(band);
  EXPECT_EQ(PictureAt(fitted, 30, band.height() / 2), Id("Personality", "TextBack"));
  dialog.resize(width + 80, dialog.height());
  QApplication::processEvents();
  EXPECT_EQ(form->FrameImage().copy(band), fitted);
  // Shown again after the user made it narrower, it keeps its width.
  dialog.hide();
  dialog.resize(120, dialog.height());
  dialog.show();
  QApplication::processEvents();
  EXPECT_EQ(dialog.width(), 120);
}

TEST_F(SkinFormTest, SkinOffGivesTheWindowItsOwnFrameBack) {
  QDialog dialog;
  dialog.resize(300, 200);
  skinning_->PrepareForm(&dialog);
  dialog.show();
  QApplication::processEvents();
  ASSERT_NE(skinning_->FormOf(&dialog), nullptr);
  EXPECT_EQ(dialog.palette().color(QPalette::Window), QColor(226, 230, 236));
  skinning_->Data().SetActive(false);
  skinning_->Manager().DoAction();
  EXPECT_EQ(skinning_->FormOf(&dialog), nullptr);
  EXPECT_FALSE(dialog.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(dialog.contentsMargins(), QMargins());
  EXPECT_TRUE(dialog.mask().isEmpty());
  EXPECT_EQ(dialog.size(), QSize(300, 200));
  // Back on: skinned again.
  skinning_->Data().SetActive(true);
  skinning_->Manager().DoAction();
  EXPECT_NE(skinning_->FormOf(&dialog), nullptr);
}

TEST_F(SkinFormTest, NativeFrameSettingSkinsOnlyTheInside) {
  skinning_.reset();
  skinning_ = std::make_unique<TQtSkinning>(resources::EmbeddedSkinPackage(), TQtSkinning::Options{true});
  QDialog dialog;
  dialog.resize(300, 200);
  skinning_->PrepareForm(&dialog);
  TWinSkinForm* form = skinning_->FormOf(&dialog);
  ASSERT_NE(form, nullptr);
  EXPECT_FALSE(form->Framed());
  EXPECT_FALSE(dialog.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(dialog.palette().color(QPalette::Window), QColor(226, 230, 236));
}

}  // namespace
}  // namespace skin
