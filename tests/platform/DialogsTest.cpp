#include "platform/Dialogs.h"

#include <gtest/gtest.h>

#include "platform/Clipboard.h"

namespace {

TEST(Dialogs, HeadlessClosesEveryBoxWithItsCancelAnswer) {
  plat::HeadlessDialogs headless;
  struct Case {
    unsigned flags;
    int answer;
  };
  const Case cases[] = {
      {plat::MB_OK | plat::MB_ICONINFORMATION, plat::IDOK},
      {plat::MB_OKCANCEL | plat::MB_ICONQUESTION, plat::IDCANCEL},
      {plat::MB_ABORTRETRYIGNORE, plat::IDABORT},
      {plat::MB_YESNOCANCEL, plat::IDCANCEL},
      {plat::MB_YESNO, plat::IDNO},
      {plat::MB_RETRYCANCEL, plat::IDCANCEL},
      {plat::MB_CANCELTRYCONTINUE, plat::IDCANCEL},
  };
  for (const auto& c : cases) EXPECT_EQ(headless.MessageBox("c", "t", c.flags), c.answer) << c.flags;
  EXPECT_FALSE(headless.InputBox("c", "p", "v").has_value());
  // Nothing installed: the headless dialogs answer.
  EXPECT_EQ(plat::CurrentDialogs().MessageBox("c", "t", plat::MB_OKCANCEL), plat::IDCANCEL);
}

TEST(Dialogs, ScriptedPlaysAnswersInOrderThenCancels) {
  plat::ScriptedDialogs s;
  s.QueueAnswer(plat::IDYES);
  s.QueueAnswer(plat::IDOK);
  s.QueueInput(std::string("typed"));
  plat::SetDialogs(&s);
  EXPECT_EQ(plat::CurrentDialogs().MessageBox("Cap", "one", plat::MB_YESNO), plat::IDYES);
  EXPECT_EQ(plat::CurrentDialogs().MessageBox("Cap", "two", plat::MB_OKCANCEL), plat::IDOK);
  EXPECT_EQ(plat::CurrentDialogs().MessageBox("Cap", "three", plat::MB_YESNO), plat::IDNO);
  EXPECT_EQ(plat::CurrentDialogs().InputBox("In", "prompt", "start"), std::optional<std::string>("typed"));
  EXPECT_FALSE(plat::CurrentDialogs().InputBox("In", "prompt", "start").has_value());
  plat::SetDialogs(nullptr);
  auto log = s.Log();
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[1].text, "two");
  EXPECT_EQ(log[1].flags, plat::MB_OKCANCEL);
  EXPECT_EQ(log[3].kind, plat::ScriptedDialogs::Shown::Input);
  EXPECT_EQ(log[3].value, "start");
}

TEST(Clipboard, PutReplacesEveryFormat) {
  plat::InProcessClipboard c;
  c.Put({{"a", "1"}, {"b", std::string("\0x", 2)}});
  EXPECT_EQ(c.Get("b"), std::string("\0x", 2));
  c.Put({{"c", "3"}});
  EXPECT_FALSE(c.HasFormat("a"));
  EXPECT_EQ(c.Get("c"), "3");
  c.Clear();
  EXPECT_FALSE(c.HasFormat("c"));
}

}  // namespace
