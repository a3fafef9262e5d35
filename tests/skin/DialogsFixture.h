#pragma once
// Tests that see whether a skin load shows a message box (the core shows none; the window side
// decides): scripted dialogs installed for each test.
#include <gtest/gtest.h>

#include "platform/Dialogs.h"

namespace skin {

class DialogsFixture : public ::testing::Test {
 protected:
  void SetUp() override { plat::SetDialogs(&dialogs_); }
  void TearDown() override { plat::SetDialogs(nullptr); }
  plat::ScriptedDialogs dialogs_;
};

}  // namespace skin
