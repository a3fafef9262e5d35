#include "skin/SkinManage.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "resources/EmbeddedSkin.h"

namespace skin {
namespace {

// Windows are plain numbers; the host records what the manager asks of it.
struct FakeWindow;

class FakeHost : public TSkinWindowHost {
 public:
  std::vector<TWindowId> forms;
  std::map<TWindowId, TWindowFacts> facts;
  std::vector<std::string> log;
  bool timerRunning = false;
  int timerInterval = 0;

  std::vector<TWindowId> ApplicationForms() override { return forms; }
  TWindowFacts Facts(TWindowId w) override { return facts[w]; }
  std::unique_ptr<TSkinnedWindow> AttachWindow(TWindowId w, TSkinData& c) override;
  void StartActionTimer(int ms) override {
    timerRunning = true;
    timerInterval = ms;
  }
  void StopActionTimer() override { timerRunning = false; }

  TWindowId AddWindow(std::string className, int tag = 0) {
    const auto id = reinterpret_cast<TWindowId>(static_cast<uintptr_t>(forms.size() + 1));
    forms.push_back(id);
    facts[id] = TWindowFacts{std::move(className), tag, false, false, true, false, id};
    return id;
  }
};

struct FakeWindow : TSkinnedWindow {
  FakeWindow(TWindowId w, TSkinData& c, FakeHost& host) : TSkinnedWindow(w, c), host(host) {}
  ~FakeWindow() override { host.log.push_back("free " + Name()); }
  std::string Name() const { return std::to_string(reinterpret_cast<uintptr_t>(Window())); }
  void Unskin() override { host.log.push_back("unskin " + Name()); }
  void Release() override { host.log.push_back("release " + Name()); }
  void TakeUpSkin() override { host.log.push_back("take up " + Name()); }
  void ApplySkinColors() override { host.log.push_back("colours " + Name()); }
  bool Destroyed() const override { return destroyed; }
  FakeHost& host;
  bool destroyed = false;
};

std::unique_ptr<TSkinnedWindow> FakeHost::AttachWindow(TWindowId w, TSkinData& c) {
  log.push_back("attach " + std::to_string(reinterpret_cast<uintptr_t>(w)));
  return std::make_unique<FakeWindow>(w, c, *this);
}

void LoadOurSkin(TSkinData& data) {
  const auto package = resources::EmbeddedSkinPackage();
  ASSERT_TRUE(data.SetPackage(std::vector<uint8_t>(package.begin(), package.end())));
}

class SkinManageTest : public ::testing::Test {
 protected:
  void SetUp() override { manager = &CreateSkinManager(host); }
  void TearDown() override { FreeSkinManager(); }
  FakeHost host;
  TSkinManage* manager = nullptr;
};

TEST_F(SkinManageTest, ActiveComponentSkinsTheFormsAfterTheFirstActivation) {
  const TWindowId main = host.AddWindow("TSchMainForm");
  TSkinData data;
  LoadOurSkin(data);
  data.SetActive(true);
  data.Loaded();
  ASSERT_EQ(manager->Components(), std::vector<TSkinData*>{&data});
  // Before any window was activated, attach all only enables skinning; no timer runs.
  EXPECT_TRUE(manager->Enabled());
  EXPECT_FALSE(host.timerRunning);
  // The first activation skins that window at once and starts the queued action.
  manager->WindowActivated(main);
  EXPECT_EQ(manager->FormCount(), 1u);
  EXPECT_TRUE(host.timerRunning);
  int changed = 0;
  data.OnSkinChanged = [&](TSkinData&) { ++changed; };
  manager->DoAction();
  EXPECT_EQ(changed, 1);
  EXPECT_FALSE(host.timerRunning);  // nothing left: the timer stops
  // Activated again, it is not attached twice.
  manager->WindowActivated(main);
  EXPECT_EQ(manager->FormCount(), 1u);
  EXPECT_EQ(host.log, (std::vector<std::string>{"attach 1"}));
}

TEST_F(SkinManageTest, AttachRules) {
  TSkinData data;
  LoadOurSkin(data);
  data.Loaded();
  manager->SetEnabled(true);
  manager->CountStart();
  const TWindowId plain = host.AddWindow("TForm");
  const TWindowId tagged = host.AddWindow("TForm", 99);
  const TWindowId tagged199 = host.AddWindow("TForm", 199);  // only exactly 99 keeps its look
  const TWindowId app = host.AddWindow("TApplication");
  const TWindowId calendar = host.AddWindow("SysMonthCal32");
  const TWindowId child = host.AddWindow("TPanel");
  host.facts[child].child = true;
  const TWindowId mdiChild = host.AddWindow("TChild");
  host.facts[mdiChild].child = true;
  host.facts[mdiChild].parentIsMdiClient = true;
  const TWindowId empty = host.AddWindow("TForm");
  host.facts[empty].hasArea = false;
  const TWindowId skinned = host.AddWindow("TForm");
  host.facts[skinned].answersSkinned = true;
  const TWindowId bare = host.AddWindow("TForm", 99);
  host.facts[bare].form = nullptr;  // a window without a form: its tag is no form's

  EXPECT_TRUE(manager->AddForm(plain));
  EXPECT_FALSE(manager->AddForm(plain));
  EXPECT_FALSE(manager->AddForm(tagged));
  EXPECT_TRUE(manager->AddForm(tagged199));
  EXPECT_FALSE(manager->AddForm(app));
  EXPECT_FALSE(manager->AddForm(calendar));
  EXPECT_FALSE(manager->AddForm(child));
  EXPECT_TRUE(manager->AddForm(mdiChild));
  EXPECT_FALSE(manager->AddForm(empty));
  EXPECT_FALSE(manager->AddForm(skinned));
  EXPECT_TRUE(manager->AddForm(bare));
  // OnFormSkin alone decides when assigned.
  data.OnFormSkin = [](TSkinData&, const std::string& cls, bool& doSkin) { doSkin = cls != "TNoSkin"; };
  EXPECT_FALSE(manager->AddForm(host.AddWindow("TNoSkin")));
  EXPECT_TRUE(manager->AddForm(calendar));
  // Disabled, nothing is attached.
  manager->SetEnabled(false);
  EXPECT_FALSE(manager->AddForm(host.AddWindow("TForm")));
}

TEST_F(SkinManageTest, ComponentChoiceByFormType) {
  TSkinData mainData, dialogData, onlyData, secondMain;
  for (TSkinData* d : {&mainData, &dialogData, &onlyData, &secondMain}) LoadOurSkin(*d);
  dialogData.SkinFormtype = TSkinFormType::sfDialog;
  onlyData.SkinFormtype = TSkinFormType::sfOnlyThisForm;
  const TWindowId owner = host.AddWindow("TOwnerForm");
  const TWindowId other = host.AddWindow("TForm");
  onlyData.OwnerForm = owner;
  for (TSkinData* d : {&mainData, &dialogData, &onlyData}) manager->AddSkinData(d);

  EXPECT_EQ(manager->ChooseComponent(host.facts[owner]), &onlyData);
  EXPECT_EQ(manager->ChooseComponent(host.facts[other]), &mainData);
  EXPECT_EQ(manager->ChooseComponent({"TMessageForm"}), &dialogData);
  EXPECT_EQ(manager->ChooseComponent({"#32770"}), &dialogData);
  manager->AddSkinData(&secondMain);
  EXPECT_EQ(manager->ChooseComponent(host.facts[other]), &secondMain);  // the last main one
  manager->RemoveSkinData(&secondMain);
  manager->RemoveSkinData(&mainData);
  // No main component: the first registered.
  EXPECT_EQ(manager->ChooseComponent(host.facts[other]), &dialogData);
  manager->RemoveSkinData(&dialogData);
  manager->RemoveSkinData(&onlyData);
  EXPECT_EQ(manager->ChooseComponent(host.facts[other]), nullptr);
}

TEST_F(SkinManageTest, PurgeIsKeptBesideTheQueuedActionAndLastActionWins) {
  const TWindowId a = host.AddWindow("TForm");
  const TWindowId b = host.AddWindow("TForm");
  TSkinData data;
  LoadOurSkin(data);
  data.Loaded();
  manager->WindowActivated(a);  // starts the manager; not enabled yet
  EXPECT_EQ(manager->FormCount(), 0u);
  data.SetActive(true);
  manager->DoAction();  // attach all, last form first
  EXPECT_EQ(host.log, (std::vector<std::string>{"attach 2", "attach 1"}));
  host.log.clear();

  // b closes; within the same quarter second the skin changes. The original kept one action:
  // the later request replaced the purge, or the purge replaced it.
  static_cast<FakeWindow*>(manager->FindForm(b))->destroyed = true;
  host.forms = {a};
  manager->SetAction(saPurge, TSkinManage::kActionDelay, &data);
  data.ReapplySkin();
  EXPECT_TRUE(host.timerRunning);
  manager->DoAction();
  EXPECT_EQ(host.log, (std::vector<std::string>{"take up 1", "colours 1", "free 2"}));
  EXPECT_EQ(manager->FormCount(), 1u);
  EXPECT_FALSE(manager->Pending());
  host.log.clear();

  // Off and on again within the quarter second: only the last is carried out.
  data.SetActive(false);
  data.SetActive(true);
  manager->DoAction();
  EXPECT_TRUE(host.log.empty());  // attach all finds every form attached
  // Off: every form unskinned and freed; a purge queued before it changes nothing.
  manager->SetAction(saPurge, TSkinManage::kActionDelay, &data);
  data.SetActive(false);
  manager->DoAction();
  EXPECT_EQ(host.log, (std::vector<std::string>{"unskin 1", "free 1"}));
  EXPECT_FALSE(manager->Enabled());
  // A timer that fires with nothing queued does nothing and stops.
  host.timerRunning = true;
  manager->DoAction();
  EXPECT_FALSE(host.timerRunning);
}

TEST_F(SkinManageTest, ComponentWithoutSkinOrGoneAway) {
  const TWindowId a = host.AddWindow("TForm");
  {
    TSkinData empty;  // no package loaded
    empty.SetActive(true);
    empty.Loaded();
    EXPECT_FALSE(empty.Active());  // turned off: there is nothing to skin with
    manager->WindowActivated(a);
    EXPECT_EQ(manager->FormCount(), 0u);
  }
  auto data = std::make_unique<TSkinData>();
  LoadOurSkin(*data);
  data->Loaded();
  data->SetActive(true);
  manager->DoAction();
  ASSERT_EQ(manager->FormCount(), 1u);
  // A request queued by a component that goes away is dropped with it, and so are its windows.
  data->SetActive(false);
  host.log.clear();
  data.reset();
  EXPECT_EQ(host.log, (std::vector<std::string>{"unskin 1", "free 1"}));
  EXPECT_FALSE(manager->Pending());
  EXPECT_FALSE(host.timerRunning);
  manager->DoAction();
  EXPECT_TRUE(manager->Components().empty());
}

TEST_F(SkinManageTest, OnlyThisFormAndDialogComponents) {
  const TWindowId main = host.AddWindow("TMain");
  const TWindowId own = host.AddWindow("TOwn");
  TSkinData only;
  LoadOurSkin(only);
  only.SkinFormtype = TSkinFormType::sfOnlyThisForm;
  only.OwnerForm = own;
  only.Loaded();  // enables the manager and attaches its form at once
  EXPECT_TRUE(manager->Enabled());
  EXPECT_EQ(manager->Started(), 1);
  EXPECT_NE(manager->FindForm(own), nullptr);
  EXPECT_EQ(manager->FindForm(main), nullptr);
  only.SetActive(true);
  only.SetActive(false);
  manager->DoAction();  // detach all: only its own form
  EXPECT_EQ(manager->FindForm(own), nullptr);
  EXPECT_TRUE(manager->Enabled());
  only.SetActive(true);
  manager->DoAction();
  EXPECT_NE(manager->FindForm(own), nullptr);
  // A dialog component queues nothing.
  TSkinData dialog;
  LoadOurSkin(dialog);
  dialog.SkinFormtype = TSkinFormType::sfDialog;
  dialog.Loaded();
  dialog.SetActive(true);
  EXPECT_FALSE(manager->Pending());
}

TEST_F(SkinManageTest, PopupsAreSkinnedWithTheMenuKind) {
  TSkinData data;
  LoadOurSkin(data);
  data.Loaded();
  EXPECT_EQ(manager->PopupComponent({"QMenu"}), nullptr);  // not enabled yet
  manager->SetEnabled(true);
  EXPECT_EQ(manager->PopupComponent({"QMenu"}), &data);
  data.SkinControls.Remove(xcMainMenu);
  EXPECT_EQ(manager->PopupComponent({"QMenu"}), nullptr);
}

TEST_F(SkinManageTest, ControlDecisionsTakeTheEventAndDisableTag) {
  TSkinData data;
  LoadOurSkin(data);
  TControlInfo button{"TButton", ckButton | ckWinControl};
  EXPECT_EQ(data.DecideControl("TForm", button).object, TSkinObjectKind::SkinButton);
  button.tag = 199;
  EXPECT_EQ(data.DecideControl("TForm", button).effects, uint32_t{reLeftAlone});
  button.tag = 0;
  data.OnSkinControl = [](TSkinData&, const std::string& form, const TControlInfo& c, TSkinDecision& d) {
    if (form == "TSpecial" && c.className == "TButton") d.object = TSkinObjectKind::SkinCheckBox;
  };
  EXPECT_EQ(data.DecideControl("TSpecial", button).object, TSkinObjectKind::SkinCheckBox);
  EXPECT_EQ(data.DecideControl("TForm", button).object, TSkinObjectKind::SkinButton);
  // Tabs need the skin's "Tabs" object, which ours has.
  EXPECT_EQ(data.DecideControl("TForm", {"TPageControl", ckPageControl | ckWinControl}).object,
            TSkinObjectKind::SkinTab);
}

}  // namespace
}  // namespace skin
