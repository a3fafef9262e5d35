// The screen object's hint routing and progress display, with forms that record what they are
// asked to show; and the progress display reached from a worker thread through the expression
// function Hint.
#include "widgets/forms/Screen.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "foundation/expr/ExpTranslator.h"
#include "platform/HeadlessMainThread.h"
#include "widgets/forms/ProgressDisplay.h"

using namespace olv;

namespace {

class FakeForm;

struct FakeGauge : TProgressGauge {
  FakeGauge(FakeForm* f, int* alive) : form(f), alive(alive) { ++*alive; }
  ~FakeGauge() override { --*alive; }
  const THintForm* Form() const override;
  int Max() const override { return max; }
  void SetMax(int m) override { max = m; }
  void SetPosition(int p) override { position = p; }
  void ShowNow() override { shown = true; }
  FakeForm* form;
  int* alive;
  int max = 100;
  int position = 0;
  bool shown = false;
};

class FakeForm : public THintForm {
 public:
  explicit FakeForm(bool hintBar = true) : hintBar_(hintBar) {}
  bool HasHintBar() const override { return hintBar_; }
  void SetHintText(const std::string& text) override {
    texts.push_back(text);
    threads.push_back(std::this_thread::get_id());
  }
  void RepaintHintBar() override { ++repaints; }
  bool IsShowing() const override { return showing; }
  std::unique_ptr<TProgressGauge> CreateProgressGauge() override {
    auto g = std::make_unique<FakeGauge>(this, &gauges);
    last = g.get();
    return g;
  }
  std::vector<std::string> texts;
  std::vector<std::thread::id> threads;
  int repaints = 0;
  int gauges = 0;
  bool showing = true;
  FakeGauge* last = nullptr;

 private:
  bool hintBar_;
};

const THintForm* FakeGauge::Form() const { return form; }

TScreen MakeScreen() { return TScreen({1024, 768, 96, 96}); }

TEST(Screen, MeasuresTheDisplay) {
  TScreen screen({1920, 1080, 96, 120});
  EXPECT_EQ(screen.HorzSize(), 5080);
  EXPECT_EQ(screen.VertSize(), 2286);
  EXPECT_EQ(screen.HorzDPI(), 96);
  EXPECT_EQ(screen.VertDPI(), 120);
}

TEST(Screen, ProgressNeedsAHintForm) {
  TScreen screen = MakeScreen();
  screen.ShowProgress("Copying", 5, 10);
  EXPECT_EQ(screen.ProgressGauge(), nullptr);
}

TEST(Screen, ProgressTextGaugeAndRemoval) {
  FakeForm form;  // outlives the screen and the gauge it holds
  TScreen screen = MakeScreen();
  screen.SetHintForm(&form);

  screen.ShowProgress("Copying", -1, 0);  // text only
  EXPECT_EQ(form.texts, std::vector<std::string>{"Copying"});
  EXPECT_EQ(form.repaints, 1);
  EXPECT_EQ(form.gauges, 0);

  screen.ShowProgress("", 5, 10);  // an empty text keeps the hint
  ASSERT_EQ(form.gauges, 1);
  EXPECT_EQ(form.texts.size(), 1u);
  EXPECT_EQ(form.last->max, 10);
  EXPECT_EQ(form.last->position, 5);
  EXPECT_TRUE(form.last->shown);

  screen.ShowProgress("", 7, 0);  // Max < 1 keeps the maximum
  EXPECT_EQ(form.last->max, 10);
  EXPECT_EQ(form.last->position, 7);
  EXPECT_EQ(form.gauges, 1);

  screen.ShowProgress("", -2, 0);
  EXPECT_EQ(form.gauges, 0);
  EXPECT_EQ(screen.ProgressGauge(), nullptr);
}

TEST(Screen, GaugeMovesToANewHintFormKeepingItsMaximum) {
  FakeForm a, b;
  TScreen screen = MakeScreen();
  screen.SetHintForm(&a);
  screen.ShowProgress("", 1, 40);
  screen.SetHintForm(&b);
  screen.ShowProgress("", 2, 0);
  EXPECT_EQ(a.gauges, 0);
  ASSERT_EQ(b.gauges, 1);
  EXPECT_EQ(b.last->max, 40);
  EXPECT_EQ(b.last->position, 2);
}

TEST(Screen, AFormThatGoesAwayTakesItsGaugeAndHintRole) {
  FakeForm form;
  TScreen screen = MakeScreen();
  screen.SetHintForm(&form);
  screen.ShowProgress("", 1, 4);
  screen.FormDestroyed(&form);
  EXPECT_EQ(screen.HintForm(), nullptr);
  EXPECT_EQ(screen.ProgressGauge(), nullptr);
  EXPECT_EQ(form.gauges, 0);
}

TEST(Screen, HintRouting) {
  TScreen screen = MakeScreen();
  FakeForm withBar, withoutBar(false), owner;
  screen.ApplicationHint("lost|nobody shows this");

  screen.ActiveFormChanged({&withBar, nullptr});
  EXPECT_EQ(screen.HintForm(), &withBar);
  screen.ApplicationHint("Save|Saves the schemes");
  screen.ActiveControlChanged(true, "Name");
  screen.ActiveControlChanged(false, "ignored");
  EXPECT_EQ(withBar.texts, (std::vector<std::string>{"Saves the schemes", "Name"}));

  screen.ActiveFormChanged({nullptr, nullptr});  // not a library form: nothing changes
  EXPECT_EQ(screen.HintForm(), &withBar);
  screen.ActiveFormChanged({&withoutBar, &owner});  // an MDI child: its owner shows hints
  EXPECT_EQ(screen.HintForm(), &owner);
  screen.ActiveFormChanged({&withoutBar, nullptr});  // kept while it shows
  EXPECT_EQ(screen.HintForm(), &owner);
  owner.showing = false;
  screen.ActiveFormChanged({&withoutBar, nullptr});
  EXPECT_EQ(screen.HintForm(), nullptr);
}

TEST(Screen, TheScreenVariableReachesTheLiveObjectOnly) {
  auto node = GlobalTranslator().Translate("Screen").Node;
  ASSERT_TRUE(node);
  node->Calculate(kAlwaysStamp);
  const std::int64_t handle = node->AsInteger();
  {
    TScreen first = MakeScreen();
    first.Install();
    EXPECT_EQ(ScreenObject(handle), &first);
    {
      TScreen second({800, 600, 96, 96});
      second.Install();  // replaces the first as the live one
      EXPECT_EQ(LiveScreen(), &second);
    }
    EXPECT_EQ(ScreenObject(handle), nullptr);  // the freed one is never reached
  }
  EXPECT_EQ(LiveScreen(), nullptr);
  EXPECT_EQ(ScreenObject(handle + 1), nullptr);
}

// The function Hint on a worker thread: the display runs later, on the main thread.
class ProgressFromWorker : public ::testing::Test {
 protected:
  void SetUp() override {
    screen_.Install();
    screen_.SetHintForm(&form_);
    InstallProgressDisplay(&main_);
  }
  void TearDown() override {
    UninstallProgressDisplay();
  }
  plat::HeadlessMainThread main_;
  FakeForm form_;
  TScreen screen_ = MakeScreen();
};

TEST_F(ProgressFromWorker, IsPostedToTheMainThread) {
  std::thread worker([] {
    auto node = GlobalTranslator().Translate("Hint('Exporting', 3, 9)").Node;
    ASSERT_TRUE(node);
    node->Calculate(kAlwaysStamp);
    EXPECT_EQ(node->AsString(), "Exporting");
  });
  worker.join();
  EXPECT_TRUE(form_.texts.empty());  // nothing touched the form from the worker
  EXPECT_EQ(main_.processPending(), 1);
  ASSERT_EQ(form_.texts, std::vector<std::string>{"Exporting"});
  EXPECT_EQ(form_.threads[0], std::this_thread::get_id());
  ASSERT_NE(form_.last, nullptr);
  EXPECT_EQ(form_.last->position, 3);
  EXPECT_EQ(form_.last->max, 9);
}

TEST_F(ProgressFromWorker, OnTheMainThreadItShowsAtOnce) {
  ShowProgress(&main_, "Now", -1, 0);
  EXPECT_EQ(form_.texts, std::vector<std::string>{"Now"});
  EXPECT_EQ(main_.processPending(), 0);
}

TEST_F(ProgressFromWorker, APostedCallFindsTheScreenLiveWhenItRuns) {
  std::thread([this] { ShowProgress(&main_, "late", -1, 0); }).join();
  FakeForm other;  // before the screen that holds its gauge
  TScreen replacement({800, 600, 96, 96});
  replacement.Install();
  replacement.SetHintForm(&other);
  main_.processPending();
  EXPECT_TRUE(form_.texts.empty());
  EXPECT_EQ(other.texts, std::vector<std::string>{"late"});
}

TEST_F(ProgressFromWorker, NothingWithoutAMainThreadOrAfterShutdown) {
  main_.beginShutdown();
  std::thread([this] { ShowProgress(&main_, "dropped", -1, 0); }).join();
  ShowProgress(nullptr, "dropped too", -1, 0);
  EXPECT_TRUE(form_.texts.empty());
}

}  // namespace
