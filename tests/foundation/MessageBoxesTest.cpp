#include "foundation/dialogs/MessageBoxes.h"

#include <gtest/gtest.h>

#include "foundation/files/Folders.h"
#include "platform/Dialogs.h"

namespace {

class ScriptedBoxes : public ::testing::Test {
 protected:
  void SetUp() override { plat::SetDialogs(&dialogs_); }
  void TearDown() override { plat::SetDialogs(nullptr); }
  plat::ScriptedDialogs dialogs_;
};

TEST_F(ScriptedBoxes, ConfirmQuestionAddsOneQuestionMark) {
  struct Case {
    const char* text;
    const char* shown;
  };
  const Case cases[] = {{"Delete the scheme", "Delete the scheme?"}, {"Delete?", "Delete?"}, {"", ""}};
  for (const auto& c : cases) {
    dialogs_.Clear();
    dialogs_.QueueAnswer(plat::IDOK);
    EXPECT_TRUE(olv::ConfirmQuestion(c.text));
    auto log = dialogs_.Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].kind, plat::ScriptedDialogs::Shown::Sound);
    EXPECT_EQ(log[0].flags, 0x30u);
    EXPECT_EQ(log[1].caption, "确认");
    EXPECT_EQ(log[1].text, c.shown);
    EXPECT_EQ(log[1].flags, 0x21u);
  }
  dialogs_.QueueAnswer(plat::IDCANCEL);
  EXPECT_FALSE(olv::ConfirmQuestion("Go on"));
}

TEST_F(ScriptedBoxes, ErrorAndInfoBoxesUseTheirIcons) {
  olv::ErrorBox("Error", "it failed");
  olv::InfoBox("Info", "done");
  olv::ShowInfo("shown");
  auto log = dialogs_.Log();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].kind, plat::ScriptedDialogs::Shown::Sound);
  EXPECT_EQ(log[0].flags, 0x40u);
  EXPECT_EQ(log[1].flags, 0x10u);
  EXPECT_EQ(log[1].text, "it failed");
  EXPECT_EQ(log[2].flags, 0x40u);
  EXPECT_EQ(log[3].caption, olv::GetProgramName());
}

TEST(HeadlessBoxes, AQuestionWithoutAnyoneToAnswerIsNo) {
  EXPECT_FALSE(olv::ConfirmQuestion("Overwrite"));
  EXPECT_FALSE(olv::InputBox("c", "p", "v").has_value());
}

}  // namespace
