#include "widgets/OlvTraybar.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "widgets/HeadlessTray.h"

namespace olv {
namespace {

TIcon Picture(unsigned char tag) { return TIcon({'P', tag}); }

std::shared_ptr<const TImageList> Pictures(int count) {
  auto list = std::make_shared<TImageList>();
  for (int i = 0; i < count; ++i) list->Add(Picture(static_cast<unsigned char>('0' + i)));
  return list;
}

// The component with its headless desktop; the raw pointers stay valid while the bar lives.
class TrayBarTest : public ::testing::Test {
 protected:
  explicit TrayBarTest(bool trayAvailable = true) {
    auto host = std::make_unique<HeadlessTrayHost>(trayAvailable);
    auto timer = std::make_unique<ManualTimer>();
    auto owner = std::make_unique<HeadlessOwnerWindow>();
    host_ = host.get();
    timer_ = timer.get();
    owner_ = owner.get();
    bar_ = std::make_unique<TTrayBar>(std::move(host), std::move(timer), std::move(owner));
  }

  // Records every event as a word, in order.
  void RecordEvents() {
    bar_->OnClick = [this](TTrayBar&) { log_.push_back("click"); };
    bar_->OnDblClick = [this](TTrayBar&) { log_.push_back("dblclick"); };
    bar_->OnMouseDown = [this](TTrayBar&, TMouseButton b, TShiftState s, int x, int y) {
      log_.push_back("down" + Describe(b, s, x, y));
    };
    bar_->OnMouseUp = [this](TTrayBar&, TMouseButton b, TShiftState s, int x, int y) {
      log_.push_back("up" + Describe(b, s, x, y));
    };
    bar_->OnMouseMove = [this](TTrayBar&, TShiftState s, int x, int y) {
      log_.push_back("move" + Describe(TMouseButton::mbLeft, s, x, y).substr(2));
    };
  }

  static std::string Describe(TMouseButton b, TShiftState s, int x, int y) {
    const char* name = b == TMouseButton::mbLeft ? "L" : b == TMouseButton::mbRight ? "R" : "M";
    return std::string(" ") + name + " shift=" + std::to_string(s) + " " + std::to_string(x) + "," +
           std::to_string(y);
  }

  void Send(std::initializer_list<int> messages) {
    for (int m : messages) host_->SimulateMessage(m);
  }

  HeadlessTrayHost* host_;
  ManualTimer* timer_;
  HeadlessOwnerWindow* owner_;
  std::unique_ptr<TTrayBar> bar_;
  std::vector<std::string> log_;
};

class NoTrayTest : public TrayBarTest {
 protected:
  NoTrayTest() : TrayBarTest(false) {}
};

// --- hint and icon ---------------------------------------------------------------------------

struct TipCase {
  std::string hint;
  bool showHint;
  std::string tip;
};

void PrintTo(const TipCase& c, std::ostream* os) {
  *os << c.hint.size() << " bytes, showHint " << c.showHint;
}

class TrayTipTest : public TrayBarTest, public ::testing::WithParamInterface<TipCase> {};

TEST_P(TrayTipTest, NotificationAreaGetsTheCutHint) {
  bar_->SetIconVisible(true);
  bar_->SetShowHint(GetParam().showHint);
  bar_->SetHint(GetParam().hint);
  EXPECT_EQ(host_->Showing().tip, GetParam().tip);
  EXPECT_EQ(bar_->Hint(), GetParam().hint);  // the property keeps the whole text
}

std::string Repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

INSTANTIATE_TEST_SUITE_P(
    Hints, TrayTipTest,
    ::testing::Values(TipCase{Repeat("a", 100), true, Repeat("a", 63)},
                      TipCase{Repeat("a", 100), false, ""},
                      TipCase{"", true, ""},
                      TipCase{Repeat("b", 63), true, Repeat("b", 63)},
                      TipCase{"2 plans are running", true, "2 plans are running"},
                      // 63 characters of two bytes each: cut between characters, never inside one.
                      TipCase{Repeat("\xC3\xA9", 70), true, Repeat("\xC3\xA9", 63)},
                      TipCase{Repeat("a", 62) + "\xE8\xAE\xA1\xE5\x88\x92", true,
                              Repeat("a", 62) + "\xE8\xAE\xA1"}));

TEST_F(TrayBarTest, ChangesReachTheShownIconAndAreKeptWhenItIsNotShown) {
  bar_->SetShowHint(true);
  bar_->SetHint("Wait for executing");  // not shown yet: kept, the area refuses the change
  EXPECT_FALSE(host_->Shown());
  EXPECT_FALSE(bar_->ModifyIcon());
  EXPECT_EQ(bar_->Hint(), "Wait for executing");

  EXPECT_TRUE(bar_->ShowIcon());
  EXPECT_EQ(host_->Showing().tip, "Wait for executing");
  bar_->SetIcon(Picture('x'));
  EXPECT_EQ(host_->Showing().icon, Picture('x'));
  bar_->SetShowHint(false);
  EXPECT_EQ(host_->Showing().tip, "");
}

struct IndexCase {
  int listSize;  // -1: no list
  int set;
  int expected;
};

void PrintTo(const IndexCase& c, std::ostream* os) {
  *os << "list " << c.listSize << ", set " << c.set;
}

class TrayIconIndexTest : public TrayBarTest, public ::testing::WithParamInterface<IndexCase> {};

TEST_P(TrayIconIndexTest, IndexStaysWithinTheListAndTakesItsPicture) {
  const auto& c = GetParam();
  bar_->SetIcon(Picture('i'));
  if (c.listSize >= 0) bar_->SetIconList(Pictures(c.listSize));
  bar_->SetIconIndex(c.set);
  EXPECT_EQ(bar_->IconIndex(), c.expected);
  if (c.listSize > 0)
    EXPECT_EQ(bar_->Icon(), bar_->IconList()->GetIcon(c.expected));
  else
    EXPECT_EQ(bar_->Icon(), Picture('i'));  // nothing to take: the icon stays
}

INSTANTIATE_TEST_SUITE_P(Indexes, TrayIconIndexTest,
                         ::testing::Values(IndexCase{4, 10, 3}, IndexCase{4, 4, 3}, IndexCase{4, 2, 2},
                                           IndexCase{4, -1, 0}, IndexCase{-1, 5, 0},
                                           IndexCase{0, 2, 0}));

TEST_F(TrayBarTest, NewImageListStartsAtItsFirstPicture) {
  bar_->SetIconList(Pictures(4));
  bar_->SetIconIndex(3);
  auto other = Pictures(2);
  bar_->SetIconList(other);
  EXPECT_EQ(bar_->IconIndex(), 0);
  EXPECT_EQ(bar_->Icon(), other->GetIcon(0));
}

// --- cycling ---------------------------------------------------------------------------------

TEST_F(TrayBarTest, CycleShowsEachPictureInTurnAndReportsTheNext) {
  auto list = Pictures(3);
  bar_->SetIconList(list);
  bar_->SetCycleInterval(100);
  bar_->SetIconVisible(true);
  bar_->SetIconIndex(2);
  std::vector<int> reported;
  bar_->OnCycle = [&](TTrayBar&, int next) { reported.push_back(next); };

  bar_->SetCycleIcons(true);
  EXPECT_EQ(bar_->IconIndex(), 0);
  EXPECT_TRUE(timer_->Running());
  EXPECT_EQ(timer_->Interval(), 100u);

  std::vector<TIcon> shown;
  for (int i = 0; i < 5; ++i) {
    timer_->Fire();
    shown.push_back(host_->Showing().icon);
  }
  EXPECT_EQ(shown, (std::vector<TIcon>{list->GetIcon(0), list->GetIcon(1), list->GetIcon(2),
                                       list->GetIcon(0), list->GetIcon(1)}));
  EXPECT_EQ(reported, (std::vector<int>{1, 2, 0, 1, 2}));

  bar_->SetCycleIcons(false);
  EXPECT_FALSE(timer_->Enabled());
  timer_->Fire();
  EXPECT_EQ(reported.size(), 5u);
}

TEST_F(TrayBarTest, CycleWithoutPicturesDoesNothing) {
  int cycles = 0;
  bar_->OnCycle = [&](TTrayBar&, int) { ++cycles; };
  bar_->SetCycleInterval(100);
  bar_->SetCycleIcons(true);
  timer_->Fire();
  bar_->SetIconList(Pictures(0));
  timer_->Fire();
  EXPECT_EQ(cycles, 0);
  EXPECT_EQ(bar_->IconIndex(), 0);
}

TEST_F(TrayBarTest, CycleSurvivesTheListChangingUnderIt) {
  bar_->SetIconList(Pictures(3));
  bar_->SetCycleInterval(100);
  bar_->SetCycleIcons(true);
  bar_->OnCycle = [&](TTrayBar& sender, int) { sender.SetIconList(nullptr); };
  timer_->Fire();
  EXPECT_EQ(bar_->IconIndex(), 0);
  timer_->Fire();  // no list any more: nothing happens
}

TEST_F(TrayBarTest, ZeroIntervalNeverFires) {
  bar_->SetIconList(Pictures(3));
  int cycles = 0;
  bar_->OnCycle = [&](TTrayBar&, int) { ++cycles; };
  bar_->SetCycleIcons(true);
  EXPECT_FALSE(timer_->Running());
  timer_->Fire();
  EXPECT_EQ(cycles, 0);
}

TEST_F(TrayBarTest, OnlyTheCreatingThreadMayChangeIt) {
  bar_->SetIconList(Pictures(3));
  bar_->SetCycleInterval(100);
  bar_->SetHint("before");
  bool cycleThrew = false, hintThrew = false;
  std::thread worker([&] {
    try {
      bar_->SetCycleIcons(true);
    } catch (const std::logic_error&) {
      cycleThrew = true;
    }
    try {
      bar_->SetHint("after");
    } catch (const std::logic_error&) {
      hintThrew = true;
    }
  });
  worker.join();
  EXPECT_TRUE(cycleThrew);
  EXPECT_TRUE(hintThrew);
  EXPECT_FALSE(bar_->CycleIcons());
  EXPECT_FALSE(timer_->Enabled());
  EXPECT_EQ(bar_->Hint(), "before");
}

// --- mouse -----------------------------------------------------------------------------------

TEST_F(TrayBarTest, ClickThenDoubleClickRaisesEachEventOnce) {
  RecordEvents();
  host_->SetCursor(30, 40);
  host_->SetKeys(ssCtrl);
  Send({tmLButtonDown, tmLButtonUp, tmLButtonDblClk, tmLButtonUp});
  const std::string keys = " shift=" + std::to_string(ssCtrl | ssLeft) + " 30,40";
  EXPECT_EQ(log_, (std::vector<std::string>{"down L" + keys, "click", "up L" + keys, "dblclick",
                                            "up L" + keys}));
}

TEST_F(TrayBarTest, ReleaseOfAPressFromElsewhereIsNoClick) {
  RecordEvents();
  Send({tmLButtonUp});
  EXPECT_EQ(log_, (std::vector<std::string>{"up L shift=" + std::to_string(ssLeft) + " 0,0"}));
}

TEST_F(TrayBarTest, OtherButtonsAndMovesCarryTheirButtonAndKeys) {
  RecordEvents();
  host_->SetCursor(5, 6);
  host_->SetKeys(ssShift | ssAlt);
  Send({tmMouseMove, tmRButtonDown, tmRButtonUp, tmRButtonDblClk, tmMButtonDown, tmMButtonUp, 999});
  const auto shift = [](TShiftState s) { return " shift=" + std::to_string(s) + " 5,6"; };
  EXPECT_EQ(log_, (std::vector<std::string>{
                      "move" + shift(ssShift | ssAlt), "down R" + shift(ssShift | ssAlt | ssRight),
                      "up R" + shift(ssShift | ssAlt | ssRight),
                      "down M" + shift(ssShift | ssAlt | ssMiddle),
                      "up M" + shift(ssShift | ssAlt | ssMiddle)}));
}

TEST_F(TrayBarTest, RightPressOpensTheMenuAtTheCursorWithTheOwnerInFront) {
  HeadlessPopupMenu menu;
  bar_->SetPopupMenu(&menu);
  host_->SetCursor(100, 200);
  Send({tmRButtonDown});
  ASSERT_EQ(menu.Popups().size(), 1u);
  EXPECT_EQ(menu.Popups()[0].x, 100);
  EXPECT_EQ(menu.Popups()[0].y, 200);
  EXPECT_EQ(owner_->FrontCalls(), 1);

  Send({tmLButtonDown});  // not without LeftPopup
  EXPECT_EQ(menu.Popups().size(), 1u);
  host_->SetCursor(0, 0, false);  // cursor unreadable: no menu
  Send({tmRButtonDown});
  EXPECT_EQ(menu.Popups().size(), 1u);
}

struct MenuCase {
  bool leftPopup;
  bool autoPopup;
  bool enabled;
  int leftPressPopups;
  int dblClickDefaults;
};

void PrintTo(const MenuCase& c, std::ostream* os) {
  *os << "leftPopup " << c.leftPopup << ", autoPopup " << c.autoPopup << ", enabled " << c.enabled;
}

class TrayMenuTest : public TrayBarTest, public ::testing::WithParamInterface<MenuCase> {};

TEST_P(TrayMenuTest, LeftButtonOpensOrClicksTheDefaultAsConfigured) {
  const auto& c = GetParam();
  HeadlessPopupMenu menu(c.autoPopup);
  bar_->SetPopupMenu(&menu);
  bar_->SetLeftPopup(c.leftPopup);
  bar_->SetEnabled(c.enabled);
  RecordEvents();
  Send({tmLButtonDown});
  EXPECT_EQ(static_cast<int>(menu.Popups().size()), c.leftPressPopups);
  Send({tmLButtonUp, tmLButtonDblClk, tmLButtonUp, tmRButtonDown});
  EXPECT_EQ(menu.DefaultClicks(), c.dblClickDefaults);
  if (!c.enabled) {
    EXPECT_TRUE(log_.empty());
    EXPECT_TRUE(menu.Popups().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Menus, TrayMenuTest,
                         ::testing::Values(MenuCase{false, true, true, 0, 1},
                                           MenuCase{true, true, true, 1, 0},
                                           MenuCase{false, false, true, 0, 0},
                                           MenuCase{true, false, true, 0, 0},
                                           MenuCase{false, true, false, 0, 0},
                                           MenuCase{true, true, false, 0, 0}));

TEST_F(TrayBarTest, DetachedMenuIsNoLongerOpened) {
  {
    HeadlessPopupMenu menu;
    bar_->SetPopupMenu(&menu);
    bar_->SetPopupMenu(nullptr);
  }
  Send({tmRButtonDown, tmLButtonDblClk});
  EXPECT_EQ(bar_->PopupMenu(), nullptr);
}

// --- icon lifetime, owner window ---------------------------------------------------------------

TEST_F(TrayBarTest, ComponentMadeInCodeAddsNoIconUntilAsked) {
  EXPECT_TRUE(bar_->IconVisible());
  EXPECT_FALSE(host_->Shown());
  EXPECT_EQ(host_->AddCalls(), 0);
  EXPECT_TRUE(bar_->Loaded());
  EXPECT_TRUE(host_->Shown());
  EXPECT_TRUE(owner_->IsVisible());

  bar_->SetIconVisible(false);
  EXPECT_FALSE(host_->Shown());
  EXPECT_FALSE(bar_->IconVisible());
}

TEST_F(TrayBarTest, LoadedWithIconHiddenAddsNothing) {
  bar_->SetIconVisible(false);
  EXPECT_TRUE(bar_->Loaded());
  EXPECT_FALSE(host_->Shown());
}

TEST_F(TrayBarTest, MinimisingHidesTheOwnerToTheIcon) {
  bar_->SetMinimizeToTray(true);
  bar_->SetIconVisible(false);
  owner_->SimulateMinimize();
  EXPECT_FALSE(owner_->IsVisible());
  EXPECT_TRUE(host_->Shown());
  EXPECT_TRUE(bar_->IconVisible());

  bar_->ShowOwner();
  EXPECT_TRUE(owner_->IsVisible());
  EXPECT_FALSE(owner_->IsMinimized());
  EXPECT_TRUE(host_->Shown());  // the icon stays
}

TEST_F(TrayBarTest, MinimisingWithoutMinimizeToTrayLeavesTheWindow) {
  owner_->SimulateMinimize();
  EXPECT_TRUE(owner_->IsVisible());
  EXPECT_FALSE(host_->Shown());
}

TEST_F(TrayBarTest, StartMinimizedStartsHiddenToTheIcon) {
  bar_->SetStartMinimized(true);
  EXPECT_FALSE(bar_->Loaded());
  EXPECT_FALSE(owner_->IsVisible());
  EXPECT_TRUE(host_->Shown());
}

TEST_F(TrayBarTest, StartMinimizedWithTheIconOffOnlyMinimises) {
  bar_->SetStartMinimized(true);
  bar_->SetIconVisible(false);
  EXPECT_FALSE(bar_->Loaded());
  EXPECT_TRUE(owner_->IsVisible());
  EXPECT_TRUE(owner_->IsMinimized());
}

// Without a notification area nothing may hide the window: nothing could bring it back.
TEST_F(NoTrayTest, WindowIsNeverHiddenWhereNoIconCanBringItBack) {
  bar_->SetMinimizeToTray(true);
  bar_->SetShowHint(true);
  bar_->SetHint("Wait for executing");
  EXPECT_FALSE(bar_->ShowIcon());
  EXPECT_TRUE(bar_->IconVisible());  // the wish is kept

  owner_->SimulateMinimize();
  EXPECT_TRUE(owner_->IsVisible());
  EXPECT_TRUE(owner_->IsMinimized());

  owner_->Restore();
  EXPECT_FALSE(bar_->HideOwner());
  EXPECT_TRUE(owner_->IsVisible());

  bar_->SetStartMinimized(true);
  EXPECT_FALSE(bar_->Loaded());
  EXPECT_TRUE(owner_->IsVisible());
  EXPECT_EQ(bar_->IconData().tip, "Wait for executing");
}

TEST_F(NoTrayTest, TrayAppearingLaterGetsTheIconOnTheNextShow) {
  EXPECT_FALSE(bar_->ShowIcon());
  host_->SetAvailable(true);
  EXPECT_TRUE(bar_->HideOwner());
  EXPECT_FALSE(owner_->IsVisible());
  EXPECT_TRUE(host_->Shown());
}

TEST(TrayBarLifetimeTest, DestroyingTheComponentRemovesItsIconAndDetaches) {
  // The host outlives the component here, to see what the component leaves behind.
  struct SharedHost : TrayHost {
    explicit SharedHost(HeadlessTrayHost& h) : h(h) {}
    void SetMessageHandler(MessageHandler handler) override { h.SetMessageHandler(std::move(handler)); }
    bool Available() const override { return h.Available(); }
    bool Add(const TrayIconData& d) override { return h.Add(d); }
    bool Remove() override { return h.Remove(); }
    bool Modify(const TrayIconData& d) override { return h.Modify(d); }
    bool CursorPos(int& x, int& y) const override { return h.CursorPos(x, y); }
    TShiftState KeyboardShift() const override { return h.KeyboardShift(); }
    HeadlessTrayHost& h;
  };
  HeadlessTrayHost host;
  int clicks = 0;
  {
    TTrayBar bar(std::make_unique<SharedHost>(host), std::make_unique<ManualTimer>(), nullptr);
    bar.OnClick = [&](TTrayBar&) { ++clicks; };
    bar.ShowIcon();
    host.SimulateMessage(tmLButtonDown);
    host.SimulateMessage(tmLButtonUp);
    EXPECT_TRUE(host.Shown());
  }
  EXPECT_FALSE(host.Shown());
  host.SimulateMessage(tmLButtonDown);
  host.SimulateMessage(tmLButtonUp);
  EXPECT_EQ(clicks, 1);
}

TEST(TrayBarLifetimeTest, EventHandlerMayEndTheComponent) {
  auto host = std::make_unique<HeadlessTrayHost>();
  HeadlessTrayHost* view = host.get();
  auto timer = std::make_unique<ManualTimer>();
  ManualTimer* ticks = timer.get();
  HeadlessPopupMenu menu;
  auto bar = std::make_unique<TTrayBar>(std::move(host), std::move(timer), nullptr);
  bar->SetPopupMenu(&menu);
  bar->OnDblClick = [&](TTrayBar&) { bar.reset(); };
  view->SimulateMessage(tmLButtonDblClk);
  EXPECT_EQ(bar, nullptr);
  EXPECT_EQ(menu.DefaultClicks(), 0);

  host = std::make_unique<HeadlessTrayHost>();
  timer = std::make_unique<ManualTimer>();
  ticks = timer.get();
  bar = std::make_unique<TTrayBar>(std::move(host), std::move(timer), nullptr);
  bar->SetIconList(Pictures(2));
  bar->SetCycleInterval(100);
  bar->SetCycleIcons(true);
  bar->OnCycle = [&](TTrayBar&, int) { bar.reset(); };
  ticks->Fire();
  EXPECT_EQ(bar, nullptr);
}

TEST(TrayBarLifetimeTest, NoOwnerMeansNothingIsHidden) {
  TTrayBar bar(std::make_unique<HeadlessTrayHost>(), std::make_unique<ManualTimer>(), nullptr);
  bar.SetMinimizeToTray(true);
  bar.SetStartMinimized(true);
  EXPECT_TRUE(bar.Loaded());
  EXPECT_FALSE(bar.HideOwner());
  bar.ShowOwner();
}

}  // namespace
}  // namespace olv
