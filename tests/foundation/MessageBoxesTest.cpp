#include "foundation/MessageBoxes.h"

#include <gtest/gtest.h>

#include "foundation/Folders.h"
#include "foundation/OlvClipboard.h"
#include "platform/Clipboard.h"
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

TEST(OlvClipboard, ObjectStreamsAndTextTravelAsBytes) {
  plat::InProcessClipboard board;
  plat::SetClipboard(&board);
  auto& clip = olv::OlvClipboard();
  const std::string stream = std::string("TPF0\0\x01\xff", 7);
  clip.PutObjectStream(stream);
  EXPECT_TRUE(clip.HasObject());
  EXPECT_EQ(clip.ObjectStream(), stream);
  EXPECT_EQ(board.Get("OlvekObject"), stream);
  // A new put outside a session empties the clipboard first.
  clip.SetAsText("plain");
  EXPECT_FALSE(clip.HasObject());
  EXPECT_EQ(clip.AsText(), "plain");
  // Within one session both entries arrive together, and only at the end.
  clip.Open();
  clip.PutObjectStream(stream);
  clip.SetAsText("both");
  EXPECT_EQ(clip.AsText(), "plain");
  clip.Close();
  EXPECT_EQ(clip.AsText(), "both");
  EXPECT_EQ(clip.ObjectStream(), stream);
  plat::SetClipboard(nullptr);
}

}  // namespace
